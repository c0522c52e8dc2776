#include "common/AnsiText.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiText, EveryByteSurvivesTheRoundTripThroughUtf8AndUtf16)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += char(c);
    std::string back;
    ASSERT_TRUE(Utf8ToAnsi(AnsiToUtf8(all), back));
    EXPECT_EQ(back, all);

    std::u16string wide = AnsiToUtf16(all);
    std::string bytes;
    for (char16_t u : wide) {
        bytes += char(u & 0xFF);
        bytes += char(u >> 8);
    }
    EXPECT_EQ(Utf16LeToAnsiLossy(reinterpret_cast<const uint8_t*>(bytes.data()), wide.size()), all);
}

TEST(AnsiText, CodePageSpecificCharacters)
{
    EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9"); // e acute
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(AnsiToUtf8("\x9F"), "\xC5\xB8"); // Y diaeresis
    std::string ansi;
    ASSERT_TRUE(
        Utf8ToAnsi("\xE2\x80\x9C"
                   "q"
                   "\xE2\x80\x9D",
                   ansi)); // curly quotes
    EXPECT_EQ(ansi, "\x93q\x94");
}

TEST(AnsiText, StrictConversionRefusesWhatTheCodePageCannotHold)
{
    std::string ansi = "unchanged";
    char32_t bad = 0;
    EXPECT_FALSE(
        Utf8ToAnsi("a\xE4\xB8\xAD"
                   "b",
                   ansi, &bad)); // CJK character
    EXPECT_EQ(bad, U'\u4E2D');
    EXPECT_EQ(ansi, "unchanged");
    EXPECT_FALSE(Utf8ToAnsi("\xC3", ansi)); // truncated sequence
    EXPECT_FALSE(Utf8ToAnsi("\xC0\x80", ansi)); // overlong form
    EXPECT_FALSE(Utf8ToAnsi("\xED\xA0\x80", ansi)); // encoded surrogate
}

TEST(AnsiText, LenientConversionReplaces)
{
    EXPECT_EQ(Utf8ToAnsiLossy("a\xE4\xB8\xAD"
                              "b\xFF"),
              "a?b?");
    // U+4E2D, then a surrogate pair (U+1F600), then a lone high surrogate at the end.
    const uint8_t utf16[] = {0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE, 0x41, 0x00, 0x3D, 0xD8};
    EXPECT_EQ(Utf16LeToAnsiLossy(utf16, 5), "??A?");
}

TEST(AnsiText, Utf16ConversionsForTheWideWindowsCalls)
{
    // Latin, Cyrillic and a character outside the basic plane survive the
    // round trip; the last one takes a surrogate pair.
    const std::string text = "\xC5\x92uvre \xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0 \xF0\x9F\x98\x80";
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"\u0152uvre \u0414\u0438\u043C\u0430 \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    // Broken input on either side becomes U+FFFD instead of vanishing.
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x") + char16_t(0xD83D) + u"y"), "x\xEF\xBF\xBDy");
}

}
