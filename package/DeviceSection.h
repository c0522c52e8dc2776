#pragma once

// One device section of the .inf: the blocks of one (platform, processor)
// target that list its files, source folders, shortcuts, setup DLL and
// registry entries. Sections point into the project they were planned from
// and are read while that project stays unchanged.

#include "model/Platforms.h"

#include <string>
#include <unordered_map>
#include <vector>

class TCEShortCut;
class TFile;
class TFolder;
class TProject;
class TRegKey;
class TSetupDLL;

using TStringList = std::vector<std::string>;

// The suffix that names a target: "PPC300_2577", "HPC2000", "10003" or empty.
std::string SectionSuffix(TPlatform platform, TProcessor processor);

// The copy flags of a file's line: "0x40000000" and the like.
std::string CopyFlagsText(const TFile& file);

struct TDestinationDir {
    const TFolder* FFolder = nullptr; // not owned
    std::string FName; // "Files1.PPC300_2577", "Shortcuts0"
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

    // The project whose install folder receives the files that use the
    // default folder; set before the files.
    void SetProject(const TProject* project) { FProject = project; }
    // Lays out the destination folders and source disks as well.
    void SetFiles(std::vector<const TFile*> files);
    // The source name of each file in the order of Files(): empty for a
    // file listed by its own name, otherwise the name of its copy in
    // stagingDir, which the section then lists as a source disk of its own
    // and names in a rename line ("<name>","<staged name>",,<flags>).
    void SetStagedNames(std::vector<std::string> names, std::string stagingDir);
    void SetShortcuts(std::vector<const TCEShortCut*> shortcuts);
    void SetRegKeys(std::vector<const TRegKey*> keys) { FRegKeys = std::move(keys); }
    void SetSetupDLL(const TSetupDLL* dll) { FSetupDLL = dll; }
    // The folder the setup DLL is taken from instead of its own (its signed
    // copy's); empty: its own.
    void SetSetupDllSourceDir(std::string dir) { FSetupDllDir = std::move(dir); }

    const std::vector<const TFile*>& Files() const { return FFiles; }
    const std::vector<TDestinationDir>& FileDirs() const { return FFileDirs; }
    const std::vector<TDestinationDir>& ShortcutDirs() const { return FShortcutDirs; }
    const std::vector<TSourceDiskName>& SourceDisks() const { return FSourceDisks; }
    const TSetupDLL* SetupDLL() const { return FSetupDLL; }
    const std::vector<const TRegKey*>& RegKeys() const { return FRegKeys; }

    // Where the file goes on the device: the project's install folder when
    // the file uses the default folder, its own folder otherwise.
    const TFolder* FolderOf(const TFile& file) const;

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
    // Numbers the source folders of the files listed by their own names.
    void LayOutSourceDisks();
    bool IsStaged(size_t file) const { return file < FStagedNames.size() && !FStagedNames[file].empty(); }
    // The disk of the staging folder: after the files' and the setup DLL's.
    int StagingDiskNumber() const;
    // The 1-based disk of a source folder, or 0 when it has none.
    int SourceDiskNumber(const std::string& folder) const;
    std::string SetupDllSourceDir() const;

    TPlatform FPlatform;
    TProcessor FProcessor;
    std::vector<const TFile*> FFiles;
    std::vector<TDestinationDir> FFileDirs;
    // Each file's place in FFileDirs, in the order of FFiles.
    std::vector<size_t> FFileDirOf;
    std::vector<TDestinationDir> FShortcutDirs;
    std::vector<TSourceDiskName> FSourceDisks;
    // The disk number of each source folder, by its upper-case spelling.
    std::unordered_map<std::string, int> FDiskNumbers;
    // The disk number of each file, in the order of FFiles.
    std::vector<int> FFileDisks;
    std::vector<std::string> FStagedNames; // in the order of FFiles, or empty
    std::string FStagingDir;
    std::vector<const TCEShortCut*> FShortcuts;
    const TSetupDLL* FSetupDLL = nullptr;
    std::string FSetupDllDir;
    std::vector<const TRegKey*> FRegKeys;
    const TProject* FProject = nullptr;
};
