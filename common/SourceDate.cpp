#include "common/SourceDate.h"

#include "common/Exception.h"
#include "common/Numbers.h"
#include "common/Platform.h"

std::optional<int64_t> ParseSourceDateEpoch(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    // Signs, blanks and hexadecimal are refused: a value another tool reads
    // differently would make the builds differ without a word.
    if (text.find_first_not_of("0123456789") != std::string::npos)
        throw Exception("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970-01-01 00:00:00 UTC, not \"" +
                        text + "\".");
    std::optional<uint64_t> seconds = ParseDigits(text, 10, uint64_t(LatestPackageTime));
    if (!seconds || *seconds < uint64_t(EarliestPackageTime))
        throw Exception("SOURCE_DATE_EPOCH=" + text +
                        " lies outside the dates a package can hold (1980-01-01 to 2107-12-31, that is " +
                        std::to_string(EarliestPackageTime) + " to " + std::to_string(LatestPackageTime) + ").");
    return int64_t(*seconds);
}

std::optional<int64_t> SourceDateEpoch()
{
    return ParseSourceDateEpoch(GetEnvironmentText("SOURCE_DATE_EPOCH"));
}
