#include "formats/InfFile.h"

#include "common/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(InfFileTest, SectionsAndKeysIgnoreCaseAndSameNamedSectionsMerge)
{
    TInfFile inf;
    inf.LoadFromText(
        "; leading comment\r\nignored=before any section\r\n[Version]\r\nSignature = \"$Windows NT$\"\r\n"
        "[cedevice.PPC300_2577]\r\nProcessorType = 2577    ;StrongARM\r\n"
        "[CEDevice.ppc300_2577]\nVersionMin=3.00\n");
    ASSERT_NE(inf.Section("version"), nullptr);
    const auto* device = inf.Section("CEDEVICE.PPC300_2577");
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->size(), 2u);
    EXPECT_EQ((*device)[0].FValue, "2577");
    EXPECT_EQ(inf.Find("CEDevice.PPC300_2577", "versionmin")->FValue, "3.00");
    EXPECT_EQ(inf.Section("Missing"), nullptr);
}

TEST(InfFileTest, QuotesProtectCommentsAndEqualsSigns)
{
    TInfFile inf;
    inf.LoadFromText("[Files]\n\"a;b=c.exe\",,,0x40000000 ; copied always\n[SourceDisksFiles]\n\"app.exe\" = 1\n");
    const auto& line = inf.Section("Files")->front();
    EXPECT_FALSE(line.FHasKey);
    EXPECT_EQ(inf.Fields(line.FText, false), (std::vector<std::string>{"a;b=c.exe", "", "", "0x40000000"}));
    EXPECT_EQ(inf.Section("SourceDisksFiles")->front().FKey, "app.exe");
}

TEST(InfFileTest, RootInstallDirIsAValueNotAContinuation)
{
    TInfFile inf;
    inf.LoadFromText(
        "[CEStrings]\r\nAppName = \"App\"\r\nInstallDir=\\\r\n\r\n[DestinationDirs]\r\n"
        "Files1=0,%InstallDir%\r\nLong=0,%CE1%, \\\r\n  more\r\n");
    EXPECT_EQ(inf.Find("CEStrings", "InstallDir")->FValue, "\\");
    EXPECT_NE(inf.Section("DestinationDirs"), nullptr);
    // A blank before the backslash does continue the line.
    EXPECT_EQ(inf.Find("DestinationDirs", "Long")->FValue, "0,%CE1%, more");
}

TEST(InfFileTest, BackslashRightAfterTextContinuesTheLine)
{
    // As authors write long binary registry values, with a tab before the rest.
    TInfFile inf;
    inf.LoadFromText(
        "[Reg]\r\nHKCU,Software\\Example\\Viewer,KeymapDef,0x00000003,00,10,41,00,04,10\\\r\n"
        "\t,00,00,00,00,11,10,77,00\r\nHKCU,Software\\Example,Next,0x00010001,1\r\n");
    const auto* reg = inf.Section("Reg");
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg->size(), 2u);
    EXPECT_EQ((*reg)[0].FValue,
              "HKCU,Software\\Example\\Viewer,KeymapDef,0x00000003,00,10,41,00,04,10,00,00,00,00,11,10,77,00");
    EXPECT_EQ((*reg)[0].FLineNo, 2);
    EXPECT_EQ((*reg)[1].FLineNo, 4);
}

struct FieldsCase {
    const char* Value;
    std::vector<std::string> Expected;
};

class InfFieldsTest : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(InfFieldsTest, SplitsAndSubstitutes)
{
    TInfFile inf;
    inf.LoadFromText(
        "[CEStrings]\nAppName = \"My App\"\nInstallDir=%CE1%\\Firm\\%AppName%\n"
        "[Strings]\nFirm = \"Firm, Inc.\"\nloop=%loop%\n");
    EXPECT_EQ(inf.Fields(GetParam().Value, false), GetParam().Expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Values, InfFieldsTest,
    ::testing::Values(FieldsCase{"", {}}, FieldsCase{"a , b ,c", {"a", "b", "c"}},
                      FieldsCase{"\" padded \" , x", {" padded ", "x"}},
                      FieldsCase{"\"say \"\"hi\"\"\",", {"say \"hi\"", ""}},
                      FieldsCase{"0,%InstallDir%\\bin", {"0", "%CE1%\\Firm\\My App\\bin"}},
                      FieldsCase{"%Firm%", {"Firm, Inc."}}, FieldsCase{"%firm%", {"Firm, Inc."}},
                      FieldsCase{"%CE11%\\%Unknown%", {"%CE11%\\%Unknown%"}},
                      FieldsCase{"100%% sure, 50%", {"100% sure", "50%"}},
                      FieldsCase{"%loop%", {"%loop%"}}));
// clang-format on

TEST(InfFileTest, InstallDirCanStaySymbolic)
{
    TInfFile inf;
    inf.LoadFromText("[CEStrings]\nInstallDir=%CE1%\\App\n");
    EXPECT_EQ(inf.Substitute("%InstallDir%\\x.exe", true), "%InstallDir%\\x.exe");
    EXPECT_EQ(inf.Substitute("%InstallDir%\\x.exe", false), "%CE1%\\App\\x.exe");
}

TEST(InfFileTest, KeysThatNameEachOtherManyTimesOverFailInsteadOfGrowingWithoutBound)
{
    // Eight references a level, eight levels deep: 8^8 replacements unchecked.
    TInfFile inf;
    inf.LoadFromText("[Strings]\na=%b%%b%%b%%b%%b%%b%%b%%b%\nb=%a%%a%%a%%a%%a%%a%%a%%a%\nc=%d%%d%\nd=x\n");
    EXPECT_EQ(inf.Substitute("%c%", false), "xx");
    try {
        inf.Substitute("%a%", false);
        FAIL() << "expected an error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("name each other too often"), std::string::npos) << e.what();
    }
}

TEST(InfFileTest, TextAfterFieldHonoursQuotes)
{
    EXPECT_EQ(TInfFile::TextAfterField("HKLM,\"a,b\", \"n\",0x0, x, y", 4), " x, y");
    EXPECT_EQ(TInfFile::TextAfterField("a,b", 4), "");
}

} // namespace

namespace {

std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        char hi = char(c >> 8), lo = char(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

std::string ErrorOfDecode(const std::string& bytes)
{
    try {
        TInfFile::DecodeText(bytes);
        return std::string();
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(InfFileTest, WhatWindowsEditorsSaveIsReadAsWindows1252)
{
    const std::string ansi = "[Version]\r\nProvider = \"Caf\xE9 \x80\"\r\n";
    const std::u16string wide = u"[Version]\r\nProvider = \"Caf\u00E9 \u20AC\"\r\n";
    const std::string utf8 = "[Version]\r\nProvider = \"Caf\xC3\xA9 \xE2\x82\xAC\"\r\n";
    EXPECT_EQ(TInfFile::DecodeText(ansi), ansi);
    EXPECT_EQ(TInfFile::DecodeText(utf8), ansi);
    EXPECT_EQ(TInfFile::DecodeText("\xEF\xBB\xBF" + utf8), ansi);
    EXPECT_EQ(TInfFile::DecodeText(Utf16(wide, false)), ansi);
    EXPECT_EQ(TInfFile::DecodeText(Utf16(wide, true)), ansi);
    EXPECT_EQ(TInfFile::DecodeText("\xEF\xBB\xBF[Version]\r\n"), "[Version]\r\n");

    EXPECT_EQ(ErrorOfDecode(Utf16(u"[Version]\r\nProvider = \"\u4E2D\"\r\n", false)),
              "The character U+4E2D in line 2 has no Windows-1252 form");
    EXPECT_EQ(ErrorOfDecode("[Version]\nA=1\nProvider = \"\xE4\xB8\xAD\"\n"),
              "The character U+4E2D in line 3 has no Windows-1252 form");
}

} // namespace
