#include "hexedit/HexEditor.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

#include <algorithm>

// ---- TColors ------------------------------------------------------------

TColors::TColors(THexEditor* owner) : FOwner(owner)
{
    FBackground = owner->palette().color(QPalette::Base);
}

QColor TColors::Inverted(const QColor& color)
{
    return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
}

void TColors::Set(QColor& field, const QColor& color)
{
    field = color;
    FOwner->viewport()->update();
}

void TColors::SetBackground(const QColor& color)
{
    FBackground = color;
    QPalette palette = FOwner->viewport()->palette();
    palette.setColor(QPalette::Base, color);
    FOwner->viewport()->setPalette(palette);
    FOwner->viewport()->update();
}

// ---- THexEditor ---------------------------------------------------------

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

THexEditor::THexEditor(QWidget* parent) : QAbstractScrollArea(parent), FColors(this)
{
    FMarkers.fill(-1);
    QFont font(QStringLiteral("Courier"), 12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    Recalculate();
}

THexEditor::~THexEditor() = default;

bool THexEditor::LoadFromStream(QIODevice& stream)
{
    FChanged.clear();
    FSelStart = FSelEnd = FSelAnchor = -1;
    FCaret = 0;
    FInChars = false;
    FSecondDigit = false;
    try {
        FBuffer.Load(stream);
    } catch (...) {
        Recalculate();
        throw;
    }
    Recalculate();
    verticalScrollBar()->setValue(0);
    Changed();
    return true;
}

bool THexEditor::SaveToStream(QIODevice& stream) const
{
    return FBuffer.Save(stream);
}

int64_t THexEditor::RowCount() const
{
    // In insert mode the caret may stand after the last byte, which may
    // open a row of its own.
    int64_t size = FBuffer.Size() + (InsertMode() && FBuffer.HasData() ? 1 : 0);
    return THexLayout::RowCount(size, FLayout.BytesPerLine);
}

void THexEditor::Recalculate()
{
    QFontMetrics metrics(font());
    FCharWidth = std::max(1, metrics.horizontalAdvance(u'w'));
    FRowHeight = metrics.boundingRect(QStringLiteral("yY")).height() + 2;
    // The row that insert mode may open after the last byte counts too.
    FOffsetLength = FLayout.OffsetLength(FBuffer.Size() + (InsertMode() && FBuffer.HasData() ? 1 : 0));
    FColumnX.assign(FLayout.ColumnCount() + 1, 0);
    int x = 0;
    for (int column = 0; column < FLayout.ColumnCount(); ++column) {
        FColumnX[column] = x;
        x += FLayout.ColumnUnits(column, FOffsetLength) * FCharWidth;
    }
    FColumnX[FLayout.ColumnCount()] = x;
    FCaret = std::clamp<int64_t>(FCaret, 0, LastCaretPosition());
    UpdateScrollBars();
    viewport()->update();
}

void THexEditor::UpdateScrollBars()
{
    int rows = VisibleRows();
    int64_t total = RowCount();
    verticalScrollBar()->setRange(0, int(std::clamp<int64_t>(total - rows, 0, INT32_MAX)));
    verticalScrollBar()->setPageStep(std::max(1, rows));
    int width = FColumnX.empty() ? 0 : FColumnX.back();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(FCharWidth);
}

void THexEditor::Changed()
{
    viewport()->update();
    UpdateAccessibleText();
}

int64_t THexEditor::LastCaretPosition() const
{
    int64_t size = FBuffer.Size();
    if (size == 0)
        return 0;
    return InsertMode() ? size : size - 1;
}

int THexEditor::VisibleRows() const
{
    return std::max(1, viewport()->height() / std::max(1, FRowHeight));
}

int64_t THexEditor::TopRow() const
{
    return verticalScrollBar()->value();
}

int THexEditor::ColumnX(int column) const
{
    return FColumnX[column] - horizontalScrollBar()->value();
}

int THexEditor::ColumnAt(int x) const
{
    x += horizontalScrollBar()->value();
    for (int column = 0; column < FLayout.ColumnCount(); ++column)
        if (x < FColumnX[column + 1])
            return column;
    return FLayout.ColumnCount() - 1;
}

int THexEditor::CaretColumn() const
{
    int byte = int(FCaret % FLayout.BytesPerLine);
    if (FInChars)
        return FLayout.CharColumn(byte);
    return 2 + 2 * byte + (FSecondDigit ? 1 : 0);
}

// ---- properties ---------------------------------------------------------

void THexEditor::SetShowMarkerColumn(bool show)
{
    FLayout.ShowMarkerColumn = show;
    Recalculate();
}

void THexEditor::SetBytesPerLine(int count)
{
    if (count < 1 || count > 256)
        throw EHexEditorError("Invalid BytesPerLine argument");
    FLayout.BytesPerLine = count;
    Recalculate();
}

void THexEditor::SetBytesPerColumn(int count)
{
    FLayout.BytesPerColumn = std::max(1, count);
    Recalculate();
}

void THexEditor::SetOffsetSeparator(QChar separator)
{
    FLayout.OffsetSeparator = separator;
    viewport()->update();
}

void THexEditor::SetOffsetDisplay(TOffsetDisplayStyle style)
{
    FLayout.OffsetDisplay = style;
    Recalculate();
}

void THexEditor::SetCaretStyle(TCaretStyle style)
{
    FCaretStyle = style;
    viewport()->update();
}

void THexEditor::SetFocusFrame(bool frame)
{
    FFocusFrame = frame;
    viewport()->update();
}

void THexEditor::SetTranslation(TTranslationType translation)
{
    FTranslation = translation;
    Changed();
}

void THexEditor::SetMaskWhiteSpaces(bool mask)
{
    FMaskWhiteSpaces = mask;
    Changed();
}

void THexEditor::SetMaskChar(QChar mask)
{
    FMaskChar = mask;
    Changed();
}

void THexEditor::SetSwapNibbles(bool swap)
{
    FLayout.SwapNibbles = swap;
    Changed();
}

void THexEditor::SetAllowInsertMode(bool allow)
{
    FAllowInsertMode = allow;
    Recalculate();
}

void THexEditor::SetNoSizeChange(bool fixed)
{
    FNoSizeChange = fixed;
    Recalculate();
}

bool THexEditor::InsertMode() const
{
    return FInsertMode && FAllowInsertMode && !FNoSizeChange;
}

void THexEditor::SetInsertMode(bool insert)
{
    FInsertMode = insert;
    FChanged.clear();
    if (FAutoCaretMode)
        FCaretStyle = InsertMode() ? csLeftLine : csFull;
    Recalculate();
    Changed();
}

bool THexEditor::IsChanged(int64_t pos) const
{
    return pos >= 0 && pos < int64_t(FChanged.size()) && FChanged[size_t(pos)];
}

void THexEditor::SetSelStart(int64_t pos)
{
    if (pos < 0 || pos >= FBuffer.Size())
        throw EHexEditorError("Invalid SelStart");
    FSelStart = pos;
    if (FSelEnd < pos)
        FSelEnd = pos;
    FSelAnchor = FSelStart;
    viewport()->update();
}

void THexEditor::SetSelEnd(int64_t pos)
{
    if (pos < 0 || pos >= FBuffer.Size())
        throw EHexEditorError("Invalid SelEnd");
    if (FSelStart < 0)
        FSelStart = FSelAnchor = pos;
    FSelEnd = pos;
    if (FSelEnd < FSelStart)
        std::swap(FSelStart, FSelEnd);
    viewport()->update();
}

void THexEditor::ClearSelection()
{
    FSelStart = FSelEnd = FSelAnchor = -1;
    viewport()->update();
}

int64_t THexEditor::Marker(int index) const
{
    return index >= 0 && index <= 9 ? FMarkers[size_t(index)] : -1;
}

void THexEditor::SetMarker(int index, int64_t row)
{
    if (index < 0 || index > 9)
        throw EHexEditorError("SetMarker : Invalid marker index");
    FMarkers[size_t(index)] = row;
    viewport()->update();
}

// ---- caret and movement -------------------------------------------------

void THexEditor::SetCaret(int64_t pos, bool inCharacters, bool secondDigit)
{
    FInChars = inCharacters;
    FCaret = std::clamp<int64_t>(pos, 0, LastCaretPosition());
    FSecondDigit = !inCharacters && secondDigit;
    MakeCaretVisible();
    Changed();
}

void THexEditor::MakeCaretVisible()
{
    int64_t row = FCaret / FLayout.BytesPerLine;
    int64_t top = TopRow();
    int rows = VisibleRows();
    if (row < top)
        verticalScrollBar()->setValue(int(row));
    else if (row >= top + rows)
        verticalScrollBar()->setValue(int(row - rows + 1));
    int column = CaretColumn();
    int left = FColumnX[column];
    int right = FColumnX[column + 1];
    int scroll = horizontalScrollBar()->value();
    if (left < scroll + FColumnX[2])
        horizontalScrollBar()->setValue(std::max(0, left - FColumnX[2]));
    else if (right > scroll + viewport()->width())
        horizontalScrollBar()->setValue(right - viewport()->width());
}

void THexEditor::MoveCaret(int64_t pos, bool secondDigit, bool extend)
{
    int64_t old = FCaret;
    pos = std::clamp<int64_t>(pos, 0, LastCaretPosition());
    if (extend && FBuffer.Size() > 0) {
        if (FSelAnchor < 0)
            FSelAnchor = std::min(old, FBuffer.Size() - 1);
        int64_t to = std::min(pos, FBuffer.Size() - 1);
        FSelStart = std::min(FSelAnchor, to);
        FSelEnd = std::max(FSelAnchor, to);
    }
    FCaret = pos;
    FSecondDigit = !FInChars && secondDigit;
    MakeCaretVisible();
    Changed();
}

void THexEditor::Step(int digits, bool extend)
{
    if (FInChars) {
        MoveCaret(FCaret + digits, false, extend);
        return;
    }
    int64_t index = 2 * FCaret + (FSecondDigit ? 1 : 0) + digits;
    int64_t last = 2 * LastCaretPosition() + 1;
    index = std::clamp<int64_t>(index, 0, last);
    MoveCaret(index / 2, index % 2 == 1, extend);
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
    case Qt::Key_Left:
        Step(-1, shift);
        return true;
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
    case Qt::Key_Home:
        MoveCaret(ctrl ? 0 : row * bpl, false, shift);
        return true;
    case Qt::Key_End:
        MoveCaret(ctrl ? last : std::min(row * bpl + bpl - 1, last), !FInChars, shift);
        return true;
    default:
        return false;
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
        case Qt::Key_Backspace:
            event->accept();
            return true;
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

// ---- editing ------------------------------------------------------------

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
    default:
        return false;
    }
}

void THexEditor::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                                  Qt::AltModifier | Qt::MetaModifier);
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

// ---- mouse, focus, size -------------------------------------------------

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

void THexEditor::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
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

void THexEditor::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Recalculate();
}

// ---- painting -----------------------------------------------------------

QString THexEditor::RowText(int64_t row)
{
    const int bpl = FLayout.BytesPerLine;
    QString digits;
    QString chars;
    int64_t first = row * bpl;
    FBuffer.ShowFrom(first);
    for (int k = 0; k < bpl && first + k < FBuffer.Size(); ++k) {
        uint8_t byte = FBuffer.Byte(first + k);
        digits += THexLayout::Digit(byte, !FLayout.SwapNibbles);
        digits += THexLayout::Digit(byte, FLayout.SwapNibbles);
        if ((k + 1) % FLayout.BytesPerColumn == 0)
            digits += u' ';
        chars += ByteToChar(byte, FTranslation, FMaskWhiteSpaces, FMaskChar);
    }
    return FLayout.OffsetText(first, FOffsetLength) + u' ' + digits.trimmed() + u' ' + chars;
}

void THexEditor::UpdateAccessibleText()
{
    // Only the rows on screen, so that a screen reader costs no more reads
    // than painting does.
    QStringList rows;
    int64_t top = TopRow();
    int64_t end = std::min(RowCount(), top + VisibleRows());
    for (int64_t row = top; row < end && FBuffer.HasData(); ++row)
        rows << RowText(row);
    setAccessibleDescription(rows.join(u'\n'));
}

void THexEditor::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = viewport()->rect();
    painter.fillRect(area, FColors.Background());
    const int bpl = FLayout.BytesPerLine;
    const int64_t size = FBuffer.Size();
    const int64_t top = TopRow();
    const int64_t end = std::min(RowCount(), top + VisibleRows() + 1);
    const bool focused = hasFocus();
    const int caretColumn = CaretColumn();
    const int64_t caretRow = FCaret / bpl;
    QFont markerFont(QStringLiteral("Arial"));
    markerFont.setPointSizeF(font().pointSizeF() * 0.75);
    const QColor fontColor = palette().color(QPalette::Text);

    for (int64_t row = top; row < end; ++row) {
        const int y = int(row - top) * FRowHeight;
        const int64_t first = row * bpl;
        if (first < size)
            FBuffer.ShowFrom(first);
        for (int column = 0; column < FLayout.ColumnCount(); ++column) {
            const int x = ColumnX(column);
            const int width = FColumnX[column + 1] - FColumnX[column];
            if (width == 0 || x > area.right() || x + width < 0)
                continue;
            THexLayout::TCell cell = FLayout.CellAt(column);
            QRect rect(x, y, width, FRowHeight);
            QRect textRect(x, y, FCharWidth, FRowHeight);
            switch (cell.Kind) {
            case THexLayout::TCell::Offset:
                painter.setPen(FColors.Offset());
                painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, FLayout.OffsetText(first, FOffsetLength));
                break;
            case THexLayout::TCell::Marker: {
                int marker = -1;
                for (int i = 0; i < 10 && marker < 0; ++i)
                    if (FMarkers[size_t(i)] == row)
                        marker = i;
                if (marker >= 0) {
                    painter.fillRect(rect, FColors.PositionBackground());
                    painter.setPen(FColors.PositionText());
                    painter.setFont(markerFont);
                    painter.drawText(rect, Qt::AlignCenter, QString::number(marker));
                    painter.setFont(font());
                }
                break;
            }
            case THexLayout::TCell::Digit:
            case THexLayout::TCell::Char: {
                const int64_t pos = first + cell.Byte;
                if (pos >= size)
                    break;
                const uint8_t byte = FBuffer.Byte(pos);
                const bool digit = cell.Kind == THexLayout::TCell::Digit;
                const bool odd = (cell.Byte / FLayout.BytesPerColumn) % 2 == 1;
                QColor text = digit ? (odd ? FColors.OddColumn() : FColors.EvenColumn()) : fontColor;
                QColor back = FColors.Background();
                const bool changed = IsChanged(pos);
                if (changed) {
                    text = FColors.ChangedText();
                    back = FColors.ChangedBackground();
                }
                if (FSelStart >= 0 && pos >= FSelStart && pos <= FSelEnd) {
                    std::swap(text, back);
                    if (digit && !changed)
                        text = odd ? FColors.InvertedOddColumn() : FColors.InvertedEvenColumn();
                }
                if (back != FColors.Background())
                    painter.fillRect(textRect, back);
                painter.setPen(text);
                QChar shown = digit ? THexLayout::Digit(byte, cell.High)
                                    : ByteToChar(byte, FTranslation, FMaskWhiteSpaces, FMaskChar);
                painter.drawText(textRect, Qt::AlignCenter, QString(shown));
                break;
            }
            case THexLayout::TCell::Gap:
                break;
            }
        }
        if (row == caretRow && FBuffer.HasData()) {
            const int byte = int(FCaret % bpl);
            const int twin = FInChars ? 2 + 2 * byte : FLayout.CharColumn(byte);
            QRect twinRect(ColumnX(twin), y, FInChars ? 2 * FCharWidth : FCharWidth, FRowHeight);
            if (FCaret < size) {
                if (FFocusFrame) {
                    QStyleOptionFocusRect option;
                    option.initFrom(this);
                    option.rect = twinRect;
                    // Some styles draw the rectangle only after keyboard use.
                    option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
                    option.backgroundColor = FColors.Background();
                    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
                } else {
                    painter.setPen(FColors.CursorFrame());
                    painter.drawRect(twinRect.adjusted(0, 0, -1, -1));
                }
            }
            if (focused) {
                QRect caret(ColumnX(caretColumn), y, FCharWidth, FRowHeight);
                if (FCaretStyle == csLeftLine)
                    caret.setWidth(2);
                else if (FCaretStyle == csBottomLine)
                    caret.setTop(caret.bottom() - 1);
                painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                painter.fillRect(caret, Qt::white);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            }
        }
    }
}
