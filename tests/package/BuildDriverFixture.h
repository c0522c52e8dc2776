#pragma once

// What the build driver tests share: a program folder laid out like an
// installed builder (stand-in setup programs, the real tools), a project
// made through the model, recording callbacks and a package reader.

#include "package/BuildDriverCallbacks.h"
#include "model/Project.h"
#include "support/TestSupport.h"
#include "formats/SfxTrailer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A program folder: Setup.exe and Deskstart.exe hold recognisable text,
// Tools/ links to the built CABWIZ.exe and makesfx.exe.
class TTestProgramDir {
public:
    TTestProgramDir();
    const std::string& Path() const { return FDir.Path(); }
    // Replaces Tools/CABWIZ.exe by a script that reports these lines in errors.txt.
    void UseFailingCabWiz(const std::string& errorFileText);
    void Remove(const std::string& name);
    static std::string BuiltProgramDir();

private:
    TempDir FDir;
};

// The callbacks, recording what the run shows and answering as told.
class TRecordingCallbacks : public TBuildDriverCallbacks {
public:
    enum TChoice { ChooseAll, ChooseNone, Cancel };

    bool FConfirmMissing = true;
    TChoice FChoice = ChooseAll;
    TProject* FProject = nullptr;

    std::vector<std::string> FLog, FInformation, FErrors, FFailures, FTestBuilds, FProgressFiles;
    int FFilesRemoved = 0, FMissingAsked = 0, FClearTestBuilds = 0, FOpenProgress = 0;
    bool FLogVisible = false;

    void ShowLog(bool visible) override { FLogVisible = visible; }
    void Log(const std::string& line) override { FLog.push_back(line); }
    bool ConfirmMissingFiles(const std::vector<TFile*>&) override
    {
        ++FMissingAsked;
        return FConfirmMissing;
    }
    void FilesRemoved() override { ++FFilesRemoved; }
    bool ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen) override;
    void ArchiveStarted(const TBuild&) override { ++FOpenProgress; }
    void ArchiveProgress(const std::string& fileName, int percent) override;
    void ArchiveFinished() override { --FOpenProgress; }
    void ShowInformation(const std::string& text) override { FInformation.push_back(text); }
    void ShowError(const std::string& text) override { FErrors.push_back(text); }
    void ShowFailure(const std::string& text) override { FFailures.push_back(text); }
    void ClearTestBuilds() override { ++FClearTestBuilds; }
    void AddTestBuilds(const std::vector<std::string>& packages) override { FTestBuilds = packages; }

    TPairList FPairsSeen;
};

struct TPackage {
    TSfxSettings Settings;
    std::vector<std::pair<std::string, std::string>> Entries; // name, content
    std::vector<std::string> Names() const;
    std::string Content(const std::string& name) const;
};

// Reads a self-extracting package: the settings and the archive's entries in order.
TPackage ReadPackage(const std::string& path);

// A project "Demo" by "Firm" with the application "Viewer" in workDir: a
// program for the Pocket PC StrongARM and one for SH3, a file for all
// platforms, licences for English and Neutral; the builds "Pocket / All"
// (wizard pages, English, progress shown) and "Silent" (no pages).
std::unique_ptr<TProject> MakeTestProject(const std::string& workDir);
// Its texts file with the sections English and Neutral.
std::string WriteTestTexts(const std::string& workDir);
