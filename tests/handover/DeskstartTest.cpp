#include "handover/Deskstart.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "storage/uScramble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
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
    void TearDown() override { unsetenv("VI_REGISTRY_FILE"); }

    void WritePackage(const std::string& index)
    {
        tmp.Write("pkg/VI.INI", index);
        TScrambeledMemIniFile res(pkg + "Demo_res.dat");
        res.WriteString("General", "AppName", "Viewer");
        res.WriteString("General", "CompanyName", "Firm");
        res.UpdateFile();
        tmp.Write("pkg/Demo.ini", "[CEAppManager]\r\n");
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
    std::string Run()
    {
        testing::internal::CaptureStderr();
        int rc = TDeskstart(pkg).Run();
        std::string box = testing::internal::GetCapturedStderr();
        EXPECT_EQ(rc, 0);
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
    // One argument: the .ini file in the launcher's folder.
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("appmgr.sh") + "|1|" + pkg + "Demo.ini");
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
    EXPECT_EQ(tmp.Read("started.txt"), tmp.File("pf/CeAppMgr.exe") + "|1|" + pkg + "Demo.ini");
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
    EXPECT_NE(box.find("Error: "), std::string::npos);
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
