#include "import/InfImport.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/InfFile.h"
#include "model/Project.h"
#include "package/BuildValidation.h"
#include "package/DeviceSectionPlan.h"
#include "package/InfWriter.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"
#include "model/Shortcuts.h"

#include <gtest/gtest.h>

#include <unordered_map>

namespace {

// The .inf text that --inf prints for the project.
TStringList InfLines(const TProject& project)
{
    TStringList lines;
    WriteInf(project, lines);
    if (project.DefaultFolder())
        ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    return lines;
}

std::string Joined(const TStringList& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

TImportResult ImportText(const std::string& text, const std::string& dir, const std::vector<std::string>& labels = {})
{
    TInfFile inf;
    inf.LoadFromText(TInfFile::DecodeText(text));
    return ImportInf(inf, AppendPath(dir, "App.inf"), TInfImportOptions{labels, AppendPath(dir, "App.vip")});
}

// The random projects without the files that the checks before a build
// refuse (two different sources of one name), so that they can be built.
void DropFilesOfOneName(TProject& project)
{
    std::unordered_map<std::string, std::string> sourceOf;
    std::vector<TFile*> refused;
    for (TFile* file : project.Files().ToList()) {
        auto [it, fresh] = sourceOf.emplace(UpperCase(file->FileName()), UpperCase(file->GetSourcePath()));
        if (!fresh && it->second != UpperCase(file->GetSourcePath()))
            refused.push_back(file);
    }
    project.RemoveFiles(refused);
}

// The checks before a build, but for sources that are not there: the
// samples name sources that need not exist, which the build's missing-files
// step deals with before these checks.
bool PassesTheChecks(const TProject& project)
{
    TDeviceSectionPlan plan = PlanDeviceSections(project);
    for (const auto& section : plan.FDeviceSections)
        for (const std::string& problem : CheckDeviceSection(*section))
            if (problem.find("cannot be read: ") == std::string::npos) {
                ADD_FAILURE() << problem;
                return false;
            }
    return project.Files().Count() > 0;
}

// project -> --inf -> import -> --inf gives the same text, with nothing
// left unmapped.
void ExpectRoundTrip(const TProject& project)
{
    ASSERT_TRUE(PassesTheChecks(project));
    const TStringList lines = InfLines(project);
    const std::string dir = project.ProjectDir().empty() ? std::string("/work/p") : project.ProjectDir();
    TImportResult result = ImportText(Joined(lines), dir);
    EXPECT_TRUE(result.FReport.Clean()) << result.FReport.Text();
    EXPECT_TRUE(result.FCopies.empty());
    EXPECT_EQ(Joined(InfLines(*result.FProject)), Joined(lines));
}

// Shortcuts in two folders whose sections come in another order for each
// platform: the .inf lists them folder by folder, which is not the
// project's order.
std::unique_ptr<TProject> MakeCrossedShortcutsProject()
{
    auto project = std::make_unique<TProject>("Firm");
    project->SetApplicationName("Viewer");
    std::vector<TFolder*> folders = project->Folders().GetAllFolders();
    TFile* file = AddProjectFile(*project, "src", "app.exe", TPlatforms{plWM5, plWM65}, pStrongARM);
    const std::pair<TFolder*, TPlatforms> shortcuts[] = {{folders[1], TPlatforms{plWM5}},
                                                         {folders[2], TPlatforms{plWM5, plWM65}},
                                                         {folders[1], TPlatforms{plWM5, plWM65}}};
    for (const auto& [folder, platforms] : shortcuts)
        AddProjectShortcut(*project, "Shortcut " + std::to_string(project->Shortcuts().Count()), file, folder)
            ->SetPlatforms(platforms);
    return project;
}

// Registry data the writer must quote or double: a trailing backslash
// (which would continue the line), percent signs, single and doubled.
const char* const EscapedData[] = {"\\Program Files\\App\\", "50%", "100%% sure", "%AppName%\\", "a;b\\"};

std::unique_ptr<TProject> MakeEscapedDataProject()
{
    auto project = std::make_unique<TProject>("Firm");
    AddProjectFile(*project, "src", "app.exe", AllPlatforms, pAll);
    TRegKey* key = project->RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "Dir", ""));
    for (const char* data : EscapedData)
        AddKeyValue(key, vtString, data)->SetStringData(data);
    AddKeyValue(key, vtMultiString, "Multi")->Strings() = {"x\\", "50%%"};
    return project;
}

TEST(InfImport, ProjectsThatCanBeBuiltComeBackAsTheSameInf)
{
    {
        SCOPED_TRACE("escaped registry data");
        auto project = MakeEscapedDataProject();
        ExpectRoundTrip(*project);
        TImportResult result = ImportText(Joined(InfLines(*project)), "/work/p");
        const TRegKey* key = result.FProject->RegKeys().Item(2)->GetSubKey(0);
        ASSERT_EQ(key->Values().Count(), 7);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(key->Values().Item(i + 1)->StringData(), EscapedData[i]);
        EXPECT_EQ(key->Values().Item(6)->Strings(), (std::vector<std::string>{"x\\", "50%%"}));
    }
    {
        SCOPED_TRACE("crossed shortcut sections");
        ExpectRoundTrip(*MakeCrossedShortcutsProject());
    }
    {
        SCOPED_TRACE("example");
        ExpectRoundTrip(*OpenProjectFile(VI_EXAMPLE_DIR "/Demo.vip"));
    }
    {
        SCOPED_TRACE("rich sample");
        ExpectRoundTrip(*MakeRichProject("C:\\Sources"));
    }
    {
        SCOPED_TRACE("field orders");
        ExpectRoundTrip(*MakeFieldOrdersProject("C:\\Work\\Field Orders.vip"));
    }
    for (unsigned draw = 1; draw <= 40; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        auto project = MakeRandomProject(draw);
        DropFilesOfOneName(*project);
        ExpectRoundTrip(*project);
    }
}

// UTF-16 with its mark, as Visual Studio's smart-device CAB projects save.
std::string Utf16(const std::string& ansi)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ansi) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// What an IDE's CAB project writes: every field quoted, [Strings], the
// build limit it always sets, and rename lines for one name in two folders.
const char* const IdeInf = R"([Version]
Signature="$Windows NT$"
Provider="Contoso"
CESignature="$Windows CE$"

[CEStrings]
AppName="Reports"
InstallDir=%CE1%\%AppName%

[Strings]
Manufacturer="Contoso"

[CEDevice]
VersionMin=3.00
VersionMax=100.00
BuildMax=0xE0000000

[DefaultInstall]
CEShortcuts="Shortcuts"
AddReg="RegKeys"
CopyFiles="Files.Common1","Files.Common2","Files.Common3"
CESetupDLL="setup.dll"

[SourceDisksNames]
1=,"Common1",,"bin\"
2=,"Common2",,"staging\"

[SourceDisksFiles]
"Reports.exe"=1
"setup.dll"=1
"de_Reports.resources.dll"=2
"en_Reports.resources.dll"=2

[DestinationDirs]
"Shortcuts"=0,"%CE2%\Start Menu"
"Files.Common1"=0,"%InstallDir%"
"Files.Common2"=0,"%InstallDir%\de"
"Files.Common3"=0,"%InstallDir%\en"

[Files.Common1]
"Reports.exe","Reports.exe",,"0x00000000"

[Files.Common2]
"Reports.resources.dll","de_Reports.resources.dll",,"0x00000000"

[Files.Common3]
"Reports.resources.dll","en_Reports.resources.dll",,"0x00000000"

[Shortcuts]
"Reports",0,"Reports.exe","%CE11%"

[RegKeys]
"HKCU","Software\%Manufacturer%\Reports","Version","0x00000002","1.0"
"HKCU","Software\%Manufacturer%\Reports","Count","0x00010003","5"
"HKLM","Software\%Manufacturer%\Reports","Path","0x00000000","%InstallDir%\data"
)";

TEST(InfImport, AnIdeProjectsInfImportsCleanly)
{
    TempDir tmp;
    for (const char* file :
         {"bin/Reports.exe", "bin/setup.dll", "staging/de_Reports.resources.dll", "staging/en_Reports.resources.dll"}) {
        ForceDirectories(ExtractFilePath(tmp.File(file)));
        tmp.Write(file, file);
    }
    TImportResult result = ImportText(Utf16(IdeInf), tmp.Path());
    const TProject& project = *result.FProject;
    EXPECT_TRUE(result.FReport.Clean()) << result.FReport.Text();
    EXPECT_EQ(project.CompanyName(), "Contoso");
    EXPECT_EQ(project.AppName(), "Reports");
    EXPECT_EQ(project.DefaultFolder()->GetPath(), "\\Program Files\\Reports\\");
    ASSERT_EQ(project.Files().Count(), 3);
    const TFile* exe = project.Files().Item(0);
    EXPECT_EQ(exe->GetSourcePath(), AppendPath("bin", "Reports.exe"));
    EXPECT_EQ(exe->CopyMode(), cmAskBeforeReplacingNewer);
    EXPECT_EQ(exe->Options(), TFileOptions{foAllowSkip});
    EXPECT_EQ(exe->Platforms(), (TPlatforms{plPPC300, plHPC2000, plPPC2K, plWM2003, plWM5, plWM6, plWM65}));
    // One name in two folders: each a copy under its device name.
    for (int i : {1, 2}) {
        const TFile* dll = project.Files().Item(i);
        EXPECT_EQ(dll->GetDevicePath(),
                  std::string("\\Program Files\\Reports\\") + (i == 1 ? "de" : "en") + "\\Reports.resources.dll");
        EXPECT_EQ(dll->GetSourcePath(),
                  AppendPath(i == 1 ? "App files" : AppendPath("App files", "2"), "Reports.resources.dll"));
    }
    ASSERT_EQ(result.FCopies.size(), 2u);
    EXPECT_EQ(result.FCopies[1].FFrom, tmp.File("staging/en_Reports.resources.dll"));
    EXPECT_EQ(result.FCopies[1].FTo, tmp.File("App files/2/Reports.resources.dll"));
    EXPECT_EQ(result.FReport.Notes().size(), 2u) << result.FReport.Text();
    ASSERT_EQ(project.Shortcuts().Count(), 1);
    EXPECT_EQ(project.Shortcuts().Item(0)->GetFolder()->GetMacroPath(), "%CE11%");
    ASSERT_EQ(project.SetupDlls().Count(), 1);
    EXPECT_EQ(project.SetupDlls().Item(0)->SourceDir(), "bin\\");

    const TRegKey* hkcu = project.RegKeys().Item(1)->GetSubKey(0)->GetSubKey(0)->GetSubKey(0);
    EXPECT_EQ(hkcu->GetKeyPath(), "Software\\Contoso\\Reports");
    const TValue* version = hkcu->Values().Item(1);
    EXPECT_TRUE(version->Type() == vtString && version->StringData() == "1.0" && version->NoClobber());
    const TValue* count = hkcu->Values().Item(2);
    EXPECT_TRUE(count->Type() == vtDWord && count->DwordData() == 5 && count->NoClobber());
    const TRegKey* hklm = project.RegKeys().Item(2)->GetSubKey(0)->GetSubKey(0)->GetSubKey(0);
    EXPECT_EQ(hklm->Values().Item(1)->StringData(), "%InstallDir%\\data"); // left for the device
    EXPECT_EQ(hklm->Values().Item(1)->GetFlagsText(), "0x00000000");

    MakeImportCopies(result.FCopies);
    EXPECT_EQ(tmp.Read("App files/2/Reports.resources.dll"), "staging/en_Reports.resources.dll");
}

// Written by hand in Windows-1252: comments, lines continued with "\",
// unquoted fields, labels per processor over plain sections.
const char* const HandInf =
    "; Notes for two processors\r\n"
    "[Version]\r\nSignature = \"$Windows NT$\"\r\nProvider = \"Fa\xE7"
    "ade\"\r\n"
    "CESignature = \"$Windows CE$\"\r\n"
    "[CEStrings]\r\nAppName = Notes\r\nInstallDir = %CE1%\\%AppName%\r\n"
    "[CEDevice.ARM]\r\nProcessorType = 2577   ; StrongARM\r\n"
    "[CEDevice.SH3]\r\nProcessorType = 10003\r\n"
    "[DefaultInstall]\r\nCopyFiles = Files.Main, \\\r\n            Files.Help\r\n"
    "CEShortcuts = Links\r\nAddReg = Reg\r\n"
    "[SourceDisksNames.ARM]\r\n1 = ,\"ARM\",,arm\r\n"
    "[SourceDisksNames.SH3]\r\n1 = ,\"SH3\",,sh3\r\n"
    "[SourceDisksNames]\r\n2 = ,\"Common\",,common\r\n"
    "[SourceDisksFiles]\r\nnotes.exe = 1\r\nnotes.htm = 2\r\n"
    "[DestinationDirs]\r\nFiles.Main = 0, %InstallDir%\r\nFiles.Help = 0, %CE2%\\Help\r\n"
    "Links = 0, %CE11%\r\n"
    "[Files.Main]\r\nnotes.exe,,,0x00000001\r\n"
    "[Files.Help]\r\nnotes.htm\r\n"
    "[Links]\r\nNotes,0,notes.exe\r\n"
    "[Reg]\r\nHKLM,Software\\Notes,Colors,0x00010001,\\\r\n   0x00FF00\r\n"
    "HKLM,Software\\Notes,Font,0x00000002,Tahoma, 8pt\r\n";

TEST(InfImport, AHandWrittenInfWithContinuationsImportsCleanly)
{
    TImportResult result = ImportText(HandInf, "/work/notes");
    const TProject& project = *result.FProject;
    EXPECT_TRUE(result.FReport.Clean()) << result.FReport.Text();
    EXPECT_TRUE(result.FReport.Notes().empty()) << result.FReport.Text();
    EXPECT_EQ(project.CompanyName(),
              "Fa\xE7"
              "ade");
    // No section for every processor: each file once per processor.
    ASSERT_EQ(project.Files().Count(), 4);
    std::vector<std::string> files;
    for (const TFile* file : project.Files().ToList())
        files.push_back(file->GetDevicePath() + " " + ProcessorToName(file->Processor()) + " " + file->GetSourcePath());
    EXPECT_EQ(files, (std::vector<std::string>{
                         "\\Program Files\\Notes\\notes.exe StrongARM " + AppendPath("arm", "notes.exe"),
                         "\\Program Files\\Notes\\notes.exe Hitachi SH3 " + AppendPath("sh3", "notes.exe"),
                         "\\Windows\\Help\\notes.htm StrongARM " + AppendPath("common", "notes.htm"),
                         "\\Windows\\Help\\notes.htm Hitachi SH3 " + AppendPath("common", "notes.htm")}));
    EXPECT_EQ(project.Files().Item(0)->Options(), (TFileOptions{foWarnIfSkipped, foAllowSkip}));
    EXPECT_EQ(project.Shortcuts().Count(), 2);
    // Values every section sets are for every processor.
    const TRegKey* key = project.RegKeys().Item(2)->GetSubKey(0)->GetSubKey(0);
    ASSERT_EQ(key->Values().Count(), 3);
    EXPECT_EQ(key->Values().Item(1)->Processor(), pAll);
    EXPECT_EQ(key->Values().Item(1)->DwordData(), 0xFF00u);
    EXPECT_EQ(key->Values().Item(2)->StringData(), "Tahoma, 8pt");
    EXPECT_TRUE(key->Values().Item(2)->NoClobber());
}

// What the project cannot hold is named with its line; the rest is kept.
TEST(InfImport, WhatTheProjectCannotHoldIsReportedWithItsLine)
{
    const std::string inf =
        "[Version]\n" // 1
        "Signature=\"$Windows NT$\"\n" // 2
        "CESignature=\"$Windows CE$\"\n" // 3
        "[CEStrings]\n" // 4
        "AppName=App\n" // 5
        "InstallDir=%CE1%\\App\n" // 6
        "[CEDevice]\n" // 7
        "VersionMin=5.00\n" // 8
        "VersionMax=5.99\n" // 9
        "BuildMax=0x1000\n" // 10
        "[DefaultInstall]\n" // 11
        "CopyFiles=Files\n" // 12
        "CEShortcuts=Links\n" // 13
        "AddReg=Reg\n" // 14
        "CESetupDLL=a.dll,b.dll\n" // 15
        "[SourceDisksNames]\n" // 16
        "1=,\"Disk\",,src\n" // 17
        "[SourceDisksFiles]\n" // 18
        "app.exe=1\n" // 19
        "a.dll=1\n" // 20
        "[DestinationDirs]\n" // 21
        "Files=0,%InstallDir%\n" // 22
        "Links=0,%CE11%\n" // 23
        "[Files]\n" // 24
        "app.exe,,,0x40000400\n" // 25
        "lost.txt\n" // 26
        "[Links]\n" // 27
        "Data,1,Files\n" // 28
        "[Reg]\n" // 29
        "HKLM,Software\\App,Path,0x00020000,%%windir%%\n" // 30
        "HKU,Software\\App,Other,0,x\n"; // 31
    TImportResult result = ImportText(inf, "/work/app");
    std::vector<std::pair<int, bool>> notes;
    for (const TImportNote& note : result.FReport.Notes())
        notes.push_back({note.FLine, note.FKind == TImportNote::NotMapped});
    EXPECT_EQ(notes, (std::vector<std::pair<int, bool>>{{8, true}, // the range holds no platform whole: widened
                                                        {10, true}, // a build limit
                                                        {25, true}, // two copy modes
                                                        {26, true}, // a file without a source disk
                                                        {28, true}, // a shortcut to a folder
                                                        {30, true}, // a registry type the project lacks
                                                        {31, true}, // a root the device lacks
                                                        {15, true}})) // a second setup DLL
        << result.FReport.Text();
    EXPECT_FALSE(result.FReport.Clean());
    // Kept all the same: both files (the missing source too) and the value.
    EXPECT_EQ(result.FProject->Files().Count(), 2);
    EXPECT_EQ(result.FProject->Files().Item(0)->Platforms(),
              (TPlatforms{plPPC300, plHPC2000, plPPC2K, plWM2003, plWM5, plWM6, plWM65}));
    EXPECT_EQ(result.FProject->Files().Item(0)->CopyMode(), 0);
    EXPECT_NE(result.FReport.Text().find("line 30: not mapped: "), std::string::npos);
}

TEST(InfImport, InputThatIsNoDeviceInfIsRefused)
{
    EXPECT_EQ(ErrorOf([] { ImportText("[Version]\nSignature=\"$Windows NT$\"\n", "/w"); }),
              "This is no CAB Wizard .inf: [Version] has no CESignature = \"$Windows CE$\"");
    EXPECT_EQ(ErrorOf([] { ImportText(HandInf, "/w", {"MIPS"}); }),
              "The .inf has no section labelled \"MIPS\" (such as [CEDevice.MIPS])");
    // One label chosen: only its sections.
    EXPECT_EQ(ImportText(HandInf, "/w", {"SH3"}).FProject->Files().Count(), 2);
}

}
