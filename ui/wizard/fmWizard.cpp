#include "ui/wizard/fmWizard.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "ui/lists/frmFiles.h"
#include "ui/lists/frmSetupDLLs.h"
#include "ui/lists/frmShortcuts.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/frmBase.h"
#include "ui/registry/frmRegistry.h"
#include "ui/wizard/frmDefaultFolder.h"
#include "ui/wizard/frmProjectInfo.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const char* const CancelQuestion = "Are you sure you want to cancel the new project wizard?";

// Copies a file of the program folder into the work folder unless a file of
// that name is there already; true when it made the copy.
bool CopyIfMissing(const std::string& source, const std::string& target)
{
    if (FileExists(target))
        return false;
    if (!CopyFileNoOverwrite(source, target))
        throw Exception("Cannot copy file \"" + source + "\" to \"" + target + "\".");
    return true;
}

// The folders of the path that do not exist yet, the deepest first.
std::vector<std::string> MissingFolders(const std::string& path)
{
    std::vector<std::string> missing;
    std::string folder = ExcludeTrailingPathDelimiter(path);
    while (!folder.empty() && !DirectoryExists(folder)) {
        missing.push_back(folder);
        std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(folder));
        if (parent == folder)
            break;
        folder = parent;
    }
    return missing;
}

}

TfmWizard::TfmWizard(TMessageService* messages, TFileDialogs* dialogs, const TSettings* settings,
                     const std::string& programDir, QWidget* parent)
    : QDialog(parent, PropertyDialogFlags), FMessages(messages), FProgramDir(programDir)
{
    setObjectName(QStringLiteral("fmWizard"));
    setWindowTitle(QStringLiteral("Veltrin Installer Wizard"));

    auto* pageArea = NewNamed<QWidget>("pnPages", this);
    pageArea->setFixedSize(660, 400);
    auto* stack = new QStackedLayout(pageArea);
    stack->setContentsMargins(0, 0, 0, 0);
    frmProjectInfo = new TfrmProjectInfo(messages, dialogs, settings, programDir, pageArea);
    frmDefaultFolder = new TfrmDefaultFolder(messages, pageArea);
    frmFiles = new TfrmFiles(messages, pageArea);
    frmShortcuts = new TfrmShortcuts(messages, pageArea);
    frmSetupDLLs = new TfrmSetupDLLs(messages, pageArea);
    frmRegistry = new TfrmRegistry(messages, pageArea);
    FPages = {frmProjectInfo, frmDefaultFolder, frmFiles, frmShortcuts, frmSetupDLLs, frmRegistry};
    for (TfrmBase* page : FPages)
        stack->addWidget(page);
    // On the main window's tabs the list pages go without their picture.
    for (QLabel* picture : {frmFiles->Picture(), frmShortcuts->Picture(), frmSetupDLLs->Picture()}) {
        picture->setPixmap(DefaultSetupPicture());
        picture->show();
    }
    frmDefaultFolder->SetFilesPage(frmFiles);
    // Deleting files takes the shortcuts that start them along.
    connect(frmFiles, &TfrmBase::ProjectChanged, frmShortcuts, &TfrmShortcuts::RefreshList);

    auto* caption = new QLabel(QStringLiteral("Veltrin Installer"), this);
    caption->setEnabled(false);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* bottomLine = new QHBoxLayout;
    bottomLine->setSpacing(6);
    bottomLine->addWidget(caption);
    bottomLine->addWidget(line, 1);

    btBack = NewPushButton(QStringLiteral("&Back"), "btBack", this, QStyle::SP_ArrowBack);
    btNext = NewPushButton(QStringLiteral("&Next"), "btNext", this, QStyle::SP_ArrowForward);
    // The arrow stands after the text, pointing the way the button goes.
    btNext->setLayoutDirection(Qt::RightToLeft);
    btCancel = NewPushButton(QStringLiteral("Cancel"), "btCancel", this);
    for (QPushButton* button : {btBack, btNext, btCancel})
        button->setAutoDefault(false);
    btNext->setDefault(true);
    connect(btBack, &QPushButton::clicked, this, &TfmWizard::btBackClick);
    connect(btNext, &QPushButton::clicked, this, &TfmWizard::btNextClick);
    connect(btCancel, &QPushButton::clicked, this, &TfmWizard::btCancelClick);

    LayOutFixedDialog(this, 10, 8, {pageArea, bottomLine, NewButtonRow({btBack, btNext, nullptr, btCancel})});
    UpdateButtons();
    CenterOnScreen(*this);
}

TfmWizard::~TfmWizard() = default;

void TfmWizard::SetProject(TProject* project)
{
    FProject = project;
    for (TfrmBase* page : FPages) {
        if (auto* list = qobject_cast<TfrmProjectList*>(page))
            list->SetupColumns();
        page->SetProject(project);
    }
    FCurrent = pgProjectInfo;
    static_cast<QStackedLayout*>(frmProjectInfo->parentWidget()->layout())->setCurrentWidget(frmProjectInfo);
    frmProjectInfo->ActivatePage();
    UpdateButtons();
}

void TfmWizard::UpdateButtons()
{
    btBack->setVisible(FCurrent != 0);
    btNext->setText(FCurrent == PageCount - 1 ? QStringLiteral("&Finish") : QStringLiteral("&Next"));
}

void TfmWizard::GoToPage(int index)
{
    TfrmBase* page = FPages.at(size_t(index));
    // The lists show device paths, which the pages before may have changed
    // (a renamed application folder, a new default folder).
    if (page == frmShortcuts || page == frmSetupDLLs)
        static_cast<TfrmProjectList*>(page)->RefreshList();
    static_cast<QStackedLayout*>(page->parentWidget()->layout())->setCurrentWidget(page);
    page->PreparePage();
    page->ActivatePage();
    FCurrent = index;
    UpdateButtons();
}

void TfmWizard::btBackClick()
{
    if (FCurrent > 0 && FPages[size_t(FCurrent)]->ValidatePage())
        GoToPage(FCurrent - 1);
}

void TfmWizard::btNextClick()
{
    if (FCurrent < PageCount - 1) {
        if (FPages[size_t(FCurrent)]->ValidatePage())
            GoToPage(FCurrent + 1);
        return;
    }
    if (!FProject)
        return;
    try {
        WriteProjectFiles();
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
        return;
    }
    FFinished = true;
    accept();
}

void TfmWizard::btCancelClick()
{
    if (FMessages->Confirm(CancelQuestion, TQuestionButtons::YesNo) == TAnswer::Yes)
        QDialog::reject();
}

void TfmWizard::reject()
{
    // Escape comes here, and so does the title bar's close button (through
    // closeEvent); only Escape asks, as the Cancel button does.
    if (FClosing)
        QDialog::reject();
    else
        btCancelClick();
}

void TfmWizard::closeEvent(QCloseEvent* event)
{
    FClosing = true;
    QDialog::closeEvent(event);
    FClosing = false;
}

std::string TfmWizard::ProjectFilePath(const TProject& project)
{
    return AppendPath(project.ProjectDir(), TProject::ProjectFileNameFor(project.ProjectFileName()));
}

std::string TfmWizard::TextsFilePath(const TProject& project)
{
    // What opening the project file looks for: "x.vip" and "x" both give
    // x_res.dat, "my.app" gives my.app_res.dat.
    const std::string file = TProject::ProjectFileNameFor(project.ProjectFileName());
    return AppendPath(project.ProjectDir(), ChangeFileExt(file, "") + "_res.dat");
}

void TfmWizard::WriteProjectFiles()
{
    if (FProject->ProjectDir().empty())
        throw Exception("The project has no work folder.");
    // Opening a project file sets its folder with the separator at the end;
    // stored so too, the project compares equal to its file once it is
    // opened again, instead of asking to be saved.
    FProject->SetProjectDir(IncludeTrailingPathDelimiter(FProject->ProjectDir()));
    const std::string dir = FProject->ProjectDir();
    if (FProject->ProjectFileName().empty())
        throw Exception("The project has no name.");
    // What this call makes, so that a failure leaves the disk as it was.
    const std::vector<std::string> newFolders = MissingFolders(dir);
    std::vector<std::string> newFiles;
    try {
        if (!DirectoryExists(dir) && !ForceDirectories(dir))
            throw Exception("Cannot create folder \"" + ExcludeTrailingPathDelimiter(dir) + "\".");
        const std::string texts = TextsFilePath(*FProject);
        if (CopyIfMissing(AppendPath(FProgramDir, "Resources.dat"), texts))
            newFiles.push_back(texts);
        const std::string eula = AppendPath(dir, "EULA_Neutral.txt");
        if (CopyIfMissing(AppendPath(FProgramDir, "EULA_Neutral.txt"), eula))
            newFiles.push_back(eula);
        // Written whole or not at all: an older file of that name survives a failure.
        SaveProjectFile(*FProject, ProjectFilePath(*FProject));
        // From here on the project carries its file's name, as an opened one does.
        FProject->SetProjectFileName(TProject::ProjectFileNameFor(FProject->ProjectFileName()));
    } catch (...) {
        for (const std::string& file : newFiles)
            DeleteFileIfExists(file);
        for (const std::string& folder : newFolders)
            RemoveEmptyDirectory(folder);
        throw;
    }
}
