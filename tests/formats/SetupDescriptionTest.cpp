#include "formats/SetupDescription.h"

#include "common/Exception.h"
#include "formats/MemberName.h"
#include "formats/SetupFileReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// One file into %CE1%\Firm\App, a shortcut in %CE11%, one DWORD under HKLM,
// for a StrongARM Pocket PC: the reference example of the format, 261 bytes.
TSetupDescription ReferenceExample()
{
    TSetupDescription d;
    d.FAppName = "App";
    d.FProvider = "Firm";
    d.FUnsupported = {"HPC", "JUPITER"};
    d.FProcessor = 2577;
    d.FVersionMinMajor = 3;
    d.FVersionMaxMajor = 100;
    d.FWord16 = 1;
    d.FDirectories = {{{"%CE1%", "Firm", "App"}}};
    d.FFiles = {{1, 1, 0x40000000, "app.exe"}};
    d.FHives = {{3, {"Software", "Firm", "App"}}};
    d.FValues = {{1, false, 0x00010001, "Count", {0x1F, 0, 0, 0}}};
    d.FLinks = {{0, 11, 1, true, {"My App.lnk"}}};
    return d;
}

const char* const ReferenceBytes =
    "4D 53 43 45 00 00 00 00 05 01 00 00 00 00 00 00 01 00 00 00 11 0A 00 00 03 00 00 00 00 00 00 00 "
    "64 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 00 01 00 01 00 01 00 01 00 01 00 7A 00 00 00 "
    "B1 00 00 00 BD 00 00 00 D1 00 00 00 E1 00 00 00 F7 00 00 00 64 00 04 00 68 00 05 00 6D 00 0D 00 "
    "00 00 00 00 41 70 70 00 46 69 72 6D 00 48 50 43 00 4A 55 50 49 54 45 52 00 00 01 00 06 00 25 43 "
    "45 31 25 00 02 00 05 00 46 69 72 6D 00 03 00 04 00 41 70 70 00 04 00 09 00 53 6F 66 74 77 61 72 "
    "65 00 05 00 0B 00 4D 79 20 41 70 70 2E 6C 6E 6B 00 01 00 08 00 01 00 02 00 03 00 00 00 01 00 01 "
    "00 01 00 00 00 00 40 08 00 61 70 70 2E 65 78 65 00 01 00 03 00 00 00 08 00 04 00 02 00 03 00 00 "
    "00 01 00 01 00 00 00 01 00 01 00 0A 00 43 6F 75 6E 74 00 1F 00 00 00 01 00 00 00 0B 00 01 00 01 "
    "00 02 00 05 00";

TEST(SetupDescriptionTest, WritesTheReferenceExampleByteForByte)
{
    EXPECT_EQ(HexDump(ReferenceExample().Write()), ReferenceBytes);
}

TEST(SetupDescriptionTest, ReaderGivesBackEveryField)
{
    TSetupDescription d = ReferenceExample();
    d.FBuildMax = 0xE0000000;
    d.FVersionMinMinor = 2;
    d.FValues.push_back({1, true, 0x00000002, "", {'%', 'C', 'E', '1', '%', 0}});
    d.FLinks.push_back({1, 0, 0, false, {"Sub", "Folder.lnk"}});
    std::vector<uint8_t> bytes = d.Write();
    TSetupDescription r = ReadSetupDescription(bytes);
    EXPECT_EQ(r.FAppName, "App");
    EXPECT_EQ(r.FUnsupported, d.FUnsupported);
    EXPECT_EQ(r.FBuildMax, 0xE0000000u);
    EXPECT_EQ(r.FVersionMinMinor, 2u);
    ASSERT_EQ(r.FValues.size(), 2u);
    EXPECT_TRUE(r.FValues[1].FSubstitute);
    EXPECT_EQ(r.FValues[1].FName, "");
    EXPECT_EQ(r.FValues[1].FData, d.FValues[1].FData);
    ASSERT_EQ(r.FLinks.size(), 2u);
    EXPECT_EQ(r.FLinks[1].FPath, (std::vector<std::string>{"Sub", "Folder.lnk"}));
    EXPECT_EQ(r.FLinks[1].FDirectoryId, 1);
    EXPECT_FALSE(r.FLinks[1].FTargetIsFile);
    // Same fields, same bytes.
    EXPECT_EQ(r.Write(), bytes);
}

TEST(SetupDescriptionTest, EmptyTablesAndNoUnsupportedPlatforms)
{
    TSetupDescription d;
    d.FAppName = "A";
    std::vector<uint8_t> bytes = d.Write();
    ASSERT_EQ(bytes.size(), 100u + 2 + 1);
    TSetupDescription r = ReadSetupDescription(bytes);
    EXPECT_TRUE(r.FUnsupported.empty());
    EXPECT_TRUE(r.FFiles.empty());
    // Every empty section points at where it would have started.
    for (int off = 60; off <= 80; off += 4)
        EXPECT_EQ(bytes[off], 103) << off;
}

TEST(SetupDescriptionTest, RefusesWhatItsFieldsCannotHold)
{
    TSetupDescription tooManyFiles;
    tooManyFiles.FFiles.resize(70000, TSetupFile{1, 1, 0, "a"});
    EXPECT_THROW(tooManyFiles.Write(), Exception);

    TSetupDescription longName;
    longName.FAppName.assign(70000, 'x');
    EXPECT_THROW(longName.Write(), Exception);

    TSetupDescription longValue;
    longValue.FHives = {{3, {"K"}}};
    longValue.FValues = {{1, false, 1, "v", std::vector<uint8_t>(70000, 0)}};
    EXPECT_THROW(longValue.Write(), Exception);
}

TEST(SetupFileReaderTest, EveryTruncationOrBadLengthFailsCleanly)
{
    TSetupDescription d = ReferenceExample();
    std::vector<uint8_t> bytes = d.Write();
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_THROW(ReadSetupDescription(cut), Exception) << n;
    }
    // A count that runs past the end, with the size field still right.
    std::vector<uint8_t> bad = bytes;
    bad[52] = 0xFF;
    EXPECT_THROW(ReadSetupDescription(bad), Exception);
}

struct NameCase {
    const char* Source;
    int Number;
    const char* Expected;
};

class MemberNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(MemberNameTest, FollowsTheEightThreeHabit)
{
    EXPECT_EQ(MemberName(GetParam().Source, GetParam().Number), GetParam().Expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Names, MemberNameTest,
                         ::testing::Values(NameCase{"app.exe", 1, "00000app.001"},
                                           NameCase{"Blkjack.exe", 5, "0Blkjack.005"},
                                           NameCase{"Sample.BJL", 4, "00Sample.004"},
                                           NameCase{"Win Game.wav", 3, "WINGAM~1.003"},
                                           NameCase{"Blackjack Help.htp", 1, "BLACKJ~1.001"},
                                           NameCase{"setup.dll", 999, "000setup.999"},
                                           NameCase{"a.b.c", 12, "AB~1.012"},
                                           NameCase{"\xE9t\xE9.txt", 2, "T~1.002"}, // no 8-bit bytes
                                           NameCase{"README", 998, "00README.998"}));
// clang-format on

} // namespace
