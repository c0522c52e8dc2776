#include "package/BuildValidation.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Builds.h"
#include "model/Folders.h"
#include "package/DeviceSectionPlan.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A project "Viewer" by "Firm" whose sources are written into a temporary folder.
class BuildValidationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FProject.SetApplicationName("Viewer");
        FProject.AppFolder()->SetName("Viewer");
        FProject.CompanyFolder()->SetName("Firm");
    }

    // Writes the source file and returns its folder.
    std::string Source(const std::string& relative, const std::string& content = "bytes")
    {
        std::string path = AppendPath(FDir.Path(), relative);
        ForceDirectories(ExtractFilePath(path));
        WriteFileAtomic(path, content);
        return ExcludeTrailingPathDelimiter(ExtractFilePath(path));
    }

    TFile* Add(const std::string& relative, TProcessor processor = pStrongARM, TFolder* folder = nullptr)
    {
        return AddProjectFile(FProject, Source(relative), ExtractFileName(relative), AllPlatforms, processor, folder);
    }

    // The problems of the one section of the plan for the processor.
    std::vector<std::string> SectionProblems(TProcessor processor = pStrongARM)
    {
        TDeviceSectionPlan plan = PlanDeviceSections(FProject);
        for (const auto& section : plan.FDeviceSections)
            if (section->Processor() == processor)
                return CheckDeviceSection(*section);
        ADD_FAILURE() << "no section for the processor";
        return {};
    }

    std::string Host(const std::string& relative) const { return AppendPath(FDir.Path(), relative); }

    TempDir FDir;
    TProject FProject{"Firm"};
};

TEST_F(BuildValidationTest, TwoFilesOfOneNameInOneDeviceFolderAreNamedWithTheirSources)
{
    Add("one/App.exe");
    Add("two/APP.EXE"); // Windows sees one name
    Add("one/readme.txt");
    EXPECT_EQ(SectionProblems(),
              std::vector<std::string>{"The files " + Host("one/App.exe") + " and " + Host("two/APP.EXE") +
                                       " are both installed as \\Program Files\\Firm\\Viewer\\App.exe for All "
                                       "Platforms / StrongARM: the device keeps only one of them. Rename one or "
                                       "put it into another folder."});
}

TEST_F(BuildValidationTest, AccentedLettersFoldAsWindowsFoldsThem)
{
    // Model names are Windows-1252; the host files are UTF-8.
    AddProjectFile(FProject, Source("one/Caf\xC3\xA9.txt"), "Caf\xE9.txt", AllPlatforms, pStrongARM);
    AddProjectFile(FProject, Source("two/CAF\xC3\x89.TXT"), "CAF\xC9.TXT", AllPlatforms, pStrongARM);
    ASSERT_EQ(SectionProblems().size(), 1u);
    EXPECT_NE(SectionProblems()[0].find("are both installed as \\Program Files\\Firm\\Viewer\\Caf\xE9.txt"),
              std::string::npos)
        << SectionProblems()[0];
}

TEST_F(BuildValidationTest, OneNameInTwoDeviceFoldersIsStagedButNotTwiceInOneOfThem)
{
    // The build stages each under a name of its own; a third file of the
    // name in the first one's folder is still one too many.
    Add("one/app.exe");
    Add("two/app.exe", pStrongARM, FProject.Folders().FindWindowsFolder());
    EXPECT_EQ(SectionProblems(), std::vector<std::string>{});
    Add("three/app.exe", pStrongARM, FProject.Folders().FindWindowsFolder());
    EXPECT_EQ(SectionProblems(),
              std::vector<std::string>{"The files " + Host("two/app.exe") + " and " + Host("three/app.exe") +
                                       " are both installed as \\Windows\\app.exe for All Platforms / StrongARM: "
                                       "the device keeps only one of them. Rename one or put it into another "
                                       "folder."});
}

TEST_F(BuildValidationTest, SameNamesInOtherCabFilesOrFromOneSourceAreNoProblem)
{
    Add("one/app.exe");
    Add("three/app.exe", pHitachiSH3); // another target's CAB file
    // The same source twice installs the same bytes, in one folder or two.
    AddProjectFile(FProject, ExtractFilePath(Host("one/app.exe")), "app.exe", AllPlatforms, pStrongARM);
    AddProjectFile(FProject, ExtractFilePath(Host("one/app.exe")), "app.exe", AllPlatforms, pStrongARM,
                   FProject.Folders().FindWindowsFolder());
    EXPECT_EQ(SectionProblems(pStrongARM), std::vector<std::string>{});
    EXPECT_EQ(SectionProblems(pHitachiSH3), std::vector<std::string>{});
}

TEST_F(BuildValidationTest, ACabFileNumbersAtMost998Files)
{
    for (int i = 0; i < 998; ++i)
        Add("many/f" + std::to_string(i) + ".txt");
    EXPECT_EQ(SectionProblems(), std::vector<std::string>{});
    Add("many/one more.txt");
    EXPECT_EQ(SectionProblems(),
              std::vector<std::string>{"The target All Platforms / StrongARM has 999 files, more than the 998 that "
                                       "one CAB file can hold."});
}

TEST_F(BuildValidationTest, ASourceThatExistsButCannotBeReadIsNamedWithTheReason)
{
    Add("ok.txt");
    // No permission stops root, but this file refuses its first byte to anyone.
    AddProjectFile(FProject, "/proc/self", "mem", AllPlatforms, pStrongARM);
    EXPECT_EQ(SectionProblems(), std::vector<std::string>{"The file /proc/self/mem cannot be read: " +
                                                          std::string(std::strerror(EIO)) + "."});
}

TEST_F(BuildValidationTest, ASourceWithoutReadPermissionIsNamed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    Add("locked.txt");
    fs::permissions(Host("locked.txt"), fs::perms::none);
    EXPECT_EQ(SectionProblems(), std::vector<std::string>{"The file " + Host("locked.txt") +
                                                          " cannot be read: " + std::strerror(EACCES) + "."});
    fs::permissions(Host("locked.txt"), fs::perms::owner_all);
}

// The first bytes of each kind of file, and whether the setup wizard shows it.
struct TPictureCase {
    const char* Kind;
    std::vector<uint8_t> Head;
    bool Showable;
    bool Icon;
};

std::vector<uint8_t> EmfHead()
{
    std::vector<uint8_t> head(44, 0);
    head[0] = 1;
    head[40] = ' ', head[41] = 'E', head[42] = 'M', head[43] = 'F';
    return head;
}

class PictureKindTest : public ::testing::TestWithParam<TPictureCase> {};

TEST_P(PictureKindTest, IsToldByItsFirstBytes)
{
    EXPECT_EQ(IsShowablePicture(GetParam().Head), GetParam().Showable);
    EXPECT_EQ(IsWindowsIcon(GetParam().Head), GetParam().Icon);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureKindTest,
    ::testing::Values(TPictureCase{"Bitmap", {'B', 'M', 0x36, 0, 0, 0}, true, false},
                      TPictureCase{"Jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}, true, false},
                      TPictureCase{"Gif87", {'G', 'I', 'F', '8', '7', 'a', 1, 0}, true, false},
                      TPictureCase{"Gif89", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, true, false},
                      TPictureCase{"Icon", {0, 0, 1, 0, 1, 0, 32, 32}, true, true},
                      TPictureCase{"PlaceableMetafile", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0}, true, false},
                      TPictureCase{"EnhancedMetafile", EmfHead(), true, false},
                      // The setup wizard's picture loader knows no PNG.
                      TPictureCase{"Png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, false, false},
                      TPictureCase{"IconWithoutImages", {0, 0, 1, 0, 0, 0}, false, false},
                      TPictureCase{"Cursor", {0, 0, 2, 0, 1, 0}, false, false},
                      TPictureCase{"Text", {'h', 'e', 'l', 'l', 'o'}, false, false},
                      TPictureCase{"TooShortForAnything", {'B'}, false, false},
                      TPictureCase{"Empty", {}, false, false},
                      // An EMF record header without the signature is some other file.
                      TPictureCase{"HeaderWithoutEmfSignature", std::vector<uint8_t>{1, 0, 0, 0, 0x6C, 0}, false,
                                   false}),
    [](const auto& info) { return std::string(info.param.Kind); });
// clang-format on

TEST_F(BuildValidationTest, PicturesThePackageCannotShowAreNamed)
{
    Source("art/setup.png", std::string("\x89PNG\r\n\x1A\n", 8) + "rest");
    Source("art/app.ico", "BM not an icon");
    FProject.SetSetupImage(Host("art/setup.png"));
    FProject.SetIconFile(Host("art/app.ico"));
    EXPECT_EQ(CheckPackagePictures(FProject),
              (std::vector<std::string>{"The setup image " + Host("art/setup.png") +
                                            " is not a picture the setup wizard can show (a bitmap, JPEG, GIF, "
                                            "icon or metafile).",
                                        "The icon file " + Host("art/app.ico") + " is not a Windows icon (.ico)."}));

    Source("art/setup.bmp", "BM....");
    Source("art/good.ico", std::string("\0\0\1\0\1\0", 6) + "entry");
    FProject.SetSetupImage(Host("art/setup.bmp"));
    FProject.SetIconFile(Host("art/good.ico"));
    EXPECT_EQ(CheckPackagePictures(FProject), std::vector<std::string>{});

    // A picture that is not there is left out of the package, as before.
    FProject.SetSetupImage(Host("art/gone.bmp"));
    FProject.SetIconFile("");
    EXPECT_EQ(CheckPackagePictures(FProject), std::vector<std::string>{});
}

TEST_F(BuildValidationTest, JpegCodingsTheWizardCannotShowAreNamed)
{
    // A JPEG from its start of image to its frame header, with a large
    // application segment before the frame, as cameras write them.
    auto jpeg = [](uint8_t frame, int components) {
        std::string bytes = "\xFF\xD8\xFF\xE1";
        const int appLength = 70000 / 2;
        bytes += char(appLength >> 8);
        bytes += char(appLength & 0xFF);
        bytes += std::string(appLength - 2, 'x');
        bytes += "\xFF";
        bytes += char(frame);
        const int length = 8 + 3 * components;
        bytes += char(length >> 8);
        bytes += char(length & 0xFF);
        bytes += std::string("\x08\x01\x27\x00\xB9", 5) + char(components);
        bytes += std::string(3 * components, '\x11');
        return bytes + "\xFF\xDA";
    };
    const struct {
        const char* Name;
        std::string Bytes;
        const char* Problem;
    } cases[] = {
        {"baseline", jpeg(0xC0, 3), ""},
        {"gray", jpeg(0xC0, 1), ""},
        {"extended", jpeg(0xC1, 3), ""},
        {"progressive", jpeg(0xC2, 3),
         "a progressive JPEG, which the setup wizard cannot show (save it as a baseline JPEG)"},
        {"cmyk", jpeg(0xC0, 4), "a CMYK JPEG, which the setup wizard cannot show (save it in RGB colours)"},
        {"arithmetic", jpeg(0xC9, 3), "a JPEG in a coding the setup wizard cannot show (save it as a baseline JPEG)"},
        {"cut", jpeg(0xC2, 3).substr(0, 1000), ""},
        {"bitmap", "BM....", ""},
    };
    for (const auto& c : cases) {
        Source(std::string("art/") + c.Name + ".jpg", c.Bytes);
        EXPECT_EQ(JpegShowProblem(Host(std::string("art/") + c.Name + ".jpg")), c.Problem) << c.Name;
    }
    FProject.SetSetupImage(Host("art/progressive.jpg"));
    EXPECT_EQ(
        CheckPackagePictures(FProject),
        std::vector<std::string>{"The setup image " + Host("art/progressive.jpg") + " is " + cases[3].Problem + "."});
}

TEST_F(BuildValidationTest, EachBuildGetsTheProblemsOfTheSectionsItNeedsOnce)
{
    Add("one/app.exe");
    Add("two/app.exe");
    Add("sh3/sh3.exe", pHitachiSH3);
    Add("both/readme.txt", pAll); // in both sections
    Source("bad.ico", "no icon");
    FProject.SetIconFile(Host("bad.ico"));

    TBuild arm, sh3, armAndSh3;
    arm.AddPair(std::make_unique<TPlatformProcPair>(plAll, pStrongARM));
    sh3.AddPair(std::make_unique<TPlatformProcPair>(plAll, pHitachiSH3));
    armAndSh3.AddPair(std::make_unique<TPlatformProcPair>(plAll, pStrongARM));
    armAndSh3.AddPair(std::make_unique<TPlatformProcPair>(plAll, pHitachiSH3));
    armAndSh3.AddPair(std::make_unique<TPlatformProcPair>(plAll, pStrongARM));
    const TDeviceSectionPlan plan = PlanDeviceSections(FProject);
    const auto problems = CheckBuilds(FProject, plan, {&arm, &sh3, &armAndSh3});

    const std::string duplicate = "The files " + Host("one/app.exe") + " and " + Host("two/app.exe") +
                                  " are both installed as \\Program Files\\Firm\\Viewer\\app.exe for All Platforms / "
                                  "StrongARM: the device keeps only one of them. Rename one or put it into another "
                                  "folder.";
    const std::string icon = "The icon file " + Host("bad.ico") + " is not a Windows icon (.ico).";
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], (std::vector<std::string>{duplicate, icon}));
    EXPECT_EQ(problems[1], std::vector<std::string>{icon});
    EXPECT_EQ(problems[2], (std::vector<std::string>{duplicate, icon}));
}

TEST(BuildNotMadeMessage, ShowsFiveProblemsAndCountsTheRest)
{
    TBuild build;
    build.SetName("Pocket PC");
    EXPECT_EQ(BuildNotMadeMessage(build, {"a", "b"}), "The build \"Pocket PC\" was not made:\r\na\r\nb");
    EXPECT_EQ(BuildNotMadeMessage(build, {"1", "2", "3", "4", "5", "6", "7"}),
              "The build \"Pocket PC\" was not made:\r\n1\r\n2\r\n3\r\n4\r\n5\r\n... and 2 more in the log.");
}

}
