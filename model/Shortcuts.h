#pragma once

// Shortcuts the device installer creates to installed files, and the setup
// DLLs it calls around installation and removal.

#include "common/Stream.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/IdIndex.h"
#include "model/OwningList.h"
#include "model/Platforms.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProject;
class TSetupDLL;

using TShortcutEditor = std::function<bool(TCEShortCut& shortcut, TProject* project)>;
using TSetupDllEditor = std::function<bool(TSetupDLL& dll)>;

// A shortcut lives in the device folder in which it is created; its
// processor is always its target file's.
class TCEShortCut : public TFolderSubscriber {
public:
    TCEShortCut() = default;
    ~TCEShortCut() override;

    const std::string& Name() const { return FName; }
    TFile* Target() const { return FTarget; }
    TPlatforms Platforms() const { return FPlatforms; }

    void SetName(const std::string& name) { FName = name; }
    // Also replaces the platforms by the target's.
    void SetTarget(TFile* file);
    void SetPlatforms(TPlatforms platforms) { FPlatforms = platforms; }

    // Opens the installed shortcut editor; false (and a trace) without one.
    bool Edit(TProject* project);
    static TShortcutEditor SetEditor(TShortcutEditor editor);

    // One record. A target number that names no file fails the load.
    void LoadFromStream(TStream& stream, const TIdIndex<TFolder>& folders, const TIdIndex<TFile>& files);
    void SaveToStream(TStream& stream) const;

private:
    friend class TFile;

    std::string FName;
    TFile* FTarget = nullptr; // not owned
    TPlatforms FPlatforms = ::AllPlatforms;
};

class TCEShortcuts : public TOwningList<TCEShortCut> {
public:
    TCEShortcuts() = default;
    ~TCEShortcuts();

    // Destroys the shortcuts that start the file, before the file leaves
    // the project; returns how many went.
    int RemoveTargeting(const TFile* file);
    // Destroys the shortcuts whose target file has been destroyed.
    int RemoveWithoutTarget();

    // Shortcuts without a target cannot be written (the file could not be
    // read back); they are left out with a trace.
    void SaveToStream(TStream& stream) const;
    // Appends the shortcuts read; on failure the list stays as it was.
    void LoadFromStream(TStream& stream, const TFolderList& folders, const TFiles::TList& files);
};

class TSetupDLL {
public:
    TSetupDLL() = default;

    const std::string& FileName() const { return FFileName; }
    const std::string& SourceDir() const { return FSourceDir; }
    TProcessor Processor() const { return FProcessor; }
    TPlatforms Platforms() const { return FPlatforms; }

    void SetFileName(const std::string& name) { FFileName = name; }
    // Stored as given; the editor ends it with a separator.
    void SetSourceDir(const std::string& dir) { FSourceDir = dir; }
    void SetProcessor(TProcessor processor) { FProcessor = processor; }
    void SetPlatforms(TPlatforms platforms) { FPlatforms = platforms; }

    // The directory followed by the name, as the editor shows it.
    std::string GetSourcePath() const;
    // The same in this host's form, for opening the file.
    std::string GetHostSourcePath() const;

    bool Edit();
    static TSetupDllEditor SetEditor(TSetupDllEditor editor);

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

private:
    std::string FFileName;
    std::string FSourceDir;
    TProcessor FProcessor = pStrongARM;
    TPlatforms FPlatforms = ::AllPlatforms;
};

class TSetupDlls : public TOwningList<TSetupDLL> {
public:
    void SaveToStream(TStream& stream) const { SaveItems(stream); }
    // Appends the DLLs read; on failure the list stays as it was.
    void LoadFromStream(TStream& stream);
};
