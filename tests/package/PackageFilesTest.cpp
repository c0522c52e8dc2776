#include "package/PackageFiles.h"

#include "package/BuildChoice.h"
#include "package/ResourceFile.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/uScramble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t English = 9;
constexpr int32_t German = 7;

// The project "Demo" of "Firm" with the application "Viewer", in a
// temporary work folder.
class PackageFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ForceDirectories(FWork));
        ASSERT_TRUE(ForceDirectories(FTemp));
        FProject.SetApplicationName("Viewer");
        FProject.SetCompanyName("Firm");
        FProject.SetProjectFileName("Demo.vip");
        FProject.SetProjectDir(IncludeTrailingPathDelimiter(FWork));
    }

    TBuild& AddBuild(std::initializer_list<std::pair<TPlatform, TProcessor>> pairs)
    {
        auto build = std::make_unique<TBuild>();
        build->SetName("Main");
        for (auto [platform, processor] : pairs)
            build->AddPair(std::make_unique<TPlatformProcPair>(platform, processor));
        return *FProject.Builds().Add(std::move(build));
    }

    std::string Plain(const std::string& path) { return UnscrambleText(FDir.Read(path.substr(FDir.Path().size()))); }

    TempDir FDir;
    std::string FWork = FDir.File("Work Dir");
    std::string FTemp = FDir.File("temp");
    TProject FProject{"Firm"};
};

TEST_F(PackageFilesTest, ResourceFileOfTwoLanguages)
{
    FDir.Write("Demo_res.dat", ScrambleText("[English]\r\n1.String1 = Welcome\r\n2.EULA=EULA\r\n\r\n"
                                            "[German]\r\n1.String1=Willkommen\r\n\r\n"
                                            "[Neutral]\r\n1.String1=Hello %APPNAME%\r\n; a comment\r\n\r\n"
                                            "[French]\r\n1.String1=Bienvenue\r\n"));
    TScrambeledMemIniFile texts(FDir.File("Demo_res.dat"));
    TBuild& build = AddBuild({{plPPC300, pStrongARM}});
    build.Languages().Add(English);
    build.Languages().Add(German);
    build.SetDefaultLanguage(German);
    build.SetShowEULA(false);

    std::vector<std::string> files = WriteResourceFile(FProject, build, texts, FTemp);
    EXPECT_EQ(files,
              (std::vector<std::string>{AppendPath(FTemp, "Demo_res.DAT"), AppendPath(FWork, "EULA_English.txt"),
                                        AppendPath(FWork, "EULA_German.txt"), AppendPath(FWork, "EULA_Neutral.txt")}));
    EXPECT_EQ(Plain(files[0]),
              "[English]\r\n1.String1=Welcome\r\n2.EULA=EULA\r\n\r\n"
              "[German]\r\n1.String1=Willkommen\r\n\r\n"
              "[Neutral]\r\n1.String1=Hello %APPNAME%\r\n\r\n"
              "[General]\r\nDef_Lang=German\r\nStyle=0\r\nUse1=1\r\nUse2=0\r\nUse3=1\r\n"
              "AppName=Viewer\r\nCompanyName=Firm\r\n\r\n");

    // A second write replaces the first; no languages leaves Neutral and General.
    build.Languages().Clear();
    build.SetDefaultLanguage(German);
    build.SetSetupType(1);
    files = WriteResourceFile(FProject, build, texts, FTemp);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], AppendPath(FWork, "EULA_Neutral.txt"));
    EXPECT_EQ(Plain(files[0]),
              "[Neutral]\r\n1.String1=Hello %APPNAME%\r\n\r\n"
              "[General]\r\nDef_Lang=Neutral\r\nStyle=1\r\nUse1=1\r\nUse2=0\r\nUse3=1\r\n"
              "AppName=Viewer\r\nCompanyName=Firm\r\n\r\n");
}

TEST_F(PackageFilesTest, ResourceFileNamesAnExistingSetupImageOnly)
{
    TScrambeledMemIniFile texts(FDir.File("none_res.dat"));
    TBuild& build = AddBuild({{plAll, pAll}});
    const std::string image = AppendPath(FWork, "side.bmp");
    FProject.SetSetupImage(image);
    std::string plain = Plain(WriteResourceFile(FProject, build, texts, FTemp)[0]);
    EXPECT_EQ(plain.find("SetupImage"), std::string::npos) << plain;
    FDir.Write("Work Dir/side.bmp", "BM");
    plain = Plain(WriteResourceFile(FProject, build, texts, FTemp)[0]);
    EXPECT_NE(plain.find("CompanyName=Firm\r\nSetupImage=side.bmp\r\n"), std::string::npos) << plain;
}

TEST_F(PackageFilesTest, ResourceFileThatCannotBeWrittenRaisesTheFileError)
{
    TScrambeledMemIniFile texts(FDir.File("none_res.dat"));
    TBuild& build = AddBuild({{plAll, pAll}});
    std::string missing = FDir.File("no such folder");
    try {
        WriteResourceFile(FProject, build, texts, missing);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + AppendPath(missing, "Demo_res.DAT"));
    }
}

TEST_F(PackageFilesTest, CabFilesInPairOrder)
{
    TBuild& build = AddBuild({{plPPC300, pStrongARM}, {plAll, pAll}, {plPPC300, pHitachiSH3}, {plHPC, pAll}});
    EXPECT_EQ(
        GetCabFiles(FProject, build),
        (std::vector<std::string>{AppendPath(FWork, "Demo.PPC300_2577.CAB"), AppendPath(FWork, "Demo.CAB"),
                                  AppendPath(FWork, "Demo.PPC300_10003.CAB"), AppendPath(FWork, "Demo.HPC.CAB")}));
}

TEST_F(PackageFilesTest, AppManagerIniByteForByte)
{
    TBuild& build = AddBuild({{plPPC300, pStrongARM}, {plPPC300, pHitachiSH3}});
    std::vector<std::string> cabs = GetCabFiles(FProject, build);
    const std::string plain =
        "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Demo\r\n\r\n[Demo]\r\n"
        "Description = Firm's Viewer\r\n\r\n"
        "CabFiles = Demo.PPC300_2577.CAB,Demo.PPC300_10003.CAB\r\n";
    const std::string withIcon =
        "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Demo\r\n\r\n[Demo]\r\n"
        "Description = Firm's Viewer\r\n\r\nIconFile = app.ico\r\n\r\n"
        "CabFiles = Demo.PPC300_2577.CAB,Demo.PPC300_10003.CAB\r\n";
    struct Case {
        const char* what;
        std::string icon;
        bool exists;
        std::string expected;
    } cases[] = {
        {"no icon", "", false, plain},
        {"blank icon", "   ", false, plain},
        {"missing icon", AppendPath(FWork, "app.ico"), false, plain},
        {"existing icon", AppendPath(FWork, "app.ico"), true, withIcon},
    };
    for (const Case& c : cases) {
        if (c.exists)
            FDir.Write("Work Dir/app.ico", "icon");
        FProject.SetIconFile(c.icon);
        std::string path = WriteAppManagerIni(FProject, build, cabs, FTemp);
        EXPECT_EQ(path, AppendPath(FTemp, "Demo.ini"));
        EXPECT_EQ(FDir.Read("temp/Demo.ini"), c.expected) << c.what;
    }
}

TEST_F(PackageFilesTest, AllInOneIniNamesTheOneCab)
{
    TBuild& build = AddBuild({{plAll, pAll}});
    WriteAppManagerIni(FProject, build, GetCabFiles(FProject, build), FTemp);
    std::string text = FDir.Read("temp/Demo.ini");
    EXPECT_NE(text.find("\r\nCabFiles = Demo.CAB\r\n"), std::string::npos) << text;
}

TEST_F(PackageFilesTest, IndexFileByteForByte)
{
    TBuild& build = AddBuild({{plAll, pAll}});
    EXPECT_EQ(WriteIndexFile(FProject, build, FTemp), AppendPath(FTemp, "VI.INI"));
    EXPECT_EQ(FDir.Read("temp/VI.INI"), "[Setup Info]\r\nRes_file = Demo_res.dat\r\nini_file = Demo.ini\r\n");
}

TEST_F(PackageFilesTest, FolderNameAndSetupProgram)
{
    TBuild& build = AddBuild({{plAll, pAll}});
    build.SetName("Pocket / All");
    EXPECT_EQ(BuildFolderName(build), "Pocket  All");
    build.SetName("a\\b:c*d?e\"f<g>h|i");
    EXPECT_EQ(BuildFolderName(build), "abcdefghi");
    for (const char* name : {"..", "/..", ". .", ":", ""}) {
        build.SetName(name);
        EXPECT_FALSE(IsUsableFolderName(BuildFolderName(build))) << name;
    }
    EXPECT_TRUE(IsUsableFolderName("..a"));

    for (int pages = 0; pages < 8; ++pages) {
        build.SetShowWelcome(pages & 1);
        build.SetShowEULA(pages & 2);
        build.SetShowFinish(pages & 4);
        EXPECT_EQ(SetupProgramName(build), pages ? "Setup.exe" : "Deskstart.exe") << pages;
    }
}

TEST_F(PackageFilesTest, PreparingBuildsRefreshesOnlyAllInOneBuilds)
{
    TPairList pairs;
    pairs.push_back(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
    pairs.push_back(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
    TLanguages languages;
    languages.Add(NeutralLanguage);
    languages.Add(English);
    languages.Add(German);

    PrepareBuilds(FProject, pairs, languages);
    ASSERT_EQ(FProject.Builds().Count(), 1);
    TBuild* all = FProject.Builds().GetBuild(0);
    EXPECT_EQ(all->Name(), "All In One");
    EXPECT_TRUE(all->AllInOne());
    ASSERT_EQ(all->PairCount(), 2);
    EXPECT_EQ(all->GetPair(1)->GetPairName(), "PPC300_10003");
    ASSERT_EQ(all->Languages().Count(), 2);
    EXPECT_EQ(all->Languages().Items(0)->FLanguage, English);
    EXPECT_EQ(all->DefaultLanguage(), English);

    // Own builds keep their pairs; the all-in-one build follows the pairs.
    TBuild& own = AddBuild({{plHPC, pAll}});
    all->SetDefaultLanguage(German);
    pairs.pop_back();
    PrepareBuilds(FProject, pairs, languages);
    EXPECT_EQ(FProject.Builds().Count(), 2);
    EXPECT_EQ(all->PairCount(), 1);
    EXPECT_EQ(all->DefaultLanguage(), German);
    ASSERT_EQ(own.PairCount(), 1);
    EXPECT_EQ(own.GetPair(0)->GetPairName(), "HPC");
}

}
