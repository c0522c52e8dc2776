// The grid's columns and cell texts, and the translations.

#include "hexedit/HexLayout.h"
#include "hexedit/HexTranslation.h"

#include <gtest/gtest.h>

namespace {

THexLayout BuilderLayout()
{
    THexLayout layout;
    layout.BytesPerLine = 8;
    layout.BytesPerColumn = 2;
    layout.OffsetDisplay = odDec;
    return layout;
}

TEST(HexLayoutTest, EmptyDataShowsOneRowWithOffsetZeroInDecimal)
{
    THexLayout layout = BuilderLayout();
    EXPECT_EQ(THexLayout::RowCount(0, 8), 1);
    int length = layout.OffsetLength(0);
    EXPECT_EQ(layout.OffsetText(0, length), QStringLiteral("0:"));
}

TEST(HexLayoutTest, EightBytesInTwoByteGroupsGiveFourGroupsAGapAndEightCharacters)
{
    THexLayout layout = BuilderLayout();
    ASSERT_EQ(layout.ColumnCount(), 27);
    int wide = 0;
    for (int column = 2; column < 18; ++column) {
        THexLayout::TCell cell = layout.CellAt(column);
        EXPECT_EQ(cell.Kind, THexLayout::TCell::Digit);
        EXPECT_EQ(cell.Byte, (column - 2) / 2);
        if (layout.ColumnUnits(column, 2) == 2) {
            ++wide;
            // The wide column closes a group of two bytes: its fourth digit.
            EXPECT_EQ((column - 2) % 4, 3) << column;
        }
    }
    EXPECT_EQ(wide, 4);
    EXPECT_EQ(layout.CellAt(18).Kind, THexLayout::TCell::Gap);
    for (int column = 19; column < 27; ++column) {
        EXPECT_EQ(layout.CellAt(column).Kind, THexLayout::TCell::Char);
        EXPECT_EQ(layout.CellAt(column).Byte, column - 19);
    }
}

struct OffsetRow {
    TOffsetDisplayStyle Style;
    int64_t Size;
    int64_t Offset;
    const char* Text;
};

void PrintTo(const OffsetRow& row, std::ostream* os)
{
    *os << row.Text;
}

class OffsetTextTest : public ::testing::TestWithParam<OffsetRow> {};

TEST_P(OffsetTextTest, OffsetsShareTheLengthOfTheLastRowsOffset)
{
    const OffsetRow& row = GetParam();
    THexLayout layout;
    layout.BytesPerLine = 16;
    layout.OffsetDisplay = row.Style;
    EXPECT_EQ(layout.OffsetText(row.Offset, layout.OffsetLength(row.Size)), QString::fromLatin1(row.Text));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, OffsetTextTest,
                         ::testing::Values(OffsetRow{odHex, 4096, 16, "0x010:"}, OffsetRow{odHex, 1, 0, "0x0:"},
                                           OffsetRow{odDec, 4096, 16, "  16:"},
                                           OffsetRow{odOctal, 4096, 16, "o 00020:"},
                                           OffsetRow{odNone, 4096, 16, " "}));
// clang-format on

TEST(HexCellsTest, ByteShowsItsTwoDigitsAndItsCharacter)
{
    EXPECT_EQ(THexLayout::Digit(0x41, true), QChar(u'4'));
    EXPECT_EQ(THexLayout::Digit(0x41, false), QChar(u'1'));
    EXPECT_EQ(ByteToChar(0x41, ttASCII, true, u'.'), QChar(u'A'));
    EXPECT_EQ(THexLayout::Digit(0xAF, false), QChar(u'F'));
}

TEST(HexCellsTest, TabAndHighBytesAreMaskedInAscii)
{
    EXPECT_EQ(ByteToChar(0x09, ttASCII, true, u'.'), QChar(u'.'));
    EXPECT_EQ(ByteToChar(0xE9, ttASCII, true, u'.'), QChar(u'.'));
    // The DOS and ANSI pages show 0xE9 as their own letters.
    EXPECT_EQ(ByteToChar(0xE9, ttDos8, true, u'.'), QChar(0x0398));
    EXPECT_EQ(ByteToChar(0xE9, ttAnsi, true, u'.'), QChar(0x00E9));
    EXPECT_EQ(ByteToChar(0x09, ttAnsi, false, u'.'), QChar(0x09));
    EXPECT_EQ(ByteToChar(0xC1, ttEBCDIC, true, u'.'), QChar(u'A'));
    EXPECT_EQ(ByteToChar(0x8E, ttMac, true, u'.'), QChar(0x00E9));
}

TEST(HexCellsTest, TypedCharactersGoBackThroughTheSameTable)
{
    for (TTranslationType type : {ttAnsi, ttDos8, ttMac, ttEBCDIC}) {
        for (int byte = 0x40; byte < 0x100; ++byte) {
            QChar shown = ByteToChar(uint8_t(byte), type, false, u'.');
            int back = CharToByte(shown, type);
            if (back >= 0) {
                EXPECT_EQ(ByteToChar(uint8_t(back), type, false, u'.'), shown) << type << " " << byte;
            }
        }
    }
    EXPECT_EQ(CharToByte(u'A', ttASCII), 0x41);
    EXPECT_EQ(CharToByte(QChar(0xE9), ttASCII), -1);
    EXPECT_EQ(CharToByte(QChar(0x09), ttAnsi), -1);
}

}
