#pragma once

// The device sections of a CAB Wizard .inf as the CAB tool sees them: one
// target per label (plus the plain sections' own target where they make
// one), each with its [DefaultInstall] keys, source disks, processor and the
// platforms of the model its [CEDevice] range stands for.

#include "import/ImportReport.h"
#include "model/Platforms.h"

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TInfFile;
struct TInfLine;

struct TInfTarget {
    std::string FLabel; // empty for the plain sections
    TPlatforms FPlatforms = AllPlatforms;
    TProcessor FProcessor = pAll;
    // [DefaultInstall] then [DefaultInstall.label] over it, by lower-case key.
    std::map<std::string, const TInfLine*> FInstall;
    // Lower-case source name -> (disk, subfolder); disk -> source folder as
    // written. The labelled entries win.
    std::unordered_map<std::string, std::pair<std::string, std::string>> FDiskFiles;
    std::unordered_map<std::string, std::string> FDiskNames;
    // The places of each lower-case source name in [SourceDisksFiles]: the
    // builder lists a section's files there in the project's order.
    std::unordered_map<std::string, std::vector<size_t>> FDiskFileOrder;

    // The names a [DefaultInstall] key lists (CopyFiles, AddReg ...).
    std::vector<std::string> InstallList(const TInfFile& inf, const std::string& key) const;
    // The line of that key, 0 without one.
    int InstallLine(const std::string& key) const;
};

// Fails with Exception when the text is no CAB Wizard .inf or a label names
// no section. Labels empty: every label of the .inf.
std::vector<TInfTarget> InfTargets(const TInfFile& inf, const std::vector<std::string>& labels, TImportReport& report);

// Decimal, or hexadecimal after "0x", up to 32 bits.
bool ParseInfNumber(const std::string& text, uint32_t& value);
// "HKLM", "HKCU", "HKCR" for a registry root of an .inf line (short or long
// form); empty for another.
std::string RegistryHive(const std::string& root);
std::string RegistryHiveName(const std::string& hive);
