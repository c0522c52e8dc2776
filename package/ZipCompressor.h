#pragma once

#include "package/Compressor.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class TZipArchive;

// The compressor of the builder, written with libzip. Every file is stored
// under its bare name. Data that does not shrink (the device CAB files are
// compressed already) is stored as it is; everything else is deflated.
//
// Large files are deflated here rather than by libzip, with ParallelDeflate
// (blocks side by side, slices that do not shrink stored). The archive stays
// a plain ZIP with deflated entries. The deflated data is kept in a private
// temporary folder until the compressor is destroyed, so the next archive
// of the same run (the next build's package, which usually holds the same
// CAB files) copies it instead of deflating the file again.
class TZipCompressor : public TCompressor {
public:
    TZipCompressor() = default;
    ~TZipCompressor() override;

    // Fails with "No files to compress!" when the list is empty or no file
    // of it exists, and with "No archive file name specified!" without a name.
    // With SOURCE_DATE_EPOCH set every entry is dated to it (in UTC, whatever
    // the host's time zone), otherwise to its file's time; a malformed value
    // fails before anything is written.
    void Execute() override;

    // Deflate level for data worth compressing (1 fastest .. 9 smallest).
    // 4 is the default: on program code it is about 2.4 times as fast as
    // zlib's usual 6 for an archive about 3 per cent larger (see
    // benchmarks/ZipCompressorBenchmark).
    void SetLevel(int level) { FLevel = level; }

    // True when a sample of the file shrinks by less than a few per cent under
    // the fastest deflate, so deflating all of it would only cost time.
    static bool LooksIncompressible(const std::string& path);

    // How many files the last Execute took from the data of an earlier one.
    int ReusedCount() const { return FReused; }

    // The deflated data of one large file.
    struct TPacked {
        std::string RawPath;
        uint64_t Size = 0;
        int64_t Stamp = 0; // modification time in the file system's units
        int Level = 0;
        uint32_t Crc = 0;
        uint64_t PackedSize = 0;
    };

private:
    // Clears the notes, checks the settings and removes an old archive.
    void StartRun();
    // Adds one file (or notes it missing); true when it made a new entry
    // rather than replacing one of the same name.
    bool AddFile(TZipArchive& archive, const std::string& path);
    const TPacked& Pack(const std::string& path, uint64_t size, int64_t stamp);
    // The data packed before, when the file is still the one packed.
    const TPacked* Reusable(const std::string& path, uint64_t size, int64_t stamp);
    std::string NewRawPath();

    int FLevel = 4;
    int FReused = 0;
    // SOURCE_DATE_EPOCH of the run: the time every entry shows.
    std::optional<int64_t> FSourceDate;
    std::string FCacheDir;
    std::map<std::string, TPacked> FPacked; // by host path
};
