#pragma once

// The reproducible-builds convention: when SOURCE_DATE_EPOCH holds a count
// of seconds since 1970-01-01 00:00:00 UTC, every date that a package would
// otherwise take from the clock or from a file's time is that time instead,
// read as UTC, so two builds of one project give the same bytes wherever
// and whenever they run.

#include <cstdint>
#include <optional>
#include <string>

// The dates the packages' DOS date fields can hold: 1980-01-01 00:00:00
// to 2107-12-31 23:59:59 UTC.
constexpr int64_t EarliestPackageTime = 315532800;
constexpr int64_t LatestPackageTime = 4354819199;

// The time a SOURCE_DATE_EPOCH value names. An empty text is no time;
// anything but decimal digits, or a time outside the range above, raises
// Exception with a message that names the variable and the value.
std::optional<int64_t> ParseSourceDateEpoch(const std::string& text);

// The time of the environment's SOURCE_DATE_EPOCH; none when it is unset
// or empty. A malformed value raises as ParseSourceDateEpoch does.
std::optional<int64_t> SourceDateEpoch();
