#include "hexedit/HexEditor.h"

#include <QEvent>
#include <QFontMetrics>
#include <QScrollBar>

#include <algorithm>

// The control's state, layout and properties, and the caret; painting,
// input and editing are in HexEditorPaint.cpp, HexEditorInput.cpp and
// HexEditorEdit.cpp.

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

// ---- caret --------------------------------------------------------------

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

// ---- size and font ------------------------------------------------------

void THexEditor::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void THexEditor::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Recalculate();
}
