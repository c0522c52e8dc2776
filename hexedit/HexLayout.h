#pragma once

// The grid of the hex editor, apart from painting: which column shows what,
// how wide each is in units of one character, and the texts of the cells.
//
// Columns: 0 the row's offset, 1 the bookmark digit, then two digit columns
// per byte (a wider one closes each group of bytes), one gap column, and one
// character column per byte.

#include <QString>

#include <cstdint>

enum TOffsetDisplayStyle { odHex, odDec, odOctal, odNone };

class THexLayout {
public:
    int BytesPerLine = 16;
    int BytesPerColumn = 2;
    bool ShowMarkerColumn = true;
    TOffsetDisplayStyle OffsetDisplay = odHex;
    QChar OffsetSeparator = u':';
    bool SwapNibbles = false;

    // What a column shows of the row.
    struct TCell {
        enum Kind { Offset, Marker, Digit, Gap, Char } Kind;
        int Byte = -1; // index within the row (Digit, Char)
        bool High = false; // the digit shows the high half of the byte
    };

    int ColumnCount() const { return 3 * BytesPerLine + 3; }
    TCell CellAt(int column) const;
    // The digit column of the byte's half, and the character column.
    int DigitColumn(int byte, bool high) const;
    int CharColumn(int byte) const { return 2 * BytesPerLine + 3 + byte; }
    // Width in units of one character ("w"); the offset column needs the
    // length of the offset text.
    int ColumnUnits(int column, int offsetLength) const;

    static int64_t RowCount(int64_t size, int bytesPerLine);
    // The length that the offset texts of every row share.
    int OffsetLength(int64_t size) const;
    QString OffsetText(int64_t offset, int length) const;
    // The upper-case digit of the byte's half.
    static QChar Digit(uint8_t byte, bool high);
};
