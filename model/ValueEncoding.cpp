#include "model/ValueEncoding.h"

#include "common/AnsiText.h"
#include "common/Exception.h"

#include <vector>

namespace {

[[noreturn]] void InvalidValue()
{
    throw Exception("Invalid property value");
}

uint8_t ReadByte(TStream& stream)
{
    uint8_t b;
    stream.ReadBuffer(&b, 1);
    return b;
}

uint32_t ReadLE(TStream& stream, int bytes)
{
    uint8_t buf[4];
    stream.ReadBuffer(buf, bytes);
    uint32_t v = 0;
    for (int i = bytes; i-- > 0;)
        v = (v << 8) | buf[i];
    return v;
}

void WriteLE(TStream& stream, uint32_t v, int bytes)
{
    uint8_t buf[4];
    for (int i = 0; i < bytes; ++i)
        buf[i] = uint8_t(v >> (8 * i));
    stream.WriteBuffer(buf, bytes);
}

// Reads `count` payload bytes after checking that the stream holds them.
std::string ReadBytes(TStream& stream, uint64_t count)
{
    if (count > stream.Remaining())
        throw Exception("Stream read error");
    std::string s(static_cast<size_t>(count), '\0');
    stream.ReadBuffer(s.data(), s.size());
    return s;
}

}

void StreamWriteInteger(TStream& stream, int32_t value)
{
    if (value >= -128 && value <= 127) {
        uint8_t buf[2] = {vaInt8, uint8_t(value)};
        stream.WriteBuffer(buf, 2);
    } else if (value >= -32768 && value <= 32767) {
        uint8_t tag = vaInt16;
        stream.WriteBuffer(&tag, 1);
        WriteLE(stream, uint32_t(value), 2);
    } else {
        uint8_t tag = vaInt32;
        stream.WriteBuffer(&tag, 1);
        WriteLE(stream, uint32_t(value), 4);
    }
}

void StreamWriteString(TStream& stream, const std::string& text)
{
    uint8_t tag;
    if (HasNonAscii(text)) {
        std::string utf8 = AnsiToUtf8(text);
        tag = vaUTF8String;
        stream.WriteBuffer(&tag, 1);
        WriteLE(stream, uint32_t(utf8.size()), 4);
        stream.WriteBuffer(utf8.data(), utf8.size());
    } else if (text.size() <= 255) {
        uint8_t buf[2] = {vaString, uint8_t(text.size())};
        stream.WriteBuffer(buf, 2);
        stream.WriteBuffer(text.data(), text.size());
    } else {
        tag = vaLString;
        stream.WriteBuffer(&tag, 1);
        WriteLE(stream, uint32_t(text.size()), 4);
        stream.WriteBuffer(text.data(), text.size());
    }
}

void StreamWriteBoolean(TStream& stream, bool value)
{
    uint8_t tag = value ? vaTrue : vaFalse;
    stream.WriteBuffer(&tag, 1);
}

void StreamWriteSet(TStream& stream, uint16_t bits)
{
    int count = 0;
    for (unsigned n = 0; n < 16; ++n)
        if ((bits >> n) & 1u)
            ++count;
    StreamWriteInteger(stream, count);
    for (unsigned n = 0; n < 16; ++n)
        if ((bits >> n) & 1u)
            StreamWriteInteger(stream, int32_t(n));
}

void StreamWritePlatforms(TStream& stream, TPlatforms platforms)
{
    uint16_t bits = platforms.Bits();
    if (platforms == AllPlatforms)
        bits = LegacyAllPlatforms.Bits();
    else if (platforms == LegacyAllPlatforms)
        bits = uint16_t(bits | (1u << kListedPlatformsMark));
    StreamWriteSet(stream, bits);
}

bool NeedsLaterPlatformReader(TPlatforms platforms)
{
    return platforms != AllPlatforms && (platforms.Intersects(LaterPlatforms) || platforms == LegacyAllPlatforms);
}

int32_t StreamReadInteger(TStream& stream)
{
    switch (ReadByte(stream)) {
    case vaInt8: return int8_t(ReadLE(stream, 1));
    case vaInt16: return int16_t(ReadLE(stream, 2));
    case vaInt32: return int32_t(ReadLE(stream, 4));
    default: InvalidValue();
    }
}

std::string StreamReadString(TStream& stream)
{
    switch (ReadByte(stream)) {
    case vaString: return ReadBytes(stream, ReadLE(stream, 1));
    case vaLString: return ReadBytes(stream, ReadLE(stream, 4));
    case vaUTF8String: return Utf8ToAnsiLossy(ReadBytes(stream, ReadLE(stream, 4)));
    case vaWString: {
        uint64_t units = ReadLE(stream, 4);
        std::string bytes = ReadBytes(stream, units * 2);
        return Utf16LeToAnsiLossy(reinterpret_cast<const uint8_t*>(bytes.data()), units);
    }
    default: InvalidValue();
    }
}

bool StreamReadBoolean(TStream& stream)
{
    return ReadByte(stream) == vaTrue;
}

uint16_t StreamReadSet(TStream& stream)
{
    int32_t count = StreamReadInteger(stream);
    uint16_t bits = 0;
    for (int32_t i = 0; i < count; ++i) {
        unsigned member = uint8_t(StreamReadInteger(stream));
        if (member < 16)
            bits = uint16_t(bits | (1u << member));
    }
    return bits;
}

TPlatforms StreamReadPlatforms(TStream& stream)
{
    TPlatforms platforms = TPlatforms::FromBits(StreamReadSet(stream));
    if (platforms == LegacyAllPlatforms)
        return AllPlatforms;
    const auto mark = TPlatforms::FromBits(uint16_t(1u << kListedPlatformsMark));
    return platforms - mark;
}
