// Packages of the example project, made by the headless build, run under
// Wine: the wizard build unpacks every file into a new temporary folder and
// starts its setup program there; the silent build's launcher finds the
// Application Manager through "App Paths" or in Program Files and hands it
// the package's .ini. Needs the prefix of the "wine" CTest fixture.

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "support/TestSupport.h"
#include "WineRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <cstdio>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

const char* const kAppPathsKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
// The example's company and application: the folder of its hand-over copy.
const char* const kOwnFolder = "\\Example Software\\Demo Viewer";

// Watches a temporary folder while a package runs: whether the package
// unpacked into it (a VISFX folder appeared), and what it left there.
class TTempWatch {
public:
    explicit TTempWatch(std::string hostFolder) : FFolder(std::move(hostFolder)), FThread([this] { Poll(); }) {}
    ~TTempWatch() { Stop(); }
    bool Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
        return FSeen;
    }
    std::vector<std::string> Left() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (auto it = fs::directory_iterator(FFolder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            if (it->path().filename().string().rfind("VISFX", 0) == 0)
                names.push_back(it->path().filename().string());
        return names;
    }

private:
    void Poll()
    {
        while (!FStop) {
            if (!Left().empty())
                FSeen = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string FFolder;
    std::atomic<bool> FStop{false}, FSeen{false};
    std::thread FThread;
};

// A program folder laid out like an installed builder (the builder copied
// in, so it takes its setup programs from here), and the example project
// copied to a work folder.
class BuildWineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::is_directory(VI_WINEPREFIX "/drive_c"))
            << "no Wine prefix in " VI_WINEPREFIX ": run through CTest, whose wine fixture makes it";
        for (const std::string& needed :
             {WinProgram("tests/sfxprobe.exe"), WinProgram("tests/CeAppMgr.exe"), WinProgram("Deskstart.exe"),
              WinProgram("Tools/makesfx.exe"), std::string(VI_PROGRAM_DIR "/VeltrinInstaller")})
            ASSERT_TRUE(FileExists(needed)) << needed;
        fs::create_directories(FProgram + "/Tools");
        fs::copy_file(VI_PROGRAM_DIR "/VeltrinInstaller", FProgram + "/VeltrinInstaller");
        fs::copy_file(WinProgram("Deskstart.exe"), FProgram + "/Deskstart.exe");
        fs::copy_file(WinProgram("tests/sfxprobe.exe"), FProgram + "/Setup.exe");
        // makesfx takes the self-extractor stub from its own folder, so the
        // folders of the test variants and of the twins have a makesfx of
        // their own.
        fs::create_symlink(VI_PROGRAM_DIR "/Tools/CABWIZ.exe", FProgram + "/Tools/CABWIZ.exe");
        fs::create_symlink(WinProgram("Tools/makesfx.exe"), FProgram + "/Tools/makesfx.exe");
        fs::create_directories(FWork);
        fs::copy(VI_EXAMPLE_DIR, FWork, fs::copy_options::recursive);
    }

    // One run for all the builds named, so that their packages carry the
    // CAB files of one compilation, which are the ones left in the work
    // folder (a CAB file carries the time it was made).
    void Build(const std::vector<std::string>& buildNames)
    {
        std::vector<std::string> args = {FProgram + "/VeltrinInstaller", "--build", FWork + "/Demo.vip"};
        for (const std::string& name : buildNames)
            args.insert(args.end(), {"--only", name});
        TRunResult r = RunProgram(args, {}, FDir.File("build-output.txt"));
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
    }
    void Build(const std::string& buildName) { Build(std::vector<std::string>{buildName}); }

    TRunResult RunPackage(const std::string& package, const std::string& recordVariable,
                          std::vector<std::string> extraEnv = {})
    {
        bool unattended = std::any_of(extraEnv.begin(), extraEnv.end(),
                                      [](const std::string& e) { return e.rfind("VI_SETUP_UNATTENDED=", 0) == 0; });
        extraEnv.insert(extraEnv.end(), {recordVariable + "=" + WindowsPath(FDir.File("record.txt")), "VI_SFX_QUIET=1",
                                         "VI_SFX_KEEP=" + WindowsPath(FDir.File("kept"))});
        if (!unattended)
            extraEnv.push_back("VI_SETUP_UNATTENDED=1");
        fs::create_directories(FDir.File("kept"));
        return RunProgram(Wine({package}), extraEnv, FDir.File("wine-output.txt"));
    }

    // The temporary folder of the prefix's user, set to a folder of this
    // test (Wine takes TEMP and TMP from the user's environment key, as
    // Windows does); type and value as reg.exe takes them.
    void SetTemp(const std::string& type, const std::string& value)
    {
        for (const char* name : {"TEMP", "TMP"}) {
            TRunResult r =
                RunProgram(Wine({"reg", "add", "HKCU\\Environment", "/v", name, "/t", type, "/d", value, "/f"}),
                           {"LANG=C.UTF-8"}, FDir.File("reg-output.txt"));
            ASSERT_EQ(r.ExitCode, 0) << r.Output;
        }
    }
    void RestoreTemp() { SetTemp("REG_EXPAND_SZ", "%USERPROFILE%\\Temp"); }

    void Reg(const std::vector<std::string>& args)
    {
        std::vector<std::string> command = {"reg"};
        command.insert(command.end(), args.begin(), args.end());
        TRunResult r = RunProgram(Wine(command), {}, FDir.File("reg-output.txt"));
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
    }

    // Runs the silent package and checks what the Application Manager got:
    // the package's .ini in the folder it was unpacked to, and a window that
    // it may show (Windows hands SW_HIDE on to a program's first window).
    void ExpectAppManagerRun(const std::string& helperWindowsPath,
                             const std::string& package = "Pocket PC Silent/Setup.exe",
                             const std::vector<std::string>& extraEnv = {}, std::string handOverFolder = "",
                             const std::vector<std::string>& cabs = {"Demo.PPC300_2577.CAB", "Demo.PPC300_10003.CAB"})
    {
        // The hand-over outlives the temporary folder: the application's
        // folder beside the Application Manager.
        if (handOverFolder.empty())
            handOverFolder = helperWindowsPath.substr(0, helperWindowsPath.rfind('\\')) + kOwnFolder;
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(FWork + "/" + package, "VI_APPMGR_RECORD", extraEnv);
        ASSERT_TRUE(FileExists(FDir.File("record.txt")))
            << "the Application Manager did not run; the package ended with " << r.ExitCode << ": " << r.Output;
        auto record = ReadRecord(FDir.File("record.txt"));
        FRecord = record;
        ASSERT_EQ(Values(record, "startup").size(), 1u);
        unsigned long flags = 0, show = 0;
        ASSERT_EQ(std::sscanf(Values(record, "startup")[0].c_str(), "%lu %lu", &flags, &show), 2);
        const unsigned long useShowWindow = 1, hide = 0;
        EXPECT_FALSE((flags & useShowWindow) && show == hide) << "started hidden: " << Values(record, "startup")[0];
        ASSERT_EQ(Values(record, "cmdline").size(), 1u);
        std::string cmdline = Values(record, "cmdline")[0];
        const std::string prefix = "\"" + helperWindowsPath + "\" \"";
        ASSERT_EQ(cmdline.rfind(prefix, 0), 0u) << cmdline;
        ASSERT_GT(cmdline.size(), prefix.size() + 1);
        ASSERT_EQ(cmdline.back(), '"') << cmdline;
        std::string ini = cmdline.substr(prefix.size(), cmdline.size() - prefix.size() - 1);
        ASSERT_GT(ini.size(), 9u);
        EXPECT_EQ(ini.substr(ini.size() - 9), "\\Demo.ini") << cmdline;
        std::string folder = ini.substr(0, ini.size() - 9);
        EXPECT_EQ(folder, handOverFolder);
        const std::string hostFolder = folder.rfind("Z:", 0) == 0 ? folder.substr(2) : HostPath(folder);

        std::string iniText = ReadAll(HostFile(hostFolder, "Demo.ini"));
        EXPECT_NE(iniText.find("\r\nCabFiles = " + cabs[0] + "," + cabs[1] + "\r\n"), std::string::npos) << iniText;
        std::vector<std::string> names;
        for (const std::string& file : Values(record, "file"))
            names.push_back(file.substr(0, file.find(' ')));
        for (const std::string& cab : cabs)
            EXPECT_NE(std::find(names.begin(), names.end(), cab), names.end()) << cab << " not in " << folder;
        EXPECT_EQ(ReadAll(HostFile(hostFolder, cabs[0])), ReadAll(FWork + "/" + cabs[0]));
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
    }

    static std::string HostFile(std::string hostFolder, const std::string& name)
    {
        for (char& c : hostFolder)
            if (c == '\\')
                c = '/';
        return hostFolder + "/" + name;
    }

    void UseRealWizard()
    {
        fs::copy_file(WinProgram("Setup.exe"), FProgram + "/Setup.exe", fs::copy_options::overwrite_existing);
    }

    // The stand-in Application Manager in a folder of its own, named by App Paths.
    std::string RegisterAppManager()
    {
        const std::string helper = FDir.File("appmgr/CeAppMgr.exe");
        fs::create_directories(FDir.File("appmgr"));
        fs::copy_file(WinProgram("tests/CeAppMgr.exe"), helper, fs::copy_options::overwrite_existing);
        Reg({"add", kAppPathsKey, "/ve", "/d", WindowsPath(helper), "/f"});
        return WindowsPath(helper);
    }

    TempDir FDir;
    std::multimap<std::string, std::string> FRecord;
    std::string FProgram = FDir.File("program");
    std::string FWork = FDir.File("work/Demo");
};

} // namespace

TEST_F(BuildWineTest, WizardPackageUnpacksEverythingAndStartsItsSetupProgram)
{
    Build("Pocket PC");
    const std::string package = FWork + "/Pocket PC/Setup.exe";
    ASSERT_TRUE(FileExists(package));
    std::string firstFolder;
    for (int run = 0; run < 2; ++run) {
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(package, "VI_SFX_RECORD");
        // The stand-in setup program ends with 7, which comes back through the package.
        ASSERT_EQ(r.ExitCode, 7) << r.Output;
        auto record = ReadRecord(FDir.File("record.txt"));
        ASSERT_EQ(Values(record, "cwd").size(), 1u) << ReadAll(FDir.File("record.txt"));
        std::string folder = Values(record, "cwd")[0];
        EXPECT_EQ(Values(record, "exe"), std::vector<std::string>{folder + "\\Setup.exe"});
        std::vector<std::string> names;
        for (const std::string& file : Values(record, "file"))
            names.push_back(file.substr(0, file.find(' ')));
        EXPECT_EQ(names, (std::vector<std::string>{"Demo.PPC300_10003.CAB", "Demo.PPC300_2577.CAB", "Demo.ico",
                                                   "Demo.ini", "Demo_res.DAT", "EULA_English.txt", "EULA_German.txt",
                                                   "EULA_Neutral.txt", "Setup.exe", "VI.INI"}));
        EXPECT_EQ(ReadAll(FDir.File("kept/EULA_German.txt")), ReadAll(FWork + "/EULA_German.txt"));
        if (run == 0)
            firstFolder = folder;
        else
            EXPECT_NE(folder, firstFolder) << "each run unpacks into a new folder";
    }
}

// A package runs from a download folder where anything may lie beside it,
// and the setup wizard runs from the folder it was unpacked to: DLLs there
// named after system ones must never be loaded, by the self-extractor, the
// wizard or the launcher.
TEST_F(BuildWineTest, DllsPlantedBesideThePackagesAndTheirProgramsAreNotLoaded)
{
    const std::string planted = WinProgram("tests/planted.dll");
    ASSERT_TRUE(FileExists(planted));
    // The DLLs the programs load while they run. (DLLs that system DLLs
    // import when a program starts cannot be guarded from inside it, and
    // Wine's system DLLs import others than Windows' do.)
    const std::vector<std::string> names = {"riched20.dll", "msftedit.dll"};
    auto plant = [&](const std::string& folder) {
        for (const std::string& name : names)
            fs::copy_file(planted, folder + "/" + name, fs::copy_options::overwrite_existing);
    };
    // Wine prefers its own builtin DLLs where Windows would take a file it
    // finds first; preferring native files makes Wine search as Windows does.
    const std::vector<std::string> env = {"VI_PLANTED_RECORD=" + WindowsPath(FDir.File("planted.txt")),
                                          "WINEDLLOVERRIDES=mscoree,mshtml=;riched20,msftedit=n,b"};
    const std::string helper = RegisterAppManager();
    // Each program must get as far as the Application Manager, having loaded
    // everything it needs on the way.
    auto expectReachedAppManager = [&](const TRunResult& r, const std::string& what) {
        EXPECT_TRUE(FileExists(FDir.File("record.txt")))
            << what << " did not reach the Application Manager: " << r.Output;
        DeleteFileIfExists(FDir.File("record.txt"));
    };

    UseRealWizard();
    Build("Pocket PC");
    Build("Pocket PC Silent");
    for (const char* package : {"Pocket PC/Setup.exe", "Pocket PC Silent/Setup.exe"}) {
        const std::string path = FWork + "/" + package;
        plant(ExtractFilePath(path));
        DeleteFileIfExists(FDir.File("record.txt"));
        expectReachedAppManager(RunPackage(path, "VI_APPMGR_RECORD", env), package);
    }

    // The wizard and the launcher in a folder holding what a package
    // unpacks, and the planted DLLs.
    const std::string unpacked = FDir.File("unpacked");
    fs::create_directories(unpacked);
    TRunResult unzip = RunProgram({"unzip", "-o", "-q", FWork + "/Pocket PC/Setup.exe", "-d", unpacked}, {},
                                  FDir.File("unzip-output.txt"));
    ASSERT_TRUE(FileExists(unpacked + "/VI.INI")) << unzip.Output;
    fs::copy_file(WinProgram("Deskstart.exe"), unpacked + "/Deskstart.exe", fs::copy_options::overwrite_existing);
    plant(unpacked);
    for (const char* program : {"Setup.exe", "Deskstart.exe"}) {
        std::vector<std::string> runEnv = env;
        runEnv.insert(runEnv.end(),
                      {"VI_SETUP_UNATTENDED=1", "VI_APPMGR_RECORD=" + WindowsPath(FDir.File("record.txt"))});
        expectReachedAppManager(RunProgram(Wine({unpacked + "/" + program}), runEnv, FDir.File("run-output.txt"), 60),
                                program);
    }

    EXPECT_FALSE(FileExists(FDir.File("planted.txt"))) << ReadAll(FDir.File("planted.txt"));
    Reg({"delete", kAppPathsKey, "/f"});
}

TEST_F(BuildWineTest, LauncherHandsTheIniToTheAppManagerOfAppPaths)
{
    Build("Pocket PC Silent");
    const std::string helper = FDir.File("appmgr/CeAppMgr.exe");
    fs::create_directories(FDir.File("appmgr"));
    fs::copy_file(WinProgram("tests/CeAppMgr.exe"), helper);
    Reg({"add", kAppPathsKey, "/ve", "/d", WindowsPath(helper), "/f"});
    ExpectAppManagerRun(WindowsPath(helper));
    Reg({"delete", kAppPathsKey, "/f"});
}

TEST_F(BuildWineTest, LauncherFindsTheAppManagerInProgramFiles)
{
    Build("Pocket PC Silent");
    // Without the App Paths key, only the Program Files folder is left.
    RunProgram(Wine({"reg", "delete", kAppPathsKey, "/f"}), {}, FDir.File("reg-output.txt"));
    const std::string programFiles = VI_WINEPREFIX "/drive_c/Program Files";
    const std::string helper = programFiles + "/CeAppMgr.exe";
    fs::copy_file(WinProgram("tests/CeAppMgr.exe"), helper, fs::copy_options::overwrite_existing);
    ExpectAppManagerRun("C:\\Program Files\\CeAppMgr.exe");
    fs::remove(helper);
}

TEST_F(BuildWineTest, SetupWizardWalksItsPagesAndHandsTheIniToTheAppManager)
{
    // The real wizard this time, driven through its pages unattended.
    UseRealWizard();
    Build("Pocket PC");
    ExpectAppManagerRun(RegisterAppManager(), "Pocket PC/Setup.exe");
    Reg({"delete", kAppPathsKey, "/f"});
}

TEST_F(BuildWineTest, LauncherFindsTheAppManagerOfWindowsMobileDeviceCenter)
{
    Build("Pocket PC Silent");
    RunProgram(Wine({"reg", "delete", kAppPathsKey, "/f"}), {}, FDir.File("reg-output.txt"));
    const std::string folder = VI_WINEPREFIX "/drive_c/windows/WindowsMobile";
    fs::create_directories(folder);
    fs::copy_file(WinProgram("tests/CeAppMgr.exe"), folder + "/CeAppMgr.exe", fs::copy_options::overwrite_existing);
    ExpectAppManagerRun("C:\\windows\\WindowsMobile\\CeAppMgr.exe");
    fs::remove_all(folder);
}

TEST_F(BuildWineTest, WizardAnswersWhileTheAppManagerRuns)
{
    UseRealWizard();
    Build("Pocket PC");
    std::string helper = RegisterAppManager();
    ExpectAppManagerRun(helper, "Pocket PC/Setup.exe", {"VI_APPMGR_SLEEP=10"});
    std::vector<std::string> wizard = Values(FRecord, "wizard");
    ASSERT_EQ(wizard.size(), 1u);
    int answers = 0, asks = 0;
    ASSERT_EQ(std::sscanf(wizard[0].c_str(), "%d of %d", &answers, &asks), 2) << wizard[0];
    EXPECT_GT(asks, 10) << "the stand-in did not find the wizard's window";
    EXPECT_EQ(answers, asks) << "the wizard stopped answering while it waited";
    Reg({"delete", kAppPathsKey, "/f"});
}

// Windows user folders often have names outside the ANSI code page; the
// package is unpacked below them and every program finds its files there.
TEST_F(BuildWineTest, PackagesInstallFromTemporaryFoldersWithNonAsciiNames)
{
    UseRealWizard();
    Build(std::vector<std::string>{"Pocket PC Silent", "Pocket PC"});
    std::string helper = RegisterAppManager();
    struct Case {
        const char* user;
        const char* package;
    } cases[] = {{"\xC5\x92uvre", "Pocket PC Silent/Setup.exe"},
                 {"\xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0", "Pocket PC Silent/Setup.exe"},
                 {"\xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0", "Pocket PC/Setup.exe"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.package);
        const std::string temp = std::string("C:\\users\\") + c.user + "\\Temp";
        fs::create_directories(HostPath(temp));
        SetTemp("REG_SZ", temp);
        TTempWatch watch(HostPath(temp));
        ExpectAppManagerRun(helper, c.package, {"LANG=C.UTF-8"});
        EXPECT_TRUE(watch.Stop()) << "nothing was unpacked into " << temp;
        EXPECT_EQ(watch.Left(), std::vector<std::string>{});
    }
    RestoreTemp();
    Reg({"delete", kAppPathsKey, "/f"});
}

// Every way a package ends, its exit code as the self-extractor reports it
// (0 handed over, 1602 cancelled, 1 failed), and no temporary folder left
// behind; the wizard shows its finish page only after a hand-over.
TEST_F(BuildWineTest, PackagesEndWithTheirExitCodesAndLeaveNoTemporaryFolder)
{
    UseRealWizard();
    Build(std::vector<std::string>{"Pocket PC Silent", "Pocket PC"});
    const std::string helper = RegisterAppManager();
    const std::string temp = "C:\\vitemp" + std::to_string(CurrentProcessId());
    fs::create_directories(HostPath(temp));
    SetTemp("REG_SZ", temp);
    struct Case {
        const char* Package;
        const char* Unattended;
        bool AppManager;
        int ExitCode;
    } cases[] = {{"Pocket PC Silent/Setup.exe", "1", true, 0},
                 {"Pocket PC/Setup.exe", "1", true, 0},
                 {"Pocket PC/Setup.exe", "cancel", true, 1602},
                 {"Pocket PC Silent/Setup.exe", "1", false, 1},
                 {"Pocket PC/Setup.exe", "1", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Package) + " " + c.Unattended +
                     (c.AppManager ? "" : " without Application Manager"));
        if (c.AppManager)
            Reg({"add", kAppPathsKey, "/ve", "/d", helper, "/f"});
        else
            RunProgram(Wine({"reg", "delete", kAppPathsKey, "/f"}), {}, FDir.File("reg-output.txt"));
        DeleteFileIfExists(FDir.File("record.txt"));
        TTempWatch watch(HostPath(temp));
        TRunResult r = RunPackage(FWork + "/" + c.Package, "VI_APPMGR_RECORD",
                                  {std::string("VI_SETUP_UNATTENDED=") + c.Unattended});
        EXPECT_TRUE(watch.Stop()) << "nothing was unpacked into " << temp;
        EXPECT_EQ(watch.Left(), std::vector<std::string>{});
        // Wine gives its Unix parent the low byte of the exit code (1602 & 0xFF is 66).
        EXPECT_EQ(r.ExitCode, c.ExitCode & 0xFF) << r.Output;
        EXPECT_EQ(FileExists(FDir.File("record.txt")), c.ExitCode == 0) << r.Output;
        if (std::string(c.Package) == "Pocket PC/Setup.exe") {
            EXPECT_EQ(r.Output.find("shown page: finish") != std::string::npos, c.ExitCode == 0) << r.Output;
        }
    }
    RestoreTemp();
}

// A build that shows the finish page alone hands over before showing it:
// with an Application Manager it shows the page and ends with 0; without one
// it ends on the error, never on the page, and the self-extractor reports 1.
TEST_F(BuildWineTest, FinishPageAloneFollowsOnlyASuccessfulHandOver)
{
    UseRealWizard();
    // The project through its JSON text, with the welcome and licence pages
    // of the wizard build turned off.
    const std::string json = FDir.File("Demo.json");
    TRunResult exported = RunProgram({FProgram + "/VeltrinInstaller", "--export", FWork + "/Demo.vip", json}, {},
                                     FDir.File("export-output.txt"));
    ASSERT_EQ(exported.ExitCode, 0) << exported.Output;
    std::string text = ReadAll(json);
    size_t build = text.find("\"name\": \"Pocket PC\",");
    ASSERT_NE(build, std::string::npos);
    for (const std::string page : {"\"welcomePage\": ", "\"licencePage\": "}) {
        size_t at = text.find(page + "true", build);
        ASSERT_NE(at, std::string::npos) << page;
        text.replace(at + page.size(), 4, "false");
    }
    FDir.Write("Demo.json", text);
    TRunResult imported = RunProgram({FProgram + "/VeltrinInstaller", "--import", json, FWork + "/Demo.vip"}, {},
                                     FDir.File("import-output.txt"));
    ASSERT_EQ(imported.ExitCode, 0) << imported.Output;
    Build("Pocket PC");
    const std::string helper = RegisterAppManager();
    for (bool appManager : {true, false}) {
        SCOPED_TRACE(appManager ? "with Application Manager" : "without Application Manager");
        if (!appManager)
            Reg({"delete", kAppPathsKey, "/f"});
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(FWork + "/Pocket PC/Setup.exe", "VI_APPMGR_RECORD");
        EXPECT_EQ(r.ExitCode, appManager ? 0 : 1) << r.Output;
        EXPECT_EQ(FileExists(FDir.File("record.txt")), appManager) << r.Output;
        EXPECT_EQ(r.Output.find("shown page: finish") != std::string::npos, appManager) << r.Output;
        EXPECT_EQ(r.Output.find("shown page: welcome"), std::string::npos) << r.Output;
    }
}

// The copy handed over replaces an older one of the same application, and
// goes below the user's local application data when the Application
// Manager's folder cannot take it (reached through the test variants' seam,
// since Wine lets every user write there).
TEST_F(BuildWineTest, HandOverCopyIsReplacedAndFallsBackToLocalAppData)
{
    UseRealWizard();
    Build(std::vector<std::string>{"Pocket PC Silent", "Pocket PC"});
    const std::string helper = RegisterAppManager();
    const std::string own = FDir.File("appmgr/Example Software/Demo Viewer");
    for (const char* package : {"Pocket PC Silent/Setup.exe", "Pocket PC/Setup.exe"}) {
        SCOPED_TRACE(package);
        fs::create_directories(own);
        FDir.Write("appmgr/Example Software/Demo Viewer/Demo.Old.CAB", "older");
        ExpectAppManagerRun(helper, package);
        EXPECT_FALSE(FileExists(own + "/Demo.Old.CAB")) << "the older copy was not replaced";
        EXPECT_TRUE(FileExists(own + "/Demo.PPC300_10003.CAB"));
    }
    TRunResult local = RunProgram(Wine({"cmd", "/c", "echo", "%LOCALAPPDATA%"}), {}, FDir.File("cmd-output.txt"));
    std::string localAppData = local.Output.substr(0, local.Output.find_first_of("\r\n"));
    ASSERT_EQ(localAppData.rfind("C:\\", 0), 0u) << local.Output;
    for (const char* package : {"Pocket PC Silent/Setup.exe", "Pocket PC/Setup.exe"}) {
        SCOPED_TRACE(package);
        fs::remove_all(HostPath(localAppData + "\\Example Software"));
        ExpectAppManagerRun(helper, package, {"VI_HANDOVER_SKIP_APPMGR_FOLDER=1"}, localAppData + kOwnFolder);
    }
    fs::remove_all(HostPath(localAppData + "\\Example Software"));
    Reg({"delete", kAppPathsKey, "/f"});
}

// The wizard driven by the keyboard alone: Enter on the welcome page's
// default button, Up to accept the licence in the radio pair, Tab past Back
// to Next and Enter for the hand-over, Enter on Finish.
TEST_F(BuildWineTest, WizardIsDrivenByTheKeyboardAlone)
{
    UseRealWizard();
    Build("Pocket PC");
    RegisterAppManager();
    DeleteFileIfExists(FDir.File("record.txt"));
    TRunResult keys;
    std::thread presser([&] {
        keys = RunProgram(
            Wine({WinProgram("tests/KeyPresser.exe"), "enter", "up", "tab", "tab", "enter", "wait", "enter"}), {},
            FDir.File("keys-output.txt"));
    });
    TRunResult r = RunPackage(FWork + "/Pocket PC/Setup.exe", "VI_APPMGR_RECORD", {"VI_SETUP_UNATTENDED=keys"});
    presser.join();
    EXPECT_EQ(keys.ExitCode, 0) << keys.Output;
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_TRUE(FileExists(FDir.File("record.txt"))) << "no hand-over: " << r.Output;
    std::vector<std::string> pages;
    std::istringstream lines(r.Output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("shown page: ", 0) == 0)
            pages.push_back(line.substr(12, line.find_last_not_of('\r') - 11));
    EXPECT_EQ(pages, (std::vector<std::string>{"welcome", "licence", "finish"})) << r.Output;
    Reg({"delete", kAppPathsKey, "/f"});
}

// A second start of a package whose wizard is open ends at once (1618,
// "another installation is in progress"), bringing the first one's wizard
// to the front past another program's window, and leaves it alone; Esc
// then cancels the first one, its question answered by the test switch.
TEST_F(BuildWineTest, SecondStartOfARunningPackageEndsAtOnce)
{
    UseRealWizard();
    Build("Pocket PC");
    TRunResult first;
    std::thread running(
        [&] { first = RunPackage(FWork + "/Pocket PC/Setup.exe", "VI_APPMGR_RECORD", {"VI_SETUP_UNATTENDED=keys"}); });
    TRunResult wait = RunProgram(Wine({WinProgram("tests/KeyPresser.exe")}), {}, FDir.File("keys-output.txt"));
    EXPECT_EQ(wait.ExitCode, 0) << "the first wizard did not open";
    TRunResult watch;
    std::thread watching([&] {
        watch = RunProgram(
            Wine({WinProgram("tests/ForegroundWatch.exe"), WindowsPath(FDir.File("ready")), "VeltrinSetupWizard"}), {},
            FDir.File("watch-output.txt"));
    });
    for (int i = 0; i < 600 && !FileExists(FDir.File("ready")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    TRunResult second = RunProgram(Wine({FWork + "/Pocket PC/Setup.exe"}), {"VI_SFX_QUIET=1", "VI_SETUP_UNATTENDED=1"},
                                   FDir.File("second-output.txt"), 30);
    watching.join();
    EXPECT_EQ(watch.ExitCode, 0) << "1: the other window never got the foreground, 2: the wizard never came to the "
                                    "front: "
                                 << watch.Output;
    TRunResult escape =
        RunProgram(Wine({WinProgram("tests/KeyPresser.exe"), "escape"}), {}, FDir.File("keys-output.txt"));
    running.join();
    EXPECT_EQ(second.ExitCode, 1618 & 0xFF) << second.Output;
    EXPECT_EQ(second.Output.find("shown page"), std::string::npos) << "a second wizard opened: " << second.Output;
    EXPECT_EQ(first.ExitCode, 1602 & 0xFF) << first.Output;
}

namespace {

// The contrast ratio of two colours (COLORREF, 0x00BBGGRR), as the web's
// accessibility guidelines reckon it: 4.5 and more reads well.
double ContrastRatio(unsigned long a, unsigned long b)
{
    auto luminance = [](unsigned long c) {
        auto channel = [](unsigned long v) {
            double x = double(v & 0xFF) / 255.0;
            return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c) + 0.7152 * channel(c >> 8) + 0.0722 * channel(c >> 16);
    };
    double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// A dark colour scheme: every text of the wizard is drawn in colours that
// read well on its background; with high contrast on (forced through the
// test variants' seam, since Wine does not report it) the band above takes
// the scheme's window colours too.
TEST_F(BuildWineTest, WizardTextsStayReadableInADarkColourScheme)
{
    UseRealWizard();
    Build("Pocket PC");
    RegisterAppManager();
    const char* const colours = "HKCU\\Control Panel\\Colors";
    const std::vector<std::pair<std::string, std::string>> dark = {{"ButtonFace", "32 32 32"},
                                                                   {"ButtonText", "255 255 255"},
                                                                   {"Window", "0 0 0"},
                                                                   {"WindowText", "255 255 255"},
                                                                   {"GrayText", "170 170 170"}};
    // The prefix's own values, given back at the end.
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& entry : dark) {
        TRunResult q = RunProgram(Wine({"reg", "query", colours, "/v", entry.first}), {}, FDir.File("reg-output.txt"));
        size_t type = q.Output.find("REG_SZ");
        std::string value =
            type == std::string::npos ? "" : Trim(q.Output.substr(type + 6, q.Output.find('\n', type) - type - 6));
        before.emplace_back(entry.first, value);
    }
    for (const auto& [name, value] : dark)
        Reg({"add", colours, "/v", name, "/d", value, "/f"});
    for (const char* contrast : {"0", "1"}) {
        SCOPED_TRACE(std::string("high contrast ") + contrast);
        TRunResult r = RunPackage(FWork + "/Pocket PC/Setup.exe", "VI_APPMGR_RECORD",
                                  {std::string("VI_SETUP_HIGH_CONTRAST=") + contrast});
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        std::istringstream lines(r.Output);
        std::string line;
        std::set<std::string> seen;
        while (std::getline(lines, line)) {
            char what[16] = {};
            unsigned long text = 0, back = 0;
            if (std::sscanf(line.c_str(), "text colours: %15s %lx on %lx", what, &text, &back) != 3)
                continue;
            seen.insert(what);
            EXPECT_GE(ContrastRatio(text, back), std::string(what) == "brand" ? 3.0 : 4.5) << line;
            if (std::string(what) == "page") {
                EXPECT_EQ(back, 0x202020ul) << "not the scheme's dialog colour: " << line;
            }
            if (std::string(what) == "heading") {
                EXPECT_EQ(back, *contrast == '1' ? 0x000000ul : 0xFFFFFFul) << line;
            }
        }
        EXPECT_EQ(seen, (std::set<std::string>{"brand", "heading", "page"})) << r.Output;
    }
    for (const auto& [name, value] : before)
        Reg(value.empty() ? std::vector<std::string>{"delete", colours, "/v", name, "/f"}
                          : std::vector<std::string>{"add", colours, "/v", name, "/d", value, "/f"});
    Reg({"delete", kAppPathsKey, "/f"});
}

// A 32-bit program on 64-bit Windows reads a redirected view of
// HKLM\Software; ActiveSync's key is only in the 64-bit one. Needs a 64-bit
// prefix that runs 32-bit programs, so only where this kernel runs them.
TEST_F(BuildWineTest, ShippedLauncherFindsAppPathsOfThe64BitView)
{
    if (WineTwins())
        GTEST_SKIP() << "this machine cannot run the 32-bit launcher";
    Build("Pocket PC Silent");
    const std::string prefix = FDir.File("wow64");
    std::vector<std::string> env = {"WINEPREFIX=" + prefix, "WINEARCH=win64", "WINELOADER=/usr/lib/wine/wine64"};
    TRunResult boot = RunProgram({"/usr/lib/wine/wine64", "wineboot.exe", "-i"}, env, FDir.File("boot.txt"), 180);
    ASSERT_EQ(boot.ExitCode, 0) << boot.Output;
    const std::string helper = FDir.File("appmgr/CeAppMgr.exe");
    fs::create_directories(FDir.File("appmgr"));
    fs::copy_file(WinProgram("tests/CeAppMgr.exe"), helper);
    TRunResult reg = RunProgram(
        {"/usr/lib/wine/wine64", "reg", "add", kAppPathsKey, "/ve", "/d", WindowsPath(helper), "/f", "/reg:64"}, env,
        FDir.File("reg-output.txt"));
    ASSERT_EQ(reg.ExitCode, 0) << reg.Output;
    TRunResult r = RunProgram({"wine", FWork + "/Pocket PC Silent/Setup.exe"},
                              {"WINEPREFIX=" + prefix, "WINEARCH=win64", "VI_SFX_QUIET=1",
                               "VI_APPMGR_RECORD=" + WindowsPath(FDir.File("record.txt"))},
                              FDir.File("wine-output.txt"));
    ASSERT_TRUE(FileExists(FDir.File("record.txt"))) << "the Application Manager did not run: " << r.Output;
    auto record = ReadRecord(FDir.File("record.txt"));
    ASSERT_EQ(Values(record, "cmdline").size(), 1u);
    EXPECT_EQ(Values(record, "cmdline")[0].rfind("\"" + WindowsPath(helper) + "\"", 0), 0u)
        << Values(record, "cmdline")[0];
    RunProgram({"wineserver", "-k"}, {"WINEPREFIX=" + prefix}, FDir.File("kill.txt"));
}

namespace {

// The value of a "Name : value" line of osslsigncode's report; empty when
// there is no such line.
std::string ReportValue(const std::string& report, const std::string& name)
{
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(name, 0) != 0)
            continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        value.erase(value.find_last_not_of(" \t\r") + 1);
        return value;
    }
    return std::string();
}

} // namespace

// Signed with a certificate made here, the package verifies with
// osslsigncode (the certificate given as the trusted root, since nobody
// else trusts it) and still unpacks and starts its program: the stub finds
// its archive in front of the signature. A wrong password fails the run
// and leaves no package behind.
TEST_F(BuildWineTest, SignedPackageVerifiesAndStillUnpacks)
{
    const std::string key = FDir.File("key.pem"), cert = FDir.File("cert.pem"), p12 = FDir.File("cert.p12");
    TRunResult r =
        RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days",
                    "2", "-subj", "/CN=Veltrin Test Publisher", "-addext", "extendedKeyUsage=codeSigning"},
                   {}, FDir.File("openssl-output.txt"));
    ASSERT_EQ(r.ExitCode, 0) << "openssl (scripts/bootstrap installs it): " << r.Output;
    r = RunProgram(
        {"openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12, "-passout", "pass:test pass"}, {},
        FDir.File("openssl-output.txt"));
    ASSERT_EQ(r.ExitCode, 0) << r.Output;

    const std::vector<std::string> build = {
        FProgram + "/VeltrinInstaller", "--build", FWork + "/Demo.vip", "--only", "Pocket PC", "--sign-pkcs12", p12};
    r = RunProgram(build, {"VI_SIGN_PASSWORD=test pass"}, FDir.File("build-output.txt"));
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    const std::string package = FWork + "/Pocket PC/Setup.exe";
    EXPECT_NE(r.Output.find("Signed " + package + "."), std::string::npos) << r.Output;

    r = RunProgram({"osslsigncode", "verify", "-CAfile", cert, "-in", package}, {}, FDir.File("verify-output.txt"));
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("Signature verification: ok"), std::string::npos) << r.Output;
    const std::string digest = ReportValue(r.Output, "Current message digest");
    EXPECT_FALSE(digest.empty()) << r.Output;
    EXPECT_EQ(digest, ReportValue(r.Output, "Calculated message digest")) << r.Output;
    EXPECT_NE(r.Output.find("/CN=Veltrin Test Publisher"), std::string::npos) << r.Output;

    DeleteFileIfExists(FDir.File("record.txt"));
    r = RunPackage(package, "VI_SFX_RECORD");
    ASSERT_EQ(r.ExitCode, 7) << r.Output;
    auto record = ReadRecord(FDir.File("record.txt"));
    ASSERT_EQ(Values(record, "cwd").size(), 1u) << ReadAll(FDir.File("record.txt"));
    const std::string folder = Values(record, "cwd")[0];
    EXPECT_EQ(Values(record, "file").size(), 10u);
    EXPECT_EQ(ReadAll(FDir.File("kept/Demo.PPC300_2577.CAB")), ReadAll(FWork + "/Demo.PPC300_2577.CAB"));

    r = RunProgram(build, {"VI_SIGN_PASSWORD=wrong"}, FDir.File("build-output.txt"));
    EXPECT_NE(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("The build \"Pocket PC\" was not signed: osslsigncode could not sign the package: "),
              std::string::npos)
        << r.Output;
    EXPECT_FALSE(FileExists(package));
}

// A build that signs for the device, in a signed package: its CAB files for
// all platforms verify, the launcher inside is a signed copy, and the
// package still hands its .ini to the Application Manager.
TEST_F(BuildWineTest, DeviceSignedPackageStillReachesTheAppManager)
{
    const std::string p12 = MakeTestCertificate(FDir, "device", "pw");
    auto project = OpenProjectFile(FWork + "/Demo.vip");
    for (int i = 0; i < project->Files().Count(); ++i)
        project->Files().Item(i)->SetPlatforms(AllPlatforms);
    for (int i = 0; i < project->Builds().Count(); ++i) {
        TBuild* build = project->Builds().GetBuild(i);
        if (build->Name() != "Pocket PC Silent")
            continue;
        build->ClearPairs();
        for (TProcessor processor : {pStrongARM, pHitachiSH3})
            build->AddPair(std::make_unique<TPlatformProcPair>(plAll, processor));
        build->SetSignForDevice(true);
    }
    SaveProjectFile(*project, FWork + "/Demo.vip");
    TRunResult r = RunProgram({FProgram + "/VeltrinInstaller", "--build", FWork + "/Demo.vip", "--only",
                               "Pocket PC Silent", "--sign-pkcs12", p12, "--sign-device-pkcs12", p12},
                              {"VI_SIGN_PASSWORD=pw", "VI_DEVICE_SIGN_PASSWORD=pw"}, FDir.File("build-output.txt"));
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("Signed " + FProgram + "/Deskstart.exe for the package."), std::string::npos) << r.Output;
    const std::vector<std::string> cabs = {"Demo.2577.CAB", "Demo.10003.CAB"};
    for (const std::string& cab : cabs) {
        r = RunProgram({"osslsigncode", "verify", "-CAfile", FDir.File("device.pem"), "-in", FWork + "/" + cab}, {},
                       FDir.File("verify-output.txt"));
        EXPECT_EQ(r.ExitCode, 0) << cab << ": " << r.Output;
    }
    ExpectAppManagerRun(RegisterAppManager(), "Pocket PC Silent/Setup.exe", {}, "", cabs);
    Reg({"delete", kAppPathsKey, "/f"});
}
