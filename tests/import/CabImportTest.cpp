#include "import/CabImport.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "formats/CabReader.h"
#include "model/Files.h"
#include "model/Project.h"
#include "package/InfWriter.h"
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

// What a CAB installs, as text: the device's view, whatever the member
// names and table IDs.
std::string Installed(const std::string& path)
{
    TCabReader cab(path);
    const TSetupContents& c = cab.Setup();
    const TSetupDescription& s = c.FSetup;
    std::ostringstream text;
    text << s.FAppName << "|" << s.FProvider << "|" << s.FProcessor << "|" << s.FVersionMinMajor << "."
         << s.FVersionMinMinor << "-" << s.FVersionMaxMajor << "." << s.FVersionMaxMinor << "|" << s.FBuildMin << "-"
         << s.FBuildMax << "\n";
    for (const std::string& name : s.FUnsupported)
        text << "unsupported " << name << "\n";
    for (const TCabFile& file : cab.Files()) {
        std::vector<uint8_t> data = cab.ExtractToMemory(*file.FMember, 1 << 20);
        text << "file " << c.DirectoryPath(file.FFile->FDirectoryId) << "\\" << file.FFile->FName << " "
             << file.FFile->FFlags << " " << std::string(data.begin(), data.end()) << "\n";
    }
    for (const TSetupValue& v : s.FValues) {
        const TSetupHive* hive = c.Hive(v.FHiveId);
        text << "value " << hive->FRoot;
        for (const std::string& part : hive->FPath)
            text << "\\" << part;
        text << " " << v.FName << " " << v.FFlags << " " << std::string(v.FData.begin(), v.FData.end()) << "\n";
    }
    for (const TSetupLink& link : s.FLinks)
        text << "shortcut " << c.LinkFolder(link) << " " << link.FPath.back() << " -> " << c.LinkTarget(link) << "\n";
    if (const TCabMember* dll = cab.SetupDll()) {
        std::vector<uint8_t> data = cab.ExtractToMemory(*dll, 1 << 20);
        text << "setup DLL " << std::string(data.begin(), data.end()) << "\n";
    }
    return text.str();
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

} // namespace
