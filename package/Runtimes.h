#pragma once

// The device runtimes that applications of some Windows CE development tools
// need (Visual Basic, OLE, MFC, ADO CE): which files each family has, for
// which platforms and processors, and the SDK folder of the author's desktop
// each comes from.

#include "model/Files.h"
#include "model/Platforms.h"

#include <memory>
#include <string>
#include <vector>

// Family numbers.
inline constexpr int rtVisualBasic = 0;
inline constexpr int rtOleCE = 1;
inline constexpr int rtMFC = 2;
inline constexpr int rtAdoCE = 3;
inline constexpr int RuntimeFamilyCount = 4;

// The SDK folder (ending with "\") of the family's files for the target, or
// empty when the family has none there.
std::string RuntimeFolder(int family, TPlatform platform, TProcessor processor);
// The platforms offered for the family, in the order the wizard lists them.
TPlatformArray RuntimePlatforms(int family);
// The processors offered for the family on the platform.
TProcessorsArray RuntimeProcessors(int family, TPlatform platform);
// The family's files as new project files for the target: source folder
// the SDK folder, copy mode "Always update older file"; the Visual Basic
// DLLs register themselves. Empty when RuntimeFolder is.
std::vector<std::unique_ptr<TFile>> RuntimeFiles(int family, TPlatform platform, TProcessor processor);
