#include "storage/uScramble.h"

#include "common/Exception.h"
#include "common/Numbers.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>

const char ScrambleKey[243] =
    "rdD[[|c>T]D!cUk6kU{u|}$Rqt!9XrAW5,`[.a.6,77KO9>*{x.6|Yv6ke!VA"
    "]o%&)m@+$n$&O5iz!-<ox~n|.hp$)_qQrn2/Y%QY/!-E4{s7ERL6LvrBJnC~~"
    "$,:fO{^C8a/T183<a)R1Tg9C+s@+F@N*$*z {_+e#9UtLPD*XK%ouyB 3 =h7"
    " h6E;X~JsaOTYf,#:l'9;FBpX=8Hr>}+GJ|36XX]][/qhPk3fUU7/G!@%:e";

static_assert(sizeof(ScrambleKey) == ScrambleKeyLength + 1, "the key holds exactly 242 characters");

namespace {

// Key characters are counted from 1; position p uses ScrambleKey[p - 1].
// The position runs 1..241 and starts again at 1.
template <typename Op>
void ApplyKey(const uint8_t* in, uint8_t* out, size_t count, Op op)
{
    size_t p = 1;
    for (size_t i = 0; i < count; ++i) {
        out[i] = op(in[i], static_cast<uint8_t>(ScrambleKey[p - 1]));
        if (++p >= ScrambleKeyLength)
            p = 1;
    }
}

// The ident of a line: the text before its first "=", or none.
bool LineIdent(const std::string& line, std::string& ident)
{
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    ident = line.substr(0, eq);
    return true;
}

std::vector<TIniSection> ParseLines(const std::vector<std::string>& lines)
{
    std::vector<TIniSection> sections;
    for (const std::string& raw : lines) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections.push_back(TIniSection{Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        if (sections.empty())
            continue; // lines before the first section header belong nowhere
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            sections.back().Lines.push_back(line);
        else
            sections.back().Lines.push_back(Trim(line.substr(0, eq)) + "=" + Trim(line.substr(eq + 1)));
    }
    return sections;
}

bool ParseInteger(const std::string& text, int32_t& result)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Hexadecimal takes the full 32 bits ("$FFFFFFFF" is -1); decimal stays
    // within the signed range.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::optional<uint64_t> value = ParseDigits(std::string_view(text).substr(i), base, limit);
    if (!value)
        return false;
    uint32_t bits = static_cast<uint32_t>(*value);
    if (negative)
        bits = 0u - bits;
    result = static_cast<int32_t>(bits);
    return true;
}

} // namespace

void ScrambleBytes(const uint8_t* plain, uint8_t* scrambled, size_t count)
{
    ApplyKey(plain, scrambled, count, [](uint8_t b, uint8_t k) { return static_cast<uint8_t>(b + k); });
}

void UnscrambleBytes(const uint8_t* scrambled, uint8_t* plain, size_t count)
{
    ApplyKey(scrambled, plain, count, [](uint8_t b, uint8_t k) { return static_cast<uint8_t>(b - k); });
}

std::string ScrambleText(const std::string& plain)
{
    std::string out(plain.size(), '\0');
    ScrambleBytes(reinterpret_cast<const uint8_t*>(plain.data()), reinterpret_cast<uint8_t*>(out.data()), plain.size());
    return out;
}

std::string UnscrambleText(const std::string& scrambled)
{
    std::string out(scrambled.size(), '\0');
    UnscrambleBytes(reinterpret_cast<const uint8_t*>(scrambled.data()), reinterpret_cast<uint8_t*>(out.data()),
                    scrambled.size());
    return out;
}

std::vector<std::string> SplitIniLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t end = text.find('\0');
    if (end == std::string::npos)
        end = text.size();
    size_t start = 0;
    size_t i = 0;
    while (i < end) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < end && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// ---------------------------------------------------------------------------
// TEncodedStream

TEncodedStream::TEncodedStream(const std::string& fileName, TFileMode mode)
    : FKey(ScrambleKey), FFileName(fileName), FMode(mode)
{
    if (mode == fmOpenRead) {
        if (!DirectoryExists(fileName))
            FFile.open(FsPath(fileName), std::ios::in | std::ios::binary);
        if (!FFile.is_open())
            throw Exception("Cannot open file " + fileName);
    } else {
        if (!DirectoryExists(fileName))
            FFile.open(FsPath(fileName), std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
        if (!FFile.is_open())
            throw Exception("Cannot create file " + fileName);
    }
}

TEncodedStream::~TEncodedStream()
{
    if (FFile.is_open())
        FFile.close();
}

size_t TEncodedStream::Read(void* buffer, size_t count)
{
    if (count == 0 || !FFile.is_open())
        return 0;
    std::vector<uint8_t> scratch(static_cast<size_t>(std::min<uint64_t>(count, Remaining())));
    if (scratch.empty())
        return 0;
    FFile.read(reinterpret_cast<char*>(scratch.data()), static_cast<std::streamsize>(scratch.size()));
    size_t got = static_cast<size_t>(FFile.gcount());
    FFile.clear();
    UnscrambleBytes(scratch.data(), static_cast<uint8_t*>(buffer), got);
    return got;
}

void TEncodedStream::Write(const void* buffer, size_t count)
{
    if (count == 0)
        return;
    std::vector<uint8_t> scratch(count);
    ScrambleBytes(static_cast<const uint8_t*>(buffer), scratch.data(), count);
    if (!FFile.is_open() || FMode != fmCreate ||
        !FFile.write(reinterpret_cast<const char*>(scratch.data()), static_cast<std::streamsize>(count))) {
        FFile.clear();
        throw Exception("Stream write error");
    }
}

uint64_t TEncodedStream::Position() const
{
    auto pos = FFile.tellg();
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

void TEncodedStream::Seek(uint64_t position)
{
    FFile.clear();
    FFile.seekg(static_cast<std::streamoff>(position));
    FFile.seekp(static_cast<std::streamoff>(position));
}

uint64_t TEncodedStream::Size() const
{
    FFile.clear();
    auto here = FFile.tellg();
    FFile.seekg(0, std::ios::end);
    auto end = FFile.tellg();
    FFile.seekg(here);
    return end < 0 ? 0 : static_cast<uint64_t>(end);
}

void TEncodedStream::Close()
{
    if (!FFile.is_open())
        return;
    FFile.flush();
    bool ok = static_cast<bool>(FFile);
    FFile.close();
    if (!ok || FFile.fail())
        throw Exception("Stream write error");
}

// ---------------------------------------------------------------------------
// TScrambeledMemIniFile

TScrambeledMemIniFile::TScrambeledMemIniFile(const std::string& fileName) : FFileName(fileName)
{
    if (!FileExists(fileName)) {
        TEncodedStream create(fileName, fmCreate);
        create.Close();
    }
    TEncodedStream stream(fileName, fmOpenRead);
    uint64_t size = stream.Size();
    if (size > MaxFileSize)
        throw Exception("Cannot open file " + fileName + ": the file is too large");
    std::string text(static_cast<size_t>(size), '\0');
    size_t got = stream.Read(text.data(), text.size());
    text.resize(got);
    FIniFile = ParseLines(SplitIniLines(text));
}

TScrambeledMemIniFile::~TScrambeledMemIniFile() = default;

std::string TScrambeledMemIniFile::PlainText() const
{
    std::string text;
    for (const TIniSection& section : FIniFile) {
        text += "[" + section.Name + "]\r\n";
        for (const std::string& line : section.Lines)
            text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

void TScrambeledMemIniFile::UpdateFile()
{
    std::string scrambled = ScrambleText(PlainText());
    try {
        WriteFileAtomic(FFileName, scrambled);
    } catch (const Exception& e) {
        // Keep the wording the callers show: a file that cannot be made at
        // all, or one that could not take every byte.
        if (e.Message().rfind("Cannot create file", 0) == 0)
            throw Exception("Cannot create file " + FFileName);
        throw Exception("Stream write error");
    }
}

void TScrambeledMemIniFile::SaveAs(const std::string& fileName)
{
    std::string previous = FFileName;
    FFileName = fileName;
    try {
        UpdateFile();
    } catch (...) {
        FFileName = previous;
        throw;
    }
}

const TIniSection* TScrambeledMemIniFile::FindSection(const std::string& name) const
{
    for (const TIniSection& section : FIniFile)
        if (SameText(section.Name, name))
            return &section;
    return nullptr;
}

TIniSection* TScrambeledMemIniFile::FindSection(const std::string& name)
{
    return const_cast<TIniSection*>(std::as_const(*this).FindSection(name));
}

std::string TScrambeledMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                              const std::string& defaultValue) const
{
    std::string result = defaultValue;
    if (const TIniSection* s = FindSection(section)) {
        std::string name;
        for (const std::string& line : s->Lines) {
            if (LineIdent(line, name) && SameText(name, ident)) {
                result = line.substr(name.size() + 1);
                break;
            }
        }
    }
    return ExpandMacros(result);
}

void TScrambeledMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    TIniSection* s = FindSection(section);
    if (!s) {
        FIniFile.push_back(TIniSection{section, {}});
        s = &FIniFile.back();
    }
    std::string line = ident + "=" + value;
    std::string name;
    for (std::string& existing : s->Lines) {
        if (LineIdent(existing, name) && SameText(name, ident)) {
            existing = line;
            return;
        }
    }
    s->Lines.push_back(line);
}

int32_t TScrambeledMemIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                           int32_t defaultValue) const
{
    const TIniSection* s = FindSection(section);
    if (!s)
        return defaultValue;
    std::string name;
    for (const std::string& line : s->Lines) {
        if (LineIdent(line, name) && SameText(name, ident)) {
            int32_t value;
            return ParseInteger(line.substr(name.size() + 1), value) ? value : defaultValue;
        }
    }
    return defaultValue;
}

void TScrambeledMemIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TScrambeledMemIniFile::ReadSections(std::vector<std::string>& list) const
{
    list.clear();
    for (const TIniSection& section : FIniFile)
        list.push_back(section.Name);
}

void TScrambeledMemIniFile::ReadSectionValues(const std::string& section, std::vector<std::string>& list) const
{
    list.clear();
    if (const TIniSection* s = FindSection(section))
        list = s->Lines;
}

void TScrambeledMemIniFile::EraseSection(const std::string& section)
{
    auto it =
        std::find_if(FIniFile.begin(), FIniFile.end(), [&](const TIniSection& s) { return SameText(s.Name, section); });
    if (it != FIniFile.end())
        FIniFile.erase(it);
}

void TScrambeledMemIniFile::GetStrings(std::vector<std::string>& list) const
{
    for (const TIniSection& section : FIniFile) {
        list.push_back("[" + section.Name + "]");
        list.insert(list.end(), section.Lines.begin(), section.Lines.end());
        list.emplace_back();
    }
}

void TScrambeledMemIniFile::SetStrings(const std::vector<std::string>& list)
{
    FIniFile = ParseLines(list);
}

std::string TScrambeledMemIniFile::ExpandMacros(const std::string& text) const
{
    std::string result = text;
    if (!FAppName.empty())
        result = ReplacePlaceholder(result, "%APPNAME%", FAppName);
    if (!FCompanyName.empty())
        result = ReplacePlaceholder(result, "%COMPANYNAME%", FCompanyName);
    return result;
}
