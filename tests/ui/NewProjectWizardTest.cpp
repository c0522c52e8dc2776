// The new-project wizard: the derivations of its first page, its page
// buttons, Finish on disk (also when it fails), and New in the main window.

#include "FakeServices.h"
#include "support/TestSupport.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/Settings.h"
#include "storage/uScramble.h"
#include "ui/lists/frmList.h"
#include "ui/lists/frmShortcuts.h"
#include "ui/main/fmMain.h"
#include "ui/parts/frmFolder.h"
#include "ui/wizard/fmWizard.h"
#include "ui/wizard/frmProjectInfo.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>

namespace {

const char* const OrgName = "Veltrin Installer Wizard Tests";

// The program folder of this build when CTest names none.
std::string BuiltProgramDir()
{
    const char* dir = std::getenv("VI_PROGRAM_DIR");
    return IncludeTrailingPathDelimiter(dir && *dir ? dir : VI_BUILD_PROGRAM_DIR);
}

// HOME and the settings store point into a scratch folder, since opening
// the wizard makes the projects base folder at once.
class WizardTestBase : public ::testing::Test {
protected:
    WizardTestBase()
    {
        const char* home = std::getenv("HOME");
        FOldHome = home ? std::optional<std::string>(home) : std::nullopt;
        ForceDirectories(Temp.File("home"));
        setenv("HOME", Temp.File("home").c_str(), 1);
        KeepSettingsIn(Temp.File("settings"));
        QSettings(QString::fromLatin1(OrgName), QStringLiteral("1.0")).clear();
    }
    ~WizardTestBase() override
    {
        if (FOldHome)
            setenv("HOME", FOldHome->c_str(), 1);
        else
            unsetenv("HOME");
    }

    std::string Home() const { return Temp.File("home"); }
    std::string MyProjects() const { return AppendPath(Home(), "My Projects"); }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;

private:
    std::optional<std::string> FOldHome;
};

class WizardTest : public WizardTestBase {
protected:
    // A wizard over a new project, made after the test has set "lastfolder".
    TfmWizard& Open()
    {
        Wizard = std::make_unique<TfmWizard>(&Messages, &Dialogs, &Settings, BuiltProgramDir());
        Wizard->SetProject(&Project);
        return *Wizard;
    }

    template <class T>
    T* Named(const char* name) const
    {
        return ::Named<T>(Wizard.get(), name);
    }
    QLineEdit* Edit(const char* name) const { return Named<QLineEdit>(name); }
    QPushButton* Button(const char* name) const { return Named<QPushButton>(name); }
    QString Text(const char* edit) const { return Edit(edit)->text(); }

    // Replaces an edit's text key by key, as the author types it.
    void Retype(const char* edit, const QString& text)
    {
        QLineEdit* e = Edit(edit);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    void GoToLastPage()
    {
        for (int i = 0; i < TfmWizard::PageCount - 1; ++i)
            Button("btNext")->click();
        ASSERT_EQ(Wizard->Current(), TfmWizard::pgRegistry);
    }

    TSettings Settings{OrgName, "1.0"};
    TProject Project{"Firm"};
    std::unique_ptr<TfmWizard> Wizard;
};

TEST_F(WizardTest, WithoutLastFolderProposesMyProjectsInTheHomeFolderAndMakesItAtOnce)
{
    ASSERT_FALSE(DirectoryExists(MyProjects()));
    Open();
    EXPECT_EQ(Text("eAppName"), QStringLiteral("My Application"));
    EXPECT_EQ(Text("eProjectName"), QStringLiteral("My Application"));
    EXPECT_EQ(Text("eCompanyName"), QStringLiteral("Firm"));
    const std::string proposed = AppendPath(MyProjects(), "My Application");
    EXPECT_EQ(Text("eWorkFolder").toStdString(), proposed);
    EXPECT_EQ(Project.ProjectDir(), proposed);
    EXPECT_EQ(Project.ProjectFileName(), "My Application");
    EXPECT_TRUE(DirectoryExists(MyProjects()));
    // The work folder itself waits for Finish.
    EXPECT_FALSE(DirectoryExists(proposed));
    EXPECT_TRUE(Edit("eWorkFolder")->isReadOnly());
}

class LastFolderTest : public WizardTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LastFolderTest, ProposesTheParentOfTheLastWorkFolder)
{
    // "lastfolder" names Work/Old, with or without a trailing separator.
    Settings.WriteSetting("lastfolder", Temp.File("Work") + PathDelim + "Old" + GetParam());
    Open();
    const std::string expected = AppendPath(Temp.File("Work"), "My Application");
    EXPECT_EQ(Project.ProjectDir(), expected);
    EXPECT_EQ(Text("eWorkFolder").toStdString(), expected);
    EXPECT_TRUE(DirectoryExists(Temp.File("Work"))) << "the base folder is made at once";
    EXPECT_FALSE(DirectoryExists(MyProjects()));
}

INSTANTIATE_TEST_SUITE_P(Separators, LastFolderTest, ::testing::Values("", "/"),
                         [](const auto& info) { return std::string(*info.param ? "Trailing" : "Bare"); });

TEST_F(WizardTest, TypedApplicationNameRenamesItsFolderAndNamesTheProject)
{
    Open();
    Retype("eAppName", QStringLiteral("Tide Tables"));
    EXPECT_EQ(Project.AppName(), "Tide Tables");
    ASSERT_NE(Project.AppFolder(), nullptr);
    EXPECT_EQ(Project.AppFolder()->Name(), "Tide Tables");
    EXPECT_EQ(Text("eProjectName"), QStringLiteral("Tide Tables"));
    EXPECT_EQ(Project.ProjectFileName(), "Tide Tables");
    EXPECT_EQ(Project.ProjectDir(), AppendPath(MyProjects(), "Tide Tables"));

    // The project name goes its own way afterwards, and takes the folder along.
    Retype("eProjectName", QStringLiteral("tides"));
    EXPECT_EQ(Project.AppName(), "Tide Tables");
    EXPECT_EQ(Text("eAppName"), QStringLiteral("Tide Tables"));
    EXPECT_EQ(Project.ProjectFileName(), "tides");
    EXPECT_EQ(Project.ProjectDir(), AppendPath(MyProjects(), "tides"));

    Retype("eCompanyName", QStringLiteral("Harbour Soft"));
    EXPECT_EQ(Project.CompanyName(), "Harbour Soft");
    ASSERT_NE(Project.CompanyFolder(), nullptr);
    EXPECT_EQ(Project.CompanyFolder()->Name(), "Harbour Soft");
    EXPECT_EQ(Project.DefaultFolder()->GetPath(), "\\Program Files\\Harbour Soft\\Tide Tables\\");
}

TEST_F(WizardTest, CharacterOutsideTheCodePageIsRefusedWhole)
{
    Open();
    QLineEdit* edit = Edit("eAppName");
    edit->setText(QStringLiteral("Tide \u4E00"));
    EXPECT_EQ(Project.AppName(), "My Application");
    EXPECT_EQ(edit->text(), QStringLiteral("My Application"));
    EXPECT_EQ(Text("eProjectName"), QStringLiteral("My Application"));
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_NE(Messages.Shown()[0].Text.find("U+4E00"), std::string::npos);
}

TEST_F(WizardTest, ChosenFolderStopsTheProjectNameFromMovingIt)
{
    Open();
    const std::string chosen = Temp.File("Elsewhere") + PathDelim + "Charts";
    ASSERT_TRUE(ForceDirectories(chosen));
    Dialogs.FolderAnswer = chosen;
    // The proposed folder does not exist yet: the author declines to make it.
    Messages.Answer(TAnswer::No);
    Named<QToolButton>("btBrowse")->click();
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Text, "\"" + AppendPath(MyProjects(), "My Application") +
                                            "\" does not exists. Would you like to create it now?");
    EXPECT_FALSE(DirectoryExists(AppendPath(MyProjects(), "My Application")));
    EXPECT_EQ(Dialogs.LastFolderDir, AppendPath(MyProjects(), "My Application"));
    EXPECT_EQ(Project.ProjectDir(), chosen);
    EXPECT_EQ(Text("eProjectName"), QStringLiteral("Charts"));
    EXPECT_EQ(Project.ProjectFileName(), "Charts");

    Retype("eProjectName", QStringLiteral("Other"));
    Retype("eAppName", QStringLiteral("Tide Tables"));
    EXPECT_EQ(Project.ProjectDir(), chosen);
    EXPECT_EQ(Text("eWorkFolder").toStdString(), chosen);
    EXPECT_EQ(Project.ProjectFileName(), "Tide Tables");
}

TEST_F(WizardTest, BrowseCancelledKeepsDerivingAndMakesTheFolderWhenAsked)
{
    Open();
    Messages.Answer(TAnswer::Yes);
    Named<QToolButton>("btBrowse")->click();
    const std::string proposed = AppendPath(MyProjects(), "My Application");
    EXPECT_TRUE(DirectoryExists(proposed));
    EXPECT_EQ(Dialogs.FolderCalls, 1);
    EXPECT_EQ(Text("eProjectName"), QStringLiteral("My Application"));
    // The folder dialog gave nothing, so the name still moves the folder.
    Retype("eProjectName", QStringLiteral("Other"));
    EXPECT_EQ(Project.ProjectDir(), AppendPath(MyProjects(), "Other"));
    // An existing folder is not asked about.
    Messages.Clear();
    ASSERT_TRUE(ForceDirectories(Project.ProjectDir()));
    Named<QToolButton>("btBrowse")->click();
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(WizardTest, PageButtonsFollowThePageShown)
{
    Open();
    EXPECT_EQ(Wizard->windowTitle(), QStringLiteral("Veltrin Installer Wizard"));
    EXPECT_EQ(Wizard->Current(), TfmWizard::pgProjectInfo);
    EXPECT_TRUE(Button("btBack")->isHidden());
    EXPECT_EQ(Button("btNext")->text(), QStringLiteral("&Next"));
    const char* pages[] = {"frmProjectInfo", "frmDefaultFolder", "frmFiles",
                           "frmShortcuts",   "frmSetupDLLs",     "frmRegistry"};
    for (int i = 1; i < TfmWizard::PageCount; ++i) {
        Button("btNext")->click();
        EXPECT_EQ(Wizard->Current(), i);
        EXPECT_EQ(Wizard->Page(i)->objectName(), QString::fromLatin1(pages[i]));
        EXPECT_FALSE(Wizard->Page(i)->isHidden()) << pages[i];
        EXPECT_TRUE(Wizard->Page(i - 1)->isHidden()) << pages[i - 1];
        EXPECT_FALSE(Button("btBack")->isHidden());
        EXPECT_EQ(Button("btNext")->text(),
                  i == TfmWizard::pgRegistry ? QStringLiteral("&Finish") : QStringLiteral("&Next"));
    }
    for (int i = TfmWizard::PageCount - 2; i >= 0; --i) {
        Button("btBack")->click();
        EXPECT_EQ(Wizard->Current(), i);
    }
    EXPECT_TRUE(Button("btBack")->isHidden());
    EXPECT_FALSE(Wizard->Finished());
}

TEST_F(WizardTest, EveryControlOfEveryPageHasANameAScreenReaderReads)
{
    Open();
    for (int page = 0; page < TfmWizard::PageCount; ++page) {
        for (QWidget* widget : Wizard->Page(page)->findChildren<QWidget*>()) {
            if (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled() || widget->inherits("QScrollBar"))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << Wizard->Page(page)->objectName().toStdString() << ": " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
        }
    }
}

TEST_F(WizardTest, LeavingTheFolderPageSetsTheSelectedDefaultFolder)
{
    Open();
    Button("btNext")->click();
    auto* frame = Named<TfrmFolder>("frmFolder");
    EXPECT_EQ(frame->SelectedFolder(), Project.DefaultFolder());
    TFolder* company = Project.CompanyFolder();
    ASSERT_TRUE(frame->SelectFolder(company));
    // Back counts as leaving too.
    Button("btBack")->click();
    EXPECT_EQ(Project.DefaultFolder(), company);
}

TEST_F(WizardTest, ShortcutListShowsTheNamesTypedBeforeIt)
{
    auto file = std::make_unique<TFile>();
    file->SetSourceDir("C:\\src\\");
    file->SetFileName("tides.exe");
    file->SetFolder(Project.DefaultFolder());
    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetName("Tides");
    shortcut->SetTarget(Project.Files().Add(std::move(file)));
    shortcut->SetFolder(Project.Folders().FindStartMenuFolder());
    Project.Shortcuts().Add(std::move(shortcut));
    Open();
    Retype("eAppName", QStringLiteral("Tide Tables"));
    for (int page = TfmWizard::pgDefaultFolder; page <= TfmWizard::pgShortcuts; ++page)
        Button("btNext")->click();
    QTableView* view = Named<TfrmShortcuts>("frmShortcuts")->List()->View();
    ASSERT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(view->model()->index(0, 2).data().toString(),
              QStringLiteral("\\Program Files\\Firm\\Tide Tables\\tides.exe"));
}

TEST_F(WizardTest, FinishWritesTheProjectAndItsFilesBesideIt)
{
    // One naming rule from the wizard to Save and to opening again: the
    // texts file written is the one the project file finds.
    const struct {
        const char* Typed;
        const char* File;
        const char* Texts;
    } cases[] = {{"x.vip", "x.vip", "x_res.dat"},
                 {"Tides", "Tides.vip", "Tides_res.dat"},
                 {"my.app", "my.app.vip", "my.app_res.dat"},
                 {"Y.VIP", "Y.VIP.vip", "Y.VIP_res.dat"}};
    for (const auto& c : cases) {
        Open();
        Retype("eProjectName", QString::fromLatin1(c.Typed));
        GoToLastPage();
        Button("btNext")->click();
        ASSERT_TRUE(Messages.Shown().empty()) << Messages.Shown()[0].Text;
        EXPECT_TRUE(Wizard->Finished());
        EXPECT_EQ(Wizard->result(), int(QDialog::Accepted));
        const std::string dir = AppendPath(MyProjects(), c.Typed);
        EXPECT_EQ(TfmWizard::ProjectFilePath(Project), AppendPath(dir, c.File)) << c.Typed;
        EXPECT_EQ(TfmWizard::TextsFilePath(Project), AppendPath(dir, c.Texts)) << c.Typed;
        // Save takes the name the wizard left, and adds nothing to it.
        EXPECT_EQ(TProject::ProjectFileNameFor(Project.ProjectFileName()), c.File) << c.Typed;
        EXPECT_EQ(Project.GetResourceFileName(), AppendPath(dir, c.Texts)) << c.Typed;
        auto project = OpenProjectFile(AppendPath(dir, c.File));
        EXPECT_EQ(project->AppName(), "My Application");
        EXPECT_EQ(project->GetResourceFileName(), AppendPath(dir, c.Texts)) << c.Typed;
        EXPECT_EQ(ReadFileBytes(AppendPath(dir, c.Texts)), ReadFileBytes(BuiltProgramDir() + "Resources.dat"));
        EXPECT_EQ(ReadFileBytes(AppendPath(dir, "EULA_Neutral.txt")),
                  ReadFileBytes(BuiltProgramDir() + "EULA_Neutral.txt"));
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        std::vector<std::string> expected = {"EULA_Neutral.txt", c.File, c.Texts};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(written, expected) << c.Typed;
    }
}

TEST_F(WizardTest, FinishKeepsTextsAndLicenceAlreadyInTheFolder)
{
    Open();
    Retype("eProjectName", QStringLiteral("Kept"));
    const std::string dir = Project.ProjectDir();
    ASSERT_TRUE(ForceDirectories(dir));
    Temp.Write("home/My Projects/Kept/Kept_res.dat", "own texts");
    Temp.Write("home/My Projects/Kept/EULA_Neutral.txt", "own licence");
    GoToLastPage();
    Button("btNext")->click();
    EXPECT_TRUE(Wizard->Finished());
    EXPECT_EQ(Temp.Read("home/My Projects/Kept/Kept_res.dat"), "own texts");
    EXPECT_EQ(Temp.Read("home/My Projects/Kept/EULA_Neutral.txt"), "own licence");
    EXPECT_TRUE(FileExists(AppendPath(dir, "Kept.vip")));
}

TEST_F(WizardTest, FolderThatCannotBeMadeKeepsTheWizardOpenWithTheError)
{
    // A file stands where a parent folder would have to be.
    Temp.Write("blocker", "a file");
    Settings.WriteSetting("lastfolder", Temp.File("blocker") + PathDelim + "Old");
    Open();
    GoToLastPage();
    Button("btNext")->click();
    EXPECT_FALSE(Wizard->Finished());
    EXPECT_NE(Wizard->result(), int(QDialog::Accepted));
    EXPECT_EQ(Wizard->Current(), TfmWizard::pgRegistry);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_EQ(Messages.Shown()[0].Text,
              "Cannot create folder \"" + AppendPath(Temp.File("blocker"), "My Application") + "\".");
    EXPECT_EQ(Temp.Read("blocker"), "a file");
}

TEST_F(WizardTest, FailedProjectFileTakesBackWhatFinishMade)
{
    Open();
    Retype("eProjectName", QStringLiteral("Broken"));
    const std::string dir = Project.ProjectDir();
    GoToLastPage();
    // Something in the way of the project file, made after the folder is.
    ASSERT_TRUE(ForceDirectories(AppendPath(AppendPath(dir, "Broken.vip"), "inside")));
    Button("btNext")->click();
    EXPECT_FALSE(Wizard->Finished());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_FALSE(FileExists(AppendPath(dir, "Broken_res.dat")));
    EXPECT_FALSE(FileExists(AppendPath(dir, "EULA_Neutral.txt")));
    EXPECT_TRUE(DirectoryExists(AppendPath(dir, "Broken.vip")));

    // Out of the way, a second Finish goes through.
    RemoveTree(AppendPath(dir, "Broken.vip"));
    Messages.Clear();
    Button("btNext")->click();
    EXPECT_TRUE(Wizard->Finished());
    EXPECT_TRUE(FileExists(AppendPath(dir, "Broken.vip")));
}

TEST_F(WizardTest, FailureInANewFolderTakesTheFolderAwayToo)
{
    // Without the default texts there is nothing to copy.
    Wizard = std::make_unique<TfmWizard>(&Messages, &Dialogs, &Settings, Temp.File("no-program"));
    Wizard->SetProject(&Project);
    Retype("eProjectName", QStringLiteral("Gone"));
    const std::string dir = Project.ProjectDir();
    ASSERT_FALSE(DirectoryExists(dir));
    GoToLastPage();
    Button("btNext")->click();
    EXPECT_FALSE(Wizard->Finished());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_NE(Messages.Shown()[0].Text.find("Resources.dat"), std::string::npos) << Messages.Shown()[0].Text;
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_TRUE(DirectoryExists(MyProjects()));
}

TEST_F(WizardTest, CancelAsksAndTheTitleBarDoesNot)
{
    Open();
    Messages.Answer(TAnswer::No);
    Button("btCancel")->click();
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Are you sure you want to cancel the new project wizard?"});
    Wizard->show();
    EXPECT_TRUE(Wizard->isVisible());
    // Escape is the Cancel button.
    Messages.Answer(TAnswer::No);
    QTest::keyClick(Wizard.get(), Qt::Key_Escape);
    EXPECT_EQ(Messages.Texts().size(), 2u);
    EXPECT_TRUE(Wizard->isVisible());
    Messages.Clear();
    Wizard->close();
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_FALSE(Wizard->isVisible());
    EXPECT_EQ(Wizard->result(), int(QDialog::Rejected));
    EXPECT_FALSE(Wizard->Finished());
}

// New in the main window, with the wizard worked by the modal runner.
class NewProjectTest : public WizardTestBase {
protected:
    void SetUp() override
    {
        auto settings = std::make_unique<TSettings>(OrgName, "1.0");
        settings->SetCompanySource([] { return std::optional<std::string>("Test Company"); });
        Window = std::make_unique<TfmMain>(&Messages, &Dialogs, std::move(settings), BuiltProgramDir());
        Window->SetModalRunner([this](QDialog& dialog) {
            auto* wizard = qobject_cast<TfmWizard*>(&dialog);
            EXPECT_NE(wizard, nullptr);
            if (!wizard)
                return int(QDialog::Rejected);
            ++Wizards;
            if (!FinishWizard)
                return int(QDialog::Rejected);
            auto* name = wizard->findChild<QLineEdit*>(QStringLiteral("eProjectName"));
            if (!ProjectName.isEmpty())
                name->setText(ProjectName);
            auto* next = wizard->findChild<QPushButton*>(QStringLiteral("btNext"));
            for (int i = 0; i < TfmWizard::PageCount; ++i)
                next->click();
            return wizard->result();
        });
    }

    QTabWidget* Tabs() const { return Window->findChild<QTabWidget*>(QStringLiteral("pcMain")); }

    std::unique_ptr<TfmMain> Window;
    bool FinishWizard = true;
    QString ProjectName;
    int Wizards = 0;
};

TEST_F(NewProjectTest, NewFinishCloseOpenRoundTrip)
{
    ASSERT_TRUE(Named<QAction>(Window.get(), "aFileNew")->isEnabled());
    ASSERT_TRUE(Window->aFileNewExecute()) << ::testing::PrintToString(Messages.Texts());
    const std::string dir = AppendPath(MyProjects(), "My Application");
    const std::string file = AppendPath(dir, "My Application.vip");
    ASSERT_NE(Window->Project(), nullptr);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - My Application"));
    EXPECT_FALSE(Tabs()->isHidden());
    EXPECT_EQ(Tabs()->currentIndex(), int(TfmMain::tsGeneral));
    EXPECT_TRUE(Named<QAction>(Window.get(), "aBuild")->isEnabled());
    EXPECT_EQ(Window->Settings().RecentProject(0), file);
    EXPECT_EQ(Window->Settings().ReadSetting("company"), "Test Company");
    EXPECT_EQ(Window->Settings().ReadSetting("lastfolder"), IncludeTrailingPathDelimiter(dir));
    ASSERT_NE(Window->TextsFile(), nullptr);
    EXPECT_EQ(Window->TextsFile()->FileName(), AppendPath(dir, "My Application_res.dat"));
    EXPECT_TRUE(FileExists(file));

    // The wizard wrote the project as it stands: Close has nothing to ask.
    EXPECT_FALSE(Window->IsProjectModified());
    ASSERT_TRUE(Window->CloseProject());
    EXPECT_TRUE(Messages.Texts().empty()) << ::testing::PrintToString(Messages.Texts());
    EXPECT_EQ(Window->Project(), nullptr);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer"));

    ASSERT_TRUE(Window->OpenProject(file));
    EXPECT_EQ(Window->Project()->AppName(), "My Application");
    EXPECT_EQ(Window->Project()->CompanyName(), "Test Company");
    EXPECT_EQ(Window->Project()->DefaultFolder()->GetPath(), "\\Program Files\\Test Company\\My Application\\");
    // Saved once, the project opens as it was written: nothing to ask on Close.
    EXPECT_FALSE(Window->IsProjectModified());
    EXPECT_EQ(Window->TextsFile()->FileName(), AppendPath(dir, "My Application_res.dat"));
}

TEST_F(NewProjectTest, ExtensionTypedWithTheNameIsTheFileName)
{
    ProjectName = QStringLiteral("x.vip");
    ASSERT_TRUE(Window->aFileNewExecute());
    const std::string dir = AppendPath(MyProjects(), "x.vip");
    EXPECT_EQ(Window->Settings().RecentProject(0), AppendPath(dir, "x.vip"));
    EXPECT_EQ(Window->TextsFile()->FileName(), AppendPath(dir, "x_res.dat"));
    // Save and open again: the same two files, and no second texts file.
    Window->Project()->SetApplicationName("Renamed");
    ASSERT_TRUE(Window->Save()) << ::testing::PrintToString(Messages.Texts());
    ASSERT_TRUE(Window->CloseProject());
    ASSERT_TRUE(Window->OpenProject(AppendPath(dir, "x.vip")));
    EXPECT_EQ(Window->Project()->AppName(), "Renamed");
    EXPECT_EQ(Window->TextsFile()->FileName(), AppendPath(dir, "x_res.dat"));
    EXPECT_FALSE(FileExists(AppendPath(dir, "x.vip.vip")));
    EXPECT_FALSE(FileExists(AppendPath(dir, "x.vip_res.dat")));
    EXPECT_EQ(Window->Settings().RecentProject(1), "");
    // A second New proposes its folder beside this one.
    ProjectName = QStringLiteral("second");
    ASSERT_TRUE(Window->aFileNewExecute());
    EXPECT_EQ(Window->Project()->ProjectDir(), IncludeTrailingPathDelimiter(AppendPath(MyProjects(), "second")));
    EXPECT_EQ(Window->Settings().RecentProject(1), AppendPath(dir, "x.vip"));
}

TEST_F(NewProjectTest, CancelledWizardLeavesNoProject)
{
    FinishWizard = false;
    EXPECT_FALSE(Window->aFileNewExecute());
    EXPECT_EQ(Wizards, 1);
    EXPECT_EQ(Window->Project(), nullptr);
    EXPECT_TRUE(Tabs()->isHidden());
    EXPECT_FALSE(Named<QAction>(Window.get(), "aFileSave")->isEnabled());
    EXPECT_EQ(Window->Settings().RecentProject(0), "");
    EXPECT_EQ(Window->Settings().ReadSetting("lastfolder"), "");
}

TEST_F(NewProjectTest, CancelledSavePromptKeepsTheOpenProject)
{
    ASSERT_TRUE(Window->aFileNewExecute());
    TProject* before = Window->Project();
    before->SetApplicationName("Changed");
    Messages.Answer(TAnswer::Cancel);
    EXPECT_FALSE(Window->aFileNewExecute());
    EXPECT_EQ(Wizards, 1);
    EXPECT_EQ(Window->Project(), before);
}

} // namespace
