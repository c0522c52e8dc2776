#include "formats/MemberName.h"

#include <cstdio>
#include <cstring>

namespace {

bool Is83Char(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E)
        return false;
    return std::strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

} // namespace

std::string MemberName(const std::string& sourceName, int number)
{
    size_t dot = sourceName.rfind('.');
    std::string base = dot == std::string::npos ? sourceName : sourceName.substr(0, dot);
    bool plain = base.size() <= 8;
    for (char c : base)
        plain = plain && Is83Char(c);
    std::string stem;
    if (plain) {
        stem = std::string(8 - base.size(), '0') + base;
    } else {
        for (char c : base)
            if (Is83Char(c) && stem.size() < 6)
                stem += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        if (stem.empty())
            stem = "FILE";
        stem += "~1";
    }
    char ext[8];
    std::snprintf(ext, sizeof ext, ".%03d", number);
    return stem + ext;
}
