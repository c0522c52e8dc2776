#include "package/ZipEntryDates.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <vector>

namespace {

constexpr uint32_t EndSignature = 0x06054B50;
constexpr uint32_t CentralSignature = 0x02014B50;
constexpr uint32_t LocalSignature = 0x04034B50;
constexpr size_t EndSize = 22;
constexpr size_t CentralSize = 46;
constexpr size_t LocalSize = 30;

uint16_t U16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t U32(const uint8_t* p)
{
    return uint32_t(U16(p)) | uint32_t(U16(p + 2)) << 16;
}

void PutDates(uint8_t* p, TDosDateTime when)
{
    p[0] = uint8_t(when.Time), p[1] = uint8_t(when.Time >> 8);
    p[2] = uint8_t(when.Date), p[3] = uint8_t(when.Date >> 8);
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
    if (size < EndSize)
        throw Exception(broken + "it is shorter than its end record.");
    uint8_t end[EndSize];
    file.seekg(std::streamoff(size - EndSize));
    file.read(reinterpret_cast<char*>(end), EndSize);
    if (!file || U32(end) != EndSignature)
        throw Exception(broken + "its end record is missing.");
    const uint16_t entries = U16(end + 10);
    const uint32_t directorySize = U32(end + 12);
    const uint32_t directoryOffset = U32(end + 16);
    if (entries == 0xFFFF || directoryOffset == 0xFFFFFFFF || directorySize == 0xFFFFFFFF)
        return false;
    if (uint64_t(directoryOffset) + directorySize > size - EndSize)
        throw Exception(broken + "its central directory lies outside the archive.");

    std::vector<uint8_t> directory(directorySize);
    file.seekg(directoryOffset);
    file.read(reinterpret_cast<char*>(directory.data()), std::streamsize(directory.size()));
    if (!file)
        throw Exception(broken + "its central directory cannot be read.");
    // Every entry is checked before anything is written.
    std::vector<uint32_t> locals;
    size_t at = 0;
    for (uint16_t i = 0; i < entries; ++i) {
        if (directory.size() - at < CentralSize || U32(&directory[at]) != CentralSignature)
            throw Exception(broken + "an entry of its central directory is cut short.");
        const uint32_t local = U32(&directory[at + 42]);
        if (local == 0xFFFFFFFF)
            return false;
        if (uint64_t(local) + LocalSize > directoryOffset)
            throw Exception(broken + "a local header lies outside the archive.");
        PutDates(&directory[at + 12], when);
        locals.push_back(local);
        const size_t length = CentralSize + size_t(U16(&directory[at + 28])) + U16(&directory[at + 30]) +
                              U16(&directory[at + 32]);
        if (directory.size() - at < length)
            throw Exception(broken + "an entry of its central directory is cut short.");
        at += length;
    }
    for (uint32_t local : locals) {
        uint8_t header[LocalSize];
        file.seekg(local);
        file.read(reinterpret_cast<char*>(header), LocalSize);
        if (!file || U32(header) != LocalSignature)
            throw Exception(broken + "a local header is missing.");
        PutDates(header + 10, when);
        file.seekp(local);
        file.write(reinterpret_cast<const char*>(header), LocalSize);
    }
    file.seekp(directoryOffset);
    file.write(reinterpret_cast<const char*>(directory.data()), std::streamsize(directory.size()));
    file.close();
    if (!file)
        throw Exception(broken + "it cannot be written.");
    return true;
}
