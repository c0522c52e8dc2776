#include "ui/registry/VeltrinEdit.h"

#include "common/Exception.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include <limits>

namespace {

const QString DecimalDigits = QStringLiteral("0123456789");
const QString HexDigits = QStringLiteral("0123456789ABCDEF");

QString AllowedFor(TVeltrinEdit::TBase base)
{
    return base == TVeltrinEdit::bHexadecimal ? HexDigits : DecimalDigits;
}

// Typing stops at 10 characters in decimal ("4294967295", "-2147483648"
// cannot be typed, but is shown) and at 9 in hexadecimal.
int TypingLimit(TVeltrinEdit::TBase base)
{
    return base == TVeltrinEdit::bHexadecimal ? 9 : 10;
}

}

TVeltrinEdit::TVeltrinEdit(QWidget* parent) : QLineEdit(parent), FAllowed(HexDigits)
{
    setText(QStringLiteral("0"));
}

uint32_t TVeltrinEdit::GetValue() const
{
    const QString shown = FBase == bHexadecimal ? QStringLiteral("$") + text() : text();
    const QString digits = text().trimmed();
    bool ok = false;
    uint32_t value = 0;
    if (FBase == bHexadecimal) {
        // Eight digits at most: a ninth, even a leading zero, is no 32-bit
        // number to the reader this edit imitates.
        if (!digits.isEmpty() && digits.size() <= 8 && !digits.startsWith(u'-') && !digits.startsWith(u'+'))
            value = digits.toUInt(&ok, 16);
    } else {
        qlonglong number = digits.toLongLong(&ok, 10);
        ok = ok && number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<uint32_t>::max();
        value = static_cast<uint32_t>(number);
    }
    if (!ok)
        throw Exception("'" + shown.toStdString() + "' is not a valid integer value");
    return value;
}

void TVeltrinEdit::SetValue(uint32_t value)
{
    if (FBase == bHexadecimal)
        setText(QString::number(value, 16).toUpper());
    else
        setText(QString::number(static_cast<int32_t>(value)));
}

void TVeltrinEdit::SetBase(TBase base)
{
    if (base == FBase)
        return;
    const uint32_t value = GetValue();
    FAllowed = AllowedFor(base);
    FBase = base;
    SetValue(value);
}

QString TVeltrinEdit::Admitted(const QString& typed) const
{
    QString admitted;
    int length = text().size() - selectedText().size();
    for (QChar c : typed) {
        c = c.toUpper();
        if (!FAllowed.contains(c) || length >= TypingLimit(FBase))
            continue;
        admitted += c;
        ++length;
    }
    return admitted;
}

void TVeltrinEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        if (!isReadOnly())
            insert(Admitted(QGuiApplication::clipboard()->text()));
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString admitted = Admitted(typed);
    if (!admitted.isEmpty() && !isReadOnly())
        insert(admitted);
    event->accept();
}
