#include "hexedit/HexEditor.h"

#include <QAccessible>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

// Painting the rows on screen, and the same rows as text for a screen
// reader.

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
    const int64_t top = TopRow();
    const int64_t end = std::min(RowCount(), top + VisibleRows() + 1);
    const int64_t caretRow = FCaret / FLayout.BytesPerLine;
    QFont markerFont(QStringLiteral("Arial"));
    markerFont.setPointSizeF(font().pointSizeF() * 0.75);
    const QColor fontColor = palette().color(QPalette::Text);

    for (int64_t row = top; row < end; ++row) {
        const int y = int(row - top) * FRowHeight;
        PaintRow(painter, row, y, area, markerFont, fontColor);
        if (row == caretRow && FBuffer.HasData())
            PaintCaret(painter, y);
    }
}

void THexEditor::PaintRow(QPainter& painter, int64_t row, int y, const QRect& area, const QFont& markerFont,
                          const QColor& fontColor)
{
    const int64_t first = row * FLayout.BytesPerLine;
    if (first < FBuffer.Size())
        FBuffer.ShowFrom(first);
    for (int column = 0; column < FLayout.ColumnCount(); ++column) {
        const int x = ColumnX(column);
        const int width = FColumnX[column + 1] - FColumnX[column];
        if (width == 0 || x > area.right() || x + width < 0)
            continue;
        THexLayout::TCell cell = FLayout.CellAt(column);
        QRect rect(x, y, width, FRowHeight);
        switch (cell.Kind) {
        case THexLayout::TCell::Offset:
            painter.setPen(FColors.Offset());
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, FLayout.OffsetText(first, FOffsetLength));
            break;
        case THexLayout::TCell::Marker: PaintMarker(painter, rect, row, markerFont); break;
        case THexLayout::TCell::Digit:
        case THexLayout::TCell::Char:
            if (first + cell.Byte < FBuffer.Size())
                PaintByte(painter, QRect(x, y, FCharWidth, FRowHeight), cell, first + cell.Byte, fontColor);
            break;
        case THexLayout::TCell::Gap: break;
        }
    }
}

void THexEditor::PaintMarker(QPainter& painter, const QRect& rect, int64_t row, const QFont& markerFont)
{
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
}

void THexEditor::PaintByte(QPainter& painter, const QRect& textRect, const THexLayout::TCell& cell, int64_t pos,
                           const QColor& fontColor)
{
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
    QChar shown =
        digit ? THexLayout::Digit(byte, cell.High) : ByteToChar(byte, FTranslation, FMaskWhiteSpaces, FMaskChar);
    painter.drawText(textRect, Qt::AlignCenter, QString(shown));
}

// The frame around the caret's twin in the other area, and the caret itself
// while the control has the focus.
void THexEditor::PaintCaret(QPainter& painter, int y)
{
    const int byte = int(FCaret % FLayout.BytesPerLine);
    const int twin = FInChars ? 2 + 2 * byte : FLayout.CharColumn(byte);
    QRect twinRect(ColumnX(twin), y, FInChars ? 2 * FCharWidth : FCharWidth, FRowHeight);
    if (FCaret < FBuffer.Size()) {
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
    if (hasFocus()) {
        QRect caret(ColumnX(CaretColumn()), y, FCharWidth, FRowHeight);
        if (FCaretStyle == csLeftLine)
            caret.setWidth(2);
        else if (FCaretStyle == csBottomLine)
            caret.setTop(caret.bottom() - 1);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(caret, Qt::white);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}
