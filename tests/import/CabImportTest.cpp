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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

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
                          "/err.txt' /cpu " + label;
    ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << ReadFile(AppendPath(dir, dest + "/err.txt"));
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

    TStringList lines;
    WriteInf(*import.FResult.FProject, lines);
    ReplaceInstallDir(lines, import.FResult.FProject->DefaultFolder()->GetMacroPath());
    std::string inf;
    for (const auto& line : lines)
        inf += line + "\r\n";
    FDir->Write("imported/Demo.inf", inf);
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

} // namespace
