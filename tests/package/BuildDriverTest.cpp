#include "package/BuildDriver.h"

#include "package/CabCompiler.h"
#include "package/Compressor.h"
#include "package/SelfExtractor.h"

#include "../tools/PeFixture.h"
#include "BuildDriverFixture.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "formats/SfxLayout.h"
#include "support/MemorySource.h"
#include "storage/uScramble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// What the stand-in archive makers were handed, run after run.
struct TArchiverLog {
    std::vector<std::vector<std::string>> Files; // bare names, per archive
    std::vector<std::string> Archives;
    struct TSetup {
        std::string Archive, Output, Title, Exec, Unpacking, Failure;
        bool AutoExtract;
    };
    std::vector<TSetup> Setups;
    std::string FailWith; // the compressor raises this when set
};

class TFakeCompressor : public TCompressor {
public:
    explicit TFakeCompressor(TArchiverLog& log) : FLog(log) {}
    void Execute() override
    {
        FMessages = {"a note for the log"};
        std::vector<std::string> names;
        for (const std::string& file : FFiles)
            names.push_back(ExtractFileName(file));
        FLog.Files.push_back(names);
        if (!FLog.FailWith.empty())
            throw Exception(FLog.FailWith);
        WriteFileAtomic(FArchiveName, "archive");
        FLog.Archives.push_back(FArchiveName);
    }

private:
    TArchiverLog& FLog;
};

class TFakeSelfExtractor : public TSelfExtractor {
public:
    explicit TFakeSelfExtractor(TArchiverLog& log) : FLog(log) {}
    void Execute() override
    {
        EXPECT_TRUE(FileExists(FArchive)) << FArchive;
        FLog.Setups.push_back({FArchive, FOutput, FTitle, FExec, FUnpacking, FFailure, FAutoExtract});
        WriteFileAtomic(FOutput, "package");
    }

private:
    TArchiverLog& FLog;
};

class BuildDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileExists(AppendPath(TTestProgramDir::BuiltProgramDir(), "Tools/CABWIZ.exe")))
            << "VI_PROGRAM_DIR must name the built program folder";
        ASSERT_TRUE(ForceDirectories(FWork));
        FProject = MakeTestProject(FWork);
        FTexts = std::make_unique<TScrambeledMemIniFile>(WriteTestTexts(FWork));
        FCallbacks.FProject = FProject.get();
    }

    bool Run()
    {
        TBuildDriver driver(*FProject, *FTexts, FProgram.Path(), FCallbacks);
        return driver.Execute();
    }

    // A run with the stand-in archive makers; the CAB tool is the real one.
    bool RunWithFakes(TArchiverLog& log)
    {
        TBuildDriver driver(*FProject, *FTexts, FProgram.Path(), FCallbacks);
        driver.SetCompressor(std::make_unique<TFakeCompressor>(log));
        driver.SetSelfExtractor(std::make_unique<TFakeSelfExtractor>(log));
        return driver.Execute();
    }

    std::string Package(const std::string& folder) { return AppendPath(AppendPath(FWork, folder), "Setup.exe"); }

    std::vector<std::string> WorkFolderEntries()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FWork))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir FDir;
    std::string FWork = FDir.File("Work");
    TTestProgramDir FProgram;
    std::unique_ptr<TProject> FProject;
    std::unique_ptr<TScrambeledMemIniFile> FTexts;
    TRecordingCallbacks FCallbacks;
};

TEST_F(BuildDriverTest, MakesEveryChosenPackageWithItsFilesInOrder)
{
    FProject->SetIconFile(AppendPath(FWork, "missing.ico"));
    TempDir temp;
    const char* oldTemp = std::getenv("TMPDIR");
    std::string saved = oldTemp ? oldTemp : "";
    setenv("TMPDIR", temp.Path().c_str(), 1);
    bool ok = Run();
    if (oldTemp)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");

    ASSERT_TRUE(ok) << ::testing::PrintToString(FCallbacks.FFailures) << ::testing::PrintToString(FCallbacks.FLog);
    EXPECT_EQ(FCallbacks.FInformation, std::vector<std::string>{"Build completed successfuly!"});
    EXPECT_TRUE(FCallbacks.FErrors.empty());
    EXPECT_EQ(FCallbacks.FLog, (std::vector<std::string>{"Compiling Cab files...", "Cab files compiled succesfuly."}));
    EXPECT_EQ(FCallbacks.FTestBuilds, (std::vector<std::string>{Package("Pocket  All"), Package("Silent")}));
    EXPECT_EQ(FCallbacks.FClearTestBuilds, 1);
    EXPECT_FALSE(FCallbacks.FLogVisible);
    EXPECT_EQ(FCallbacks.FOpenProgress, 0);

    const std::vector<std::string> common = {
        "Demo.PPC300_2577.CAB", "Demo.PPC300_10003.CAB", "Demo.ini", "Demo_res.DAT",
        "EULA_English.txt",     "EULA_Neutral.txt",      "VI.INI"};
    TPackage wizard = ReadPackage(Package("Pocket  All"));
    std::vector<std::string> expected = common;
    expected.push_back("Setup.exe");
    EXPECT_EQ(wizard.Names(), expected);
    EXPECT_EQ(wizard.Content("Setup.exe"), "stand-in for the setup wizard");
    EXPECT_EQ(wizard.Settings.Exec, "$temp$\\Setup.exe");
    EXPECT_EQ(wizard.Settings.Title, "Viewer");
    EXPECT_TRUE(wizard.Settings.AutoExtract);
    EXPECT_EQ(wizard.Content("Demo.PPC300_2577.CAB"), FDir.Read("Work/Demo.PPC300_2577.CAB"));
    EXPECT_EQ(wizard.Content("VI.INI"), "[Setup Info]\r\nRes_file = Demo_res.dat\r\nini_file = Demo.ini\r\n");
    EXPECT_EQ(wizard.Content("Demo.ini"),
              "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Demo\r\n\r\n[Demo]\r\n"
              "Description = Firm's Viewer\r\n\r\n"
              "CabFiles = Demo.PPC300_2577.CAB,Demo.PPC300_10003.CAB\r\n");
    std::string resource = UnscrambleText(wizard.Content("Demo_res.DAT"));
    EXPECT_EQ(
        resource.rfind("[English]\r\n1.String1=Welcome\r\n\r\n[Neutral]\r\n1.String1=Hello\r\n\r\n[General]\r\n", 0),
        0u)
        << resource;
    // The progress names every file of the last package in packing order.
    std::vector<std::string> silentNames = common;
    silentNames.push_back("Deskstart.exe");
    EXPECT_EQ(
        std::vector<std::string>(FCallbacks.FProgressFiles.end() - silentNames.size(), FCallbacks.FProgressFiles.end()),
        silentNames);

    TPackage silent = ReadPackage(Package("Silent"));
    EXPECT_EQ(silent.Names(), silentNames);
    EXPECT_EQ(silent.Content("Deskstart.exe"), "stand-in for the launcher");
    EXPECT_EQ(silent.Settings.Exec, "$temp$\\Deskstart.exe");
    EXPECT_FALSE(silent.Settings.AutoExtract);

    // Only the CAB files and the packages stay; the run's own folder is gone.
    EXPECT_EQ(WorkFolderEntries(),
              (std::vector<std::string>{"Demo.PPC300_10003.CAB", "Demo.PPC300_2577.CAB", "Demo_res.dat",
                                        "EULA_English.txt", "EULA_Neutral.txt", "Pocket  All", "Silent", "src"}));
    EXPECT_TRUE(fs::is_empty(temp.Path())) << "left in the temporary folder";
}

TEST_F(BuildDriverTest, CabErrorsAreNumberedFromZeroAndNoPackageLacksItsCabFiles)
{
    FProgram.UseFailingCabWiz("Error: first\\r\\nWarning: ignored\\r\\nError: second\\r\\n");
    EXPECT_FALSE(Run());
    EXPECT_EQ(FCallbacks.FErrors, std::vector<std::string>{"The following errors occured during the CAB compilation "
                                                           "process:\r\n0. Error: first\r\n1. Error: second\r\n"});
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_TRUE(FCallbacks.FTestBuilds.empty());
    EXPECT_EQ(FCallbacks.FLog[1], "Error: first");
    // No CAB file was made, so no package could hold what its .ini names.
    const std::string cab = AppendPath(FWork, "Demo.PPC300_2577.CAB");
    EXPECT_EQ(
        FCallbacks.FFailures,
        (std::vector<std::string>{"The build \"Pocket / All\" was not made: the CAB tool did not make " + cab + ".",
                                  "The build \"Silent\" was not made: the CAB tool did not make " + cab + "."}));
    EXPECT_FALSE(FileExists(Package("Silent")));
    EXPECT_FALSE(DirectoryExists(AppendPath(FWork, "Silent")));
}

TEST_F(BuildDriverTest, ABuildWithAPairTheInfNoLongerHasFailsWhileTheOthersAreMade)
{
    // No file is for MIPS processors.
    FProject->Builds().GetBuild(0)->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pMIPSR4000));
    EXPECT_FALSE(Run());
    ASSERT_EQ(FCallbacks.FFailures.size(), 1u);
    EXPECT_EQ(FCallbacks.FFailures, std::vector<std::string>{"The build \"Pocket / All\" needs \"PPC300_4000\", but no "
                                                             "file of the project is for it any more. Please edit the "
                                                             "build."});
    EXPECT_EQ(std::count(FCallbacks.FLog.begin(), FCallbacks.FLog.end(), FCallbacks.FFailures[0]), 1);
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_FALSE(FileExists(Package("Pocket  All")));
    EXPECT_TRUE(FileExists(Package("Silent")));
}

TEST_F(BuildDriverTest, OnlyTheFirstOfTwoBuildsSharingAPackageFolderIsMade)
{
    for (auto [first, second, folder] : {std::tuple{"A/B", "AB", "AB"}, std::tuple{"Demo", "demo", "Demo"}}) {
        SCOPED_TRACE(second);
        FCallbacks = TRecordingCallbacks();
        FCallbacks.FProject = FProject.get();
        FProject->Builds().GetBuild(0)->SetName(first);
        FProject->Builds().GetBuild(1)->SetName(second);
        EXPECT_FALSE(Run());
        EXPECT_EQ(FCallbacks.FFailures, std::vector<std::string>{std::string("The build \"") + first +
                                                                 "\" already makes its package in the folder \"" +
                                                                 folder + "\". Please choose another name."});
        // The first build's package, with the wizard, is the one there.
        EXPECT_EQ(ReadPackage(Package(folder)).Names().back(), "Setup.exe");
        fs::remove_all(AppendPath(FWork, folder));
    }
}

TEST_F(BuildDriverTest, MissingSourcesAreDroppedOnlyWhenConfirmed)
{
    fs::remove(AppendPath(FWork, "src/readme.txt"));
    FCallbacks.FConfirmMissing = false;
    EXPECT_FALSE(Run());
    EXPECT_EQ(FCallbacks.FInformation, std::vector<std::string>{"Compilation canceled!"});
    EXPECT_EQ(FProject->Files().Count(), 3);
    EXPECT_FALSE(FileExists(Package("Silent")));
    EXPECT_FALSE(DirectoryExists(AppendPath(FWork, "Silent")));

    FCallbacks = TRecordingCallbacks();
    FCallbacks.FProject = FProject.get();
    EXPECT_TRUE(Run());
    EXPECT_EQ(FCallbacks.FMissingAsked, 1);
    EXPECT_EQ(FCallbacks.FFilesRemoved, 1);
    EXPECT_EQ(FProject->Files().Count(), 2);
    EXPECT_TRUE(FileExists(Package("Silent")));

    // With every source gone nothing is left to build.
    fs::remove_all(AppendPath(FWork, "src"));
    FCallbacks = TRecordingCallbacks();
    FCallbacks.FProject = FProject.get();
    EXPECT_FALSE(Run());
    EXPECT_EQ(FProject->Files().Count(), 0);
    EXPECT_EQ(FCallbacks.FErrors, std::vector<std::string>{"There are no files defined!"});
}

TEST_F(BuildDriverTest, CancelledOrEmptyChoiceBuildsNothing)
{
    FCallbacks.FChoice = TRecordingCallbacks::Cancel;
    EXPECT_FALSE(Run());
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_TRUE(FCallbacks.FErrors.empty());
    EXPECT_EQ(FCallbacks.FClearTestBuilds, 0);
    // The choice is offered the device sections of the .inf.
    std::vector<std::string> pairs;
    for (const auto& pair : FCallbacks.FPairsSeen)
        pairs.push_back(pair->GetPairName());
    EXPECT_NE(std::find(pairs.begin(), pairs.end(), "PPC300_2577"), pairs.end());
    EXPECT_NE(std::find(pairs.begin(), pairs.end(), "PPC300_10003"), pairs.end());

    FCallbacks = TRecordingCallbacks();
    FCallbacks.FProject = FProject.get();
    FCallbacks.FChoice = TRecordingCallbacks::ChooseNone;
    EXPECT_TRUE(Run());
    EXPECT_EQ(FCallbacks.FInformation, std::vector<std::string>{TBuildDriver::NoBuildChosen});
    EXPECT_EQ(FCallbacks.FClearTestBuilds, 1);
    EXPECT_TRUE(FCallbacks.FTestBuilds.empty());
    EXPECT_FALSE(FileExists(AppendPath(FWork, "Demo.PPC300_2577.CAB")));
}

TEST_F(BuildDriverTest, TheMainWindowsCompilerKeepsNoLinesOfARun)
{
    // The main window's compiler outlives every run; a later use must not
    // find the lines of an earlier one.
    TCabCompiler compiler;
    compiler.SetCabWizPath(AppendPath(AppendPath(FProgram.Path(), "Tools"), "CABWIZ.exe"));
    for (auto choice : {TRecordingCallbacks::Cancel, TRecordingCallbacks::ChooseAll}) {
        FCallbacks = TRecordingCallbacks();
        FCallbacks.FProject = FProject.get();
        FCallbacks.FChoice = choice;
        {
            TBuildDriver driver(*FProject, *FTexts, FProgram.Path(), FCallbacks);
            driver.SetCabCompiler(&compiler);
            EXPECT_EQ(driver.Execute(), choice == TRecordingCallbacks::ChooseAll);
        }
        compiler.SetBuilds({FProject->Builds().GetBuild(0)});
        compiler.SetInfFileName("/w/Demo.inf");
        compiler.SetOutputDir("");
        EXPECT_EQ(compiler.ToolArguments(), std::vector<std::string>{"\"/w/Demo.inf\" /err errors.txt"});
    }
}

TEST_F(BuildDriverTest, MissingSetupProgramFailsItsBuildOnly)
{
    FProgram.Remove("Setup.exe");
    EXPECT_FALSE(Run());
    ASSERT_EQ(FCallbacks.FFailures.size(), 1u);
    EXPECT_EQ(FCallbacks.FFailures[0], "The build \"Pocket / All\" was not made: its setup program " +
                                           AppendPath(FProgram.Path(), "Setup.exe") + " is missing.");
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_FALSE(DirectoryExists(AppendPath(FWork, "Pocket  All")));
    EXPECT_TRUE(FileExists(Package("Silent")));
}

TEST_F(BuildDriverTest, TwoRunsAtOnceKeepTheirOwnFiles)
{
    // A second project of the same name in its own work folder, with an icon.
    const std::string otherWork = FDir.File("Other");
    ASSERT_TRUE(ForceDirectories(otherWork));
    auto other = MakeTestProject(otherWork);
    other->SetApplicationName("Other Viewer");
    other->SetIconFile(AppendPath(otherWork, "other.ico"));
    FDir.Write("Other/other.ico", std::string("\0\0\1\0\1\0", 6) + "icon bytes");
    TScrambeledMemIniFile otherTexts(WriteTestTexts(otherWork));
    TRecordingCallbacks otherCallbacks;
    otherCallbacks.FProject = other.get();

    bool first = false, second = false;
    for (int round = 0; round < 3; ++round) {
        std::thread a([&] { first = Run(); });
        std::thread b([&] {
            TBuildDriver driver(*other, otherTexts, FProgram.Path(), otherCallbacks);
            second = driver.Execute();
        });
        a.join();
        b.join();
        ASSERT_TRUE(first && second) << ::testing::PrintToString(FCallbacks.FFailures)
                                     << ::testing::PrintToString(otherCallbacks.FFailures);
        for (const char* folder : {"Pocket  All", "Silent"}) {
            TPackage mine = ReadPackage(Package(folder));
            TPackage theirs = ReadPackage(AppendPath(AppendPath(otherWork, folder), "Setup.exe"));
            EXPECT_NE(mine.Content("Demo.ini").find("Description = Firm's Viewer\r\n\r\nCabFiles"), std::string::npos);
            EXPECT_NE(
                theirs.Content("Demo.ini").find("Description = Firm's Other Viewer\r\n\r\nIconFile = other.ico\r\n"),
                std::string::npos)
                << theirs.Content("Demo.ini");
            EXPECT_EQ(mine.Names().size() + 1, theirs.Names().size());
            EXPECT_EQ(theirs.Names().back(), "other.ico");
            EXPECT_EQ(theirs.Settings.Title, "Other Viewer");
        }
    }
}

// Each build hands its own archive, title, program, mode and texts (of its
// default language, else Neutral, names filled in) to the self-extractor,
// and the run removes the archives it made.
TEST_F(BuildDriverTest, EachPackageGetsItsBuildsSettings)
{
    FTexts->WriteString("English", "0.Unpacking", "Unpacking %AppName%...");
    FTexts->WriteString("German", "0.Unpacking", "not a language of the builds");
    FTexts->WriteString("Neutral", "0.Error", "%APPNAME% failed.");
    TArchiverLog log;
    ASSERT_TRUE(RunWithFakes(log)) << ::testing::PrintToString(FCallbacks.FFailures);
    ASSERT_EQ(log.Setups.size(), 2u);
    ASSERT_EQ(log.Archives.size(), 2u);
    const char* const folders[] = {"Pocket  All", "Silent"};
    for (size_t i = 0; i < 2; ++i) {
        const TBuild* build = FProject->Builds().GetBuild(int(i));
        const auto& setup = log.Setups[i];
        EXPECT_EQ(setup.Archive, log.Archives[i]);
        EXPECT_FALSE(FileExists(setup.Archive));
        EXPECT_EQ(setup.Output, Package(folders[i]));
        EXPECT_EQ(setup.Title, "Viewer");
        EXPECT_EQ(setup.Unpacking, "Unpacking Viewer...");
        EXPECT_EQ(setup.Failure, "Viewer failed.");
        EXPECT_EQ(setup.AutoExtract, build->SfxMode() != 0);
        const std::string program = build->SfxMode() != 0 ? "Setup.exe" : "Deskstart.exe";
        EXPECT_EQ(setup.Exec, "$temp$\\" + program);
        const std::vector<std::string>& names = log.Files[i];
        EXPECT_NE(std::find(names.begin(), names.end(), "VI.INI"), names.end());
        EXPECT_NE(std::find(names.begin(), names.end(), program), names.end());
    }
    EXPECT_NE(log.Setups[0].Exec, log.Setups[1].Exec);
    EXPECT_EQ(FCallbacks.FTestBuilds, (std::vector<std::string>{Package("Pocket  All"), Package("Silent")}));
    EXPECT_EQ(std::count(FCallbacks.FLog.begin(), FCallbacks.FLog.end(), "a note for the log"), 2);
}

// An archive that cannot be written ends the run with the compressor's
// message; its notes still reach the log and no package is claimed.
TEST_F(BuildDriverTest, AnArchiveFailureEndsTheRunWithItsMessage)
{
    TArchiverLog log;
    log.FailWith = "Cannot write the archive: no room.";
    EXPECT_FALSE(RunWithFakes(log));
    EXPECT_EQ(FCallbacks.FFailures, std::vector<std::string>{log.FailWith});
    EXPECT_EQ(log.Files.size(), 1u);
    EXPECT_TRUE(log.Setups.empty());
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_TRUE(FCallbacks.FTestBuilds.empty());
    EXPECT_EQ(FCallbacks.FLog.back(), "a note for the log");
    EXPECT_EQ(FCallbacks.FOpenProgress, 0);
    EXPECT_FALSE(FileExists(Package("Pocket  All")));
}

}

// A package that cannot be signed must not be left where a signed one
// belongs; the other builds are still made and signed.
TEST_F(BuildDriverTest, APackageThatCannotBeSignedIsRemovedAndFailsItsBuildOnly)
{
    FDir.Write("cert.p12", "certificate bytes");
    TSigningOptions options;
    options.Pkcs12 = FDir.File("cert.p12");
    auto tool = [](const std::string&, const std::string& arguments, std::string& output) {
        const std::vector<std::string> args = SplitWindowsArguments(arguments);
        const std::string in = *(std::find(args.begin(), args.end(), "-in") + 1);
        const std::string out = *(std::find(args.begin(), args.end(), "-out") + 1);
        if (in.find("Silent") != std::string::npos) {
            output = "Failed to parse PKCS#12 file: cert.p12 (Wrong password?)\nFailed\n";
            return 255;
        }
        const std::vector<uint8_t> bytes = ReadFileBytes(in);
        WriteFileAtomic(out, WithCertificateTable(std::string(bytes.begin(), bytes.end())));
        return 0;
    };
    TBuildDriver driver(*FProject, *FTexts, FProgram.Path(), FCallbacks);
    driver.SetSigner(std::make_unique<TPackageSigner>(options, tool));
    EXPECT_FALSE(driver.Execute());

    EXPECT_EQ(FCallbacks.FFailures,
              std::vector<std::string>{"The build \"Silent\" was not signed: osslsigncode could not sign the package: "
                                       "Failed to parse PKCS#12 file: cert.p12 (Wrong password?) Its unsigned "
                                       "package was removed."});
    EXPECT_FALSE(FileExists(Package("Silent")));
    EXPECT_TRUE(FCallbacks.FInformation.empty());
    EXPECT_TRUE(FCallbacks.FTestBuilds.empty());

    const std::string made = Package("Pocket  All");
    const std::vector<uint8_t> bytes = ReadFileBytes(made);
    TMemorySource file(std::string(bytes.begin(), bytes.end()));
    EXPECT_LT(TSfxLayout::PayloadEnd(file), file.Size()) << "not signed";
    EXPECT_EQ(ReadPackage(made).Content("Demo.ini").empty(), false);
    for (const std::string& line : {"Signing " + made + "...", "Signed " + made + "."})
        EXPECT_NE(std::find(FCallbacks.FLog.begin(), FCallbacks.FLog.end(), line), FCallbacks.FLog.end()) << line;
}
