#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Model strings are 8-bit text in the Windows-1252 code page ("ANSI"), held
// in std::string exactly as project and texts files store them. These are the
// only conversions to and from Unicode forms.
//
// The five bytes that Windows-1252 leaves undefined (81 8D 8F 90 9D) map to
// the C1 control characters of the same number, as Windows itself does, so
// every byte survives a round trip through Unicode.

// Unicode code point of one Windows-1252 byte.
char32_t AnsiCharToUnicode(unsigned char c);
// Windows-1252 byte for a code point; false when the code page has none.
bool UnicodeToAnsiChar(char32_t cp, unsigned char& out);

// Appends the code point's UTF-8 bytes.
void AppendUtf8(std::string& out, char32_t cp);

std::string AnsiToUtf8(std::string_view ansi);

// Strict form: false (and `bad` set to the first code point the code page
// cannot hold, or U+FFFD for malformed UTF-8) when the text cannot be
// converted without change. Used where the author types text.
bool Utf8ToAnsi(std::string_view utf8, std::string& ansi, char32_t* bad = nullptr);

// Lenient forms used when reading stored data: what the code page cannot
// hold, and malformed sequences, become `replacement`.
std::string Utf8ToAnsiLossy(std::string_view utf8, char replacement = '?');
std::string Utf16LeToAnsiLossy(const uint8_t* data, size_t codeUnits, char replacement = '?');
std::u16string AnsiToUtf16(std::string_view ansi);

// UTF-8 and UTF-16, for the wide Windows calls: malformed input and lone
// surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when the text holds a byte outside 7-bit ASCII.
bool HasNonAscii(std::string_view text);

// Upper case of Windows-1252 text, accented letters included ("é" -> "É"),
// for comparing names the way Windows file systems do.
std::string FoldAnsiCase(std::string_view ansi);
