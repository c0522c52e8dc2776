#include "package/ZipCompressor.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/SourceDate.h"
#include "package/ParallelDeflate.h"
#include "package/ZipEntryDates.h"

#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace {

constexpr size_t SampleSize = 64 * 1024;
constexpr int SampleCount = 3;
// Under the fastest deflate a sample must come down to this share of its
// size (in 1/1000) for the whole file to be deflated.
constexpr uLong WorthDeflating = 970;
// Files at least this large are deflated ahead by Pack.
constexpr uint64_t PackFrom = 256 * 1024;
constexpr size_t ReadSize = 1024 * 1024;

// One file as a libzip source that opens the file only while libzip reads
// it (so a long list never holds many files open). It reads either the
// file itself, reporting the share read so far, or the file's data deflated
// ahead by Pack, which libzip copies as it is because the source says it is
// deflated already and gives its size and CRC.
struct TFileFeed {
    std::string ReadPath;
    std::string Name;
    uint64_t Size = 0; // of the file's data
    time_t ModTime = 0;
    std::optional<TZipCompressor::TPacked> Packed;
    std::ifstream File;
    uint64_t Done = 0;
    int LastPercent = -1;
    // Null when the file's progress was reported while it was packed.
    const TCompressProgress* Progress = nullptr;
    zip_error_t Error;

    // The bytes the source gives: a file that grows while it is packed
    // must not break the sizes the archive already announced.
    uint64_t Length() const { return Packed ? Packed->PackedSize : Size; }

    void Report(int percent)
    {
        if (Progress && *Progress && percent != LastPercent) {
            LastPercent = percent;
            (*Progress)(Name, percent);
        }
    }
};

zip_int64_t FeedStat(TFileFeed* feed, void* data, zip_uint64_t length)
{
    auto* st = static_cast<zip_stat_t*>(data);
    if (length < sizeof(*st)) {
        zip_error_set(&feed->Error, ZIP_ER_INVAL, 0);
        return -1;
    }
    zip_stat_init(st);
    st->size = feed->Size;
    st->mtime = feed->ModTime;
    st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    if (feed->Packed) {
        st->comp_size = feed->Packed->PackedSize;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->crc = feed->Packed->Crc;
        st->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
    }
    return sizeof(*st);
}

zip_int64_t FeedCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* feed = static_cast<TFileFeed*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        feed->File.open(feed->ReadPath, std::ios::binary);
        if (!feed->File) {
            zip_error_set(&feed->Error, ZIP_ER_OPEN, errno);
            return -1;
        }
        feed->Done = 0;
        feed->LastPercent = -1;
        feed->Report(feed->Length() == 0 ? 100 : 0);
        return 0;
    case ZIP_SOURCE_READ: {
        uint64_t left = feed->Length() - feed->Done;
        std::streamsize want = static_cast<std::streamsize>(length < left ? length : left);
        if (want == 0)
            return 0;
        feed->File.read(static_cast<char*>(data), want);
        std::streamsize got = feed->File.gcount();
        if (got <= 0 && feed->File.bad()) {
            zip_error_set(&feed->Error, ZIP_ER_READ, errno);
            return -1;
        }
        feed->Done += static_cast<uint64_t>(got);
        feed->Report(static_cast<int>(feed->Done * 100 / feed->Length()));
        return got;
    }
    case ZIP_SOURCE_STAT: return FeedStat(feed, data, length);
    case ZIP_SOURCE_CLOSE: feed->File.close(); return 0;
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&feed->Error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&feed->Error);
        delete feed;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&feed->Error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

// Reads a file in slices and reports the share read; stops at the size the
// archive announced even when the file has grown since.
class TSliceReader {
public:
    TSliceReader(const std::string& path, uint64_t size, const TCompressProgress& progress)
        : FPath(path), FName(ExtractFileName(path)), FSize(size), FProgress(progress), FFile(path, std::ios::binary)
    {
        if (!FFile)
            throw Exception("Cannot open " + path + " for the archive.");
        Report(0);
    }

    // Fills the buffer with the next slice; 0 at the end.
    size_t Next(std::vector<uint8_t>& buffer)
    {
        uint64_t left = FSize - FDone;
        std::streamsize want = static_cast<std::streamsize>(std::min<uint64_t>(left, buffer.size()));
        if (want == 0)
            return 0;
        FFile.read(reinterpret_cast<char*>(buffer.data()), want);
        std::streamsize got = FFile.gcount();
        if (got <= 0 && FFile.bad())
            throw Exception("Cannot read " + FPath + " for the archive.");
        FDone += static_cast<uint64_t>(got);
        Report(static_cast<int>(FDone * 100 / FSize));
        return static_cast<size_t>(got);
    }

    uint64_t Done() const { return FDone; }
    void Finish() { Report(100); }

private:
    void Report(int percent)
    {
        if (FProgress && percent != FLastPercent) {
            FLastPercent = percent;
            FProgress(FName, percent);
        }
    }

    std::string FPath;
    std::string FName;
    uint64_t FSize;
    const TCompressProgress& FProgress;
    std::ifstream FFile;
    uint64_t FDone = 0;
    int FLastPercent = -1;
};

time_t ModificationTime(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    auto stamp = fs::last_write_time(fs::path(path), ec);
    if (ec)
        return 0;
    auto system = std::chrono::file_clock::to_sys(stamp);
    return std::chrono::system_clock::to_time_t(system);
}

// libzip writes an entry's DOS date from the local time of its mtime, so
// the time whose local reading shows the UTC fields of the given one puts
// those fields into the archive (but for the hour a summer-time zone skips,
// which SetEntryDates puts right afterwards).
time_t LocalTimeShowingUtc(int64_t unixTime)
{
    std::tm fields = UtcFields(unixTime);
    return std::mktime(&fields);
}

// Names are stored as UTF-8 with the flag that says so; names that are not
// UTF-8 already are model text in Windows-1252.
std::string ArchiveEntryName(const std::string& path)
{
    std::string name = ExtractFileName(path);
    if (!HasNonAscii(name))
        return name;
    std::string ansi;
    if (Utf8ToAnsi(name, ansi))
        return name;
    return AnsiToUtf8(name);
}

// The modification time in the file system's own units, finer than the
// seconds a ZIP entry keeps: it tells a rewritten file from the one packed.
int64_t ModificationStamp(const std::string& path)
{
    std::error_code ec;
    auto stamp = std::filesystem::last_write_time(std::filesystem::path(path), ec);
    return ec ? 0 : static_cast<int64_t>(stamp.time_since_epoch().count());
}

} // namespace

// The archive being written. It is discarded unless Close succeeds, so a
// failure anywhere leaves no half-written archive behind.
class TZipArchive {
public:
    explicit TZipArchive(const std::string& path) : FPath(path)
    {
        int errorCode = 0;
        FZip = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &errorCode);
        if (!FZip) {
            zip_error_t error;
            zip_error_init_with_code(&error, errorCode);
            std::string text = zip_error_strerror(&error);
            zip_error_fini(&error);
            throw Exception("Cannot create the archive " + path + ": " + text);
        }
    }
    ~TZipArchive()
    {
        if (FZip)
            zip_discard(FZip);
    }
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    zip_t* Get() const { return FZip; }

    // Raises the failure with libzip's account of it.
    [[noreturn]] void Fail(const std::string& what) const { throw Exception(what + ": " + zip_strerror(FZip)); }

    // Hands the feed over to a new source of this archive.
    zip_source_t* NewSource(std::unique_ptr<TFileFeed> feed, const std::string& path)
    {
        zip_error_init(&feed->Error);
        zip_source_t* source = zip_source_function(FZip, FeedCallback, feed.get());
        if (!source) {
            zip_error_fini(&feed->Error);
            Fail("Cannot add " + path + " to the archive");
        }
        feed.release(); // the source owns it now
        return source;
    }

    void Close()
    {
        if (zip_close(FZip) < 0)
            Fail("Cannot write the archive " + FPath);
        FZip = nullptr;
    }

private:
    std::string FPath;
    zip_t* FZip = nullptr;
};

bool TZipCompressor::LooksIncompressible(const std::string& path)
{
    int64_t size = FileSize(path);
    if (size < static_cast<int64_t>(SampleSize))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    // Samples from the start, the middle and the end: a CAB file's header is
    // plain, its data blocks are not.
    std::vector<Bytef> sample(SampleSize);
    std::vector<Bytef> packed(compressBound(SampleSize));
    uLong plainTotal = 0, packedTotal = 0;
    for (int i = 0; i < SampleCount; ++i) {
        int64_t offset = (size - static_cast<int64_t>(SampleSize)) * i / (SampleCount - 1);
        in.seekg(offset);
        in.read(reinterpret_cast<char*>(sample.data()), SampleSize);
        if (in.gcount() != static_cast<std::streamsize>(SampleSize))
            return false;
        uLongf packedSize = packed.size();
        if (compress2(packed.data(), &packedSize, sample.data(), SampleSize, 1) != Z_OK)
            return false;
        plainTotal += SampleSize;
        packedTotal += packedSize;
    }
    return packedTotal * 1000 >= plainTotal * WorthDeflating;
}

TZipCompressor::~TZipCompressor()
{
    if (!FCacheDir.empty())
        RemoveTree(FCacheDir);
}

std::string TZipCompressor::NewRawPath()
{
    if (FCacheDir.empty())
        FCacheDir = CreatePrivateTempDir("VIZip");
    return AppendPath(FCacheDir, std::to_string(FPacked.size()) + ".deflate");
}

const TZipCompressor::TPacked* TZipCompressor::Reusable(const std::string& path, uint64_t size, int64_t stamp)
{
    auto known = FPacked.find(path);
    if (known == FPacked.end() || known->second.Size != size || known->second.Stamp != stamp ||
        known->second.Level != FLevel)
        return nullptr;
    // Size and time may both survive a quick rewrite; the CRC decides.
    std::vector<uint8_t> in(ReadSize);
    TSliceReader reader(path, size, FOnProgress);
    uLong crc = crc32(0, nullptr, 0);
    while (size_t n = reader.Next(in))
        crc = crc32(crc, in.data(), static_cast<uInt>(n));
    return reader.Done() == size && crc == known->second.Crc ? &known->second : nullptr;
}

const TZipCompressor::TPacked& TZipCompressor::Pack(const std::string& path, uint64_t size, int64_t stamp)
{
    if (const TPacked* reused = Reusable(path, size, stamp)) {
        ++FReused;
        return *reused;
    }
    auto known = FPacked.find(path);
    TPacked packed;
    packed.RawPath = known != FPacked.end() ? known->second.RawPath : NewRawPath();
    packed.Stamp = stamp;
    packed.Level = FLevel;
    const std::string noRoom = "Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".";
    std::ofstream out(packed.RawPath, std::ios::binary | std::ios::trunc);
    if (!out)
        throw Exception(noRoom);
    TSliceReader reader(path, size, FOnProgress);
    TDeflated deflated = ParallelDeflate([&](std::vector<uint8_t>& buffer) { return reader.Next(buffer); },
                                         [&](const std::vector<uint8_t>& piece) {
                                             out.write(reinterpret_cast<const char*>(piece.data()),
                                                       static_cast<std::streamsize>(piece.size()));
                                             if (!out)
                                                 throw Exception(noRoom);
                                         },
                                         FLevel);
    reader.Finish();
    out.close();
    if (!out)
        throw Exception(noRoom);
    packed.Size = deflated.Size;
    packed.Crc = deflated.Crc;
    packed.PackedSize = deflated.PackedSize;
    return FPacked[path] = packed;
}

void TZipCompressor::Execute()
{
    StartRun();
    TZipArchive archive(FArchiveName);
    int added = 0;
    for (const std::string& path : FFiles)
        if (AddFile(archive, path))
            ++added;
    if (added == 0)
        throw Exception("No files to compress!");
    archive.Close();
    if (FSourceDate) {
        try {
            SetEntryDates(FArchiveName, DosDateTimeOf(*FSourceDate));
        } catch (const Exception&) {
            DeleteFileIfExists(FArchiveName);
            throw;
        }
    }
}

void TZipCompressor::StartRun()
{
    FMessages.clear();
    FReused = 0;
    FSourceDate = SourceDateEpoch();
    if (FFiles.empty())
        throw Exception("No files to compress!");
    if (FArchiveName.empty())
        throw Exception("No archive file name specified!");
    if (!DeleteFileIfExists(FArchiveName))
        throw Exception("Cannot delete the old archive " + FArchiveName + ".");
}

bool TZipCompressor::AddFile(TZipArchive& archive, const std::string& path)
{
    if (!FileExists(path)) {
        // The build lists licence files whether they exist or not.
        FMessages.push_back("File not found, left out of the archive: " + path);
        return false;
    }
    const std::string failure = "Cannot add " + path + " to the archive";
    const uint64_t size = static_cast<uint64_t>(FileSize(path));
    bool store = LooksIncompressible(path);
    const TPacked* packed = nullptr;
    if (!store && size >= PackFrom) {
        packed = &Pack(path, size, ModificationStamp(path));
        // Nothing gained: stored blocks only.
        store = packed->PackedSize >= packed->Size;
    }
    auto feed = std::make_unique<TFileFeed>();
    feed->Name = ExtractFileName(path);
    feed->ModTime = FSourceDate ? LocalTimeShowingUtc(*FSourceDate) : ModificationTime(path);
    if (packed && !store) {
        feed->ReadPath = packed->RawPath;
        feed->Size = packed->Size;
        feed->Packed = *packed;
    } else {
        feed->ReadPath = path;
        feed->Size = packed ? packed->Size : size;
        // A packed file has shown its progress already.
        feed->Progress = packed ? nullptr : &FOnProgress;
    }
    zip_source_t* source = archive.NewSource(std::move(feed), path);

    std::string name = ArchiveEntryName(path);
    zip_int64_t index = zip_name_locate(archive.Get(), name.c_str(), 0);
    const bool isNew = index < 0;
    if (isNew) {
        index = zip_file_add(archive.Get(), name.c_str(), source, ZIP_FL_ENC_UTF_8);
    } else {
        FMessages.push_back("Two files named " + ExtractFileName(path) + "; the archive keeps the later one: " + path);
        if (zip_file_replace(archive.Get(), static_cast<zip_uint64_t>(index), source, 0) < 0)
            index = -1;
    }
    if (index < 0) {
        zip_source_free(source);
        archive.Fail(failure);
    }
    if (zip_set_file_compression(archive.Get(), static_cast<zip_uint64_t>(index), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 store ? 0 : static_cast<zip_uint32_t>(FLevel)) < 0)
        archive.Fail(failure);
    return isNew;
}
