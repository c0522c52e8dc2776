#pragma once

// Entry names of a package's archive as the self-extractor turns them into
// Windows names. Plain C++, so the tests build it natively: the stub decodes
// with these instead of MultiByteToWideChar, whose lenient forms drop
// invalid bytes on Windows XP: the UTF-8 name "..<byte C0>/evil.dll" passes a
// check of its bytes (its first part is not only dots) and becomes
// "../evil.dll".

#include <string>

// The name as UTF-16 with "/" turned into "\": UTF-8 when the entry carries
// the UTF-8 flag, code page 437 otherwise. False for bytes that are no valid
// text (a broken or overlong UTF-8 sequence, a surrogate, a NUL).
bool SfxWideName(const std::string& raw, bool utf8, std::u16string& wide);

// True when the decoded name stays inside the folder and names no device:
// no leading separator, no empty part, no part of only dots and blanks or
// ending in one, no control, colon or wildcard character, and no part that
// Windows opens as a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9
// and LPT1-LPT9 with the superscript digits 1-3 too, with any extension).
bool IsSafeWideName(const std::u16string& name);
