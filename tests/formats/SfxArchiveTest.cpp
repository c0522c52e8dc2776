#include "formats/SfxArchive.h"
#include "formats/SfxTrailer.h"

#include "../tools/ZipFixture.h"
#include "common/Exception.h"
#include "common/Platform.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"
#include "support/RandomData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

namespace {

std::vector<uint8_t> MakeZip(const std::vector<std::pair<std::string, std::string>>& entries, bool store)
{
    TempDir dir;
    WriteTestZip(dir.File("t.zip"), entries, store);
    return ReadFileBytes(dir.File("t.zip"));
}

std::map<std::string, std::string> UnpackAll(const TSfxArchive& archive)
{
    std::map<std::string, std::string> files;
    for (const TSfxEntry& e : archive.Entries()) {
        std::string content;
        archive.Extract(e, [&](const uint8_t* p, size_t n) { content.append(reinterpret_cast<const char*>(p), n); });
        files[e.Name] = content;
    }
    return files;
}

const std::vector<std::pair<std::string, std::string>> SampleEntries = {
    {"Demo.CAB", RandomText(200000, 1)},
    {"Demo.ini", std::string(5000, 'x') + "\r\nCabFiles = Demo.CAB\r\n"},
    {"empty.txt", ""},
};

} // namespace

TEST(SfxArchiveTest, ReadsStoredAndDeflatedEntries)
{
    for (bool store : {true, false}) {
        TMemorySource source(MakeZip(SampleEntries, store));
        TSfxArchive archive(source);
        ASSERT_EQ(archive.Entries().size(), 3u);
        EXPECT_EQ(archive.Entries()[0].Name, "Demo.CAB");
        EXPECT_EQ(archive.Entries()[1].Method, store ? 0 : 8);
        auto files = UnpackAll(archive);
        for (const auto& [name, content] : SampleEntries)
            EXPECT_EQ(files[name], content) << name << (store ? " stored" : " deflated");
    }
}

TEST(SfxArchiveTest, ProgressCountsUpToTheEntrySize)
{
    TMemorySource source(MakeZip(SampleEntries, false));
    TSfxArchive archive(source);
    const TSfxEntry& big = archive.Entries()[0];
    std::vector<uint64_t> steps;
    archive.Extract(
        big, [](const uint8_t*, size_t) {}, [&](uint64_t done) { steps.push_back(done); });
    ASSERT_GT(steps.size(), 1u);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(steps.back(), big.Size);
}

// Every way of cutting the archive short or flipping a byte must end in an
// Exception (or, for bytes no check covers, in a clean read); never in a
// crash, a wild read or a huge allocation. Run under the sanitizers too.
TEST(SfxArchiveTest, DamagedArchivesRaiseInsteadOfCrashing)
{
    std::vector<uint8_t> good = MakeZip(SampleEntries, false);
    for (size_t cut = 0; cut < good.size(); cut += good.size() < 400 ? 1 : 97) {
        std::vector<uint8_t> truncated(good.begin(), good.begin() + cut);
        TMemorySource source(truncated);
        EXPECT_THROW(UnpackAll(TSfxArchive(source)), Exception) << "cut at " << cut;
    }
    // The central directory and end record sit in the last few hundred bytes;
    // flip each of them in turn, then a byte inside the deflated data.
    for (size_t pos = good.size() - 200; pos < good.size(); ++pos) {
        std::vector<uint8_t> bad = good;
        bad[pos] ^= 0xA5;
        TMemorySource source(bad);
        try {
            UnpackAll(TSfxArchive(source));
        } catch (const Exception&) {
        }
    }
    std::vector<uint8_t> bad = good;
    bad[1000] ^= 0xFF;
    TMemorySource source(bad);
    EXPECT_THROW(UnpackAll(TSfxArchive(source)), Exception);
}

TEST(SfxArchiveTest, HostileSizesAreRefusedBeforeAnythingIsAllocated)
{
    std::vector<uint8_t> zip = MakeZip({{"a.txt", "hello"}}, true);
    size_t end = zip.size() - 22;
    ASSERT_EQ(zip[end], 0x50);
    struct Case {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"entry count beyond the directory", end + 8, {0xF0, 0xFF, 0xF0, 0xFF}},
        {"directory size beyond the file", end + 12, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"directory offset beyond the file", end + 16, {0x00, 0x00, 0x00, 0x70}},
        {"several disks", end + 4, {0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = zip;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<long>(c.offset));
        TMemorySource source(bad);
        EXPECT_THROW(TSfxArchive archive(source), Exception) << c.what;
    }
    // A stored entry whose compressed size reaches past the directory.
    std::vector<uint8_t> bad = zip;
    size_t directory = zip[end + 16] | (zip[end + 17] << 8);
    bad[directory + 20] = 0xFF;
    bad[directory + 24] = 0xFF;
    TMemorySource source(bad);
    EXPECT_THROW(TSfxArchive archive(source), Exception);
}

TEST(SfxArchiveTest, SafeNames)
{
    const std::pair<const char*, bool> cases[] = {
        {"Setup.exe", true},
        {"Demo.PPC300_2577.CAB", true},
        {"sub/dir\\file.txt", true},
        {"folder/", true},
        {"..file", true},
        {"", false},
        {"..\\evil.txt", false},
        {"../evil.txt", false},
        {"a/../../evil.txt", false},
        {"a\\..\\b", false},
        {"..", false},
        {". .", false},
        {"...", false},
        {"/etc/passwd", false},
        {"\\Windows\\evil.dll", false},
        {"C:\\evil.txt", false},
        {"C:evil.txt", false},
        {"file.txt:stream", false},
        {"a//b", false},
        {"CON", false},
        {"aux.txt", false},
        {"com1", false},
        {"lpt9.log", false},
        {"console.txt", true},
        {"tab\there", false},
        {"what?.txt", false},
        // Windows strips trailing dots and blanks, so these land on other names.
        {"a.txt.", false},
        {"a.txt ", false},
        {"dir./a.txt", false},
        {"dir \\a.txt", false},
        {"a. b.txt", true},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(TSfxArchive::IsSafeName(name), safe) << '"' << name << '"';
}

TEST(SfxTrailerTest, RoundTrip)
{
    TSfxSettings settings;
    settings.Title = "Viewer \xE9";
    settings.Exec = "$temp$\\Deskstart.exe";
    settings.AutoExtract = false;
    settings.Unpacking = "Entpacken...";
    settings.Failure = "Fehler f\xFCr Viewer.";
    std::vector<uint8_t> trailer = TSfxTrailer::Encode(settings, 12345);
    ASSERT_GE(trailer.size(), TSfxTrailer::TailSize);

    uint64_t fileSize = 1000 + 12345 + trailer.size();
    uint64_t zipSize = 0;
    uint32_t settingsSize = 0;
    TSfxTrailer::DecodeTail(trailer.data() + trailer.size() - TSfxTrailer::TailSize, fileSize, zipSize, settingsSize);
    EXPECT_EQ(zipSize, 12345u);
    ASSERT_EQ(settingsSize, trailer.size() - TSfxTrailer::TailSize);
    TSfxSettings back = TSfxTrailer::DecodeSettings(trailer.data(), settingsSize);
    EXPECT_EQ(back.Title, settings.Title);
    EXPECT_EQ(back.Exec, settings.Exec);
    EXPECT_EQ(back.Unpacking, settings.Unpacking);
    EXPECT_EQ(back.Failure, settings.Failure);
    EXPECT_FALSE(back.AutoExtract);

    // Without texts the settings are the three lines packages had before them.
    settings.AutoExtract = true;
    settings.Unpacking.clear();
    settings.Failure.clear();
    trailer = TSfxTrailer::Encode(settings, 1);
    EXPECT_EQ(std::string(trailer.begin(), trailer.end() - TSfxTrailer::TailSize),
              "title=Viewer \xE9\r\nexec=$temp$\\Deskstart.exe\r\nmode=autoextract\r\n");
    EXPECT_TRUE(TSfxTrailer::DecodeSettings(trailer.data(), trailer.size() - TSfxTrailer::TailSize).AutoExtract);
}

TEST(SfxTrailerTest, RefusesForeignOrOversizedTails)
{
    TSfxSettings settings;
    settings.Exec = "$temp$\\Setup.exe";
    std::vector<uint8_t> trailer = TSfxTrailer::Encode(settings, 5000);
    const uint8_t* tail = trailer.data() + trailer.size() - TSfxTrailer::TailSize;
    uint64_t zipSize = 0;
    uint32_t settingsSize = 0;
    // The archive cannot be larger than the file that holds it.
    EXPECT_THROW(TSfxTrailer::DecodeTail(tail, trailer.size() + 4999, zipSize, settingsSize), Exception);
    EXPECT_NO_THROW(TSfxTrailer::DecodeTail(tail, trailer.size() + 5000, zipSize, settingsSize));

    std::vector<uint8_t> wrapped(tail, tail + TSfxTrailer::TailSize);
    std::fill(wrapped.begin(), wrapped.begin() + 8, 0xFF); // zip size near 2^64
    EXPECT_THROW(TSfxTrailer::DecodeTail(wrapped.data(), 1u << 20, zipSize, settingsSize), Exception);

    std::vector<uint8_t> foreign(tail, tail + TSfxTrailer::TailSize);
    foreign.back() = 0;
    EXPECT_THROW(TSfxTrailer::DecodeTail(foreign.data(), 1u << 20, zipSize, settingsSize), Exception);

    settings.Title = "two\r\nlines";
    EXPECT_THROW(TSfxTrailer::Encode(settings, 1), Exception);
    const std::string noExec = "title=x\r\nmode=nogui\r\n";
    EXPECT_THROW(TSfxTrailer::DecodeSettings(reinterpret_cast<const uint8_t*>(noExec.data()), noExec.size()),
                 Exception);
}
