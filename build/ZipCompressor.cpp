#include "build/ZipCompressor.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr size_t SampleSize = 64 * 1024;
constexpr int SampleCount = 3;
// Under the fastest deflate a sample must come down to this share of its
// size (in 1/1000) for the whole file to be deflated.
constexpr uLong WorthDeflating = 970;
// Files at least this large are deflated by Pack, in slices of ChunkSize;
// each slice is judged by deflating TrialSize bytes from its middle.
constexpr uint64_t PackFrom = 256 * 1024;
constexpr size_t ChunkSize = 128 * 1024;
constexpr size_t TrialSize = 8 * 1024;

// One file as a libzip source that opens the file only while libzip reads
// it (so a long list never holds many files open) and reports the share of
// it read so far.
struct TFileFeed {
    std::string Path;
    std::string Name;
    uint64_t Size = 0;
    time_t ModTime = 0;
    std::ifstream File;
    uint64_t Done = 0;
    int LastPercent = -1;
    // Null when the file's progress was reported while it was packed.
    const TCompressProgress* Progress = nullptr;
    zip_error_t Error;

    void Report(int percent)
    {
        if (Progress && *Progress && percent != LastPercent) {
            LastPercent = percent;
            (*Progress)(Name, percent);
        }
    }
};

zip_int64_t FeedCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* feed = static_cast<TFileFeed*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        feed->File.open(feed->Path, std::ios::binary);
        if (!feed->File) {
            zip_error_set(&feed->Error, ZIP_ER_OPEN, errno);
            return -1;
        }
        feed->Done = 0;
        feed->LastPercent = -1;
        feed->Report(feed->Size == 0 ? 100 : 0);
        return 0;
    case ZIP_SOURCE_READ: {
        // A file that grows while it is packed must not break the sizes
        // the archive already announced.
        uint64_t left = feed->Size - feed->Done;
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
        feed->Report(static_cast<int>(feed->Done * 100 / feed->Size));
        return got;
    }
    case ZIP_SOURCE_CLOSE:
        feed->File.close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        if (length < sizeof(*st)) {
            zip_error_set(&feed->Error, ZIP_ER_INVAL, 0);
            return -1;
        }
        zip_stat_init(st);
        st->size = feed->Size;
        st->mtime = feed->ModTime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&feed->Error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&feed->Error);
        delete feed;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&feed->Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Data deflated ahead by Pack: libzip copies it as it is, since the source
// says it is deflated already and gives its size and CRC.
struct TRawFeed {
    std::string Path;
    TZipCompressor::TPacked Packed;
    time_t ModTime = 0;
    std::ifstream File;
    zip_error_t Error;
};

zip_int64_t RawFeedCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* feed = static_cast<TRawFeed*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        feed->File.open(feed->Packed.RawPath, std::ios::binary);
        if (!feed->File) {
            zip_error_set(&feed->Error, ZIP_ER_OPEN, errno);
            return -1;
        }
        return 0;
    case ZIP_SOURCE_READ: {
        feed->File.read(static_cast<char*>(data), static_cast<std::streamsize>(length));
        std::streamsize got = feed->File.gcount();
        if (got <= 0 && feed->File.bad()) {
            zip_error_set(&feed->Error, ZIP_ER_READ, errno);
            return -1;
        }
        return got;
    }
    case ZIP_SOURCE_CLOSE:
        feed->File.close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        if (length < sizeof(*st)) {
            zip_error_set(&feed->Error, ZIP_ER_INVAL, 0);
            return -1;
        }
        zip_stat_init(st);
        st->size = feed->Packed.Size;
        st->comp_size = feed->Packed.PackedSize;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->crc = feed->Packed.Crc;
        st->mtime = feed->ModTime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD |
                     ZIP_STAT_CRC | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&feed->Error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&feed->Error);
        delete feed;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&feed->Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
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

    // The next slice, empty at the end.
    size_t Next(std::vector<Bytef>& buffer)
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

class TDeflateStream {
public:
    explicit TDeflateStream(int level)
    {
        // Raw deflate, as a ZIP entry holds it.
        if (deflateInit2(&FStream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Exception("Cannot start the deflate compressor.");
    }
    ~TDeflateStream() { deflateEnd(&FStream); }
    TDeflateStream(const TDeflateStream&) = delete;
    TDeflateStream& operator=(const TDeflateStream&) = delete;
    z_stream* operator->() { return &FStream; }
    z_stream* Get() { return &FStream; }

private:
    z_stream FStream{};
};

// True when a slice from the middle of the data shrinks enough under the
// fastest deflate to be worth deflating at the real level.
bool SliceWorthDeflating(TDeflateStream& trial, std::vector<Bytef>& scratch, const Bytef* data, size_t size)
{
    size_t sample = std::min(size, TrialSize);
    deflateReset(trial.Get());
    trial->next_in = const_cast<Bytef*>(data + (size - sample) / 2);
    trial->avail_in = static_cast<uInt>(sample);
    trial->next_out = scratch.data();
    trial->avail_out = static_cast<uInt>(scratch.size());
    if (deflate(trial.Get(), Z_FINISH) != Z_STREAM_END)
        return true;
    return trial->total_out * 1000 < sample * WorthDeflating;
}

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

std::string ZipErrorText(zip_error_t* error)
{
    return zip_error_strerror(error);
}

} // namespace

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

const TZipCompressor::TPacked& TZipCompressor::Pack(const std::string& path, uint64_t size, int64_t stamp)
{
    std::vector<Bytef> in(ChunkSize);
    auto known = FPacked.find(path);
    if (known != FPacked.end() && known->second.Size == size && known->second.Stamp == stamp &&
        known->second.Level == FLevel) {
        // Size and time may both survive a quick rewrite; the CRC decides.
        TSliceReader reader(path, size, FOnProgress);
        uLong crc = crc32(0, nullptr, 0);
        while (size_t n = reader.Next(in))
            crc = crc32(crc, in.data(), static_cast<uInt>(n));
        if (reader.Done() == size && crc == known->second.Crc) {
            ++FReused;
            return known->second;
        }
    }

    TPacked packed;
    packed.RawPath = known != FPacked.end() ? known->second.RawPath : NewRawPath();
    packed.Stamp = stamp;
    packed.Level = FLevel;
    std::ofstream out(packed.RawPath, std::ios::binary | std::ios::trunc);
    if (!out)
        throw Exception("Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".");

    TDeflateStream stream(FLevel);
    TDeflateStream trial(1);
    std::vector<Bytef> scratch(compressBound(TrialSize));
    std::vector<Bytef> buffer(compressBound(ChunkSize) + 1024);
    auto drain = [&] {
        size_t n = buffer.size() - stream->avail_out;
        out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(n));
        packed.PackedSize += n;
        stream->next_out = buffer.data();
        stream->avail_out = static_cast<uInt>(buffer.size());
    };
    stream->next_out = buffer.data();
    stream->avail_out = static_cast<uInt>(buffer.size());

    TSliceReader reader(path, size, FOnProgress);
    uLong crc = crc32(0, nullptr, 0);
    int level = FLevel;
    while (size_t n = reader.Next(in)) {
        crc = crc32(crc, in.data(), static_cast<uInt>(n));
        // Level 0 writes stored blocks inside the same deflate stream; a
        // change of level closes the current block first.
        int wanted = SliceWorthDeflating(trial, scratch, in.data(), n) ? FLevel : 0;
        if (wanted != level) {
            int result;
            while ((result = deflateParams(stream.Get(), wanted, Z_DEFAULT_STRATEGY)) == Z_BUF_ERROR &&
                   stream->avail_out < buffer.size())
                drain();
            if (result != Z_OK)
                throw Exception("Cannot deflate " + path + " for the archive.");
            level = wanted;
        }
        stream->next_in = in.data();
        stream->avail_in = static_cast<uInt>(n);
        while (stream->avail_in > 0) {
            if (deflate(stream.Get(), Z_NO_FLUSH) == Z_STREAM_ERROR)
                throw Exception("Cannot deflate " + path + " for the archive.");
            if (stream->avail_out == 0)
                drain();
        }
    }
    for (;;) {
        int result = deflate(stream.Get(), Z_FINISH);
        drain();
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw Exception("Cannot deflate " + path + " for the archive.");
    }
    reader.Finish();
    out.close();
    if (!out)
        throw Exception("Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".");
    packed.Size = reader.Done();
    packed.Crc = static_cast<uint32_t>(crc);
    return FPacked[path] = packed;
}

bool TZipCompressor::Execute()
{
    FMessages.clear();
    FReused = 0;
    if (!FFiles || FFiles->empty()) {
        FMessages.push_back("No files to compress!");
        return false;
    }
    if (FArchiveName.empty()) {
        FMessages.push_back("No archive file name specified!");
        return false;
    }
    if (!DeleteFileIfExists(FArchiveName))
        throw Exception("Cannot delete the old archive " + FArchiveName + ".");

    int errorCode = 0;
    zip_t* archive = zip_open(FArchiveName.c_str(), ZIP_CREATE | ZIP_EXCL, &errorCode);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, errorCode);
        std::string text = ZipErrorText(&error);
        zip_error_fini(&error);
        throw Exception("Cannot create the archive " + FArchiveName + ": " + text);
    }
    auto fail = [&](const std::string& what) {
        std::string text = what + ": " + zip_strerror(archive);
        zip_discard(archive);
        throw Exception(text);
    };

    int added = 0;
    for (const std::string& path : *FFiles) {
        if (!FileExists(path)) {
            // The build lists licence files whether they exist or not.
            FMessages.push_back("File not found, left out of the archive: " + path);
            continue;
        }
        const uint64_t size = static_cast<uint64_t>(FileSize(path));
        bool store = LooksIncompressible(path);
        const TPacked* packed = nullptr;
        if (!store && size >= PackFrom) {
            try {
                packed = &Pack(path, size, ModificationStamp(path));
            } catch (...) {
                zip_discard(archive);
                throw;
            }
            // Nothing gained: stored blocks only.
            store = packed->PackedSize >= packed->Size;
        }
        zip_source_t* source = nullptr;
        if (packed && !store) {
            auto feed = std::make_unique<TRawFeed>();
            feed->Path = path;
            feed->Packed = *packed;
            feed->ModTime = ModificationTime(path);
            zip_error_init(&feed->Error);
            source = zip_source_function(archive, RawFeedCallback, feed.get());
            if (!source) {
                zip_error_fini(&feed->Error);
                fail("Cannot add " + path + " to the archive");
            }
            feed.release(); // the source owns it now
        } else {
            auto feed = std::make_unique<TFileFeed>();
            feed->Path = path;
            feed->Name = ExtractFileName(path);
            feed->Size = packed ? packed->Size : size;
            feed->ModTime = ModificationTime(path);
            // A packed file has shown its progress already.
            feed->Progress = packed ? nullptr : &FOnProgress;
            zip_error_init(&feed->Error);
            source = zip_source_function(archive, FeedCallback, feed.get());
            if (!source) {
                zip_error_fini(&feed->Error);
                fail("Cannot add " + path + " to the archive");
            }
            feed.release(); // the source owns it now
        }

        std::string name = ArchiveEntryName(path);
        zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
        if (index >= 0) {
            FMessages.push_back("Two files named " + ExtractFileName(path) +
                                "; the archive keeps the later one: " + path);
            if (zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) < 0) {
                zip_source_free(source);
                fail("Cannot add " + path + " to the archive");
            }
        } else {
            index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
            if (index < 0) {
                zip_source_free(source);
                fail("Cannot add " + path + " to the archive");
            }
            ++added;
        }
        if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                     store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : static_cast<zip_uint32_t>(FLevel)) < 0)
            fail("Cannot add " + path + " to the archive");
    }
    if (added == 0) {
        zip_discard(archive);
        FMessages.push_back("No files to compress!");
        return false;
    }
    if (zip_close(archive) < 0)
        fail("Cannot write the archive " + FArchiveName);
    return true;
}
