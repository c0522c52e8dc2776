#include "formats/SfxArchive.h"

#include "common/Exception.h"
#include "formats/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

using namespace ZipFormat;

constexpr uint64_t MaxDirectorySize = 64u << 20;
constexpr size_t ChunkSize = 64 * 1024;

[[noreturn]] void Damaged(const std::string& what)
{
    throw Exception("The archive is damaged: " + what + ".");
}

bool IsDeviceName(std::string part)
{
    size_t dot = part.find('.');
    if (dot != std::string::npos)
        part.erase(dot);
    while (!part.empty() && part.back() == ' ')
        part.pop_back();
    for (char& c : part)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const Names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* n : Names)
        if (part == n)
            return true;
    return part.size() == 4 && (part.compare(0, 3, "COM") == 0 || part.compare(0, 3, "LPT") == 0) && part[3] >= '0' &&
           part[3] <= '9';
}

// Where the central directory is and how many entries it holds, from the
// end record.
struct TDirectoryPlace {
    uint16_t Entries = 0;
    uint32_t Size = 0;
    uint32_t Offset = 0;
};

TDirectoryPlace FindDirectory(const TSfxSource& source)
{
    const uint64_t size = source.Size();
    if (size < EndOfDirectorySize)
        Damaged("too short for a ZIP archive");

    // The end record sits in the last 64 KiB + 22 bytes (its comment is at
    // most 65535 bytes long).
    uint64_t tailStart = size > EndOfDirectorySize + 0xFFFF ? size - EndOfDirectorySize - 0xFFFF : 0;
    std::vector<uint8_t> tail(static_cast<size_t>(size - tailStart));
    source.ReadAt(tailStart, tail.data(), tail.size());
    size_t found = SIZE_MAX;
    for (size_t i = tail.size() - EndOfDirectorySize + 1; i-- > 0;) {
        if (Le32(&tail[i]) == SigEndOfDirectory && i + EndOfDirectorySize + Le16(&tail[i + 20]) <= tail.size()) {
            found = i;
            break;
        }
    }
    if (found == SIZE_MAX)
        Damaged("no end of central directory record");
    const uint8_t* end = &tail[found];
    const uint64_t endPos = tailStart + found;
    uint16_t disk = Le16(end + 4), directoryDisk = Le16(end + 6);
    uint16_t entriesHere = Le16(end + 8), entries = Le16(end + 10);
    uint32_t directorySize = Le32(end + 12), directoryOffset = Le32(end + 16);
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries)
        Damaged("archive spans several disks");
    if (entries == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF)
        Damaged("ZIP64 archives are not supported");
    if (directoryOffset > endPos || directorySize > endPos - directoryOffset)
        Damaged("central directory lies outside the archive");
    if (directorySize > MaxDirectorySize)
        Damaged("central directory too large");
    if (static_cast<uint64_t>(entries) * DirectoryEntrySize > directorySize)
        Damaged("central directory shorter than its entry count");
    return {entries, directorySize, directoryOffset};
}

// The entry of the central directory at pos, checked; pos moves past it.
// Its local header's offset goes to localOffset.
TSfxEntry ReadDirectoryEntry(const std::vector<uint8_t>& directory, size_t& pos, uint32_t& localOffset)
{
    if (directory.size() - pos < DirectoryEntrySize)
        Damaged("central directory entry cut short");
    const uint8_t* p = &directory[pos];
    if (Le32(p) != SigDirectoryEntry)
        Damaged("bad central directory entry signature");
    uint16_t flags = Le16(p + 8);
    TSfxEntry e;
    e.Method = Le16(p + 10);
    e.Crc = Le32(p + 16);
    uint32_t compressed = Le32(p + 20), plain = Le32(p + 24);
    size_t nameLength = Le16(p + 28), extraLength = Le16(p + 30), commentLength = Le16(p + 32);
    localOffset = Le32(p + 42);
    size_t entryLength = DirectoryEntrySize + nameLength + extraLength + commentLength;
    if (directory.size() - pos < entryLength)
        Damaged("central directory entry cut short");
    e.Name.assign(reinterpret_cast<const char*>(p + DirectoryEntrySize), nameLength);
    pos += entryLength;

    if (flags & 0x0001)
        Damaged("encrypted entry \"" + e.Name + "\"");
    if (e.Method != 0 && e.Method != 8)
        Damaged("entry \"" + e.Name + "\" uses an unknown compression method");
    if (compressed == 0xFFFFFFFF || plain == 0xFFFFFFFF || localOffset == 0xFFFFFFFF)
        Damaged("ZIP64 archives are not supported");
    if (e.Method == 0 && compressed != plain)
        Damaged("stored entry \"" + e.Name + "\" with two different sizes");
    e.Utf8 = (flags & 0x0800) != 0;
    e.CompressedSize = compressed;
    e.Size = plain;
    e.IsFolder = !e.Name.empty() && (e.Name.back() == '/' || e.Name.back() == '\\');
    return e;
}

// Where the entry's data start, behind its local header. The data of every
// entry lies between its local header and the central directory.
uint64_t DataOffsetOf(const TSfxSource& source, const TSfxEntry& e, uint32_t localOffset, uint32_t directoryOffset)
{
    if (localOffset > directoryOffset || directoryOffset - localOffset < LocalHeaderSize)
        Damaged("local header of \"" + e.Name + "\" lies outside the archive");
    uint8_t local[LocalHeaderSize];
    source.ReadAt(localOffset, local, sizeof(local));
    if (Le32(local) != SigLocalHeader)
        Damaged("bad local header signature of \"" + e.Name + "\"");
    uint64_t dataOffset = static_cast<uint64_t>(localOffset) + LocalHeaderSize + Le16(local + 26) + Le16(local + 28);
    if (dataOffset > directoryOffset || e.CompressedSize > directoryOffset - dataOffset)
        Damaged("data of \"" + e.Name + "\" lies outside the archive");
    return dataOffset;
}

using TProgress = std::function<void(uint64_t)>;

// A stored entry's bytes to the sink; returns how many, the checksum goes to
// crc.
uint64_t CopyStored(const TSfxSource& source, const TSfxEntry& entry, const TSfxArchive::TSink& sink,
                    const TProgress& progress, uLong& crc)
{
    std::vector<uint8_t> in(ChunkSize);
    uint64_t offset = entry.DataOffset;
    uint64_t left = entry.CompressedSize;
    uint64_t done = 0;
    while (left > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
        source.ReadAt(offset, in.data(), n);
        offset += n;
        left -= n;
        crc = crc32(crc, in.data(), static_cast<uInt>(n));
        sink(in.data(), n);
        done += n;
        if (progress)
            progress(done);
    }
    return done;
}

// A deflated entry unpacked to the sink; returns how many bytes, the
// checksum goes to crc.
uint64_t Inflate(const TSfxSource& source, const TSfxEntry& entry, const TSfxArchive::TSink& sink,
                 const TProgress& progress, uLong& crc)
{
    std::vector<uint8_t> in(ChunkSize);
    uint64_t offset = entry.DataOffset;
    uint64_t left = entry.CompressedSize;
    uint64_t done = 0;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        throw Exception("Cannot start the decompressor.");
    std::vector<uint8_t> out(ChunkSize);
    int status = Z_OK;
    try {
        while (status != Z_STREAM_END) {
            if (z.avail_in == 0) {
                if (left == 0)
                    Damaged("compressed data of \"" + entry.Name + "\" cut short");
                size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
                source.ReadAt(offset, in.data(), n);
                offset += n;
                left -= n;
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                Damaged("compressed data of \"" + entry.Name + "\" is invalid");
            size_t produced = out.size() - z.avail_out;
            if (produced > entry.Size - done)
                Damaged("\"" + entry.Name + "\" unpacks to more than its size");
            if (produced > 0) {
                crc = crc32(crc, out.data(), static_cast<uInt>(produced));
                sink(out.data(), produced);
                done += produced;
                if (progress)
                    progress(done);
            }
        }
    } catch (...) {
        inflateEnd(&z);
        throw;
    }
    inflateEnd(&z);
    return done;
}

} // namespace

TSfxArchive::TSfxArchive(const TSfxSource& source) : FSource(source)
{
    ReadDirectory();
}

void TSfxArchive::ReadDirectory()
{
    const TDirectoryPlace place = FindDirectory(FSource);
    std::vector<uint8_t> directory(place.Size);
    FSource.ReadAt(place.Offset, directory.data(), directory.size());
    FEntries.reserve(place.Entries);
    size_t pos = 0;
    for (unsigned i = 0; i < place.Entries; ++i) {
        uint32_t localOffset = 0;
        TSfxEntry e = ReadDirectoryEntry(directory, pos, localOffset);
        e.DataOffset = DataOffsetOf(FSource, e, localOffset, place.Offset);
        FEntries.push_back(std::move(e));
    }
}

void TSfxArchive::Extract(const TSfxEntry& entry, const TSink& sink,
                          const std::function<void(uint64_t)>& progress) const
{
    uLong crc = crc32(0, nullptr, 0);
    const uint64_t done = entry.Method == 0 ? CopyStored(FSource, entry, sink, progress, crc)
                                            : Inflate(FSource, entry, sink, progress, crc);
    if (done != entry.Size)
        Damaged("\"" + entry.Name + "\" unpacks to less than its size");
    if (crc != entry.Crc)
        Damaged("checksum of \"" + entry.Name + "\" does not match");
}

bool TSfxArchive::IsSafeName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\')
        return false;
    size_t start = 0;
    while (start < name.size()) {
        size_t stop = name.find_first_of("/\\", start);
        bool last = stop == std::string::npos;
        std::string part = name.substr(start, last ? std::string::npos : stop - start);
        if (part.empty())
            return false; // "a//b"
        if (part.find_first_not_of(". ") == std::string::npos)
            return false;
        // Windows drops trailing dots and blanks: "a.txt." would overwrite
        // "a.txt", and "dir ." would be "dir".
        if (part.back() == '.' || part.back() == ' ')
            return false;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
                c == '>' || c == '|')
                return false;
        if (IsDeviceName(part))
            return false;
        if (last)
            break;
        start = stop + 1; // a trailing separator names a folder
    }
    return true;
}
