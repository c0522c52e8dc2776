#include "common/Platform.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

TEST(Platform, TempDirEndsWithSeparator)
{
    std::string dir = GetTempDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(IsPathDelimiter(dir.back()));
    EXPECT_TRUE(DirectoryExists(dir));
}

#ifndef _WIN32
TEST(Platform, TempDirFollowsTmpdir)
{
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(GetTempDir(), "/var/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempDir(), "/tmp/");
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
}
#endif

TEST(Platform, PrivateTempDirsAreDistinct)
{
    std::string a = CreatePrivateTempDir("vitest_");
    std::string b = CreatePrivateTempDir("vitest_");
    EXPECT_NE(a, b);
    EXPECT_TRUE(DirectoryExists(a));
    RemoveTree(a);
    RemoveTree(b);
    EXPECT_FALSE(DirectoryExists(a));
}

TEST(Platform, AtomicWriteReplacesAndLeavesNoSiblingBehind)
{
    TempDir tmp;
    std::string path = tmp.File("project.vip");
    WriteFileAtomic(path, std::string("first"));
    WriteFileAtomic(path, std::string("second version"));
    EXPECT_EQ(tmp.Read("project.vip"), "second version");
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(tmp.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(Platform, FailedAtomicWriteKeepsTheOldFile)
{
    TempDir tmp;
    std::string path = tmp.File("keep.txt");
    WriteFileAtomic(path, std::string("good"));
    // The target's folder does not exist: the write fails before touching anything.
    EXPECT_THROW(WriteFileAtomic(tmp.File("missing/keep.txt"), std::string("x")), Exception);
    EXPECT_EQ(tmp.Read("keep.txt"), "good");
}

TEST(Platform, ReplaceFileWithSwapsInTheNewFileOrKeepsTheOld)
{
    TempDir tmp;
    tmp.Write("Setup.exe", "unsigned");
    tmp.Write("Setup.exe.signed", "signed");
    ReplaceFileWith(tmp.File("Setup.exe"), tmp.File("Setup.exe.signed"));
    EXPECT_EQ(tmp.Read("Setup.exe"), "signed");
    EXPECT_FALSE(FileExists(tmp.File("Setup.exe.signed")));

    // A replacement that is not there leaves the target as it was.
    try {
        ReplaceFileWith(tmp.File("Setup.exe"), tmp.File("gone"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("Cannot replace \"" + tmp.File("Setup.exe") + "\"."), std::string::npos)
            << e.Message();
    }
    EXPECT_EQ(tmp.Read("Setup.exe"), "signed");
}

TEST(Platform, CopyWithoutOverwrite)
{
    TempDir tmp;
    tmp.Write("a", "A");
    tmp.Write("b", "B");
    EXPECT_FALSE(CopyFileNoOverwrite(tmp.File("a"), tmp.File("b")));
    EXPECT_EQ(tmp.Read("b"), "B");
    EXPECT_TRUE(CopyFileNoOverwrite(tmp.File("a"), tmp.File("c")));
    EXPECT_EQ(tmp.Read("c"), "A");
}

TEST(Platform, RemovesOnlyEmptyFolders)
{
    TempDir tmp;
    ASSERT_TRUE(ForceDirectories(tmp.File("full/empty")));
    tmp.Write("full/file", "x");
    EXPECT_TRUE(RemoveEmptyDirectory(tmp.File("empty-missing")));
    EXPECT_FALSE(RemoveEmptyDirectory(tmp.File("full")));
    EXPECT_EQ(tmp.Read("full/file"), "x");
    EXPECT_TRUE(RemoveEmptyDirectory(tmp.File("full/empty/")));
    EXPECT_FALSE(DirectoryExists(tmp.File("full/empty")));
    // A file is no folder, and stays.
    RemoveEmptyDirectory(tmp.File("full/file"));
    EXPECT_EQ(tmp.Read("full/file"), "x");
}

#ifndef _WIN32
// The program folder belongs to the system on these hosts; new work goes
// below the user's home.
TEST(Platform, ProjectsBaseFolderLiesInTheHomeFolder)
{
    const char* old = std::getenv("HOME");
    std::string saved = old ? old : "";
    setenv("HOME", "/home/author", 1);
    EXPECT_EQ(GetProjectsBaseDir("/usr/lib/veltrin/"), "/home/author/My Projects/");
    setenv("HOME", "/home/author/", 1);
    EXPECT_EQ(GetProjectsBaseDir("/usr/lib/veltrin/"), "/home/author/My Projects/");
    if (old)
        setenv("HOME", saved.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST(Platform, ReadProblemsOfFilesThatCannotBeRead)
{
    TempDir dir;
    dir.Write("plain.txt", "text");
    dir.Write("empty.txt", "");
    EXPECT_EQ(FileReadProblem(dir.File("plain.txt")), "");
    EXPECT_EQ(FileReadProblem(dir.File("empty.txt")), "");
    EXPECT_EQ(FileReadProblem(dir.File("missing.txt")), std::strerror(ENOENT));
    // A folder opens read-only on POSIX, but it has no bytes to read.
    ASSERT_TRUE(ForceDirectories(dir.File("folder")));
    EXPECT_EQ(FileReadProblem(dir.File("folder")), std::strerror(EISDIR));
    // Exists as a regular file and opens even for root, but no byte of it reads.
    EXPECT_EQ(FileReadProblem("/proc/self/mem"), std::strerror(EIO));
}

TEST(Platform, PermissionsDenyReadingToOrdinaryUsers)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    TempDir dir;
    dir.Write("secret.txt", "text");
    std::filesystem::permissions(dir.File("secret.txt"), std::filesystem::perms::none);
    EXPECT_EQ(FileReadProblem(dir.File("secret.txt")), std::strerror(EACCES));
    std::filesystem::permissions(dir.File("secret.txt"), std::filesystem::perms::owner_all);
}

TEST(Platform, SameFileUnderTwoSpellings)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    dir.Write("b.txt", "a");
    EXPECT_TRUE(IsSameFile(dir.File("a.txt"), dir.File("a.txt")));
    EXPECT_TRUE(IsSameFile(dir.File("a.txt"), dir.Path() + "./a.txt"));
    EXPECT_FALSE(IsSameFile(dir.File("a.txt"), dir.File("b.txt")));
    EXPECT_FALSE(IsSameFile(dir.File("a.txt"), dir.File("gone.txt")));
    EXPECT_FALSE(IsSameFile(dir.File("gone.txt"), dir.File("also gone.txt")));
}
#endif

TEST(Platform, ReadingAMissingFileNamesIt)
{
    try {
        ReadFileBytes("/nonexistent/dir/file.vip");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("/nonexistent/dir/file.vip"), std::string::npos);
    }
}

}

TEST(Platform, EnvironmentTextExpandsKnownVariablesOnly)
{
    setenv("VI_EXPAND_A", "C:\\Windows", 1);
    unsetenv("VI_EXPAND_MISSING");
    EXPECT_EQ(ExpandEnvironmentText("%VI_EXPAND_A%\\WindowsMobile"), "C:\\Windows\\WindowsMobile");
    EXPECT_EQ(ExpandEnvironmentText("100% of %VI_EXPAND_MISSING% and %VI_EXPAND_A%"),
              "100% of %VI_EXPAND_MISSING% and C:\\Windows");
    EXPECT_EQ(ExpandEnvironmentText("50%"), "50%");
    EXPECT_EQ(ExpandEnvironmentText("%%VI_EXPAND_A%"), "%C:\\Windows");
    unsetenv("VI_EXPAND_A");
}
