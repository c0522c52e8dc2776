#include "model/Platforms.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace {

// What the code parses to, or nothing when the parser refuses it; the
// result must not depend on what the variable held before.
template <typename T>
std::optional<T> Parsed(bool (*parse)(const std::string&, T&), const std::string& code, T before, T otherBefore)
{
    T parsed = before;
    T other = otherBefore;
    bool accepted = parse(code, parsed);
    EXPECT_EQ(parse(code, other), accepted) << code;
    if (!accepted)
        return std::nullopt;
    EXPECT_EQ(parsed, other) << code;
    return parsed;
}

TEST(Platforms, CodesParseExactlyAndCaseSensitively)
{
    using TPlatformRow = std::pair<const char*, std::optional<TPlatform>>;
    for (auto [code, expected] : {TPlatformRow{"", plAll}, TPlatformRow{"PPC2K", plPPC2K},
                                  TPlatformRow{"hpc", std::nullopt}, TPlatformRow{"HPC ", std::nullopt}})
        EXPECT_EQ(Parsed(CodeToPlatform, code, plHPC, plAll), expected) << code;

    using TProcessorRow = std::pair<const char*, std::optional<TProcessor>>;
    for (auto [code, expected] : {TProcessorRow{"0", pCEF}, TProcessorRow{"2577", pStrongARM}, TProcessorRow{"", pAll},
                                  TProcessorRow{"9999", std::nullopt}})
        EXPECT_EQ(Parsed(CodeToProcessor, code, pAll, pCEF), expected) << code;
}

TEST(Platforms, EveryCodeRoundTrips)
{
    for (int i = 0; i <= plWM65; ++i) {
        TPlatform p;
        ASSERT_TRUE(CodeToPlatform(PlatformToCode(TPlatform(i)), p));
        EXPECT_EQ(p, i);
    }
    for (int i = 0; i < ProcessorCount; ++i) {
        TProcessor p;
        ASSERT_TRUE(CodeToProcessor(ProcessorToCode(TProcessor(i)), p));
        EXPECT_EQ(p, i);
    }
    EXPECT_EQ(PlatformToCode(plAll), "");
    EXPECT_EQ(ProcessorToCode(pAll), "");
}

TEST(Platforms, InfTextsAreLiteral)
{
    std::string hpc = PlatformUnsupportedList(plHPC);
    EXPECT_EQ(hpc.size(), 30u);
    EXPECT_EQ(hpc.front(), '"');
    EXPECT_EQ(hpc.back(), '"');
    EXPECT_EQ(PlatformUnsupportedList(plWM2003), "\"HPC\",\"Jupiter\",\"Palm PC2\"");
    EXPECT_EQ(PlatformUnsupportedList(plAll), "");
    EXPECT_EQ(PlatformVersionMin(plWM2003), "4.2");
    EXPECT_EQ(PlatformVersionMax(plPPC201), "2.10");
    EXPECT_EQ(PlatformToName(plHPC2000), "Handhel PC 2000");
    EXPECT_EQ(PlatformToCaption(plPPC300), "PocketPC");
}

TEST(Platforms, SetsAndNamedConstants)
{
    EXPECT_EQ(AllPlatforms, LegacyAllPlatforms + LaterPlatforms);
    EXPECT_EQ(LaterPlatforms, (TPlatforms{plWM5, plWM6, plWM65}));
    EXPECT_EQ(LegacyAllPlatforms.Bits(), 0x00FF);
    EXPECT_EQ(PocketPlatforms, (TPlatforms{plPPC201, plPPC211, plPPC300, plPPC2K, plWM2003, plWM5, plWM6, plWM65}));
    for (TPlatform p : PlatformList)
        EXPECT_TRUE(AllPlatforms.Contains(p) && IsRealPlatform(p)) << int(p);
    EXPECT_FALSE(IsRealPlatform(plAll) || IsRealPlatform(plWM65 + 1));
    EXPECT_FALSE(AllPlatforms.Contains(plAll));
    EXPECT_EQ(AllProcessorsSet.Count(), 13);
    TPlatforms s{plHPC, plPPC300};
    EXPECT_TRUE(s.Intersects(PocketPlatforms));
    EXPECT_FALSE((TPlatforms{plHPC, plHPCPro, plHPC2000}).Intersects(PocketPlatforms));
}

TEST(Platforms, RegistryTypesAndSystemFolders)
{
    EXPECT_EQ(ValueTypeToName(0), "REG_SZ");
    EXPECT_EQ(ValueTypeToName(1), "REG_BINARY");
    EXPECT_EQ(ValueTypeToName(0x10000), "REG_MULTI_SZ");
    EXPECT_EQ(ValueTypeToName(0x10001), "REG_DWORD");
    EXPECT_EQ(ValueTypeToName(2), "");
    EXPECT_EQ(SystemFolderText(0), "Not System");
    EXPECT_EQ(SystemFolderText(17), "%CE17%");
    EXPECT_EQ(SystemFolderText(18), "");
    EXPECT_EQ(SystemFolderMacro(0), "");
}

}
