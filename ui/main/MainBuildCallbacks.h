#pragma once

// The main window's side of a build run: the log below the tabs, the
// "Missing Files" and "Build Wizard" dialogs, the progress window during
// the archive step, the message boxes and the "Test Build" submenu.

#include "package/BuildDriverCallbacks.h"
#include "ui/parts/ModalRunner.h"

#include <memory>
#include <string>
#include <vector>

class TfmMain;
class TfmProgress;
class TMessageService;

class TMainBuildCallbacks : public TBuildDriverCallbacks {
public:
    // Nothing is owned; runModal shows the dialogs (empty: their own loop).
    TMainBuildCallbacks(TfmMain& main, TMessageService& messages, TModalRunner runModal);
    ~TMainBuildCallbacks() override;

    void ShowLog(bool visible) override;
    void Log(const std::string& line) override;
    bool ConfirmMissingFiles(const std::vector<TFile*>& files) override;
    void FilesRemoved() override;
    bool ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen) override;
    void ArchiveStarted(const TBuild& build) override;
    void ArchiveProgress(const std::string& fileName, int percent) override;
    void ArchiveFinished() override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowFailure(const std::string& text) override;
    void ClearTestBuilds() override;
    void AddTestBuilds(const std::vector<std::string>& packages) override;

private:
    TfmMain& FMain;
    TMessageService& FMessages;
    TModalRunner FRunModal;
    std::unique_ptr<TfmProgress> FProgress;
};
