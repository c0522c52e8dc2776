#pragma once

// The CAB Wizard .inf text of a project: a header, one [DestinationDirs]
// section, and per device section (one platform/processor target) the blocks
// that list files, source folders, shortcuts, the setup DLL and registry
// entries. A device section is recognised by the readers of this text
// through a line containing "[CEDevice".

#include "model/Platforms.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TCEShortCut;
class TCEShortcuts;
class TFile;
class TFiles;
class TFolder;
class TProject;
class TRegKey;
class TRegKeys;
class TSetupDLL;
class TSetupDlls;

using TStringList = std::vector<std::string>;

// The suffix that names a target: "PPC300_2577", "HPC2000", "10003" or empty.
std::string SectionSuffix(TPlatform platform, TProcessor processor);

struct TDestinationDir {
    TFolder* FFolder = nullptr; // not owned
    std::string FName;          // "Files1.PPC300_2577", "Shortcuts0"
};

struct TSourceDiskName {
    std::string FPath; // a source folder without trailing separator
    int32_t FIndex = 0;
};

class TDeviceSection {
public:
    TDeviceSection(TPlatform platform, TProcessor processor);

    TPlatform Platform() const { return FPlatform; }
    TProcessor Processor() const { return FProcessor; }
    std::string Suffix() const;

    void SetProject(TProject* project) { FProject = project; }
    // Also sets each file's default folder to the install folder and lays out
    // the destination folders and source disks.
    void SetFiles(std::vector<TFile*> files);
    void SetShortcuts(std::vector<TCEShortCut*> shortcuts);
    void SetRegKeys(std::vector<TRegKey*> keys) { FRegKeys = std::move(keys); }
    void SetSetupDLL(TSetupDLL* dll) { FSetupDLL = dll; }

    const std::vector<TFile*>& Files() const { return FFiles; }
    const std::vector<TDestinationDir>& FileDirs() const { return FFileDirs; }
    const std::vector<TDestinationDir>& ShortcutDirs() const { return FShortcutDirs; }
    const std::vector<TSourceDiskName>& SourceDisks() const { return FSourceDisks; }
    TSetupDLL* SetupDLL() const { return FSetupDLL; }
    const std::vector<TRegKey*>& RegKeys() const { return FRegKeys; }

    TStringList DestinationDirLines() const;
    TStringList CEDeviceLines() const;
    TStringList SourceDisksNamesLines() const;
    TStringList SourceDisksFilesLines() const;
    TStringList DefaultInstallLines() const;
    TStringList FileSectionLines() const;
    TStringList ShortcutSectionLines() const;
    TStringList AddRegistryLines() const;

private:
    std::string SectionName(const std::string& base) const;
    // The 1-based disk of a source folder, or 0 when it has none.
    int SourceDiskNumber(const std::string& folder) const;
    std::string SetupDllSourceDir() const;

    TPlatform FPlatform;
    TProcessor FProcessor;
    std::vector<TFile*> FFiles;
    std::vector<TDestinationDir> FFileDirs;
    std::vector<TDestinationDir> FShortcutDirs;
    std::vector<TSourceDiskName> FSourceDisks;
    // The disk number of each source folder, by its upper-case spelling.
    std::unordered_map<std::string, int> FDiskNumbers;
    std::vector<TCEShortCut*> FShortcuts;
    TSetupDLL* FSetupDLL = nullptr;
    std::vector<TRegKey*> FRegKeys;
    TProject* FProject = nullptr;
};

// Replaces the file list's device sections by one per target of its files,
// in the order they are written.
void PlanDeviceSections(TFiles& files, TCEShortcuts& shortcuts, TSetupDlls& setupDlls, TRegKeys& regKeys,
                        TProject& project);

// Appends the whole .inf text of the project. Fails, before anything is
// appended, when a name, path or registry text holds a character the .inf
// cannot carry unchanged.
void WriteInf(TProject& project, TStringList& lines);

// Replaces the install folder's macro path by "%InstallDir%" in the
// destination lines (registry and source lines keep the full path).
void ReplaceInstallDir(TStringList& lines, const std::string& installPath);

// The copy flags of a file's line: "0x40000000" and the like.
std::string CopyFlagsText(const TFile& file);
