#include "common/Paths.h"

#include <gtest/gtest.h>

namespace {

std::string H(const std::string& s)
{
    // Writes a host path with "/" in the test and the host's separator in the code.
    std::string r = s;
    for (auto& c : r)
        if (c == '/')
            c = PathDelim;
    return r;
}

TEST(Paths, AppendPathPutsExactlyOneSeparator)
{
    EXPECT_EQ(AppendPath(H("/tmp/work/"), "a.txt"), H("/tmp/work/a.txt"));
    EXPECT_EQ(AppendPath(H("/tmp/work"), "a.txt"), H("/tmp/work/a.txt"));
    EXPECT_EQ(AppendPath("", "a.txt"), "a.txt");
#ifdef _WIN32
    EXPECT_EQ(AppendPath("C:\\Temp\\", "a.txt"), "C:\\Temp\\a.txt");
    EXPECT_EQ(AppendPath("C:\\Temp", "a.txt"), "C:\\Temp\\a.txt");
#else
    // A folder written on Windows and read here keeps its trailing "\" as a separator.
    EXPECT_EQ(AppendPath("dir\\", "a.txt"), "dir\\a.txt");
#endif
}

TEST(Paths, FileNamePartsSplitAtTheLastSeparator)
{
    EXPECT_EQ(ExtractFileName(H("/w/MyApp.vip")), "MyApp.vip");
    EXPECT_EQ(ExtractFilePath(H("/w/MyApp.vip")), H("/w/"));
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileExt(H("/my.vip.files/a")), "");
    EXPECT_EQ(ExtractFileExt("a.VIP"), ".VIP");
    EXPECT_EQ(ChangeFileExt(H("/my.dir/a.vip"), "_res.dat"), H("/my.dir/a_res.dat"));
    EXPECT_EQ(ChangeFileExt(H("/my.dir/a"), ".x"), H("/my.dir/a.x"));
}

TEST(Paths, TrailingSeparators)
{
    EXPECT_EQ(IncludeTrailingPathDelimiter(H("/a")), H("/a/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(H("/a/")), H("/a/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(H("/a//")), H("/a"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(H("/")), H("/"));
}

TEST(Paths, StripFileNameCharsRemovesTheNineCharacters)
{
    EXPECT_EQ(StripFileNameChars("Pocket / All"), "Pocket  All");
    EXPECT_EQ(StripFileNameChars("a/b\\c:d*e?f\"g<h>i|j"), "abcdefghij");
    EXPECT_EQ(StripFileNameChars("Nothing to strip. (ok)"), "Nothing to strip. (ok)");
}

TEST(Paths, TextHelpers)
{
    EXPECT_TRUE(SameText("Neutral", "NEUTRAL"));
    EXPECT_FALSE(SameText("Neutral", "Neutra"));
    EXPECT_EQ(Trim("  \t a b \r\n"), "a b");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(UpperCase("ab\xE9"), "AB\xE9");
}

TEST(Paths, NormalizeHostPath)
{
#ifdef _WIN32
    EXPECT_EQ(NormalizeHostPath("C:\\a\\b"), "C:\\a\\b");
#else
    EXPECT_EQ(NormalizeHostPath("src\\bin\\app.exe"), "src/bin/app.exe");
#endif
}

}
