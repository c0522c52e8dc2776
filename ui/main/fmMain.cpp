#include "ui/main/fmMain.h"

#include "package/BuildDriver.h"
#include "package/CabCompiler.h"
#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "import/CabImport.h"
#include "import/InfImport.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "storage/Languages.h"
#include "storage/TextKeys.h"
#include "storage/LanguageManager.h"
#include "storage/Resource.h"
#include "storage/Settings.h"
#include "storage/uScramble.h"
#include "ui/main/AboutBox.h"
#include "ui/main/EditorHooks.h"
#include "ui/parts/FileDialogs.h"
#include "ui/main/MainBuildCallbacks.h"
#include "ui/main/ProjectHistory.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtText.h"
#include "ui/parts/SideTabBar.h"
#include "ui/wizard/fmRuntimeWizard.h"
#include "ui/main/fmSetupImage.h"
#include "ui/main/fmSigning.h"
#include "ui/main/fmImportReport.h"
#include "ui/languages/frmContainter.h"
#include "ui/wizard/fmWizard.h"
#include "ui/lists/frmFiles.h"
#include "ui/languages/frmMemoEditor.h"
#include "ui/parts/frmFolder.h"
#include "ui/registry/frmRegistry.h"
#include "ui/lists/frmSetupDLLs.h"
#include "ui/lists/frmShortcuts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QDesktopServices>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSysInfo>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include <fstream>

namespace {

// QTabWidget takes its tab bar only from a subclass.
class TTabWidget : public QTabWidget {
public:
    explicit TTabWidget(QWidget* parent) : QTabWidget(parent) { setTabBar(new TSideTabBar(this)); }
};

const char* const Caption = "Veltrin Installer";
const char* const SaveCurrentPrompt = "Do you want to save the current project?";
const char* const SaveAtExitPrompt = "Do you want to save changes to the project?";

bool OnWindows()
{
    return QSysInfo::kernelType() == QLatin1String("winnt");
}

QString Title(const TProject* project)
{
    if (!project)
        return QString::fromLatin1(Caption);
    // An imported project has no file yet: its application names it.
    const std::string name = project->GetProjectName().empty() ? project->AppName() : project->GetProjectName();
    return QString::fromLatin1(Caption) + QStringLiteral(" - ") + AnsiToQt(name);
}

}

TfmMain::TfmMain(TMessageService* messages, TFileDialogs* dialogs, std::unique_ptr<TSettings> settings,
                 const std::string& programDir, QWidget* parent)
    : QMainWindow(parent), FMessages(messages), FDialogs(dialogs), FSettings(std::move(settings)),
      FProgramDir(programDir)
{
    setObjectName(QStringLiteral("fmMain"));
    FCaption = QString::fromLatin1(Caption);
    setWindowTitle(FCaption);
    setWindowIcon(ProgramIcon());
    FOpenDocument = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(HostPathToQt(path)));
    };

    FHelpFile = AppendPath(FProgramDir, "VIH.chm");
    FSettings->LoadSettings();

    FCabCompiler = std::make_unique<TCabCompiler>();
    FCabCompiler->SetCabWizPath(AppendPath(AppendPath(FProgramDir, "Tools"), "CABWIZ.exe"));
    FCabCompiler->SetBusyHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    FLanguageManager = std::make_unique<TLanguageManager>(FMessages);
    // The model opens its property dialogs through these for as long as the
    // window lives; the runner is the one SetModalRunner sets later.
    FEditorHooks = std::make_unique<TEditorHooks>(FMessages, FDialogs, this, &FRunModal);
    FHistory = new TProjectHistory([this] { return CaptureState(); },
                                   [this](const TProjectState& state) { RestoreState(state); }, this);
    connect(FHistory->Stack(), &QUndoStack::cleanChanged, this, &TfmMain::UpdateTitle);
    // A change is recorded once the author pauses, so that the steps are
    // the author's actions and not single keys.
    FRecordTimer = new QTimer(this);
    FRecordTimer->setSingleShot(true);
    FRecordTimer->setInterval(400);
    connect(FRecordTimer, &QTimer::timeout, this, [this] {
        // A dialog open over the window (the runtimes wizard) changes the
        // project as it goes; its step is recorded when it closes.
        if (!QApplication::activeModalWidget())
            RunCommand([this] { RecordChange(); });
    });
    qApp->installEventFilter(this);

    CreateActions();
    CreateMenus();
    CreateCentralWidget();
    statusBar()->setSizeGripEnabled(true);
    setAcceptDrops(true);

    FLog->hide();
    FTabs->hide();
    EnableProjectCommands(false);
    resize(960, 680);
}

// The tabs above the build log.
void TfmMain::CreateCentralWidget()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 0);
    auto* splitter = new QSplitter(Qt::Vertical, central);
    FTabs = NewNamed<TTabWidget>("pcMain", splitter);
    FTabs->setTabPosition(QTabWidget::West);
    FTabs->setIconSize(QSize(32, 32));
    QStyle* st = style();
    CreateGeneralTab(CreateTab(tsGeneral, QStringLiteral("General"), st->standardIcon(QStyle::SP_FileDialogInfoView)));
    CreateTab(tsFiles, QStringLiteral("Files"), st->standardIcon(QStyle::SP_FileIcon));
    CreateTab(tsShortcuts, QStringLiteral("Shortcuts"), st->standardIcon(QStyle::SP_FileLinkIcon));
    CreateTab(tsSetupDlls, QStringLiteral("Setup DLLs"), st->standardIcon(QStyle::SP_DriveHDIcon));
    CreateListTabs();
    CreateTab(tsRegistry, QStringLiteral("Registry"), st->standardIcon(QStyle::SP_FileDialogDetailedView));
    frmRegistry = new TfrmRegistry(FMessages, FPages[tsRegistry]);
    auto* registryLayout = new QVBoxLayout(FPages[tsRegistry]);
    registryLayout->setContentsMargins(0, 0, 0, 0);
    registryLayout->addWidget(frmRegistry);
    CreateLanguagesTab(
        CreateTab(tsLanguages, QStringLiteral("Languages"), st->standardIcon(QStyle::SP_MessageBoxInformation)));
    FLog = NewNamed<QPlainTextEdit>("mmLog", splitter);
    FLog->setReadOnly(true);
    FLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    splitter->addWidget(FTabs);
    splitter->addWidget(FLog);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter);
    setCentralWidget(central);
}

TfmMain::~TfmMain()
{
    Shutdown(false);
    // The stack says it is clean once more as it goes; the title must not
    // hear that from a window half taken down.
    delete FHistory;
    FHistory = nullptr;
}

void TfmMain::CreateActions()
{
    auto make = [this](const char* name, const QString& text, const QKeySequence& key, auto slot) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QStyle* st = style();
    aFileNew = make("aFileNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                    [this] { RunCommand([this] { aFileNewExecute(); }); });
    aFileNew->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    aFileOpen = make("aFileOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                     [this] { RunCommand([this] { OpenProject(std::string()); }); });
    aFileOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    aImportInf = make("aImportInf", QStringLiteral("CAB Wizard &.inf..."), QKeySequence(),
                      [this] { RunCommand([this] { ImportInf(); }); });
    aImportCab = make("aImportCab", QStringLiteral("&CAB files..."), QKeySequence(),
                      [this] { RunCommand([this] { ImportCabFiles(); }); });
    aFileSave = make("aFileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                     [this] { RunCommand([this] { Save(); }); });
    aFileSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    aFileSaveAs = make("aFileSaveAs", QStringLiteral("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                       [this] { RunCommand([this] { SaveAs(); }); });
    aFileClose = make("aFileClose", QStringLiteral("&Close"), QKeySequence(),
                      [this] { RunCommand([this] { CloseProject(); }); });
    aFileExit = make("aFileExit", QStringLiteral("E&xit"), QKeySequence(), [this] { close(); });
    CreateUndoActions();

    const char* editNames[TabCount] = {"aEditGeneral",   "aEditFiles",    "aEditShortcuts",
                                       "aEditSetupDlls", "aEditRegistry", "aEditLanguages"};
    const char* editTexts[TabCount] = {"&General", "&Files", "&Shortcuts", "Setup &Dlls", "&Registry", "&Languages"};
    const Qt::Key editKeys[TabCount] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6};
    for (int i = 0; i < TabCount; ++i)
        aEdit[i] = make(editNames[i], QString::fromLatin1(editTexts[i]), QKeySequence(Qt::CTRL | editKeys[i]),
                        [this, i] { FTabs->setCurrentIndex(i); });

    aBuild = make("aBuild", QStringLiteral("&Build"), QKeySequence(Qt::Key_F7),
                  [this] { RunCommand([this] { aBuildExecute(); }); });
    aRuntimesWizard =
        make("aRuntimesWizard", QStringLiteral("&Add Runtimes Wizard"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A),
             [this] { RunCommand([this] { aRuntimesWizardExecute(); }); });
    aChooseSetupImage = make("aChooseSetupImage", QStringLiteral("Choose Setup &Image"), QKeySequence(),
                             [this] { RunCommand([this] { aChooseSetupImageExecute(); }); });
    aSigning = make("aSigning", QStringLiteral("&Signing..."), QKeySequence(),
                    [this] { RunCommand([this] { aSigningExecute(); }); });
    aHelpContents = make("aHelpContents", QStringLiteral("&Contents"), QKeySequence(),
                         [this] { RunCommand([this] { aHelpContentsExecute(); }); });
    aHelpContents->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));
    aAbout =
        make("aAbout", QStringLiteral("&About"), QKeySequence(), [this] { RunCommand([this] { aAboutExecute(); }); });
}

void TfmMain::CreateUndoActions()
{
    // Window shortcuts: while a text box has the focus, Ctrl+Z is its own
    // undo (the box claims the key before the window's action sees it).
    aUndo = new QAction(QStringLiteral("&Undo"), this);
    aUndo->setObjectName(QStringLiteral("aUndo"));
    aUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(aUndo, &QAction::triggered, this, [this] { RunCommand([this] { Undo(); }); });
    aRedo = new QAction(QStringLiteral("&Redo"), this);
    aRedo->setObjectName(QStringLiteral("aRedo"));
    aRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(aRedo, &QAction::triggered, this, [this] { RunCommand([this] { Redo(); }); });
    // The items name the step they undo or redo: "Undo Add 3 Files".
    QUndoStack* stack = FHistory->Stack();
    connect(stack, &QUndoStack::undoTextChanged, this, [this](const QString& text) {
        aUndo->setText(text.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + text);
    });
    connect(stack, &QUndoStack::redoTextChanged, this, [this](const QString& text) {
        aRedo->setText(text.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + text);
    });
    connect(stack, &QUndoStack::canUndoChanged, aUndo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, aRedo, &QAction::setEnabled);
    aUndo->setEnabled(false);
    aRedo->setEnabled(false);
}

void TfmMain::CreateMenus()
{
    miFile = menuBar()->addMenu(QStringLiteral("&File"));
    miFile->addAction(aFileNew);
    miFile->addAction(aFileOpen);
    QMenu* miImport = miFile->addMenu(QStringLiteral("&Import"));
    miImport->setObjectName(QStringLiteral("miImport"));
    miImport->addAction(aImportInf);
    miImport->addAction(aImportCab);
    miRecent = miFile->addMenu(QStringLiteral("&Recent"));
    miRecent->setObjectName(QStringLiteral("miRecent"));
    for (int i = 0; i < int(FRecent.size()); ++i) {
        FRecent[i] = miRecent->addAction(QString());
        FRecent[i]->setObjectName(QStringLiteral("miRecent%1").arg(i + 1));
        connect(FRecent[i], &QAction::triggered, this, [this, i] {
            std::string path = HostPathFromQt(FRecent[i]->data().toString());
            RunCommand([this, path] { OpenRecent(path); });
        });
    }
    miFile->addAction(aFileSave);
    miFile->addAction(aFileSaveAs);
    miFile->addAction(aFileClose);
    miFile->addSeparator();
    miFile->addAction(aFileExit);
    connect(miFile, &QMenu::aboutToShow, this, &TfmMain::FillRecentMenu);

    QMenu* miEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    miEdit->setObjectName(QStringLiteral("miEdit"));
    miEdit->addAction(aUndo);
    miEdit->addAction(aRedo);
    miEdit->addSeparator();
    // An edit not yet recorded shows in the Undo item at once.
    connect(miEdit, &QMenu::aboutToShow, this, [this] { RunCommand([this] { RecordChange(); }); });
    for (QAction* action : aEdit)
        miEdit->addAction(action);

    QMenu* miProject = menuBar()->addMenu(QStringLiteral("&Project"));
    miProject->addAction(aBuild);
    miTestBuild = miProject->addMenu(QStringLiteral("&Test Build"));
    miTestBuild->setObjectName(QStringLiteral("miTestBuild"));
    miProject->addSeparator();
    miProject->addAction(aRuntimesWizard);
    miProject->addAction(aChooseSetupImage);
    miProject->addSeparator();
    miProject->addAction(aSigning);

    QMenu* miHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    miHelp->addAction(aHelpContents);
    miHelp->addAction(aAbout);
}

QWidget* TfmMain::CreateTab(TTab tab, const QString& caption, const QIcon& icon)
{
    auto* page = new QWidget(FTabs);
    page->setObjectName(QStringLiteral("ts") + QString(caption).remove(QLatin1Char(' ')));
    // A screen reader names the page the focus enters as its tab does.
    page->setAccessibleName(caption);
    FTabs->addTab(page, icon, caption);
    FPages[tab] = page;
    return page;
}

void TfmMain::CreateGeneralTab(QWidget* page)
{
    auto* product = new QGroupBox(QStringLiteral("Product Information"), page);
    eAppName = NewNamed<QLineEdit>("eAppName", product);
    eCompanyName = NewNamed<QLineEdit>("eCompanyName", product);
    eIconFile = NewNamed<QLineEdit>("eIconFile", product);
    btIconFile = NewNamed<QToolButton>("btIconFile", product);
    btIconFile->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btIconFile->setToolTip(QStringLiteral("Browse for the icon file"));
    connect(btIconFile, &QToolButton::clicked, this, [this] { RunCommand([this] { BrowseIcon(); }); });
    for (QLineEdit* edit : {eAppName, eCompanyName, eIconFile})
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { EditChanged(edit); });

    auto* iconRow = new QHBoxLayout;
    iconRow->setSpacing(4);
    iconRow->addWidget(eIconFile, 1);
    iconRow->addWidget(btIconFile);
    auto* form = new QFormLayout(product);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);
    auto addRow = [form, product](const char* text, QWidget* buddy, QLayout* field) {
        auto* label = new QLabel(QString::fromLatin1(text), product);
        label->setBuddy(buddy);
        if (field)
            form->addRow(label, field);
        else
            form->addRow(label, buddy);
    };
    addRow("&Application Name:", eAppName, nullptr);
    addRow("&Company Name:", eCompanyName, nullptr);
    addRow("&Icon File Name:", eIconFile, iconRow);

    auto* folderGroup = new QGroupBox(QStringLiteral("&Default Destination Folder"), page);
    lbDefaultFolder = NewNamed<QLabel>("lbDefaultFolder", folderGroup);
    lbDefaultFolder->setTextFormat(Qt::PlainText);
    lbDefaultFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    frmFolder = NewNamed<TfrmFolder>("frmFolder", folderGroup);
    frmFolder->SetMessages(FMessages);
    miSetAsDefault = frmFolder->Menu()->addAction(QStringLiteral("Set As Default"), this,
                                                  [this] { RunCommand([this] { SetAsDefault(); }); });
    connect(frmFolder, &TfrmFolder::FolderDeleted, this, [this] {
        ShowDefaultFolderPath();
        RefreshLists();
        FHistory->Record("Folders");
    });
    connect(frmFolder, &TfrmFolder::FolderRenamed, this, [this] {
        ShowDefaultFolderPath();
        RefreshLists();
        FHistory->Record("Folder Name");
    });
    connect(frmFolder, &TfrmFolder::MenuAboutToShow, this, [this] { miSetAsDefault->setEnabled(true); });
    auto* folderLayout = new QVBoxLayout(folderGroup);
    folderLayout->setSpacing(6);
    folderLayout->addWidget(lbDefaultFolder);
    folderLayout->addWidget(frmFolder, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    layout->addWidget(product);
    layout->addWidget(folderGroup, 1);
}

void TfmMain::CreateListTabs()
{
    frmFiles = new TfrmFiles(FMessages, FPages[tsFiles]);
    KeepColumnShares(frmFiles, "filecolumns");
    // Dropped files go to the folder chosen in the General tab's tree; the
    // folders a drop makes show there at once, the choice kept.
    frmFiles->DropTarget = [this] { return frmFolder->SelectedFolder(); };
    frmFiles->OnFoldersAdded = [this] {
        TFolder* chosen = frmFolder->SelectedFolder();
        frmFolder->SetFolders(&FProject->Folders());
        if (!chosen || !frmFolder->SelectFolder(chosen))
            SelectDefaultFolder();
    };
    frmShortcuts = new TfrmShortcuts(FMessages, FPages[tsShortcuts]);
    KeepColumnShares(frmShortcuts, "shortcutcolumns");
    frmSetupDLLs = new TfrmSetupDLLs(FMessages, FPages[tsSetupDlls]);
    KeepColumnShares(frmSetupDLLs, "dllcolumns");
    for (auto [tab, frame] :
         {std::pair<TTab, TfrmBase*>{tsFiles, frmFiles}, {tsShortcuts, frmShortcuts}, {tsSetupDlls, frmSetupDLLs}}) {
        auto* layout = new QVBoxLayout(FPages[tab]);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(frame);
        // A file's folder shows in the shortcuts that start it, and deleted
        // files take their shortcuts with them.
        connect(frame, &TfrmBase::ProjectChanged, this, &TfmMain::RefreshLists);
        connect(frame, &TfrmBase::ProjectChanged, this,
                [this, tab] { FHistory->Record(FTabs->tabText(tab).toStdString()); });
    }
}

void TfmMain::KeepColumnShares(TfrmProjectList* list, const char* setting)
{
    // The columns as the author last set them, kept in the settings as they
    // change (the settings are written at exit).
    list->List()->SetColumnShares(FSettings->ReadSetting(setting));
    list->List()->OnColumnsResized = [this, list, setting] {
        FSettings->WriteSetting(setting, list->List()->ColumnShares());
    };
}

void TfmMain::RunCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
    }
}

void TfmMain::OpenStartProject(const std::string& argument)
{
    if (!argument.empty() && FileExists(argument))
        OpenProject(argument);
}

void TfmMain::EnableProjectCommands(bool enabled)
{
    for (QAction* action : {aFileSave, aFileSaveAs, aFileClose, aBuild, aRuntimesWizard, aChooseSetupImage})
        action->setEnabled(enabled);
    for (QAction* action : aEdit)
        action->setEnabled(enabled);
    miTestBuild->setEnabled(enabled);
}

namespace {
std::vector<uint8_t> ProjectBytes(TProject& project)
{
    TMemoryStream stream;
    project.SaveToStream(stream);
    return stream.Data();
}
} // namespace

bool TfmMain::IsProjectModified()
{
    if (!FProject)
        return false;
    if (FProject->ProjectFileName().empty())
        return true;
    // Whatever goes wrong while comparing, the project counts as changed:
    // asking once too often is harmless, losing work is not. The question is
    // also asked while the window closes, where nothing may escape.
    //
    // The file is compared as read back, not byte for byte: opening takes the
    // file's own folder as the work folder, so a project whose file names
    // another one (moved, copied, or the example, which names none) is not
    // taken for a change, nor is a .json laid out by hand or another editor.
    try {
        if (!FJsonPath.empty())
            return ProjectToJson(*OpenAnyProjectFile(FJsonPath)) != ProjectToJson(*FProject);
        auto saved = OpenProjectFile(AppendPath(FProject->ProjectDir(), FProject->ProjectFileName()));
        return ProjectBytes(*saved) != ProjectBytes(*FProject);
    } catch (const std::exception& e) {
        DebugTrace(std::string("TfmMain: project compared as changed: ") + e.what());
        return true;
    }
}

bool TfmMain::ConfirmReplace()
{
    if (!FProject || !IsProjectModified())
        return true;
    switch (FMessages->Confirm(SaveCurrentPrompt, TQuestionButtons::YesNoCancel)) {
    case TAnswer::Yes: return Save();
    case TAnswer::No: return true;
    default: return false;
    }
}

std::unique_ptr<TScrambeledMemIniFile> TfmMain::OpenTextsFile(const TProject& project) const
{
    std::string name = project.GetResourceFileName();
    if (!FileExists(name))
        CopyFileNoOverwrite(AppendPath(FProgramDir, "Resources.dat"), name);
    return std::make_unique<TScrambeledMemIniFile>(name);
}

bool TfmMain::aFileNewExecute()
{
    if (FProject && !CloseProject())
        return false;
    auto project = std::make_unique<TProject>(FSettings->ReadSetting("company"));
    {
        TfmWizard wizard(FMessages, FDialogs, FSettings.get(), FProgramDir, this);
        wizard.SetProject(project.get());
        if (RunModal(FRunModal, wizard) != QDialog::Accepted || !wizard.Finished())
            return false;
    }
    // The wizard wrote the texts file under the name that opening the
    // project file finds again; that is the one to show and write back.
    auto textsFile = std::make_unique<TScrambeledMemIniFile>(TfmWizard::TextsFilePath(*project));
    FSettings->WriteSetting("company", project->CompanyName());
    FSettings->WriteSetting("lastfolder", project->ProjectDir());
    ClearTestBuilds();
    FProject = std::move(project);
    FJsonPath.clear();
    EnableProjectCommands(true);
    FSettings->AddRecentProject(TfmWizard::ProjectFilePath(*FProject));
    ShowProject(std::move(textsFile));
    FHistory->Reset();
    FCaption = Title(FProject.get());
    UpdateTitle();
    FTabs->show();
    FTabs->setCurrentIndex(tsGeneral);
    return true;
}

bool TfmMain::OpenProject(const std::string& fileName)
{
    ClearTestBuilds();
    std::string path = fileName.empty() ? FDialogs->OpenProject() : fileName;
    if (path.empty())
        return false;
    try {
        // A missing or unreadable file fails here, before anything changes.
        ReadFileBytes(path);
        if (!ConfirmReplace())
            return false;
        // The new project and its texts file are made in full before the
        // open one is let go, so a damaged file leaves the window as it was.
        std::unique_ptr<TProject> project = OpenAnyProjectFile(path, FSettings->ReadSetting("company"));
        std::unique_ptr<TScrambeledMemIniFile> textsFile = OpenTextsFile(*project);
        UnbindProject();
        FProject = std::move(project);
        FJsonPath = IsJsonProjectPath(path) ? ExpandFileName(path) : std::string();
        FSettings->AddRecentProject(path);
        ShowProject(std::move(textsFile));
        FHistory->Reset();
        FCaption = Title(FProject.get());
        UpdateTitle();
        FTabs->show();
        FTabs->setCurrentIndex(tsGeneral);
        EnableProjectCommands(true);
        return true;
    } catch (const std::exception& e) {
        FMessages->ShowMessage("\"" + std::string(e.what()) + "\" error occured while trying to open " + path + ".");
        return false;
    }
}

bool TfmMain::ImportInf()
{
    std::string path = FDialogs->OpenInf();
    if (path.empty() || !ConfirmReplace())
        return false;
    TImportResult result;
    try {
        // Unplaced: whole source paths, renamed files copied beside the .inf.
        result = ImportInfFile(path, TInfImportOptions());
        MakeImportCopies(result.FCopies);
    } catch (const std::exception& e) {
        FMessages->ShowMessage("\"" + std::string(e.what()) + "\" error occured while trying to import " + path + ".");
        return false;
    }
    OpenImported(std::move(result.FProject), result.FReport);
    return true;
}

void TfmMain::OpenImported(std::unique_ptr<TProject> project, const TImportReport& importReport)
{
    {
        TfmImportReport report(AnsiToQt(importReport.Text()), this);
        RunModal(FRunModal, report);
    }
    // No file name yet, so that Save asks where the project goes; the
    // default texts are read in and written beside it then.
    project->SetProjectFileName(std::string());
    auto textsFile = std::make_unique<TScrambeledMemIniFile>(AppendPath(FProgramDir, "Resources.dat"));
    UnbindProject();
    ClearTestBuilds();
    FProject = std::move(project);
    setWindowTitle(Title(FProject.get()));
    ShowProject(std::move(textsFile));
    FTabs->show();
    FTabs->setCurrentIndex(tsGeneral);
    EnableProjectCommands(true);
}

bool TfmMain::ImportCabFiles()
{
    const std::vector<std::string> cabs = FDialogs->OpenCabs();
    if (cabs.empty())
        return false;
    const std::string chosen = FDialogs->SaveProject(ExtractFilePath(cabs.front()));
    if (chosen.empty() || !ConfirmReplace())
        return false;
    const std::string path = ExpandFileName(chosen);
    TCabImport import;
    try {
        // The CABs are read whole before anything is written: a damaged one
        // leaves the disk and the window as they were.
        import = ImportCabs(cabs, path);
        WriteCabImportFiles(import);
    } catch (const std::exception& e) {
        FMessages->ShowMessage("\"" + std::string(e.what()) + "\" error occured while trying to import " +
                               cabs.front() + ".");
        return false;
    }
    OpenImported(std::move(import.FResult.FProject), import.FResult.FReport);
    // Its place was chosen before the import, so it is saved there at once.
    return SaveToChosenPath(path);
}

void TfmMain::UnbindProject()
{
    for (TfrmBase* frame : ProjectFrames())
        frame->SetProject(nullptr);
    frmFolder->SetProject(nullptr);
    frmFolder->SetFolders(nullptr);
    if (FProject) {
        FProject->SetOnApplicationNameChange(nullptr);
        FProject->SetOnDefaultFolderChange(nullptr);
        FProject->SetOnCompanyNameChange(nullptr);
        FProject->SetOnIconFileChange(nullptr);
    }
}

void TfmMain::ShowProject(std::unique_ptr<TScrambeledMemIniFile> textsFile)
{
    frmFolder->SetProject(FProject.get());
    frmFolder->SetPlatforms(AllPlatforms);

    FProject->SetOnApplicationNameChange([this](TProject&) { ProjectApplicationNameChanged(); });
    FProject->SetOnDefaultFolderChange([this](TProject&) { ProjectDefaultFolderChanged(); });
    FProject->SetOnCompanyNameChange([this](TProject&) { ProjectCompanyNameChanged(); });
    FProject->SetOnIconFileChange([this](TProject&) { ProjectIconFileChanged(); });

    eAppName->setText(AnsiToQt(FProject->AppName()));
    eIconFile->setText(AnsiToQt(FProject->IconFile()));
    eCompanyName->setText(AnsiToQt(FProject->CompanyName()));
    ShowDefaultFolder();

    for (TfrmBase* frame : ProjectFrames())
        frame->SetProject(FProject.get());

    // The texts file of the project shown before goes unwritten: only Save
    // and the end of the program write texts back.
    FTextsFile = std::move(textsFile);
    FLanguageManager->LoadLanguages(FTextsFile.get());
    FillLanguageList();
    frmMemoEditor->SetProjectFolder(FProject->ProjectDir());
    // The preview reads the licence file at once; one that cannot be read
    // or made is the Languages tab's problem, not a reason to refuse the
    // project, which is bound to every tab by now.
    try {
        BuildTextTree();
    } catch (const std::exception& e) {
        FMessages->ShowError(ErrorBoxText(e.what()));
    }
}

void TfmMain::ShowDefaultFolder()
{
    if (!FProject)
        return;
    frmFolder->SetPlatforms(AllPlatforms);
    frmFolder->SetFolders(&FProject->Folders());
    SelectDefaultFolder();
    ShowDefaultFolderPath();
}

void TfmMain::ShowDefaultFolderPath()
{
    TFolder* folder = FProject ? FProject->DefaultFolder() : nullptr;
    lbDefaultFolder->setText(folder ? AnsiToQt(folder->GetPath()) : QString());
}

void TfmMain::SelectDefaultFolder()
{
    if (!FProject || !frmFolder->SelectFolder(FProject->DefaultFolder()))
        return;
    // The tab set may still be hidden; then the focus simply stays put.
    frmFolder->Tree()->setFocus();
}

void TfmMain::RefreshLists()
{
    // A deleted or renamed folder, a new default folder or a dropped file
    // changes what these lists show.
    for (TfrmProjectList* list : std::initializer_list<TfrmProjectList*>{frmFiles, frmShortcuts, frmSetupDLLs})
        list->RefreshList();
}

std::array<TfrmBase*, 4> TfmMain::ProjectFrames() const
{
    return {frmFiles, frmShortcuts, frmSetupDLLs, frmRegistry};
}

void TfmMain::ShowNameChange(QLineEdit* edit, const std::string& name, const TFolder* folder)
{
    QString shown = AnsiToQt(name);
    if (edit->text() != shown)
        edit->setText(shown);
    if (frmFolder->Tree()->topLevelItemCount() > 0 && folder) {
        TTreeDisplay& display = frmFolder->Display();
        if (auto* item = TQtTreeDisplay::Item(FindTreeNode(display, folder, display.Child(nullptr, 0))))
            item->setText(0, AnsiToQt(folder->Name()));
    }
}

void TfmMain::ProjectApplicationNameChanged()
{
    ShowNameChange(eAppName, FProject->AppName(), FProject->AppFolder());
    frmContainter->SetAppName(FProject->AppName());
}

void TfmMain::ProjectCompanyNameChanged()
{
    ShowNameChange(eCompanyName, FProject->CompanyName(), FProject->CompanyFolder());
    frmContainter->SetCompanyName(FProject->CompanyName());
}

void TfmMain::ProjectDefaultFolderChanged()
{
    ShowDefaultFolder();
    RefreshLists();
}

void TfmMain::ProjectIconFileChanged()
{
    QString name = AnsiToQt(FProject->IconFile());
    if (eIconFile->text() != name)
        eIconFile->setText(name);
}

void TfmMain::EditChanged(QLineEdit* edit)
{
    if (!FProject)
        return;
    std::string refusal;
    std::optional<std::string> text = QtToAnsi(edit->text(), &refusal);
    if (!text) {
        // The whole edit goes back to what the project holds; a half-accepted
        // text would be a silent change of what the author typed.
        const std::string& stored = edit == eAppName       ? FProject->AppName()
                                    : edit == eCompanyName ? FProject->CompanyName()
                                                           : FProject->IconFile();
        int cursor = edit->cursorPosition();
        edit->setText(AnsiToQt(stored));
        edit->setCursorPosition(std::min(cursor, int(edit->text().size())));
        FMessages->ShowMessage(refusal);
        return;
    }
    if (edit == eAppName)
        FProject->SetApplicationName(*text);
    else if (edit == eCompanyName)
        FProject->SetCompanyName(*text);
    else
        FProject->SetIconFile(*text);
    // Typing into one box in a row is one step.
    const int key = edit == eAppName ? 1 : edit == eCompanyName ? 2 : 3;
    FHistory->Record(key == 1 ? "Application Name" : key == 2 ? "Company Name" : "Icon File", key);
}

void TfmMain::BrowseIcon()
{
    std::string path = FDialogs->OpenIcon();
    if (path.empty() || !FProject)
        return;
    eIconFile->setText(HostPathToQt(path));
    EditChanged(eIconFile);
}

void TfmMain::SetAsDefault()
{
    if (!FProject)
        return;
    if (TFolder* folder = frmFolder->SelectedFolder()) {
        FProject->SetDefaultFolder(folder);
        RefreshLists();
        FHistory->Record("Default Folder");
    }
}

bool TfmMain::Save()
{
    if (!FProject)
        return false;
    if (FProject->ProjectFileName().empty()) {
        std::string chosen = FDialogs->SaveProject(FProject->ProjectDir());
        return !chosen.empty() && SaveToChosenPath(chosen);
    }
    return WriteProjectTo(FProject->ProjectDir(), TProject::ProjectFileNameFor(FProject->ProjectFileName()), FJsonPath);
}

bool TfmMain::SaveAs()
{
    if (!FProject)
        return false;
    std::string chosen = FDialogs->SaveProjectAs(FProject->ProjectDir());
    return !chosen.empty() && SaveToChosenPath(chosen);
}

std::string TfmMain::ProjectFilePath() const
{
    if (!FProject || FProject->ProjectFileName().empty())
        return std::string();
    return FJsonPath.empty() ? AppendPath(FProject->ProjectDir(), FProject->ProjectFileName()) : FJsonPath;
}

bool TfmMain::SaveToChosenPath(const std::string& chosen)
{
    const std::string path = ExpandFileName(chosen);
    const std::string dir = ExtractFilePath(path);
    // A JSON project acts as the binary project of its name beside it: the
    // texts file and the licences are the same ones.
    bool saved = IsJsonProjectPath(path)
                     ? WriteProjectTo(dir, ChangeFileExt(ExtractFileName(path), ".vip"), path)
                     : WriteProjectTo(dir, TProject::ProjectFileNameFor(ExtractFileName(path)), std::string());
    if (saved) {
        FSettings->AddRecentProject(ProjectFilePath());
        FCaption = Title(FProject.get());
        UpdateTitle();
    }
    return saved;
}

bool TfmMain::WriteProjectTo(const std::string& dir, const std::string& name, const std::string& jsonPath)
{
    const std::string oldDir = FProject->ProjectDir(), oldName = FProject->ProjectFileName();
    try {
        // Ctrl+S leaves the focus in the licence editor, so its text is
        // written here and not only when it loses the focus.
        frmMemoEditor->SaveLicence();
        RecordChange();
        FProject->SetProjectDir(dir);
        FProject->SetProjectFileName(name);
        if (jsonPath.empty())
            SaveProjectFile(*FProject, AppendPath(dir, name));
        else
            WriteFileAtomic(jsonPath, ProjectToJsonFile(*FProject));
    } catch (const std::exception& e) {
        // Nothing was written: the project stays kept where it was.
        FProject->SetProjectDir(oldDir);
        FProject->SetProjectFileName(oldName);
        FMessages->ShowMessage("\"" + std::string(e.what()) + "\" error occured while trying to save file!");
        return false;
    }
    FJsonPath = jsonPath;
    try {
        // The texts file is found by the project file's name, so a new name
        // takes the texts along; the file of the old name stays as it was.
        if (FTextsFile && FTextsFile->FileName() != FProject->GetResourceFileName())
            FTextsFile->SaveAs(FProject->GetResourceFileName());
        else if (FTextsFile)
            FTextsFile->UpdateFile();
        if (!oldDir.empty() && !IsSameFile(ExcludeTrailingPathDelimiter(oldDir), ExcludeTrailingPathDelimiter(dir)))
            TakeLicencesAlong(oldDir);
        // The history stays: undoing back to here is the saved project again.
        FHistory->MarkSaved();
        UpdateTitle();
        return true;
    } catch (const std::exception& e) {
        FMessages->ShowMessage("\"" + std::string(e.what()) + "\" error occured while trying to save file!");
        return false;
    }
}

void TfmMain::TakeLicencesAlong(const std::string& fromDir)
{
    // The licences live beside the project, outside its file. A licence
    // already in the new folder is that folder's own and stays.
    if (FTextsFile) {
        for (int32_t language : LicenceLanguages()) {
            const std::string from = LicenceFilePath(fromDir, language, *FTextsFile);
            if (FileExists(from))
                CopyFileNoOverwrite(from, LicenceFilePath(FProject->ProjectDir(), language, *FTextsFile));
        }
    }
    frmMemoEditor->SetProjectFolder(FProject->ProjectDir());
    BuildTextTree();
}

bool TfmMain::CloseProject()
{
    if (!ConfirmReplace())
        return false;
    UnbindProject();
    FProject.reset();
    FHistory->Clear();
    FJsonPath.clear();
    FTabs->hide();
    EnableProjectCommands(false);
    FCaption = Title(FProject.get());
    UpdateTitle();
    eAppName->clear();
    eCompanyName->clear();
    eIconFile->clear();
    lbDefaultFolder->clear();
    return true;
}

void TfmMain::UpdateTitle()
{
    QString title = FCaption;
    if (FProject && !FHistory->IsClean())
        title += QStringLiteral(" *");
    setWindowTitle(title);
}

void TfmMain::FillRecentMenu()
{
    for (int i = 0; i < int(FRecent.size()); ++i) {
        QString path = HostPathToQt(FSettings->RecentProject(i));
        FRecent[i]->setData(path);
        FRecent[i]->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        FRecent[i]->setEnabled(!path.isEmpty());
        FRecent[i]->setVisible(!path.isEmpty());
    }
    if (!FRecent[0]->isVisible()) {
        FRecent[0]->setText(QStringLiteral("(None)"));
        FRecent[0]->setVisible(true);
        FRecent[0]->setEnabled(false);
    }
}

void TfmMain::OpenRecent(const std::string& path)
{
    if (!FileExists(path)) {
        FSettings->RemoveRecentProject(path);
        throw Exception("File not found: " + path);
    }
    if (FProject && IsSameFile(path, ProjectFilePath()))
        return;
    OpenProject(path);
}

void TfmMain::ClearTestBuilds()
{
    miTestBuild->clear();
}

void TfmMain::AddTestBuilds(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        if (!FileExists(path))
            continue;
        QAction* entry = miTestBuild->addAction(HostPathToQt(path));
        connect(entry, &QAction::triggered, this, [this, path] { RunCommand([this, path] { TestBuildClick(path); }); });
    }
}

void TfmMain::TestBuildClick(const std::string& path)
{
    if (!FOpenDocument(path))
        throw Exception("Cannot open " + path);
}

void TfmMain::aBuildExecute()
{
    if (!FProject || FBuilding)
        return;
    if (!FTextsFile)
        throw Exception("The texts file of the project is not open");
    // The run shows dialogs and repaints the log between its steps; a second
    // F7 in between must not start a run over the same files.
    FBuilding = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FBuilding};

    TCurrentFolder folder(FProject->ProjectDir());
    TMainBuildCallbacks callbacks(*this, *FMessages, FRunModal);
    TBuildDriver driver(*FProject, *FTextsFile, FProgramDir, callbacks);
    driver.SetCabCompiler(FCabCompiler.get());
    TSigningOptions signing;
    signing.Pkcs12 = HostFileName(FSettings->ReadSetting("signpkcs12"));
    signing.TimestampUrl = FSettings->ReadSetting("signtimestamp");
    signing.Password = FSignPassword.empty() ? GetEnvironmentText(TPackageSigner::PasswordVariable) : FSignPassword;
    if (signing.Enabled())
        driver.SetSigner(std::make_unique<TPackageSigner>(signing));
    driver.SetDeviceSigning(DeviceSigningOptions(signing));
    driver.Execute();
}

void TfmMain::aRuntimesWizardExecute()
{
    if (!FProject)
        return;
    TfmRuntimeWizard wizard(FMessages, this);
    wizard.SetProject(FProject.get());
    RunModal(FRunModal, wizard);
    frmFiles->RefreshList();
    FHistory->Record("Runtimes");
}

TSigningOptions TfmMain::DeviceSigningOptions(const TSigningOptions& package) const
{
    TSigningOptions device;
    device.Pkcs12 = HostFileName(FSettings->ReadSetting("devicesignpkcs12"));
    device.TimestampUrl = FSettings->ReadSetting("devicesigntimestamp");
    // Settings from before the choice existed, or edited by hand, sign
    // with what every device verifies.
    device.Digest = FSettings->ReadSetting("devicesigndigest") == "sha256" ? "sha256" : "sha1";
    device.Password =
        FDeviceSignPassword.empty() ? GetEnvironmentText(TPackageSigner::DevicePasswordVariable) : FDeviceSignPassword;
    ShareOnePassword(device, package);
    return device;
}

void TfmMain::aSigningExecute()
{
    TfmSigning dialog(FDialogs, FMessages, this);
    dialog.SetFrom(*FSettings, FSignPassword, FDeviceSignPassword);
    while (dialog.exec() == QDialog::Accepted)
        if (dialog.StoreInto(*FSettings)) {
            FSignPassword = dialog.Password();
            FDeviceSignPassword = dialog.DevicePassword();
            return;
        }
}

void TfmMain::aChooseSetupImageExecute()
{
    if (!FProject)
        return;
    TfmSetupImage dialog(FDialogs, FMessages, this);
    dialog.SetImage(FProject->SetupImage());
    if (dialog.exec() == QDialog::Accepted)
        FProject->SetSetupImage(dialog.ImagePath());
    FHistory->Record("Setup Image");
}

void TfmMain::aHelpContentsExecute()
{
    // Windows has a viewer for the compiled help file; elsewhere the same
    // manual ships as HTML and opens in the browser.
    std::string help =
        OnWindows() && FileExists(FHelpFile) ? FHelpFile : AppendPath(AppendPath(FProgramDir, "manual"), "index.html");
    if (!FileExists(help))
        throw Exception("The help file " + help + " is missing");
    if (!FOpenDocument(help))
        throw Exception("Cannot open the help file " + help);
}

void TfmMain::aAboutExecute()
{
    TAboutBox about(VI_VERSION, this);
    about.exec();
}

namespace {

// The one project file of a drop, or empty.
QString DroppedProjectFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile())
        return QString();
    const QString path = mime->urls().first().toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("vip") || suffix == QLatin1String("json") ? path : QString();
}

} // namespace

void TfmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedProjectFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TfmMain::dropEvent(QDropEvent* event)
{
    const QString path = DroppedProjectFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened after the drop has ended, so that the save question does not
    // hold the file manager's drag.
    const std::string file = HostPathFromQt(path);
    QTimer::singleShot(0, this, [this, file] { RunCommand([this, file] { OpenProject(file); }); });
}

void TfmMain::closeEvent(QCloseEvent* event)
{
    if (!FShutDown && FProject && IsProjectModified() &&
        FMessages->Confirm(SaveAtExitPrompt, TQuestionButtons::YesNo) == TAnswer::Yes)
        Save();
    Shutdown(true);
    event->accept();
}

void TfmMain::Shutdown(bool interactive)
{
    if (FShutDown)
        return;
    FShutDown = true;
    FSettings->SaveSettings();
    // A file that cannot be written is told to the author, or traced when
    // no one is there to read it.
    auto write = [this, interactive](const char* what, const std::function<void()>& save) {
        try {
            save();
        } catch (const std::exception& e) {
            if (interactive)
                FMessages->ShowError(ErrorBoxText(e.what()));
            else
                DebugTrace(std::string("TfmMain: ") + what + " not written: " + e.what());
        }
    };
    write("licence", [this] { frmMemoEditor->SaveLicence(); });
    UnbindProject();
    FProject.reset();
    if (FTextsFile) {
        write("texts file", [this] { FTextsFile->UpdateFile(); });
        FTextsFile.reset();
    }
}
