#pragma once

// A one-line edit for a DWORD that takes only the digits of its base:
// "0" to "9", plus "A" to "F" in hexadecimal. It starts with "0" in
// hexadecimal.

#include <QLineEdit>

#include <cstdint>

class TVeltrinEdit : public QLineEdit {
    Q_OBJECT
public:
    enum TBase : uint8_t { bDecimal = 0, bHexadecimal = 1 };

    explicit TVeltrinEdit(QWidget* parent = nullptr);

    TBase Base() const { return FBase; }
    // The text read in the current base. Decimal text may be anything from
    // -2147483648 to 4294967295 (both readings of a DWORD); hexadecimal text
    // at most eight digits. Fails with "'%s' is not a valid integer value".
    uint32_t GetValue() const;
    // Hexadecimal: upper case, no leading zeros; decimal: signed, so that
    // 0xFFFFFFFF shows as -1.
    void SetValue(uint32_t value);
    // Rewrites the text in the new base. When the text cannot be read, it
    // and the base stay as they were and the error leaves.
    void SetBase(TBase base);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The characters typing may add to the text, upper-cased, in order;
    // those refused are dropped.
    QString Admitted(const QString& typed) const;

    TBase FBase = bHexadecimal;
    QString FAllowed;
};
