#include "package/InfWriter.h"

#include "model/Folders.h"
#include "package/DeviceSectionPlan.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TStringList Inf(TProject& project)
{
    TStringList lines;
    WriteInf(project, lines);
    return lines;
}

std::string Text(const TStringList& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

bool Has(const TStringList& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of one section, up to the next empty line.
TStringList Section(const TStringList& lines, const std::string& header)
{
    auto it = std::find(lines.begin(), lines.end(), header);
    TStringList out;
    if (it == lines.end())
        return out;
    for (++it; it != lines.end() && !it->empty(); ++it)
        out.push_back(*it);
    return out;
}

TEST(InfWriter, OneCommonSectionWhenEveryFileSuitsEveryTarget)
{
    TProject project("Firm");
    project.SetApplicationName("Demo");
    AddProjectFile(project, "C:\\Work\\bin", "app.exe", AllPlatforms, pAll);
    AddProjectFile(project, "C:\\Work\\bin\\", "b.dll", AllPlatforms, pAll);
    EXPECT_EQ(Text(Inf(project)),
              "[Version]\n"
              "Signature = \"$Windows NT$\"\n"
              "Provider = \"Firm\"\n"
              "CESignature = \"$Windows CE$\"\n"
              "\n"
              "[CEStrings]\n"
              "AppName = \"Demo\"\n"
              "InstallDir=%CE1%\\Firm\\My Application\n"
              "\n"
              "[DestinationDirs]\n"
              "Files1=0,%CE1%\\Firm\\My Application\n"
              "\n"
              "[CEDevice]\n"
              "\n"
              "[SourceDisksNames]\n"
              "1=,\"SourceDisk1\",,C:\\Work\\bin\n"
              "\n"
              "[SourceDisksFiles]\n"
              "\"app.exe\" = 1\n"
              "\"b.dll\" = 1\n"
              "\n"
              "[DefaultInstall]\n"
              "CopyFiles = Files1\n"
              "\n"
              "[Files1]\n"
              "\"app.exe\",,,0x40000002\n"
              "\"b.dll\",,,0x40000002\n"
              "\n"
              "\n"
              "\n"
              "\n");
}

TEST(InfWriter, SectionPlanBranches)
{
    struct Case {
        const char* name;
        std::vector<std::pair<TPlatforms, TProcessor>> files;
        std::vector<std::string> devices;
    };
    const Case cases[] = {
        {"all platforms, one processor", {{AllPlatforms, pStrongARM}, {AllPlatforms, pStrongARM}}, {"[CEDevice.2577]"}},
        {"all platforms, no common processor",
         {{AllPlatforms, pStrongARM}, {AllPlatforms, pAll}},
         {"[CEDevice]", "[CEDevice.2577]"}},
        {"one platform, two processors",
         {{TPlatforms{plPPC300}, pStrongARM}, {TPlatforms{plPPC300}, pHitachiSH3}},
         {"[CEDevice.PPC300_10003]", "[CEDevice.PPC300_2577]"}},
        {"mixed: pairs without files get no section",
         {{TPlatforms{plHPC}, pAll}, {TPlatforms{plHPC, plPPC300}, pStrongARM}},
         {"[CEDevice.HPC]", "[CEDevice.HPC_2577]", "[CEDevice.PPC300_2577]"}},
    };
    for (const auto& c : cases) {
        TProject project;
        for (auto [platforms, processor] : c.files)
            AddProjectFile(project, "/src", "f" + std::to_string(project.Files().Count()), platforms, processor);
        TStringList devices;
        for (const auto& line : Inf(project))
            if (line.find("[CEDevice") != std::string::npos)
                devices.push_back(line);
        EXPECT_EQ(devices, c.devices) << c.name;
    }
}

TEST(InfWriter, DeviceSectionsCarryProcessorAndPlatformLines)
{
    TProject project;
    AddProjectFile(project, "/src", "a.exe", TPlatforms{plWM2003}, pStrongARM);
    auto lines = Inf(project);
    EXPECT_EQ(
        Section(lines, "[CEDevice.WM2003_2577]"),
        (TStringList{"ProcessorType = 2577    ;StrongARM", "UnsupportedPlatforms = \"HPC\",\"Jupiter\",\"Palm PC2\"",
                     "VersionMin=4.2", "VersionMax=100.00"}));
    // The pAll files are listed in the processor's section too.
    TProject mixed;
    AddProjectFile(mixed, "/src", "all.txt", AllPlatforms, pAll);
    AddProjectFile(mixed, "/src", "arm.exe", AllPlatforms, pStrongARM);
    auto m = Inf(mixed);
    EXPECT_EQ(Section(m, "[SourceDisksFiles.2577]"), (TStringList{"\"all.txt\" = 1", "\"arm.exe\" = 1"}));
    EXPECT_EQ(Section(m, "[SourceDisksFiles]"), (TStringList{"\"all.txt\" = 1"}));
}

// The Windows Mobile 5.0 and later targets (docs/platforms.md); a file for all
// platforms beside them lands in their sections too, but alone adds none.
TEST(InfWriter, LaterWindowsMobileSections)
{
    const std::string unsupported = "UnsupportedPlatforms = \"HPC\",\"JUPITER\"";
    const std::pair<TPlatform, TStringList> rows[] = {
        {plWM5, {unsupported, "VersionMin=5.0", "VersionMax=6.999"}},
        {plWM6, {unsupported, "VersionMin=5.2", "VersionMax=6.999"}},
        {plWM65, {unsupported, "VersionMin=5.2", "VersionMax=6.999", "BuildMin=21234"}},
    };
    for (const auto& [platform, expected] : rows) {
        TProject project;
        AddProjectFile(project, "/src", "a.exe", TPlatforms{platform}, pAll);
        AddProjectFile(project, "/src", "all.txt", AllPlatforms, pAll);
        auto lines = Inf(project);
        const std::string code = PlatformToCode(platform);
        EXPECT_EQ(Section(lines, "[CEDevice." + code + "]"), expected) << code;
        EXPECT_EQ(Section(lines, "[SourceDisksFiles." + code + "]"), (TStringList{"\"a.exe\" = 1", "\"all.txt\" = 1"}));
    }
    TProject old;
    AddProjectFile(old, "/src", "a.exe", TPlatforms{plPPC2K}, pAll);
    AddProjectFile(old, "/src", "all.txt", AllPlatforms, pAll);
    auto lines = Inf(old);
    EXPECT_FALSE(Has(lines, "[CEDevice.WM5]") || Has(lines, "[CEDevice.WM6]") || Has(lines, "[CEDevice.WM65]"));
    EXPECT_TRUE(Has(lines, "[CEDevice.PPC2K]"));
}

TEST(InfWriter, FoldersAndShortcutsAreNumberedPerSection)
{
    TProject project;
    TFolder* windows = project.Folders().FindWindowsFolder();
    TFile* a = AddProjectFile(project, "/src", "a.exe", TPlatforms{plPPC300}, pStrongARM);
    AddProjectFile(project, "/src", "b.dll", TPlatforms{plPPC300}, pStrongARM, windows);
    AddProjectFile(project, "/src", "c.dll", TPlatforms{plPPC300}, pStrongARM, windows);
    auto sc = std::make_unique<TCEShortCut>();
    sc->SetName("My App");
    sc->SetTarget(a);
    sc->SetFolder(project.Folders().FindStartMenuFolder());
    project.Shortcuts().Add(std::move(sc));
    auto lines = Inf(project);
    EXPECT_EQ(Section(lines, "[DestinationDirs]"),
              (TStringList{"Files1.PPC300_2577=0,%CE1%\\<none>\\My Application", "Files2.PPC300_2577=0,%CE2%",
                           "Shortcuts0.PPC300_2577=0,%CE17%"}));
    EXPECT_EQ(Section(lines, "[Files2.PPC300_2577]"),
              (TStringList{"\"b.dll\",,,0x40000002", "\"c.dll\",,,0x40000002"}));
    EXPECT_EQ(Section(lines, "[Shortcuts0.PPC300_2577]"), (TStringList{"\"My App\",0,a.exe"}));
    EXPECT_EQ(
        Section(lines, "[DefaultInstall.PPC300_2577]"),
        (TStringList{"CopyFiles = Files1.PPC300_2577, Files2.PPC300_2577", "CEShortcuts = Shortcuts0.PPC300_2577"}));
}

TEST(InfWriter, SourceDisksAreSortedButForTheLastNewcomer)
{
    auto disks = [](std::vector<std::string> dirs) {
        TProject project;
        for (size_t i = 0; i < dirs.size(); ++i)
            AddProjectFile(project, dirs[i], "f" + std::to_string(i), AllPlatforms, pAll);
        return Section(Inf(project), "[SourceDisksNames]");
    };
    EXPECT_EQ(disks({"C:\\b", "C:\\a", "C:\\c"}),
              (TStringList{"1=,\"SourceDisk1\",,C:\\a", "2=,\"SourceDisk2\",,C:\\b", "3=,\"SourceDisk3\",,C:\\c"}));
    EXPECT_EQ(disks({"C:\\b", "C:\\c", "C:\\a"}),
              (TStringList{"1=,\"SourceDisk1\",,C:\\b", "2=,\"SourceDisk2\",,C:\\c", "3=,\"SourceDisk3\",,C:\\a"}));
    // Letter case does not make another disk; the first spelling stays.
    EXPECT_EQ(disks({"C:\\Src", "c:\\src"}), (TStringList{"1=,\"SourceDisk1\",,C:\\Src"}));
    // A folder met again after others keeps its place.
    EXPECT_EQ(disks({"C:\\b", "C:\\a", "C:\\b", "C:\\a"}),
              (TStringList{"1=,\"SourceDisk1\",,C:\\a", "2=,\"SourceDisk2\",,C:\\b"}));
}

TEST(InfWriter, CopyFlagsAndSelfRegistration)
{
    TFile file;
    file.SetOptions(TFileOptions{foAllowSkip});
    EXPECT_EQ(CopyFlagsText(file), "0x40000000");
    file.SetOptions(TFileOptions{foShared, foWarnIfSkipped});
    file.SetCopyMode(3);
    EXPECT_EQ(CopyFlagsText(file), "0x80000013");
    file.SetOptions({});
    file.SetCopyMode(2);
    EXPECT_EQ(CopyFlagsText(file), "0x00000402");
    file.SetCopyMode(1);
    EXPECT_EQ(CopyFlagsText(file), "0x20000002");
    // No copy-mode bit: only the options' bits remain.
    file.SetCopyMode(cmAskBeforeReplacingNewer);
    EXPECT_EQ(CopyFlagsText(file), "0x00000002");
    file.SetOptions(TFileOptions{foWarnIfSkipped, foAllowSkip});
    EXPECT_EQ(CopyFlagsText(file), "0x00000001");

    TProject project;
    AddProjectFile(project, "/src", "a.dll", AllPlatforms, pAll)->SetOptions(TFileOptions{foSelfRegister});
    AddProjectFile(project, "/src", "b.exe", AllPlatforms, pAll);
    AddProjectFile(project, "/src", "c.dll", AllPlatforms, pAll)->SetOptions(TFileOptions{foSelfRegister});
    auto lines = Inf(project);
    EXPECT_TRUE(Has(lines, "CESelfRegister=\"a.dll\",\"c.dll\""));
    TProject plain;
    AddProjectFile(plain, "/src", "b.exe", AllPlatforms, pAll);
    for (const auto& l : Inf(plain))
        EXPECT_EQ(l.find("CESelfRegister"), std::string::npos);
}

TEST(InfWriter, SetupDllGetsItsOwnSourceDiskWhenItsFolderIsNew)
{
    TProject project;
    AddProjectFile(project, "C:\\bin", "a.exe", TPlatforms{plPPC300}, pStrongARM);
    AddProjectFile(project, "C:\\bin", "b.exe", TPlatforms{plPPC300}, pHitachiSH3);
    for (const char* name : {"first.dll", "setup.dll"}) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->SetFileName(name);
        dll->SetSourceDir("C:\\Dll\\");
        dll->SetProcessor(pAll);
        dll->SetPlatforms(TPlatforms{plHPC}); // platforms do not narrow the choice
        project.SetupDlls().Add(std::move(dll));
    }
    auto lines = Inf(project);
    for (const char* suffix : {".PPC300_2577]", ".PPC300_10003]"}) {
        std::string s = suffix;
        EXPECT_EQ(Section(lines, "[SourceDisksNames" + s),
                  (TStringList{"1=,\"SourceDisk1\",,C:\\bin", "2=,\"SourceDisk2\",,C:\\Dll"}));
        EXPECT_EQ(Section(lines, "[SourceDisksFiles" + s).back(), "\"setup.dll\" = 2");
        EXPECT_TRUE(Has(Section(lines, "[DefaultInstall" + s), "CESetupDLL = setup.dll"));
    }
    // In a folder the files already use, it shares their disk.
    project.SetupDlls().Item(1)->SetSourceDir("c:\\BIN\\");
    auto shared = Inf(project);
    EXPECT_EQ(Section(shared, "[SourceDisksNames.PPC300_2577]").size(), 1u);
    EXPECT_EQ(Section(shared, "[SourceDisksFiles.PPC300_2577]").back(), "\"setup.dll\" = 1");
}

// Different files of one name in different device folders are listed in the
// rename form under names of their own, found in the staging folder; other
// files keep their plain lines.
TEST(InfWriter, FilesOfOneNameInSeveralFoldersGetStagedSourceNames)
{
    TProject project("Firm");
    project.SetApplicationName("Demo");
    project.SetProjectDir("/work/");
    project.SetProjectFileName("Demo.vip");
    TFolder* de = project.AppFolder()->AddSubFolder(std::make_unique<TFolder>("de"));
    TFolder* fr = project.AppFolder()->AddSubFolder(std::make_unique<TFolder>("fr"));
    TFolder* windowsDe = project.Folders().FindWindowsFolder()->AddSubFolder(std::make_unique<TFolder>("de"));
    AddProjectFile(project, "C:\\src", "app.exe", AllPlatforms, pAll);
    AddProjectFile(project, "C:\\src\\de", "Res.dll", AllPlatforms, pAll, de);
    AddProjectFile(project, "C:\\src", "fr_res.dll", AllPlatforms, pAll); // takes fr's first choice
    AddProjectFile(project, "C:\\src\\fr", "res.dll", AllPlatforms, pAll, fr);
    AddProjectFile(project, "C:\\src\\win", "RES.DLL", AllPlatforms, pAll, windowsDe); // a second "de"
    AddProjectFile(project, "C:\\src\\de", "Res.dll", AllPlatforms, pAll, windowsDe->Parent());
    TDeviceSectionPlan plan = PlanDeviceSections(project);
    TStringList lines;
    WriteInf(project, plan, lines);
    EXPECT_EQ(Text(Section(lines, "[SourceDisksNames]")),
              "1=,\"SourceDisk1\",,C:\\src\n"
              "2=,\"SourceDisk2\",,/work/Demo.staged\n");
    EXPECT_EQ(Text(Section(lines, "[SourceDisksFiles]")),
              "\"app.exe\" = 1\n"
              "\"de_Res.dll\" = 2\n"
              "\"fr_res.dll\" = 1\n"
              "\"fr~2_res.dll\" = 2\n"
              "\"de~2_RES.DLL\" = 2\n"
              "\"Windows_Res.dll\" = 2\n");
    EXPECT_EQ(Text(lines).substr(Text(lines).find("[Files1]")),
              "[Files1]\n\"app.exe\",,,0x40000002\n\"fr_res.dll\",,,0x40000002\n\n"
              "[Files2]\n\"Res.dll\",\"de_Res.dll\",,0x40000002\n\n"
              "[Files3]\n\"res.dll\",\"fr~2_res.dll\",,0x40000002\n\n"
              "[Files4]\n\"RES.DLL\",\"de~2_RES.DLL\",,0x40000002\n\n"
              "[Files5]\n\"Res.dll\",\"Windows_Res.dll\",,0x40000002\n\n\n\n\n");
    std::vector<std::pair<std::string, std::string>> staged;
    for (const TStagedFile& file : plan.FStagedFiles)
        staged.emplace_back(file.FName, file.FFile->SourceDir());
    EXPECT_EQ(staged, (std::vector<std::pair<std::string, std::string>>{{"de_Res.dll", "C:\\src\\de"},
                                                                        {"fr~2_res.dll", "C:\\src\\fr"},
                                                                        {"de~2_RES.DLL", "C:\\src\\win"},
                                                                        {"Windows_Res.dll", "C:\\src\\de"}}));
    // Without such files nothing is staged and no disk names the folder.
    project.Files().Item(4)->SetFileName("other.dll");
    project.Files().Item(3)->SetFileName("another.dll");
    project.Files().Item(5)->SetSourceDir("C:\\src\\de");
    EXPECT_TRUE(PlanDeviceSections(project).FStagedFiles.empty());
    EXPECT_EQ(Section(Inf(project), "[SourceDisksNames]").size(), 4u);
}

TEST(InfWriter, RegistryLines)
{
    TProject project;
    AddProjectFile(project, "/src", "a.exe", TPlatforms{plPPC300}, pStrongARM);
    TRegKey* hkcu = project.RegKeys().Item(1);
    auto dword = std::make_unique<TValue>(vtDWord);
    dword->SetName("Name");
    dword->SetDwordData(31);
    hkcu->Values().Add(std::move(dword));
    TRegKey* key = project.RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "Software", ""));
    key = key->AddSubKey(std::make_unique<TRegKey>(false, "Firm", ""));
    auto add = [key](uint32_t type, const std::string& name) {
        auto v = std::make_unique<TValue>(type);
        v->SetName(name);
        return key->Values().Add(std::move(v));
    };
    add(vtString, "Path")->SetStringData("\\Program Files\\App");
    add(vtString, "Empty");
    TValue* bin = add(vtBinary, "Bin");
    bin->BinaryData() = {0x00, 0x0A, 0xFF};
    bin->SetNoClobber(true);
    add(vtMultiString, "Multi")->Strings() = {"a", "b"};
    add(vtString, "Elsewhere")->SetPlatforms(TPlatforms{plHPC});
    add(vtString, "OtherCpu")->SetProcessor(pHitachiSH3);

    auto lines = Inf(project);
    EXPECT_TRUE(Has(Section(lines, "[DefaultInstall.PPC300_2577]"), "AddReg = AddRegistry.PPC300_2577"));
    EXPECT_EQ(Section(lines, "[AddRegistry.PPC300_2577]"),
              (TStringList{"HKCU,\"\", \"Name\",0x00010001, 0x1F",
                           "HKLM,\"Software\\Firm\", \"Path\",0x00000000, \\Program Files\\App",
                           "HKLM,\"Software\\Firm\", \"Empty\",0x00000000, ",
                           "HKLM,\"Software\\Firm\", \"Bin\",0x00000003, 0, A, FF",
                           "HKLM,\"Software\\Firm\", \"Multi\",0x00010000, a,b,"}));

    // A default value with data is written with an empty name.
    key->Values().Item(0)->SetStringData("dflt");
    EXPECT_TRUE(Has(Inf(project), "HKLM,\"Software\\Firm\", \"\",0x00000000, dflt"));
}

TEST(InfWriter, InstallFolderReplacement)
{
    TProject project("Firm");
    TFolder* bin = project.DefaultFolder()->AddSubFolder(std::make_unique<TFolder>("bin"));
    AddProjectFile(project, "/src", "a.exe", AllPlatforms, pAll);
    AddProjectFile(project, "/src", "b.exe", AllPlatforms, pAll, bin);
    TRegKey* key = project.RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "X", ""));
    auto v = std::make_unique<TValue>(vtString);
    v->SetName("Dir");
    v->SetStringData("%CE1%\\Firm\\My Application");
    key->Values().Add(std::move(v));
    auto lines = Inf(project);
    ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    EXPECT_TRUE(Has(lines, "InstallDir=%CE1%\\Firm\\My Application"));
    EXPECT_TRUE(Has(lines, "Files1=0,%InstallDir%"));
    EXPECT_TRUE(Has(lines, "Files2=0,%InstallDir%\\bin"));
    EXPECT_TRUE(Has(lines, "HKLM,\"X\", \"Dir\",0x00000000, %CE1%\\Firm\\My Application"));

    // Installing at the device root.
    TProject root;
    root.SetDefaultFolder(root.Folders().Root());
    AddProjectFile(root, "/src", "a.exe", AllPlatforms, pAll);
    auto rootLines = Inf(root);
    ReplaceInstallDir(rootLines, root.DefaultFolder()->GetMacroPath());
    EXPECT_TRUE(Has(rootLines, "InstallDir=\\"));
    for (const auto& l : rootLines)
        EXPECT_EQ(l.find("%InstallDir%"), std::string::npos) << l;
}

TEST(InfWriter, InstallFolderIsReplacedOnlyWhereAFieldStartsWithIt)
{
    TProject project("Firm");
    // A sibling whose name starts with the install folder's name.
    TFolder* tools = project.CompanyFolder()->AddSubFolder(std::make_unique<TFolder>("My Application Tools"));
    AddProjectFile(project, "/src", "a.exe", AllPlatforms, pAll);
    AddProjectFile(project, "/src", "t.exe", AllPlatforms, pAll, tools);
    auto lines = Inf(project);
    ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    EXPECT_TRUE(Has(lines, "Files1=0,%InstallDir%")) << Text(lines);
    EXPECT_TRUE(Has(lines, "Files2=0,%CE1%\\Firm\\My Application Tools")) << Text(lines);

    // An install folder at the root beside a folder of that name in a standard folder.
    TProject rooted("Firm");
    TFolder* data = rooted.Folders().Root()->AddSubFolder(std::make_unique<TFolder>("Data"));
    TFolder* programData = rooted.CompanyFolder()->Parent()->AddSubFolder(std::make_unique<TFolder>("Data"));
    rooted.SetDefaultFolder(data);
    AddProjectFile(rooted, "/src", "a.exe", AllPlatforms, pAll);
    AddProjectFile(rooted, "/src", "p.exe", AllPlatforms, pAll, programData);
    auto rootedLines = Inf(rooted);
    ReplaceInstallDir(rootedLines, data->GetMacroPath());
    EXPECT_TRUE(Has(rootedLines, "Files1=0,%InstallDir%")) << Text(rootedLines);
    EXPECT_TRUE(Has(rootedLines, "Files2=0,%CE1%\\Data")) << Text(rootedLines);
}

TEST(InfWriter, TextsAreWrittenSoThatAnInfReaderGetsThemBack)
{
    TProject project("Smith, Jones");
    project.SetApplicationName("Say \"hi\"");
    AddProjectFile(project, "/src/a,b", "100% done.txt", AllPlatforms, pAll);
    TRegKey* key = project.RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "K;1", ""));
    auto add = [&](uint32_t type, const std::string& name, const std::string& data) {
        auto v = std::make_unique<TValue>(type);
        v->SetName(name);
        v->SetStringData(data);
        return key->Values().Add(std::move(v));
    };
    add(vtString, "List", "a;b");
    add(vtString, "Say", "say \"hi\"");
    add(vtString, "Dir", "\\Program Files\\App\\");
    add(vtString, "Plain", "\\Program Files\\App");
    add(vtString, "Share", "50%");
    add(vtMultiString, "Multi", "")->Strings() = {"x,y", "z"};

    auto lines = Inf(project);
    ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    // clang-format off
    for (const char* line : {
             "Provider = \"Smith, Jones\"",
             "AppName = \"Say \"\"hi\"\"\"",
             "InstallDir=\"%CE1%\\Smith, Jones\\My Application\"",
             "Files1=0,\"%InstallDir%\"",
             "1=,\"SourceDisk1\",,\"/src/a,b\"",
             "\"100%% done.txt\" = 1",
             "HKLM,\"K;1\", \"List\",0x00000000, \"a;b\"",
             "HKLM,\"K;1\", \"Say\",0x00000000, \"say \"\"hi\"\"\"",
             "HKLM,\"K;1\", \"Dir\",0x00000000, \"\\Program Files\\App\\\"",
             "HKLM,\"K;1\", \"Plain\",0x00000000, \\Program Files\\App",
             "HKLM,\"K;1\", \"Share\",0x00000000, 50%%",
             "HKLM,\"K;1\", \"Multi\",0x00010000, \"x,y\",z,"})
        // clang-format on
        EXPECT_TRUE(Has(lines, line)) << line << "\n" << Text(lines);
    // A backslash at a line's end would join the next line.
    for (const auto& l : lines)
        EXPECT_TRUE(l.empty() || l.back() != '\\' || l == "InstallDir=\\") << l;
}

TEST(InfWriter, ControlCharactersAreRefusedNamingTheObject)
{
    auto errorOf = [](TProject& project) {
        try {
            TStringList lines;
            WriteInf(project, lines);
            return std::string();
        } catch (const Exception& e) {
            return e.Message();
        }
    };
    {
        TProject project;
        TFolder* f = project.DefaultFolder()->AddSubFolder(std::make_unique<TFolder>("two\nlines"));
        AddProjectFile(project, "/src", "a.exe", AllPlatforms, pAll, f);
        EXPECT_EQ(errorOf(project), "The device folder \"" + f->GetPath() +
                                        "\" contains a line break, which the .inf file cannot carry. Please change "
                                        "it and build again.");
    }
    {
        TProject project;
        AddProjectFile(project, "/src", "a.exe", AllPlatforms, pAll);
        TRegKey* key = project.RegKeys().Item(2)->AddSubKey(std::make_unique<TRegKey>(false, "K", ""));
        auto v = std::make_unique<TValue>(vtString);
        v->SetName("List");
        v->SetStringData("a\tb");
        key->Values().Add(std::move(v));
        EXPECT_EQ(errorOf(project),
                  "The registry value \"List\" of the key \"HKLM\\K\" contains a control character, "
                  "which the .inf file cannot carry. Please change it and build again.");
    }
}

}
