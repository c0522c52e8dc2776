#include "hexedit/HexLayout.h"

#include <algorithm>

THexLayout::TCell THexLayout::CellAt(int column) const
{
    if (column == 0)
        return {TCell::Offset};
    if (column == 1)
        return {TCell::Marker};
    int digits = 2 * BytesPerLine;
    if (column < 2 + digits) {
        int k = (column - 2) / 2;
        bool first = (column - 2) % 2 == 0;
        return {TCell::Digit, k, SwapNibbles ? !first : first};
    }
    if (column == 2 + digits)
        return {TCell::Gap};
    if (column < ColumnCount())
        return {TCell::Char, column - digits - 3};
    return {TCell::Gap};
}

int THexLayout::DigitColumn(int byte, bool high) const
{
    bool first = SwapNibbles ? !high : high;
    return 2 + 2 * byte + (first ? 0 : 1);
}

int THexLayout::ColumnUnits(int column, int offsetLength) const
{
    if (column == 0)
        return offsetLength;
    if (column == 1)
        return ShowMarkerColumn ? 1 : 0;
    if (column < 2 + 2 * BytesPerLine)
        return column % (2 * BytesPerColumn) == 1 ? 2 : 1;
    return 1;
}

int64_t THexLayout::RowCount(int64_t size, int bytesPerLine)
{
    return std::max<int64_t>(1, (size + bytesPerLine - 1) / bytesPerLine);
}

int THexLayout::OffsetLength(int64_t size) const
{
    int64_t last = (RowCount(size, BytesPerLine) - 1) * BytesPerLine;
    switch (OffsetDisplay) {
    case odHex: return int(QString::number(last, 16).size()) + 3;
    case odDec: return int(QString::number(last, 10).size()) + 1;
    case odOctal: return int((QStringLiteral("0") + QString::number(last, 8)).size()) + 3;
    case odNone:
    default: return 0;
    }
}

QString THexLayout::OffsetText(int64_t offset, int length) const
{
    switch (OffsetDisplay) {
    case odHex:
        return QStringLiteral("0x") + QString::number(offset, 16).toUpper().rightJustified(length - 3, u'0') +
               OffsetSeparator;
    case odDec: return QString::number(offset).rightJustified(length - 1, u' ') + OffsetSeparator;
    case odOctal:
        return QStringLiteral("o ") + QString::number(offset, 8).rightJustified(length - 3, u'0') + OffsetSeparator;
    case odNone:
    default: return QStringLiteral(" ");
    }
}

QChar THexLayout::Digit(uint8_t byte, bool high)
{
    static const char digits[] = "0123456789ABCDEF";
    return QChar::fromLatin1(digits[high ? byte >> 4 : byte & 0x0F]);
}
