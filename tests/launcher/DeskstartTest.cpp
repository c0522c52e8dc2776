#include "launcher/Deskstart.h"

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
        tmp.Write("appmgr.sh", "#!/bin/sh\nprintf '%s|%s|%s' \"$0\" \"$#\" \"$1\" > '" + tmp.File("started.txt") + "'\n");
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
    tmp.Write("x.ini", "junk before\r\n[ setup info ]\r\n; comment\r\nRES_FILE   =   Demo_res.dat  \r\nini_file=Demo.ini\r\n[Other]\r\nini_file=no\r\n");
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

}
