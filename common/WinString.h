#pragma once

// For Win32 sources only: the conversions at the edge to the wide Windows
// calls. Paths and registry texts are UTF-8 inside the programs; texts of
// the package's texts file are Windows-1252.

#include "common/AnsiText.h"

#include <string>
#include <string_view>

inline std::wstring WideFromUtf8(std::string_view utf8)
{
    std::u16string u = Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

inline std::wstring WideFromAnsi(std::string_view ansi)
{
    std::u16string u = AnsiToUtf16(ansi);
    return std::wstring(u.begin(), u.end());
}

inline std::string Utf8FromWide(std::wstring_view wide)
{
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
