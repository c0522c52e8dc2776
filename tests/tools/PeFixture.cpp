#include "PeFixture.h"

#include <stdexcept>

namespace {

void PutLe(std::string& bytes, size_t at, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint32_t GetLe(const std::string& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i));
    return value;
}

} // namespace

std::string MinimalPeHeaders(bool wide)
{
    const size_t pe = 0x80;
    const uint32_t optionalSize = wide ? 240 : 224;
    std::string bytes(pe + 24 + optionalSize, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutLe(bytes, 0x3c, pe, 4);
    bytes.replace(pe, 4, std::string("PE\0\0", 4));
    PutLe(bytes, pe + 4, wide ? 0x8664 : 0x14c, 2);
    PutLe(bytes, pe + 4 + 16, optionalSize, 2);
    PutLe(bytes, pe + 24, wide ? 0x20b : 0x10b, 2);
    PutLe(bytes, pe + 24 + (wide ? 108 : 92), 16, 4);
    return bytes;
}

size_t SecurityEntryOffset(const std::string& program)
{
    if (program.size() < 64 || program[0] != 'M' || program[1] != 'Z')
        throw std::runtime_error("not a PE program");
    const size_t pe = GetLe(program, 0x3c, 4);
    if (GetLe(program, pe, 4) != 0x00004550)
        throw std::runtime_error("not a PE program");
    const uint32_t magic = GetLe(program, pe + 24, 2);
    if (magic != 0x10b && magic != 0x20b)
        throw std::runtime_error("unknown optional header");
    return pe + 24 + (magic == 0x20b ? 112 : 96) + 4 * 8;
}

std::string WithSecurityEntry(std::string program, uint32_t offset, uint32_t size)
{
    const size_t at = SecurityEntryOffset(program);
    PutLe(program, at, offset, 4);
    PutLe(program, at + 4, size, 4);
    return program;
}

std::string WithCertificateTable(std::string program, uint32_t tableSize)
{
    program.append((8 - program.size() % 8) % 8, '\0');
    const uint32_t offset = static_cast<uint32_t>(program.size());
    std::string table(tableSize, '\x5a');
    PutLe(table, 0, tableSize, 4);
    PutLe(table, 4, 0x0200, 2); // WIN_CERT_REVISION_2_0
    PutLe(table, 6, 0x0002, 2); // WIN_CERT_TYPE_PKCS_SIGNED_DATA
    program += table;
    return WithSecurityEntry(std::move(program), offset, tableSize);
}
