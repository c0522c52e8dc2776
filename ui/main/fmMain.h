#pragma once

// The builder's main window: owns the open project, its texts file, the
// settings, the language manager and the CAB compiler; hosts one tab per
// part of a project and runs the project lifecycle (open, save, close, the
// recent list and the save prompts).

#include "ui/parts/ModalRunner.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTimer;
class QToolButton;
class TCabCompiler;
class TFileDialogs;
class TLanguageManager;
class TMessageService;
class TProject;
class TScrambeledMemIniFile;
class TSettings;
class TEditorHooks;
class TFolder;
class TImportReport;
class TfrmBase;
class TfrmProjectList;
class TfrmFiles;
class TfrmFolder;
class TfrmRegistry;
class TfrmSetupDLLs;
class TfrmShortcuts;
class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TResource;
class TfrmContainter;
class TfrmMemoEditor;
class TfrmStringEditor;
class TProjectHistory;
struct TProjectState;
struct TSigningOptions;

class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    // Opens a document (a package file, the manual) with the desktop's
    // default handler; false when nothing could open it.
    using TOpenDocument = std::function<bool(const std::string& path)>;

    enum TTab { tsGeneral, tsFiles, tsShortcuts, tsSetupDlls, tsRegistry, tsLanguages, TabCount };

    // messages and dialogs are not owned; the settings are, and are loaded
    // here. programDir is the folder of the program file (with "Resources.dat",
    // "Tools", the manual).
    TfmMain(TMessageService* messages, TFileDialogs* dialogs, std::unique_ptr<TSettings> settings,
            const std::string& programDir, QWidget* parent = nullptr);
    ~TfmMain() override;

    void SetOpenDocument(TOpenDocument open) { FOpenDocument = std::move(open); }
    // How the build's dialogs (Missing Files, Build Wizard, Build
    // Configuration) are shown; tests work them without an event loop.
    void SetModalRunner(TModalRunner runner) { FRunModal = std::move(runner); }

    // New: closes the open project (with the save prompt), then runs the
    // new-project wizard; true when the wizard finished and its project is
    // now open.
    bool aFileNewExecute();

    // The first command-line argument: opened when it names an existing file.
    void OpenStartProject(const std::string& argument);

    // Opens the file, or the one chosen in the Open dialog when the name is
    // empty. False when nothing was opened; a failure is reported and the
    // project open before stays open and shown.
    bool OpenProject(const std::string& fileName);
    // File > Import > CAB Wizard .inf: the project of the .inf chosen,
    // opened unsaved (Save asks for its place) after its report was shown.
    // False when nothing was imported; the project open before then stays.
    bool ImportInf();
    // File > Import > CAB files: asks for the CABs, then where the new
    // project goes; writes their files into its files folder and the
    // project there, shows the report and opens the project. False when
    // nothing was imported; the project open before then stays.
    bool ImportCabFiles();
    // Shows an import's report, then opens its project without a file name.
    void OpenImported(std::unique_ptr<TProject> project, const TImportReport& report);
    // Saves to the project's file, asking for a name when it has none.
    // True when the project and its texts file were written. A project
    // opened from its JSON form is saved back to that .json file.
    bool Save();
    // Asks for a file of either form and saves there; the project is then
    // kept in that file. Into another folder the licences go along.
    bool SaveAs();
    // The file the project is kept in: its .json file or its .vip file;
    // empty before the project has a name.
    std::string ProjectFilePath() const;
    // Closes the project after the save prompt; false when the author
    // cancelled or the save failed.
    bool CloseProject();
    // True when the project's serialised form differs from its saved file.
    bool IsProjectModified();
    // A recent entry was chosen.
    void OpenRecent(const std::string& path);
    // Sets the Recent submenu from the settings (runs as the File menu opens).
    void FillRecentMenu();

    void EnableProjectCommands(bool enabled);
    void ShowDefaultFolder();
    void SelectDefaultFolder();

    // The lists that show device paths (Files, Shortcuts, Setup DLLs) show
    // the project again: after files were dropped, a folder was renamed...
    void RefreshLists();
    // The frames bound to the project as a whole.
    std::array<TfrmBase*, 4> ProjectFrames() const;

    void ClearTestBuilds();
    // The package files of the build that just completed; missing ones are left out.
    void AddTestBuilds(const std::vector<std::string>& paths);

    // Undo and redo over every change to the project, its texts and its
    // licences. RecordChange makes whatever changed since the last step a
    // step, named after the tab shown (or the editor it shows); it runs when the
    // author pauses, before Undo, Redo and Save, and as the Edit menu opens.
    TProjectHistory& History() const { return *FHistory; }
    void RecordChange();
    void Undo();
    void Redo();
    QAction* UndoAction() const { return aUndo; }
    QAction* RedoAction() const { return aRedo; }

    // Runs a command; an Exception that leaves it is shown in the error box.
    void RunCommand(const std::function<void()>& command);

    TProject* Project() const { return FProject.get(); }
    TSettings& Settings() const { return *FSettings; }
    TLanguageManager& LanguageManager() const { return *FLanguageManager; }
    TScrambeledMemIniFile* TextsFile() const { return FTextsFile.get(); }
    QPlainTextEdit* Log() const { return FLog; }

    // The Languages tab.
    void BuildTextTree();
    void TreeView1Change(QTreeWidgetItem* node);
    void cbLanguagesChange();
    void btAddLanguageClick();
    void btDeleteLanguageClick();

protected:
    // Keys and clicks restart the pause after which a change is recorded.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A .vip or .json project dropped on the window opens (after the save
    // question); files for the project go to the Files tab.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateUndoActions();
    void CreateMenus();
    void CreateCentralWidget();
    void CreateGeneralTab(QWidget* page);
    void CreateListTabs();
    void CreateLanguagesTab(QWidget* page);
    // The "&Current Language:" list from the manager, "Neutral" selected.
    void FillLanguageList();
    QWidget* CreateTab(TTab tab, const QString& caption, const QIcon& icon);

    // Binds the open project to the tabs; takes over its texts file.
    void ShowProject(std::unique_ptr<TScrambeledMemIniFile> textsFile);
    // Lets go of every pointer into the project before it is freed.
    void UnbindProject();
    // The project's texts file, copied from "Resources.dat" when missing.
    std::unique_ptr<TScrambeledMemIniFile> OpenTextsFile(const TProject& project) const;
    // Asks before the open project is replaced; false to stop.
    bool ConfirmReplace();
    void Shutdown(bool interactive);
    // The caption (FCaption: a plain Save keeps it, as the project's name
    // is the one it was opened or saved as under), with " *" while the project differs from its saved state.
    void UpdateTitle();
    std::shared_ptr<const TProjectState> CaptureState();
    void RestoreState(const TProjectState& state);
    // The languages whose licence files belong to the project.
    std::vector<int32_t> LicenceLanguages() const;
    std::string ShownPart() const;
    void ShowDefaultFolderPath();

    // The edit and the folder's node show a name the project changed.
    void ShowNameChange(QLineEdit* edit, const std::string& name, const TFolder* folder);
    void ProjectApplicationNameChanged();
    void ProjectDefaultFolderChanged();
    void ProjectCompanyNameChanged();
    void ProjectIconFileChanged();

    // Typed text goes to the project at once, or is refused whole.
    void EditChanged(QLineEdit* edit);
    void BrowseIcon();
    void SetAsDefault();

    void aBuildExecute();
    void aRuntimesWizardExecute();
    void aChooseSetupImageExecute();
    void aSigningExecute();
    // The device certificate of the settings, with the session's password,
    // or the packages' one when both are one file.
    TSigningOptions DeviceSigningOptions(const TSigningOptions& package) const;
    void aHelpContentsExecute();
    void aAboutExecute();
    void TestBuildClick(const std::string& path);

    void KeepColumnShares(TfrmProjectList* list, const char* setting);
    bool SaveToChosenPath(const std::string& chosen);
    bool WriteProjectTo(const std::string& dir, const std::string& name, const std::string& jsonPath);
    void TakeLicencesAlong(const std::string& fromDir);

    TMessageService* FMessages;
    TFileDialogs* FDialogs;
    std::unique_ptr<TSettings> FSettings;
    std::string FProgramDir;
    std::string FHelpFile;
    // The JSON file the project is kept in; empty for a binary project.
    std::string FJsonPath;
    // The certificates' passwords for this session only: never saved.
    std::string FSignPassword;
    std::string FDeviceSignPassword;
    TOpenDocument FOpenDocument;
    TModalRunner FRunModal;
    bool FBuilding = false;

    std::unique_ptr<TProject> FProject;
    std::unique_ptr<TLanguageManager> FLanguageManager;
    std::unique_ptr<TScrambeledMemIniFile> FTextsFile;
    std::unique_ptr<TCabCompiler> FCabCompiler;
    bool FShutDown = false;

    QTabWidget* FTabs = nullptr;
    std::array<QWidget*, TabCount> FPages{};
    QPlainTextEdit* FLog = nullptr;
    QLineEdit* eAppName = nullptr;
    QLineEdit* eCompanyName = nullptr;
    QLineEdit* eIconFile = nullptr;
    QToolButton* btIconFile = nullptr;
    QLabel* lbDefaultFolder = nullptr;
    TfrmFolder* frmFolder = nullptr;
    QAction* miSetAsDefault = nullptr;
    TfrmFiles* frmFiles = nullptr;
    TfrmShortcuts* frmShortcuts = nullptr;
    TfrmSetupDLLs* frmSetupDLLs = nullptr;
    TfrmRegistry* frmRegistry = nullptr;
    std::unique_ptr<TEditorHooks> FEditorHooks;
    TProjectHistory* FHistory = nullptr;
    QString FCaption;
    QTimer* FRecordTimer = nullptr;

    QComboBox* cbLanguages = nullptr;
    QPushButton* btAddLanguage = nullptr;
    QPushButton* btDeleteLanguage = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    TfrmStringEditor* frmStringEditor = nullptr;
    TfrmMemoEditor* frmMemoEditor = nullptr;
    TfrmContainter* frmContainter = nullptr;
    // The text tree's resources; they go with the tree's nodes.
    std::vector<std::unique_ptr<TResource>> FTextResources;
    bool FFillingLanguages = false;

    QAction* aFileNew = nullptr;
    QAction* aFileOpen = nullptr;
    QAction* aImportInf = nullptr;
    QAction* aImportCab = nullptr;
    QAction* aFileSave = nullptr;
    QAction* aFileSaveAs = nullptr;
    QAction* aFileClose = nullptr;
    QAction* aFileExit = nullptr;
    QAction* aUndo = nullptr;
    QAction* aRedo = nullptr;
    std::array<QAction*, TabCount> aEdit{};
    QAction* aBuild = nullptr;
    QAction* aRuntimesWizard = nullptr;
    QAction* aChooseSetupImage = nullptr;
    QAction* aSigning = nullptr;
    QAction* aHelpContents = nullptr;
    QAction* aAbout = nullptr;
    QMenu* miFile = nullptr;
    QMenu* miRecent = nullptr;
    QMenu* miTestBuild = nullptr;
    std::array<QAction*, 4> FRecent{};
};
