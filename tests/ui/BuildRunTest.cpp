#include "FakeServices.h"
#include "support/TestSupport.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "package/PackageSigner.h"
#include "storage/Settings.h"
#include "ui/build/fmBuildMaker.h"
#include "ui/build/fmMissingFiles.h"
#include "ui/main/fmMain.h"
#include "ui/main/fmProgress.h"
#include "ui/parts/QtText.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

// Watches the progress window of the archive step: whether it showed, and
// whether it blocked the rest of the window while it was up.
class TProgressWatch : public QObject {
public:
    int Shown = 0;
    bool Modal = false;
    bool Reported = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (auto* progress = qobject_cast<TfmProgress*>(object)) {
            if (event->type() == QEvent::Show) {
                ++Shown;
                Modal = Modal || progress->isModal();
            }
            if (event->type() == QEvent::Hide)
                Reported = Reported || progress->Position() == 100;
        }
        return false;
    }
};

// F7 on the main window with the real program folder: the CAB tool, the
// self-extractor maker, Setup.exe and Deskstart.exe of this build.
class BuildRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KeepSettingsIn(Temp.File("settings"));
        // CTest names the build's program folder; a run by hand without it
        // has no tools to build with.
        if (ProgramDir().empty())
            GTEST_SKIP() << "VI_PROGRAM_DIR is not set";
        for (const char* needed :
             {"Setup.exe", "Deskstart.exe", "Resources.dat", "Tools/CABWIZ.exe", "Tools/makesfx.exe"})
            ASSERT_TRUE(FileExists(ProgramDir() + needed)) << "the program folder lacks " << needed;
        auto settings = std::make_unique<TSettings>("Veltrin Installer Tests", "1.0");
        settings->SetCompanySource([] { return std::optional<std::string>("Test Company"); });
        Window = std::make_unique<TfmMain>(&Messages, &Dialogs, std::move(settings), ProgramDir());
        Window->SetModalRunner([this](QDialog& dialog) { return Answer(dialog); });
    }

    // The project "Demo": a Pocket PC program and a file for every platform
    // in Work/src, saved as Work/Demo.vip and opened.
    void OpenDemo(bool withMissingFile = false)
    {
        const std::string work = Temp.Path();
        const std::string src = AppendPath(work, "src");
        ASSERT_TRUE(ForceDirectories(src));
        Temp.Write("src/app.exe", std::string(4000, 'A'));
        Temp.Write("src/readme.txt", "read me\r\n");
        Temp.Write("EULA_English.txt", "{\\rtf1 English}");
        Temp.Write("EULA_Neutral.txt", "{\\rtf1 Neutral}");

        TProject project("Firm");
        project.SetApplicationName("Viewer");
        project.SetProjectDir(work);
        project.SetProjectFileName("Demo.vip");
        TPlatforms pocket;
        pocket.Include(plPPC300);
        auto add = [&](const std::string& name, TPlatforms platforms, TProcessor processor) {
            auto file = std::make_unique<TFile>();
            file->SetSourceDir(src);
            file->SetFileName(name);
            file->SetPlatforms(platforms);
            file->SetProcessor(processor);
            file->SetFolder(project.AppFolder());
            project.Files().Add(std::move(file));
        };
        add("app.exe", pocket, pStrongARM);
        add("readme.txt", AllPlatforms, pAll);
        if (withMissingFile)
            add("gone.dll", pocket, pStrongARM);
        SaveProjectFile(project, Temp.File("Demo.vip"));
        ASSERT_TRUE(Window->OpenProject(Temp.File("Demo.vip"))) << ::testing::PrintToString(Messages.Texts());
    }

    int Answer(QDialog& dialog)
    {
        Shown.push_back(dialog.windowTitle().toStdString());
        LogShownDuringRun = LogShownDuringRun || !Window->Log()->isHidden();
        if (auto* missing = qobject_cast<TfmMissingFiles*>(&dialog)) {
            MissingRows = Named<QTableWidget>(missing, "lvFiles")->rowCount();
            Press(*missing, DeleteMissing ? "btDelete" : "btCancel");
        } else if (auto* wizard = qobject_cast<TfmBuildMaker*>(&dialog)) {
            if (WizardAction)
                WizardAction(*wizard);
            Press(*wizard, ConfirmWizard ? "btOk" : "btCancel");
        } else {
            ADD_FAILURE() << "unexpected dialog " << Shown.back();
            return QDialog::Rejected;
        }
        return dialog.result();
    }

    std::vector<std::string> TestBuildEntries() const
    {
        std::vector<std::string> entries;
        for (QAction* action : Window->findChild<QMenu*>(QStringLiteral("miTestBuild"))->actions())
            entries.push_back(HostPathFromQt(action->text()));
        return entries;
    }

    std::string Package(const std::string& folder) const { return AppendPath(Temp.File(folder), "Setup.exe"); }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    std::unique_ptr<TfmMain> Window;
    std::vector<std::string> Shown;
    bool LogShownDuringRun = false;
    bool DeleteMissing = true;
    bool ConfirmWizard = true;
    int MissingRows = -1;
    std::function<void(TfmBuildMaker&)> WizardAction;
};

TEST_F(BuildRunTest, F7MakesThePackageAndOffersItUnderTestBuild)
{
    OpenDemo();
    TProgressWatch progress;
    qApp->installEventFilter(&progress);
    Named<QAction>(Window.get(), "aBuild")->trigger();
    qApp->removeEventFilter(&progress);

    EXPECT_EQ(Shown, std::vector<std::string>{"Build Wizard"}) << "no Missing Files without missing files";
    EXPECT_EQ(progress.Shown, 1);
    EXPECT_FALSE(progress.Modal);
    EXPECT_TRUE(progress.Reported) << "the last file reached 100%";
    EXPECT_TRUE(LogShownDuringRun);
    EXPECT_TRUE(Window->Log()->isHidden());
    const std::string log = Window->Log()->toPlainText().toStdString();
    EXPECT_NE(log.find("Compiling Cab files..."), std::string::npos) << log;
    EXPECT_NE(log.find("Cab files compiled succesfuly."), std::string::npos) << log;
    ASSERT_EQ(Messages.Texts(), std::vector<std::string>{"Build completed successfuly!"});
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Information);

    const std::string package = Package("All In One");
    ASSERT_TRUE(FileExists(package));
    std::vector<uint8_t> bytes = ReadFileBytes(package);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 'M');
    EXPECT_EQ(bytes[1], 'Z');
    // The CAB files of every pair of the wizard's All In One were made.
    ASSERT_EQ(Window->Project()->Builds().Count(), 1);
    const TBuild& build = *Window->Project()->Builds().GetBuild(0);
    ASSERT_GT(build.PairCount(), 0);
    for (int i = 0; i < build.PairCount(); ++i) {
        std::string suffix = build.GetPair(i)->GetPairName();
        EXPECT_TRUE(FileExists(Temp.File(suffix.empty() ? "Demo.CAB" : "Demo." + suffix + ".CAB"))) << suffix;
    }
    EXPECT_TRUE(FileExists(Temp.File("Demo.PPC300_2577.CAB")));
    EXPECT_FALSE(FileExists(Temp.File("Demo.inf")));
    EXPECT_EQ(TestBuildEntries(), std::vector<std::string>{package});
    EXPECT_TRUE(Window->findChildren<TfmProgress*>().isEmpty()) << "the progress window is gone";

    // The wizard's All In One stays in the project.
    EXPECT_TRUE(build.AllInOne());
}

TEST_F(BuildRunTest, MissingFilesAreDroppedOrTheRunIsCancelled)
{
    OpenDemo(true);
    DeleteMissing = false;
    Named<QAction>(Window.get(), "aBuild")->trigger();
    EXPECT_EQ(Shown, std::vector<std::string>{"Missing Files"});
    EXPECT_EQ(MissingRows, 1);
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Compilation canceled!"});
    EXPECT_EQ(Window->Project()->Files().Count(), 3);
    EXPECT_TRUE(Window->Log()->isHidden());
    EXPECT_FALSE(FileExists(Package("All In One")));

    Shown.clear();
    Messages.Clear();
    DeleteMissing = true;
    Named<QAction>(Window.get(), "aBuild")->trigger();
    EXPECT_EQ(Shown, (std::vector<std::string>{"Missing Files", "Build Wizard"}));
    EXPECT_EQ(Window->Project()->Files().Count(), 2);
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"Build completed successfuly!"});
    EXPECT_TRUE(FileExists(Package("All In One")));
}

TEST_F(BuildRunTest, CancelledWizardEndsSilentlyAndKeepsTheTestBuilds)
{
    OpenDemo();
    Named<QAction>(Window.get(), "aBuild")->trigger();
    ASSERT_EQ(TestBuildEntries().size(), 1u);

    Messages.Clear();
    ConfirmWizard = false;
    WizardAction = [](TfmBuildMaker& wizard) {
        Named<QListWidget>(&wizard, "lbBuilds")->setCurrentRow(0);
        Press(wizard, "btDeleteBuild");
    };
    Named<QAction>(Window.get(), "aBuild")->trigger();
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(TestBuildEntries().size(), 1u);
    // What the wizard did to the builds stays although it was cancelled,
    // as one step to undo.
    EXPECT_EQ(Window->Project()->Builds().Count(), 0);
    EXPECT_EQ(Window->UndoAction()->text(), QStringLiteral("&Undo Change Builds"));
    Window->Undo();
    EXPECT_EQ(Window->Project()->Builds().Count(), 1);
}

TEST_F(BuildRunTest, F7SignsForTheDeviceWithTheSettingsCertificateAndTheEnvironmentPassword)
{
    OpenDemo();
    const std::string certificate = MakeTestCertificate(Temp, "device", "device pw");
    Window->Settings().WriteSetting("devicesignpkcs12", certificate);
    WizardAction = [this](TfmBuildMaker&) { Window->Project()->Builds().GetBuild(0)->SetSignForDevice(true); };
    struct Case {
        const char* DevicePassword;
        // The packages' password, for the cases that sign them with the same certificate.
        const char* PackagePassword;
        std::string Expected;
    };
    for (const Case& c : {Case{"wrong", nullptr,
                               "The device certificate \"" + certificate + "\" does not open with the password given."},
                          Case{"device pw", nullptr, "Build completed successfuly!"},
                          Case{"", "device pw", "Build completed successfuly!"},
                          Case{"wrong", "device pw", "does not open with the password given."}}) {
        Window->Settings().WriteSetting("signpkcs12", c.PackagePassword ? certificate : "");
        ScopedEnv password(TPackageSigner::DevicePasswordVariable, c.DevicePassword);
        ScopedEnv packagePassword(TPackageSigner::PasswordVariable, c.PackagePassword ? c.PackagePassword : "");
        Messages.Clear();
        Named<QAction>(Window.get(), "aBuild")->trigger();
        ASSERT_EQ(Messages.Shown().size(), 1u) << c.DevicePassword;
        EXPECT_NE(Messages.Shown()[0].Text.find(c.Expected), std::string::npos) << Messages.Shown()[0].Text;
    }
}

TEST_F(BuildRunTest, NoCheckedBuildBuildsNothingAndSaysSo)
{
    OpenDemo();
    WizardAction = [](TfmBuildMaker& wizard) {
        Named<QListWidget>(&wizard, "lbBuilds")->item(0)->setCheckState(Qt::Unchecked);
    };
    Named<QAction>(Window.get(), "aBuild")->trigger();
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"No build chosen: nothing was built."});
    EXPECT_FALSE(FileExists(Package("All In One")));
    EXPECT_TRUE(TestBuildEntries().empty());
}

TEST_F(BuildRunTest, ABuildWithAProblemStopsBeforeAnyToolAndTheLogNamesIt)
{
    OpenDemo();
    Temp.Write("app.ico", "BM a bitmap, not an icon");
    Window->Project()->SetIconFile(Temp.File("app.ico"));
    Named<QAction>(Window.get(), "aBuild")->trigger();

    const std::string problem = "The icon file " + Temp.File("app.ico") + " is not a Windows icon (.ico).";
    const std::string log = Window->Log()->toPlainText().toStdString();
    EXPECT_NE(log.find(problem), std::string::npos) << log;
    EXPECT_EQ(log.find("Compiling Cab files..."), std::string::npos) << log;
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_EQ(Messages.Shown()[0].Text, "The build \"All In One\" was not made:\r\n" + problem);
    EXPECT_FALSE(FileExists(Temp.File("Demo.PPC300_2577.CAB")));
    EXPECT_FALSE(FileExists(Package("All In One")));
    EXPECT_TRUE(TestBuildEntries().empty());
}

TEST_F(BuildRunTest, ProjectWithoutFilesIsRefused)
{
    TProject project("Firm");
    project.SetProjectDir(Temp.Path());
    project.SetProjectFileName("Empty.vip");
    SaveProjectFile(project, Temp.File("Empty.vip"));
    ASSERT_TRUE(Window->OpenProject(Temp.File("Empty.vip")));
    Named<QAction>(Window.get(), "aBuild")->trigger();
    EXPECT_TRUE(Shown.empty());
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_EQ(Messages.Shown()[0].Text, "There are no files defined!");
    EXPECT_TRUE(Window->Log()->isHidden());
}

}
