#include "common/Paths.h"

#include "common/Platform.h"

#include <algorithm>

bool IsPathDelimiter(char c)
{
    return c == '/' || c == '\\';
}

std::string AppendPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (IsPathDelimiter(dir.back()))
        return dir + name;
    std::string result;
    result.reserve(dir.size() + 1 + name.size());
    result += dir;
    result += PathDelim;
    result += name;
    return result;
}

std::string IncludeTrailingPathDelimiter(const std::string& dir)
{
    if (dir.empty() || IsPathDelimiter(dir.back()))
        return dir;
    return dir + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& dir)
{
    std::string result = dir;
    while (result.size() > 1 && IsPathDelimiter(result.back()))
        result.pop_back();
    return result;
}

namespace {
size_t LastDelimiter(const std::string& path)
{
    for (size_t i = path.size(); i-- > 0;) {
        if (IsPathDelimiter(path[i]))
            return i;
#ifdef _WIN32
        if (path[i] == ':')
            return i;
#endif
    }
    return std::string::npos;
}
}

std::string ExtractFileName(const std::string& path)
{
    size_t pos = LastDelimiter(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path)
{
    size_t pos = LastDelimiter(path);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileExt(const std::string& path)
{
    std::string name = ExtractFileName(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    size_t nameStart = LastDelimiter(path);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string NormalizeHostPath(const std::string& path)
{
#ifdef _WIN32
    return path;
#else
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    // A drive-letter path written on Windows names a file of the user's Wine
    // drives when it does not exist as written here.
    if (result.size() >= 2 && result[1] == ':' && !FileExists(result) && !DirectoryExists(result)) {
        // Only a path found there is taken: what is missing everywhere is
        // reported as the author wrote it.
        std::string mapped = WineDrivePath(path);
        if (!mapped.empty() && (FileExists(mapped) || DirectoryExists(mapped)))
            return mapped;
    }
    return result;
#endif
}

std::string StripFileNameChars(const std::string& text)
{
    static constexpr std::string_view bad = "/\\:*?\"<>|";
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (bad.find(c) == std::string_view::npos)
            result += c;
    return result;
}

namespace {
// clang-format off
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
// clang-format on
}

std::string UpperCase(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(), AsciiUpper);
    return result;
}

std::string LowerCase(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(), AsciiLower);
    return result;
}

std::string ReplacePlaceholder(const std::string& text, const std::string& placeholder, const std::string& value)
{
    // Upper-casing keeps every byte where it was, so positions in the
    // upper-cased copy are positions in the text.
    const std::string upper = UpperCase(text);
    const std::string key = UpperCase(placeholder);
    std::string result;
    size_t from = 0;
    for (;;) {
        size_t at = upper.find(key, from);
        if (at == std::string::npos)
            break;
        result.append(text, from, at - from);
        result += value;
        from = at + key.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string_view TrimView(std::string_view text)
{
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

std::string Trim(const std::string& text)
{
    return std::string(TrimView(text));
}

std::vector<std::string> SplitDevicePath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}
