#include "import/CabImport.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/CabReader.h"
#include "model/Files.h"
#include "model/Project.h"
#include "package/InfWriter.h"
#include "support/CabInstalled.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Our CAB tool on an .inf in `dir`, for one label, into dir/dest.
void RunCabTool(const std::string& dir, const std::string& inf, const std::string& dest, const std::string& label)
{
    const char* programDir = std::getenv("VI_PROGRAM_DIR");
    std::string tool = AppendPath(AppendPath(programDir ? programDir : ".", "Tools"), "CABWIZ.exe");
    std::filesystem::create_directories(AppendPath(dir, dest));
    std::string command = "cd '" + dir + "' && '" + tool + "' '" + inf + "' /dest '" + dest + "' /err '" + dest +
                          "/err.txt'" + (label.empty() ? "" : " /cpu " + label);
    ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << ReadFile(AppendPath(dir, dest + "/err.txt"));
}

// The .inf that --inf prints for the project, written to path.
void WriteProjectInf(const TProject& project, const std::string& path)
{
    TStringList lines;
    WriteInf(project, lines);
    ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    std::string inf;
    for (const auto& line : lines)
        inf += line + "\r\n";
    std::ofstream(path, std::ios::binary) << inf;
}

// What a CAB installs, as text.
std::string Installed(const std::string& path)
{
    TInstalled installed = ReadInstalled(path);
    return installed.FDevice + "\n" + installed.FThings;
}

// The example's .inf with a setup DLL added to both device sections, built
// by our CAB tool for its two processors.
class CabImportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FDir = new TempDir;
        std::filesystem::create_directory_symlink(VI_EXAMPLE_DIR "/Payload", FDir->File("Payload"));
        std::string inf = ReadFile(VI_DEMO_INF);
        for (const char* label : Labels) {
            std::string head = std::string("[DefaultInstall.") + label + "]\r\n";
            inf.insert(inf.find(head) + head.size(), "CESetupDLL = \"sample.vwd\"\r\n");
        }
        FDir->Write("Demo.inf", inf);
        for (const char* label : Labels)
            RunCabTool(FDir->Path(), "Demo.inf", "made", label);
    }
    static void TearDownTestSuite() { delete FDir; }
    static std::string Cab(const std::string& dest, const char* label)
    {
        return FDir->File(dest + "/Demo." + label + ".CAB");
    }

    static constexpr const char* Labels[] = {"PPC300_2577", "PPC300_10003"};
    static TempDir* FDir;
};
TempDir* CabImportTest::FDir = nullptr;

TEST_F(CabImportTest, TwoProcessorsCabsBecomeOneProjectThatBuildsTheSameCabs)
{
    const std::string project = FDir->File("imported/Demo.vip");
    TCabImport import = ImportCabs({Cab("made", Labels[0]), Cab("made", Labels[1])}, project);
    EXPECT_TRUE(import.FResult.FReport.Clean()) << import.FResult.FReport.Text();
    WriteCabImportFiles(import);

    // The program differs by processor, so each has its own; the other
    // files and the setup DLL are the same in both CABs and come once.
    const TFiles& files = import.FResult.FProject->Files();
    std::multiset<std::string> made;
    for (int i = 0; i < files.Count(); ++i)
        made.insert(files.Item(i)->FileName() + " " + std::to_string(files.Item(i)->Processor()));
    EXPECT_EQ(made, (std::multiset<std::string>{
                        "viewer.exe " + std::to_string(pStrongARM), "viewer.exe " + std::to_string(pHitachiSH3),
                        "readme.txt " + std::to_string(pAll), "sample.vwd " + std::to_string(pAll)}));
    EXPECT_EQ(import.FResult.FProject->SetupDlls().Count(), 1);
    EXPECT_EQ(ReadFile(FDir->File("imported/Demo files/StrongARM/viewer.exe")),
              ReadFile(VI_EXAMPLE_DIR "/Payload/ARM/viewer.exe"));

    WriteProjectInf(*import.FResult.FProject, FDir->File("imported/Demo.inf"));
    for (const char* label : Labels) {
        SCOPED_TRACE(label);
        RunCabTool(FDir->File("imported"), "Demo.inf", "rebuilt", label);
        EXPECT_EQ(Installed(FDir->File(std::string("imported/rebuilt/Demo.") + label + ".CAB")),
                  Installed(Cab("made", label)));
    }
}

TEST_F(CabImportTest, ADamagedCabIsRefusedBeforeAnythingIsWritten)
{
    const std::string whole = ReadFile(Cab("made", Labels[0]));
    FDir->Write("damaged.CAB", whole.substr(0, whole.size() / 2));
    const std::string project = FDir->File("refused/Demo.vip");
    try {
        ImportCabs({Cab("made", Labels[1]), FDir->File("damaged.CAB")}, project);
        ADD_FAILURE() << "a damaged CAB was imported";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("damaged.CAB"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(std::filesystem::exists(FDir->File("refused")));
}

// One CAB that installs two different files of one name into two folders
// (the .inf stages them under names of their own): both become files of
// the project, each written under its name into a folder of its own.
TEST_F(CabImportTest, TwoFilesOfOneNameInOneCabBothBecomeFiles)
{
    TempDir dir;
    ForceDirectories(dir.File("src"));
    dir.Write("src/de_Texts.dll", "Deutsch");
    dir.Write("src/en_Texts.dll", "English");
    dir.Write("Texts.inf",
              "[Version]\nSignature=\"$Windows NT$\"\nProvider=\"Firm\"\nCESignature=\"$Windows CE$\"\n"
              "[CEStrings]\nAppName=\"Texts\"\nInstallDir=%CE1%\\Texts\n"
              "[CEDevice.ARM]\nProcessorType=2577\n[SourceDisksNames]\n1=,\"Disk1\",,src\n"
              "[SourceDisksFiles]\n\"de_Texts.dll\"=1\n\"en_Texts.dll\"=1\n"
              "[DestinationDirs]\nDe=0,%InstallDir%\\de\nEn=0,%InstallDir%\\en\n"
              "[DefaultInstall]\nCopyFiles=De,En\n"
              "[De]\n\"Texts.dll\",\"de_Texts.dll\",,0\n[En]\n\"Texts.dll\",\"en_Texts.dll\",,0\n");
    RunCabTool(dir.Path(), "Texts.inf", "made", "ARM");
    TCabImport import = ImportCabs({dir.File("made/Texts.ARM.CAB")}, dir.File("imported/Texts.vip"));
    EXPECT_TRUE(import.FResult.FReport.Clean()) << import.FResult.FReport.Text();
    EXPECT_NE(import.FResult.FReport.Text().find("(Texts.dll): another file of this name in the CAB; the project "
                                                 "holds it in \"Texts files\""),
              std::string::npos)
        << import.FResult.FReport.Text();
    WriteCabImportFiles(import);

    std::multiset<std::string> files;
    for (const TFile* file : import.FResult.FProject->Files().ToList()) {
        const std::string source = NormalizeHostPath(file->GetSourceDir());
        const std::string folder = source.front() == '/' ? source : AppendPath(dir.File("imported"), source);
        files.insert(file->GetDevicePath() + " <- " + ReadFile(AppendPath(folder, file->FileName())));
    }
    EXPECT_EQ(files, (std::multiset<std::string>{"\\Program Files\\Texts\\de\\Texts.dll <- Deutsch",
                                                 "\\Program Files\\Texts\\en\\Texts.dll <- English"}));
    // Nothing but the project's sources is written.
    size_t written = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.File("imported/Texts files")))
        written += entry.is_regular_file();
    EXPECT_EQ(written, 2u);
}

// The .inf inputs of the CAB tool's tests: the CABs built from each and
// the CABs built from its imported project install the same things. "@"
// stands for the folder of the sources.
struct TRoundTripCase {
    const char* Name;
    std::string Inf;
    std::vector<std::string> Labels; // the CAB tool's /cpu labels; none: the plain sections
    // Why the project cannot hold the input, as the import report says it;
    // nullptr: it round-trips.
    const char* NotMapped = nullptr;
    bool Utf16 = false; // saved in UTF-16 with its mark, else in Windows-1252
};

// Windows-1252 text of Latin-1 characters in UTF-16 with its mark.
std::string Utf16(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char c : text)
        bytes += {c, '\0'};
    return bytes;
}

const std::string Head =
    "[Version]\nSignature=\"$Windows NT$\"\nProvider=\"Firm\"\nCESignature=\"$Windows CE$\"\n"
    "[CEStrings]\nAppName=\"App\"\n";

// The builder's .inf for two processors: two folders, shortcuts, values of
// every type, a setup DLL and self-registration.
std::string BuilderInf()
{
    std::string inf = Head + "InstallDir=%CE1%\\Firm\\Demo\n[DestinationDirs]\n";
    for (const char* x : {"PPC300_2577", "PPC300_10003"})
        inf +=
            std::string("Files1.") + x + "=0,%InstallDir%\nFiles2." + x + "=0,%CE2%\nShortcuts0." + x + "=0,%CE11%\n";
    for (auto [x, processor, lib] :
         {std::tuple{"PPC300_2577", "2577", "armlib.dll"}, std::tuple{"PPC300_10003", "10003", "sh3lib.dll"}}) {
        const std::string l = x;
        inf += "[CEDevice." + l + "]\nProcessorType = " + processor +
               "\nUnsupportedPlatforms = \"HPC\",\"Jupiter\"\nVersionMin=3.00\nVersionMax=100.00\n"
               "[SourceDisksNames." +
               l + "]\n1=,\"SourceDisk1\",,@\n[SourceDisksFiles." + l + "]\n\"app.exe\" = 1\n\"Read Me.txt\" = 1\n\"" +
               lib +
               "\" = 1\n\"setup.dll\" = 1\n"
               "[DefaultInstall." +
               l + "]\nCopyFiles = Files1." + l + ", Files2." + l + "\nCEShortcuts = Shortcuts0." + l +
               "\nCESetupDLL = setup.dll\nAddReg = AddRegistry." + l + "\nCESelfRegister=\"" + lib +
               "\"\n"
               "[Files1." +
               l + "]\n\"app.exe\",,,0x40000000\n\"Read Me.txt\",,,0x20000002\n[Files2." + l + "]\n\"" + lib +
               "\",,,0x80000013\n[Shortcuts0." + l + "]\n\"Demo App\",0,app.exe\n[AddRegistry." + l +
               "]\n"
               "HKLM,\"Software\\Firm\\Demo\", \"Path\",0x00000000, %InstallDir%\\app.exe\n"
               "HKLM,\"Software\\Firm\\Demo\", \"Key\",0x00000003, 0A, 1B, FF\n"
               "HKCU,\"Software\\Firm\\Demo\", \"Names\",0x00010000, one,two,\n"
               "HKCU,\"\", \"Count\",0x00010003, 0x1F\n";
    }
    return inf;
}

std::vector<TRoundTripCase> RoundTripCases()
{
    const std::string disk = "[SourceDisksNames]\n1=,\"SourceDisk1\",,@\n[SourceDisksFiles]\n";
    return {
        {"the builder's .inf", BuilderInf(), {"PPC300_2577", "PPC300_10003"}},
        {"plain sections only",
         Head + "InstallDir=\\\n[DestinationDirs]\nFiles1=0,%InstallDir%\n[CEDevice]\n" + disk +
             "\"app.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files1\n[Files1]\n\"app.exe\",,,0x40000000\n",
         {}},
        {"hand-written in UTF-16",
         Head + "InstallDir=%CE1%\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\n" + disk +
             "\"Caf\xE9.txt\" = 1\n[DefaultInstall]\nCopyFiles = Files1\n[Files1]\n\"Caf\xE9.txt\",,,0x40000000\n",
         {},
         nullptr,
         true},
        {"no Provider",
         "[Version]\nSignature=\"$Windows NT$\"\nCESignature=\"$Windows CE$\"\n[CEStrings]\nAppName=\"App\"\n"
         "InstallDir=%CE1%\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\n" +
             disk + "\"help.txt\" = 1\n[DefaultInstall]\nCopyFiles = Files1\n[Files1]\n\"help.txt\",,,0x40000000\n",
         {}},
        {"labelled sections over plain ones",
         Head + "InstallDir=%CE1%\\Firm\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\nFiles2=0,%CE2%\n"
                "[CEDevice]\nUnsupportedPlatforms = \"HPC\"\nVersionMin=2.00\n[CEDevice.PPC300_2577]\n"
                "ProcessorType = 2577\nUnsupportedPlatforms = \"Jupiter\",\"Palm PC2\"\nVersionMin=4.2\n"
                "VersionMax=100.00\n[SourceDisksNames]\n1=,\"SourceDisk1\",,/nowhere\n"
                "[SourceDisksNames.PPC300_2577]\n1=,\"SourceDisk1\",,@\n[SourceDisksFiles]\n\"app.exe\" = 1\n"
                "[SourceDisksFiles.PPC300_2577]\n\"help.txt\" = 1\n[DefaultInstall]\nCopyFiles = Files1\n"
                "CESelfRegister=\"app.exe\"\n[DefaultInstall.PPC300_2577]\nCopyFiles = Files1, Files2\n"
                "[Files1]\n\"app.exe\",,,0x40000000\n[Files2]\n\"help.txt\",,,0x80000013\n",
         {"PPC300_2577"}},
        {"a label without sections of its own",
         Head + "InstallDir=\\\n[DestinationDirs]\nFiles1=0,%InstallDir%\n[CEDevice]\n" + disk +
             "\"app.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files1\n[Files1]\n\"app.exe\",,,0x40000000\n",
         {"HPC2000"}},
        {"registry values of every type",
         Head + "InstallDir=%CE1%\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\n" + disk +
             "\"app.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files1\nAddReg = Reg\n[Files1]\n\"app.exe\",,,0\n[Reg]\n"
             "HKLM,\"Software\\Firm\\App\", \"Path\",0x00000000, %InstallDir%\\app.exe\n"
             "HKLM,\"Software\\Firm\\App\", \"Text\",0x00000002, one, two\n"
             "HKCU,\"Software\\Firm\", \"Bytes\",0x00000001, 0A, ff, 00\n"
             "HKCR,\"\", \"Count\",0x00010001, 0x1F\n"
             "HKLM,\"Software\\Firm\\App\", \"List\",0x00010000, a,b c,%CE2%,\n"
             "HKLM,\"Software\\Firm\\App\", \"Empty\",0x00000000, \n",
         {}},
        {"shortcuts to files and folders",
         Head +
             "InstallDir=%CE1%\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\nFiles2=0,%CE2%\\Data\n"
             "Shortcuts0=0,%CE11%\nShortcuts1=0,%InstallDir%\\Links\n" +
             disk +
             "\"app.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files1\nCEShortcuts = Shortcuts0, Shortcuts1\n"
             "[Files1]\n\"app.exe\",,,0x40000000\n[Shortcuts0]\n\"My App\",0,app.exe\n\"Data.lnk\",1,Files2\n"
             "[Shortcuts1]\n\"Home\",1,%InstallDir%\n\"Games\",0,APP.EXE,%CE14%\\Sub\n",
         {},
         "starts a folder; the project's shortcuts start files"},
        {"Eliminator's shape",
         Head +
             "InstallDir=%CE1%\\Eliminator\n[DestinationDirs]\nShortcuts.All = 0,%CE11%\n"
             "Files.ARM = 0,%InstallDir%\nDefaultDestDir = 0,%InstallDir%\n" +
             disk +
             "\"Eliminator.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files.ARM\nCEShortcuts = Shortcuts.All\n"
             "[Files.ARM]\n\"Eliminator.exe\",,,0\n[Shortcuts.All]\nEliminator,0,Eliminator.exe\n",
         {}},
        {"KGArcade's shape",
         Head +
             "InstallDir=%CE1%\\KGArcade\n[DestinationDirs]\nCopyFiles1 = 0,\"%InstallDir%\"\n"
             "CEShortcuts1 = 0,\"%CE14%\"\n" +
             disk +
             "\"KGArcade.exe\" = 1\n\"Games.dat\" = 1\n[DefaultInstall]\nCopyFiles = CopyFiles1\n"
             "CEShortcuts = CEShortcuts1\n[CopyFiles1]\n\"KGArcade.exe\",,,0\n\"Games.dat\",,,0\n"
             "[CEShortcuts1]\nKGArcade,0,KGArcade.exe\n",
         {}},
        {"DefaultDestDir and two lines for one folder",
         Head +
             "InstallDir=%CE1%\\App\n[DestinationDirs]\nDefaultDestDir = 0,%CE2%\nUnused = 0,%CE3%\n"
             "Main = 0,%InstallDir%\nAgain = 0,%InstallDir%\n" +
             disk +
             "\"app.exe\" = 1\n\"help.txt\" = 1\n[DefaultInstall]\nCopyFiles = Again, Main, Loose\n"
             "[Again]\n\"help.txt\",,,0\n[Main]\n\"app.exe\",,,0\n[Loose]\n\"setup.dll\",app.exe,,0\n",
         {}},
        {"every field quoted",
         Head + "InstallDir=\"%CE1%\\App\"\n[DestinationDirs]\n\"Files1\"=0,\"%InstallDir%\"\n"
                "[SourceDisksNames]\n1=,\"SourceDisk1\",,\"@\"\n[SourceDisksFiles]\n\"app.exe\" = 1\n"
                "[DefaultInstall]\nCopyFiles = \"Files1\"\nAddReg = \"Reg\"\n"
                "[Files1]\n\"app.exe\",\"app.exe\",,\"0x40000000\"\n"
                "[Reg]\n\"HKLM\",\"Software\\Firm\",\"Count\",\"0x00010001\",\"31\"\n",
         {}},
        {"folders without a macro",
         Head +
             "InstallDir=\\Program Files\\XCSoar\n[DestinationDirs]\nFiles.Main = 0,\\Program Files\\XCSoar\n"
             "Files.Win = 0,\\Windows\n" +
             disk +
             "\"app.exe\" = 1\n[DefaultInstall]\nCopyFiles = Files.Main, Files.Win\n"
             "[Files.Main]\n\"app.exe\",,,0\n[Files.Win]\n\"app.exe\",,,0\n",
         {}},
        {"a setup DLL",
         Head + "InstallDir=%CE1%\\App\n[DestinationDirs]\nFiles1=0,%InstallDir%\n"
                "[SourceDisksNames.2577]\n1=,\"SourceDisk1\",,@\n"
                "[SourceDisksFiles.2577]\n\"app.exe\" = 1\n\"setup.dll\" = 1\n"
                "[DefaultInstall.2577]\nCopyFiles = Files1\nCESetupDLL = setup.dll\n"
                "[Files1]\n\"app.exe\",,,0x40000000\n",
         {"2577"}},
    };
}

// The CABs an .inf gives, per label ("" for the plain sections), into dir/dest.
std::vector<TInstalled> BuildCabs(const std::string& dir, const std::vector<std::string>& labels)
{
    std::vector<TInstalled> cabs;
    for (const std::string& label : labels.empty() ? std::vector<std::string>{""} : labels) {
        RunCabTool(dir, "App.inf", "cabs", label);
        cabs.push_back(ReadInstalled(AppendPath(dir, "cabs/App" + (label.empty() ? "" : "." + label) + ".CAB")));
    }
    return cabs;
}

// The labels of an .inf's device sections.
std::vector<std::string> DeviceLabels(const std::string& inf)
{
    std::vector<std::string> labels;
    for (size_t at = 0; (at = inf.find("[CEDevice.", at)) != std::string::npos; at += 10)
        labels.push_back(inf.substr(at + 10, inf.find(']', at) - at - 10));
    return labels;
}

TEST(CabRoundTrip, TheCabToolsInputsAndTheirImportedProjectsInstallTheSame)
{
    for (const TRoundTripCase& c : RoundTripCases()) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        ForceDirectories(dir.File("src"));
        for (const char* name : {"app.exe", "help.txt", "setup.dll", "Read Me.txt", "armlib.dll", "sh3lib.dll",
                                 "Eliminator.exe", "KGArcade.exe", "Games.dat", "Caf\xC3\xA9.txt"})
            dir.Write(std::string("src/") + name, std::string("content of ") + name);
        std::string inf = c.Inf;
        for (size_t at; (at = inf.find('@')) != std::string::npos;)
            inf.replace(at, 1, ExcludeTrailingPathDelimiter(dir.File("src")));
        ForceDirectories(dir.File("made"));
        dir.Write("made/App.inf", c.Utf16 ? Utf16(inf) : inf);
        const std::vector<TInstalled> made = BuildCabs(dir.File("made"), c.Labels);

        // The import refuses a label that no section carries, where the
        // CAB tool takes the plain sections for it.
        std::vector<std::string> labels;
        for (const std::string& label : DeviceLabels(inf))
            if (std::find(c.Labels.begin(), c.Labels.end(), label) != c.Labels.end())
                labels.push_back(label);
        TImportResult result = ImportInfFile(dir.File("made/App.inf"), {labels, dir.File("imported/App.vip")});
        if (c.NotMapped) {
            EXPECT_NE(result.FReport.Text().find(c.NotMapped), std::string::npos) << result.FReport.Text();
            continue;
        }
        EXPECT_TRUE(result.FReport.Clean()) << result.FReport.Text();
        MakeImportCopies(result.FCopies);
        ForceDirectories(dir.File("imported"));
        WriteProjectInf(*result.FProject, dir.File("imported/App.inf"));
        const std::vector<TInstalled> rebuilt =
            BuildCabs(dir.File("imported"), DeviceLabels(ReadFile(dir.File("imported/App.inf"))));
        // Every CAB made again installs what the CAB of its processor did
        // (a CAB for any processor stands for all).
        std::set<size_t> matched;
        for (const TInstalled& cab : rebuilt) {
            SCOPED_TRACE(cab.FDevice);
            auto same = std::find_if(made.begin(), made.end(), [&](const TInstalled& m) {
                return m.FProcessor == cab.FProcessor || m.FProcessor == 0;
            });
            ASSERT_NE(same, made.end());
            matched.insert(size_t(same - made.begin()));
            EXPECT_EQ(cab.FThings, same->FThings) << same->FDevice;
        }
        EXPECT_EQ(matched.size(), made.size());
    }
}

} // namespace
