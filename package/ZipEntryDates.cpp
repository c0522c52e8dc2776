#include "package/ZipEntryDates.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "formats/ZipFormat.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <vector>

namespace {

using namespace ZipFormat;

void PutDates(uint8_t* p, TDosDateTime when)
{
    p[0] = uint8_t(when.Time), p[1] = uint8_t(when.Time >> 8);
    p[2] = uint8_t(when.Date), p[3] = uint8_t(when.Date >> 8);
}

// Dates the entries of the central directory (in memory) and lists the
// offsets of their local headers; false for an entry in ZIP64 form.
bool DateDirectory(std::vector<uint8_t>& directory, uint16_t entries, uint32_t directoryOffset, TDosDateTime when,
                   const std::string& broken, std::vector<uint32_t>& locals)
{
    size_t at = 0;
    for (uint16_t i = 0; i < entries; ++i) {
        if (directory.size() - at < DirectoryEntrySize || Le32(&directory[at]) != SigDirectoryEntry)
            throw Exception(broken + "an entry of its central directory is cut short.");
        const uint32_t local = Le32(&directory[at + 42]);
        if (local == 0xFFFFFFFF)
            return false;
        if (uint64_t(local) + LocalHeaderSize > directoryOffset)
            throw Exception(broken + "a local header lies outside the archive.");
        PutDates(&directory[at + 12], when);
        locals.push_back(local);
        const size_t length = DirectoryEntrySize + size_t(Le16(&directory[at + 28])) + Le16(&directory[at + 30]) +
                              Le16(&directory[at + 32]);
        if (directory.size() - at < length)
            throw Exception(broken + "an entry of its central directory is cut short.");
        at += length;
    }
    return true;
}

void DateLocalHeaders(std::fstream& file, const std::vector<uint32_t>& locals, TDosDateTime when,
                      const std::string& broken)
{
    for (uint32_t local : locals) {
        uint8_t header[LocalHeaderSize];
        file.seekg(local);
        file.read(reinterpret_cast<char*>(header), LocalHeaderSize);
        if (!file || Le32(header) != SigLocalHeader)
            throw Exception(broken + "a local header is missing.");
        PutDates(header + 10, when);
        file.seekp(local);
        file.write(reinterpret_cast<const char*>(header), LocalHeaderSize);
    }
}

} // namespace

std::tm UtcFields(int64_t unixTime)
{
    using namespace std::chrono;
    const sys_seconds when{seconds(unixTime)};
    const sys_days day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{when - day};
    std::tm fields{};
    fields.tm_year = int(date.year()) - 1900;
    fields.tm_mon = int(unsigned(date.month())) - 1;
    fields.tm_mday = int(unsigned(date.day()));
    fields.tm_hour = int(clock.hours().count());
    fields.tm_min = int(clock.minutes().count());
    fields.tm_sec = int(clock.seconds().count());
    fields.tm_isdst = -1;
    return fields;
}

TDosDateTime DosDateTimeOf(int64_t unixTime)
{
    const std::tm f = UtcFields(unixTime);
    const int year = std::clamp(f.tm_year + 1900, 1980, 2107);
    return {uint16_t(f.tm_hour << 11 | f.tm_min << 5 | f.tm_sec / 2),
            uint16_t((year - 1980) << 9 | (f.tm_mon + 1) << 5 | f.tm_mday)};
}

bool SetEntryDates(const std::string& archive, TDosDateTime when)
{
    const std::string broken = "Cannot date the entries of the archive " + archive + ": ";
    std::fstream file(FsPath(archive), std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        throw Exception(broken + "it cannot be opened.");
    file.seekg(0, std::ios::end);
    const uint64_t size = uint64_t(file.tellg());
    if (size < EndOfDirectorySize)
        throw Exception(broken + "it is shorter than its end record.");
    uint8_t end[EndOfDirectorySize];
    file.seekg(std::streamoff(size - EndOfDirectorySize));
    file.read(reinterpret_cast<char*>(end), EndOfDirectorySize);
    if (!file || Le32(end) != SigEndOfDirectory)
        throw Exception(broken + "its end record is missing.");
    const uint16_t entries = Le16(end + 10);
    const uint32_t directorySize = Le32(end + 12);
    const uint32_t directoryOffset = Le32(end + 16);
    if (entries == 0xFFFF || directoryOffset == 0xFFFFFFFF || directorySize == 0xFFFFFFFF)
        return false;
    if (uint64_t(directoryOffset) + directorySize > size - EndOfDirectorySize)
        throw Exception(broken + "its central directory lies outside the archive.");

    std::vector<uint8_t> directory(directorySize);
    file.seekg(directoryOffset);
    file.read(reinterpret_cast<char*>(directory.data()), std::streamsize(directory.size()));
    if (!file)
        throw Exception(broken + "its central directory cannot be read.");
    // Every entry is checked before anything is written.
    std::vector<uint32_t> locals;
    if (!DateDirectory(directory, entries, directoryOffset, when, broken, locals))
        return false;
    DateLocalHeaders(file, locals, when, broken);
    file.seekp(directoryOffset);
    file.write(reinterpret_cast<const char*>(directory.data()), std::streamsize(directory.size()));
    file.close();
    if (!file)
        throw Exception(broken + "it cannot be written.");
    return true;
}
