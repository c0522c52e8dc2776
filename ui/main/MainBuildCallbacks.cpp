#include "ui/main/MainBuildCallbacks.h"

#include "common/Paths.h"
#include "model/Project.h"
#include "ui/build/fmBuildMaker.h"
#include "ui/build/fmMissingFiles.h"
#include "ui/main/ProjectHistory.h"
#include "ui/main/fmMain.h"
#include "ui/main/fmProgress.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"

#include <QApplication>
#include <QPlainTextEdit>

TMainBuildCallbacks::TMainBuildCallbacks(TfmMain& main, TMessageService& messages, TModalRunner runModal)
    : FMain(main), FMessages(messages), FRunModal(std::move(runModal))
{
}

TMainBuildCallbacks::~TMainBuildCallbacks() = default;

void TMainBuildCallbacks::ShowLog(bool visible)
{
    QPlainTextEdit* log = FMain.Log();
    if (visible)
        log->clear();
    log->setVisible(visible);
}

void TMainBuildCallbacks::Log(const std::string& line)
{
    FMain.Log()->appendPlainText(AnsiToQt(line));
    // The run blocks the event loop between its steps; the new line should
    // show before the next long step starts.
    if (FMain.Log()->isVisible())
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TMainBuildCallbacks::ConfirmMissingFiles(const std::vector<TFile*>& files)
{
    TfmMissingFiles dialog(&FMain);
    dialog.SetProject(FMain.Project());
    dialog.SetFiles(&files);
    return RunModal(FRunModal, dialog) == QDialog::Accepted;
}

void TMainBuildCallbacks::FilesRemoved()
{
    FMain.RefreshLists();
}

bool TMainBuildCallbacks::ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen)
{
    TfmBuildMaker wizard(&FMessages, &FMain);
    wizard.SetModalRunner(FRunModal);
    wizard.SetPairs(&pairs);
    wizard.SetLanguageManager(&FMain.LanguageManager());
    wizard.SetProject(FMain.Project());
    bool accepted = RunModal(FRunModal, wizard) == QDialog::Accepted;
    // The wizard edits the project's builds in place, and keeps them when
    // it is cancelled: one undo step either way.
    FMain.History().Record("Builds");
    if (!accepted)
        return false;
    chosen = wizard.GetCheckedBuilds();
    return true;
}

void TMainBuildCallbacks::ArchiveStarted(const TBuild& build)
{
    FProgress = std::make_unique<TfmProgress>(&FMain);
    FProgress->setObjectName(QStringLiteral("fmProgress"));
    FProgress->Report("Packing " + build.Name(), 0);
    FProgress->show();
}

void TMainBuildCallbacks::ArchiveProgress(const std::string& fileName, int percent)
{
    if (FProgress)
        FProgress->Report(ExtractFileName(fileName), percent);
}

void TMainBuildCallbacks::ArchiveFinished()
{
    if (FProgress)
        FProgress->close();
    FProgress.reset();
}

void TMainBuildCallbacks::ShowInformation(const std::string& text)
{
    FMessages.ShowInformation(text);
}

void TMainBuildCallbacks::ShowError(const std::string& text)
{
    FMessages.ShowError(text);
}

void TMainBuildCallbacks::ShowFailure(const std::string& text)
{
    FMessages.ShowError(ErrorBoxText(text));
}

void TMainBuildCallbacks::ClearTestBuilds()
{
    FMain.ClearTestBuilds();
}

void TMainBuildCallbacks::AddTestBuilds(const std::vector<std::string>& packages)
{
    FMain.AddTestBuilds(packages);
}
