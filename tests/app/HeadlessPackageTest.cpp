// The headless --build command, run as a program with the real tools and
// setup programs: reproducible packages, and the checks that stop a build
// before any tool runs for it.

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Builds.h"
#include "model/Folders.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include "RunBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

bool SameBytes(const std::string& a, const std::string& b)
{
    return std::system(("cmp -s " + Quoted(a) + " " + Quoted(b)).c_str()) == 0;
}

void SetFileTimes(const std::string& folder, int64_t unixTime)
{
    auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(unixTime)));
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            fs::last_write_time(entry.path(), when);
}

// The names of the CAB files a build left in its work folder.
std::vector<std::string> CabFiles(const std::string& work)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work))
        if (entry.path().extension() == ".CAB")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What `unzip -Z -T` lists of the package's archive: one line per entry with
// its date as yyyymmdd.hhmmss, which unzip reads from the DOS fields as they stand.
std::string ArchiveListing(const std::string& package)
{
    std::string listing;
    FILE* p = popen(("zipinfo -T " + Quoted(package) + " 2>/dev/null").c_str(), "r");
    char buffer[4096];
    size_t n;
    while (p && (n = fread(buffer, 1, sizeof buffer, p)) > 0)
        listing.append(buffer, n);
    if (p)
        pclose(p);
    return listing;
}

class HeadlessPackageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string programDir = std::getenv("VI_PROGRAM_DIR") ? std::getenv("VI_PROGRAM_DIR") : "";
        if (!FileExists(AppendPath(programDir, "Setup.exe")))
            GTEST_SKIP() << "the Windows programs were not built";
    }

    // The example project copied to a folder of the given name.
    std::string CopyExample(const std::string& folder)
    {
        const std::string work = FTmp.File(folder);
        fs::create_directories(work);
        fs::copy(VI_EXAMPLE_DIR, work, fs::copy_options::recursive);
        return work;
    }

    TBuilderRun Build(const std::string& project, const std::string& more = "")
    {
        return RunBuilder(FTmp, "--build " + Quoted(project) + more);
    }

    TempDir FTmp;
};

TEST_F(HeadlessPackageTest, TwoCopiesBuiltApartInOtherZonesGiveTheSameBytes)
{
    const std::string first = CopyExample("first copy");
    const std::string second = CopyExample("elsewhere/second");
    SetFileTimes(first, 1500000000);
    SetFileTimes(second, 1600000000);
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000"); // 2023-11-14 22:13:20 UTC
    {
        ScopedEnv zone("TZ", "UTC0");
        TBuilderRun r = Build(AppendPath(first, "Demo.vip"));
        ASSERT_EQ(r.rc, 0) << r.out << r.err;
    }
    // Two seconds apart: a DOS time that came from the clock would show.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    {
        ScopedEnv zone("TZ", "JST-9");
        TBuilderRun r = Build(AppendPath(second, "Demo.vip"));
        ASSERT_EQ(r.rc, 0) << r.out << r.err;
    }

    const std::vector<std::string> cabs = CabFiles(first);
    ASSERT_FALSE(cabs.empty());
    EXPECT_EQ(CabFiles(second), cabs);
    for (const std::string& cab : cabs)
        EXPECT_TRUE(SameBytes(AppendPath(first, cab), AppendPath(second, cab))) << cab;
    for (const char* build : {"Pocket PC", "Pocket PC Silent"}) {
        const std::string a = AppendPath(AppendPath(first, build), "Setup.exe");
        const std::string b = AppendPath(AppendPath(second, build), "Setup.exe");
        ASSERT_TRUE(FileExists(a)) << build;
        EXPECT_TRUE(SameBytes(a, b)) << build;
        // Every entry of the package carries the time of SOURCE_DATE_EPOCH.
        const std::string listing = ArchiveListing(a);
        EXPECT_NE(listing.find("20231114.221320 Demo.ico"), std::string::npos) << listing;
        EXPECT_EQ(listing.find(" 2017"), std::string::npos) << listing;
    }
}

TEST_F(HeadlessPackageTest, WithoutSourceDateEpochTheEntriesKeepTheirFilesDates)
{
    const std::string work = CopyExample("work");
    SetFileTimes(work, 1600000000); // 2020-09-13 12:26:40 UTC
    ScopedEnv epoch("SOURCE_DATE_EPOCH", nullptr);
    ScopedEnv zone("TZ", "UTC0");
    TBuilderRun r = Build(AppendPath(work, "Demo.vip"));
    ASSERT_EQ(r.rc, 0) << r.out << r.err;
    const std::string listing = ArchiveListing(AppendPath(AppendPath(work, "Pocket PC"), "Setup.exe"));
    EXPECT_NE(listing.find("20200913.122640 Demo.ico"), std::string::npos) << listing;
}

TEST_F(HeadlessPackageTest, AMalformedSourceDateEpochStopsTheRunBeforeAnyTool)
{
    const std::string work = CopyExample("work");
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "2023-11-14");
    TBuilderRun r = Build(AppendPath(work, "Demo.vip"));
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err,
              "SOURCE_DATE_EPOCH must be a whole number of seconds since 1970-01-01 00:00:00 UTC, not "
              "\"2023-11-14\".\n");
    EXPECT_EQ(CabFiles(work), std::vector<std::string>{});
    EXPECT_FALSE(DirectoryExists(AppendPath(work, "Pocket PC")));
}

// Projects made through the model: a build for StrongARM and one for SH3,
// the first of which has a problem, so the second shows that the run goes on.
class HeadlessCheckTest : public HeadlessPackageTest {
protected:
    void SetUp() override
    {
        HeadlessPackageTest::SetUp();
        FProject.SetApplicationName("Viewer");
        FProject.AppFolder()->SetName("Viewer");
        FProject.CompanyFolder()->SetName("Firm");
        FProject.SetProjectDir(IncludeTrailingPathDelimiter(FWork));
        FProject.SetProjectFileName("Check.vip");
        Add("sh3/sh3.exe", pHitachiSH3);
        for (auto [name, processor] : {std::pair{"ARM", pStrongARM}, std::pair{"SH3", pHitachiSH3}}) {
            auto build = std::make_unique<TBuild>();
            build->SetName(name);
            build->AddPair(std::make_unique<TPlatformProcPair>(plAll, processor));
            FProject.Builds().Add(std::move(build));
        }
    }

    std::string Source(const std::string& relative, const std::string& content = "bytes")
    {
        const std::string path = AppendPath(FWork, relative);
        ForceDirectories(ExtractFilePath(path));
        WriteFileAtomic(path, content);
        return path;
    }

    TFile* Add(const std::string& relative, TProcessor processor = pStrongARM)
    {
        const std::string path = Source(relative);
        return AddProjectFile(FProject, ExcludeTrailingPathDelimiter(ExtractFilePath(path)), ExtractFileName(path),
                              AllPlatforms, processor);
    }

    TBuilderRun Build()
    {
        SaveProjectFile(FProject, AppendPath(FWork, "Check.vip"));
        return HeadlessPackageTest::Build(AppendPath(FWork, "Check.vip"));
    }

    // The run failed for ARM alone: its problem in the log and the error
    // output, its package not made, the SH3 package made.
    void ExpectOnlyArmStopped(const TBuilderRun& r, const std::string& problem)
    {
        EXPECT_EQ(r.rc, 1);
        EXPECT_NE(r.out.find(problem + "\n"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("The build \"ARM\" was not made:\r\n" + problem + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("\"SH3\""), std::string::npos) << r.err;
        EXPECT_FALSE(FileExists(AppendPath(FWork, "ARM/Setup.exe")));
        EXPECT_FALSE(FileExists(AppendPath(FWork, "Check.2577.CAB"))) << "the CAB tool ran for ARM";
        EXPECT_TRUE(FileExists(AppendPath(FWork, "SH3/Setup.exe")));
    }

    std::string FWork = FTmp.File("work");
    TProject FProject{"Firm"};
};

TEST_F(HeadlessCheckTest, TwoFilesOfOneNameInOneDeviceFolder)
{
    Add("one/App.exe");
    Add("two/app.EXE");
    ExpectOnlyArmStopped(Build(), "The files " + AppendPath(FWork, "one/App.exe") + " and " +
                                      AppendPath(FWork, "two/app.EXE") +
                                      " are both installed as \\Program Files\\Firm\\Viewer\\App.exe for All "
                                      "Platforms / StrongARM: the device keeps only one of them. Rename one or put "
                                      "it into another folder.");
}

TEST_F(HeadlessCheckTest, MoreFilesThanACabFileCanNumber)
{
    for (int i = 0; i < 999; ++i)
        Add("many/f" + std::to_string(i) + ".txt");
    ExpectOnlyArmStopped(Build(),
                         "The target All Platforms / StrongARM has 999 files, more than the 998 that one "
                         "CAB file can hold.");
}

TEST_F(HeadlessCheckTest, ASourceThatCannotBeRead)
{
    TFile* locked = Add("locked/app.exe");
    std::string reason;
    if (geteuid() == 0) {
        // Permissions do not stop root; this file refuses its bytes to anyone.
        locked->SetSourceDir("/proc/self");
        locked->SetFileName("mem");
        reason = "Input/output error";
    } else {
        fs::permissions(AppendPath(FWork, "locked/app.exe"), fs::perms::none);
        reason = "Permission denied";
    }
    ExpectOnlyArmStopped(Build(), "The file " + locked->GetHostSourcePath() + " cannot be read: " + reason + ".");
}

TEST_F(HeadlessCheckTest, PicturesTheDesktopCannotShowStopEveryBuild)
{
    Add("arm/app.exe");
    FProject.SetSetupImage(Source("art/setup.png", std::string("\x89PNG\r\n\x1A\n", 8) + "IHDR"));
    FProject.SetIconFile(Source("art/app.ico", "BM a bitmap"));
    TBuilderRun r = Build();
    EXPECT_EQ(r.rc, 1);
    const std::string image = "The setup image " + AppendPath(FWork, "art/setup.png") +
                              " is not a picture the setup wizard can show (a bitmap, JPEG, GIF, icon or metafile).";
    const std::string icon = "The icon file " + AppendPath(FWork, "art/app.ico") + " is not a Windows icon (.ico).";
    EXPECT_EQ(r.out, image + "\n" + icon + "\n" + "The build \"ARM\" was not made:\r\n" + image + "\r\n" + icon + "\n" +
                         "The build \"SH3\" was not made:\r\n" + image + "\r\n" + icon + "\n");
    EXPECT_EQ(CabFiles(FWork), std::vector<std::string>{});
    EXPECT_FALSE(FileExists(AppendPath(FWork, "SH3/Setup.exe")));
}

}
