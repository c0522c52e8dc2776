#include "tools/sfxstub/SfxNames.h"

#include <gtest/gtest.h>

namespace {

struct TNameCase {
    const char* Raw;
    bool Utf8;
    const char16_t* Wide; // nullptr: not valid text
    bool Safe;
};

// clang-format off
const TNameCase kCases[] = {
    {"Demo/Setup.exe", false, u"Demo\\Setup.exe", true},
    {"Caf\x82.txt", false, u"Caf\u00E9.txt", true},                     // code page 437, not 1252
    {"Caf\xC3\xA9.txt", true, u"Caf\u00E9.txt", true},
    {"\xF0\x9F\x98\x80.txt", true, u"\U0001F600.txt", true},
    // Bytes a lenient conversion drops, leaving a name that leaves the folder.
    {"..\xC0/evil.dll", true, nullptr, false},
    {"..\xC0\xAE/evil.dll", true, nullptr, false},                        // overlong "."
    {"\xE0\x80\xAE\xE0\x80\xAE/evil.dll", true, nullptr, false},
    {"\xED\xA0\x80.txt", true, nullptr, false},                           // a surrogate
    {"\xF4\x90\x80\x80.txt", true, nullptr, false},                       // past U+10FFFF
    {"abc\xE2\x82", true, nullptr, false},                                // cut short
    // Decoded names that leave the folder or open a device.
    {"..\\evil.dll", false, u"..\\evil.dll", false},
    {"sub/../../evil.dll", false, u"sub\\..\\..\\evil.dll", false},
    {"/etc", false, u"\\etc", false},
    {"C:evil", false, u"C:evil", false},
    {"a//b", false, u"a\\\\b", false},
    {"dir ./x", false, u"dir .\\x", false},
    {"x.txt.", false, u"x.txt.", false},
    {"what?.txt", false, u"what?.txt", false},
    {"CON", false, u"CON", false},
    {"sub/nul.txt", false, u"sub\\nul.txt", false},
    {"Com9.log", false, u"Com9.log", false},
    {"lpt1 .x", false, u"lpt1 .x", false},
    {"COM\xC2\xB9.txt", true, u"COM\u00B9.txt", false},
    {"LPT\xC2\xB3", true, u"LPT\u00B3", false},
    {"CONOUT$", false, u"CONOUT$", false},
    {"COM0", false, u"COM0", true},
    {"COM10.txt", false, u"COM10.txt", true},
    {"CONSOLE.txt", false, u"CONSOLE.txt", true},
    {"COM\xC2\xB4", true, u"COM\u00B4", true},
    {"folder/", false, u"folder\\", true},
};
// clang-format on

TEST(SfxNames, DecodeStrictlyAndCheckTheDecodedName)
{
    for (const TNameCase& c : kCases) {
        SCOPED_TRACE(c.Raw);
        std::u16string wide;
        bool valid = SfxWideName(c.Raw, c.Utf8, wide);
        EXPECT_EQ(valid, c.Wide != nullptr);
        if (valid) {
            EXPECT_TRUE(wide == c.Wide);
            EXPECT_EQ(IsSafeWideName(wide), c.Safe);
        }
    }
    std::u16string wide;
    EXPECT_FALSE(SfxWideName(std::string("a\0b", 3), false, wide)) << "a NUL inside the name";
    EXPECT_FALSE(IsSafeWideName(u""));
}

} // namespace
