#include "hexedit/HexEditor.h"

#include <QKeyEvent>

#include <algorithm>

// Changing the bytes: typing over them, inserting and deleting.

namespace {

// Digits typed into the digit area, upper-cased; 0 for anything else.
int DigitValue(QChar c)
{
    c = c.toUpper();
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

}

void THexEditor::OverwriteByte(int64_t pos, uint8_t value)
{
    if (pos < 0 || pos >= FBuffer.Size() || FBuffer.Byte(pos) == value)
        return;
    FBuffer.SetByte(pos, value);
    if (FChanged.size() < size_t(FBuffer.Size()))
        FChanged.resize(size_t(FBuffer.Size()), false);
    FChanged[size_t(pos)] = true;
}

void THexEditor::DeleteRange(int64_t first, int64_t last)
{
    if (FReadOnlyView || FNoSizeChange || first < 0 || last < first || first >= FBuffer.Size())
        return;
    last = std::min(last, FBuffer.Size() - 1);
    FBuffer.Remove(first, last - first + 1);
    if (FChanged.size() > size_t(first))
        FChanged.erase(FChanged.begin() + first, FChanged.begin() + std::min<int64_t>(last + 1, FChanged.size()));
    FSelStart = FSelEnd = FSelAnchor = -1;
    Recalculate();
    FCaret = std::clamp<int64_t>(FCaret, 0, LastCaretPosition());
    MakeCaretVisible();
    Changed();
}

void THexEditor::ReplaceSelectionOrInsert(uint8_t byte)
{
    int64_t at = FCaret;
    if (FSelStart >= 0) {
        at = FSelStart;
        FBuffer.Remove(FSelStart, FSelEnd - FSelStart + 1);
        FSelStart = FSelEnd = FSelAnchor = -1;
    }
    FBuffer.Insert(std::min(at, FBuffer.Size()), QByteArray(1, char(byte)));
    FCaret = at;
    Recalculate();
}

void THexEditor::TypeDigit(QChar typed)
{
    int digit = DigitValue(typed);
    if (digit < 0 || !FBuffer.HasData())
        return;
    if (!InsertMode()) {
        const bool high = FSecondDigit == FLayout.SwapNibbles;
        if (FCaret >= FBuffer.Size())
            return;
        uint8_t old = FBuffer.Byte(FCaret);
        uint8_t value = high ? uint8_t((digit << 4) | (old & 0x0F)) : uint8_t((old & 0xF0) | digit);
        OverwriteByte(FCaret, value);
        Step(1, false);
        return;
    }
    if (!FSecondDigit || FSelStart >= 0 || FCaret >= FBuffer.Size()) {
        // A new byte whose typed half is the digit, the other half 0.
        ReplaceSelectionOrInsert(uint8_t(digit << 4));
        FSecondDigit = true;
        MakeCaretVisible();
        Changed();
        return;
    }
    uint8_t old = FBuffer.Byte(FCaret);
    FBuffer.SetByte(FCaret, uint8_t((old & 0xF0) | digit));
    // After the last byte the caret stands where the next digit appends.
    Step(1, false);
}

void THexEditor::TypeChar(QChar typed)
{
    int code = CharToByte(typed, FTranslation);
    if (code < 0 || !FBuffer.HasData())
        return;
    if (!InsertMode()) {
        if (FCaret >= FBuffer.Size())
            return;
        OverwriteByte(FCaret, uint8_t(code));
    } else {
        ReplaceSelectionOrInsert(uint8_t(code));
    }
    MoveCaret(FCaret + 1, false, false);
}

bool THexEditor::HandleEditing(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Insert:
        if (FAllowInsertMode && !FNoSizeChange)
            SetInsertMode(!FInsertMode);
        return true;
    case Qt::Key_Backspace:
        if (InsertMode() && !FReadOnlyView) {
            if (FSelStart >= 0) {
                int64_t first = FSelStart;
                DeleteRange(FSelStart, FSelEnd);
                SetCaret(first, FInChars);
            } else if (FCaret > 0) {
                int64_t before = FCaret - 1;
                DeleteRange(before, before);
                SetCaret(before, FInChars);
            }
        } else {
            Step(-1, false);
        }
        return true;
    case Qt::Key_Delete:
        if (FSelStart >= 0 && (ctrl || InsertMode())) {
            int64_t first = FSelStart;
            DeleteRange(FSelStart, FSelEnd);
            SetCaret(first, FInChars);
        } else if (InsertMode() && !FReadOnlyView && FCaret < FBuffer.Size()) {
            DeleteRange(FCaret, FCaret);
        }
        return true;
    default: return false;
    }
}
