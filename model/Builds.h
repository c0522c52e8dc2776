#pragma once

// Builds: named sets of platform/processor targets with their wizard
// languages and settings; one desktop package is made per build.

#include "common/Stream.h"
#include "model/OwningList.h"
#include "model/Platforms.h"
#include "storage/Languages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One target: the .inf device section and CAB file of a platform and a processor.
class TPlatformProcPair {
public:
    TPlatformProcPair(TPlatform platform, TProcessor processor) : FPlatform(platform), FProcessor(processor) {}

    // "PPC300_2577"; either part is left out when it is "all" ("HPC", "2577", "").
    std::string GetPairName() const;

    TPlatform FPlatform;
    TProcessor FProcessor;
};

class TBuild {
public:
    TBuild();
    ~TBuild();
    TBuild(const TBuild&) = delete;
    TBuild& operator=(const TBuild&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& value) { FName = value; }
    bool AllInOne() const { return FAllInOne; }
    void SetAllInOne(bool value) { FAllInOne = value; }
    uint8_t SetupType() const { return FSetupType; }
    void SetSetupType(uint8_t value) { FSetupType = value; }
    int32_t SfxMode() const { return FSfxMode; }
    void SetSfxMode(int32_t value) { FSfxMode = value; }
    bool ShowWelcome() const { return FShowWelcome; }
    void SetShowWelcome(bool value) { FShowWelcome = value; }
    bool ShowEULA() const { return FShowEULA; }
    void SetShowEULA(bool value) { FShowEULA = value; }
    bool ShowFinish() const { return FShowFinish; }
    void SetShowFinish(bool value) { FShowFinish = value; }
    // Signs the build's programs, setup DLLs and CAB files for the device
    // with the builder's device certificate.
    bool SignForDevice() const { return FSignForDevice; }
    void SetSignForDevice(bool value) { FSignForDevice = value; }

    // Stores the id, unless the build lacks that language: then the first
    // of its languages, or 0 when it has none.
    void SetDefaultLanguage(int32_t language);
    int32_t DefaultLanguage() const { return FDefaultLanguage; }

    // Edited directly (clear, add an item and set its id).
    TLanguages& Languages() { return *FLanguages; }
    const TLanguages& Languages() const { return *FLanguages; }

    void ClearPairs() { FPairs.clear(); }
    void AddPair(std::unique_ptr<TPlatformProcPair> pair);
    int PairCount() const { return static_cast<int>(FPairs.size()); }
    const TPlatformProcPair* GetPair(int index) const;
    // True when a pair has the same platform and the same processor.
    bool HasPair(const TPlatformProcPair& pair) const;

    bool ShowsAnyScreen() const { return FShowWelcome || FShowEULA || FShowFinish; }

    // withSigning: the project file's format that stores the device signing
    // flag after the other settings.
    void LoadFromStream(TStream& stream, bool withSigning = false);
    void SaveToStream(TStream& stream, bool withSigning = false) const;

private:
    std::string FName;
    bool FAllInOne = false;
    std::unique_ptr<TLanguages> FLanguages;
    int32_t FDefaultLanguage = 0;
    uint8_t FSetupType = 0; // 0 "Normal", 1 "Modern"
    int32_t FSfxMode = 0; // 0 "No User Interface", 1 "Show Extraction Progress"
    bool FShowWelcome = true;
    bool FShowEULA = true;
    bool FShowFinish = true;
    bool FSignForDevice = false;
    std::vector<std::unique_ptr<TPlatformProcPair>> FPairs;
};

// The builds of a project, in the order added; it owns them.
class TBuilds : public TOwningList<TBuild> {
public:
    // Takes the build out and destroys it; a trace when the list does not
    // hold it.
    void Remove(const TBuild* build);
    // Null (and a trace) for an index outside the list.
    TBuild* GetBuild(int index) const { return Item(index); }

    // Replaces the builds with those read; on failure the list is empty.
    void LoadFromStream(TStream& stream, bool withSigning = false);
    void SaveToStream(TStream& stream, bool withSigning = false) const;
    // True when a build signs for the device: only a later format stores that.
    bool AnySignsForDevice() const;
};
