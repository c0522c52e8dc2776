// The undo part of TfmMain: taking and putting back snapshots of the
// project, its texts file and its licence files.

#include "ui/main/fmMain.h"

#include "common/Platform.h"
#include "common/Stream.h"
#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/Languages.h"
#include "storage/Settings.h"
#include "storage/TextKeys.h"
#include "storage/uScramble.h"
#include "ui/languages/frmMemoEditor.h"
#include "ui/main/ProjectHistory.h"

#include <QComboBox>
#include <QEvent>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

std::vector<int32_t> TfmMain::LicenceLanguages() const
{
    std::vector<int32_t> ids = {NeutralLanguage};
    const TLanguages& languages = FLanguageManager->Languages();
    for (int i = 0; i < languages.Count(); ++i)
        ids.push_back(languages.Items(i)->FLanguage);
    return ids;
}

std::shared_ptr<const TProjectState> TfmMain::CaptureState()
{
    if (!FProject)
        return nullptr;
    auto state = std::make_shared<TProjectState>();
    TMemoryStream stream;
    FProject->SaveToStream(stream);
    state->Project = stream.Data();
    state->Counts = {FProject->Files().Count(), FProject->Shortcuts().Count(), FProject->SetupDlls().Count(),
                     int(FProject->Folders().GetAllFolders().size())};
    if (FTextsFile) {
        FTextsFile->GetStrings(state->Texts);
        for (int32_t language : LicenceLanguages()) {
            const std::string path = LicenceFilePath(FProject->ProjectDir(), language, *FTextsFile);
            if (FileExists(path)) {
                std::vector<uint8_t> bytes = ReadFileBytes(path);
                state->Licences[language] = std::string(bytes.begin(), bytes.end());
            }
        }
    }
    return state;
}

void TfmMain::RestoreState(const TProjectState& state)
{
    if (!FProject || !FTextsFile)
        return;
    auto project = std::make_unique<TProject>(FSettings->ReadSetting("company"));
    TMemoryStream stream(state.Project);
    project->LoadFromStream(stream);
    // Where the project is kept is not part of a step: a project saved
    // elsewhere since stays kept there.
    project->SetProjectDir(FProject->ProjectDir());
    project->SetProjectFileName(FProject->ProjectFileName());

    // The licence being edited reaches its file before the file is put back;
    // the texts go first, as they name the licence files.
    frmMemoEditor->SaveLicence();
    FTextsFile->SetStrings(state.Texts);
    for (const auto& [language, text] : state.Licences) {
        const std::string path = LicenceFilePath(FProject->ProjectDir(), language, *FTextsFile);
        if (!FileExists(path) || ReadFileBytes(path) != std::vector<uint8_t>(text.begin(), text.end()))
            WriteFileAtomic(path, text);
    }

    // The place the author was at: the tab, the language and the text.
    const int tab = FTabs->currentIndex();
    const int language = cbLanguages->currentIndex();
    QTreeWidgetItem* text = TreeView1->currentItem();
    const int textGroup = text && text->parent() ? TreeView1->indexOfTopLevelItem(text->parent()) : -1;
    const int textIndex = text && text->parent() ? text->parent()->indexOfChild(text) : -1;

    UnbindProject();
    FProject = std::move(project);
    ShowProject(std::move(FTextsFile));

    FTabs->setCurrentIndex(tab);
    if (language >= 0 && language < cbLanguages->count())
        cbLanguages->setCurrentIndex(language);
    if (QTreeWidgetItem* group = textGroup >= 0 ? TreeView1->topLevelItem(textGroup) : nullptr)
        TreeView1->setCurrentItem(group->child(textIndex));
}

std::string TfmMain::ShownPart() const
{
    // On the Languages tab either the licence editor or the text editor
    // shows; adding and deleting languages are recorded where they happen.
    if (FTabs->currentIndex() == tsLanguages)
        return frmMemoEditor->isHidden() ? "Texts" : "Licence";
    return FTabs->tabText(FTabs->currentIndex()).toStdString();
}

void TfmMain::RecordChange()
{
    FRecordTimer->stop();
    if (!FProject)
        return;
    // The licence lives in its file only, so a licence being typed is
    // written first to be part of the step.
    frmMemoEditor->SaveLicence();
    FHistory->Record(ShownPart());
}

void TfmMain::Undo()
{
    if (!FProject)
        return;
    RecordChange();
    FHistory->Undo();
}

void TfmMain::Redo()
{
    if (!FProject)
        return;
    RecordChange();
    FHistory->Redo();
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (FProject && (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        FRecordTimer->start();
    return QMainWindow::eventFilter(watched, event);
}
