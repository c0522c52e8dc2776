#include "package/CabCompiler.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/SetupFileReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <map>

namespace {

std::string ToolPath()
{
    const char* dir = std::getenv("VI_PROGRAM_DIR");
    return AppendPath(AppendPath(dir ? dir : ".", "Tools"), "CABWIZ.exe");
}

// Runs a shell command and returns its standard output; the exit code goes to rc.
std::string Shell(const std::string& command, int* rc = nullptr)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    int status = pclose(p);
    if (rc)
        *rc = WEXITSTATUS(status);
    return out;
}

std::string Q(const std::string& path)
{
    return "'" + path + "'";
}

std::string Pattern(size_t size, int salt)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = char((i * 7 + salt * 13 + (i >> 9)) & 0xFF);
    return s;
}

// A project with files for two processors of the Pocket PC, in two source
// folders, shortcuts, registry values of all four types and a setup DLL,
// as the builder writes its .inf (install folder already replaced).
class CabWizEndToEndTest : public ::testing::Test {
protected:
    TempDir FDir;
    std::string FBin = FDir.Path() + "Src Files";
    std::string FLib = FDir.Path() + "lib";
    std::string FOut = FDir.Path() + "Work Dir";
    std::vector<std::string> FLines;

    void SetUp() override
    {
        ASSERT_TRUE(ForceDirectories(FBin));
        ASSERT_TRUE(ForceDirectories(FLib));
        ASSERT_TRUE(ForceDirectories(FOut));
        FDir.Write("Src Files/app.exe", Pattern(200000, 1)); // spans several data blocks
        FDir.Write("Src Files/Read Me.txt", "read me\r\n");
        FDir.Write("lib/armlib.dll", Pattern(40000, 2));
        FDir.Write("lib/sh3lib.dll", Pattern(30000, 3));
        FDir.Write("lib/setup.dll", Pattern(5000, 4));
        FLines = {"[Version]",
                  "Signature = \"$Windows NT$\"",
                  "Provider = \"Firm\"",
                  "CESignature = \"$Windows CE$\"",
                  "",
                  "[CEStrings]",
                  "AppName = \"Demo App\"",
                  "InstallDir=%CE1%\\Firm\\Demo",
                  "",
                  "[DestinationDirs]"};
        for (const char* s : {"PPC300_2577", "PPC300_10003"}) {
            std::string x = s;
            Add({"Files1." + x + "=0,%InstallDir%", "Files2." + x + "=0,%CE2%", "Shortcuts0." + x + "=0,%CE11%"});
        }
        FLines.push_back("");
        AddSection("PPC300_2577", "2577    ;StrongARM", "armlib.dll");
        AddSection("PPC300_10003", "10003    ;Hitachi SH3", "sh3lib.dll");
    }
    void Add(std::initializer_list<std::string> lines) { FLines.insert(FLines.end(), lines); }
    void AddSection(const std::string& x, const std::string& processor, const std::string& lib)
    {
        Add({"[CEDevice." + x + "]",
             "ProcessorType = " + processor,
             "UnsupportedPlatforms = \"HPC\",\"Jupiter\"",
             "VersionMin=3.00",
             "VersionMax=100.00",
             "",
             "[SourceDisksNames." + x + "]",
             "1=,\"SourceDisk1\",," + FLib,
             "2=,\"SourceDisk2\",," + FBin,
             "",
             "[SourceDisksFiles." + x + "]",
             "\"app.exe\" = 2",
             "\"Read Me.txt\" = 2",
             "\"" + lib + "\" = 1",
             "\"setup.dll\" = 1",
             "",
             "[DefaultInstall." + x + "]",
             "CopyFiles = Files1." + x + ", Files2." + x,
             "CEShortcuts = Shortcuts0." + x,
             "CESetupDLL = setup.dll",
             "AddReg = AddRegistry." + x,
             "CESelfRegister=\"" + lib + "\"",
             "",
             "[Files1." + x + "]",
             "\"app.exe\",,,0x40000000",
             "\"Read Me.txt\",,,0x20000002",
             "",
             "[Files2." + x + "]",
             "\"" + lib + "\",,,0x80000013",
             "",
             "",
             "[Shortcuts0." + x + "]",
             "\"Demo App\",0,app.exe",
             "",
             "[AddRegistry." + x + "]",
             "HKLM,\"Software\\Firm\\Demo\", \"Path\",0x00000000, %InstallDir%\\app.exe",
             "HKLM,\"Software\\Firm\\Demo\", \"Key\",0x00000003, 0A, 1B, FF",
             "HKCU,\"Software\\Firm\\Demo\", \"Names\",0x00010000, one,two,",
             "HKCU,\"\", \"Count\",0x00010003, 0x1F",
             ""});
    }

    // The errors the compilation raised; none when it succeeded.
    std::vector<std::string> Compile(std::initializer_list<std::pair<TPlatform, TProcessor>> pairs,
                                     TCabCompiler& compiler)
    {
        TBuild build;
        for (auto [platform, processor] : pairs)
            build.AddPair(std::make_unique<TPlatformProcPair>(platform, processor));
        compiler.SetCabWizPath(ToolPath());
        compiler.SetInfLines(FLines);
        compiler.SetBuilds({&build});
        compiler.SetInfFileName(AppendPath(FOut, "Demo.inf"));
        compiler.SetOutputDir(FOut + "/");
        try {
            compiler.Compile();
        } catch (const TCabCompileErrors& e) {
            return e.Errors();
        }
        return {};
    }

    // Extracts the CAB file and returns its member names in cabinet order.
    std::vector<std::string> Members(const std::string& cab, const std::string& into)
    {
        int rc = -1;
        std::string listing = Shell("cabextract -l " + Q(cab), &rc);
        EXPECT_EQ(rc, 0) << listing;
        std::vector<std::string> names;
        size_t pos = 0;
        while ((pos = listing.find(" | ", pos)) != std::string::npos) {
            pos = listing.find(" | ", pos + 3);
            if (pos == std::string::npos)
                break;
            size_t end = listing.find('\n', pos);
            names.push_back(listing.substr(pos + 3, end - pos - 3));
            pos = end;
        }
        if (!names.empty() && names.front() == "Name")
            names.erase(names.begin());
        std::string tested = Shell("cabextract -t " + Q(cab) + " 2>&1", &rc);
        EXPECT_EQ(rc, 0) << tested;
        Shell("cabextract -q -d " + Q(into) + " " + Q(cab), &rc);
        EXPECT_EQ(rc, 0);
        return names;
    }
};

TEST_F(CabWizEndToEndTest, MakesOneGenuineCabPerProcessor)
{
    TCabCompiler compiler;
    std::vector<std::string> errors = Compile({{plPPC300, pStrongARM}, {plPPC300, pHitachiSH3}}, compiler);
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_FALSE(FileExists(AppendPath(FOut, "Demo.inf")));
    EXPECT_EQ(FDir.Read("Work Dir/errors.txt"), "");

    struct Expect {
        const char* Suffix;
        uint32_t Processor;
        const char* Lib;
    };
    for (Expect e : {Expect{"PPC300_2577", 2577, "armlib.dll"}, Expect{"PPC300_10003", 10003, "sh3lib.dll"}}) {
        SCOPED_TRACE(e.Suffix);
        std::string cab = AppendPath(FOut, std::string("Demo.") + e.Suffix + ".CAB");
        ASSERT_TRUE(FileExists(cab));
        std::string into = FDir.Path() + "x_" + e.Suffix;
        std::string lib = std::string(e.Lib);
        std::string libStem = std::string(8 - (lib.size() - 4), '0') + lib.substr(0, lib.size() - 4);
        EXPECT_EQ(Members(cab, into), (std::vector<std::string>{"0000Demo.000", "000setup.999", libStem + ".003",
                                                                "README~1.002", "00000app.001"}));

        // Every member is its source, byte for byte.
        EXPECT_EQ(FDir.Read("x_" + std::string(e.Suffix) + "/00000app.001"), FDir.Read("Src Files/app.exe"));
        EXPECT_EQ(FDir.Read("x_" + std::string(e.Suffix) + "/README~1.002"), FDir.Read("Src Files/Read Me.txt"));
        EXPECT_EQ(FDir.Read("x_" + std::string(e.Suffix) + "/" + libStem + ".003"), FDir.Read("lib/" + lib));
        EXPECT_EQ(FDir.Read("x_" + std::string(e.Suffix) + "/000setup.999"), FDir.Read("lib/setup.dll"));

        std::string raw = FDir.Read("x_" + std::string(e.Suffix) + "/0000Demo.000");
        TSetupDescription s = ReadSetupDescription(std::vector<uint8_t>(raw.begin(), raw.end()));
        EXPECT_EQ(s.FAppName, "Demo App");
        EXPECT_EQ(s.FProvider, "Firm");
        EXPECT_EQ(s.FProcessor, e.Processor);
        EXPECT_EQ(s.FUnsupported, (std::vector<std::string>{"HPC", "JUPITER"}));
        EXPECT_EQ(s.FVersionMinMajor, 3u);
        EXPECT_EQ(s.FVersionMaxMajor, 100u);
        EXPECT_EQ(s.FWord16, 1u);
        // The lines of this label in [DestinationDirs], numbered from 2 in
        // their order: the install folder, the files' second folder and the
        // shortcut's; no DefaultDestDir, so no ID 1.
        ASSERT_EQ(s.FDirectories.size(), 3u);
        EXPECT_EQ(s.FDirectories[0].FId, 2);
        EXPECT_EQ(s.FDirectories[0].FPath, (std::vector<std::string>{"%CE1%\\Firm\\Demo"}));
        EXPECT_EQ(s.FDirectories[1].FId, 3);
        EXPECT_EQ(s.FDirectories[1].FPath, (std::vector<std::string>{"%CE2%"}));
        EXPECT_EQ(s.FDirectories[2].FId, 4);
        EXPECT_EQ(s.FDirectories[2].FPath, (std::vector<std::string>{"%CE11%"}));
        ASSERT_EQ(s.FFiles.size(), 3u);
        EXPECT_EQ(s.FFiles[0].FDirectoryId, 2);
        EXPECT_EQ(s.FFiles[0].FName, "app.exe");
        EXPECT_EQ(s.FFiles[0].FFlags, 0x40000000u);
        EXPECT_EQ(s.FFiles[1].FName, "Read Me.txt");
        EXPECT_EQ(s.FFiles[1].FFlags, 0x20000002u);
        EXPECT_EQ(s.FFiles[2].FName, lib);
        EXPECT_EQ(s.FFiles[2].FDirectoryId, 3);
        EXPECT_EQ(s.FFiles[2].FFlags, 0x90000013u); // shared, warn, no overwrite, self-register
        ASSERT_EQ(s.FLinks.size(), 1u);
        EXPECT_EQ(s.FLinks[0].FBase, 0);
        EXPECT_EQ(s.FLinks[0].FDirectoryId, 4);
        EXPECT_EQ(s.FLinks[0].FTarget, 1);
        EXPECT_EQ(s.FLinks[0].FPath, (std::vector<std::string>{"Demo App.lnk"}));
        ASSERT_EQ(s.FHives.size(), 3u);
        ASSERT_EQ(s.FValues.size(), 4u);
        EXPECT_EQ(s.FValues[0].FFlags, 0u);
        EXPECT_TRUE(s.FValues[0].FSubstitute);
        EXPECT_EQ(std::string(s.FValues[0].FData.begin(), s.FValues[0].FData.end()),
                  std::string("%InstallDir%\\app.exe") + '\0');
        EXPECT_EQ(s.FValues[1].FFlags, 3u);
        EXPECT_EQ(s.FValues[1].FData, Bytes({0x0A, 0x1B, 0xFF}));
        EXPECT_EQ(std::string(s.FValues[2].FData.begin(), s.FValues[2].FData.end()), std::string("one\0two\0\0", 9));
        EXPECT_EQ(s.FHives[s.FValues[3].FHiveId - 1].FRoot, 2);
        EXPECT_TRUE(s.FHives[s.FValues[3].FHiveId - 1].FPath.empty());
        EXPECT_EQ(s.FValues[3].FFlags, 0x00010003u);
        EXPECT_EQ(s.FValues[3].FData, Bytes({0x1F, 0, 0, 0}));
    }
}

// The date cabextract lists for each member ("14.11.2023 22:13:20"): the
// DOS fields as the cabinet holds them.
std::map<std::string, std::string> MemberDates(const std::string& cab)
{
    int rc = -1;
    std::string listing = Shell("cabextract -l " + Q(cab), &rc);
    EXPECT_EQ(rc, 0) << listing;
    std::map<std::string, std::string> dates;
    size_t start = 0;
    for (size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = listing.substr(start, end - start);
        size_t first = line.find(" | ");
        size_t second = first == std::string::npos ? first : line.find(" | ", first + 3);
        if (second != std::string::npos && line.substr(second + 3) != "Name")
            dates[line.substr(second + 3)] = line.substr(first + 3, second - first - 3);
    }
    return dates;
}

void SetFileTime(const std::string& path, int64_t unixTime)
{
    namespace fs = std::filesystem;
    auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(unixTime)));
    fs::last_write_time(path, when);
}

TEST_F(CabWizEndToEndTest, SourceDateEpochDatesEveryMemberInUtcWhateverTheZone)
{
    const std::string cab = AppendPath(FOut, "Demo.PPC300_2577.CAB");
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000"); // 2023-11-14 22:13:20 UTC
    std::string first;
    {
        ScopedEnv zone("TZ", "UTC0");
        TCabCompiler compiler;
        ASSERT_EQ(Compile({{plPPC300, pStrongARM}}, compiler), std::vector<std::string>{});
        first = FDir.Read("Work Dir/Demo.PPC300_2577.CAB");
        std::map<std::string, std::string> dates = MemberDates(cab);
        EXPECT_EQ(dates.size(), 5u);
        for (const auto& [name, date] : dates)
            EXPECT_EQ(date, "14.11.2023 22:13:20") << name;
    }
    // Other file times, another .inf written later, another zone: the same bytes.
    SetFileTime(FDir.File("Src Files/app.exe"), 1500000000);
    SetFileTime(FDir.File("lib/setup.dll"), 1600000000);
    ScopedEnv zone("TZ", "JST-9");
    TCabCompiler compiler;
    ASSERT_EQ(Compile({{plPPC300, pStrongARM}}, compiler), std::vector<std::string>{});
    EXPECT_TRUE(FDir.Read("Work Dir/Demo.PPC300_2577.CAB") == first) << "the cabinets differ";
}

TEST_F(CabWizEndToEndTest, WithoutSourceDateEpochMembersShowTheirFilesLocalTimes)
{
    ScopedEnv epoch("SOURCE_DATE_EPOCH", nullptr);
    SetFileTime(FDir.File("Src Files/app.exe"), 1600000000); // 2020-09-13 12:26:40 UTC
    const std::string cab = AppendPath(FOut, "Demo.PPC300_2577.CAB");
    for (auto [zone, shown] : {std::pair{"UTC0", "13.09.2020 12:26:40"}, std::pair{"JST-9", "13.09.2020 21:26:40"}}) {
        SCOPED_TRACE(zone);
        ScopedEnv tz("TZ", zone);
        TCabCompiler compiler;
        ASSERT_EQ(Compile({{plPPC300, pStrongARM}}, compiler), std::vector<std::string>{});
        EXPECT_EQ(MemberDates(cab)["00000app.001"], shown);
    }
}

TEST_F(CabWizEndToEndTest, AMalformedSourceDateEpochIsAnErrorAndMakesNoCab)
{
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "last Tuesday");
    TCabCompiler compiler;
    EXPECT_EQ(Compile({{plPPC300, pStrongARM}}, compiler),
              std::vector<std::string>{"Error: SOURCE_DATE_EPOCH must be a whole number of seconds since 1970-01-01 "
                                       "00:00:00 UTC, not \"last Tuesday\"."});
    EXPECT_FALSE(FileExists(AppendPath(FOut, "Demo.PPC300_2577.CAB")));
}

TEST_F(CabWizEndToEndTest, ASectionWithAnErrorGetsNoCabAndTheOthersStillDo)
{
    RemoveTree(FDir.File("lib/sh3lib.dll"));
    // A CAB left over from an earlier build must not survive a failed one.
    FDir.Write("Work Dir/Demo.PPC300_10003.CAB", "old");
    TCabCompiler compiler;
    std::vector<std::string> errors = Compile({{plPPC300, pStrongARM}, {plPPC300, pHitachiSH3}}, compiler);
    ASSERT_FALSE(errors.empty());
    for (const auto& e : errors) {
        EXPECT_NE(e.find("Error:"), std::string::npos);
        EXPECT_NE(e.find("Demo.PPC300_10003.CAB"), std::string::npos) << e;
    }
    EXPECT_TRUE(FileExists(AppendPath(FOut, "Demo.PPC300_2577.CAB")));
    EXPECT_FALSE(FileExists(AppendPath(FOut, "Demo.PPC300_10003.CAB")));
}

TEST_F(CabWizEndToEndTest, WithoutCpuTheToolMakesOneCabFromThePlainSections)
{
    FLines = {"[Version]",
              "Signature = \"$Windows NT$\"",
              "Provider = \"Firm\"",
              "CESignature = \"$Windows CE$\"",
              "[CEStrings]",
              "AppName = \"App\"",
              "InstallDir=\\",
              "[DestinationDirs]",
              "Files1=0,%InstallDir%",
              "[CEDevice]",
              "[SourceDisksNames]",
              "1=,\"SourceDisk1\",," + FBin,
              "[SourceDisksFiles]",
              "\"app.exe\" = 1",
              "[DefaultInstall]",
              "CopyFiles = Files1",
              "[Files1]",
              "\"app.exe\",,,0x40000000"};
    TCabCompiler compiler;
    ASSERT_EQ(Compile({{plAll, pAll}}, compiler), std::vector<std::string>{});
    std::string cab = AppendPath(FOut, "Demo.CAB");
    EXPECT_EQ(Members(cab, FDir.Path() + "x"), (std::vector<std::string>{"0000Demo.000", "00000app.001"}));
    std::string raw = FDir.Read("x/0000Demo.000");
    TSetupDescription s = ReadSetupDescription(std::vector<uint8_t>(raw.begin(), raw.end()));
    EXPECT_EQ(s.FProcessor, 0u);
    ASSERT_EQ(s.FDirectories.size(), 1u);
    EXPECT_TRUE(s.FDirectories[0].FPath.empty());
}

TEST(CabWizToolTest, HelpAndBadCommandLines)
{
    int rc = -1;
    std::string help = Shell(Q(ToolPath()) + " --help", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(help.find("/cpu"), std::string::npos);

    TempDir dir;
    Shell("cd " + Q(dir.Path()) + " && " + Q(ToolPath()) + " " + Q(dir.File("none.inf")) +
              " /err errors.txt /cpu PPC300_2577 2>/dev/null",
          &rc);
    EXPECT_EQ(rc, 1);
    std::string report = dir.Read("errors.txt");
    EXPECT_EQ(report.rfind("Error: ", 0), 0u) << report;
    EXPECT_NE(report.find("none.inf"), std::string::npos);

    Shell(Q(ToolPath()) + " x.inf /bogus /err " + Q(dir.File("e2.txt")) + " 2>/dev/null", &rc);
    EXPECT_EQ(rc, 2);
    EXPECT_NE(dir.Read("e2.txt").find("Error: Unknown option /bogus"), std::string::npos);
}

// What authors write by hand: an .inf as a Windows editor saves it.
class CabWizHandWrittenTest : public ::testing::Test {
protected:
    TempDir FDir;

    // Runs the tool on the .inf bytes; returns its report.
    std::string RunTool(const std::string& inf, int& rc)
    {
        FDir.Write("Hand.inf", inf);
        Shell("cd " + Q(FDir.Path()) + " && " + Q(ToolPath()) + " " + Q(FDir.File("Hand.inf")) + " /err errors.txt",
              &rc);
        return FDir.Read("errors.txt");
    }
    TSetupDescription ReadSetup()
    {
        int rc = -1;
        Shell("cabextract -q -d " + Q(FDir.File("x")) + " " + Q(FDir.File("Hand.CAB")), &rc);
        EXPECT_EQ(rc, 0);
        std::string raw = FDir.Read("x/0000Hand.000");
        return ReadSetupDescription(std::vector<uint8_t>(raw.begin(), raw.end()));
    }
    static std::string Body(const std::string& provider, const std::string& file)
    {
        return "[Version]\r\nSignature = \"$Windows NT$\"\r\nProvider = \"" + provider +
               "\"\r\nCESignature = \"$Windows CE$\"\r\n[CEStrings]\r\nAppName = \"App\"\r\nInstallDir=%CE1%\\App\r\n"
               "[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n[SourceDisksNames]\r\n1=,\"SourceDisk1\",,src\r\n"
               "[SourceDisksFiles]\r\n\"" +
               file +
               "\" = 1\r\n[DefaultInstall]\r\nCopyFiles = Files1\r\n"
               "[Files1]\r\n\"" +
               file + "\",,,0x40000000\r\n";
    }
};

TEST_F(CabWizHandWrittenTest, Utf16AndUtf8FilesGiveWindows1252Strings)
{
    ForceDirectories(FDir.File("src"));
    FDir.Write("src/Caf\xC3\xA9.txt", "coffee"); // a Linux file name is UTF-8
    const std::string utf8 = Body(
        "Fa\xC3\xA7"
        "ade",
        "Caf\xC3\xA9.txt");
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    for (size_t i = 0; i < utf8.size(); ++i) {
        // Every character of the body is ASCII but for the two Latin-1 ones.
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        char16_t unit = c;
        if (c == 0xC3) {
            unit = char16_t(0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        }
        utf16le += std::string{char(unit & 0xFF), char(unit >> 8)};
        utf16be += std::string{char(unit >> 8), char(unit & 0xFF)};
    }
    for (const std::string& inf : {"\xEF\xBB\xBF" + utf8, utf8, utf16le, utf16be,
                                   Body("Fa\xE7"
                                        "ade",
                                        "Caf\xE9.txt")}) {
        int rc = -1;
        std::string report = RunTool(inf, rc);
        ASSERT_EQ(rc, 0) << report;
        TSetupDescription s = ReadSetup();
        EXPECT_EQ(s.FProvider,
                  "Fa\xE7"
                  "ade");
        ASSERT_EQ(s.FFiles.size(), 1u);
        EXPECT_EQ(s.FFiles[0].FName, "Caf\xE9.txt");
        std::filesystem::remove_all(FDir.File("x"));
    }

    int rc = -1;
    EXPECT_EQ(RunTool(Body("\xE4\xB8\xAD", "Caf\xC3\xA9.txt"), rc),
              "Error: The character U+4E2D in line 3 has no Windows-1252 form\r\n");
    EXPECT_EQ(rc, 1);
}

TEST_F(CabWizHandWrittenTest, WarningsNameTheirCabFile)
{
    ForceDirectories(FDir.File("src"));
    FDir.Write("src/a.txt", "a");
    std::string inf = Body("Firm", "a.txt");
    inf.replace(inf.find("Provider = \"Firm\"\r\n"), 19, "");
    int rc = -1;
    EXPECT_EQ(RunTool(inf, rc), "Warning: Hand.CAB: [Version] has no Provider\r\n");
    EXPECT_EQ(rc, 0);
}

} // namespace
