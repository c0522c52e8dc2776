#include "tools/sfxstub/SfxNames.h"

namespace {

// Code page 437 from 0x80 on; below that it is ASCII.
const char16_t kCodePage437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

bool DecodeUtf8(const std::string& raw, std::u16string& wide)
{
    for (size_t i = 0; i < raw.size();) {
        const unsigned char lead = static_cast<unsigned char>(raw[i]);
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        if (length == 0 || raw.size() - i < length)
            return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(raw[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (code >> 10));
            wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
        i += length;
    }
    return true;
}

char16_t AsciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool IsDevicePart(const std::u16string& part)
{
    std::u16string base = part.substr(0, part.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.pop_back();
    for (char16_t& c : base)
        c = AsciiUpper(c);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (base == device)
            return true;
    if (base.size() != 4 || (base.compare(0, 3, u"COM") != 0 && base.compare(0, 3, u"LPT") != 0))
        return false;
    const char16_t digit = base[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

bool IsSafePart(const std::u16string& part)
{
    if (part.empty() || part.find_first_not_of(u". ") == std::u16string::npos)
        return false;
    // Windows drops trailing dots and blanks: "a.txt." would be "a.txt".
    if (part.back() == u'.' || part.back() == u' ')
        return false;
    for (char16_t c : part)
        if (c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|')
            return false;
    return !IsDevicePart(part);
}

} // namespace

bool SfxWideName(const std::string& raw, bool utf8, std::u16string& wide)
{
    wide.clear();
    if (utf8) {
        if (!DecodeUtf8(raw, wide))
            return false;
    } else {
        for (char c : raw) {
            const unsigned char byte = static_cast<unsigned char>(c);
            wide += byte < 0x80 ? static_cast<char16_t>(byte) : kCodePage437[byte - 0x80];
        }
    }
    for (char16_t& c : wide) {
        if (c == 0)
            return false;
        if (c == u'/')
            c = u'\\';
    }
    return true;
}

bool IsSafeWideName(const std::u16string& name)
{
    if (name.empty() || name[0] == u'\\')
        return false;
    // A trailing separator names a folder.
    for (size_t start = 0; start < name.size();) {
        size_t stop = name.find(u'\\', start);
        if (!IsSafePart(name.substr(start, stop == std::u16string::npos ? std::u16string::npos : stop - start)))
            return false;
        if (stop == std::u16string::npos)
            break;
        start = stop + 1;
    }
    return true;
}
