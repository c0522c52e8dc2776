#include "model/Builds.h"

#include "common/Exception.h"
#include "model/ValueEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> LanguageIds(const TBuild& b)
{
    std::vector<int32_t> ids;
    for (int i = 0; i < b.Languages().Count(); ++i)
        ids.push_back(b.Languages().Items(i)->FLanguage);
    return ids;
}

std::unique_ptr<TBuild> SampleBuild()
{
    auto b = std::make_unique<TBuild>();
    b->SetName("Pocket PCs");
    b->SetAllInOne(true);
    b->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
    b->AddPair(std::make_unique<TPlatformProcPair>(plPPC2K, pAll));
    b->AddPair(std::make_unique<TPlatformProcPair>(plAll, pMIPSR4000));
    b->Languages().Add(9);
    b->Languages().Add(7);
    b->SetDefaultLanguage(7);
    b->SetSetupType(1);
    b->SetSfxMode(1);
    b->SetShowWelcome(false);
    b->SetShowEULA(true);
    b->SetShowFinish(false);
    return b;
}

} // namespace

TEST(PlatformProcPair, PairNames)
{
    struct Case {
        TPlatform platform;
        TProcessor processor;
        const char* name;
    } cases[] = {
        {plAll, pAll, ""},
        {plHPC, pAll, "HPC"},
        {plAll, pStrongARM, "2577"},
        {plPPC300, pStrongARM, "PPC300_2577"},
        {plHPC2000, pMIPSR4000, "HPC2000_4000"},
        {plWM2003, pAll, "WM2003"},
        {plAll, pCEF, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TPlatformProcPair(c.platform, c.processor).GetPairName(), c.name);
}

TEST(Build, SetDefaultLanguageKeepsToTheBuildsLanguages)
{
    TBuild b;
    b.SetDefaultLanguage(12);
    EXPECT_EQ(b.DefaultLanguage(), 0);
    b.Languages().Add(9);
    b.Languages().Add(7);
    b.SetDefaultLanguage(12);
    EXPECT_EQ(b.DefaultLanguage(), 9);
    b.SetDefaultLanguage(7);
    EXPECT_EQ(b.DefaultLanguage(), 7);
}

TEST(Build, HasPairComparesPlatformAndProcessor)
{
    TBuild b;
    b.AddPair(std::make_unique<TPlatformProcPair>(plHPC, pStrongARM));
    EXPECT_TRUE(b.HasPair(TPlatformProcPair(plHPC, pStrongARM)));
    EXPECT_FALSE(b.HasPair(TPlatformProcPair(plHPC, pAll)));
    EXPECT_FALSE(b.HasPair(TPlatformProcPair(plHPCPro, pStrongARM)));
    b.ClearPairs();
    EXPECT_FALSE(b.HasPair(TPlatformProcPair(plHPC, pStrongARM)));
}

// The pair count is written before the flag, the pairs after it.
TEST(Builds, RecordLayout)
{
    TBuilds builds;
    builds.Add(SampleBuild());
    TMemoryStream actual;
    builds.SaveToStream(actual);

    TMemoryStream expected;
    StreamWriteInteger(expected, 1);
    StreamWriteString(expected, "Pocket PCs");
    StreamWriteInteger(expected, 3);
    StreamWriteBoolean(expected, true);
    for (int v : {int(plPPC300), int(pStrongARM), int(plPPC2K), int(pAll), int(plAll), int(pMIPSR4000)})
        StreamWriteInteger(expected, v);
    StreamWriteInteger(expected, 2);
    StreamWriteInteger(expected, 9);
    StreamWriteInteger(expected, 7);
    StreamWriteInteger(expected, 7);
    StreamWriteInteger(expected, 1);
    StreamWriteInteger(expected, 1);
    StreamWriteBoolean(expected, false);
    StreamWriteBoolean(expected, true);
    StreamWriteBoolean(expected, false);
    EXPECT_EQ(HexDump(actual.Data()), HexDump(expected.Data()));
}

TEST(Builds, RoundTrip)
{
    TBuilds builds;
    builds.Add(SampleBuild());
    builds.Add(std::make_unique<TBuild>())->SetName("Empty");
    TMemoryStream first;
    builds.SaveToStream(first);

    TBuilds loaded;
    loaded.Add(std::make_unique<TBuild>())->SetName("discarded");
    first.Seek(0);
    loaded.LoadFromStream(first);
    ASSERT_EQ(loaded.Count(), 2);
    const TBuild* b = loaded.GetBuild(0);
    EXPECT_EQ(b->Name(), "Pocket PCs");
    EXPECT_TRUE(b->AllInOne());
    ASSERT_EQ(b->PairCount(), 3);
    EXPECT_EQ(b->GetPair(2)->GetPairName(), "4000");
    EXPECT_EQ(LanguageIds(*b), (std::vector<int32_t>{9, 7}));
    EXPECT_EQ(b->DefaultLanguage(), 7);
    EXPECT_EQ(b->SetupType(), 1);
    EXPECT_EQ(b->SfxMode(), 1);
    EXPECT_FALSE(b->ShowWelcome());
    EXPECT_TRUE(b->ShowEULA());
    EXPECT_FALSE(b->ShowFinish());
    EXPECT_EQ(loaded.GetBuild(1)->Name(), "Empty");
    EXPECT_TRUE(loaded.GetBuild(1)->ShowsAnyScreen());

    TMemoryStream second;
    loaded.SaveToStream(second);
    EXPECT_EQ(second.Data(), first.Data());

    loaded.Remove(loaded.GetBuild(0));
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.GetBuild(0)->Name(), "Empty");
}

TEST(Builds, LoadCorrectsTheDefaultLanguage)
{
    TMemoryStream s;
    StreamWriteInteger(s, 1);
    StreamWriteString(s, "B");
    StreamWriteInteger(s, 0);
    StreamWriteBoolean(s, false);
    StreamWriteInteger(s, 2);
    StreamWriteInteger(s, 12);
    StreamWriteInteger(s, 10);
    StreamWriteInteger(s, 7); // not among the build's languages
    StreamWriteInteger(s, 0x101); // setup type keeps its low byte
    StreamWriteInteger(s, 5); // an unknown mode is kept as read
    StreamWriteBoolean(s, true);
    StreamWriteBoolean(s, true);
    StreamWriteBoolean(s, true);
    s.Seek(0);
    TBuilds builds;
    builds.LoadFromStream(s);
    ASSERT_EQ(builds.Count(), 1);
    EXPECT_EQ(builds.GetBuild(0)->DefaultLanguage(), 12);
    EXPECT_EQ(builds.GetBuild(0)->SetupType(), 1);
    EXPECT_EQ(builds.GetBuild(0)->SfxMode(), 5);
}

TEST(Builds, BrokenStreamsFailCleanly)
{
    TBuilds builds;
    builds.Add(SampleBuild());
    TMemoryStream full;
    builds.SaveToStream(full);
    const auto& data = full.Data();
    for (size_t cut = 0; cut < data.size(); ++cut) {
        TMemoryStream part(data.data(), cut);
        TBuilds loaded;
        EXPECT_THROW(loaded.LoadFromStream(part), Exception) << "cut at " << cut;
    }

    // A count far beyond the data ends with the data, not with memory.
    TMemoryStream huge;
    StreamWriteInteger(huge, 0x7FFFFFFF);
    StreamWriteString(huge, "B");
    StreamWriteInteger(huge, 0x7FFFFFFF);
    huge.Seek(0);
    TBuilds loaded;
    EXPECT_THROW(loaded.LoadFromStream(huge), Exception);

    // A stream that breaks in its second build leaves not even the first.
    TBuilds two;
    two.Add(SampleBuild());
    two.Add(SampleBuild());
    TMemoryStream saved;
    two.SaveToStream(saved);
    TMemoryStream part(saved.Data().data(), saved.Data().size() - 1);
    TBuilds reloaded;
    reloaded.Add(SampleBuild());
    EXPECT_THROW(reloaded.LoadFromStream(part), Exception);
    EXPECT_EQ(reloaded.Count(), 0);
}

// Asking for what the list does not hold is the caller's fault: a trace,
// and the list stays as it is.
TEST(Builds, IndexesAndBuildsOutsideTheListAreTraced)
{
    TBuilds builds, other;
    TBuild* kept = builds.Add(SampleBuild());
    TBuild* foreign = other.Add(SampleBuild());
    TraceRecorder trace;
    EXPECT_EQ(builds.GetBuild(1), nullptr);
    EXPECT_EQ(builds.GetBuild(-1), nullptr);
    EXPECT_EQ(trace.Messages().size(), 2u);
    builds.Remove(foreign);
    EXPECT_EQ(trace.Count("TBuilds::Remove: the build is not in the list"), 1);
    EXPECT_EQ(builds.GetBuild(0), kept);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(builds.Add(nullptr), nullptr);
    EXPECT_EQ(builds.Count(), 1);
    builds.Remove(kept);
    EXPECT_EQ(builds.Count(), 0);
    EXPECT_EQ(trace.Messages().size(), 3u);
}
