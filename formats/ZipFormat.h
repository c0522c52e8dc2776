#pragma once

// The fixed parts of a ZIP archive's records, as read by the self-extractor
// and patched by the builder: little-endian fields at fixed offsets.

#include <cstddef>
#include <cstdint>

namespace ZipFormat {

constexpr uint32_t SigEndOfDirectory = 0x06054b50;
constexpr uint32_t SigDirectoryEntry = 0x02014b50;
constexpr uint32_t SigLocalHeader = 0x04034b50;
constexpr size_t EndOfDirectorySize = 22;
constexpr size_t DirectoryEntrySize = 46;
constexpr size_t LocalHeaderSize = 30;

inline uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace ZipFormat
