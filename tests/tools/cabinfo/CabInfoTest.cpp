#include "tools/cabinfo/CabInfo.h"

#include "common/Paths.h"
#include "formats/CabReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The example's .inf (as the builder writes it) through the CAB tool, for
// the StrongARM Pocket PC: stored, and MSZIP with /compress.
class OurCabsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FDir = new TempDir;
        std::filesystem::create_directory_symlink(VI_EXAMPLE_DIR "/Payload", FDir->File("Payload"));
        FDir->Write("Demo.inf", ReadFile(VI_DEMO_INF));
        const char* programDir = std::getenv("VI_PROGRAM_DIR");
        std::string tool = AppendPath(AppendPath(programDir ? programDir : ".", "Tools"), "CABWIZ.exe");
        for (const char* dest : {"stored", "mszip"}) {
            std::filesystem::create_directory(FDir->File(dest));
            std::string command = "cd '" + FDir->Path() + "' && '" + tool + "' Demo.inf /dest " + dest + " /err " +
                                  dest + ".txt" + (dest[0] == 'm' ? " /compress" : "") + " /cpu PPC300_2577";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
    static void TearDownTestSuite() { delete FDir; }
    static std::string Cab(const char* kind) { return FDir->File(std::string(kind) + "/Demo.PPC300_2577.CAB"); }

    static TempDir* FDir;
};
TempDir* OurCabsTest::FDir = nullptr;

TEST_F(OurCabsTest, ReaderGivesBackWhatTheInfSays)
{
    const std::string payload = VI_EXAMPLE_DIR "/Payload/";
    for (const char* kind : {"stored", "mszip"}) {
        SCOPED_TRACE(kind);
        TCabReader cab(Cab(kind));
        const TSetupContents& c = cab.Setup();
        EXPECT_EQ(c.FSetup.FAppName, "Demo Viewer");
        EXPECT_EQ(c.FSetup.FProvider, "Example Software");
        EXPECT_EQ(c.FSetup.FProcessor, 2577u);
        EXPECT_EQ(c.FSetup.FUnsupported, (std::vector<std::string>{"HPC", "JUPITER"}));
        std::vector<TCabFile> files = cab.Files();
        const std::pair<const char*, const char*> expected[] = {
            {"viewer.exe", "ARM/viewer.exe"}, {"readme.txt", "Common/readme.txt"}, {"sample.vwd", "Common/sample.vwd"}};
        ASSERT_EQ(files.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(files[i].FFile->FName, expected[i].first);
            EXPECT_EQ(c.DirectoryPath(files[i].FFile->FDirectoryId), "%CE1%\\Example Software\\Demo Viewer");
            EXPECT_EQ(files[i].FFile->FFlags, 0x40000002u);
            EXPECT_EQ(files[i].FMember->FCompression, kind[0] == 'm' ? 1 : 0);
            std::vector<uint8_t> data = cab.ExtractToMemory(*files[i].FMember, 1 << 20);
            EXPECT_EQ(std::string(data.begin(), data.end()), ReadFile(payload + expected[i].second));
        }
        ASSERT_EQ(c.FSetup.FValues.size(), 2u);
        EXPECT_EQ(c.FSetup.FValues[1].FName, "Zoom");
        EXPECT_EQ(c.FSetup.FValues[1].FData, (std::vector<uint8_t>{0x64, 0, 0, 0}));
        EXPECT_EQ(c.Hive(c.FSetup.FValues[1].FHiveId)->FPath,
                  (std::vector<std::string>{"Software", "Example Software", "Demo Viewer"}));
        ASSERT_EQ(c.FSetup.FLinks.size(), 1u);
        EXPECT_EQ(c.LinkFolder(c.FSetup.FLinks[0]), "%CE17%");
        EXPECT_EQ(c.LinkTarget(c.FSetup.FLinks[0]), "%CE1%\\Example Software\\Demo Viewer\\viewer.exe");
        EXPECT_EQ(cab.SetupDll(), nullptr);
        EXPECT_TRUE(cab.OtherMembers().empty());
    }
}

struct TRun {
    std::vector<std::string> Args;
    int Status;
    std::vector<std::string> Out, Err;
};

TEST_F(OurCabsTest, CabInfoListsAndExits)
{
    std::string cab = Cab("mszip"), broken = FDir->File("Broken.CAB");
    std::string bytes = ReadFile(cab);
    FDir->Write("Broken.CAB", bytes.substr(0, bytes.size() - 100));
    std::string viewerSize = std::to_string(std::filesystem::file_size(VI_EXAMPLE_DIR "/Payload/ARM/viewer.exe"));
    const TRun runs[] = {
        {{cab},
         0,
         {"Demo.PPC300_2577.CAB\n  Application: Demo Viewer\n  Provider: Example Software\n"
          "  Processor: StrongARM (2577)\n  Versions: 3.0 to 100.0\n",
          "  Unsupported platforms: HPC, JUPITER\n  Files (3):\n"
          "    \\Program Files\\Example Software\\Demo Viewer\\viewer.exe  " +
              viewerSize + " bytes  0x40000002 Always copy file\n",
          "    HKLM\\Software\\Example Software\\Demo Viewer  Zoom  REG_DWORD  64\n",
          "    \\Windows\\Start Menu\\Demo Viewer.lnk -> \\Program Files\\Example Software\\Demo Viewer\\viewer.exe\n"
          "  Setup DLL: none\n"},
         {}},
        {{"--members", cab}, 0, {"  00viewer.001  " + viewerSize + "  MSZIP\n"}, {}},
        {{broken, cab}, 1, {"Application: Demo Viewer"}, {"veltrin-cabinfo: Broken.CAB is cut short"}},
        {{FDir->File("none.cab")}, 1, {}, {"veltrin-cabinfo: none.cab cannot be opened (No such file"}},
        {{"--bogus", cab}, 2, {}, {"veltrin-cabinfo: unknown option --bogus\n"}},
        {{"--json"}, 2, {}, {"veltrin-cabinfo: no CAB file given\n"}},
    };
    for (const TRun& run : runs) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCabInfo(run.Args, out, err), run.Status) << run.Args[0] << ": " << err.str();
        for (const std::string& text : run.Out)
            EXPECT_NE(out.str().find(text), std::string::npos) << text << "\nin\n" << out.str();
        for (const std::string& text : run.Err)
            EXPECT_NE(err.str().find(text), std::string::npos) << text << "\nin\n" << err.str();
        if (run.Out.empty()) {
            EXPECT_EQ(out.str(), "");
        }
    }
}

TEST_F(OurCabsTest, JsonCarriesTheDocumentedFields)
{
    std::ostringstream out, err;
    ASSERT_EQ(RunCabInfo({"--json", Cab("stored"), Cab("mszip")}, out, err), 0) << err.str();
    nlohmann::json j = nlohmann::json::parse(out.str());
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[1], j[0]);
    const nlohmann::json& cab = j[0];
    EXPECT_EQ(cab["appName"], "Demo Viewer");
    EXPECT_EQ(cab["processorName"], "StrongARM");
    EXPECT_EQ(cab["buildMax"], 0);
    EXPECT_EQ(cab["files"][2]["path"], "\\Program Files\\Example Software\\Demo Viewer\\sample.vwd");
    EXPECT_EQ(cab["files"][2]["flagNames"], nlohmann::json::array({"Always copy file"}));
    EXPECT_EQ(cab["registry"][0]["type"], "REG_SZ");
    EXPECT_EQ(cab["registry"][0]["data"], "\\Program Files\\Example Software\\Demo Viewer\\sample.vwd");
    EXPECT_EQ(cab["registry"][1]["keepExisting"], false);
    EXPECT_EQ(cab["shortcuts"][0]["folder"], "\\Windows\\Start Menu");
    EXPECT_EQ(cab["shortcuts"][0]["name"], "Demo Viewer.lnk");
    EXPECT_TRUE(cab["setupDll"].is_null());
    EXPECT_EQ(cab["signed"], false);
    EXPECT_TRUE(cab["signer"].is_null());
}

// Signed with osslsigncode, a CAB names its signer in both outputs; a
// reserve that names no block inside the file is no signature.
TEST_F(OurCabsTest, CabInfoSaysWhoSignedACab)
{
    const std::string p12 = MakeTestCertificate(*FDir, "publisher", "pw");
    FDir->Write("pass.txt", "pw");
    const std::string cab = FDir->File("Signed.CAB");
    const std::string command = "osslsigncode sign -pkcs12 '" + p12 + "' -readpass '" + FDir->File("pass.txt") +
                                "' -h sha1 -in '" + Cab("mszip") + "' -out '" + cab + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string bytes = ReadFile(cab);
    bytes[47] = '\x7F'; // the block's offset, now past the end of the file
    FDir->Write("Misplaced.CAB", bytes);

    std::ostringstream out, err;
    ASSERT_EQ(RunCabInfo({cab, FDir->File("Misplaced.CAB"), Cab("mszip")}, out, err), 0) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("Setup DLL: none\n  Signed by: CN=Veltrin Test Publisher\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Signed by:"), text.rfind("Signed by:")) << text;
    EXPECT_NE(text.find("Signature: none\n"), std::string::npos) << text;
    out.str("");
    ASSERT_EQ(RunCabInfo({"--json", cab}, out, err), 0) << err.str();
    const nlohmann::json j = nlohmann::json::parse(out.str());
    EXPECT_EQ(j[0]["signed"], true);
    EXPECT_EQ(j[0]["signer"], "CN=Veltrin Test Publisher");
}

TEST(CabInfoNamesTest, FlagsAndFolders)
{
    using TNames = std::vector<std::string>;
    const std::pair<uint32_t, TNames> flags[] = {
        {0x40000002, {"Always copy file"}},
        {0x20000001,
         {"Always update older file", "Warn user if file is not copied", "Allow user to skip a file on error"}},
        {0x00000412, {"Copy only if file exists", "Copy only if file does not exist"}},
        {0x00000001,
         {"Ask before replacing a newer file", "Warn user if file is not copied",
          "Allow user to skip a file on error"}},
        {0x90000102, {"Ask before replacing a newer file", "Shared File", "Self-register", "0x00000100"}},
    };
    for (const auto& [value, names] : flags)
        EXPECT_EQ(CopyFlagNames(value), names) << std::hex << value;
    const std::pair<const char*, const char*> paths[] = {
        {"%CE1%\\Firm", "\\Program Files\\Firm"},
        {"%CE2%", "\\Windows"},
        {"%CE5%", "\\My Documents"},
        {"%CE11%", "\\Windows\\Start Menu\\Programs"},
        {"%CE17%\\Sub", "\\Windows\\Start Menu\\Sub"},
        {"", "\\"},
        {"\\Temp", "\\Temp"},
        {"%CE99%\\a", "%CE99%\\a"},
        {"%CE1x%", "%CE1x%"},
    };
    for (const auto& [macro, folder] : paths)
        EXPECT_EQ(ResolveDeviceMacro(macro), folder) << macro;
}

} // namespace
