#include "tools/makesfx/MakeSfx.h"

#include "ZipFixture.h"
#include "common/Exception.h"
#include "common/Platform.h"
#include "formats/SfxArchive.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

TEST(MakeSfxTest, ParsesTheBuildersCommandLine)
{
    // How the builder's arguments arrive once Windows has split them, and
    // raw with their quotes.
    for (bool quoted : {false, true}) {
        auto q = [&](const std::string& v) { return quoted ? "\"" + v + "\"" : v; };
        TMakeSfxOptions o = TMakeSfx::ParseArguments(
            {"/zip=" + q("C:\\Temp\\Main.ZIP"), "/sfx=" + q("C:\\Work\\Demo\\Main\\Setup.exe"),
             "/title=" + q("My Viewer"), "/exec=" + q("$temp$\\Setup.exe"), "/unpacking=" + q("Entpacken..."),
             "/failure=" + q("Fehler."), "/nogui", "/overwrite"});
        EXPECT_EQ(o.Zip, "C:\\Temp\\Main.ZIP");
        EXPECT_EQ(o.Sfx, "C:\\Work\\Demo\\Main\\Setup.exe");
        EXPECT_EQ(o.Settings.Title, "My Viewer");
        EXPECT_EQ(o.Settings.Exec, "$temp$\\Setup.exe");
        EXPECT_EQ(o.Settings.Unpacking, "Entpacken...");
        EXPECT_EQ(o.Settings.Failure, "Fehler.");
        EXPECT_FALSE(o.Settings.AutoExtract);
        EXPECT_TRUE(o.Overwrite);
    }
    TMakeSfxOptions o = TMakeSfx::ParseArguments({"/ZIP=a.zip", "/Sfx=b.exe", "/exec=x.exe", "/AutoExtract"});
    EXPECT_TRUE(o.Settings.AutoExtract);
    EXPECT_FALSE(o.Overwrite);
    EXPECT_EQ(o.Settings.Title, "");
}

TEST(MakeSfxTest, RefusesIncompleteOrUnknownArguments)
{
    const std::vector<std::vector<std::string>> cases = {
        {"/sfx=b.exe", "/exec=x.exe"},
        {"/zip=a.zip", "/exec=x.exe"},
        {"/zip=a.zip", "/sfx=b.exe"},
        {"/zip=a.zip", "/sfx=b.exe", "/exec="},
        {"/zip=a.zip", "/sfx=b.exe", "/exec=x.exe", "/verbose"},
        {"/zip=a.zip", "/sfx=b.exe", "/exec=x.exe", "/nogui=1"},
        {"/zip=a.zip", "/sfx=b.exe", "/exec=x.exe", "stray"},
    };
    for (const auto& args : cases)
        EXPECT_THROW(TMakeSfx::ParseArguments(args), Exception) << ::testing::PrintToString(args);
}

TEST(MakeSfxTest, WritesStubArchiveAndTrailer)
{
    TempDir dir;
    dir.Write("stub.exe", "MZ-stub");
    WriteTestZip(dir.File("a.zip"), {{"Setup.exe", "program"}, {"Demo.CAB", "cab"}});
    dir.Write("Setup.exe", "old package");

    TMakeSfxOptions o;
    o.Zip = dir.File("a.zip");
    o.Sfx = dir.File("Setup.exe");
    o.Settings.Title = "Viewer";
    o.Settings.Exec = "$temp$\\Setup.exe";
    EXPECT_THROW(TMakeSfx::Make(o, dir.File("stub.exe")), Exception); // exists, no /overwrite
    EXPECT_EQ(dir.Read("Setup.exe"), "old package");

    o.Overwrite = true;
    TMakeSfx::Make(o, dir.File("stub.exe"));
    std::string zip = dir.Read("a.zip");
    std::string sfx = dir.Read("Setup.exe");
    const std::string stub = "MZ-stub";
    // The stub, the archive of the same size, the trailer for both.
    std::vector<uint8_t> trailer = TSfxTrailer::Encode(o.Settings, stub.size() + zip.size());
    ASSERT_EQ(sfx.size(), stub.size() + zip.size() + trailer.size());
    EXPECT_EQ(sfx.substr(0, stub.size()), stub);
    EXPECT_EQ(sfx.substr(stub.size() + zip.size()), std::string(trailer.begin(), trailer.end()));

    // The stub reads what lies in front of the settings as its archive.
    TMemorySource source(sfx.substr(0, stub.size() + zip.size()));
    TSfxArchive archive(source);
    ASSERT_EQ(archive.Entries().size(), 2u);
    std::string content;
    archive.Extract(archive.Entries()[1], [&](const uint8_t* data, size_t count) {
        content.append(reinterpret_cast<const char*>(data), count);
    });
    EXPECT_EQ(content, "cab");
}

TEST(MakeSfxTest, ThePackageIsAWellFormedZipFile)
{
    TempDir dir;
    dir.Write("stub.exe", std::string(5000, 'M'));
    WriteTestZip(dir.File("a.zip"), {{"Setup.exe", std::string(3000, 'p')}, {"Demo.CAB", "cab"}});
    TMakeSfxOptions o;
    o.Zip = dir.File("a.zip");
    o.Sfx = dir.File("Setup.exe");
    o.Settings.Exec = "$temp$\\Setup.exe";
    TMakeSfx::Make(o, dir.File("stub.exe"));

    std::string output;
    FILE* p = popen(("unzip -t '" + dir.File("Setup.exe") + "' 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;)
        output.append(buffer, n);
    EXPECT_EQ(WEXITSTATUS(pclose(p)), 0) << output;
    EXPECT_EQ(output.find("warning"), std::string::npos) << output;
    EXPECT_NE(output.find("No errors detected"), std::string::npos) << output;
}

TEST(MakeSfxTest, RefusesArchivesTheStubWouldRefuse)
{
    TempDir dir;
    dir.Write("stub.exe", "MZ");
    WriteTestZip(dir.File("evil.zip"), {{"Setup.exe", "p"}, {"..\\evil.txt", "x"}});
    dir.Write("broken.zip", "PK not really");
    TMakeSfxOptions o;
    o.Sfx = dir.File("out.exe");
    o.Settings.Exec = "$temp$\\Setup.exe";
    for (const char* zip : {"evil.zip", "broken.zip", "missing.zip"}) {
        o.Zip = dir.File(zip);
        EXPECT_THROW(TMakeSfx::Make(o, dir.File("stub.exe")), Exception) << zip;
        EXPECT_FALSE(FileExists(o.Sfx)) << zip;
    }
    o.Zip = dir.File("evil.zip");
    EXPECT_THROW(TMakeSfx::Make(o, dir.File("no-stub.exe")), Exception);
}
