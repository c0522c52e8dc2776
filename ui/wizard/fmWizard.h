#pragma once

// "Veltrin Installer Wizard": six pages that name a new project and fill it
// in (names and work folder, default installation folder, files, shortcuts,
// setup DLLs, registry). Finish makes the work folder and writes the
// project's first files there; the window's result is Accepted exactly
// when that succeeded.

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class TFileDialogs;
class TMessageService;
class TProject;
class TSettings;
class TfrmBase;
class TfrmDefaultFolder;
class TfrmFiles;
class TfrmProjectInfo;
class TfrmRegistry;
class TfrmSetupDLLs;
class TfrmShortcuts;

class TfmWizard : public QDialog {
    Q_OBJECT
public:
    enum TPage { pgProjectInfo, pgDefaultFolder, pgFiles, pgShortcuts, pgSetupDlls, pgRegistry, PageCount };

    // The services are not owned; programDir holds "Resources.dat" and
    // "EULA_Neutral.txt".
    TfmWizard(TMessageService* messages, TFileDialogs* dialogs, const TSettings* settings,
              const std::string& programDir, QWidget* parent = nullptr);
    ~TfmWizard() override;

    // The new project (not owned); binds every page and shows the first.
    void SetProject(TProject* project);

    int Current() const { return FCurrent; }
    TfrmBase* Page(int index) const { return FPages.at(size_t(index)); }
    bool Finished() const { return FFinished; }

    void btBackClick();
    // "&Next", or "&Finish" on the last page.
    void btNextClick();
    // Asks before the wizard goes; Escape does the same.
    void btCancelClick();

    // The file Finish writes: the work folder and the project's file name
    // with ".vip" appended, also when the name ends in ".vip" already.
    static std::string ProjectFilePath(const TProject& project);
    // The texts file beside it, named so that opening that file finds it
    // again ("x.vip" is written as "x.vip.vip" with "x.vip_res.dat").
    static std::string TextsFilePath(const TProject& project);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void GoToPage(int index);
    void UpdateButtons();
    // Makes the work folder and writes the files; on failure takes away
    // what this call made and raises the error.
    void WriteProjectFiles();

    TMessageService* FMessages;
    std::string FProgramDir;
    TProject* FProject = nullptr;
    std::vector<TfrmBase*> FPages;
    int FCurrent = 0;
    bool FFinished = false;
    // Set while the title bar closes the window, which asks nothing.
    bool FClosing = false;

    TfrmProjectInfo* frmProjectInfo;
    TfrmDefaultFolder* frmDefaultFolder;
    TfrmFiles* frmFiles;
    TfrmShortcuts* frmShortcuts;
    TfrmSetupDLLs* frmSetupDLLs;
    TfrmRegistry* frmRegistry;
    QPushButton* btBack;
    QPushButton* btNext;
    QPushButton* btCancel;
};
