#include "package/InfParser.h"

#include "common/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct PairCase {
    std::string Line;
    TPlatform Platform;
    TProcessor Processor;
};

class InfParserPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(InfParserPairTest, ReadsThePairFromTheSectionName)
{
    std::vector<std::string> lines = {"[Version]", GetParam().Line, "ProcessorType = 2577    ;StrongARM", ""};
    TInfParser parser;
    parser.SetLines(lines);
    std::vector<std::unique_ptr<TPlatformProcPair>> pairs;
    parser.Parse(pairs);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0]->FPlatform, GetParam().Platform);
    EXPECT_EQ(pairs[0]->FProcessor, GetParam().Processor);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sections, InfParserPairTest,
    ::testing::Values(PairCase{"[CEDevice]", plAll, pAll}, PairCase{"[CEDevice.HPC2000]", plHPC2000, pAll},
                      PairCase{"[CEDevice.10003]", plAll, pHitachiSH3},
                      PairCase{"[CEDevice.PPC2K_2577]", plPPC2K, pStrongARM},
                      PairCase{"[CEDevice.PPC300_10003]", plPPC300, pHitachiSH3},
                      PairCase{"[CEDevice.0]", plAll, pCEF}, PairCase{"[CEDevice.WM2003]", plWM2003, pAll},
                      // A head with blanks around it or a comment after it.
                      PairCase{"  [CEDevice.HPC_4000]  ; MIPS", plHPC, pMIPSR4000}));
// clang-format on

TEST(InfParserTest, KeepsTheOrderOfTheLinesAndSkipsOtherSections)
{
    std::vector<std::string> lines = {"[CEDevice.PPC300_2577]", "[SourceDisksNames.PPC300_2577]",
                                      "[CEDevice.PPC300_10003]", "[DefaultInstall.PPC300_10003]", "[CEDevice]"};
    TInfParser parser;
    parser.SetLines(lines);
    std::vector<std::unique_ptr<TPlatformProcPair>> pairs;
    pairs.push_back(std::make_unique<TPlatformProcPair>(plHPC, pAll)); // appended to, not replaced
    parser.Parse(pairs);
    std::vector<std::string> names;
    for (const auto& p : pairs)
        names.push_back(p->GetPairName());
    EXPECT_EQ(names, (std::vector<std::string>{"HPC", "PPC300_2577", "PPC300_10003", ""}));
}

TEST(InfParserTest, UnknownCodesGiveNoPairAndATrace)
{
    TraceRecorder trace;
    std::vector<std::string> lines = {"[CEDevice.XYZ]", "[CEDevice.PPC300_9999]", "[CEDevice.ppc300]"};
    TInfParser parser;
    parser.SetLines(lines);
    std::vector<std::unique_ptr<TPlatformProcPair>> pairs;
    parser.Parse(pairs);
    EXPECT_TRUE(pairs.empty());
    EXPECT_EQ(trace.Messages().size(), 3u);
}

TEST(InfParserTest, WithoutLinesFails)
{
    TInfParser parser;
    std::vector<std::unique_ptr<TPlatformProcPair>> pairs;
    try {
        parser.Parse(pairs);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "No inf files available for parsing.");
    }
}

} // namespace
