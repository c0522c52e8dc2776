#include "hexedit/HexEditor.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

// Keys, mouse and focus.

namespace {

// Ctrl+Shift with a digit arrives as the shifted symbol on most layouts.
int BookmarkDigit(const QKeyEvent* event)
{
    int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    static const QString shifted = QStringLiteral(")!@#$%^&*(");
    int index = key < 0x10000 ? int(shifted.indexOf(QChar(char16_t(key)))) : -1;
    return index;
}

}

bool THexEditor::HandleMovement(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int bpl = FLayout.BytesPerLine;
    const int64_t row = FCaret / bpl;
    const int64_t rows = RowCount();
    const int64_t last = LastCaretPosition();
    switch (event->key()) {
    case Qt::Key_Left: Step(-1, shift); return true;
    case Qt::Key_Right:
        if (ctrl)
            MoveCaret(std::min(row * bpl + bpl - 1, last), !FInChars, shift);
        else
            Step(1, shift);
        return true;
    case Qt::Key_Up:
        if (row > 0)
            MoveCaret(FCaret - bpl, FSecondDigit, shift);
        return true;
    case Qt::Key_Down:
        if (row + 1 < rows)
            MoveCaret(std::min(FCaret + bpl, last), FSecondDigit, shift);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = VisibleRows();
        const bool down = event->key() == Qt::Key_PageDown;
        int64_t target;
        if (ctrl) {
            target = down ? std::min(rows - 1, TopRow() + page - 1) : TopRow();
        } else {
            target = std::clamp<int64_t>(row + (down ? page : -page), 0, rows - 1);
            verticalScrollBar()->setValue(int(TopRow() + (down ? page : -page)));
        }
        MoveCaret(std::min(target * bpl + FCaret % bpl, last), FSecondDigit, shift);
        return true;
    }
    case Qt::Key_Home: MoveCaret(ctrl ? 0 : row * bpl, false, shift); return true;
    case Qt::Key_End: MoveCaret(ctrl ? last : std::min(row * bpl + bpl - 1, last), !FInChars, shift); return true;
    default: return false;
    }
}

bool THexEditor::focusNextPrevChild(bool next)
{
    if (FWantTabs && FBuffer.HasData())
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool THexEditor::event(QEvent* event)
{
    // The dialog must not take the keys the control uses for itself.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Insert:
        case Qt::Key_Delete:
        case Qt::Key_Backspace: event->accept(); return true;
        default:
            if (!key->text().isEmpty() && key->text().at(0).isPrint() &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                event->accept();
                return true;
            }
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Ctrl+Tab always leaves the control, as in other controls that
            // take Tab for themselves.
            if (key->modifiers() & Qt::ControlModifier)
                return QAbstractScrollArea::focusNextPrevChild(key->key() == Qt::Key_Tab &&
                                                               !(key->modifiers() & Qt::ShiftModifier));
            if (FWantTabs && FBuffer.HasData()) {
                keyPressEvent(key);
                return true;
            }
        }
    }
    return QAbstractScrollArea::event(event);
}

void THexEditor::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (!InsertMode() && modifiers == Qt::NoModifier && FSelStart >= 0)
        ClearSelection();

    if (ctrl && !(modifiers & Qt::AltModifier)) {
        int digit = BookmarkDigit(event);
        if (digit >= 0) {
            if (shift) {
                SetMarker(digit, FCaret / FLayout.BytesPerLine);
            } else {
                int64_t row = FMarkers[size_t(digit)] < 0 ? FCaret / FLayout.BytesPerLine : FMarkers[size_t(digit)];
                // A bookmark past the end (the data shrank) moves nothing.
                if (row < RowCount() && row * FLayout.BytesPerLine <= LastCaretPosition()) {
                    FInChars = false;
                    MoveCaret(row * FLayout.BytesPerLine, false, false);
                }
            }
            event->accept();
            return;
        }
    }
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || (ctrl && event->key() == Qt::Key_T)) {
        if (FBuffer.HasData()) {
            FInChars = !FInChars;
            FSecondDigit = false;
            MakeCaretVisible();
            Changed();
        }
        event->accept();
        return;
    }
    if (HandleMovement(event) || HandleEditing(event)) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))) {
        if (!FReadOnlyView) {
            if (FInChars)
                TypeChar(text.at(0));
            else
                TypeDigit(text.at(0));
        }
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void THexEditor::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

// ---- mouse and focus ----------------------------------------------------

void THexEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    ClearSelection();
    int column = ColumnAt(int(event->position().x()));
    int64_t row = TopRow() + int64_t(event->position().y()) / FRowHeight;
    THexLayout::TCell cell = FLayout.CellAt(column);
    if (cell.Kind != THexLayout::TCell::Digit && cell.Kind != THexLayout::TCell::Char)
        return;
    FInChars = cell.Kind == THexLayout::TCell::Char;
    bool second = cell.Kind == THexLayout::TCell::Digit && (column - 2) % 2 == 1;
    MoveCaret(row * FLayout.BytesPerLine + cell.Byte, second, false);
    FMouseSelecting = true;
    FSelAnchor = std::min(FCaret, std::max<int64_t>(0, FBuffer.Size() - 1));
}

void THexEditor::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click places the caret like a press but starts no selection.
    mousePressEvent(event);
    FMouseSelecting = false;
}

void THexEditor::mouseMoveEvent(QMouseEvent* event)
{
    if (!FMouseSelecting || !(event->buttons() & Qt::LeftButton))
        return;
    int column = ColumnAt(int(event->position().x()));
    int64_t row = TopRow() + std::max<int64_t>(0, int64_t(event->position().y()) / FRowHeight);
    THexLayout::TCell cell = FLayout.CellAt(column);
    if (cell.Kind != THexLayout::TCell::Digit && cell.Kind != THexLayout::TCell::Char)
        return;
    MoveCaret(row * FLayout.BytesPerLine + cell.Byte, false, true);
}

void THexEditor::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void THexEditor::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
