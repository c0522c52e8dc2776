#include "model/Platforms.h"

#include <gtest/gtest.h>

namespace {

TEST(Platforms, CodesParseExactlyAndCaseSensitively)
{
    TPlatform p = plHPC;
    EXPECT_TRUE(CodeToPlatform("", p));
    EXPECT_EQ(p, plAll);
    EXPECT_TRUE(CodeToPlatform("PPC2K", p));
    EXPECT_EQ(p, plPPC2K);
    EXPECT_FALSE(CodeToPlatform("hpc", p));
    EXPECT_FALSE(CodeToPlatform("HPC ", p));

    TProcessor c = pAll;
    EXPECT_TRUE(CodeToProcessor("0", c));
    EXPECT_EQ(c, pCEF);
    EXPECT_TRUE(CodeToProcessor("2577", c));
    EXPECT_EQ(c, pStrongARM);
    EXPECT_TRUE(CodeToProcessor("", c));
    EXPECT_EQ(c, pAll);
    EXPECT_FALSE(CodeToProcessor("9999", c));
}

TEST(Platforms, EveryCodeRoundTrips)
{
    for (int i = 0; i <= plAll; ++i) {
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
    EXPECT_EQ(AllPlatforms.Bits(), 0x00FF);
    EXPECT_EQ(PocketPlatforms, (TPlatforms{plPPC201, plPPC211, plPPC300, plPPC2K, plWM2003}));
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
