#include "common/Numbers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// A text and the number it parses to, or nothing.
template <typename T>
struct TParseRow {
    std::string Text;
    std::optional<T> Expected;
};
using TUInt32Row = TParseRow<uint32_t>;
using TInt32Row = TParseRow<int32_t>;

class ParseUInt32Test : public ::testing::TestWithParam<TUInt32Row> {};

TEST_P(ParseUInt32Test, TakesTheWholeTextOrNothing)
{
    EXPECT_EQ(ParseUInt32(GetParam().Text), GetParam().Expected) << GetParam().Text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, ParseUInt32Test,
                         ::testing::Values(TUInt32Row{"0", 0u}, TUInt32Row{"4294967295", 4294967295u},
                                           TUInt32Row{"0xFFFFFFFF", 4294967295u}, TUInt32Row{"0X1a", 26u},
                                           TUInt32Row{"4294967296", std::nullopt},
                                           TUInt32Row{"0x100000000", std::nullopt},
                                           TUInt32Row{"18446744073709551617", std::nullopt},
                                           TUInt32Row{"0x10000000000000001", std::nullopt},
                                           TUInt32Row{"", std::nullopt}, TUInt32Row{"0x", std::nullopt},
                                           TUInt32Row{"12a", std::nullopt}, TUInt32Row{"1a", std::nullopt},
                                           TUInt32Row{" 1", std::nullopt}, TUInt32Row{"-1", std::nullopt},
                                           TUInt32Row{"+1", std::nullopt}, TUInt32Row{"0xg", std::nullopt}));
// clang-format on

class ParseInt32Test : public ::testing::TestWithParam<TInt32Row> {};

TEST_P(ParseInt32Test, StaysWithinTheSignedRange)
{
    EXPECT_EQ(ParseInt32(GetParam().Text), GetParam().Expected) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseInt32Test,
                         ::testing::Values(TInt32Row{"2147483647", 2147483647}, TInt32Row{"-2147483648", INT32_MIN},
                                           TInt32Row{"+7", 7}, TInt32Row{"-0", 0},
                                           TInt32Row{"2147483648", std::nullopt},
                                           TInt32Row{"-2147483649", std::nullopt}, TInt32Row{"-", std::nullopt},
                                           TInt32Row{"--1", std::nullopt}, TInt32Row{"\t5", std::nullopt},
                                           TInt32Row{"0x10", std::nullopt}, TInt32Row{"5 ", std::nullopt}));

TEST(ParseDigitsTest, LimitIsInclusiveAndTheFullRangeDoesNotOverflow)
{
    EXPECT_EQ(ParseDigits("FF", 16, 0xFF), 0xFFu);
    EXPECT_EQ(ParseDigits("100", 16, 0xFF), std::nullopt);
    EXPECT_EQ(ParseDigits("18446744073709551615", 10, UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(ParseDigits("18446744073709551616", 10, UINT64_MAX), std::nullopt);
    EXPECT_EQ(ParseDigits("ffffffffffffffff", 16, UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(ParseDigits("10000000000000000", 16, UINT64_MAX), std::nullopt);
    EXPECT_EQ(ParseDigits("12", 8, 100), std::nullopt);
}

}
