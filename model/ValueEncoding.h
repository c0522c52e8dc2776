#pragma once

// The tagged value encoding of the project file: each value is one tag byte
// and its payload, little-endian, nothing between values. Readers fail with
// "Invalid property value" on an unexpected tag and "Stream read error" when
// the data ends inside a value; they never allocate more than the stream
// still holds.

#include "common/Stream.h"
#include "model/Platforms.h"

#include <cstdint>
#include <string>

enum TValueTag : uint8_t {
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,
    vaFalse = 8,
    vaTrue = 9,
    vaLString = 12,
    vaWString = 18,
    vaUTF8String = 20,
};

void StreamWriteInteger(TStream& stream, int32_t value);
void StreamWriteString(TStream& stream, const std::string& text);
void StreamWriteBoolean(TStream& stream, bool value);
// "All Platforms" is stored as the eight platforms it was before Windows
// Mobile 5.0, so that projects written before then keep their bytes and their
// meaning; exactly those eight, chosen one by one, carry the member
// kListedPlatformsMark.
void StreamWritePlatforms(TStream& stream, TPlatforms platforms);
inline constexpr unsigned kListedPlatformsMark = 15;
// True when the stored form of the set needs a reader that knows the
// Windows Mobile 5.0 and later platforms (project file format 3).
bool NeedsLaterPlatformReader(TPlatforms platforms);
// Count-then-members form of any small set (ordinals 0..15).
void StreamWriteSet(TStream& stream, uint16_t bits);

int32_t StreamReadInteger(TStream& stream);
std::string StreamReadString(TStream& stream);
bool StreamReadBoolean(TStream& stream);
TPlatforms StreamReadPlatforms(TStream& stream);
uint16_t StreamReadSet(TStream& stream);
