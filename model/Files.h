#pragma once

// The files a project copies onto the device, and the selection queries from
// which the .inf writer puts together one device section per target.

#include "common/Stream.h"
#include "model/Folders.h"
#include "model/IdIndex.h"
#include "model/Platforms.h"
#include "model/RegistryKeys.h"
#include "model/SmallSet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class TCEShortCut;
class TCEShortcuts;
class TDeviceSection;
class TFile;
class TProject;
class TSetupDLL;
class TSetupDlls;

// Copy options of a file, in the order the file property editor lists them.
enum TFileOption : uint8_t {
    foShared,          // "Shared File"
    foSelfRegister,    // "Self-register"
    foWarnIfSkipped,   // "Warn user if file is not copied"
    foAllowSkip        // "Allow user to skip a file on error"
};
using TFileOptions = TSmallSet<TFileOption>;
inline constexpr int FileOptionCount = 4;

// The names the file properties show for an option and a copy mode.
std::string FileOptionName(TFileOption option);
std::string CopyModeName(int mode);

// Copy modes: "Always copy file", "Always update older file", "Copy only if
// file exists", "Copy only if file does not exist".
inline constexpr int CopyModeCount = 4;

// The UI installs the editor of each kind of model object; the model itself
// never opens a window. The editor gets the object and the project and
// reports whether the author confirmed.
using TFileEditor = std::function<bool(TFile& file, TProject* project)>;

class TFile : public TFolderSubscriber {
public:
    TFile() = default;
    // Shortcuts that start this file lose their target (they then name none).
    ~TFile() override;

    // The project's default folder when the file uses it and the .inf writer
    // handed it over; the attached folder otherwise.
    TFolder* GetFolder() const override;

    const std::string& SourceDir() const { return FSourceDir; }
    const std::string& FileName() const { return FFileName; }
    TProcessor Processor() const { return FProcessor; }
    TPlatforms Platforms() const { return FPlatforms; }
    int CopyMode() const { return FCopyMode; }
    TFileOptions Options() const { return FOptions; }
    bool UseDefaultFolder() const { return FUseDefaultFolder; }
    int32_t ID() const { return FID; }

    void SetSourceDir(const std::string& dir) { FSourceDir = dir; }
    void SetFileName(const std::string& name) { FFileName = name; }
    void SetProcessor(TProcessor processor) { FProcessor = processor; }
    void SetPlatforms(TPlatforms platforms) { FPlatforms = platforms; }
    void SetCopyMode(int mode) { FCopyMode = uint8_t(mode); }
    void SetOptions(TFileOptions options) { FOptions = options; }
    void SetUseDefaultFolder(bool use) { FUseDefaultFolder = use; }
    void SetID(int32_t id) { FID = id; }

    // The source directory without its trailing separator ("\", or the
    // host's own). A lone separator (a root directory) stays as it is.
    std::string GetSourceDir() const;
    // The full source path as the author sees it: the directory and the
    // name joined with AppendPath.
    std::string GetSourcePath() const;
    // The full source path in this host's form, for opening the file: a
    // project written on Windows holds "\" separators.
    std::string GetHostSourcePath() const;
    // The device folder's path followed by the name, for example
    // \Program Files\Co\App\app.exe.
    std::string GetDevicePath() const;

    // How many shortcuts start this file.
    int ShortcutCount() const { return static_cast<int>(FShortcuts.size()); }

    // Opens the installed file editor; false (and a trace) without one.
    bool Edit(TProject* project);
    // Installs the editor; returns the previous one.
    static TFileEditor SetEditor(TFileEditor editor);

    // One record; the folder number is resolved through the index.
    void LoadFromStream(TStream& stream, const TIdIndex<TFolder>& folders);
    void SaveToStream(TStream& stream) const;

private:
    friend class TCEShortCut;

    std::string FSourceDir;
    std::string FFileName;
    TProcessor FProcessor = pStrongARM;
    TPlatforms FPlatforms;
    uint8_t FCopyMode = 0;
    TFileOptions FOptions;
    bool FUseDefaultFolder = false;
    int32_t FID = 0;
    // The shortcuts whose target this file is; not owned.
    std::unordered_set<TCEShortCut*> FShortcuts;
};

// Device sections are made and used by the .inf writer; the file list only
// holds them from one plan to the next. The deleter comes with each section,
// so this list needs nothing of the section's type.
using TDeviceSectionPtr = std::unique_ptr<TDeviceSection, void (*)(TDeviceSection*)>;
using TDeviceSectionList = std::vector<TDeviceSectionPtr>;

class TFiles {
public:
    using TList = std::vector<TFile*>;

    TFiles() = default;
    TFiles(const TFiles&) = delete;
    TFiles& operator=(const TFiles&) = delete;
    // Destroys the device sections, then the files.
    ~TFiles();

    // Ownership passes to the list; returns the file.
    TFile* Add(std::unique_ptr<TFile> file);
    // Takes the file out and destroys it; a file not in the list is left
    // alone. Shortcuts that start it then name no target
    // (TCEShortcuts::RemoveWithoutTarget drops them).
    void Remove(TFile* file);
    // The same for several files at once, in one pass over the list.
    void Remove(const TList& files);

    int Count() const { return static_cast<int>(FFiles.size()); }
    TFile* Item(int index) const { return FFiles.at(index).get(); }
    int IndexOf(const TFile* file) const;
    TList ToList() const;

    bool First(TFile*& file);
    bool Next(TFile*& file);

    // Selection queries. plAll matches every platform; a file for pAll
    // matches every processor.
    TList FilesFor(TPlatform platform, TProcessor processor) const;
    // Over the shortcut list handed to the last plan (empty before one).
    std::vector<TCEShortCut*> ShortcutsFor(TPlatform platform, TProcessor processor) const;
    // The keys of the tree that have something for the target, parents
    // before their descendants.
    static std::vector<TRegKey*> KeysFor(TPlatform platform, TProcessor processor, const TRegKey::TList& keys);
    // The last setup DLL that fits, or null.
    static TSetupDLL* SetupDllFor(TPlatform platform, TProcessor processor, const TSetupDlls& dlls);
    TPlatforms CommonPlatforms() const;
    TPlatforms AllPlatforms() const;
    TProcessors CommonProcessors() const;
    TProcessors AllProcessors() const;

    // What the .inf writer's plan works from and leaves here.
    void SetShortcuts(TCEShortcuts* shortcuts) { FShortcuts = shortcuts; }
    TCEShortcuts* Shortcuts() const { return FShortcuts; }
    void SetRegKeys(TRegKeys* keys) { FRegKeys = keys; }
    TRegKeys* RegKeys() const { return FRegKeys; }
    TDeviceSectionList& DeviceSections() { return FDeviceSections; }
    const TDeviceSectionList& DeviceSections() const { return FDeviceSections; }

    // Renumbers the files by position (from 1), then writes them.
    void SaveToStream(TStream& stream);
    // Appends the files read; on failure the list stays as it was.
    void LoadFromStream(TStream& stream, const TFolderList& folders);

private:
    int FCursor = 0;
    std::vector<std::unique_ptr<TFile>> FFiles;
    TCEShortcuts* FShortcuts = nullptr;
    TRegKeys* FRegKeys = nullptr;
    TDeviceSectionList FDeviceSections;
};

// Reads a processor ordinal; a number outside 0..12 fails with "Invalid
// property value".
TProcessor StreamReadProcessor(TStream& stream);

// The first file of the list whose number equals id, or null.
TFile* FindFileByID(const TFiles::TList& list, int32_t id);
