#pragma once

// Everything a build run asks of or tells its caller. The main window
// implements it with its log, dialogs, progress window and "Test Build"
// menu; the headless build with standard output and error.

#include "package/BuildChoice.h"

#include <string>
#include <vector>

class TBuild;
class TFile;

class TBuildDriverCallbacks {
public:
    virtual ~TBuildDriverCallbacks() = default;

    // The log is shown and emptied when a run starts and hidden when it ends.
    virtual void ShowLog(bool visible) = 0;
    virtual void Log(const std::string& line) = 0;

    // Files whose source is missing: true drops them from the project and
    // goes on, false cancels the run.
    virtual bool ConfirmMissingFiles(const std::vector<TFile*>& files) = 0;
    // Called after the confirmed files were dropped (the file list refreshes).
    virtual void FilesRemoved() {}

    // The Build Wizard: may add, edit or delete the project's builds, and
    // fills chosen with the builds to make, in order. False cancels the run
    // without a message. The pairs are those of the project's device sections.
    virtual bool ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen) = 0;

    // The archive step of one build, with each file's name and percentage.
    virtual void ArchiveStarted(const TBuild&) {}
    virtual void ArchiveProgress(const std::string& /*fileName*/, int /*percent*/) {}
    virtual void ArchiveFinished() {}

    // The run's own boxes: information ("Build completed successfuly!") and
    // errors ("There are no files defined!", the numbered CAB errors).
    virtual void ShowInformation(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // An error that ended the run or one build, shown by the general error display.
    virtual void ShowFailure(const std::string& text) = 0;

    // The "Test Build" list: emptied once builds are chosen, filled with the
    // packages that exist after a run without errors.
    virtual void ClearTestBuilds() {}
    virtual void AddTestBuilds(const std::vector<std::string>& /*packages*/) {}
};
