#include "app/HeadlessCommands.h"

#include "../package/BuildDriverFixture.h"
#include "common/AnsiText.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/SetupFileReader.h"
#include "model/Folders.h"
#include "formats/CabSignature.h"
#include "package/DeviceSectionPlan.h"
#include "package/DeviceSigner.h"
#include "support/SampleProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
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
    EXPECT_EQ(FOut.str(),
              "Compiling Cab files...\nCab files compiled succesfuly.\nBuild completed successfuly!\n"
              "Package: " +
                  Package("Pocket PC") + "\nPackage: " + Package("Pocket PC Silent") + "\n");
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

// The members of a CAB file, unpacked by cabextract: name and content.
std::map<std::string, std::string> CabMembers(const TempDir& dir, const std::string& name, const std::string& cab)
{
    dir.Write(name, cab);
    const std::string into = dir.File(name + ".x");
    const std::string command = "cabextract -q -d '" + into + "' '" + dir.File(name) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::map<std::string, std::string> members;
    for (const auto& entry : fs::directory_iterator(into))
        members[entry.path().filename().string()] = dir.Read(name + ".x/" + entry.path().filename().string());
    return members;
}

// The committed JSON form of the example builds what its binary form builds.
// (A CAB records the time it was made, so CABs are compared by their members.)
// Asked for signed packages, the run fails when it cannot sign them, and
// leaves no unsigned package that could pass for a signed one.
TEST_F(HeadlessBuildTest, SigningFailuresFailTheRunAndLeaveNoPackage)
{
    FDir.Write("cert.p12", "certificate bytes");
    struct Case {
        std::string certificate, tool, reason;
    } cases[] = {
        {FDir.File("missing.p12"), "osslsigncode",
         "The certificate file \"" + FDir.File("missing.p12") + "\" cannot be read."},
        {FDir.File("cert.p12"), FDir.File("no-such-tool"),
         FDir.File("no-such-tool") + " could not be started; is it installed?"},
    };
    for (const Case& c : cases) {
        FOptions.Signing.Pkcs12 = c.certificate;
        FOptions.Signing.Tool = c.tool;
        EXPECT_EQ(Run(), 1) << c.reason;
        for (const char* build : {"Pocket PC", "Pocket PC Silent"}) {
            const std::string failure = std::string("The build \"") + build + "\" was not signed: " + c.reason;
            EXPECT_NE(FErr.str().find(failure), std::string::npos) << FErr.str();
            EXPECT_FALSE(FileExists(Package(build))) << build;
        }
        EXPECT_EQ(FOut.str().find("Package: "), std::string::npos) << FOut.str();
    }
}

TEST_F(HeadlessBuildTest, JsonProjectMakesTheSamePackages)
{
    ASSERT_EQ(Run(), 0) << FErr.str();
    const std::vector<std::string> builds = {"Pocket PC", "Pocket PC Silent"};
    std::vector<TPackage> fromVip;
    for (const std::string& build : builds) {
        fromVip.push_back(ReadPackage(Package(build)));
        fs::remove_all(AppendPath(FWork, build));
    }

    FOptions.ProjectPath = AppendPath(FWork, "Demo.json");
    ASSERT_EQ(Run(), 0) << FErr.str();
    EXPECT_NE(FOut.str().find("Package: " + Package("Pocket PC Silent") + "\n"), std::string::npos) << FOut.str();
    for (size_t i = 0; i < builds.size(); ++i) {
        SCOPED_TRACE(builds[i]);
        const TPackage fromJson = ReadPackage(Package(builds[i]));
        ASSERT_EQ(fromJson.Names(), fromVip[i].Names());
        EXPECT_GE(fromJson.Names().size(), 4u);
        for (const std::string& name : fromJson.Names()) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".CAB") {
                auto members = CabMembers(FDir, "json-" + name, fromJson.Content(name));
                EXPECT_GE(members.size(), 3u) << name;
                EXPECT_EQ(members, CabMembers(FDir, "vip-" + name, fromVip[i].Content(name))) << name;
            } else {
                EXPECT_EQ(fromJson.Content(name), fromVip[i].Content(name)) << name;
            }
        }
    }
}

TEST_F(HeadlessBuildTest, MissingSourcesCancelUnlessRemoved)
{
    fs::remove(AppendPath(FWork, "Payload/Common/sample.vwd"));
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(FOut.str().find("Compilation canceled!\n"), std::string::npos) << FOut.str();
    EXPECT_FALSE(FileExists(Package("Pocket PC Silent")));

    FOptions.RemoveMissing = true;
    EXPECT_EQ(Run(), 0) << FErr.str();
    EXPECT_TRUE(FileExists(Package("Pocket PC Silent")));
}

// What a terminal shows after the text: carriage returns go back to the
// start of the line and later characters overwrite earlier ones.
std::string TerminalLine(const std::string& text)
{
    std::string line;
    size_t column = 0;
    for (char c : text) {
        if (c == '\r') {
            column = 0;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line.push_back(c);
            ++column;
        }
    }
    return line;
}

TEST_F(HeadlessBuildTest, QuietRunPrintsNoLogButStillSaysWhyItStopped)
{
    FOptions.Quiet = true;
    ASSERT_EQ(Run(), 0) << FErr.str();
    EXPECT_EQ(FOut.str(), "");
    EXPECT_EQ(FErr.str(), "");
    EXPECT_TRUE(FileExists(Package("Pocket PC")));
    EXPECT_TRUE(FileExists(Package("Pocket PC Silent")));

    const std::string missing = AppendPath(FWork, "Payload/Common/sample.vwd");
    fs::remove(missing);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(FOut.str(), "");
    EXPECT_NE(FErr.str().find("Source missing: "), std::string::npos) << FErr.str();
    EXPECT_NE(FErr.str().find("sample.vwd"), std::string::npos) << FErr.str();
}

TEST_F(HeadlessBuildTest, ProgressLineIsDrawnInPlaceAndLeavesNothingBehind)
{
    ASSERT_EQ(Run(), 0) << FErr.str();
    const std::string plainLog = FOut.str();

    FOptions.Progress = true;
    ASSERT_EQ(Run(), 0) << FErr.str();
    // The log is the same with or without the progress line.
    EXPECT_EQ(FOut.str(), plainLog);
    const std::string err = FErr.str();
    EXPECT_NE(err.find("Pocket PC: archiving "), std::string::npos) << err;
    EXPECT_NE(err.find("Pocket PC Silent: archiving "), std::string::npos) << err;
    EXPECT_NE(err.find("100%"), std::string::npos) << err;
    // One line, redrawn: no line break, no step wider than a terminal, and
    // blanks where the last step stood.
    EXPECT_EQ(err.find('\n'), std::string::npos);
    size_t start = 0;
    while (start < err.size()) {
        size_t end = err.find('\r', start + 1);
        if (end == std::string::npos)
            end = err.size();
        EXPECT_LE(end - start, 80u) << err.substr(start, end - start);
        start = end;
    }
    const std::string shown = TerminalLine(err);
    EXPECT_EQ(shown.find_first_not_of(' '), std::string::npos) << "left on the terminal: " << shown;
}

TEST_F(HeadlessBuildTest, ProgressLineMakesWayForTheLogOnASharedTerminal)
{
    ASSERT_EQ(Run(), 0) << FErr.str();
    std::vector<std::string> plain;
    std::istringstream log(FOut.str());
    for (std::string line; std::getline(log, line);)
        plain.push_back(line);

    // Standard output and error on one terminal, as in an interactive shell.
    FOptions.Progress = true;
    std::ostringstream terminal;
    ASSERT_EQ(RunBuildCommand(FOptions, terminal, terminal), 0);
    ASSERT_NE(terminal.str().find("archiving"), std::string::npos) << terminal.str();
    std::vector<std::string> shown;
    std::istringstream screen(terminal.str());
    for (std::string line; std::getline(screen, line);) {
        line = TerminalLine(line);
        line.erase(line.find_last_not_of(' ') + 1);
        shown.push_back(line);
    }
    // A progress step still on a line would show beside or after a log line.
    if (!shown.empty() && shown.back().empty())
        shown.pop_back();
    EXPECT_EQ(shown, plain);
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

// Projects made through the model in a work folder of their own, with the
// program's default texts and licence beside the stand-in setup programs.
class HeadlessProjectBuildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ForceDirectories(FWork));
        for (const char* name : {"Resources.dat", "EULA_Neutral.txt"})
            fs::copy_file(AppendPath(TTestProgramDir::BuiltProgramDir(), name), AppendPath(FProgram.Path(), name));
    }

    std::unique_ptr<TProject> NewProject(const std::string& company, const std::string& name)
    {
        auto project = std::make_unique<TProject>(company);
        project->SetApplicationName("Viewer");
        project->SetProjectDir(IncludeTrailingPathDelimiter(FWork));
        project->SetProjectFileName(name + ".vip");
        return project;
    }

    std::string Source(const std::string& name, const std::string& content)
    {
        std::string path = AppendPath(AppendPath(FWork, "src"), name);
        ForceDirectories(ExtractFilePath(path));
        WriteFileAtomic(path, content);
        return path;
    }

    int Build(TProject& project)
    {
        TBuildCommandOptions options = FBuildOptions;
        options.ProjectPath = AppendPath(FWork, project.ProjectFileName());
        options.ProgramDir = FProgram.Path();
        SaveProjectFile(project, options.ProjectPath);
        FOut.str("");
        FErr.str("");
        return RunBuildCommand(options, FOut, FErr);
    }

    std::string Package(const std::string& build) { return AppendPath(AppendPath(FWork, build), "Setup.exe"); }

    // A CAB file of the package unpacked by cabextract: its setup
    // description and the contents of its other members.
    struct TCab {
        TSetupDescription Setup;
        std::vector<std::string> Members;
        std::vector<std::string> MemberNames; // of Members, in their order
    };
    TCab ReadCab(const TPackage& package, const std::string& name)
    {
        TCab cab;
        std::string path = FDir.File("cab-" + name);
        WriteFileAtomic(path, package.Content(name));
        std::string into = FDir.File("x-" + name);
        EXPECT_EQ(std::system(("cabextract -q -d '" + into + "' '" + path + "'").c_str()), 0) << name;
        if (!DirectoryExists(into))
            return cab;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(into))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string& member : names) {
            std::vector<uint8_t> bytes = ReadFileBytes(AppendPath(into, member));
            if (ExtractFileExt(member) == ".000")
                cab.Setup = ReadSetupDescription(bytes);
            else {
                cab.Members.emplace_back(bytes.begin(), bytes.end());
                cab.MemberNames.push_back(member);
            }
        }
        return cab;
    }

    static std::vector<std::string> FileNames(const TSetupDescription& setup)
    {
        std::vector<std::string> names;
        for (const TSetupFile& file : setup.FFiles)
            names.push_back(file.FName);
        return names;
    }

    TempDir FDir;
    std::string FWork = FDir.File("work");
    TTestProgramDir FProgram;
    TBuildCommandOptions FBuildOptions; // the signing options of Build()
    std::ostringstream FOut, FErr;
};

TEST_F(HeadlessProjectBuildTest, FilesForAllProcessorsBesideStrongArmGiveBothCabFilesFresh)
{
    auto project = NewProject("Firm", "Mix");
    AddProjectFile(*project, ExtractFilePath(Source("common.txt", "for every device")), "common.txt", AllPlatforms,
                   pAll);
    AddProjectFile(*project, ExtractFilePath(Source("arm/arm.exe", "StrongARM code")), "arm.exe", AllPlatforms,
                   pStrongARM);
    // Left from a run of last week; it must never go into a package.
    WriteFileAtomic(AppendPath(FWork, "Mix.CAB"), "stale");

    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    TPackage package = ReadPackage(Package("All In One"));
    EXPECT_NE(package.Content("Mix.ini").find("CabFiles = Mix.CAB,Mix.2577.CAB"), std::string::npos);
    TCab plain = ReadCab(package, "Mix.CAB");
    EXPECT_EQ(FileNames(plain.Setup), std::vector<std::string>{"common.txt"});
    EXPECT_EQ(plain.Members, std::vector<std::string>{"for every device"});
    TCab arm = ReadCab(package, "Mix.2577.CAB");
    EXPECT_EQ(arm.Setup.FProcessor, 2577u);
    EXPECT_EQ(FileNames(arm.Setup), (std::vector<std::string>{"common.txt", "arm.exe"}));
}

// A .NET Compact Framework program with its translations: one assembly name
// in five language folders, each a different file. The CAB files install
// each under its own folder with its own content, and --inf shows the
// rename lines and the staging folder the CAB tool got.
TEST_F(HeadlessProjectBuildTest, ATranslatedAssemblyInFiveLanguageFoldersInstallsEachItsOwnContent)
{
    const std::string assembly = "Ushahidi.Model.resources.dll";
    const std::vector<std::string> languages = {"de", "en", "es", "fr", "it"};
    auto project = NewProject("Firm", "Trans");
    AddProjectFile(*project, ExtractFilePath(Source("arm/app.exe", "StrongARM code")), "app.exe", AllPlatforms,
                   pStrongARM);
    AddProjectFile(*project, ExtractFilePath(Source("sh3/app.exe", "SH3 code")), "app.exe", AllPlatforms, pHitachiSH3);
    for (const std::string& language : languages) {
        TFolder* folder = project->AppFolder()->AddSubFolder(std::make_unique<TFolder>(language));
        AddProjectFile(*project, ExtractFilePath(Source(language + "/" + assembly, "texts in " + language)), assembly,
                       AllPlatforms, pAll, folder);
    }

    // Every target's CAB file takes the same five copies.
    EXPECT_EQ(PlanDeviceSections(*project).FStagedFiles.size(), languages.size());
    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    // The copies went with the .inf.
    EXPECT_FALSE(DirectoryExists(AppendPath(FWork, "Trans.staged")));
    TPackage package = ReadPackage(Package("All In One"));
    for (const char* name : {"Trans.2577.CAB", "Trans.10003.CAB"}) {
        SCOPED_TRACE(name);
        TCab cab = ReadCab(package, name);
        // Each installed file's device path with its member's content; a
        // member's extension is its file ID.
        std::map<std::string, std::string> installed;
        for (size_t i = 0; i < cab.MemberNames.size(); ++i) {
            size_t id = std::stoul(ExtractFileExt(cab.MemberNames[i]).substr(1));
            if (id == 0 || id > cab.Setup.FFiles.size())
                continue;
            const TSetupFile& file = cab.Setup.FFiles[id - 1];
            const TSetupDirectory* dir = cab.Setup.Directory(file.FDirectoryId);
            ASSERT_TRUE(dir && dir->FPath.size() == 1);
            installed[dir->FPath[0] + "\\" + file.FName] = cab.Members[i];
        }
        std::map<std::string, std::string> expected;
        expected["%CE1%\\Firm\\My Application\\app.exe"] =
            std::string(name) == "Trans.2577.CAB" ? "StrongARM code" : "SH3 code";
        for (const std::string& language : languages)
            expected["%CE1%\\Firm\\My Application\\" + language + "\\" + assembly] = "texts in " + language;
        EXPECT_EQ(installed, expected);
    }

    std::ostringstream inf, err;
    ASSERT_EQ(RunInfCommand(AppendPath(FWork, "Trans.vip"), inf, err), 0) << err.str();
    for (const std::string& language : languages)
        EXPECT_NE(inf.str().find("\"" + assembly + "\",\"" + language + "_" + assembly + "\",,0x"), std::string::npos)
            << inf.str();
    EXPECT_NE(inf.str().find("=,\"SourceDisk2\",," + AppendPath(FWork, "Trans.staged") + "\r\n"), std::string::npos)
        << inf.str();
}

TEST_F(HeadlessProjectBuildTest, MissingLanguageLicencesAreTheNeutralOne)
{
    auto project = NewProject("Firm", "Lic");
    AddProjectFile(*project, ExtractFilePath(Source("a.txt", "a")), "a.txt", AllPlatforms, pAll);
    WriteFileAtomic(AppendPath(FWork, "EULA_Neutral.txt"), "{\\rtf1 the project's own}");

    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    TPackage package = ReadPackage(Package("All In One"));
    // The default texts hold English beside Neutral.
    for (const char* name : {"EULA_English.txt", "EULA_Neutral.txt"})
        EXPECT_EQ(package.Content(name), "{\\rtf1 the project's own}") << name;
    EXPECT_NE(FOut.str().find("The licence file " + AppendPath(FWork, "EULA_English.txt") +
                              " does not exist; the package carries " + AppendPath(FWork, "EULA_Neutral.txt") +
                              " in its place.\n"),
              std::string::npos)
        << FOut.str();

    // Without one of its own the project gets the program's.
    fs::remove(AppendPath(FWork, "EULA_Neutral.txt"));
    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    std::vector<uint8_t> programs = ReadFileBytes(AppendPath(FProgram.Path(), "EULA_Neutral.txt"));
    EXPECT_EQ(ReadPackage(Package("All In One")).Content("EULA_English.txt"),
              std::string(programs.begin(), programs.end()));
}

TEST_F(HeadlessProjectBuildTest, AShortcutInASiblingOfTheInstallFolderIsInstalledThere)
{
    auto project = NewProject("Firm", "Tools");
    TFolder* tools = project->CompanyFolder()->AddSubFolder(std::make_unique<TFolder>("My Application Tools"));
    TFile* app = AddProjectFile(*project, ExtractFilePath(Source("app.exe", "app")), "app.exe", AllPlatforms, pAll);
    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetName("Tool");
    shortcut->SetTarget(app);
    shortcut->SetFolder(tools);
    project->Shortcuts().Add(std::move(shortcut));

    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    TCab cab = ReadCab(ReadPackage(Package("All In One")), "Tools.CAB");
    ASSERT_EQ(cab.Setup.FLinks.size(), 1u);
    // The sibling folder, not the install folder, with the link's name alone.
    ASSERT_TRUE(cab.Setup.Directory(cab.Setup.FLinks[0].FDirectoryId));
    EXPECT_EQ(cab.Setup.Directory(cab.Setup.FLinks[0].FDirectoryId)->FPath,
              (std::vector<std::string>{"%CE1%\\Firm\\My Application Tools"}));
    EXPECT_EQ(cab.Setup.FLinks[0].FPath, (std::vector<std::string>{"Tool.lnk"}));
}

TEST_F(HeadlessProjectBuildTest, CommasQuotesAndPercentSignsReachTheDeviceUnchanged)
{
    auto project = NewProject("Smith, Jones", "Texts");
    AddProjectFile(*project, ExtractFilePath(Source("100% done.txt", "done")), "100% done.txt", AllPlatforms, pAll);
    TRegKey* key = project->RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "Software", ""));
    const std::vector<std::pair<std::string, std::string>> values = {
        {"List", "a;b"}, {"Say", "say \"hi\""}, {"Dir", "\\Program Files\\App\\"}};
    for (const auto& [name, data] : values) {
        auto v = std::make_unique<TValue>(vtString);
        v->SetName(name);
        v->SetStringData(data);
        key->Values().Add(std::move(v));
    }

    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    TCab cab = ReadCab(ReadPackage(Package("All In One")), "Texts.CAB");
    EXPECT_EQ(cab.Setup.FProvider, "Smith, Jones");
    EXPECT_EQ(FileNames(cab.Setup), std::vector<std::string>{"100% done.txt"});
    ASSERT_FALSE(cab.Setup.FDirectories.empty());
    EXPECT_EQ(cab.Setup.FDirectories[0].FPath, (std::vector<std::string>{"%CE1%\\Smith, Jones\\My Application"}));
    ASSERT_EQ(cab.Setup.FValues.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(cab.Setup.FValues[i].FName, values[i].first);
        EXPECT_EQ(std::string(cab.Setup.FValues[i].FData.begin(), cab.Setup.FValues[i].FData.end()),
                  values[i].second + std::string(1, '\0'));
    }
}

TEST_F(HeadlessProjectBuildTest, NonAsciiNamesAreFoundByTheirUtf8Names)
{
    // Model strings are Windows-1252; the files on this host have UTF-8 names.
    auto project = NewProject("Firm", "Names");
    const std::string src = ExtractFilePath(Source("Caf\xC3\xA9.txt", "coffee"));
    Source(
        "Gr\xC3\xB6\xC3\x9F"
        "e.dat",
        "size");
    WriteFileAtomic(AppendPath(FWork,
                               "Gr\xC3\xB6\xC3\x9F"
                               "e.ico"),
                    std::string("\0\0\1\0\1\0", 6) + "icon");
    AddProjectFile(*project, src, "Caf\xE9.txt", AllPlatforms, pAll);
    AddProjectFile(*project, src,
                   "Gr\xF6\xDF"
                   "e.dat",
                   AllPlatforms, pAll);
    project->SetIconFile(AppendPath(FWork,
                                    "Gr\xF6\xDF"
                                    "e.ico"));
    // Another file of the first name, staged under a name of its own.
    TFolder* fr = project->AppFolder()->AddSubFolder(std::make_unique<TFolder>("fr"));
    AddProjectFile(*project, ExtractFilePath(Source("fr/Caf\xC3\xA9.txt", "caf\xC3\xA9")), "Caf\xE9.txt", AllPlatforms,
                   pAll, fr);

    ASSERT_EQ(Build(*project), 0) << FOut.str() << FErr.str();
    TPackage package = ReadPackage(Package("All In One"));
    EXPECT_EQ(package.Names().back(),
              "Gr\xC3\xB6\xC3\x9F"
              "e.ico");
    EXPECT_NE(package.Content("Names.ini")
                  .find("IconFile = Gr\xF6\xDF"
                        "e.ico\r\n"),
              std::string::npos);
    TCab cab = ReadCab(package, "Names.CAB");
    EXPECT_EQ(FileNames(cab.Setup), (std::vector<std::string>{"Caf\xE9.txt",
                                                              "Gr\xF6\xDF"
                                                              "e.dat",
                                                              "Caf\xE9.txt"}));
    std::sort(cab.Members.begin(), cab.Members.end());
    EXPECT_EQ(cab.Members, (std::vector<std::string>{"caf\xC3\xA9", "coffee", "size"}));
}

// What a command prints, and its exit status.
int Shell(const std::string& command, std::string& output, const TempDir& dir)
{
    const int status = std::system(("(" + command + ") > '" + dir.File("shell.txt") + "' 2>&1").c_str());
    output = dir.Read("shell.txt");
    return status;
}

// A file verifies with osslsigncode against the test's own certificate.
void ExpectVerifies(const std::string& file, const TempDir& dir)
{
    std::string output;
    EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + dir.File("device.pem") + "' -in '" + file + "'", output, dir), 0)
        << file << ":\n"
        << output;
    EXPECT_NE(output.find("Signature verification: ok"), std::string::npos) << file << ":\n" << output;
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DeviceSigningTest : public HeadlessProjectBuildTest {
protected:
    void SetUp() override
    {
        HeadlessProjectBuildTest::SetUp();
        FBuildOptions.DeviceSigning.Pkcs12 = MakeTestCertificate(FDir, "device", "pw");
        FBuildOptions.DeviceSigning.Password = "pw";
        ASSERT_TRUE(ForceDirectories(FTemp));
    }

    // A project "Dev" with these sources, each for all platforms and
    // processors, and the build "Signed" for the pair, signing for the device.
    std::unique_ptr<TProject> SigningProject(const std::map<std::string, std::string>& sources,
                                             TPlatform platform = plAll)
    {
        auto project = NewProject("Firm", "Dev");
        for (const auto& [name, content] : sources)
            AddProjectFile(*project, ExtractFilePath(Source(name, content)), name,
                           platform == plAll ? AllPlatforms : TPlatforms{platform}, pAll);
        auto build = std::make_unique<TBuild>();
        build->SetName("Signed");
        build->AddPair(std::make_unique<TPlatformProcPair>(platform, pAll));
        build->SetSignForDevice(true);
        project->Builds().Add(std::move(build));
        return project;
    }

    std::string Log() const { return FOut.str() + FErr.str(); }

    // The run's private folders and password files go here.
    std::string FTemp = FDir.File("tmp");
    ScopedEnv FTempEnv{"TMPDIR", FTemp.c_str()};
};

TEST_F(DeviceSigningTest, ProgramCopiesAndTheCabAreSignedTheSourcesStayAndTwoBuildsAreIdentical)
{
    const std::string built = TTestProgramDir::BuiltProgramDir();
    if (!IsPeFile(AppendPath(built, "Deskstart.exe")))
        GTEST_SKIP() << "the Windows programs are not built";
    for (const char* name : {"Setup.exe", "Deskstart.exe"})
        fs::copy_file(AppendPath(built, name), AppendPath(FProgram.Path(), name), fs::copy_options::overwrite_existing);
    const std::vector<uint8_t> pe = ReadFileBytes(AppendPath(built, "Deskstart.exe"));
    const std::map<std::string, std::string> sources = {
        {"app.exe", std::string(pe.begin(), pe.end())}, {"readme.txt", "plain text"}, {"notes.dll", "MZ, no program"}};
    auto project = SigningProject(sources);
    auto dll = std::make_unique<TSetupDLL>();
    dll->SetFileName("setup.dll");
    dll->SetSourceDir(ExtractFilePath(Source("dll/setup.dll", sources.at("app.exe"))));
    dll->SetProcessor(pAll);
    project->SetupDlls().Add(std::move(dll));
    FBuildOptions.Signing = FBuildOptions.DeviceSigning;
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000");

    ASSERT_EQ(Build(*project), 0) << Log();
    const std::string cab = AppendPath(FWork, "Dev.CAB"), src = AppendPath(FWork, "src");
    for (const std::string& line :
         {"Signed " + AppendPath(src, "app.exe") + " for the device.",
          "Signed " + AppendPath(src, "dll/setup.dll") + " for the device.",
          AppendPath(src, "notes.dll") + " is not a program or DLL for Windows (no PE header): it goes into the CAB",
          "Signed " + cab + " for the device."})
        EXPECT_NE(Log().find(line), std::string::npos) << line << "\nin\n" << Log();
    for (const auto& [name, content] : sources)
        EXPECT_EQ(FDir.Read("work/src/" + name), content) << name;
    EXPECT_EQ(Entries(FWork), (std::vector<std::string>{"Dev.CAB", "Dev.vip", "Dev_res.dat", "Signed", "src"}));
    EXPECT_TRUE(Entries(FTemp).empty());

    ExpectVerifies(cab, FDir);
    std::string output;
    const std::string members = FDir.File("members");
    ASSERT_EQ(Shell("cabextract -t '" + cab + "' && cabextract -q -d '" + members + "' '" + cab + "'", output, FDir), 0)
        << output;
    int programs = 0;
    for (const std::string& member : Entries(members)) {
        const std::string content = FDir.Read("members/" + member);
        if (ExtractFileExt(member) == ".000" || content == "plain text" || content == sources.at("notes.dll"))
            continue;
        ExpectVerifies(AppendPath(members, member), FDir);
        ++programs;
    }
    EXPECT_EQ(programs, 2) << "app.exe and the setup DLL";

    const TPackage package = ReadPackage(Package("Signed"));
    EXPECT_EQ(package.Content("Dev.CAB"), FDir.Read("work/Dev.CAB"));
    FDir.Write("inner.exe", package.Content("Setup.exe"));
    ExpectVerifies(FDir.File("inner.exe"), FDir);

    const std::string first = FDir.Read("work/Signed/Setup.exe");
    ASSERT_EQ(Build(*project), 0) << Log();
    EXPECT_TRUE(FDir.Read("work/Signed/Setup.exe") == first) << "two signed builds differ";
}

TEST_F(DeviceSigningTest, ACabForPocketPc2003StaysUnsigned)
{
    auto project = SigningProject({{"readme.txt", "plain text"}}, plWM2003);
    ASSERT_EQ(Build(*project), 0) << Log();
    const std::string cab = AppendPath(FWork, "Dev.WM2003.CAB");
    EXPECT_NE(Log().find(cab + " stays unsigned: it is for Windows Mobile 2003, and devices before Windows Mobile "
                               "5.0 are reported to refuse signed CAB files."),
              std::string::npos)
        << Log();
    EXPECT_FALSE(ReadCabSignature(cab).has_value());
}

// Each way the device signing cannot be done: one message naming the cause,
// the build fails, and nothing is left behind in the work folder or the
// temporary one.
TEST_F(DeviceSigningTest, FailuresSayWhyAndLeaveNothingBehind)
{
    const std::string good = FBuildOptions.DeviceSigning.Pkcs12;
    const std::string expired = MakeTestCertificate(FDir, "expired", "pw", true);
    FDir.Write("junk.p12", "not a certificate");
    // A DOS header that points at a PE signature with nothing behind it.
    std::string broken(64, '\0');
    broken[0] = 'M', broken[1] = 'Z', broken[60] = 64;
    broken += std::string("PE\0\0", 4) + "cut short";
    const std::string certificate = "The device certificate \"";
    const struct {
        std::string p12, password, program, reason;
    } cases[] = {
        {"", "", "", "it signs its files for the device, but no device certificate is set."},
        {FDir.File("none.p12"), "pw", "", certificate + FDir.File("none.p12") + "\" cannot be read."},
        {FDir.File("junk.p12"), "pw", "", certificate + FDir.File("junk.p12") + "\" is not a PKCS#12 file."},
        {good, "wrong", "", certificate + good + "\" does not open with the password given."},
        {expired, "pw", "", certificate + expired + "\" has expired."},
        {good, "pw", broken, "osslsigncode could not sign " + AppendPath(FWork, "src/app.exe") + ": "},
    };
    for (const auto& c : cases) {
        FBuildOptions.DeviceSigning.Pkcs12 = c.p12;
        FBuildOptions.DeviceSigning.Password = c.password;
        auto project = SigningProject({{"app.exe", c.program.empty() ? "no program" : c.program}});
        EXPECT_EQ(Build(*project), 1) << c.reason;
        EXPECT_NE(FErr.str().find("The build \"Signed\" was not made: " + c.reason), std::string::npos)
            << c.reason << "\nin\n"
            << FErr.str();
        EXPECT_EQ(Entries(FWork), (std::vector<std::string>{"Dev.vip", "Dev_res.dat", "src"})) << c.reason;
        EXPECT_TRUE(Entries(FTemp).empty()) << c.reason;
        EXPECT_EQ(Log().find("wrong"), std::string::npos) << "the password in the log";
    }
}

TEST(HeadlessBuildArguments, UsageErrors)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunHeadless({"--build"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "--only"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "b.vip"}, out, err), 2);
    EXPECT_EQ(RunHeadless({"--build", "/no/such/project.vip"}, out, err), 1);
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "--sign-pkcs12"}, out, err), 2);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--sign-timestamp", "http://ts.example.com"}, "--sign-timestamp needs --sign-pkcs12."},
        {{"--sign-device-digest", "sha256"}, "--sign-device-timestamp and --sign-device-digest need "},
        {{"--sign-device-pkcs12", "d.p12", "--sign-device-digest", "md5"},
         "--sign-device-digest takes sha1 or sha256."},
    };
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = {"--build", "a.vip"};
        args.insert(args.end(), options.begin(), options.end());
        err.str("");
        EXPECT_EQ(RunHeadless(args, out, err), 2) << message;
        EXPECT_NE(err.str().find(": " + message), std::string::npos) << err.str();
    }
}

TEST(HeadlessBuildArguments, HelpAndVersionWinAndErrorsPointToHelp)
{
    EXPECT_TRUE(IsHeadlessCommand({"-h"}));
    EXPECT_FALSE(IsHeadlessCommand({"Demo.vip", "-platform", "offscreen"}));
    std::ostringstream out, err;
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "--help"}, out, err, "veltrin-installer"), 0);
    EXPECT_EQ(out.str().rfind("Usage:\n  veltrin-installer [PROJECT.vip]", 0), 0u) << out.str();
    EXPECT_NE(out.str().find("veltrin-installer --build PROJECT.vip"), std::string::npos);
    EXPECT_EQ(out.str().find("%s"), std::string::npos);
    EXPECT_EQ(err.str(), "");

    out.str("");
    EXPECT_EQ(RunHeadless({"--inf", "--version"}, out, err), 0);
    EXPECT_EQ(out.str(), "Veltrin Installer " VI_VERSION "\n");

    out.str("");
    EXPECT_EQ(RunHeadless({"--bogus"}, out, err, "veltrin-installer"), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "veltrin-installer: unknown option --bogus.\n"
              "Try 'veltrin-installer --help' for more information.\n");

    err.str("");
    EXPECT_EQ(RunHeadless({"--build", "a.vip", "--loud"}, out, err), 2);
    EXPECT_EQ(err.str().rfind("VeltrinInstaller: --build: unexpected --loud.\n", 0), 0u) << err.str();
    EXPECT_EQ(out.str(), "");
}

}
