#pragma once

// The files a project copies onto the device.

#include "common/Stream.h"
#include "model/Folders.h"
#include "model/IdIndex.h"
#include "model/OwningList.h"
#include "model/Platforms.h"
#include "model/SmallSet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class TCEShortCut;
class TFile;
class TProject;

// Copy options of a file, in the order the file property editor lists them.
enum TFileOption : uint8_t {
    foShared, // "Shared File"
    foSelfRegister, // "Self-register"
    foWarnIfSkipped, // "Warn user if file is not copied"
    foAllowSkip // "Allow user to skip a file on error"
};
using TFileOptions = TSmallSet<TFileOption>;
inline constexpr int FileOptionCount = 4;

// The names the file properties show for an option and a copy mode.
std::string FileOptionName(TFileOption option);
std::string CopyModeName(int mode);

// Copy modes: "Always copy file", "Always update older file", "Copy only if
// file exists", "Copy only if file does not exist", "Ask before replacing a
// newer file". The last came later and keeps the next number, so projects
// that never use it are stored as before; it sets no copy-mode bit in the
// .inf, which leaves the choice to the device (what most .inf files and
// CABs written by hand carry).
inline constexpr int CopyModeCount = 5;
inline constexpr int cmAskBeforeReplacingNewer = 4;

// The UI installs the editor of each kind of model object; the model itself
// never opens a window. The editor gets the object and the project and
// reports whether the author confirmed.
using TFileEditor = std::function<bool(TFile& file, TProject* project)>;

class TFile : public TFolderSubscriber {
public:
    TFile() = default;
    // Shortcuts that start this file lose their target (they then name none).
    ~TFile() override;

    // The default folder when the file uses it and one was set; the
    // attached folder otherwise.
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

// The project's files. Removing a file leaves the shortcuts that start it
// without a target (TCEShortcuts::RemoveWithoutTarget drops them).
class TFiles : public TOwningList<TFile> {
public:
    // What the files have in common and what they use between them.
    TPlatforms CommonPlatforms() const;
    TPlatforms AllPlatforms() const;
    TProcessors CommonProcessors() const;
    TProcessors AllProcessors() const;

    // Renumbers the files by position (from 1), then writes them.
    void SaveToStream(TStream& stream);
    // Appends the files read; on failure the list stays as it was.
    void LoadFromStream(TStream& stream, const TFolderList& folders);
};

// Reads a processor ordinal; a number outside 0..12 fails with "Invalid
// property value".
TProcessor StreamReadProcessor(TStream& stream);

// The first file of the list whose number equals id, or null.
TFile* FindFileByID(const TFiles::TList& list, int32_t id);
