#include "handover/Deskstart.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "storage/uScramble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kMissing =
    "Setup Wizard could not find the necessery resource files. The setup process will terminate!";
const char* const kNoActiveSync = "No Active Sync found on the system. Setup will terminate!";

// A package folder, a registry store and a stand-in Application Manager that
// records the arguments it was started with.
class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForceDirectories(tmp.File("pkg"));
        ForceDirectories(tmp.File("pf"));
        pkg = tmp.File("pkg/");
        setenv("VI_REGISTRY_FILE", tmp.File("registry.reg").c_str(), 1);
        tmp.Write("appmgr.sh",
                  "#!/bin/sh\nprintf '%s|%s|%s' \"$0\" \"$#\" \"$1\" > '" + tmp.File("started.txt") + "'\n");
        chmod(tmp.File("appmgr.sh").c_str(), 0755);
    }
    void TearDown() override
    {
        unsetenv("VI_REGISTRY_FILE");
        unsetenv("LOCALAPPDATA");
    }

    void WritePackage(const std::string& index)
    {
        tmp.Write("pkg/VI.INI", index);
        TScrambeledMemIniFile res(pkg + "Demo_res.dat");
        res.WriteString("General", "AppName", "Viewer");
        res.WriteString("General", "CompanyName", "Firm");
        res.UpdateFile();
        tmp.Write("pkg/Demo.ini",
                  "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Demo\r\n\r\n[Demo]\r\n"
                  "Description = Demo\r\nCabFiles = Demo.A.CAB, Demo.B.CAB\r\n");
        tmp.Write("pkg/Demo.A.CAB", "cab a");
        tmp.Write("pkg/Demo.B.CAB", "cab b");
    }
    void Registry(bool appPaths, const std::string& programFiles)
    {
        std::string reg;
        if (appPaths)
            reg += "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE]\n@=\"" +
                   tmp.File("appmgr.sh") + "\"\n";
        reg += "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n\"ProgramFilesdir\"=\"" +
               programFiles + "\"\n";
        tmp.Write("registry.reg", reg);
    }
    // Runs the launcher; returns what its error box said (empty when none).
    // It ends with 0 only when it handed the package over, else with 1.
    std::string Run(int expectedExitCode = -1)
    {
        testing::internal::CaptureStderr();
        int rc = TDeskstart(pkg).Run();
        std::string box = testing::internal::GetCapturedStderr();
        EXPECT_EQ(rc, expectedExitCode >= 0 ? expectedExitCode : box.empty() ? kExitHandedOver : kExitFailed) << box;
        return box;
    }

    TempDir tmp;
    std::string pkg;
};

const char* const kIndex = "[Setup Info]\r\nRes_file = Demo_res.dat\r\nini_file = Demo.ini\r\n";

TEST_F(Launcher, StartsTheApplicationManagerFromAppPathsWithTheIniFile)
{
    WritePackage(kIndex);
    Registry(true, tmp.File("pf"));
    EXPECT_EQ(Run(), "");
    // One argument: the copy of the .ini file in the application's folder
    // beside the Application Manager, with the CAB files it names.
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("appmgr.sh") + "|1|" + tmp.File("Firm/Viewer/Demo.ini"));
    EXPECT_EQ(tmp.Read("Firm/Viewer/Demo.A.CAB"), "cab a");
    EXPECT_EQ(tmp.Read("Firm/Viewer/Demo.B.CAB"), "cab b");
}

// The copy outlives the temporary folder: a second run replaces it whole,
// and where the Application Manager's folder cannot take it (or the test
// seam skips it), it goes below the user's local application data.
TEST_F(Launcher, HandOverCopyReplacesTheOlderOneAndFallsBackToLocalAppData)
{
    WritePackage(kIndex);
    Registry(false, tmp.File("pf"));
    std::filesystem::copy_file(tmp.File("appmgr.sh"), tmp.File("pf/CeAppMgr.exe"));
    setenv("LOCALAPPDATA", tmp.File("local").c_str(), 1);
    ForceDirectories(tmp.File("pf/Firm/Viewer"));
    tmp.Write("pf/Firm/Viewer/Demo.Old.CAB", "older");
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("pf/CeAppMgr.exe") + "|1|" + tmp.File("pf/Firm/Viewer/Demo.ini"));
    EXPECT_FALSE(FileExists(tmp.File("pf/Firm/Viewer/Demo.Old.CAB")));
    EXPECT_EQ(tmp.Read("pf/Firm/Viewer/Demo.B.CAB"), "cab b");

    TDeskstart skipping(pkg);
    skipping.SkipAppManagerFolder();
    testing::internal::CaptureStderr();
    EXPECT_EQ(skipping.Run(), kExitHandedOver);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(skipping.HandOverFolder(), tmp.File("local/Firm/Viewer"));
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("pf/CeAppMgr.exe") + "|1|" + tmp.File("local/Firm/Viewer/Demo.ini"));
    EXPECT_EQ(tmp.Read("local/Firm/Viewer/Demo.A.CAB"), "cab a");

    // A folder this user cannot write (permissions do not hold for root).
    if (geteuid() != 0) {
        RemoveTree(tmp.File("pf/Firm"));
        RemoveTree(tmp.File("local"));
        chmod(tmp.File("pf").c_str(), 0555);
        EXPECT_EQ(Run(), "");
        chmod(tmp.File("pf").c_str(), 0755);
        EXPECT_EQ(tmp.Read("started.txt"),
                  tmp.File("pf/CeAppMgr.exe") + "|1|" + tmp.File("local/Firm/Viewer/Demo.ini"));
    }
    // Nowhere to keep the copy: the Application Manager is not started.
    std::filesystem::remove(tmp.File("started.txt"));
    tmp.Write("blocked", "");
    setenv("LOCALAPPDATA", tmp.File("blocked").c_str(), 1);
    TDeskstart blocked(pkg);
    blocked.SkipAppManagerFolder();
    testing::internal::CaptureStderr();
    EXPECT_EQ(blocked.Run(), kExitFailed);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be kept for the Application Manager"),
              std::string::npos);
    EXPECT_FALSE(FileExists(tmp.File("started.txt")));
}

TEST(SafeFolderName, MakesOneHarmlessNameOfAnyText)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Viewer", "Viewer"},
        {"A/B\\C:D*?\"<>|", "A_B_C_D______"},
        {" .Tab\tName. ", "Tab_Name"},
        {"..", "fallback"},
        {"", "fallback"},
        {"con", "con_"},
        {"LPT9.txt", "LPT9.txt_"},
        {"COM\xB9", "COM\xC2\xB9_"},
        {"COM10", "COM10"},
        {"Caf\xE9", "Caf\xC3\xA9"},
        {"NUL .x", "NUL .x_"},
        {"CONSOLE", "CONSOLE"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(SafeFolderName(name, "fallback"), expected) << name;
}

// A refused elevation prompt ends the run as cancelled, with its own message;
// the start went through the shell because CreateProcess asked for elevation.
TEST_F(Launcher, RefusedElevationCancelsTheInstallation)
{
    WritePackage(kIndex);
    Registry(true, tmp.File("pf"));
    const TGuiStarter saved = GuiStarter();
    std::string shellStarted;
    GuiStarter().Create = [](const std::string&, const std::string&, const std::string&, intptr_t&) {
        return kErrorElevationRequired;
    };
    GuiStarter().Shell = [&](const std::string& program, const std::string& arguments, const std::string&, intptr_t&) {
        shellStarted = program + " " + arguments;
        return kErrorCancelled;
    };
    std::string box = Run(kExitCancelled);
    GuiStarter() = saved;
    EXPECT_EQ(box, std::string("Viewer: ") + kElevationRefusedText + "\n");
    EXPECT_EQ(shellStarted, "\"" + tmp.File("appmgr.sh") + "\" \"" + tmp.File("Firm/Viewer/Demo.ini") + "\"");
}

// What the launcher says comes from the package's texts: the build's
// language, else "Neutral", else the built-in text; Windows-1252 texts
// reach the box as UTF-8, the package's general error leading the reason.
TEST_F(Launcher, MessagesComeFromThePackagesTexts)
{
    WritePackage(kIndex);
    {
        TScrambeledMemIniFile res(pkg + "Demo_res.dat");
        res.WriteString("General", "Def_Lang", "German");
        res.WriteString("German", "0.NoActiveSync", "Kein Anwendungs-Manager f\xFCr %APPNAME%.");
        res.WriteString("English", "0.NoActiveSync", "not the build's language");
        res.WriteString("German", "0.Error", "Fehler.");
        res.WriteString("Neutral", "0.ElevationRefused", "Refused.");
        res.WriteString("Neutral", "0.NoResources", "Incomplete %APPNAME% setup.");
        res.UpdateFile();
    }
    const TGuiStarter saved = GuiStarter();
    const int accessDenied = 5;
    struct Case {
        bool AppManager;
        int CreateResult;
        const char* Index;
        int ExitCode;
        std::string Box;
    } cases[] = {
        {false, 0, kIndex, kExitFailed, "Viewer: Kein Anwendungs-Manager f\xC3\xBCr Viewer.\n"},
        {true, kErrorElevationRequired, kIndex, kExitCancelled, "Viewer: Refused.\n"},
        {true, accessDenied, kIndex, kExitFailed, "Viewer: Fehler.\r\n\r\n" + OSErrorText(accessDenied) + "\n"},
        {true, 0, "[Setup Info]\r\nRes_file = Demo_res.dat\r\nini_file = Gone.ini\r\n", kExitFailed,
         "Error: Incomplete Viewer setup.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Box);
        tmp.Write("pkg/VI.INI", c.Index);
        Registry(c.AppManager, tmp.File("pf"));
        int createResult = c.CreateResult;
        GuiStarter().Create = [createResult](const std::string&, const std::string&, const std::string&, intptr_t&) {
            return createResult;
        };
        GuiStarter().Shell = [](const std::string&, const std::string&, const std::string&, intptr_t&) {
            return kErrorCancelled;
        };
        EXPECT_EQ(Run(c.ExitCode), c.Box);
    }
    GuiStarter() = saved;
}

TEST_F(Launcher, IndexFileIsReadWithTheUsualIniRules)
{
    tmp.Write("x.ini",
              "junk before\r\n[ setup info ]\r\n; comment\r\nRES_FILE   =   Demo_res.dat  "
              "\r\nini_file=Demo.ini\r\n[Other]\r\nini_file=no\r\n");
    EXPECT_EQ(ReadPlainIniValue(tmp.File("x.ini"), "Setup Info", "Res_file"), "Demo_res.dat");
    EXPECT_EQ(ReadPlainIniValue(tmp.File("x.ini"), "Setup Info", "ini_file"), "Demo.ini");
    EXPECT_EQ(ReadPlainIniValue(tmp.File("x.ini"), "Setup Info", "missing"), "");
    EXPECT_EQ(ReadPlainIniValue(tmp.File("none.ini"), "Setup Info", "ini_file"), "");
}

TEST_F(Launcher, MissingOrEmptyNamesStopBeforeAnythingRuns)
{
    Registry(true, tmp.File("pf"));
    // No VI.INI at all.
    EXPECT_NE(Run().find(kMissing), std::string::npos);
    // An empty ini_file, although the resource file exists.
    WritePackage("[Setup Info]\r\nRes_file = Demo_res.dat\r\nini_file =\r\n");
    EXPECT_NE(Run().find(kMissing), std::string::npos);
    // A name whose file is missing.
    WritePackage("[Setup Info]\r\nRes_file = Other_res.dat\r\nini_file = Demo.ini\r\n");
    EXPECT_NE(Run().find(kMissing), std::string::npos);
    EXPECT_FALSE(FileExists(tmp.File("started.txt")));
}

TEST_F(Launcher, FallsBackToCeAppMgrInProgramFiles)
{
    WritePackage(kIndex);
    std::filesystem::copy_file(tmp.File("appmgr.sh"), tmp.File("pf/CeAppMgr.exe"));
    Registry(false, tmp.File("pf"));
    TDeskstart launcher(pkg);
    ASSERT_TRUE(launcher.FindAppManager());
    EXPECT_EQ(launcher.AppManagerPath(), tmp.File("pf/CeAppMgr.exe"));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("pf/CeAppMgr.exe") + "|1|" + tmp.File("pf/Firm/Viewer/Demo.ini"));
}

TEST_F(Launcher, NoApplicationManagerAnywhere)
{
    WritePackage(kIndex);
    Registry(false, tmp.File("pf"));
    EXPECT_NE(Run().find(kNoActiveSync), std::string::npos);
    EXPECT_FALSE(FileExists(tmp.File("started.txt")));
}

TEST_F(Launcher, ResourceFileGivesAppAndCompanyNames)
{
    WritePackage(kIndex);
    TDeskstart launcher(pkg);
    launcher.ReadIndexFile();
    launcher.OpenResourceFile();
    TScrambeledMemIniFile& res = const_cast<TScrambeledMemIniFile&>(*launcher.ResourceFile());
    res.WriteString("1.Title", "Text", "Welcome to %APPNAME% by %CompanyName%");
    EXPECT_EQ(res.ReadString("1.Title", "Text", ""), "Welcome to Viewer by Firm");
}

TEST_F(Launcher, DamagedResourceFileIsAnErrorNotACrash)
{
    WritePackage(kIndex);
    Registry(true, tmp.File("pf"));
    setenv("LOCALAPPDATA", tmp.File("local").c_str(), 1);
    // Random bytes are no valid texts, but reading them is harmless.
    std::string junk;
    for (int i = 0; i < 5000; ++i)
        junk += char((i * 7919) & 0xFF);
    tmp.Write("pkg/Demo_res.dat", junk);
    EXPECT_EQ(Run(), "");
    // A file the storage refuses to read gives its file error in the box.
    std::filesystem::resize_file(tmp.File("pkg/Demo_res.dat"), 100u * 1024 * 1024);
    std::filesystem::remove(tmp.File("started.txt"));
    std::string box = Run();
    EXPECT_NE(box.find("Error: Cannot open file " + pkg + "Demo_res.dat"), std::string::npos) << box;
    EXPECT_FALSE(FileExists(tmp.File("started.txt")));
}

TEST_F(Launcher, UnreadableProgramFilesValueShowsTheSystemMessage)
{
    WritePackage(kIndex);
    tmp.Write("registry.reg", "[HKEY_LOCAL_MACHINE\\Software\\Other]\n");
    std::string box = Run();
    EXPECT_NE(box.find("Viewer: "), std::string::npos);
    EXPECT_EQ(box.find(kNoActiveSync), std::string::npos);
}

// Where the Application Manager may be, in the order the launcher looks:
// App Paths in the 64-bit registry view, App Paths in the default view,
// the Windows folder's WindowsMobile, ActiveSync's install folder, Program
// Files. Each case lists the places that hold a file; the first one wins.
struct TSearchCase {
    const char* Name;
    std::vector<std::string> Present;
    const char* Expected; // empty: not found
};

class AppManagerSearch : public Launcher, public ::testing::WithParamInterface<TSearchCase> {
protected:
    void TearDown() override
    {
        unsetenv("windir");
        unsetenv("VI_TEST_ROOT");
        Launcher::TearDown();
    }
};

TEST_P(AppManagerSearch, TakesTheFirstPlaceThatHoldsTheFile)
{
    const TSearchCase& c = GetParam();
    const char* const appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE]\n@=";
    const char* const activeSync = "Software\\Microsoft\\Windows CE Services]\n\"InstalledDir\"=";
    setenv("windir", tmp.File("windows").c_str(), 1);
    setenv("VI_TEST_ROOT", tmp.File("").c_str(), 1);
    // Every key names its own folder; only the places of the case hold the
    // program. Values come quoted and as expandable strings, as installers
    // write them.
    std::string reg = std::string("[64:HKEY_LOCAL_MACHINE\\") + appPaths + "\"\"" +
                      tmp.File("apppaths64/CeAppMgr.exe") + "\"\"\n" + "[HKEY_LOCAL_MACHINE\\" + appPaths +
                      "expand:\"%VI_TEST_ROOT%apppaths32/CeAppMgr.exe\"\n" + "[64:HKEY_LOCAL_MACHINE\\" + activeSync +
                      "\"" + tmp.File("activesync64") + "\"\n" + "[HKEY_LOCAL_MACHINE\\" + activeSync + "\"" +
                      tmp.File("activesync32") + "\"\n" +
                      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n\"ProgramFilesdir\"=\"" +
                      tmp.File("pf") + "\"\n";
    tmp.Write("registry.reg", reg);
    for (const std::string& place : c.Present) {
        ForceDirectories(tmp.File(place));
        tmp.Write(place + "/CeAppMgr.exe", "");
    }
    TDeskstart launcher(pkg);
    EXPECT_EQ(launcher.FindAppManager(), *c.Expected != 0);
    EXPECT_EQ(launcher.AppManagerPath(), *c.Expected ? tmp.File(std::string(c.Expected) + "/CeAppMgr.exe") : "");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Places, AppManagerSearch,
    ::testing::Values(
        TSearchCase{"All", {"apppaths64", "apppaths32", "windows/WindowsMobile", "activesync64", "activesync32", "pf"},
                    "apppaths64"},
        TSearchCase{"DefaultViewOnly", {"apppaths32", "windows/WindowsMobile", "pf"}, "apppaths32"},
        TSearchCase{"DeviceCenter", {"windows/WindowsMobile", "activesync32", "pf"}, "windows/WindowsMobile"},
        TSearchCase{"ActiveSync64", {"activesync64", "activesync32", "pf"}, "activesync64"},
        TSearchCase{"ActiveSync32", {"activesync32", "pf"}, "activesync32"},
        TSearchCase{"ProgramFiles", {"pf"}, "pf"},
        TSearchCase{"Nowhere", {}, ""}),
    [](const auto& info) { return std::string(info.param.Name); });
// clang-format on

TEST_F(Launcher, EmptyOrDanglingAppPathsFallThrough)
{
    for (const char* value : {"@=\"\"", "@=\"/nowhere/CeAppMgr.exe\"", "\"Other\"=\"x\""}) {
        tmp.Write("registry.reg", std::string("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
                                              "Paths\\CEAPPMGR.EXE]\n") +
                                      value +
                                      "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
                                      "\"ProgramFilesdir\"=\"" +
                                      tmp.File("pf") + "\"\n");
        tmp.Write("pf/CeAppMgr.exe", "");
        TDeskstart launcher(pkg);
        ASSERT_TRUE(launcher.FindAppManager()) << value;
        EXPECT_EQ(launcher.AppManagerPath(), tmp.File("pf/CeAppMgr.exe")) << value;
    }
}

}
