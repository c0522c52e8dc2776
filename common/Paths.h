#pragma once

#include <string>
#include <string_view>
#include <vector>

// Two kinds of paths run through the program, and they never mix:
//
//  * Host paths name files on the machine the builder (or the launcher)
//    runs on: project files, source files, the temporary folder, tools.
//    They use the host's separator, PathDelim: "\" on Windows, "/" on POSIX
//    hosts. AppendPath joins host paths.
//
//  * Device paths name folders on the handheld device: TFolder::GetPath,
//    GetMacroPath and every directory written into the .inf. They always use
//    "\" (DeviceDelim), whatever the host.
//
// Host paths that come from a project file written on Windows may hold "\";
// NormalizeHostPath turns such a path into the host's form.

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif
inline constexpr char DeviceDelim = '\\';

// True for a character that separates host path parts: "/" and "\" on
// every host (a POSIX host also reads paths written on Windows).
bool IsPathDelimiter(char c);

// The directory and the name with exactly one host separator between them.
// An empty directory gives the name alone.
std::string AppendPath(const std::string& dir, const std::string& name);

// The directory followed by one host separator, unless it already ends with
// one (an empty text stays empty).
std::string IncludeTrailingPathDelimiter(const std::string& dir);
std::string ExcludeTrailingPathDelimiter(const std::string& dir);

// The parts of a device path between its backslashes, empty ones left out
// ("\\Program Files\\App\\" gives "Program Files" and "App").
std::vector<std::string> SplitDevicePath(const std::string& path);

// The part after the last separator (the whole text when it has none).
std::string ExtractFileName(const std::string& path);
// The part up to and including the last separator (empty when none).
std::string ExtractFilePath(const std::string& path);
// The extension with its dot (".vip"), or empty; only the file name part counts.
std::string ExtractFileExt(const std::string& path);
// The path with the extension of its file name part replaced (ext with dot).
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// On POSIX hosts "\" becomes "/", and a drive-letter path ("C:\...") that
// does not exist as written is taken from the drive mapping of the user's
// Wine prefix when it exists there (WineDrivePath); on Windows the path is
// returned unchanged.
std::string NormalizeHostPath(const std::string& path);

// Removes every occurrence of / \ : * ? " < > | from the text.
std::string StripFileNameChars(const std::string& text);

// Case-insensitive comparison of ASCII letters (file names, INI keys), for
// narrow and wide strings alike; no locale, so it works the same on every
// system.
template <typename String>
bool SameAsciiText(const String& a, const String& b)
{
    using Char = typename String::value_type;
    auto fold = [](Char c) { return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}
inline bool SameText(const std::string& a, const std::string& b)
{
    return SameAsciiText(a, b);
}
std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);
// Replaces every occurrence of the placeholder (ASCII letters matched in any
// case) by the value. The search goes on after each inserted value, so a
// value that contains the placeholder itself cannot make it endless.
std::string ReplacePlaceholder(const std::string& text, const std::string& placeholder, const std::string& value);
// Blanks and control characters removed at both ends (bytes <= ' ').
std::string Trim(const std::string& text);
std::string_view TrimView(std::string_view text);
