// Drive-letter paths of projects written on Windows, found through the
// drive mapping of the user's Wine prefix.

#include "support/TestSupport.h"

#include "common/Paths.h"
#include "common/Platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Points WINEPREFIX at a scratch prefix for the test's duration.
class WineDriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("WINEPREFIX"))
            Saved = old;
        Prefix = AppendPath(Temp.Path(), "prefix");
        ASSERT_TRUE(ForceDirectories(AppendPath(Prefix, "dosdevices")));
        ASSERT_TRUE(ForceDirectories(AppendPath(Prefix, "drive_c")));
        std::filesystem::create_directory_symlink("../drive_c", AppendPath(AppendPath(Prefix, "dosdevices"), "c:"));
        setenv("WINEPREFIX", Prefix.c_str(), 1);
        Sdk = AppendPath(Prefix, "drive_c/Windows CE Tools/wce300/Pocket PC 2002/mfc/lib/arm");
        ASSERT_TRUE(ForceDirectories(Sdk));
        Temp.Write("prefix/drive_c/Windows CE Tools/wce300/Pocket PC 2002/mfc/lib/arm/mfcce300.dll", "MZ");
    }
    void TearDown() override
    {
        if (Saved)
            setenv("WINEPREFIX", Saved->c_str(), 1);
        else
            unsetenv("WINEPREFIX");
    }

    TempDir Temp;
    std::optional<std::string> Saved;
    std::string Prefix;
    std::string Sdk;
};

TEST_F(WineDriveTest, DrivePathsAreFoundThroughThePrefixIgnoringCase)
{
    const std::string written = "C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\mfc\\Lib\\ARM\\mfcce300.dll";
    std::string mapped = WineDrivePath(written);
    EXPECT_TRUE(FileExists(mapped)) << mapped;
    EXPECT_EQ(std::filesystem::canonical(mapped), std::filesystem::canonical(AppendPath(Sdk, "mfcce300.dll")));
    EXPECT_EQ(NormalizeHostPath(written), mapped);
    // The lower-case drive letter and the other separator mean the same.
    EXPECT_EQ(NormalizeHostPath("c:/Windows CE Tools/wce300/Pocket PC 2002/mfc/Lib/ARM/"),
              WineDrivePath("C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\mfc\\Lib\\ARM"));
}

TEST_F(WineDriveTest, OtherPathsStayAsWritten)
{
    EXPECT_EQ(WineDrivePath("relative\\dir\\a.dll"), "");
    EXPECT_EQ(WineDrivePath("/abs/a.dll"), "");
    // No drive d: in the prefix.
    EXPECT_EQ(WineDrivePath("D:\\sdk\\a.dll"), "");
    EXPECT_EQ(NormalizeHostPath("D:\\sdk\\a.dll"), "D:/sdk/a.dll");
    // Missing on drive c: too: reported as written.
    EXPECT_EQ(NormalizeHostPath("C:\\Nowhere\\a.dll"), "C:/Nowhere/a.dll");
}

TEST_F(WineDriveTest, APathThatExistsAsWrittenWins)
{
    TCurrentFolder here(Temp.Path());
    ASSERT_TRUE(ForceDirectories(Temp.File("C:/local")));
    ASSERT_TRUE(ForceDirectories(Temp.File("prefix/drive_c/local")));
    Temp.Write("C:/local/a.dll", "x");
    Temp.Write("prefix/drive_c/local/a.dll", "y");
    EXPECT_EQ(NormalizeHostPath("C:\\local\\a.dll"), "C:/local/a.dll");
}

TEST_F(WineDriveTest, WithoutAPrefixNothingIsMapped)
{
    setenv("WINEPREFIX", AppendPath(Temp.Path(), "no-such-prefix").c_str(), 1);
    EXPECT_EQ(WineDrivePath("C:\\Windows CE Tools\\x.dll"), "");
}

}
