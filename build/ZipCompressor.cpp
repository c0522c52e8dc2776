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
    const TCompressProgress* Progress = nullptr;
    zip_error_t Error;

    void Report(int percent)
    {
        if (*Progress && percent != LastPercent) {
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

bool TZipCompressor::Execute()
{
    FMessages.clear();
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
        auto feed = std::make_unique<TFileFeed>();
        feed->Path = path;
        feed->Name = ExtractFileName(path);
        feed->Size = static_cast<uint64_t>(FileSize(path));
        feed->ModTime = ModificationTime(path);
        feed->Progress = &FOnProgress;
        zip_error_init(&feed->Error);
        zip_source_t* source = zip_source_function(archive, FeedCallback, feed.get());
        if (!source) {
            zip_error_fini(&feed->Error);
            fail("Cannot add " + path + " to the archive");
        }
        feed.release(); // the source owns it now

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
        bool store = LooksIncompressible(path);
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
