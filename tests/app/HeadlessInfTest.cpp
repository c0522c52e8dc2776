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

    tmp.Write("Bad.vip", std::string("\x02\x05", 2));
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

// --import-inf: the report on standard output, 1 when something could not
// be mapped, and nothing written for a refused input.
TEST(HeadlessInf, ImportInfWritesTheProjectAndPrintsTheReport)
{
    TempDir tmp;
    const std::string head =
        "[Version]\r\nSignature=\"$Windows NT$\"\r\nCESignature=\"$Windows CE$\"\r\n"
        "[CEStrings]\r\nAppName=Notes\r\nInstallDir=%CE1%\\Notes\r\n"
        "[DefaultInstall]\r\nCopyFiles=Files\r\n[SourceDisksNames]\r\n1=,\"Disk\",,src\r\n"
        "[SourceDisksFiles]\r\nstaged_notes.txt=1\r\n[DestinationDirs]\r\nFiles=0,%InstallDir%\r\n"
        "[Files]\r\nnotes.txt,staged_notes.txt,,0\r\n";
    tmp.Write("clean.inf", head);
    tmp.Write("limited.inf", head + "[CEDevice]\r\nBuildMax=0x1000\r\n");
    tmp.Write("desktop.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    ForceDirectories(tmp.File("src"));
    tmp.Write("src/staged_notes.txt", "the notes");
    tmp.Write("Kept.vip", "an older project");

    TBuilderRun r = RunBuilder(tmp, "--import-inf '" + tmp.File("clean.inf") + "' '" + tmp.File("Notes.vip") + "'");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("line 16: \"staged_notes.txt\" is installed as \"notes.txt\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Everything was mapped."), std::string::npos) << r.out;
    EXPECT_EQ(tmp.Read("Notes files/notes.txt"), "the notes");
    TBuilderRun inf = RunBuilder(tmp, "--inf '" + tmp.File("Notes.vip") + "'");
    EXPECT_NE(inf.out.find("\"notes.txt\",,,0x00000000\r\n"), std::string::npos) << inf.out;

    r = RunBuilder(tmp, "--import-inf '" + tmp.File("limited.inf") + "' '" + tmp.File("Limited.vip") + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.out.find("line 18: not mapped: BuildMax=0x1000"), std::string::npos) << r.out;
    EXPECT_TRUE(FileExists(tmp.File("Limited.vip")));

    r = RunBuilder(tmp, "--import-inf '" + tmp.File("desktop.inf") + "' '" + tmp.File("Kept.vip") + "'");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("no CAB Wizard .inf"), std::string::npos) << r.err;
    EXPECT_EQ(tmp.Read("Kept.vip"), "an older project");

    EXPECT_EQ(RunBuilder(tmp, "--import-inf '" + tmp.File("clean.inf") + "'").rc, 2);
}

}
