#pragma once

// The one-line text editor of the Languages tab: the text in "Neutral"
// above (read-only), the text in the language being edited below. Every
// change of the lower box is stored at once in the texts file's memory.

#include <QFrame>

#include <cstdint>
#include <string>

class QPlainTextEdit;
class TMessageBox;
class TResource;

class TfrmStringEditor : public QFrame {
    Q_OBJECT
public:
    // messages shows a refused character (not owned).
    explicit TfrmStringEditor(TMessageBox* messages, QWidget* parent = nullptr);

    void SetResource(TResource* resource);
    void SetLanguage(int32_t language);

    TResource* Resource() const { return FResource; }
    int32_t Language() const { return FLanguage; }

private:
    void Fill();
    void Memo2Change();

    TMessageBox* FMessages;
    TResource* FResource = nullptr;
    int32_t FLanguage = 0;
    bool FFilling = false;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo2;
};

// What a typed text is stored as: a texts file holds one line per key, so
// line breaks at the end are dropped and each one inside becomes a blank.
QString StoredLine(const QString& typed);
