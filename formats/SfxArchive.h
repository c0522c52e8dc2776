#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Random access to the bytes of the attached ZIP archive. ReadAt raises
// Exception when the range cannot be read in full.
class TSfxSource {
public:
    virtual ~TSfxSource() = default;
    virtual uint64_t Size() const = 0;
    virtual void ReadAt(uint64_t offset, void* buffer, size_t count) const = 0;
};

struct TSfxEntry {
    std::string Name; // as stored; see Utf8
    bool Utf8 = false; // general purpose flag bit 11; otherwise code page 437
    bool IsFolder = false; // name ends with a separator
    uint16_t Method = 0; // 0 stored, 8 deflated
    uint32_t Crc = 0;
    uint64_t CompressedSize = 0;
    uint64_t Size = 0;
    uint64_t DataOffset = 0; // start of the entry's data within the source
};

// The small ZIP reader of the self-extractor: the central directory, stored
// and deflated entries, nothing else (no ZIP64, no encryption, no spanning).
// Every offset and length read from the archive is checked against the
// source before it is used, so a damaged or hostile archive ends in an
// Exception rather than a wild read or a huge allocation.
class TSfxArchive {
public:
    explicit TSfxArchive(const TSfxSource& source);

    const std::vector<TSfxEntry>& Entries() const { return FEntries; }

    using TSink = std::function<void(const uint8_t* data, size_t count)>;
    // Unpacks one entry through sink in pieces, checking its size and CRC.
    // progress, when set, gets the number of unpacked bytes after each piece.
    void Extract(const TSfxEntry& entry, const TSink& sink,
                 const std::function<void(uint64_t done)>& progress = {}) const;

    // True for a relative name that stays inside the folder it is unpacked
    // into: no drive or stream colon, no leading separator, no component made
    // only of dots and blanks (which Windows would read as "." or ".."), no
    // component ending in a dot or blank (Windows strips them, so the entry
    // would land on another name), no control characters, no device names;
    // "/" and "\" both separate.
    static bool IsSafeName(const std::string& name);

private:
    void ReadDirectory();

    const TSfxSource& FSource;
    std::vector<TSfxEntry> FEntries;
};
