// The default texts and licence that ship beside the builder, and the tool
// that makes them.

#include "storage/TextKeys.h"
#include "storage/uScramble.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace {

std::string ProgramDir()
{
    // CTest names the program folder; run by hand, the test program sits in
    // tests/ beside bin/.
    const char* dir = std::getenv("VI_PROGRAM_DIR");
    return dir && *dir ? dir : AppendPath(GetProgramDir(), "../bin");
}

int RunTool(const std::string& command)
{
    int status = std::system((command + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& s)
{
    return "'" + s + "'";
}

} // namespace

TEST(ShippedData, ResourcesHoldEveryKeyInNeutralAndEnglish)
{
    std::string path = AppendPath(ProgramDir(), "Resources.dat");
    ASSERT_TRUE(FileExists(path)) << path;
    std::vector<uint8_t> before = ReadFileBytes(path);
    TScrambeledMemIniFile texts(path);
    for (const char* language : {"Neutral", "English"}) {
        for (const TTextKey& key : TextKeyTable())
            EXPECT_NE(texts.ReadString(language, key.Key, ""), "") << language << " " << key.Key;
        EXPECT_EQ(texts.ReadString(language, LicenceKey, ""), "EULA");
    }
    // Already in the stored layout: a save would not change a byte.
    EXPECT_EQ(ScrambleText(texts.PlainText()), std::string(before.begin(), before.end()));
}

TEST(ShippedData, LicenceIsRichText)
{
    std::string path = AppendPath(ProgramDir(), "EULA_Neutral.txt");
    ASSERT_TRUE(FileExists(path)) << path;
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(text.find("%AppName%"), std::string::npos);
    EXPECT_NE(text.find("%CompanyName%"), std::string::npos);
}

TEST(Viscramble, EncodesAndDecodesByteForByte)
{
    std::string tool = AppendPath(ProgramDir(), "viscramble");
    ASSERT_TRUE(FileExists(tool)) << tool;
    TempDir dir;
    // Not INI at all, and with a NUL: the tool does not parse.
    std::string plain = std::string("[S]\r\nk = v\n\0tail", 16) + std::string(600, 'x');
    dir.Write("plain.txt", plain);

    ASSERT_EQ(RunTool(Quote(tool) + " encode " + Quote(dir.File("plain.txt")) + " " + Quote(dir.File("s.dat"))), 0);
    EXPECT_EQ(dir.Read("s.dat"), ScrambleText(plain));
    TScrambeledMemIniFile ini(dir.File("s.dat"));
    EXPECT_EQ(ini.ReadString("S", "k", ""), "v");

    ASSERT_EQ(RunTool(Quote(tool) + " decode " + Quote(dir.File("s.dat")) + " - > " + Quote(dir.File("out.txt"))), 0);
    EXPECT_EQ(dir.Read("out.txt"), plain);
    ASSERT_EQ(RunTool(Quote(tool) + " decode " + Quote(dir.File("s.dat")) + " " + Quote(dir.File("back.txt"))), 0);
    EXPECT_EQ(dir.Read("back.txt"), plain);

    EXPECT_EQ(RunTool(Quote(tool) + " --help >/dev/null"), 0);
    EXPECT_EQ(RunTool(Quote(tool) + " encode onlyone"), 2);
    EXPECT_EQ(RunTool(Quote(tool) + " shuffle a b"), 2);
    EXPECT_EQ(RunTool(Quote(tool) + " decode " + Quote(dir.File("missing")) + " " + Quote(dir.File("x"))), 1);
    EXPECT_FALSE(FileExists(dir.File("x")));
}
