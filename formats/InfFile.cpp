#include "formats/InfFile.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// A .inf of the project is a few hundred kilobytes even for thousands of
// files; anything far larger is not an .inf.
constexpr int64_t MaxInfSize = 256 * 1024 * 1024;
// Keys that refer to each other (InstallDir naming %AppName%) are followed
// this deep, so a loop of keys ends.
constexpr int MaxSubstitutionDepth = 8;

// Every expansion of a %key% in one value counts against this budget, so
// keys that name each other several times over (a=%b%%b%, b=%a%%a%) end
// with an error instead of growing without bound.
constexpr int MaxSubstitutions = 4096;

// Searches with memchr rather than a loop over every character: the .inf
// reader is the hottest code of the CAB tool's fuzz target, where each
// compared character costs a coverage callback.
size_t FindUnquoted(std::string_view text, char c)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin; p < end;) {
        const auto left = static_cast<size_t>(end - p);
        const char* hit = static_cast<const char*>(std::memchr(p, c, left));
        const char* quote = static_cast<const char*>(std::memchr(p, '"', hit ? static_cast<size_t>(hit - p) : left));
        if (!quote)
            return hit ? static_cast<size_t>(hit - begin) : std::string_view::npos;
        const char* close = static_cast<const char*>(std::memchr(quote + 1, '"', static_cast<size_t>(end - quote - 1)));
        if (!close)
            return std::string_view::npos; // an open quote runs to the end of the text
        p = close + 1;
    }
    return std::string_view::npos;
}

// The line without its comment; quotes protect ";".
std::string_view StripComment(std::string_view line)
{
    return line.substr(0, FindUnquoted(line, ';'));
}

// A line that ends in "\" goes on in the next one, whether or not a blank
// stands before the "\" (authors write both). The one exception is a value
// that is only "\", the root folder, as in "InstallDir=\".
bool ContinuesOnNextLine(std::string_view line)
{
    if (line.empty() || line.back() != '\\')
        return false;
    size_t eq = FindUnquoted(line, '=');
    return eq == std::string_view::npos || TrimView(line.substr(eq + 1)) != "\\";
}

std::string CodePointName(char32_t cp)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
    return buffer;
}

[[noreturn]] void NoAnsiForm(char32_t cp, int lineNo)
{
    throw Exception("The character " + CodePointName(cp) + " in line " + std::to_string(lineNo) +
                    " has no Windows-1252 form");
}

// UTF-16 text after its byte-order mark, to Windows-1252.
std::string FromUtf16(const std::string& bytes, size_t start, bool bigEndian)
{
    auto unit = [&](size_t i) {
        unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    std::string out;
    out.reserve((bytes.size() - start) / 2);
    int lineNo = 1;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        }
        unsigned char c = 0;
        if (!UnicodeToAnsiChar(cp, c))
            NoAnsiForm(cp, lineNo);
        if (c == '\n')
            ++lineNo;
        out += static_cast<char>(c);
    }
    return out;
}

} // namespace

std::string TInfFile::DecodeText(const std::string& bytes)
{
    auto startsWith = [&](const char* mark, size_t size) { return bytes.compare(0, size, mark, size) == 0; };
    if (startsWith("\xFF\xFE", 2))
        return FromUtf16(bytes, 2, false);
    if (startsWith("\xFE\xFF", 2))
        return FromUtf16(bytes, 2, true);
    const bool utf8Mark = startsWith("\xEF\xBB\xBF", 3);
    std::string_view text(bytes);
    if (utf8Mark)
        text.remove_prefix(3);
    if (!HasNonAscii(text))
        return std::string(text);
    std::string ansi;
    char32_t bad = 0;
    if (Utf8ToAnsi(text, ansi, &bad))
        return ansi;
    // Text that is no UTF-8 at all is Windows-1252, as the builder writes it.
    if (bad == 0xFFFD && !utf8Mark)
        return std::string(text);
    size_t lineNo = 1;
    for (std::string_view rest = text; !rest.empty();) {
        size_t length = 1;
        unsigned char lead = static_cast<unsigned char>(rest[0]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        std::string piece;
        if (!Utf8ToAnsi(rest.substr(0, std::min(length, rest.size())), piece))
            break;
        if (lead == '\n')
            ++lineNo;
        rest.remove_prefix(std::min(length, rest.size()));
    }
    NoAnsiForm(bad, static_cast<int>(lineNo));
}

void TInfFile::LoadFromFile(const std::string& path)
{
    int64_t size = FileSize(path);
    if (size < 0)
        throw Exception("Cannot open file \"" + path + "\"");
    if (size > MaxInfSize)
        throw Exception("File \"" + path + "\" is too large for an .inf file");
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    LoadFromText(DecodeText(std::string(bytes.begin(), bytes.end())));
}

// Lines are cut from the text as views; only what a line keeps (its text,
// key and value) is copied, since large .inf files have tens of thousands
// of lines.
void TInfFile::LoadFromText(const std::string& text)
{
    FSections.clear();
    FSectionNames.clear();
    std::vector<TInfLine>* current = nullptr;
    std::string pending;
    int pendingLineNo = 0;
    int lineNo = 0;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = TrimView(StripComment(line));
        if (ContinuesOnNextLine(line) && pos <= text.size()) {
            if (pending.empty())
                pendingLineNo = lineNo;
            pending.append(line.substr(0, line.size() - 1));
            continue;
        }
        if (!pending.empty()) {
            pending.append(line);
            line = pending;
        } else {
            pendingLineNo = lineNo;
        }
        if (!line.empty())
            AddLine(current, line, pendingLineNo);
        pending.clear();
    }
}

void TInfFile::AddLine(std::vector<TInfLine>*& current, std::string_view line, int lineNo)
{
    if (line.front() == '[') {
        size_t close = line.find(']');
        std::string_view name = TrimView(line.substr(1, close == std::string_view::npos ? close : close - 1));
        auto it = FSections.find(name);
        if (it == FSections.end()) {
            it = FSections.emplace(std::string(name), std::vector<TInfLine>()).first;
            FSectionNames.emplace_back(name);
        }
        current = &it->second;
        return;
    }
    if (!current)
        return; // text before the first section head has no meaning
    TInfLine& entry = current->emplace_back();
    entry.FLineNo = lineNo;
    entry.FText.assign(line);
    size_t eq = FindUnquoted(line, '=');
    if (eq != std::string_view::npos) {
        entry.FHasKey = true;
        // The key is the first field before "="; without quotes that is its
        // trimmed text, which spares the field splitter on almost every line.
        std::string_view keyText = line.substr(0, eq);
        if (keyText.find('"') == std::string_view::npos) {
            entry.FKey.assign(TrimView(keyText.substr(0, keyText.find(','))));
        } else {
            std::vector<std::string> key = SplitFields(std::string(keyText));
            if (!key.empty())
                entry.FKey = std::move(key.front());
        }
        entry.FValue.assign(TrimView(line.substr(eq + 1)));
    } else {
        entry.FValue.assign(line);
    }
}

bool TInfFile::TNameLess::operator()(std::string_view a, std::string_view b) const
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

const std::vector<TInfLine>* TInfFile::Section(const std::string& name) const
{
    auto it = FSections.find(std::string_view(name));
    return it == FSections.end() ? nullptr : &it->second;
}

const TInfLine* TInfFile::Find(const std::string& section, const std::string& key) const
{
    const auto* lines = Section(section);
    if (!lines)
        return nullptr;
    for (const auto& line : *lines)
        if (line.FHasKey && SameText(line.FKey, key))
            return &line;
    return nullptr;
}

std::string TInfFile::Lookup(const std::string& key, bool keepInstallDir, int depth, int& budget) const
{
    if (keepInstallDir && SameText(key, "InstallDir"))
        return "%" + key + "%";
    const TInfLine* line = Find("Strings", key);
    if (!line)
        line = Find("CEStrings", key);
    if (!line || depth >= MaxSubstitutionDepth)
        return "%" + key + "%";
    std::vector<std::string> fields = SplitFields(line->FValue);
    std::string value = fields.size() == 1 ? fields.front() : line->FValue;
    return SubstituteDepth(value, keepInstallDir, depth + 1, budget);
}

std::string TInfFile::Substitute(const std::string& text, bool keepInstallDir) const
{
    int budget = MaxSubstitutions;
    return SubstituteDepth(text, keepInstallDir, 0, budget);
}

std::string TInfFile::SubstituteDepth(const std::string& text, bool keepInstallDir, int depth, int& budget) const
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('%', i);
        if (open == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        out.append(text, i, open - i);
        size_t close = text.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(text, open, std::string::npos);
            break;
        }
        if (close == open + 1) {
            out += '%';
        } else {
            if (--budget < 0)
                throw Exception("The strings of the .inf name each other too often to be replaced (more than " +
                                std::to_string(MaxSubstitutions) + " replacements in one value)");
            out += Lookup(text.substr(open + 1, close - open - 1), keepInstallDir, depth, budget);
        }
        i = close + 1;
    }
    return out;
}

std::vector<std::string> TInfFile::SplitFields(const std::string& value, std::vector<bool>* quoted)
{
    std::vector<std::string> fields;
    if (quoted)
        quoted->clear();
    std::string field;
    bool inQuotes = false, wasQuoted = false;
    auto finish = [&] {
        fields.push_back(wasQuoted ? field : Trim(field));
        if (quoted)
            quoted->push_back(wasQuoted);
        field.clear();
        wasQuoted = false;
    };
    // Whole runs of plain characters are copied at once; the loop stops only
    // at quotes and commas.
    const size_t n = value.size();
    for (size_t i = 0; i < n;) {
        if (inQuotes) {
            size_t q = value.find('"', i);
            if (q == std::string::npos) {
                field.append(value, i, std::string::npos);
                break;
            }
            field.append(value, i, q - i);
            if (q + 1 < n && value[q + 1] == '"') {
                field += '"';
                i = q + 2;
            } else {
                inQuotes = false;
                i = q + 1;
            }
            continue;
        }
        size_t stop = std::min(value.find(',', i), value.find('"', i));
        if (stop == std::string::npos)
            stop = n;
        if (!wasQuoted) {
            field.append(value, i, stop - i);
        } else {
            for (size_t k = i; k < stop; ++k)
                if (value[k] != ' ' && value[k] != '\t')
                    field += value[k];
        }
        if (stop == n)
            break;
        if (value[stop] == '"') {
            // Blanks before the opening quote are layout, not text.
            if (TrimView(field).empty())
                field.clear();
            inQuotes = wasQuoted = true;
        } else {
            finish();
        }
        i = stop + 1;
    }
    if (!value.empty())
        finish();
    return fields;
}

std::vector<std::string> TInfFile::Fields(const std::string& value, bool keepInstallDir) const
{
    std::vector<std::string> fields = SplitFields(value);
    for (auto& f : fields)
        f = Substitute(f, keepInstallDir);
    return fields;
}

std::string TInfFile::TextAfterField(const std::string& value, size_t n)
{
    std::string_view rest(value);
    for (size_t i = 0; i < n; ++i) {
        size_t comma = FindUnquoted(rest, ',');
        if (comma == std::string_view::npos)
            return std::string();
        rest.remove_prefix(comma + 1);
    }
    return std::string(rest);
}
