#include "common/AnsiText.h"

namespace {

// Code points of the bytes 0x80..0x9F; the rest of the code page equals
// ISO 8859-1.
// clang-format off
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

// Decodes one UTF-8 sequence at text[pos]; advances pos. Malformed input
// gives U+FFFD and skips one byte.
char32_t NextUtf8(std::string_view text, size_t& pos)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char c = byte(pos);
    if (c < 0x80) {
        ++pos;
        return c;
    }
    int extra;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char cc = byte(pos + i);
        if ((cc & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += extra + 1;
    return cp;
}

}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

char32_t AnsiCharToUnicode(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0)
        return kHigh[c - 0x80];
    return c;
}

bool UnicodeToAnsiChar(char32_t cp, unsigned char& out)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        out = static_cast<unsigned char>(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp) {
            out = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::string AnsiToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 4);
    for (char c : ansi)
        AppendUtf8(out, AnsiCharToUnicode(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// The conversion both forms share; at a code point the code page lacks,
// `unmapped` either supplies a byte (true) or ends the conversion (false).
template <typename Unmapped>
bool ConvertUtf8ToAnsi(std::string_view utf8, std::string& out, Unmapped unmapped)
{
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = NextUtf8(utf8, pos);
        unsigned char c;
        if (!UnicodeToAnsiChar(cp, c) && !unmapped(cp, c)) // U+FFFD (malformed input) is not in the code page either
            return false;
        out += char(c);
    }
    return true;
}

}

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi, char32_t* bad)
{
    std::string out;
    auto refuse = [bad](char32_t cp, unsigned char&) {
        if (bad)
            *bad = cp;
        return false;
    };
    if (!ConvertUtf8ToAnsi(utf8, out, refuse))
        return false;
    ansi = std::move(out);
    return true;
}

std::string Utf8ToAnsiLossy(std::string_view utf8, char replacement)
{
    std::string out;
    ConvertUtf8ToAnsi(utf8, out, [replacement](char32_t, unsigned char& c) {
        c = static_cast<unsigned char>(replacement);
        return true;
    });
    return out;
}

std::string Utf16LeToAnsiLossy(const uint8_t* data, size_t codeUnits, char replacement)
{
    std::string out;
    out.reserve(codeUnits);
    for (size_t i = 0; i < codeUnits; ++i) {
        char32_t u = char32_t(data[2 * i]) | (char32_t(data[2 * i + 1]) << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < codeUnits) {
            char32_t lo = char32_t(data[2 * i + 2]) | (char32_t(data[2 * i + 3]) << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                ++i;
                out += replacement; // no code point above the BMP is in the code page
                continue;
            }
        }
        unsigned char c;
        out += UnicodeToAnsiChar(u, c) ? char(c) : replacement;
    }
    return out;
}

std::u16string AnsiToUtf16(std::string_view ansi)
{
    std::u16string out;
    out.reserve(ansi.size());
    for (char c : ansi)
        out += char16_t(AnsiCharToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool HasNonAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = NextUtf8(utf8, pos);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string FoldAnsiCase(std::string_view ansi)
{
    std::string result(ansi);
    for (char& ch : result) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<unsigned char>(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            c = static_cast<unsigned char>(c - 0x10); // š œ ž
        else if (c == 0xFF)
            c = 0x9F; // ÿ
        ch = static_cast<char>(c);
    }
    return result;
}
