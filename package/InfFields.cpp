#include "package/InfFields.h"

#include "common/Exception.h"

#include <cstdlib>

namespace {

// An .inf reader ends an unquoted field at a comma, a semicolon starts a
// comment, a double quote opens a quoted field, blanks around a field are
// layout, a backslash at the end of a line joins the next line, and "%key%"
// is replaced from [Strings]. Texts are written so that they come back
// unchanged: a field in double quotes with its quotes doubled, and every
// percent sign doubled. Only a line break or another control character
// cannot be carried at all.
const char* CharacterName(char c)
{
    return c == '\r' || c == '\n' ? "a line break" : "a control character";
}

// The length of the device macro ("%CE1%" .. "%CE17%", "%InstallDir%") that
// starts at pos, or 0. The CAB tool leaves those for the device to resolve,
// so they stay single in every text.
size_t DeviceMacroLength(const std::string& text, size_t pos)
{
    static const std::string InstallDir = "%InstallDir%";
    if (text.compare(pos, InstallDir.size(), InstallDir) == 0)
        return InstallDir.size();
    if (text.compare(pos, 3, "%CE") != 0)
        return 0;
    size_t close = text.find('%', pos + 3);
    if (close == std::string::npos || close == pos + 3 || close > pos + 5 ||
        text.find_first_not_of("0123456789", pos + 3) != close)
        return 0;
    int number = std::atoi(text.c_str() + pos + 3);
    return number >= 1 && number <= 17 ? close + 1 - pos : 0;
}

std::string DoublePercent(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (size_t macro = text[i] == '%' ? DeviceMacroLength(text, i) : 0) {
            out.append(text, i, macro);
            i += macro - 1;
            continue;
        }
        out += text[i];
        if (text[i] == '%')
            out += '%';
    }
    return out;
}

bool NeedsQuotes(const std::string& text)
{
    return !text.empty() && (text.find_first_of("\",;") != std::string::npos || text.back() == '\\' ||
                             IsInfBlank(text.front()) || IsInfBlank(text.back()));
}

}

void CheckInfText(const std::string& text, const std::string& what)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw Exception(what + " contains " + CharacterName(c) +
                            ", which the .inf file cannot carry. Please change it and build again.");
}

bool IsInfBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string InfQuoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : DoublePercent(text)) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

std::string InfField(const std::string& text)
{
    return NeedsQuotes(text) ? InfQuoted(text) : DoublePercent(text);
}
