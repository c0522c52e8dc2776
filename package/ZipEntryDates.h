#pragma once

// The dates of a finished ZIP archive's entries, set in place. libzip takes
// an entry's date as a time_t and writes its DOS fields through the local
// time zone; a UTC clock time that the zone skips for summer time cannot
// pass that way, so an archive that must show one time in every zone gets
// its fields set here after it is written.

#include <cstdint>
#include <ctime>
#include <string>

struct TDosDateTime {
    uint16_t Time = 0; // hours << 11 | minutes << 5 | seconds / 2
    uint16_t Date = 0; // (year - 1980) << 9 | month << 5 | day
};

// The calendar fields of a time read as UTC (tm_isdst -1).
std::tm UtcFields(int64_t unixTime);

// The DOS fields of a time read as UTC, from 1980 to 2107.
TDosDateTime DosDateTimeOf(int64_t unixTime);

// Sets the time and date of every entry, in the central directory and in
// each local header. An archive in ZIP64 form (beyond 65,535 entries or
// 4 GiB) is left as it is and gives false. Raises Exception for a file that
// is no archive of the form libzip writes (no comment).
bool SetEntryDates(const std::string& archive, TDosDateTime when);
