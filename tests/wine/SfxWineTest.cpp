// The self-extractor under Wine: packages made by makesfx unpack into a new
// temporary folder and start their program there; hostile and damaged
// archives are refused. Needs the prefix that the "wine" CTest fixture
// creates in the build folder.

#include "formats/SfxTrailer.h"

#include "../tools/PeFixture.h"
#include "../tools/ZipFixture.h"
#include "common/Platform.h"
#include "support/TestSupport.h"
#include "WineRun.h"
#include "support/RandomData.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

class SfxWineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::is_directory(VI_WINEPREFIX "/drive_c"))
            << "no Wine prefix in " VI_WINEPREFIX ": run through CTest, whose wine fixture makes it";
        for (const std::string& needed : {FProbe, FMakeSfx, WinProgram("Tools/sfxstub.exe")})
            ASSERT_TRUE(FileExists(needed)) << needed;
    }

    // Runs a package under Wine in nogui fashion; the probe inside it
    // records into FDir/record.txt.
    TRunResult RunPackage(const std::string& package)
    {
        fs::create_directories(FDir.File("kept"));
        return RunProgram(Wine({package}),
                          {"VI_SFX_RECORD=" + WindowsPath(FDir.File("record.txt")), "VI_SFX_QUIET=1",
                           "VI_SFX_KEEP=" + WindowsPath(FDir.File("kept"))},
                          FDir.File("wine-output.txt"));
    }

    std::string MakeSfx(const std::string& zip, const std::string& exec, bool autoExtract,
                        const std::string& title = "Viewer")
    {
        std::string sfx = FDir.File("Setup.exe");
        TRunResult r = RunProgram({FMakeSfx, "/zip=" + zip, "/sfx=" + sfx, "/title=" + title, "/exec=" + exec,
                                   autoExtract ? "/autoextract" : "/nogui", "/overwrite"},
                                  {}, FDir.File("makesfx-output.txt"));
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        return sfx;
    }

    // A package written directly (stub, archive, trailer): makesfx itself
    // refuses to wrap archives the stub would refuse.
    std::string ComposePackage(const std::string& zipBytes, const std::string& failure = "")
    {
        TSfxSettings settings;
        settings.Failure = failure;
        settings.Title = "Viewer";
        settings.Exec = "$temp$\\Setup.exe";
        settings.AutoExtract = false;
        std::vector<uint8_t> trailer = TSfxTrailer::Encode(settings, zipBytes.size());
        std::string package =
            ReadAll(WinProgram("Tools/sfxstub.exe")) + zipBytes + std::string(trailer.begin(), trailer.end());
        FDir.Write("Hostile.exe", package);
        return FDir.File("Hostile.exe");
    }

    bool FoundUnderPrefix(const std::string& fileName)
    {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(VI_WINEPREFIX "/drive_c", ec);
             it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->path().filename() == fileName)
                return true;
        return false;
    }

    TempDir FDir;
    const std::string FProbe = WinProgram("tests/sfxprobe.exe");
    // makesfx wraps the stub beside it: the twins' folder has its own copy.
    const std::string FMakeSfx = WinProgram("Tools/makesfx.exe");
};

} // namespace

TEST_F(SfxWineTest, UnpacksIntoAFreshTemporaryFolderAndStartsTheProgramThere)
{
    const std::string cab = RandomText(400000, 7);
    const std::string ini = "[CEAppManager]\r\nVersion = 1.0\r\nComponent = Demo\r\n";
    WriteTestZip(FDir.File("Main.ZIP"), {{"Demo.PPC300_2577.CAB", cab},
                                         {"Demo.ini", ini},
                                         {"VI.INI", "[Setup Info]\r\n"},
                                         {"Setup.exe", ReadAll(FProbe)}});
    std::string package = MakeSfx(FDir.File("Main.ZIP"), "$temp$\\Setup.exe", false);

    std::string firstFolder;
    for (int run = 0; run < 2; ++run) {
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(package);
        // The probe's exit code comes back through the stub.
        ASSERT_EQ(r.ExitCode, 7) << r.Output;
        auto record = ReadRecord(FDir.File("record.txt"));
        ASSERT_EQ(record.count("cwd"), 1u) << ReadAll(FDir.File("record.txt"));
        std::string folder = record.find("cwd")->second;
        EXPECT_NE(folder.find("\\Temp\\VISFX"), std::string::npos) << folder;
        EXPECT_EQ(record.find("exe")->second, folder + "\\Setup.exe");

        std::vector<std::string> files;
        for (auto [it, end] = record.equal_range("file"); it != end; ++it)
            files.push_back(it->second);
        EXPECT_EQ(files,
                  (std::vector<std::string>{"Demo.PPC300_2577.CAB 400000", "Demo.ini " + std::to_string(ini.size()),
                                            "Setup.exe " + std::to_string(ReadAll(FProbe).size()), "VI.INI 14"}));
        EXPECT_EQ(ReadAll(FDir.File("kept/Demo.PPC300_2577.CAB")), cab);
        // Only the user running the package may open the folder. Where Wine
        // cannot keep the access list itself it keeps the folder's Unix
        // mode it gives (0700) and reads that back, with SYSTEM beside the
        // user; either way nobody else is let in. The folder is gone once
        // the program has ended.
        const std::string dacl = Values(record, "dacl").at(0);
        EXPECT_NE(dacl.find("(A;OICI;FA;;;S-1-5-21-"), std::string::npos) << dacl;
        for (const char* other : {";WD)", ";AU)", ";BU)", ";S-1-1-0)", ";S-1-5-11)", ";S-1-5-32-545)"})
            EXPECT_EQ(dacl.find(other), std::string::npos) << other << " may open it: " << dacl;
        EXPECT_FALSE(fs::exists(HostPath(folder))) << folder;
        if (run == 0)
            firstFolder = folder;
        else
            EXPECT_NE(folder, firstFolder) << "each run unpacks into a new folder";
    }
}

// A scanner that holds a file the self-extractor is about to write makes it
// try again, not fail: the stand-in takes Setup.exe before the stub gets
// there and lets go only after the stub has been trying for a while. A
// thousand small files in front give the stand-in time to find the new
// folder; on a machine too busy for that it may still come second, and the
// run is repeated, then skipped.
TEST_F(SfxWineTest, FileHeldByAScannerIsWrittenOnceItIsFree)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 1000; ++i)
        entries.push_back({"small" + std::to_string(i) + ".txt", RandomText(100, i)});
    const std::string big = RandomText(4 << 20, 11);
    entries.push_back({"Big.CAB", big});
    entries.push_back({"Setup.exe", ReadAll(FProbe)});
    WriteTestZip(FDir.File("Main.ZIP"), entries);
    std::string package = MakeSfx(FDir.File("Main.ZIP"), "$temp$\\Setup.exe", false);
    const int stubFirst = 2;
    TRunResult holder;
    holder.ExitCode = stubFirst;
    for (int attempt = 0; attempt < 4 && holder.ExitCode == stubFirst; ++attempt) {
        DeleteFileIfExists(FDir.File("ready"));
        std::thread holding([&] {
            holder = RunProgram(Wine({WinProgram("tests/FileHolder.exe"), WindowsPath(FDir.File("ready")), "Big.CAB",
                                      std::to_string(big.size()), "Setup.exe"}),
                                {}, FDir.File("holder-output.txt"));
        });
        for (int i = 0; i < 600 && !FileExists(FDir.File("ready")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        TRunResult r = RunPackage(package);
        holding.join();
        EXPECT_EQ(r.ExitCode, 7) << r.Output;
    }
    // Four lost races say nothing about the retry; they must not fail a run.
    if (holder.ExitCode == stubFirst)
        GTEST_SKIP() << "the stand-in never reached the folder before the stub: " << holder.Output;
    EXPECT_EQ(holder.ExitCode, 0) << "1 no folder, 3 Big.CAB never whole: " << holder.Output;
}

// The progress window keeps taking its messages while the program it
// started is not yet ready for input (Windows would mark it "Not
// Responding" otherwise). A WM_CLOSE is posted four seconds after the
// window came, when the program has started (Wine holds the caller of
// CreateProcess until then, under a second here) and sleeps on for twelve:
// a window that takes its messages is gone in the time Wine takes to close
// a window (about two seconds on a busy machine), one left alone keeps the
// message queued for eight seconds more.
TEST_F(SfxWineTest, ProgressWindowTakesItsMessagesWhileTheProgramStarts)
{
    WriteTestZip(FDir.File("Main.ZIP"), {{"Setup.exe", ReadAll(WinProgram("tests/LateStarter.exe"))}});
    std::string package = MakeSfx(FDir.File("Main.ZIP"), "$temp$\\Setup.exe", true);
    TRunResult poster;
    std::thread posting([&] {
        poster = RunProgram(Wine({WinProgram("tests/WindowPoster.exe"), "VISfxProgress", "4000"}), {},
                            FDir.File("poster-output.txt"));
    });
    TRunResult r = RunPackage(package);
    posting.join();
    EXPECT_EQ(r.ExitCode, 7) << r.Output;
    ASSERT_EQ(poster.ExitCode, 0) << "the progress window never showed: " << poster.Output;
    unsigned long ms = 100000;
    std::istringstream lines(poster.Output);
    for (std::string line; std::getline(lines, line);)
        std::sscanf(line.c_str(), "closed after %lu", &ms);
    EXPECT_LT(ms, 5000u) << poster.Output;
}

TEST_F(SfxWineTest, EntryOutsideTheFolderIsRefusedBeforeAnythingIsWritten)
{
    const std::string evil = "evil-" + std::to_string(CurrentProcessId()) + ".txt";
    for (const std::string& name : {"..\\" + evil, "../" + evil, "sub\\..\\..\\" + evil, "C:\\" + evil}) {
        WriteTestZip(FDir.File("evil.zip"), {{"Setup.exe", ReadAll(FProbe)}, {name, "gotcha"}});
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(ComposePackage(ReadAll(FDir.File("evil.zip"))));
        EXPECT_EQ(r.ExitCode, 2) << name << ": " << r.Output;
        EXPECT_NE(r.Output.find("outside its folder"), std::string::npos) << r.Output;
        EXPECT_FALSE(FileExists(FDir.File("record.txt"))) << "the program ran for " << name;
        EXPECT_FALSE(FoundUnderPrefix(evil)) << name;
    }
}

TEST_F(SfxWineTest, DamagedArchiveGivesAClearMessage)
{
    WriteTestZip(FDir.File("a.zip"), {{"Setup.exe", ReadAll(FProbe)}, {"a.txt", std::string(5000, 'a')}});
    std::string zip = ReadAll(FDir.File("a.zip"));
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cut short", zip.substr(0, zip.size() / 2)},
        {"flipped data",
         [&] {
             std::string z = zip;
             z[200] ^= 0x55;
             return z;
         }()},
        {"no archive", std::string("just some bytes")},
    };
    // The package's own words lead the message: its settings are whole.
    const std::string lead = "Das Setup von Viewer ist fehlgeschlagen.\r\n\r\nThe setup package is damaged";
    for (const Case& c : cases) {
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(ComposePackage(c.bytes, "Das Setup von Viewer ist fehlgeschlagen."));
        EXPECT_EQ(r.ExitCode, 2) << c.what << ": " << r.Output;
        EXPECT_NE(r.Output.find(lead), std::string::npos) << c.what << ": " << r.Output;
        EXPECT_FALSE(FileExists(FDir.File("record.txt"))) << c.what;
    }
}

// A certificate table behind the package (as a signer leaves it, padding
// and all) does not hide the archive; a security entry that names no
// sound table is refused as damage, never read through.
TEST_F(SfxWineTest, FindsTheArchiveInFrontOfACertificateTableAndRefusesABrokenOne)
{
    WriteTestZip(FDir.File("a.zip"), {{"Setup.exe", ReadAll(FProbe)}, {"a.txt", std::string(5000, 'a')}});
    // Titles of different lengths give each padding a signer may add.
    std::string plain;
    for (size_t extra = 0; extra < 8; ++extra) {
        plain = ReadAll(MakeSfx(FDir.File("a.zip"), "$temp$\\Setup.exe", false, "Viewer" + std::string(extra, '!')));
        FDir.Write("Signed.exe", WithCertificateTable(plain));
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(FDir.File("Signed.exe"));
        EXPECT_EQ(r.ExitCode, 7) << "size " << plain.size() << ": " << r.Output;
        EXPECT_TRUE(FileExists(FDir.File("record.txt"))) << "size " << plain.size();
    }

    const std::string signedPackage = WithCertificateTable(plain);
    const uint32_t size = static_cast<uint32_t>(signedPackage.size());
    for (auto [offset, length] : {std::pair<uint32_t, uint32_t>{size + 8, 16}, {size - 8, 0xFFFFFFF8u}, {8, 16}}) {
        FDir.Write("Broken.exe", WithSecurityEntry(signedPackage, offset, length));
        DeleteFileIfExists(FDir.File("record.txt"));
        TRunResult r = RunPackage(FDir.File("Broken.exe"));
        EXPECT_EQ(r.ExitCode, 2) << offset << " " << length << ": " << r.Output;
        EXPECT_NE(r.Output.find("damaged"), std::string::npos) << r.Output;
        EXPECT_FALSE(FileExists(FDir.File("record.txt")));
    }
}
