#include "package/CabCompiler.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::unique_ptr<TBuild> MakeBuild(std::initializer_list<std::pair<TPlatform, TProcessor>> pairs)
{
    auto build = std::make_unique<TBuild>();
    for (auto [platform, processor] : pairs)
        build->AddPair(std::make_unique<TPlatformProcPair>(platform, processor));
    return build;
}

// The errors a compilation raised; "no exception" when it succeeded.
std::vector<std::string> ErrorsOf(TCabCompiler& compiler)
{
    try {
        compiler.Compile();
    } catch (const TCabCompileErrors& e) {
        EXPECT_TRUE(e.Failure().empty()) << e.Failure();
        return e.Errors();
    }
    return {"no exception"};
}

// clang-format off
const std::vector<std::string> ThreeSections = {
    "[CEStrings]",           "AppName = \"App\"", "[CEDevice.PPC300_2577]", "ProcessorType = 2577    ;StrongARM",
    "[CEDevice.PPC300_10003]", "[CEDevice.HPC2000]", "[DefaultInstall.HPC2000]"};
// clang-format on

TEST(CabCompilerTest, IsNeededComparesPairNamesOfAllBuilds)
{
    auto a = MakeBuild({{plPPC300, pStrongARM}});
    auto b = MakeBuild({{plHPC2000, pAll}, {plAll, pAll}});
    TCabCompiler compiler;
    compiler.SetBuilds({a.get(), b.get()});
    EXPECT_TRUE(compiler.IsNeeded("PPC300_2577"));
    EXPECT_TRUE(compiler.IsNeeded("HPC2000"));
    EXPECT_TRUE(compiler.IsNeeded(""));
    EXPECT_FALSE(compiler.IsNeeded("ppc300_2577"));
    EXPECT_FALSE(compiler.IsNeeded("PPC300_10003"));
}

TEST(CabCompilerTest, ToolArgumentsListNeededSuffixesInInfOrder)
{
    auto build = MakeBuild({{plHPC2000, pAll}, {plPPC300, pStrongARM}});
    TCabCompiler compiler;
    compiler.SetInfLines(ThreeSections);
    compiler.SetBuilds({build.get()});
    compiler.SetInfFileName("C:\\Work\\Demo\\Demo.inf");
    compiler.SetOutputDir("C:\\Work\\Demo\\");
    EXPECT_EQ(compiler.ToolArguments(),
              std::vector<std::string>{
                  "\"C:\\Work\\Demo\\Demo.inf\" /dest \"C:\\Work\\Demo\" /err errors.txt /cpu PPC300_2577 HPC2000"});

    // No chosen build asks for any section: no /cpu at all.
    auto other = MakeBuild({{plWM2003, pAll}});
    compiler.SetBuilds({other.get()});
    compiler.SetOutputDir("");
    EXPECT_EQ(compiler.ToolArguments(), std::vector<std::string>{"\"C:\\Work\\Demo\\Demo.inf\" /err errors.txt"});
}

TEST(CabCompilerTest, OnlyThePlainSectionGivesNoCpu)
{
    std::vector<std::string> lines = {"[CEDevice]", "[DefaultInstall]"};
    auto build = MakeBuild({{plAll, pAll}});
    TCabCompiler compiler;
    compiler.SetInfLines(lines);
    compiler.SetBuilds({build.get()});
    compiler.SetInfFileName("/w/Demo.inf");
    compiler.SetOutputDir("/w");
    EXPECT_EQ(compiler.ToolArguments(), std::vector<std::string>{"\"/w/Demo.inf\" /dest \"/w\" /err errors.txt"});
}

TEST(CabCompilerTest, ThePlainSectionBesideLabelledOnesGetsARunOfItsOwn)
{
    // Given /cpu, a CAB tool makes the labelled CAB files only.
    std::vector<std::string> lines = {"[CEDevice]", "[CEDevice.2577]"};
    auto build = MakeBuild({{plAll, pAll}, {plAll, pStrongARM}});
    TCabCompiler compiler;
    compiler.SetInfLines(lines);
    compiler.SetBuilds({build.get()});
    compiler.SetInfFileName("/w/Mix.inf");
    compiler.SetOutputDir("/w");
    EXPECT_EQ(compiler.ToolArguments(),
              (std::vector<std::string>{"\"/w/Mix.inf\" /dest \"/w\" /err errors.txt /cpu 2577",
                                        "\"/w/Mix.inf\" /dest \"/w\" /err errors.txt"}));
    EXPECT_EQ(compiler.NeededCabFiles(), (std::vector<std::string>{"/w/Mix.CAB", "/w/Mix.2577.CAB"}));
}

// A stand-in for the tool: records its arguments, folder and the .inf it
// was given, and writes an error file with a warning and an error.
class CabCompilerRunTest : public ::testing::Test {
protected:
    TempDir FDir;
    std::string FOut = FDir.Path() + "out dir";
    std::string FTool = FDir.File("CABWIZ.exe");

    void SetUp() override
    {
        ASSERT_TRUE(ForceDirectories(FOut));
        WriteTool(
            "printf 'Banner\\r\\nWarning: Section [X] has no data\\r\\nError: file not found\\r\\n' > errors.txt\n");
    }
    void WriteTool(const std::string& report)
    {
        FDir.Write("CABWIZ.exe",
                   "#!/bin/sh\n"
                   "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > args.txt\n"
                   "pwd > pwd.txt\n"
                   "cp \"$1\" inf-copy.txt\n" +
                       report);
        ASSERT_EQ(chmod(FTool.c_str(), 0755), 0);
    }
    std::string Read(const std::string& name) { return FDir.Read("out dir/" + name); }

    // A compiler for the stand-in tool, writing FOut/Demo.inf into FOut.
    TCabCompiler Compiler(std::vector<std::string> lines, const TBuild* build = nullptr)
    {
        TCabCompiler compiler;
        compiler.SetCabWizPath(FTool);
        compiler.SetInfLines(std::move(lines));
        if (build)
            compiler.SetBuilds({build});
        compiler.SetInfFileName(FOut + "/Demo.inf");
        compiler.SetOutputDir(FOut);
        return compiler;
    }
};

TEST_F(CabCompilerRunTest, RunsTheToolInTheOutputFolderAndKeepsOnlyErrorLines)
{
    auto build = MakeBuild({{plPPC300, pStrongARM}});
    TCabCompiler compiler = Compiler({"[CEDevice.PPC300_2577]", "[CEDevice.HPC2000]"}, build.get());
    compiler.SetOutputDir(FOut + "/");
    std::vector<bool> busy;
    compiler.SetBusyHook([&](bool b) { busy.push_back(b); });

    EXPECT_EQ(ErrorsOf(compiler), (std::vector<std::string>{"Error: file not found"}));
    EXPECT_EQ(Read("args.txt"),
              "[" + FOut + "/Demo.inf]\n[/dest]\n[" + FOut + "]\n[/err]\n[errors.txt]\n[/cpu]\n[PPC300_2577]\n");
    char real[4096];
    ASSERT_NE(realpath(FOut.c_str(), real), nullptr);
    EXPECT_EQ(Read("pwd.txt"), std::string(real) + "\n");
    EXPECT_EQ(Read("inf-copy.txt"), "[CEDevice.PPC300_2577]\r\n[CEDevice.HPC2000]\r\n");
    EXPECT_FALSE(FileExists(FOut + "/Demo.inf"));
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST_F(CabCompilerRunTest, EachRunReportsAndNoCabFileOfAnEarlierRunIsLeft)
{
    WriteTool("printf 'Error: run with %s arguments\\r\\n' \"$#\" > errors.txt\n");
    FDir.Write("out dir/Mix.CAB", "last week's");
    FDir.Write("out dir/Mix.2577.CAB", "last week's");
    auto build = MakeBuild({{plAll, pAll}, {plAll, pStrongARM}});
    TCabCompiler compiler = Compiler({"[CEDevice]", "[CEDevice.2577]"}, build.get());
    compiler.SetInfFileName(FOut + "/Mix.inf");
    EXPECT_EQ(ErrorsOf(compiler),
              (std::vector<std::string>{"Error: run with 7 arguments", "Error: run with 5 arguments"}));
    EXPECT_FALSE(FileExists(FOut + "/Mix.CAB"));
    EXPECT_FALSE(FileExists(FOut + "/Mix.2577.CAB"));
}

TEST_F(CabCompilerRunTest, AReportWithoutErrorLinesSucceeds)
{
    WriteTool("printf 'Warning: nothing serious\\r\\n' > errors.txt\n");
    TCabCompiler compiler = Compiler({"[CEDevice]"});
    EXPECT_NO_THROW(compiler.Compile());
}

TEST_F(CabCompilerRunTest, AStaleErrorFileIsNotTakenForTheToolsReport)
{
    WriteTool("");
    FDir.Write("out dir/errors.txt", "Error: from last week\r\n");
    TCabCompiler compiler = Compiler({"[CEDevice]"});
    EXPECT_NO_THROW(compiler.Compile());
}

TEST_F(CabCompilerRunTest, MissingToolAbortsWithoutWritingTheInf)
{
    TCabCompiler compiler = Compiler({"[CEDevice]"});
    compiler.SetCabWizPath(FDir.File("Tools/CABWIZ.exe"));
    EXPECT_EQ(ErrorsOf(compiler), (std::vector<std::string>{"MSCabWiz.exe not found! Compilation aborted!"}));
    EXPECT_FALSE(FileExists(FOut + "/Demo.inf"));
}

TEST_F(CabCompilerRunTest, AToolThatCannotStartRaisesTheSystemErrorAndRemovesTheInf)
{
    ASSERT_EQ(chmod(FTool.c_str(), 0644), 0); // exists, but cannot be run
    TCabCompiler compiler = Compiler({"[CEDevice]"});
    try {
        compiler.Compile();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("System Error.  Code: 13.\r\n", 0), 0u) << e.Message();
    }
    EXPECT_FALSE(FileExists(FOut + "/Demo.inf"));
}

TEST_F(CabCompilerRunTest, AnInfThatCannotBeWrittenRaisesCannotCreateFile)
{
    TCabCompiler compiler = Compiler({"[CEDevice]"});
    compiler.SetInfFileName(FOut + "/no such folder/Demo.inf");
    try {
        compiler.Compile();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + FOut + "/no such folder/Demo.inf");
    }
}

// An old CAB file that stays and a tool that cannot start are both
// reported: the list with the failure that stopped the run.
TEST_F(CabCompilerRunTest, ErrorsFoundBeforeAFailureTravelWithIt)
{
    ASSERT_TRUE(ForceDirectories(FOut + "/Demo.2577.CAB/held open"));
    ASSERT_EQ(chmod(FTool.c_str(), 0644), 0);
    auto build = MakeBuild({{plAll, pStrongARM}});
    TCabCompiler compiler = Compiler({"[CEDevice.2577]"}, build.get());
    try {
        compiler.Compile();
        FAIL() << "no exception";
    } catch (const TCabCompileErrors& e) {
        const std::string error = "Error: the old CAB file " + FOut + "/Demo.2577.CAB cannot be deleted";
        EXPECT_EQ(e.Errors(), std::vector<std::string>{error});
        EXPECT_EQ(e.Message(), error);
        EXPECT_EQ(e.Failure().rfind("System Error.  Code: 13.\r\n", 0), 0u) << e.Failure();
    }
    EXPECT_FALSE(FileExists(FOut + "/Demo.inf"));
}

} // namespace
