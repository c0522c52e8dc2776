#pragma once

// The device vocabulary: platforms, processors, registry value types and the
// standard device folders, with the names the author sees and the codes
// written into .inf files, CAB file names and build pair names.

#include "model/SmallSet.h"

#include <cstdint>
#include <string>
#include <vector>

// The project file stores these ordinals: the Windows Mobile 5.0 and later
// targets came after plAll and take the numbers after it.
enum TPlatform : uint8_t {
    plHPC,
    plHPCPro,
    plPPC201,
    plPPC211,
    plPPC300,
    plHPC2000,
    plPPC2K,
    plWM2003,
    plAll,
    plWM5,
    plWM6,
    plWM65
};
inline constexpr int PlatformCount = 11; // real platforms, plAll excluded
// The real platforms in the order the author sees them (check lists, JSON).
inline constexpr TPlatform PlatformList[PlatformCount] = {plHPC,   plHPCPro, plPPC201, plPPC211, plPPC300, plHPC2000,
                                                          plPPC2K, plWM2003, plWM5,    plWM6,    plWM65};
// True for the ordinal of a real platform (not plAll, not beyond the last).
constexpr bool IsRealPlatform(unsigned ordinal)
{
    return ordinal <= plWM65 && ordinal != plAll;
}

enum TProcessor : uint8_t {
    pAll,
    pARM720,
    pARM820,
    pARM920,
    pCEF,
    pHitachiSH3,
    pHitachiSH4,
    pi486,
    pi586,
    pMIPSR2000,
    pMIPSR3000,
    pMIPSR4000,
    pStrongARM
};
inline constexpr int ProcessorCount = 13; // pAll included

using TPlatforms = TSmallSet<TPlatform>;
using TProcessors = TSmallSet<TProcessor>;
using TProcessorsArray = std::vector<TProcessor>;
using TPlatformArray = std::vector<uint8_t>;

inline constexpr TPlatforms AllPlatforms = TPlatforms::FromBits(0x0EFF);
// What "All Platforms" was before Windows Mobile 5.0: the set a project file
// of format 2 stores for "all".
inline constexpr TPlatforms LegacyAllPlatforms = TPlatforms::FromBits(0x00FF);
inline constexpr TPlatforms LaterPlatforms = TPlatforms{plWM5, plWM6, plWM65};
// The Palm-size and Pocket PC platforms.
inline constexpr TPlatforms PocketPlatforms = TPlatforms::FromBits(0x0EDC);
inline constexpr TProcessors AllProcessorsSet = TProcessors::FromBits(0x1FFF);

std::string PlatformToName(TPlatform platform);
std::string PlatformToCode(TPlatform platform);
// The caption of the platform check lists of the property editors.
std::string PlatformToCaption(TPlatform platform);
bool CodeToPlatform(const std::string& code, TPlatform& platform);
std::string PlatformUnsupportedList(TPlatform platform);
std::string PlatformVersionMin(TPlatform platform);
std::string PlatformVersionMax(TPlatform platform);
// BuildMin / BuildMax of [CEDevice]; empty when the platform sets none.
std::string PlatformBuildMin(TPlatform platform);
std::string PlatformBuildMax(TPlatform platform);

std::string ProcessorToName(TProcessor processor);
std::string ProcessorToCode(TProcessor processor);
bool CodeToProcessor(const std::string& code, TProcessor& processor);

// Registry value type codes; each is also the type part of the CAB Wizard
// registry flags.
inline constexpr uint32_t vtString = 0;
inline constexpr uint32_t vtBinary = 1;
inline constexpr uint32_t vtMultiString = 0x10000;
inline constexpr uint32_t vtDWord = 0x10001;

std::string ValueTypeToName(uint32_t type);

// Standard device folders: number 0 is an ordinary folder, 1 to 17 are the
// folders the device installer resolves through "%CE1%" ... "%CE17%".
inline constexpr int SystemFolderCount = 18;
std::string SystemFolderText(int number); // "Not System", "%CE1%", ... ; empty outside 0..17
std::string SystemFolderMacro(int number); // "%CE<n>%" for 1..17; empty otherwise
