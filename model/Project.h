#pragma once

// The root of the model: names, work folder, icon and setup image, and the
// folder tree, files, shortcuts, setup DLLs, registry keys and builds it owns.

#include "common/Stream.h"
#include "model/Builds.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProject {
public:
    using TNotify = std::function<void(TProject&)>;

    // A new project: "My Application" by the given company, the default
    // folder tree with the company and application folders below
    // "Program Files", the default registry keys, nothing else.
    explicit TProject(const std::string& defaultCompany = "<none>");
    ~TProject();
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    const std::string& AppName() const { return FAppName; }
    const std::string& CompanyName() const { return FCompanyName; }
    const std::string& ProjectDir() const { return FProjectDir; }
    const std::string& ProjectFileName() const { return FProjectFileName; }
    const std::string& IconFile() const { return FIconFile; }
    const std::string& SetupImage() const { return FSetupImage; }
    TFolder* DefaultFolder() const { return FDefaultFolder; }
    TFolder* CompanyFolder() const { return FCompanyFolder; }
    TFolder* AppFolder() const { return FAppFolder; }
    TFolders& Folders() { return *FFolders; }
    TFiles& Files() { return *FFiles; }
    const TFiles& Files() const { return *FFiles; }
    TCEShortcuts& Shortcuts() { return *FShortcuts; }
    const TCEShortcuts& Shortcuts() const { return *FShortcuts; }
    TSetupDlls& SetupDlls() { return *FSetupDlls; }
    const TSetupDlls& SetupDlls() const { return *FSetupDlls; }
    TRegKeys& RegKeys() { return *FRegKeys; }
    const TRegKeys& RegKeys() const { return *FRegKeys; }
    TBuilds& Builds() { return *FBuilds; }
    const TBuilds& Builds() const { return *FBuilds; }

    void SetApplicationName(const std::string& name);
    void SetCompanyName(const std::string& name);
    void SetDefaultFolder(TFolder* folder);
    void SetIconFile(const std::string& file);
    void SetProjectDir(const std::string& dir) { FProjectDir = dir; }
    void SetProjectFileName(const std::string& name) { FProjectFileName = name; }
    void SetSetupImage(const std::string& image) { FSetupImage = image; }
    void SetCompanyFolder(TFolder* folder) { FCompanyFolder = folder; }
    void SetAppFolder(TFolder* folder) { FAppFolder = folder; }

    void SetOnDefaultFolderChange(TNotify listener) { FOnDefaultFolderChange = std::move(listener); }
    void SetOnApplicationNameChange(TNotify listener) { FOnApplicationNameChange = std::move(listener); }
    void SetOnCompanyNameChange(TNotify listener) { FOnCompanyNameChange = std::move(listener); }
    void SetOnIconFileChange(TNotify listener) { FOnIconFileChange = std::move(listener); }

    // The file name a project name is saved under: the name with ".vip"
    // added unless it already ends exactly so ("MyApp" and "MyApp.vip" both
    // give MyApp.vip). The new-project wizard and Save follow this one rule, so
    // the texts file found on opening is the one they wrote.
    static std::string ProjectFileNameFor(const std::string& name);
    // The project file's name without its extension ("MyApp" for MyApp.vip).
    std::string GetProjectName() const;
    // The texts file beside the project file: <dir>/<name>_res.dat.
    std::string GetResourceFileName() const;

    // The files whose source does not exist; empty when all exist.
    std::vector<TFile*> GetMissingFiles() const;
    // Removes the files from the project, and with them the shortcuts that
    // start them (a shortcut cannot outlive its target).
    void RemoveFiles(const std::vector<TFile*>& files);

    // Reads a project file into this new project. On failure the project is
    // left partly read and must be discarded (see OpenProjectFile).
    void LoadFromStream(TStream& stream);
    // Writes the project file; the same project always gives the same bytes.
    void SaveToStream(TStream& stream);

private:
    std::string FAppName;
    std::string FCompanyName;
    std::string FProjectDir;
    TFolder* FDefaultFolder = nullptr;
    std::unique_ptr<TFolders> FFolders;
    TFolder* FCompanyFolder = nullptr;
    TFolder* FAppFolder = nullptr;
    std::unique_ptr<TFiles> FFiles;
    std::unique_ptr<TCEShortcuts> FShortcuts;
    std::unique_ptr<TSetupDlls> FSetupDlls;
    std::unique_ptr<TRegKeys> FRegKeys;
    TNotify FOnDefaultFolderChange;
    TNotify FOnApplicationNameChange;
    TNotify FOnCompanyNameChange;
    std::string FProjectFileName;
    std::unique_ptr<TBuilds> FBuilds;
    std::string FIconFile;
    TNotify FOnIconFileChange;
    std::string FSetupImage;
};

// Opens a project file as the builder does: a new project read from the
// file, whose work folder becomes the file's folder (with its trailing
// separator) and whose file name becomes the file's name. Any failure raises
// Exception with the reader's message and yields no project, so the caller
// keeps whatever it had open.
std::unique_ptr<TProject> OpenProjectFile(const std::string& path, const std::string& defaultCompany = "<none>");

// Writes the project to the path atomically: a sibling file is written and
// flushed, then put in place of the old one, so a failure never destroys the
// previous project file.
void SaveProjectFile(TProject& project, const std::string& path);
