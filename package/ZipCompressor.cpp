#include "package/ZipCompressor.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

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
// Large files are deflated in blocks of BlockSize, up to one per processor
// at a time, each primed with the DictionarySize bytes before it.
constexpr size_t BlockSize = 1024 * 1024;
constexpr size_t DictionarySize = 32 * 1024;
constexpr size_t MaxWorkers = 8;

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

// The commands both kinds of feed answer alike: a feed holds the open File
// and the Error of its last failure, and is freed with the source.
template <typename TFeed>
zip_int64_t FeedCommand(TFeed* feed, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_CLOSE:
        feed->File.close();
        return 0;
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
    default:
        return FeedCommand(feed, data, length, command);
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
    default:
        return FeedCommand(feed, data, length, command);
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

// Deflates one block as a run of deflate blocks that ends on a byte
// boundary (a sync flush), so blocks deflated apart join into one stream.
// Each slice of the block is deflated at the given level or, when it does
// not shrink, written as stored blocks.
void DeflateBlock(const Bytef* data, size_t size, const Bytef* dictionary, size_t dictionarySize, int level,
                  std::vector<Bytef>& result)
{
    TDeflateStream stream(level);
    TDeflateStream trial(1);
    std::vector<Bytef> scratch(compressBound(TrialSize));
    result.resize(compressBound(static_cast<uLong>(size)) + 1024);
    size_t used = 0;
    auto room = [&] {
        // Room for whatever a level change or a flush may put out at once.
        if (result.size() - used < 256 * 1024)
            result.resize(std::max(result.size() * 2, used + 256 * 1024));
        stream->next_out = result.data() + used;
        stream->avail_out = static_cast<uInt>(result.size() - used);
    };
    auto took = [&] { used = result.size() - stream->avail_out; };
    auto fail = [] { throw Exception("Cannot deflate the data for the archive."); };

    if (dictionarySize > 0 && deflateSetDictionary(stream.Get(), dictionary, static_cast<uInt>(dictionarySize)) != Z_OK)
        fail();
    int current = level;
    for (size_t offset = 0; offset < size; offset += ChunkSize) {
        size_t n = std::min(ChunkSize, size - offset);
        // Level 0 writes stored blocks inside the same stream; a change of
        // level closes the current block first.
        int wanted = SliceWorthDeflating(trial, scratch, data + offset, n) ? level : 0;
        if (wanted != current) {
            int status;
            do {
                room();
                status = deflateParams(stream.Get(), wanted, Z_DEFAULT_STRATEGY);
                took();
            } while (status == Z_BUF_ERROR && stream->avail_out == 0);
            if (status != Z_OK)
                fail();
            current = wanted;
        }
        stream->next_in = const_cast<Bytef*>(data + offset);
        stream->avail_in = static_cast<uInt>(n);
        do {
            room();
            if (deflate(stream.Get(), Z_NO_FLUSH) == Z_STREAM_ERROR)
                fail();
            took();
        } while (stream->avail_in > 0 || stream->avail_out == 0);
    }
    do {
        room();
        if (deflate(stream.Get(), Z_SYNC_FLUSH) == Z_STREAM_ERROR)
            fail();
        took();
    } while (stream->avail_out == 0);
    result.resize(used);
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
    auto known = FPacked.find(path);
    if (known != FPacked.end() && known->second.Size == size && known->second.Stamp == stamp &&
        known->second.Level == FLevel) {
        // Size and time may both survive a quick rewrite; the CRC decides.
        std::vector<Bytef> in(BlockSize);
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
    auto write = [&](const std::vector<Bytef>& data) {
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!out)
            throw Exception("Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".");
        packed.PackedSize += data.size();
    };
    if (!out)
        throw Exception("Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".");

    // Blocks are read in batches of one per worker and deflated side by side;
    // each is primed with the 32 KiB before it, so the stream is as small as
    // one made in one piece, and the same whatever the number of workers.
    const size_t workers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, MaxWorkers);
    std::vector<std::vector<Bytef>> blocks(workers, std::vector<Bytef>(BlockSize));
    std::vector<size_t> lengths(workers);
    std::vector<std::vector<Bytef>> results(workers);
    std::vector<Bytef> history;
    TSliceReader reader(path, size, FOnProgress);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        size_t count = 0;
        while (count < workers && (lengths[count] = reader.Next(blocks[count])) > 0) {
            crc = crc32(crc, blocks[count].data(), static_cast<uInt>(lengths[count]));
            ++count;
        }
        if (count == 0)
            break;
        auto job = [&](size_t i) {
            const std::vector<Bytef>& before = i == 0 ? history : blocks[i - 1];
            size_t primed = i == 0 ? history.size() : std::min(lengths[i - 1], DictionarySize);
            const Bytef* dictionary = before.data() + (i == 0 ? 0 : lengths[i - 1] - primed);
            DeflateBlock(blocks[i].data(), lengths[i], dictionary, primed, FLevel, results[i]);
        };
        std::vector<std::future<void>> running;
        for (size_t i = 1; i < count; ++i)
            running.push_back(std::async(std::launch::async, job, i));
        job(0);
        for (auto& task : running)
            task.get();
        for (size_t i = 0; i < count; ++i)
            write(results[i]);
        size_t kept = std::min(lengths[count - 1], DictionarySize);
        history.assign(blocks[count - 1].begin() + static_cast<std::ptrdiff_t>(lengths[count - 1] - kept),
                       blocks[count - 1].begin() + static_cast<std::ptrdiff_t>(lengths[count - 1]));
        if (count < workers)
            break;
    }
    // Every block ended on a byte boundary; an empty final block closes the stream.
    write(std::vector<Bytef>{0x03, 0x00});
    reader.Finish();
    out.close();
    if (!out)
        throw Exception("Cannot write the archive " + FArchiveName + ": no room for " + packed.RawPath + ".");
    packed.Size = reader.Done();
    packed.Crc = static_cast<uint32_t>(crc);
    return FPacked[path] = packed;
}

void TZipCompressor::Execute()
{
    FMessages.clear();
    FReused = 0;
    if (FFiles.empty())
        throw Exception("No files to compress!");
    if (FArchiveName.empty())
        throw Exception("No archive file name specified!");
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
    for (const std::string& path : FFiles) {
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
        throw Exception("No files to compress!");
    }
    if (zip_close(archive) < 0)
        fail("Cannot write the archive " + FArchiveName);
}
