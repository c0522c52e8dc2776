#include "tools/cabwiz/CabBuilder.h"

#include "common/Paths.h"
#include "formats/FormatChoices.h"
#include "formats/SetupFileReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string Header =
    "[Version]\r\nSignature = \"$Windows NT$\"\r\nProvider = \"Firm\"\r\n"
    "CESignature = \"$Windows CE$\"\r\n\r\n[CEStrings]\r\nAppName = \"App\"\r\n";

// The DIRS table in its written order: each entry's ID and its path.
using DirList = std::vector<std::pair<uint16_t, std::string>>;
DirList Dirs(const TSetupDescription& s)
{
    DirList list;
    for (const auto& d : s.FDirectories) {
        std::string path;
        for (const auto& part : d.FPath)
            path += (path.empty() ? "" : "\\") + part;
        list.emplace_back(d.FId, path);
    }
    return list;
}

class CabBuilderTest : public ::testing::Test {
protected:
    TempDir FDir;
    TInfFile FInf;

    void SetUp() override
    {
        FDir.Write("app.exe", "program");
        FDir.Write("help.txt", "help");
        FDir.Write("setup.dll", "dll");
    }
    // The source folder of the .inf is the temporary folder.
    std::string Src() const { return ExcludeTrailingPathDelimiter(FDir.Path()); }

    TCabBuilder Build(const std::string& body, const std::string& label, bool expectOk = true)
    {
        FInf.LoadFromText(Header + body);
        TCabBuilder builder(&FInf, FDir.Path(), label);
        bool ok = builder.Build();
        std::string errors;
        for (const auto& e : builder.Errors())
            errors += e + "\n";
        EXPECT_EQ(ok, expectOk) << errors;
        return builder;
    }
    static bool HasError(const TCabBuilder& b, const std::string& part)
    {
        for (const auto& e : b.Errors())
            if (e.find(part) != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(CabBuilderTest, LabeledSectionsAddToOrReplaceThePlainOnes)
{
    std::string body =
        "InstallDir=%CE1%\\Firm\\App\r\n"
        "[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\nFiles2=0,%CE2%\r\n"
        "[CEDevice]\r\nUnsupportedPlatforms = \"HPC\"\r\nVersionMin=2.00\r\n"
        "[CEDevice.PPC300_2577]\r\nProcessorType = 2577    ;StrongARM\r\n"
        "UnsupportedPlatforms = \"Jupiter\",\"Palm PC2\"\r\nVersionMin=4.2\r\nVersionMax=100.00\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",,/nowhere\r\n"
        "[SourceDisksNames.PPC300_2577]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[SourceDisksFiles.PPC300_2577]\r\n\"help.txt\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files1\r\nCESelfRegister=\"app.exe\"\r\n"
        "[DefaultInstall.PPC300_2577]\r\nCopyFiles = Files1, Files2\r\n"
        "[Files1]\r\n\"app.exe\",,,0x40000000\r\n[Files2]\r\n\"help.txt\",,,0x80000013\r\n";
    TCabBuilder b = Build(body, "PPC300_2577");
    const TSetupDescription& s = b.Setup();
    EXPECT_EQ(s.FProcessor, 2577u);
    EXPECT_EQ(s.FUnsupported, (std::vector<std::string>{"HPC", "JUPITER", "PALM PC2"}));
    EXPECT_EQ(s.FVersionMinMajor, 4u);
    EXPECT_EQ(s.FVersionMinMinor, 2u);
    EXPECT_EQ(s.FVersionMaxMajor, 100u);
    EXPECT_EQ(s.FProvider, "Firm");
    // Each path is one string, as the vendor's tool writes it.
    EXPECT_EQ(Dirs(s), (DirList{{2, "%CE1%\\Firm\\App"}, {3, "%CE2%"}}));
    ASSERT_EQ(s.FFiles.size(), 2u);
    EXPECT_EQ(s.FFiles[0].FDirectoryId, 2);
    EXPECT_EQ(s.FFiles[0].FFlags, 0x40000000u | FormatChoices::SelfRegisterFlag);
    EXPECT_EQ(s.FFiles[1].FDirectoryId, 3);
    EXPECT_EQ(s.FFiles[1].FFlags, 0x80000013u);
    EXPECT_EQ(s.FFiles[1].FUnknown, 2);
    ASSERT_EQ(b.Files().size(), 2u);
    EXPECT_EQ(b.Files()[1].FMemberName, "0000help.002");
    EXPECT_EQ(b.Files()[1].FSourcePath, FDir.File("help.txt"));

    // Without a label only the plain sections count: one file, and the
    // plain source disk points nowhere.
    TCabBuilder plain = Build(body, "", false);
    EXPECT_TRUE(HasError(plain, "/nowhere"));
    EXPECT_EQ(plain.Setup().FUnsupported, (std::vector<std::string>{"HPC"}));
    EXPECT_EQ(plain.Setup().FProcessor, 0u);
}

TEST_F(CabBuilderTest, ALabelWithoutSectionsOfItsOwnUsesThePlainOnes)
{
    std::string body =
        "InstallDir=\\\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n[CEDevice]\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files1\r\n[Files1]\r\n\"app.exe\",,,0x40000000\r\n";
    TCabBuilder b = Build(body, "HPC2000");
    // The device root: a DIRS entry with no components, and the file goes there.
    ASSERT_EQ(b.Setup().FDirectories.size(), 1u);
    EXPECT_TRUE(b.Setup().FDirectories[0].FPath.empty());
    EXPECT_EQ(b.Setup().FFiles.at(0).FDirectoryId, 2);
}

TEST_F(CabBuilderTest, RegistryValuesOfEveryType)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DefaultInstall]\r\nAddReg = Reg\r\n[Reg]\r\n"
        "HKLM,\"Software\\Firm\\App\", \"Path\",0x00000000, %InstallDir%\\app.exe\r\n"
        "HKLM,\"Software\\Firm\\App\", \"Text\",0x00000002, one, two\r\n"
        "HKCU,\"Software\\Firm\", \"Bytes\",0x00000001, 0A, ff, 00\r\n"
        "HKCR,\"\", \"Count\",0x00010001, 0x1F\r\n"
        "HKLM,\"Software\\Firm\\App\", \"List\",0x00010000, a,b c,%CE2%,\r\n"
        "HKLM,\"Software\\Firm\\App\", \"Empty\",0x00000000, \r\n";
    TCabBuilder b = Build(body, "");
    const TSetupDescription& s = b.Setup();
    ASSERT_EQ(s.FHives.size(), 3u);
    EXPECT_EQ(s.FHives[0].FRoot, 3);
    EXPECT_EQ(s.FHives[0].FPath, (std::vector<std::string>{"Software", "Firm", "App"}));
    EXPECT_EQ(s.FHives[1].FRoot, 2);
    EXPECT_EQ(s.FHives[2].FRoot, 1);
    EXPECT_TRUE(s.FHives[2].FPath.empty());
    ASSERT_EQ(s.FValues.size(), 6u);
    auto text = [](const TSetupValue& v) { return std::string(v.FData.begin(), v.FData.end()); };
    // %InstallDir% stays for the device to resolve, flagged for substitution.
    EXPECT_EQ(text(s.FValues[0]), std::string("%InstallDir%\\app.exe") + '\0');
    EXPECT_TRUE(s.FValues[0].FSubstitute);
    // Unquoted commas belong to the string; the no-clobber bit is kept.
    EXPECT_EQ(text(s.FValues[1]), std::string("one, two") + '\0');
    EXPECT_EQ(s.FValues[1].FFlags, 2u);
    EXPECT_FALSE(s.FValues[1].FSubstitute);
    EXPECT_EQ(s.FValues[2].FData, Bytes({0x0A, 0xFF, 0x00}));
    EXPECT_EQ(s.FValues[2].FHiveId, 2);
    EXPECT_EQ(s.FValues[3].FData, Bytes({0x1F, 0, 0, 0}));
    EXPECT_EQ(s.FValues[3].FHiveId, 3);
    EXPECT_EQ(text(s.FValues[4]), std::string("a\0b c\0%CE2%\0\0", 13));
    EXPECT_TRUE(s.FValues[4].FSubstitute);
    EXPECT_EQ(s.FValues[5].FData, Bytes({0}));
}

TEST_F(CabBuilderTest, ShortcutsToFilesAndFolders)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n"
        "Files2=0,%CE2%\\Data\r\nShortcuts0=0,%CE11%\r\nShortcuts1=0,%InstallDir%\\Links\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files1\r\nCEShortcuts = Shortcuts0, Shortcuts1\r\n"
        "[Files1]\r\n\"app.exe\",,,0x40000000\r\n"
        "[Shortcuts0]\r\n\"My App\",0,app.exe\r\n\"Data.lnk\",1,Files2\r\n"
        "[Shortcuts1]\r\n\"Home\",1,%InstallDir%\r\n\"Games\",0,APP.EXE,%CE14%\\Sub\r\n";
    TCabBuilder b = Build(body, "");
    const auto& links = b.Setup().FLinks;
    auto folder = [&](const TSetupLink& link) { return b.Setup().Directory(link.FDirectoryId)->FPath; };
    // The lines in use in their order (Files1 for the file, Shortcuts0 and
    // Shortcuts1 for shortcuts, Files2 as a shortcut's target), then the
    // folder a shortcut names itself.
    EXPECT_EQ(
        Dirs(b.Setup()),
        (DirList{{2, "%CE1%\\App"}, {3, "%CE2%\\Data"}, {4, "%CE11%"}, {5, "%CE1%\\App\\Links"}, {6, "%CE14%\\Sub"}}));
    using Path = std::vector<std::string>;
    ASSERT_EQ(links.size(), 4u);
    // Every shortcut names its folder's DIRS entry, with base 0.
    for (const TSetupLink& link : links) {
        EXPECT_EQ(link.FBase, 0);
        EXPECT_EQ(link.FPath.size(), 1u);
    }
    EXPECT_EQ(folder(links[0]), Path{"%CE11%"});
    EXPECT_TRUE(links[0].FTargetIsFile);
    EXPECT_EQ(links[0].FTarget, 1);
    EXPECT_EQ(links[0].FPath, Path{"My App.lnk"});
    EXPECT_FALSE(links[1].FTargetIsFile);
    EXPECT_EQ(links[1].FTarget, 3);
    EXPECT_EQ(links[1].FPath, Path{"Data.lnk"});
    EXPECT_EQ(links[2].FTarget, 0);
    EXPECT_EQ(folder(links[2]), Path{"%CE1%\\App\\Links"});
    EXPECT_EQ(links[2].FPath, Path{"Home.lnk"});
    EXPECT_EQ(folder(links[3]), Path{"%CE14%\\Sub"});
    EXPECT_EQ(links[3].FPath, Path{"Games.lnk"});
}

// The shapes of two real applications' .inf files whose CABs the vendor's
// tool made. Their .000 files hold each folder as one string and address a
// shortcut through its folder's DIRS entry with base 0. DIRS: one entry per
// [DestinationDirs] line in use, numbered from 2 in line order, and
// DefaultDestDir (only Eliminator has one) as ID 1, written last.
TEST_F(CabBuilderTest, EncodesFoldersAndShortcutsAsTheVendorsToolDoes)
{
    struct Shape {
        const char* Name;
        std::string Body;
        std::vector<std::string> Files;
        DirList Directories;
        uint16_t FileDir;
        uint16_t LinkDir;
    };
    const Shape shapes[] = {
        {"Eliminator",
         "InstallDir=%CE1%\\Eliminator\r\n[DestinationDirs]\r\nShortcuts.All = 0,%CE11%\r\n"
         "Files.ARM = 0,%InstallDir%\r\nDefaultDestDir = 0,%InstallDir%\r\n"
         "[DefaultInstall]\r\nCopyFiles = Files.ARM\r\nCEShortcuts = Shortcuts.All\r\n"
         "[Files.ARM]\r\n\"Eliminator.exe\",,,0\r\n"
         "[Shortcuts.All]\r\nEliminator,0,Eliminator.exe\r\n",
         {"Eliminator.exe"},
         {{2, "%CE11%"}, {3, "%CE1%\\Eliminator"}, {1, "%CE1%\\Eliminator"}},
         3,
         2},
        {"KGArcade",
         "InstallDir=%CE1%\\KGArcade\r\n[DestinationDirs]\r\nCopyFiles1 = 0,\"%InstallDir%\"\r\n"
         "CEShortcuts1 = 0,\"%CE14%\"\r\n"
         "[DefaultInstall]\r\nCopyFiles = CopyFiles1\r\nCEShortcuts = CEShortcuts1\r\n"
         "[CopyFiles1]\r\n\"KGArcade.exe\",,,0\r\n\"Games.dat\",,,0\r\n"
         "[CEShortcuts1]\r\nKGArcade,0,KGArcade.exe\r\n",
         {"KGArcade.exe", "Games.dat"},
         {{2, "%CE1%\\KGArcade"}, {3, "%CE14%"}},
         2,
         3},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.Name);
        std::string disks = "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," + Src() + "\r\n[SourceDisksFiles]\r\n";
        for (const auto& name : shape.Files) {
            FDir.Write(name, name);
            disks += "\"" + name + "\" = 1\r\n";
        }
        TCabBuilder b = Build(shape.Body + disks, "");
        TSetupDescription r = ReadSetupDescription(b.Setup().Write());
        EXPECT_EQ(r.FWord16, 1u);
        EXPECT_EQ(Dirs(r), shape.Directories);
        ASSERT_EQ(r.FFiles.size(), shape.Files.size());
        for (const auto& file : r.FFiles)
            EXPECT_EQ(file.FDirectoryId, shape.FileDir);
        ASSERT_EQ(r.FLinks.size(), 1u);
        EXPECT_EQ(r.FLinks[0].FDirectoryId, shape.LinkDir);
        EXPECT_EQ(r.FLinks[0].FBase, 0);
        EXPECT_TRUE(r.FLinks[0].FTargetIsFile);
        EXPECT_EQ(r.FLinks[0].FTarget, 1);
        EXPECT_EQ(r.FLinks[0].FPath, std::vector<std::string>{std::string(shape.Name) + ".lnk"});
    }
}

// A section without a line of its own falls back to DefaultDestDir and so
// to ID 1; two lines naming one folder get an entry each.
TEST_F(CabBuilderTest, DefaultDestDirIsIdOneAndEveryLineHasItsOwnEntry)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nDefaultDestDir = 0,%CE2%\r\nUnused = 0,%CE3%\r\n"
        "Main = 0,%InstallDir%\r\nAgain = 0,%InstallDir%\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n\"help.txt\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Again, Main, Loose\r\n"
        "[Again]\r\n\"help.txt\",,,0\r\n[Main]\r\n\"app.exe\",,,0\r\n[Loose]\r\n\"setup.dll\",app.exe,,0\r\n";
    TCabBuilder b = Build(body, "");
    EXPECT_EQ(Dirs(b.Setup()), (DirList{{2, "%CE1%\\App"}, {3, "%CE1%\\App"}, {1, "%CE2%"}}));
    std::vector<uint16_t> dirs;
    for (const auto& file : b.Setup().FFiles)
        dirs.push_back(file.FDirectoryId);
    EXPECT_EQ(dirs, (std::vector<uint16_t>{3, 2, 1}));
}

// Visual Studio's CAB projects quote every field, the registry root too.
TEST_F(CabBuilderTest, EveryFieldMayBeQuoted)
{
    std::string body =
        "InstallDir=\"%CE1%\\App\"\r\n[DestinationDirs]\r\n\"Files1\"=0,\"%InstallDir%\"\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",,\"" +
        Src() +
        "\"\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = \"Files1\"\r\nAddReg = \"Reg\"\r\n"
        "[Files1]\r\n\"app.exe\",\"app.exe\",,\"0x40000000\"\r\n"
        "[Reg]\r\n\"HKLM\",\"Software\\Firm\",\"Count\",\"0x00010001\",\"31\"\r\n";
    TCabBuilder b = Build(body, "");
    const TSetupDescription& s = b.Setup();
    ASSERT_EQ(s.FFiles.size(), 1u);
    EXPECT_EQ(s.FFiles[0].FFlags, 0x40000000u);
    ASSERT_EQ(s.FValues.size(), 1u);
    EXPECT_EQ(s.FHives.at(s.FValues[0].FHiveId - 1).FRoot, 3); // HKLM
    EXPECT_EQ(s.FValues[0].FData, (std::vector<uint8_t>{31, 0, 0, 0}));
}

TEST_F(CabBuilderTest, AbsoluteFolderWithoutAMacroKeepsItsLeadingBackslash)
{
    std::string body =
        "InstallDir=\\Program Files\\XCSoar\r\n[DestinationDirs]\r\nFiles.Main = 0,\\Program Files\\XCSoar\r\n"
        "Files.Win = 0,\\Windows\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files.Main, Files.Win\r\n"
        "[Files.Main]\r\n\"app.exe\",,,0\r\n[Files.Win]\r\n\"app.exe\",,,0\r\n";
    TCabBuilder b = Build(body, "");
    EXPECT_EQ(Dirs(b.Setup()), (DirList{{2, "\\Program Files\\XCSoar"}, {3, "\\Windows"}}));
}

TEST_F(CabBuilderTest, SetupDllBecomesMember999WithoutAFilesEntry)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n"
        "[SourceDisksNames.2577]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles.2577]\r\n\"app.exe\" = 1\r\n\"setup.dll\" = 1\r\n"
        "[DefaultInstall.2577]\r\nCopyFiles = Files1\r\nCESetupDLL = setup.dll\r\n"
        "[Files1]\r\n\"app.exe\",,,0x40000000\r\n";
    TCabBuilder b = Build(body, "2577");
    ASSERT_TRUE(b.HasSetupDll());
    EXPECT_EQ(b.SetupDll().FMemberName, "000setup.999");
    EXPECT_EQ(b.Setup().FFiles.size(), 1u);
}

struct ErrorCase {
    const char* Name;
    std::string Body;
    const char* Expected;
};

class CabBuilderErrorTest : public CabBuilderTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CabBuilderErrorTest, ReportsTheProblem)
{
    std::string common =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() + "\r\n";
    TCabBuilder b = Build(common + GetParam().Body, "", false);
    EXPECT_TRUE(HasError(b, GetParam().Expected)) << (b.Errors().empty() ? "" : b.Errors().front());
}

INSTANTIATE_TEST_SUITE_P(
    Problems, CabBuilderErrorTest,
    ::testing::Values(
        ErrorCase{"MissingDefaultInstall", "", "[DefaultInstall] is missing"},
        ErrorCase{"UnlistedFile", "[DefaultInstall]\r\nCopyFiles = Files1\r\n[Files1]\r\n\"app.exe\",,,0\r\n",
                  "not listed in [SourceDisksFiles]"},
        ErrorCase{"MissingSource",
                  "[SourceDisksFiles]\r\n\"gone.exe\"=1\r\n[DefaultInstall]\r\nCopyFiles = Files1\r\n"
                  "[Files1]\r\n\"gone.exe\",,,0\r\n",
                  "does not exist"},
        ErrorCase{"UnknownDisk",
                  "[SourceDisksFiles]\r\n\"app.exe\"=7\r\n[DefaultInstall]\r\nCopyFiles = Files1\r\n"
                  "[Files1]\r\n\"app.exe\",,,0\r\n",
                  "Source disk 7"},
        ErrorCase{"NoDestination",
                  "[SourceDisksFiles]\r\n\"app.exe\"=1\r\n[DefaultInstall]\r\nCopyFiles = Other\r\n"
                  "[Other]\r\n\"app.exe\",,,0\r\n",
                  "no destination"},
        ErrorCase{"ShortcutFolderWithoutMacro",
                  "[DefaultInstall]\r\nCEShortcuts = S\r\n[S]\r\n\"x\",0,app.exe,\\Somewhere\r\n",
                  "does not start with"},
        ErrorCase{"ShortcutToMissingFile", "[DefaultInstall]\r\nCEShortcuts = S\r\n[S]\r\n\"x\",0,nope.exe,%CE11%\r\n",
                  "is not installed"},
        ErrorCase{"BadRoot", "[DefaultInstall]\r\nAddReg = R\r\n[R]\r\nHKXX,\"k\",\"v\",0x0, x\r\n",
                  "unknown registry root"},
        ErrorCase{"BadDword", "[DefaultInstall]\r\nAddReg = R\r\n[R]\r\nHKLM,\"k\",\"v\",0x00010001, lots\r\n",
                  "invalid number"},
        ErrorCase{"BadByte", "[DefaultInstall]\r\nAddReg = R\r\n[R]\r\nHKLM,\"k\",\"v\",0x00000001, 1FF\r\n",
                  "invalid byte"},
        ErrorCase{"PathAsFileName",
                  "[SourceDisksFiles]\r\n\"app.exe\"=1\r\n[DefaultInstall]\r\nCopyFiles = Files1\r\n"
                  "[Files1]\r\n\"sub\\app.exe\",app.exe,,0\r\n",
                  "holds a path"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CabBuilderTest, ListedSectionsThatAreMissingOrEmptyAreWarnings)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files1,Gone\r\nAddReg = RegSettings.All\r\nCEShortcuts = Empty\r\n"
        "[Files1]\r\n\"app.exe\",,,0\r\n[Empty]\r\n";
    TCabBuilder b = Build(body, "");
    EXPECT_TRUE(b.Errors().empty()) << b.Errors().front();
    EXPECT_EQ(b.Setup().FFiles.size(), 1u);
    const std::vector<std::string> expected = {"Section [Gone] is missing", "Section [RegSettings.All] is missing",
                                               "Section [Empty] has no data"};
    for (const std::string& warning : expected)
        EXPECT_NE(std::find(b.Warnings().begin(), b.Warnings().end(), warning), b.Warnings().end()) << warning;
}

TEST_F(CabBuilderTest, AFileLeftOutForAnErrorIsReportedOnce)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\nS=0,%CE11%\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"gone.dll\" = 1\r\n\"app.exe\" = 1\r\n"
        "[DefaultInstall]\r\nCopyFiles = Files1\r\nCEShortcuts = S\r\n"
        "CESelfRegister=\"gone.dll\",\"other.dll\"\r\n"
        "[Files1]\r\n\"gone.dll\",,,0\r\n\"app.exe\",,,0\r\n"
        "[S]\r\n\"Gone\",0,gone.dll\r\n\"App\",0,app.exe\r\n";
    TCabBuilder b = Build(body, "", false);
    ASSERT_EQ(b.Errors().size(), 1u);
    EXPECT_NE(b.Errors()[0].find("gone.dll\" does not exist"), std::string::npos) << b.Errors()[0];
    // A name that is not in the .inf at all is still worth a warning.
    EXPECT_EQ(b.Warnings(), std::vector<std::string>{"CESelfRegister names \"other.dll\", which is not installed"});
}

TEST_F(CabBuilderTest, MoreFilesThanMemberNumbersIsAnError)
{
    std::string body =
        "InstallDir=%CE1%\\App\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n"
        "[SourceDisksNames]\r\n1=,\"SourceDisk1\",," +
        Src() +
        "\r\n"
        "[SourceDisksFiles]\r\n\"app.exe\" = 1\r\n[DefaultInstall]\r\nCopyFiles = Files1\r\n[Files1]\r\n";
    std::string many;
    for (int i = 0; i < 998; ++i)
        many += "\"app.exe\",,,0\r\n";
    TCabBuilder fits = Build(body + many, "");
    EXPECT_EQ(fits.Files().back().FMemberName, "00000app.998");
    TCabBuilder tooMany = Build(body + many + "\"app.exe\",,,0\r\n", "", false);
    EXPECT_TRUE(HasError(tooMany, "Too many files"));
}

} // namespace
