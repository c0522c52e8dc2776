#include "package/Compressor.h"
#include "package/FreeExtractor.h"
#include "package/ZipCompressor.h"
#include "package/ZipEntryDates.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/SfxArchive.h"
#include "formats/SfxTrailer.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace {

struct TArchiveEntry {
    std::string Name;
    uint16_t Method;
    std::string Content;
};

// What archiving the files reported: percentages per file, and messages.
struct TCompressed {
    std::map<std::string, std::vector<int>> Progress;
    std::vector<std::string> Messages;
};

TCompressed Compress(const std::vector<std::string>& files, const std::string& archive)
{
    TCompressed result;
    TZipCompressor compressor;
    compressor.SetFiles(files);
    compressor.SetArchiveName(archive);
    compressor.SetProgress([&](const std::string& name, int percent) { result.Progress[name].push_back(percent); });
    compressor.Execute();
    result.Messages = compressor.Messages();
    return result;
}

std::vector<TArchiveEntry> ReadArchive(const std::string& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        throw std::runtime_error("not a ZIP archive: " + path);
    std::vector<TArchiveEntry> entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, i, 0, &st);
        std::string content(st.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, i, 0);
        zip_fread(file, content.data(), st.size);
        zip_fclose(file);
        entries.push_back({st.name, st.comp_method, content});
    }
    zip_close(archive);
    return entries;
}

std::string RandomBytes(size_t size)
{
    std::mt19937 random(42);
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>(random());
    return text;
}

} // namespace

TEST(ZipCompressorTest, RefusesEmptyListAndMissingArchiveName)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    std::vector<std::string> none, one = {dir.File("a.txt")};
    struct Case {
        std::vector<std::string> files;
        std::string archive;
        std::string message;
    } cases[] = {
        {none, dir.File("x.zip"), "No files to compress!"},
        {none, "", "No files to compress!"}, // the list is checked first
        {one, "", "No archive file name specified!"},
    };
    TZipCompressor compressor;
    for (const Case& c : cases) {
        compressor.SetFiles(c.files);
        compressor.SetArchiveName(c.archive);
        try {
            compressor.Execute();
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_TRUE(compressor.Messages().empty());
        EXPECT_FALSE(FileExists(dir.File("x.zip")));
    }
}

TEST(ZipCompressorTest, StoresBareNamesInOrderAndReplacesAnOldArchive)
{
    TempDir dir;
    ForceDirectories(dir.File("w"));
    ForceDirectories(dir.File("t"));
    dir.Write("w/Demo.PPC300_2577.CAB", RandomBytes(300000));
    dir.Write("t/Demo.ini", "[CEAppManager]\r\nVersion = 1.0\r\n");
    dir.Write("t/VI.INI", std::string(100000, 'v'));
    dir.Write("empty.txt", "");
    // An old archive with an entry of its own must not survive.
    dir.Write("Main.ZIP", "stale data that is no ZIP archive");

    std::vector<std::string> files = {dir.File("w/Demo.PPC300_2577.CAB"), dir.File("t/Demo.ini"),
                                      dir.File("w/EULA_German.txt"), dir.File("t/VI.INI"), dir.File("empty.txt")};
    TCompressed compressed;
    ASSERT_NO_THROW(compressed = Compress(files, dir.File("Main.ZIP")));
    auto& progress = compressed.Progress;

    std::vector<TArchiveEntry> entries = ReadArchive(dir.File("Main.ZIP"));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Name, "Demo.PPC300_2577.CAB");
    EXPECT_EQ(entries[1].Name, "Demo.ini");
    EXPECT_EQ(entries[2].Name, "VI.INI");
    EXPECT_EQ(entries[3].Name, "empty.txt");
    EXPECT_EQ(entries[0].Content, dir.Read("w/Demo.PPC300_2577.CAB"));
    EXPECT_EQ(entries[2].Content, dir.Read("t/VI.INI"));
    // Data that does not shrink is stored; text is deflated.
    EXPECT_EQ(entries[0].Method, ZIP_CM_STORE);
    EXPECT_EQ(entries[2].Method, ZIP_CM_DEFLATE);

    // The licence that does not exist is left out and said so.
    ASSERT_EQ(compressed.Messages.size(), 1u);
    EXPECT_NE(compressed.Messages[0].find("EULA_German.txt"), std::string::npos);

    for (const char* name : {"Demo.PPC300_2577.CAB", "Demo.ini", "VI.INI", "empty.txt"}) {
        const std::vector<int>& steps = progress[name];
        ASSERT_FALSE(steps.empty()) << name;
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << name;
        EXPECT_EQ(steps.back(), 100) << name;
    }
    EXPECT_GT(progress["Demo.PPC300_2577.CAB"].size(), 2u);
    EXPECT_EQ(progress.count("EULA_German.txt"), 0u);
}

TEST(ZipCompressorTest, SameBareNameFromTwoFoldersKeepsOneEntry)
{
    TempDir dir;
    ForceDirectories(dir.File("a"));
    ForceDirectories(dir.File("b"));
    dir.Write("a/icon.ico", "first");
    dir.Write("b/icon.ico", "second");
    std::vector<std::string> files = {dir.File("a/icon.ico"), dir.File("b/icon.ico")};
    TCompressed compressed;
    ASSERT_NO_THROW(compressed = Compress(files, dir.File("x.zip")));
    std::vector<TArchiveEntry> entries = ReadArchive(dir.File("x.zip"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Content, "second");
    EXPECT_EQ(compressed.Messages.size(), 1u);
}

TEST(ZipCompressorTest, OnlyMissingFilesWritesNothing)
{
    TempDir dir;
    dir.Write("x.zip", "old");
    std::vector<std::string> files = {dir.File("gone1.txt"), dir.File("gone2.txt")};
    TZipCompressor compressor;
    compressor.SetFiles(files);
    compressor.SetArchiveName(dir.File("x.zip"));
    try {
        compressor.Execute();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "No files to compress!");
    }
    // Both files are named in the notes for the log.
    EXPECT_EQ(compressor.Messages().size(), 2u);
    EXPECT_FALSE(FileExists(dir.File("x.zip")));
}

TEST(ZipCompressorTest, UnwritableArchiveRaises)
{
    TempDir dir;
    dir.Write("a.txt", "a");
    std::vector<std::string> files = {dir.File("a.txt")};
    TZipCompressor compressor;
    compressor.SetFiles(files);
    compressor.SetArchiveName(dir.File("no/such/folder/x.zip"));
    EXPECT_THROW(compressor.Execute(), Exception);
}

namespace {

// Text that deflates well, as documents and program code do.
std::string TextBytes(size_t size, unsigned salt)
{
    static const char* const words[] = {"device", "setup ", "program", "folder ", "file", "the ", "and "};
    std::mt19937 random(salt);
    std::string text;
    while (text.size() < size)
        text += words[random() % 7];
    text.resize(size);
    return text;
}

zip_uint64_t CompressedSize(const std::string& archivePath, const std::string& name)
{
    int error = 0;
    zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
    zip_stat_t st;
    zip_stat_init(&st);
    if (archive)
        zip_stat(archive, name.c_str(), 0, &st);
    zip_close(archive);
    return st.comp_size;
}

// Info-ZIP's own inflate, independent of zlib, agrees the archive is sound.
void ExpectUnzipAccepts(const std::string& archive)
{
    std::string command = "unzip -tqq '" + archive + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << archive;
}

// What the package's self-extractor unpacks from the archive, by name.
std::map<std::string, std::string> UnpackedBySelfExtractor(const std::string& archive)
{
    std::vector<uint8_t> bytes = ReadFileBytes(archive);
    TMemorySource source(std::string(bytes.begin(), bytes.end()));
    TSfxArchive reader(source);
    std::map<std::string, std::string> files;
    for (const TSfxEntry& entry : reader.Entries()) {
        std::string& content = files[entry.Name];
        reader.Extract(entry, [&](const uint8_t* data, size_t count) { content.append(data, data + count); });
    }
    return files;
}

} // namespace

// A CAB file that holds text and media: the text slices are deflated, the
// media slices go into stored blocks of the same deflate stream, and the
// entry reads back exactly.
TEST(ZipCompressorTest, MixedDataIsDeflatedWhereItShrinks)
{
    TempDir dir;
    const size_t part = 640 * 1024;
    std::string mixed = TextBytes(part, 1) + RandomBytes(part) + TextBytes(part, 2) + RandomBytes(part / 3);
    dir.Write("Demo.PPC300_2577.CAB", mixed);
    dir.Write("media.jpg", RandomBytes(3 * part));
    dir.Write("big.txt", TextBytes(3 * part, 3));
    std::vector<std::string> files = {dir.File("Demo.PPC300_2577.CAB"), dir.File("media.jpg"), dir.File("big.txt")};
    TCompressed compressed;
    ASSERT_NO_THROW(compressed = Compress(files, dir.File("Main.ZIP")));
    auto& progress = compressed.Progress;

    std::vector<TArchiveEntry> entries = ReadArchive(dir.File("Main.ZIP"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Content, mixed);
    EXPECT_EQ(entries[0].Method, ZIP_CM_DEFLATE);
    EXPECT_EQ(entries[1].Method, ZIP_CM_STORE);
    EXPECT_EQ(entries[2].Content, dir.Read("big.txt"));
    EXPECT_EQ(entries[2].Method, ZIP_CM_DEFLATE);
    // The random parts cannot shrink, the text parts must have.
    zip_uint64_t packed = CompressedSize(dir.File("Main.ZIP"), "Demo.PPC300_2577.CAB");
    EXPECT_GT(packed, part + part / 3);
    EXPECT_LT(packed, part + part / 3 + part / 2);
    EXPECT_LT(CompressedSize(dir.File("Main.ZIP"), "big.txt"), part);
    ExpectUnzipAccepts(dir.File("Main.ZIP"));
    std::map<std::string, std::string> unpacked = UnpackedBySelfExtractor(dir.File("Main.ZIP"));
    EXPECT_EQ(unpacked["Demo.PPC300_2577.CAB"], mixed);
    EXPECT_EQ(unpacked["big.txt"], dir.Read("big.txt"));

    for (const auto& [name, steps] : progress) {
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << name;
        EXPECT_EQ(std::count(steps.begin(), steps.end(), 100), 1) << name;
        EXPECT_GT(steps.size(), 2u) << name;
    }
    EXPECT_EQ(progress.size(), 3u);
}

// The next package of a run takes the deflated data of the one before, but
// never for a file that changed, even when its size and time did not.
TEST(ZipCompressorTest, NextArchiveReusesDeflatedDataOfUnchangedFiles)
{
    TempDir dir;
    const size_t size = 700 * 1024;
    dir.Write("A.CAB", TextBytes(size, 1));
    dir.Write("B.CAB", TextBytes(size, 2));
    std::vector<std::string> files = {dir.File("A.CAB"), dir.File("B.CAB")};
    TZipCompressor compressor;
    compressor.SetFiles(files);

    struct Step {
        const char* what;
        std::function<void()> change;
        int reused;
        std::string contentA;
    } steps[] = {
        {"first archive", [] {}, 0, TextBytes(size, 1)},
        {"unchanged", [] {}, 2, TextBytes(size, 1)},
        {"same size and time, other bytes",
         [&] {
             auto stamp = std::filesystem::last_write_time(dir.File("A.CAB"));
             dir.Write("A.CAB", TextBytes(size, 7));
             std::filesystem::last_write_time(dir.File("A.CAB"), stamp);
         },
         1, TextBytes(size, 7)},
        {"grown", [&] { dir.Write("A.CAB", TextBytes(size + 5, 8)); }, 1, TextBytes(size + 5, 8)},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].change();
        std::string archive = dir.File("P" + std::to_string(i) + ".ZIP");
        compressor.SetArchiveName(archive);
        ASSERT_NO_THROW(compressor.Execute()) << steps[i].what;
        EXPECT_EQ(compressor.ReusedCount(), steps[i].reused) << steps[i].what;
        std::vector<TArchiveEntry> entries = ReadArchive(archive);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].Content, steps[i].contentA) << steps[i].what;
        EXPECT_EQ(entries[1].Content, TextBytes(size, 2)) << steps[i].what;
        ExpectUnzipAccepts(archive);
    }
}

namespace {

std::vector<std::pair<std::string, std::string>> GRuns;
std::string GCreate;

void RecordRun(const std::string& program, const std::string& arguments)
{
    GRuns.emplace_back(program, arguments);
    if (!GCreate.empty())
        WriteFileAtomic(GCreate, std::string("MZ"));
}

} // namespace

// The DOS time and date of every entry, from the central directory (the
// archive has no comment, so its end record is its last 22 bytes).
std::vector<std::pair<uint16_t, uint16_t>> EntryDosTimes(const std::string& archive)
{
    std::vector<uint8_t> bytes = ReadFileBytes(archive);
    auto u16 = [&](size_t at) { return uint16_t(bytes.at(at) | bytes.at(at + 1) << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at) | uint32_t(u16(at + 2)) << 16); };
    const size_t end = bytes.size() - 22;
    EXPECT_EQ(u32(end), 0x06054B50u);
    std::vector<std::pair<uint16_t, uint16_t>> times;
    size_t at = u32(end + 16);
    for (uint16_t i = 0; i < u16(end + 10); ++i) {
        EXPECT_EQ(u32(at), 0x02014B50u);
        times.emplace_back(u16(at + 12), u16(at + 14));
        at += 46u + u16(at + 28) + u16(at + 30) + u16(at + 32);
    }
    return times;
}

void SetFileTime(const std::string& path, int64_t unixTime)
{
    auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(unixTime)));
    std::filesystem::last_write_time(path, when);
}

// The zone is read again by each conversion only after tzset.
class TZoneGuard {
public:
    explicit TZoneGuard(const char* zone) : FEnv("TZ", zone) { tzset(); }
    ~TZoneGuard() { tzset(); }

private:
    ScopedEnv FEnv;
};

TEST(ZipCompressorTest, SourceDateEpochGivesEveryEntryThatDateInUtcInEveryZone)
{
    TempDir dir;
    dir.Write("small.txt", "text");
    dir.Write("large.bin", RandomBytes(300 * 1024)); // deflated ahead, another path
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1700000000"); // 2023-11-14 22:13:20 UTC
    const std::pair<uint16_t, uint16_t> expected{uint16_t(22 << 11 | 13 << 5 | 20 / 2),
                                                 uint16_t((2023 - 1980) << 9 | 11 << 5 | 14)};
    std::string first;
    for (const char* zone : {"UTC0", "JST-9", "EST5EDT"}) {
        SCOPED_TRACE(zone);
        TZoneGuard tz(zone);
        SetFileTime(dir.File("small.txt"), 1500000000 + (zone[0] == 'J' ? 3600 : 0));
        TZipCompressor zip;
        zip.SetFiles({dir.File("small.txt"), dir.File("large.bin")});
        zip.SetArchiveName(dir.File("a.zip"));
        zip.Execute();
        EXPECT_EQ(EntryDosTimes(dir.File("a.zip")), (std::vector<std::pair<uint16_t, uint16_t>>(2, expected)));
        const std::string bytes = dir.Read("a.zip");
        if (first.empty())
            first = bytes;
        EXPECT_TRUE(bytes == first) << "the archives differ";
    }
}

TEST(ZipCompressorTest, AnEpochInTheHourASummerTimeZoneSkipsKeepsItsUtcFields)
{
    TempDir dir;
    dir.Write("small.txt", "text");
    // 2024-03-31 02:30:00 UTC: clocks in this zone jump from 02:00 to 03:00 that night.
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1711852200");
    TZoneGuard tz("CET-1CEST,M3.5.0,M10.5.0/3");
    TZipCompressor zip;
    zip.SetFiles({dir.File("small.txt")});
    zip.SetArchiveName(dir.File("a.zip"));
    zip.Execute();
    const uint16_t time = 2 << 11 | 30 << 5, date = (2024 - 1980) << 9 | 3 << 5 | 31;
    EXPECT_EQ(EntryDosTimes(dir.File("a.zip")), (std::vector<std::pair<uint16_t, uint16_t>>{{time, date}}));
    // The local header agrees, and the archive still reads.
    const std::vector<uint8_t> bytes = ReadFileBytes(dir.File("a.zip"));
    EXPECT_EQ(bytes.at(10) | bytes.at(11) << 8, time);
    EXPECT_EQ(bytes.at(12) | bytes.at(13) << 8, date);
    EXPECT_EQ(ReadArchive(dir.File("a.zip")).at(0).Content, "text");
}

TEST(ZipEntryDates, AFileThatIsNoArchiveIsRefusedUnchanged)
{
    TempDir dir;
    dir.Write("not.zip", "PK but nothing else of an archive");
    EXPECT_EQ(ErrorOf([&] { SetEntryDates(dir.File("not.zip"), DosDateTimeOf(1700000000)); }),
              "Cannot date the entries of the archive " + dir.File("not.zip") + ": its end record is missing.");
    EXPECT_EQ(dir.Read("not.zip"), "PK but nothing else of an archive");
}

TEST(FreeExtractorTest, RunsMakesfxWithTheExactCommandLine)
{
    TempDir dir;
    struct Case {
        bool autoExtract;
        std::string title;
        std::string unpacking, failure;
        std::string expected;
    } cases[] = {
        {true, "Viewer", "", "",
         " /zip=\"C:\\Temp\\Main.ZIP\" /sfx=\"" + dir.File("Setup.exe") +
             "\" /title=\"Viewer\" /exec=\"$temp$\\Setup.exe\" /autoextract /overwrite"},
        {false, "Viewer", "", "",
         " /zip=\"C:\\Temp\\Main.ZIP\" /sfx=\"" + dir.File("Setup.exe") +
             "\" /title=\"Viewer\" /exec=\"$temp$\\Setup.exe\" /nogui /overwrite"},
        // A quote in the application name must not end the value early.
        {false, "The \"Best\" Viewer\\", "", "",
         " /zip=\"C:\\Temp\\Main.ZIP\" /sfx=\"" + dir.File("Setup.exe") +
             "\" /title=\"The \\\"Best\\\" Viewer\\\\\" /exec=\"$temp$\\Setup.exe\" /nogui /overwrite"},
        // The package's texts, when it has them.
        {true, "Viewer", "Entpacken...", "Das \"Setup\" schlug fehl.",
         " /zip=\"C:\\Temp\\Main.ZIP\" /sfx=\"" + dir.File("Setup.exe") +
             "\" /title=\"Viewer\" /exec=\"$temp$\\Setup.exe\" /unpacking=\"Entpacken...\""
             " /failure=\"Das \\\"Setup\\\" schlug fehl.\" /autoextract /overwrite"},
    };
    for (const Case& c : cases) {
        GRuns.clear();
        GCreate = dir.File("Setup.exe");
        dir.Write("Setup.exe", "old package");
        TFreeExtractor extractor(RecordRun);
        extractor.SetToolsDir("/opt/builder/Tools");
        extractor.SetArchive("C:\\Temp\\Main.ZIP");
        extractor.SetOutput(dir.File("Setup.exe"));
        extractor.SetTitle(c.title);
        extractor.SetExec("$temp$\\Setup.exe");
        extractor.SetTexts(c.unpacking, c.failure);
        extractor.SetAutoExtract(c.autoExtract);
        extractor.Execute();
        ASSERT_EQ(GRuns.size(), 1u);
        EXPECT_EQ(GRuns[0].first, AppendPath("/opt/builder/Tools", "makesfx.exe"));
        EXPECT_EQ(GRuns[0].second, c.expected);
        EXPECT_EQ(dir.Read("Setup.exe"), "MZ");
    }
}

TEST(FreeExtractorTest, AToolThatWritesNothingIsAnError)
{
    TempDir dir;
    dir.Write("Setup.exe", "old package");
    GRuns.clear();
    GCreate.clear();
    TFreeExtractor extractor(RecordRun);
    extractor.SetOutput(dir.File("Setup.exe"));
    extractor.SetExec("$temp$\\Deskstart.exe");
    EXPECT_THROW(extractor.Execute(), Exception);
    EXPECT_EQ(GRuns.size(), 1u);
    // The old package is not passed off as the new one.
    EXPECT_FALSE(FileExists(dir.File("Setup.exe")));
    EXPECT_EQ(extractor.ProgramPath(), AppendPath(AppendPath(GetProgramDir(), "Tools"), "makesfx.exe"));
}

// The whole archive step with the real tools: the ZIP archive of the
// compressor, the command line of the extractor split by RunAndWait and
// read by makesfx, and the package makesfx writes.
TEST(FreeExtractorTest, MakesAPackageWithTheRealTool)
{
    const char* programDir = std::getenv("VI_PROGRAM_DIR");
    ASSERT_TRUE(programDir) << "run through CTest, which names the program folder";
    TempDir dir;
    dir.Write("Demo.CAB", RandomBytes(100000));
    dir.Write("Setup.exe", "MZ setup program");
    std::vector<std::string> files = {dir.File("Demo.CAB"), dir.File("Setup.exe")};
    ASSERT_NO_THROW(Compress(files, dir.File("Main Build.ZIP")));

    ForceDirectories(dir.File("Main Build"));
    TFreeExtractor extractor;
    extractor.SetToolsDir(AppendPath(programDir, "Tools"));
    extractor.SetArchive(dir.File("Main Build.ZIP"));
    extractor.SetOutput(AppendPath(dir.File("Main Build"), "Setup.exe"));
    extractor.SetTitle("The \"Best\" Viewer");
    extractor.SetExec("$temp$\\Setup.exe");
    extractor.SetAutoExtract(true);
    extractor.Execute();

    std::string package = dir.Read("Main Build/Setup.exe");
    std::string zip = dir.Read("Main Build.ZIP");
    ASSERT_GT(package.size(), zip.size() + TSfxTrailer::TailSize);
    EXPECT_EQ(package.substr(0, 2), "MZ");
    uint64_t zipSize = 0;
    uint32_t settingsSize = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(package.data());
    TSfxTrailer::DecodeTail(bytes + package.size() - TSfxTrailer::TailSize, package.size(), zipSize, settingsSize);
    size_t settingsStart = package.size() - TSfxTrailer::TailSize - settingsSize;
    // The archive's offsets count from the program's first byte, so the
    // stub takes all that lies before the settings for its archive; the
    // entries themselves are the archive's, byte for byte.
    EXPECT_EQ(zipSize, settingsStart);
    EXPECT_EQ(package.substr(settingsStart - zip.size(), 100000), zip.substr(0, 100000));
    TSfxSettings settings = TSfxTrailer::DecodeSettings(bytes + settingsStart, settingsSize);
    EXPECT_EQ(settings.Title, "The \"Best\" Viewer");
    EXPECT_EQ(settings.Exec, "$temp$\\Setup.exe");
    EXPECT_TRUE(settings.AutoExtract);
}
