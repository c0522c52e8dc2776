#pragma once

#include "formats/SetupDescription.h"
#include "formats/InfFile.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct TCabSourceFile {
    std::string FMemberName; // "00000app.001"
    std::string FSourcePath; // host path of the file on this machine
};

// Works out what the CAB file of one label holds: the setup description
// and the source of every member. The plain sections apply to every label;
// [CEDevice.L], [DefaultInstall.L], [SourceDisksNames.L] and
// [SourceDisksFiles.L] add to them (or replace them key by key) for label L.
// An empty label takes the plain sections alone.
class TCabBuilder {
public:
    TCabBuilder(const TInfFile* inf, std::string infDir, std::string label);

    // False when an error was found; Errors() then says what.
    bool Build();

    const std::vector<std::string>& Errors() const { return FErrors; }
    // Problems that cost nothing, without "Warning:" and the CAB's name.
    const std::vector<std::string>& Warnings() const { return FWarnings; }
    const TSetupDescription& Setup() const { return FSetup; }
    // Index i holds the member of file ID i + 1.
    const std::vector<TCabSourceFile>& Files() const { return FFiles; }
    bool HasSetupDll() const { return !FSetupDll.FSourcePath.empty(); }
    const TCabSourceFile& SetupDll() const { return FSetupDll; }

private:
    const TInfFile* FInf; // not owned
    std::string FInfDir;
    std::string FLabel;
    std::vector<std::string> FErrors;
    std::vector<std::string> FWarnings;
    // Lower-case names of the files left out for an error.
    std::set<std::string> FSkippedFiles;
    TSetupDescription FSetup;
    std::vector<TCabSourceFile> FFiles;
    TCabSourceFile FSetupDll;

    std::map<std::string, std::string> FDefaultInstall; // lower-case key -> value
    std::map<std::string, std::vector<std::string>> FDiskNames; // disk number -> fields
    std::map<std::string, std::vector<std::string>> FDiskFiles; // lower-case name -> fields
    // The folders records name while the .inf is read, numbered by first
    // use; NumberDirectories gives them their IDs in the .000.
    struct TUsedDirectory {
        const TInfLine* FLine = nullptr; // its [DestinationDirs] line, or null
        std::vector<std::string> FPath;
    };
    std::vector<TUsedDirectory> FUsedDirs;
    std::map<const TInfLine*, uint16_t> FLineDirs; // line -> number of use
    std::map<std::string, uint16_t> FFolderDirs; // lower-case path without a line -> number of use
    std::map<std::string, uint16_t> FHiveIds;

    void Error(const std::string& text) { FErrors.push_back(text); }
    std::string FirstField(const std::string& value, bool keepInstallDir) const;
    std::string LabeledName(const std::string& base) const;
    std::vector<const std::vector<TInfLine>*> PlainAndLabeled(const std::string& base) const;
    const std::vector<TInfLine>* ListSection(const std::string& name);
    std::vector<std::string> InstallList(const std::string& key) const;

    void ReadVersionAndStrings();
    void ReadDevice();
    void ReadSourceDisks();
    // line: the [DestinationDirs] line the folder comes from.
    bool ReadDestination(const std::string& section, bool keepInstallDir, std::string& path,
                         const TInfLine** line = nullptr);
    // The number of use of the folder of a [DestinationDirs] line (one per
    // line), or of a folder no line names (line null: one per path).
    uint16_t DirectoryId(const TInfLine* line, const std::string& path);
    void NumberDirectories();
    bool ResolveSource(const std::string& name, std::string& path);
    void ReadFiles();
    void ReadSelfRegister();
    void ReadShortcuts();
    void ReadShortcut(const TInfLine& line, const std::string& section);
    bool ReadShortcutFolder(const std::string& name, const std::string& where, const TInfLine* whereLine,
                            TSetupLink& link);
    bool ReadShortcutTarget(const std::string& name, const std::string& type, const std::string& target,
                            TSetupLink& link);
    void ReadRegistry();
    void ReadRegistryLine(const TInfLine& line, const std::string& section);
    // The data fields (from the fifth on) of a registry line, by the type its
    // flags give.
    bool ReadRegistryData(const TInfLine& line, const std::string& where, const std::vector<bool>& quoted,
                          const std::vector<std::string>& raw, TSetupValue& value);
    std::string RegistryStringData(const TInfLine& line, const std::string& where, const std::vector<bool>& quoted,
                                   const std::vector<std::string>& data);
    uint16_t HiveId(uint16_t root, const std::vector<std::string>& keyPath);
    void ReadSetupDll();
};
