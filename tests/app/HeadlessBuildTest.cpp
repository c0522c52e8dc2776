#include "app/HeadlessCommands.h"

#include "../build/BuildDriverFixture.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// The example project copied to a work folder, built with a program folder
// of stand-in setup programs.
class HeadlessBuildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(FWork);
        fs::copy(VI_EXAMPLE_DIR, FWork, fs::copy_options::recursive);
        FOptions.ProjectPath = AppendPath(FWork, "Demo.vip");
        FOptions.ProgramDir = FProgram.Path();
    }

    int Run()
    {
        FOut.str("");
        FErr.str("");
        return RunBuildCommand(FOptions, FOut, FErr);
    }

    std::string Package(const std::string& build) { return AppendPath(AppendPath(FWork, build), "Setup.exe"); }

    TempDir FDir;
    std::string FWork = FDir.File("work");
    TTestProgramDir FProgram;
    TBuildCommandOptions FOptions;
    std::ostringstream FOut, FErr;
};

TEST_F(HeadlessBuildTest, BuildsEveryBuildOrTheNamedOnesAndNeverWritesTheProject)
{
    const std::string before = FDir.Read("work/Demo.vip");
    ASSERT_EQ(Run(), 0) << FErr.str();
    EXPECT_EQ(FOut.str(), "Compiling Cab files...\nCab files compiled succesfuly.\nBuild completed successfuly!\n"
                          "Package: " + Package("Pocket PC") + "\nPackage: " + Package("Pocket PC Silent") + "\n");
    EXPECT_EQ(FErr.str(), "");
    EXPECT_EQ(ReadPackage(Package("Pocket PC")).Names().back(), "Demo.ico");

    fs::remove_all(AppendPath(FWork, "Pocket PC"));
    FOptions.Only = {"Pocket PC Silent"};
    ASSERT_EQ(Run(), 0) << FErr.str();
    EXPECT_FALSE(DirectoryExists(AppendPath(FWork, "Pocket PC")));

    FOptions.Only = {"Nothing Like It"};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(FErr.str(), "The project has no build named \"Nothing Like It\".\n");
    EXPECT_EQ(FDir.Read("work/Demo.vip"), before);
}

TEST_F(HeadlessBuildTest, MissingSourcesCancelUnlessRemoved)
{
    fs::remove(AppendPath(FWork, "Payload/SH3/viewer.exe"));
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(FOut.str().find("Compilation canceled!\n"), std::string::npos) << FOut.str();
    EXPECT_FALSE(FileExists(Package("Pocket PC Silent")));

    FOptions.RemoveMissing = true;
    EXPECT_EQ(Run(), 0) << FErr.str();
    EXPECT_TRUE(FileExists(Package("Pocket PC Silent")));
}

TEST_F(HeadlessBuildTest, ProjectWithoutTextsOrBuildsGetsTheDefaults)
{
    // A project whose texts file is missing and that has no builds: the
    // texts come from Resources.dat, the build is "All In One".
    fs::remove(AppendPath(FWork, "Demo_res.dat"));
    fs::copy_file(AppendPath(TTestProgramDir::BuiltProgramDir(), "Resources.dat"),
                  AppendPath(FProgram.Path(), "Resources.dat"));
    auto project = OpenProjectFile(FOptions.ProjectPath);
    project->Builds().Clear();
    SaveProjectFile(*project, AppendPath(FWork, "Bare.vip"));
    FOptions.ProjectPath = AppendPath(FWork, "Bare.vip");

    ASSERT_EQ(Run(), 0) << FErr.str();
    EXPECT_TRUE(FileExists(AppendPath(FWork, "Bare_res.dat")));
    TPackage package = ReadPackage(Package("All In One"));
    EXPECT_EQ(package.Names().front(), "Bare.HPC.CAB");
    EXPECT_NE(std::find(package.Names().begin(), package.Names().end(), "EULA_English.txt"), package.Names().end());
}

TEST(HeadlessBuildArguments, UsageErrors)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunHeadless({"--build"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "--only"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "b.vip"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "/no/such/project.vip"}, out, err), 1);
}

}
