#include "FakeServices.h"
#include "support/TestSupport.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "package/InfWriter.h"
#include "storage/LanguageManager.h"
#include "storage/Settings.h"
#include "storage/uScramble.h"
#include "ui/main/fmMain.h"
#include "ui/lists/fmDestinationFolder.h"
#include "ui/main/fmSetupImage.h"
#include "ui/lists/frmFiles.h"
#include "ui/parts/QtText.h"
#include "ui/lists/frmList.h"
#include "ui/parts/frmFolder.h"
#include "ui/registry/frmRegKeys.h"
#include "ui/registry/frmRegistry.h"
#include "ui/registry/frmValues.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QTableView>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QDropEvent>
#include <QUrl>
#include <QMimeData>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

// Types text the way a keyboard with that character does (QTest's key
// helpers know only Latin-1 keys).
void Type(QWidget* widget, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

const char* const OrgName = "Veltrin Installer Tests";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The settings store of the user never comes into play.
        KeepSettingsIn(Temp.File("settings"));
        Window = MakeWindow();
    }

    std::unique_ptr<TfmMain> MakeWindow()
    {
        auto settings = std::make_unique<TSettings>(OrgName, "1.0");
        settings->SetCompanySource([] { return std::optional<std::string>("Test Company"); });
        return std::make_unique<TfmMain>(&Messages, &Dialogs, std::move(settings), ProgramDir());
    }

    // A project file made through the model; returns its path.
    std::string WriteProject(const std::string& fileName, const std::string& appName = "Sample App")
    {
        TProject project("Sample Company");
        project.SetApplicationName(appName);
        // As the builder saves it: the work folder and the name are stored too.
        project.SetProjectDir(Temp.Path());
        project.SetProjectFileName(fileName);
        std::string path = Temp.File(fileName);
        SaveProjectFile(project, path);
        return path;
    }

    std::string FileBytes(const std::string& path)
    {
        auto bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    // The main window's widgets, reached by their object names.
    template <class T>
    T* Named(const char* name) const
    {
        return ::Named<T>(Window.get(), name);
    }
    QTabWidget* Tabs() const { return Named<QTabWidget>("pcMain"); }
    TfrmFolder* FolderFrame() const { return Named<TfrmFolder>("frmFolder"); }
    QLabel* DefaultFolderLabel() const { return Named<QLabel>("lbDefaultFolder"); }
    QLineEdit* AppNameEdit() const { return Named<QLineEdit>("eAppName"); }
    QLineEdit* CompanyNameEdit() const { return Named<QLineEdit>("eCompanyName"); }
    QMenu* TestBuildMenu() const { return Named<QMenu>("miTestBuild"); }
    QAction* RecentAction(int index) const { return Named<QAction>(("miRecent" + std::to_string(index + 1)).c_str()); }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    std::unique_ptr<TfmMain> Window;
};

TEST_F(MainWindowTest, StartsWithoutProject)
{
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer"));
    EXPECT_TRUE(Tabs()->isHidden());
    EXPECT_TRUE(Window->Log()->isHidden());
    for (const char* name :
         {"aFileSave", "aFileClose", "aBuild", "aEditGeneral", "aEditLanguages", "aChooseSetupImage"})
        EXPECT_FALSE(Named<QAction>(name)->isEnabled()) << name;
    EXPECT_TRUE(Named<QAction>("aFileOpen")->isEnabled());
    EXPECT_TRUE(Named<QAction>("aFileNew")->isEnabled());
    EXPECT_EQ(Named<QAction>("aBuild")->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_EQ(Named<QAction>("aEditSetupDlls")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F4));
    EXPECT_FALSE(Window->IsProjectModified());
}

TEST_F(MainWindowTest, OpenShowsProjectAndCopiesDefaultTexts)
{
    std::string path = WriteProject("Sample.vip");
    ASSERT_TRUE(Window->OpenProject(path)) << ::testing::PrintToString(Messages.Texts());
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - Sample"));
    EXPECT_FALSE(Tabs()->isHidden());
    EXPECT_EQ(Tabs()->currentIndex(), int(TfmMain::tsGeneral));
    EXPECT_TRUE(Named<QAction>("aFileSave")->isEnabled());
    EXPECT_EQ(AppNameEdit()->text(), QStringLiteral("Sample App"));
    EXPECT_EQ(CompanyNameEdit()->text(), QStringLiteral("Sample Company"));
    EXPECT_EQ(DefaultFolderLabel()->text(), QStringLiteral("\\Program Files\\Sample Company\\My Application\\"));
    EXPECT_EQ(FolderFrame()->SelectedFolder(), Window->Project()->DefaultFolder());
    EXPECT_EQ(Window->Settings().RecentProject(0), path);
    EXPECT_FALSE(Window->IsProjectModified());

    std::string texts = Temp.File("Sample_res.dat");
    ASSERT_TRUE(FileExists(texts));
    if (FileExists(ProgramDir() + "Resources.dat")) {
        EXPECT_EQ(FileBytes(texts), FileBytes(ProgramDir() + "Resources.dat"));
    }
    EXPECT_EQ(Window->TextsFile()->FileName(), texts);
}

// Close after a change: every answer of the save prompt.
struct CloseCase {
    TAnswer Answer;
    bool Closed;
    bool Written;
};

class CloseWithPromptTest : public MainWindowTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseWithPromptTest, FollowsTheAnswer)
{
    const CloseCase& c = GetParam();
    std::string path = WriteProject("Prompt.vip");
    std::string before = FileBytes(path);
    ASSERT_TRUE(Window->OpenProject(path));
    QTest::keyClicks(AppNameEdit(), QStringLiteral(" 2"));
    EXPECT_EQ(Window->Project()->AppName(), "Sample App 2");
    EXPECT_TRUE(Window->IsProjectModified());

    Messages.Answer(c.Answer);
    EXPECT_EQ(Window->CloseProject(), c.Closed);
    ASSERT_EQ(Messages.Texts(), std::vector<std::string>{"Do you want to save the current project?"});
    EXPECT_EQ(Messages.LastButtons(), TQuestionButtons::YesNoCancel);
    EXPECT_EQ(Window->Project() == nullptr, c.Closed);
    EXPECT_EQ(Tabs()->isHidden(), c.Closed);
    // A project kept open after Cancel still has its change: the title marks it.
    EXPECT_EQ(Window->windowTitle(),
              c.Closed ? QStringLiteral("Veltrin Installer") : QStringLiteral("Veltrin Installer - Prompt *"));
    EXPECT_EQ(Named<QAction>("aFileSave")->isEnabled(), !c.Closed);
    EXPECT_EQ(FileBytes(path) != before, c.Written);
    if (c.Written) {
        EXPECT_EQ(OpenProjectFile(path)->AppName(), "Sample App 2");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseWithPromptTest,
                         ::testing::Values(CloseCase{TAnswer::Yes, true, true}, CloseCase{TAnswer::No, true, false},
                                           CloseCase{TAnswer::Cancel, false, false}));

TEST_F(MainWindowTest, UnchangedProjectClosesWithoutPrompt)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Quiet.vip")));
    EXPECT_TRUE(Window->CloseProject());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(MainWindowTest, SaveAppendsVipUnlessTheExtensionIsExactlyVip)
{
    std::string path = WriteProject("Upper.VIP");
    ASSERT_TRUE(Window->OpenProject(path));
    EXPECT_EQ(Window->Project()->ProjectFileName(), "Upper.VIP");
    EXPECT_TRUE(Window->Save());
    EXPECT_TRUE(FileExists(Temp.File("Upper.VIP.vip")));
    EXPECT_EQ(Window->Project()->ProjectFileName(), "Upper.VIP.vip");
    // Save changes neither the title nor the recent list.
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - Upper"));
    EXPECT_EQ(Window->Settings().RecentProject(0), path);

    // A project without a file name asks for one; cancelling saves nothing.
    Window->Project()->SetProjectFileName("");
    EXPECT_FALSE(Window->Save());
    EXPECT_EQ(Dialogs.SaveCalls, 1);
    EXPECT_EQ(Dialogs.LastSaveDir, Temp.Path());
    std::string other = Temp.File("sub");
    ASSERT_TRUE(ForceDirectories(other));
    Dialogs.SaveProjectAnswer = AppendPath(other, "Named.vip");
    EXPECT_TRUE(Window->Save());
    EXPECT_TRUE(FileExists(AppendPath(other, "Named.vip")));
    EXPECT_FALSE(FileExists(AppendPath(other, "Named.vip.vip")));
    EXPECT_FALSE(Window->IsProjectModified());
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(MainWindowTest, ImportInfOpensTheProjectUnsavedAfterItsReport)
{
    Temp.Write("Notes.inf",
               "[Version]\r\nSignature=\"$Windows NT$\"\r\nCESignature=\"$Windows CE$\"\r\n"
               "[CEStrings]\r\nAppName=Notes\r\nInstallDir=%CE1%\\Notes\r\n"
               "[DefaultInstall]\r\nCopyFiles=Files\r\n[SourceDisksNames]\r\n1=,\"Disk\",,src\r\n"
               "[SourceDisksFiles]\r\nstaged.txt=1\r\n[DestinationDirs]\r\nFiles=0,%InstallDir%\r\n"
               "[Files]\r\nnotes.txt,staged.txt,,0\r\n");
    ASSERT_TRUE(ForceDirectories(Temp.File("src")));
    Temp.Write("src/staged.txt", "the notes");
    EXPECT_FALSE(Window->ImportInf()); // the dialog cancelled
    Dialogs.InfAnswer = Temp.File("Notes.inf");
    QString shown;
    Window->SetModalRunner([&](QDialog& dialog) {
        shown = ::Named<QPlainTextEdit>(&dialog, "mmReport")->toPlainText();
        ::Named<QPushButton>(&dialog, "btCopy")->click();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(Window->ImportInf()) << ::testing::PrintToString(Messages.Texts());
    EXPECT_TRUE(shown.contains(QStringLiteral("line 16: \"staged.txt\" is installed as \"notes.txt\"")))
        << shown.toStdString();
    EXPECT_EQ(QApplication::clipboard()->text(), shown);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - Notes"));
    ASSERT_EQ(Window->Project()->Files().Count(), 1);
    EXPECT_EQ(Window->Project()->Files().Item(0)->GetSourcePath(), AppendPath(Temp.File("Notes files"), "notes.txt"));
    EXPECT_EQ(Temp.Read("Notes files/notes.txt"), "the notes");
    EXPECT_TRUE(Window->IsProjectModified());
    // Save asks where the project goes; the texts go beside it.
    Dialogs.SaveProjectAnswer = Temp.File("Saved.vip");
    EXPECT_TRUE(Window->Save());
    EXPECT_EQ(Dialogs.SaveCalls, 1);
    EXPECT_EQ(Dialogs.LastSaveDir, Temp.Path());
    EXPECT_TRUE(FileExists(Temp.File("Saved.vip")));
    EXPECT_TRUE(FileExists(Temp.File("Saved_res.dat")));
    EXPECT_FALSE(Window->IsProjectModified());
}

TEST_F(MainWindowTest, ImportCabAsksWhereTheProjectGoesAndSavesItThere)
{
    Temp.Write("Notes.inf",
               "[Version]\r\nSignature=\"$Windows NT$\"\r\nCESignature=\"$Windows CE$\"\r\n"
               "[CEStrings]\r\nAppName=Notes\r\nInstallDir=%CE1%\\Notes\r\n"
               "[DefaultInstall]\r\nCopyFiles=Files\r\n[SourceDisksNames]\r\n1=,\"Disk\",,\r\n"
               "[SourceDisksFiles]\r\nnotes.txt=1\r\n[DestinationDirs]\r\nFiles=0,%InstallDir%\r\n"
               "[Files]\r\nnotes.txt,,,0\r\n");
    Temp.Write("notes.txt", "the notes");
    const char* programDir = std::getenv("VI_PROGRAM_DIR");
    const std::string command =
        "cd '" + Temp.Path() + "' && '" + AppendPath(programDir, "Tools/CABWIZ.exe") + "' Notes.inf /err err.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string cab = FileBytes(Temp.File("Notes.CAB"));
    Temp.Write("Damaged.CAB", cab.substr(0, cab.size() / 2));

    Dialogs.CabAnswer = {Temp.File("Damaged.CAB")};
    Dialogs.SaveProjectAnswer = Temp.File("out/Notes.vip");
    EXPECT_FALSE(Window->ImportCabFiles());
    EXPECT_EQ(Messages.Texts().size(), 1u);
    EXPECT_FALSE(FileExists(Temp.File("out")));

    Dialogs.CabAnswer = {Temp.File("Notes.CAB")};
    QString shown;
    Window->SetModalRunner([&](QDialog& dialog) {
        shown = ::Named<QPlainTextEdit>(&dialog, "mmReport")->toPlainText();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(Window->ImportCabFiles()) << ::testing::PrintToString(Messages.Texts());
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Imported Notes.CAB: 1 file,"))) << shown.toStdString();
    EXPECT_EQ(Dialogs.LastSaveDir, Temp.Path());
    EXPECT_EQ(Temp.Read("out/Notes files/notes.txt"), "the notes");
    EXPECT_TRUE(FileExists(Temp.File("out/Notes.vip")));
    EXPECT_EQ(Window->Project()->Files().Item(0)->GetHostSourcePath(), Temp.File("out/Notes files/notes.txt"));
    EXPECT_FALSE(Window->IsProjectModified());
}

TEST_F(MainWindowTest, WizardTextsFollowTheProjectToItsNewFileName)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("X.VIP")));
    EXPECT_EQ(Window->TextsFile()->FileName(), Temp.File("X_res.dat"));
    const std::string before = FileBytes(Temp.File("X_res.dat"));
    Window->TextsFile()->WriteString("English", "1.String1", "Changed welcome");
    ASSERT_TRUE(Window->Save());
    EXPECT_EQ(FileBytes(Temp.File("X_res.dat")), before);
    Window->CloseProject();

    auto reopened = MakeWindow();
    ASSERT_TRUE(reopened->OpenProject(Temp.File("X.VIP.vip")));
    EXPECT_EQ(reopened->TextsFile()->FileName(), Temp.File("X.VIP_res.dat"));
    EXPECT_EQ(reopened->TextsFile()->ReadString("English", "1.String1", ""), "Changed welcome");
}

TEST_F(MainWindowTest, JsonProjectIsSavedBackAsJsonAndSaveAsOffersBothForms)
{
    // A project kept as JSON: opened, changed, saved back to the same file,
    // where only the changed line differs.
    const std::string json = Temp.File("J.json");
    {
        auto model = OpenProjectFile(WriteProject("Model.vip"));
        Temp.Write("J.json", ProjectToJsonFile(*model));
    }
    const std::string before = FileBytes(json);
    ASSERT_TRUE(Window->OpenProject(json)) << ::testing::PrintToString(Messages.Texts());
    EXPECT_EQ(Window->ProjectFilePath(), json);
    EXPECT_EQ(Window->Settings().RecentProject(0), json);
    EXPECT_FALSE(Window->IsProjectModified());
    Window->Project()->SetApplicationName("Changed App");
    EXPECT_TRUE(Window->IsProjectModified());
    ASSERT_TRUE(Window->Save()) << ::testing::PrintToString(Messages.Texts());
    EXPECT_FALSE(Window->IsProjectModified());
    EXPECT_FALSE(FileExists(Temp.File("J.vip")));
    EXPECT_TRUE(FileExists(Temp.File("J_res.dat")));
    auto lines = [](const std::string& text) {
        std::vector<std::string> list;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            list.push_back(line);
        return list;
    };
    const std::vector<std::string> a = lines(before), b = lines(FileBytes(json));
    ASSERT_EQ(a.size(), b.size());
    std::vector<std::string> changed;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            changed.push_back(b[i]);
    ASSERT_EQ(changed.size(), 1u) << ::testing::PrintToString(changed);
    EXPECT_NE(changed[0].find("Changed App"), std::string::npos) << changed[0];

    // Save As a binary project in another folder: kept there from now on,
    // with its texts and licences beside it.
    ASSERT_TRUE(ForceDirectories(Temp.File("other")));
    Temp.Write("EULA_Neutral.txt", "{\\rtf1 Our own licence.}");
    Dialogs.SaveProjectAnswer = Temp.File("other/K");
    ASSERT_TRUE(Window->SaveAs()) << ::testing::PrintToString(Messages.Texts());
    EXPECT_EQ(Dialogs.SaveAsCalls, 1);
    EXPECT_EQ(Window->ProjectFilePath(), Temp.File("other/K.vip"));
    EXPECT_EQ(OpenProjectFile(Temp.File("other/K.vip"))->AppName(), "Changed App");
    EXPECT_TRUE(FileExists(Temp.File("other/K_res.dat")));
    EXPECT_EQ(FileBytes(Temp.File("other/EULA_Neutral.txt")), "{\\rtf1 Our own licence.}");
    EXPECT_EQ(Window->Settings().RecentProject(0), Temp.File("other/K.vip"));
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - K"));
    Window->Project()->SetCompanyName("Other Company");
    ASSERT_TRUE(Window->Save());
    // The JSON file is no longer the project's: the later save leaves it.
    EXPECT_NE(FileBytes(json).find("Changed App"), std::string::npos);
    EXPECT_EQ(FileBytes(json).find("Other Company"), std::string::npos);

    // A save that cannot be made leaves the project kept where it was.
    Dialogs.SaveProjectAnswer = Temp.File("no-such-folder/L.json");
    EXPECT_FALSE(Window->SaveAs());
    EXPECT_EQ(Window->ProjectFilePath(), Temp.File("other/K.vip"));
}

TEST_F(MainWindowTest, SaveFailureIsReportedAndDoesNotComplete)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Gone.vip")));
    Window->Project()->SetProjectDir(Temp.File("no-such-folder"));
    EXPECT_FALSE(Window->Save());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    const std::string suffix = "\" error occured while trying to save file!";
    const std::string& text = Messages.Shown()[0].Text;
    EXPECT_EQ(text.front(), '"');
    ASSERT_GT(text.size(), suffix.size());
    EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix);
}

TEST_F(MainWindowTest, DamagedFileKeepsThePreviousProject)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Good.vip")));
    TProject* good = Window->Project();
    std::string good_path = Temp.File("Good.vip");

    std::string bytes = FileBytes(WriteProject("Damaged.vip"));
    std::string damaged = Temp.File("Damaged.vip");
    Temp.Write("Damaged.vip", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(Window->OpenProject(damaged));
    EXPECT_EQ(Messages.Texts(),
              std::vector<std::string>{"\"Stream read error\" error occured while trying to open " + damaged + "."});
    EXPECT_EQ(Window->Project(), good);
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - Good"));
    EXPECT_EQ(FolderFrame()->SelectedFolder(), good->DefaultFolder());
    EXPECT_EQ(Window->Settings().RecentProject(0), good_path);

    // A newer format version is refused with the model's own message.
    Messages.Clear();
    Temp.Write("Future.vip", std::string("\x02\x63\x00\x00\x00", 5));
    EXPECT_FALSE(Window->OpenProject(Temp.File("Future.vip")));
    EXPECT_EQ(Messages.Texts(),
              std::vector<std::string>{"\"Unknown file format!\" error occured while trying to open " +
                                       Temp.File("Future.vip") + "."});
    EXPECT_EQ(Window->Project(), good);
}

TEST_F(MainWindowTest, OpeningAnotherProjectAsksFirstAndCancelKeepsEverything)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("First.vip")));
    std::string second = WriteProject("Second.vip", "Second App");
    Window->Project()->SetCompanyName("Changed");
    TProject* first = Window->Project();

    Messages.Answer(TAnswer::Cancel);
    EXPECT_FALSE(Window->OpenProject(second));
    EXPECT_EQ(Window->Project(), first);

    Messages.Answer(TAnswer::No);
    EXPECT_TRUE(Window->OpenProject(second));
    EXPECT_EQ(Window->Project()->AppName(), "Second App");
    EXPECT_EQ(AppNameEdit()->text(), QStringLiteral("Second App"));
    EXPECT_EQ(Window->windowTitle(), QStringLiteral("Veltrin Installer - Second"));
    EXPECT_EQ(Window->Settings().RecentProject(0), second);
    EXPECT_EQ(Window->Settings().RecentProject(1), Temp.File("First.vip"));
}

TEST_F(MainWindowTest, RecentMenu)
{
    // Empty list: one disabled "(None)".
    Window->FillRecentMenu();
    EXPECT_TRUE(RecentAction(0)->isVisible());
    EXPECT_FALSE(RecentAction(0)->isEnabled());
    EXPECT_EQ(RecentAction(0)->text(), QStringLiteral("(None)"));
    EXPECT_FALSE(RecentAction(1)->isVisible());

    std::string open = WriteProject("Open.vip");
    std::string missing = Temp.File("Missing.vip");
    Window->Settings().AddRecentProject(missing);
    ASSERT_TRUE(Window->OpenProject(open));
    Window->FillRecentMenu();
    EXPECT_EQ(RecentAction(0)->data().toString().toStdString(), open);
    EXPECT_EQ(RecentAction(1)->data().toString().toStdString(), missing);
    EXPECT_TRUE(RecentAction(1)->isEnabled());
    EXPECT_FALSE(RecentAction(2)->isVisible());

    // The open project's entry does nothing, not even the save prompt.
    TProject* project = Window->Project();
    project->SetApplicationName("Changed");
    RecentAction(0)->trigger();
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(Window->Project(), project);

    // A missing file is reported in the error box and leaves the list.
    RecentAction(1)->trigger();
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_EQ(Messages.Shown()[0].Text, "File not found: " + missing + ".");
    EXPECT_EQ(Window->Settings().RecentProjectIndex(missing), -1);
    EXPECT_EQ(Window->Project(), project);
}

TEST_F(MainWindowTest, ErrorBoxAddsAFullStopOnlyAfterCharactersAboveTheDot)
{
    struct Case {
        const char* Message;
        const char* Shown;
    } cases[] = {{"File not found: x", "File not found: x."}, {"Invalid!", "Invalid!"}, {"Done.", "Done."},
                 {"Ends in a comma,", "Ends in a comma,"},    {"Path /", "Path /."},    {"", ""}};
    for (const auto& c : cases) {
        Messages.Clear();
        Window->RunCommand([&] { throw Exception(c.Message); });
        ASSERT_EQ(Messages.Shown().size(), 1u);
        EXPECT_EQ(Messages.Shown()[0].Text, c.Shown) << c.Message;
    }
}

TEST_F(MainWindowTest, TypedTextOutsideTheCodePageIsRefused)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Typed.vip")));
    QLineEdit* edit = CompanyNameEdit();
    edit->setFocus();
    edit->end(false);
    Type(edit, QString::fromUtf8("\u00e9"));
    EXPECT_EQ(Window->Project()->CompanyName(), "Sample Company\xe9");
    EXPECT_TRUE(Messages.Shown().empty());

    Type(edit, QString::fromUtf8("\u4e2d"));
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_NE(Messages.Shown()[0].Text.find("U+4E2D"), std::string::npos);
    EXPECT_EQ(Window->Project()->CompanyName(), "Sample Company\xe9");
    EXPECT_EQ(edit->text(), QString::fromUtf8("Sample Company\u00e9"));
}

TEST_F(MainWindowTest, ExitAsksOnceAndWritesTheTextsFileEitherWay)
{
    for (TAnswer answer : {TAnswer::Yes, TAnswer::No}) {
        std::string path = WriteProject(answer == TAnswer::Yes ? "ExitYes.vip" : "ExitNo.vip");
        std::string before = FileBytes(path);
        auto window = MakeWindow();
        ASSERT_TRUE(window->OpenProject(path));
        window->Project()->SetApplicationName("At Exit");
        window->TextsFile()->WriteString("Marker", "Answer", answer == TAnswer::Yes ? "yes" : "no");
        std::string texts = window->TextsFile()->FileName();
        Messages.Clear();
        Messages.Answer(answer);
        window->close();
        EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Do you want to save changes to the project?"});
        EXPECT_EQ(Messages.LastButtons(), TQuestionButtons::YesNo);
        EXPECT_EQ(FileBytes(path) != before, answer == TAnswer::Yes);
        TScrambeledMemIniFile reread(texts);
        EXPECT_EQ(reread.ReadString("Marker", "Answer", ""), answer == TAnswer::Yes ? "yes" : "no");
    }
}

TEST_F(MainWindowTest, SettingsSurviveTheWindow)
{
    std::string path = WriteProject("Remembered.vip");
    ASSERT_TRUE(Window->OpenProject(path));
    Window->close();
    Window = MakeWindow();
    EXPECT_EQ(Window->Settings().RecentProject(0), path);
    EXPECT_EQ(Window->Settings().ReadSetting("company"), "Test Company");
}

TEST_F(MainWindowTest, DeletingTheFolderThatHoldsTheDefaultMovesItAndTheLabel)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Folders.vip")));
    TProject* project = Window->Project();
    TfrmFolder* frame = FolderFrame();
    TFolder* company = project->CompanyFolder();
    TFolder* programFiles = company->Parent();
    ASSERT_TRUE(frame->SelectFolder(company));

    frame->DeleteFolder();
    EXPECT_EQ(project->DefaultFolder(), programFiles);
    EXPECT_EQ(project->CompanyFolder(), programFiles);
    EXPECT_EQ(project->AppFolder(), programFiles);
    EXPECT_EQ(DefaultFolderLabel()->text(), QStringLiteral("\\Program Files\\"));
    EXPECT_EQ(frame->SelectedFolder(), programFiles);
    // The tree lists no node of the deleted folders.
    QList<QTreeWidgetItem*> found =
        frame->Tree()->findItems(QStringLiteral("Sample Company"), Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_TRUE(found.isEmpty());
    EXPECT_TRUE(Window->IsProjectModified());
}

TEST_F(MainWindowTest, SetAsDefaultAndRenameRefreshTheLabel)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Default.vip")));
    TProject* project = Window->Project();
    TfrmFolder* frame = FolderFrame();
    TFolder* app = project->AppFolder();
    TFolder* windows = project->Folders().FindWindowsFolder();

    ASSERT_TRUE(frame->SelectFolder(windows));
    QAction* setDefault = frame->Menu()->actions().last();
    ASSERT_EQ(setDefault->text(), QStringLiteral("Set As Default"));
    setDefault->trigger();
    EXPECT_EQ(project->DefaultFolder(), windows);
    EXPECT_EQ(DefaultFolderLabel()->text(), QStringLiteral("\\Windows\\"));
    EXPECT_EQ(frame->SelectedFolder(), windows);

    project->SetDefaultFolder(app);
    ASSERT_TRUE(frame->SelectFolder(app));
    frame->Tree()->currentItem()->setText(0, QStringLiteral("Renamed"));
    EXPECT_EQ(app->Name(), "Renamed");
    EXPECT_EQ(DefaultFolderLabel()->text(), QStringLiteral("\\Program Files\\Sample Company\\Renamed\\"));
}

TEST_F(MainWindowTest, TestBuildListsOnlyExistingPackagesAndOpenClearsIt)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Builds.vip")));
    Temp.Write("Setup.exe", "MZ");
    std::vector<std::string> opened;
    Window->SetOpenDocument([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    Window->AddTestBuilds({Temp.File("Setup.exe"), Temp.File("Missing.exe")});
    ASSERT_EQ(TestBuildMenu()->actions().size(), 1);
    TestBuildMenu()->actions()[0]->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{Temp.File("Setup.exe")});
    Window->OpenProject(Temp.File("Builds.vip"));
    EXPECT_TRUE(TestBuildMenu()->actions().isEmpty());
}

// Answers the next modal dialog from inside its event loop.
template <typename Dialog, typename Step>
void WhenModal(Step step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(*dialog);
    });
}

TEST_F(MainWindowTest, ChooseSetupImageStoresOnlyWhatOkConfirms)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Image.vip")));
    TProject* project = Window->Project();
    project->SetSetupImage(Temp.File("deleted.bmp"));

    // "Default" then Cancel: unchanged.
    WhenModal<TfmSetupImage>([](TfmSetupImage& dialog) {
        dialog.Default();
        dialog.reject();
    });
    Named<QAction>("aChooseSetupImage")->trigger();
    EXPECT_EQ(project->SetupImage(), Temp.File("deleted.bmp"));

    // The file is gone: the dialog opens on the default, and OK clears it.
    WhenModal<TfmSetupImage>([](TfmSetupImage& dialog) {
        EXPECT_TRUE(dialog.ImagePath().empty());
        dialog.accept();
    });
    Named<QAction>("aChooseSetupImage")->trigger();
    EXPECT_EQ(project->SetupImage(), "");
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(MainWindowTest, HelpOpensTheShippedManual)
{
    std::vector<std::string> opened;
    Window->SetOpenDocument([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    Named<QAction>("aHelpContents")->trigger();
    if (FileExists(AppendPath(AppendPath(ProgramDir(), "manual"), "index.html"))) {
        EXPECT_EQ(opened, std::vector<std::string>{AppendPath(AppendPath(ProgramDir(), "manual"), "index.html")});
        EXPECT_TRUE(Messages.Shown().empty());
    } else {
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(Messages.Shown().size(), 1u);
    }
}

// Drops arrive as a file manager sends them: drag enter, then drop, with
// file:// URLs.
bool Drop(QWidget* target, const QStringList& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

TEST_F(MainWindowTest, FilesAndFoldersDroppedOnTheFilesTabAreAdded)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Drop.vip")));
    TProject* project = Window->Project();
    auto* files = Window->findChild<TfrmFiles*>();
    for (const char* folder : {"in/MIPS", "in/Data/sub", "many"})
        ASSERT_TRUE(ForceDirectories(Temp.File(folder)));
    for (const char* name : {"in/readme.txt", "in/MIPS/app.exe", "in/Data/b.dat", "in/Data/sub/a.dat"})
        Temp.Write(name, name);
    const QString in = HostPathToQt(Temp.File("in/"));

    // Files to the default folder; a folder into device folders of its names
    // below the folder chosen in the tree (here the company's).
    EXPECT_TRUE(Drop(files, {in + "readme.txt", in + "MIPS/app.exe"}));
    ASSERT_TRUE(FolderFrame()->SelectFolder(project->CompanyFolder()));
    EXPECT_TRUE(Drop(files, {in + "Data"}));
    EXPECT_TRUE(Messages.Shown().empty()) << ::testing::PrintToString(Messages.Texts());
    const struct {
        const char* Source;
        const char* Path;
        TPlatforms Platforms;
        TProcessor Processor;
    } expected[] = {
        // Platform and processor as Add guesses them from the folder's name.
        {"in/readme.txt", "\\Program Files\\Sample Company\\My Application\\", TPlatforms{plPPC2K}, pStrongARM},
        {"in/MIPS/app.exe", "\\Program Files\\Sample Company\\My Application\\", TPlatforms{plPPC2K}, pMIPSR4000},
        {"in/Data/b.dat", "\\Program Files\\Sample Company\\Data\\", TPlatforms{plPPC2K}, pStrongARM},
        {"in/Data/sub/a.dat", "\\Program Files\\Sample Company\\Data\\sub\\", TPlatforms{plPPC2K}, pStrongARM}};
    ASSERT_EQ(project->Files().Count(), 4);
    for (int i = 0; i < 4; ++i) {
        const TFile* file = project->Files().Item(i);
        EXPECT_EQ(file->GetHostSourcePath(), Temp.File(expected[i].Source));
        EXPECT_EQ(file->GetFolder()->GetPath(), expected[i].Path) << expected[i].Source;
        EXPECT_EQ(file->Platforms(), expected[i].Platforms) << expected[i].Source;
        EXPECT_EQ(file->Processor(), expected[i].Processor) << expected[i].Source;
    }
    EXPECT_EQ(files->List()->View()->model()->rowCount(), 4);
    EXPECT_FALSE(FolderFrame()->Tree()->findItems(QStringLiteral("sub"), Qt::MatchRecursive).isEmpty());

    // Above 100 files a question first; No adds nothing.
    for (int i = 0; i <= TfrmFiles::MaxDropWithoutAsking; ++i)
        Temp.Write("many/f" + std::to_string(i) + ".txt", "x");
    Messages.Answer(TAnswer::No);
    EXPECT_TRUE(Drop(files, QStringList{HostPathToQt(Temp.File("many"))}));
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Add all 101 files of the dropped folders?"});
    EXPECT_EQ(project->Files().Count(), 4);

    // A name the project cannot store refuses the whole drop.
    Messages.Clear();
    Temp.Write("in/\xD0\xB4.txt", "x");
    EXPECT_TRUE(Drop(files, {in + "readme.txt", in + QString::fromUtf8("\xD0\xB4.txt")}));
    EXPECT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(project->Files().Count(), 4);

    // The saved project's .inf installs the dropped files into the device
    // folders the drop made.
    ASSERT_TRUE(Window->Save());
    TStringList inf;
    WriteInf(*OpenProjectFile(Window->ProjectFilePath()), inf);
    std::string infText;
    for (const std::string& line : inf)
        infText += line + "\n";
    for (const char* expected :
         {"\"readme.txt\"", "\"app.exe\"", "\"b.dat\"", "\"a.dat\"", "=0,%CE1%\\Sample Company\\My Application\n",
          "=0,%CE1%\\Sample Company\\Data\n", "=0,%CE1%\\Sample Company\\Data\\sub\n"})
        EXPECT_NE(infText.find(expected), std::string::npos) << expected << "\n" << infText;

    // A project file is the window's: the tab passes it on, and the window
    // opens it once the drop has ended.
    EXPECT_TRUE(Drop(files, QStringList{HostPathToQt(WriteProject("Other.vip", "Other App"))}));
    EXPECT_EQ(project->Files().Count(), 4);
    QTest::qWait(20);
    EXPECT_EQ(Window->Project()->AppName(), "Other App");
}

// The list tabs show the project and edit it through the installed editors;
// a folder deleted in "Select Destination Folder" leaves the General tab's
// tree and the lists consistent.
TEST_F(MainWindowTest, ListTabsEditTheProjectThroughTheirDialogs)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Lists.vip")));
    TProject* project = Window->Project();
    TFolder* data = project->AppFolder()->AddSubFolder(std::make_unique<TFolder>("Data", 0));
    Window->ShowDefaultFolder();
    auto* files = Window->findChild<TfrmFiles*>();
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(Named<QAction>("aRuntimesWizard")->isEnabled());

    // Add a file into Data, then delete Data in the destination dialog of
    // its Properties while the General tab shows it.
    Window->SetModalRunner([&](QDialog& dialog) {
        if (auto* destination = qobject_cast<TfmDestinationFolder*>(&dialog)) {
            EXPECT_TRUE(destination->Frame()->SelectFolder(data));
            if (project->Files().Count() == 0)
                return int(QDialog::Accepted);
            destination->Frame()->DeleteFolder();
            return int(QDialog::Rejected);
        }
        Dialogs.AnyFileAnswer = "/home/me/build/ARMV4/app.exe";
        if (project->Files().Count() == 0)
            dialog.findChild<QAbstractButton*>(QStringLiteral("btSource"))->click();
        dialog.findChild<QAbstractButton*>(QStringLiteral("rbFolder"))->click();
        dialog.findChild<QAbstractButton*>(QStringLiteral("btDestination"))->click();
        dialog.findChild<QAbstractButton*>(QStringLiteral("btOK"))->click();
        return dialog.result();
    });
    files->findChild<TfrmList*>()->AddAction()->trigger();
    ASSERT_EQ(project->Files().Count(), 1);
    EXPECT_EQ(project->Files().Item(0)->GetFolder(), data);
    EXPECT_EQ(files->findChild<TfrmList*>()->View()->model()->index(0, 1).data().toString(),
              QStringLiteral("\\Program Files\\Sample Company\\My Application\\Data\\"));

    files->findChild<TfrmList*>()->View()->selectRow(0);
    files->findChild<TfrmList*>()->PropertiesAction()->trigger();
    EXPECT_EQ(project->Files().Item(0)->GetFolder(), project->AppFolder());
    EXPECT_TRUE(
        FolderFrame()->Tree()->findItems(QStringLiteral("Data"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    EXPECT_EQ(files->findChild<TfrmList*>()->View()->model()->index(0, 1).data().toString(),
              QStringLiteral("\\Program Files\\Sample Company\\My Application\\"));

    // The runtimes wizard's files show in the Files tab at once.
    Window->SetModalRunner([](QDialog& dialog) {
        auto* next = dialog.findChild<QAbstractButton*>(QStringLiteral("btNext"));
        next->click();
        next->click();
        return dialog.result();
    });
    Named<QAction>("aRuntimesWizard")->trigger();
    EXPECT_EQ(project->Files().Count(), 16);
    EXPECT_EQ(files->findChild<TfrmList*>()->RowCount(), 16);
    EXPECT_TRUE(Messages.Shown().empty()) << ::testing::PrintToString(Messages.Texts());
}

}

TEST_F(MainWindowTest, RegistryTabShowsTheOpenProjectsKeysAndEditsItsValues)
{
    ASSERT_TRUE(Window->OpenProject(WriteProject("Keys.vip")));
    auto* registry = Window->findChild<TfrmRegistry*>(QStringLiteral("frmRegistry"));
    ASSERT_NE(registry, nullptr);
    QTreeWidget* tree = registry->Keys()->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(registry->Keys()->SelectedKey(), Window->Project()->RegKeys().Item(0));

    // The window installs the value editors: a new value under
    // HKEY_CURRENT_USER\Software opens "String Value" and changes the project.
    int shown = 0;
    Window->SetModalRunner([&](QDialog& dialog) {
        ++shown;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("String Value: New REG_SZ value"));
        dialog.accept();
        return dialog.result();
    });
    registry->Keys()->SelectKey(Window->Project()->RegKeys().Item(1)->GetSubKey(0));
    registry->Values()->NewValue(vtString);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Window->Project()->RegKeys().Item(1)->GetSubKey(0)->Values().Count(), 2);
    EXPECT_TRUE(Window->IsProjectModified());

    Messages.Answer(TAnswer::No);
    EXPECT_TRUE(Window->CloseProject());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(registry->Values()->List()->rowCount(), 0);
}

TEST_F(MainWindowTest, ProjectNamingAnotherWorkFolderIsUnchangedUntilEdited)
{
    // Copied or moved projects, and the example, name another work folder
    // (or none); opening takes the file's own folder.
    for (const char* stored : {"", "/elsewhere/"}) {
        TProject project("Sample Company");
        project.SetApplicationName("Moved");
        project.SetProjectDir(stored);
        std::string path = Temp.File(std::string("Moved") + (*stored ? "1" : "0") + ".vip");
        SaveProjectFile(project, path);
        ASSERT_TRUE(Window->OpenProject(path));
        for (int i = 0; i < Tabs()->count(); ++i) {
            Tabs()->setCurrentIndex(i);
            EXPECT_FALSE(Window->IsProjectModified()) << stored << " tab " << i;
        }
        QTest::keyClicks(AppNameEdit(), QStringLiteral(" 2"));
        EXPECT_TRUE(Window->IsProjectModified()) << stored;
        ASSERT_TRUE(Window->Save());
        EXPECT_FALSE(Window->IsProjectModified()) << stored;
    }
}
