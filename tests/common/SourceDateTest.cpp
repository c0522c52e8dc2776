#include "common/SourceDate.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(SourceDate, UnsetOrEmptyMeansTheFilesKeepTheirDates)
{
    {
        ScopedEnv unset("SOURCE_DATE_EPOCH", nullptr);
        EXPECT_EQ(SourceDateEpoch(), std::nullopt);
    }
    ScopedEnv empty("SOURCE_DATE_EPOCH", "");
    EXPECT_EQ(SourceDateEpoch(), std::nullopt);
}

TEST(SourceDate, DecimalSecondsWithinTheDosRangeAreTaken)
{
    ScopedEnv set("SOURCE_DATE_EPOCH", "1700000000");
    EXPECT_EQ(SourceDateEpoch(), 1700000000);
    // The first and the last second a DOS date can show.
    EXPECT_EQ(ParseSourceDateEpoch("315532800"), 315532800);
    EXPECT_EQ(ParseSourceDateEpoch("4354819199"), 4354819199);
    EXPECT_EQ(ParseSourceDateEpoch("0001700000000"), 1700000000);
}

// Values another tool would read differently, or not at all, must stop the
// build rather than date its packages wrongly.
class SourceDateNotANumber : public ::testing::TestWithParam<const char*> {};

TEST_P(SourceDateNotANumber, IsRefusedWithTheValueQuoted)
{
    ScopedEnv set("SOURCE_DATE_EPOCH", GetParam());
    EXPECT_EQ(ErrorOf([] { SourceDateEpoch(); }),
              "SOURCE_DATE_EPOCH must be a whole number of seconds since 1970-01-01 00:00:00 UTC, not \"" +
                  std::string(GetParam()) + "\".");
}

INSTANTIATE_TEST_SUITE_P(Malformed, SourceDateNotANumber,
                         ::testing::Values("abc", "-1", "+1700000000", " 1700000000", "1700000000 ", "1700000000.5",
                                           "0x6553F100", "1.7e9"));

// A DOS date field cannot show these: a package would carry another date.
class SourceDateOutOfRange : public ::testing::TestWithParam<const char*> {};

TEST_P(SourceDateOutOfRange, IsRefusedWithTheRange)
{
    ScopedEnv set("SOURCE_DATE_EPOCH", GetParam());
    EXPECT_EQ(ErrorOf([] { SourceDateEpoch(); }),
              "SOURCE_DATE_EPOCH=" + std::string(GetParam()) +
                  " lies outside the dates a package can hold (1980-01-01 to 2107-12-31, that is 315532800 to "
                  "4354819199).");
}

INSTANTIATE_TEST_SUITE_P(Malformed, SourceDateOutOfRange,
                         ::testing::Values("0", "315532799", "4354819200", "99999999999999999999999999"));

}
