// The headless --inf command, run as a program.

#include "package/InfWriter.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include "RunBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

TEST(HeadlessInf, PrintsTheInfAsTheBuildHandsItToTheCabTool)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    project->SetApplicationName("Caf\xE9");
    SaveProjectFile(*project, tmp.File("Demo.vip"));
    auto before = tmp.Read("Demo.vip");

    TBuilderRun r = RunBuilder(tmp, "--inf '" + tmp.File("Demo.vip") + "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "");

    auto opened = OpenProjectFile(tmp.File("Demo.vip"));
    TStringList lines;
    WriteInf(*opened, lines);
    ReplaceInstallDir(lines, opened->DefaultFolder()->GetMacroPath());
    std::string expected;
    for (const auto& l : lines)
        expected += l + "\r\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(r.out.find("AppName = \"Caf\xE9\"\r\n"), std::string::npos); // Windows-1252, not UTF-8
    EXPECT_NE(r.out.find("Files1.PPC300_2577=0,%InstallDir%\r\n"), std::string::npos);
    EXPECT_EQ(tmp.Read("Demo.vip"), before); // never writes the project
}

// A line ending in "\\" goes on in the next one for .inf readers, ours and
// the vendor's; "InstallDir=\\" (the device root) is the one such line the
// builder may write.
TEST(HeadlessInf, NoLineButARootInstallDirEndsInABackslash)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    SaveProjectFile(*project, tmp.File("Rich.vip"));
    std::filesystem::copy_file(VI_EXAMPLE_DIR "/Demo.vip", tmp.File("Demo.vip"));
    for (const char* name : {"Rich.vip", "Demo.vip"}) {
        TBuilderRun r = RunBuilder(tmp, std::string("--inf '") + tmp.File(name) + "'");
        ASSERT_EQ(r.rc, 0) << name << ": " << r.err;
        std::istringstream in(r.out);
        std::string line;
        int count = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            ++count;
            EXPECT_TRUE(line.empty() || line.back() != '\\' || line == "InstallDir=\\") << name << ": " << line;
        }
        EXPECT_GT(count, 20) << name;
    }
}

TEST(HeadlessInf, FailuresGoToStandardErrorWithExitCodeOne)
{
    TempDir tmp;
    TProject empty("Firm");
    SaveProjectFile(empty, tmp.File("Empty.vip"));
    TBuilderRun r = RunBuilder(tmp, "--inf '" + tmp.File("Empty.vip") + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "There are no files defined!\n");

    tmp.Write("Bad.vip", std::string("\x02\x04", 2));
    r = RunBuilder(tmp, "--inf '" + tmp.File("Bad.vip") + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "\"Unknown file format!\" error occured while trying to open " + tmp.File("Bad.vip") + ".\n");

    tmp.Write("Cut.vip", std::string("\x02\x02\x06\x10", 4));
    r = RunBuilder(tmp, "--inf '" + tmp.File("Cut.vip") + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "\"Stream read error\" error occured while trying to open " + tmp.File("Cut.vip") + ".\n");

    r = RunBuilder(tmp, "--inf");
    EXPECT_EQ(r.rc, 2);
    r = RunBuilder(tmp, "--version");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out.rfind("Veltrin Installer ", 0), 0u);
}

}
