#include "model/Builds.h"

#include "common/DebugTrace.h"
#include "model/ValueEncoding.h"

#include <algorithm>

std::string TPlatformProcPair::GetPairName() const
{
    std::string name = PlatformToCode(FPlatform);
    if (FProcessor != pAll)
        name = name.empty() ? ProcessorToCode(FProcessor) : name + "_" + ProcessorToCode(FProcessor);
    return name;
}

TBuild::TBuild() : FLanguages(std::make_unique<TLanguages>())
{
}

TBuild::~TBuild() = default;

void TBuild::SetDefaultLanguage(int32_t language)
{
    FDefaultLanguage = language;
    if (!FLanguages->Find(language))
        FDefaultLanguage = FLanguages->Count() > 0 ? FLanguages->Items(0)->FLanguage : 0;
}

void TBuild::AddPair(std::unique_ptr<TPlatformProcPair> pair)
{
    if (pair)
        FPairs.push_back(std::move(pair));
}

const TPlatformProcPair* TBuild::GetPair(int index) const
{
    if (index < 0 || index >= PairCount()) {
        DebugTrace("TBuild: pair index " + std::to_string(index) + " out of range");
        return nullptr;
    }
    return FPairs[static_cast<size_t>(index)].get();
}

bool TBuild::HasPair(const TPlatformProcPair& pair) const
{
    return std::any_of(FPairs.begin(), FPairs.end(), [&](const auto& p) {
        return p->FPlatform == pair.FPlatform && p->FProcessor == pair.FProcessor;
    });
}

void TBuild::SaveToStream(TStream& stream, bool withSigning) const
{
    StreamWriteString(stream, FName);
    StreamWriteInteger(stream, PairCount());
    StreamWriteBoolean(stream, FAllInOne);
    for (const auto& pair : FPairs) {
        StreamWriteInteger(stream, pair->FPlatform);
        StreamWriteInteger(stream, pair->FProcessor);
    }
    StreamWriteInteger(stream, FLanguages->Count());
    for (int i = 0; i < FLanguages->Count(); ++i)
        StreamWriteInteger(stream, FLanguages->Items(i)->FLanguage);
    StreamWriteInteger(stream, FDefaultLanguage);
    StreamWriteInteger(stream, FSetupType);
    StreamWriteInteger(stream, FSfxMode);
    StreamWriteBoolean(stream, FShowWelcome);
    StreamWriteBoolean(stream, FShowEULA);
    StreamWriteBoolean(stream, FShowFinish);
    if (withSigning)
        StreamWriteBoolean(stream, FSignForDevice);
}

void TBuild::LoadFromStream(TStream& stream, bool withSigning)
{
    // The pair count stands before the flag although the pairs follow it.
    FName = StreamReadString(stream);
    int32_t pairCount = StreamReadInteger(stream);
    FAllInOne = StreamReadBoolean(stream);
    // Counts are not trusted for allocation: each element is read (and so
    // checked against the stream) before it is stored.
    FPairs.clear();
    for (int32_t i = 0; i < pairCount; ++i) {
        auto platform = static_cast<TPlatform>(static_cast<uint8_t>(StreamReadInteger(stream)));
        auto processor = static_cast<TProcessor>(static_cast<uint8_t>(StreamReadInteger(stream)));
        FPairs.push_back(std::make_unique<TPlatformProcPair>(platform, processor));
    }
    FLanguages->Clear();
    int32_t languageCount = StreamReadInteger(stream);
    for (int32_t i = 0; i < languageCount; ++i)
        FLanguages->Add()->FLanguage = StreamReadInteger(stream);
    SetDefaultLanguage(StreamReadInteger(stream));
    FSetupType = static_cast<uint8_t>(StreamReadInteger(stream));
    FSfxMode = StreamReadInteger(stream);
    FShowWelcome = StreamReadBoolean(stream);
    FShowEULA = StreamReadBoolean(stream);
    FShowFinish = StreamReadBoolean(stream);
    FSignForDevice = withSigning && StreamReadBoolean(stream);
}

void TBuilds::Remove(const TBuild* build)
{
    if (!TOwningList<TBuild>::Remove(build))
        DebugTrace("TBuilds::Remove: the build is not in the list");
}

void TBuilds::LoadFromStream(TStream& stream, bool withSigning)
{
    Clear();
    LoadItems(stream, [withSigning](TStream& s) {
        auto build = std::make_unique<TBuild>();
        build->LoadFromStream(s, withSigning);
        return build;
    });
}

void TBuilds::SaveToStream(TStream& stream, bool withSigning) const
{
    StreamWriteInteger(stream, Count());
    for (const auto& build : FItems)
        build->SaveToStream(stream, withSigning);
}

bool TBuilds::AnySignsForDevice() const
{
    return std::any_of(FItems.begin(), FItems.end(), [](const auto& build) { return build->SignForDevice(); });
}
