#include "storage/uScramble.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

// Writes the plain text scrambled, as another program would have saved it.
void WriteScrambled(const std::string& path, const std::string& plain)
{
    WriteFileAtomic(path, ScrambleText(plain));
}

std::string ReadPlain(const std::string& path)
{
    std::vector<uint8_t> raw = ReadFileBytes(path);
    return UnscrambleText(std::string(raw.begin(), raw.end()));
}

} // namespace

TEST(ScrambeledMemIniFile, LoadAppliesTheLineRules)
{
    TempDir dir;
    std::string path = dir.File("t.dat");
    WriteScrambled(path,
                   "orphan=dropped\r\n"
                   "; a comment\r\n"
                   "  [ First ]  \r\n"
                   "   key1   =   value one  \r\n"
                   "\r\n"
                   "; also a comment\n"
                   "no equals sign\r"
                   "key2=a=b\n"
                   "[Second]\r\n"
                   "\tk = \r\n"
                   "[]\r\n"
                   "x=1");
    TScrambeledMemIniFile ini(path);
    EXPECT_EQ(ini.PlainText(),
              "[First]\r\nkey1=value one\r\nno equals sign\r\nkey2=a=b\r\n\r\n"
              "[Second]\r\nk=\r\n\r\n"
              "[]\r\nx=1\r\n\r\n");
    EXPECT_EQ(ini.ReadString("first", "KEY2", "?"), "a=b");
    EXPECT_EQ(ini.ReadString("Second", "k", "?"), "");
}

TEST(ScrambeledMemIniFile, NulEndsTheText)
{
    TempDir dir;
    std::string path = dir.File("t.dat");
    WriteScrambled(path, std::string("[A]\r\nx=1\r\ny=2", 14) + std::string(1, '\0') + "\r\nz=3\r\n[B]\r\n");
    TScrambeledMemIniFile ini(path);
    std::vector<std::string> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, std::vector<std::string>{"A"});
    EXPECT_EQ(ini.ReadString("A", "y", "?"), "2");
    EXPECT_EQ(ini.ReadString("A", "z", "?"), "?");
    ini.UpdateFile();
    EXPECT_EQ(ReadPlain(path), "[A]\r\nx=1\r\ny=2\r\n\r\n");
}

TEST(ScrambeledMemIniFile, MissingFileIsCreatedEmptyAndEmptyContentSavesAsNothing)
{
    TempDir dir;
    std::string path = dir.File("new_res.dat");
    {
        TScrambeledMemIniFile ini(path);
        EXPECT_EQ(ini.FileName(), path);
        std::vector<std::string> sections;
        ini.ReadSections(sections);
        EXPECT_TRUE(sections.empty());
    }
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(FileSize(path), 0);

    TScrambeledMemIniFile ini(path);
    ini.WriteString("S", "a", "1");
    ini.EraseSection("s");
    ini.UpdateFile();
    EXPECT_EQ(FileSize(path), 0);
}

TEST(ScrambeledMemIniFile, WriteStringReplacesOrAppends)
{
    TempDir dir;
    TScrambeledMemIniFile ini(dir.File("t.dat"));
    ini.WriteString("One", "a", "1");
    ini.WriteString("Two", "b", "2");
    ini.WriteString("ONE", "c", "3");
    ini.WriteString("one", "A", "first again");
    ini.WriteBool("Two", "flag", true);
    ini.WriteBool("Two", "off", false);
    EXPECT_EQ(ini.PlainText(), "[One]\r\nA=first again\r\nc=3\r\n\r\n[Two]\r\nb=2\r\nflag=1\r\noff=0\r\n\r\n");

    std::vector<std::string> values{"stale"};
    ini.ReadSectionValues("two", values);
    EXPECT_EQ(values, (std::vector<std::string>{"b=2", "flag=1", "off=0"}));
    ini.ReadSectionValues("Three", values);
    EXPECT_TRUE(values.empty());
}

TEST(ScrambeledMemIniFile, SavesAndLoadsBack)
{
    TempDir dir;
    std::string path = dir.File("t.dat");
    {
        TScrambeledMemIniFile ini(path);
        ini.WriteString("English", "1.String1", "Welcome to %APPNAME%");
        ini.WriteString("English", "4.BackBtn", "< &Back");
        ini.WriteString("German", "4.BackBtn",
                        "< &Zur\xFC"
                        "ck");
        ini.UpdateFile();
        EXPECT_EQ(ReadPlain(path), ini.PlainText());
    }
    TScrambeledMemIniFile again(path);
    EXPECT_EQ(again.ReadString("german", "4.backbtn", ""),
              "< &Zur\xFC"
              "ck");
    EXPECT_EQ(again.ReadString("English", "1.String1", ""), "Welcome to %APPNAME%");

    // Nothing else is left in the folder by the save.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(ScrambeledMemIniFile, FailedSaveKeepsThePreviousFile)
{
    TempDir dir;
    std::string path = dir.File("t.dat");
    WriteScrambled(path, "[A]\r\nx=1\r\n\r\n");
    std::vector<uint8_t> before = ReadFileBytes(path);

    TScrambeledMemIniFile ini(path);
    ini.WriteString("A", "x", "2");
    // Block the sibling file the save writes first.
    std::string sibling = path + ".~" + std::to_string(CurrentProcessId()) + ".tmp";
    ASSERT_TRUE(ForceDirectories(sibling));
    try {
        ini.UpdateFile();
        FAIL() << "the save went through";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

// A folder is no file: making the missing file fails.
TEST(ScrambeledMemIniFile, FolderInPlaceOfTheFileFailsTheLoad)
{
    TempDir dir;
    ASSERT_TRUE(ForceDirectories(dir.File("folder.dat")));
    try {
        TScrambeledMemIniFile ini(dir.File("folder.dat"));
        FAIL() << "loaded a folder";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + dir.File("folder.dat"));
    }
}

TEST(ScrambeledMemIniFile, ReadInteger)
{
    TempDir dir;
    TScrambeledMemIniFile ini(dir.File("t.dat"));
    struct Case {
        const char* value;
        int32_t expected;
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+5", 5},
        {"$1F", 31},
        {"$1f", 31},
        {"0x1f", 31},
        {"0X10", 16},
        {"0x", -99},
        {"$", -99},
        {"abc", -99},
        {"12a", -99},
        {"", -99},
        {"2147483647", 2147483647},
        {"2147483648", -99},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"$100000000", -99},
        {"1 2", -99},
        {"0", 0},
        {"007", 7},
    };
    for (const Case& c : cases) {
        ini.WriteString("N", "v", c.value);
        EXPECT_EQ(ini.ReadInteger("n", "V", -99), c.expected) << "value \"" << c.value << "\"";
    }
    EXPECT_EQ(ini.ReadInteger("N", "missing", 42), 42);
    EXPECT_EQ(ini.ReadInteger("Missing", "v", 43), 43);
}

TEST(ScrambeledMemIniFile, ExpandsPlaceholdersInAnyCase)
{
    TempDir dir;
    TScrambeledMemIniFile ini(dir.File("t.dat"));
    ini.WriteString("E", "s", "Install %APPNAME% now; %appname% by %CompanyName%.");
    EXPECT_EQ(ini.ReadString("E", "s", ""), "Install %APPNAME% now; %appname% by %CompanyName%.");

    ini.SetAppName("Notes");
    EXPECT_EQ(ini.ReadString("E", "s", ""), "Install Notes now; Notes by %CompanyName%.");
    ini.SetCompanyName("Acme");
    EXPECT_EQ(ini.ReadString("E", "s", ""), "Install Notes now; Notes by Acme.");
    EXPECT_EQ(ini.ReadString("E", "missing", "Back"), "Back");
    EXPECT_EQ(ini.ReadString("E", "missing", "%AppName% setup"), "Notes setup");
}

// A value that contains its own placeholder must not make the replacement
// endless; the application name goes in before the company name.
TEST(ScrambeledMemIniFile, SelfContainingReplacementEnds)
{
    TempDir dir;
    TScrambeledMemIniFile ini(dir.File("t.dat"));
    ini.WriteString("E", "s", "[%APPNAME%|%AppName%]");
    ini.SetAppName("My %appname% tool");
    EXPECT_EQ(ini.ReadString("E", "s", ""), "[My %appname% tool|My %appname% tool]");

    ini.SetAppName("%APP");
    ini.WriteString("E", "t", "%APPNAME%NAME%");
    EXPECT_EQ(ini.ReadString("E", "t", ""), "%APPNAME%");

    ini.SetAppName("App of %COMPANYNAME%");
    ini.SetCompanyName("Firm %companyname%");
    EXPECT_EQ(ini.ReadString("E", "s", ""), "[App of Firm %companyname%|App of Firm %companyname%]");
}

TEST(ScrambeledMemIniFile, StringsRoundTripAndErase)
{
    TempDir dir;
    TScrambeledMemIniFile ini(dir.File("t.dat"));
    ini.SetStrings({"junk", "[B]", "y = 2", "", "[A]", "x=1", "; c"});
    std::vector<std::string> lines{"kept"};
    ini.GetStrings(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"kept", "[B]", "y=2", "", "[A]", "x=1", ""}));
    std::vector<std::string> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"B", "A"}));
    ini.EraseSection("b");
    ini.EraseSection("none");
    ini.ReadSections(sections);
    EXPECT_EQ(sections, std::vector<std::string>{"A"});
}

// Files scrambled with another key, or not at all, are not detected; they
// must still load into something harmless.
TEST(ScrambeledMemIniFile, ArbitraryBytesLoadWithoutHarm)
{
    TempDir dir;
    std::mt19937 rng(1301);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 2000, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng() % 4 == 0 ? "[]=;\r\n"[rng() % 6] : rng());
        WriteFileAtomic(dir.File("g.dat"), bytes);
        TScrambeledMemIniFile ini(dir.File("g.dat"));
        std::vector<std::string> lines;
        ini.GetStrings(lines);
        ini.UpdateFile();
        TScrambeledMemIniFile again(dir.File("g.dat"));
        EXPECT_EQ(again.PlainText(), ini.PlainText());
    }
}
