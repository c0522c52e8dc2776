#include "formats/SfxLayout.h"

#include "formats/SfxArchive.h"

#include "common/Exception.h"

#include <vector>

namespace {

uint32_t Le(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// Reads count bytes at offset when the file holds them; false otherwise, so
// that a file too short for a PE header simply has no certificate table.
bool ReadIfPresent(const TSfxSource& file, uint64_t offset, uint8_t* buffer, size_t count)
{
    if (offset > file.Size() || count > file.Size() - offset)
        return false;
    file.ReadAt(offset, buffer, count);
    return true;
}

constexpr uint16_t Pe32Magic = 0x10b, Pe32PlusMagic = 0x20b;
constexpr uint32_t SecurityDirectory = 4;
constexpr uint32_t CertificateHeaderSize = 8; // WIN_CERTIFICATE: length, revision, type

const char* const BadTable = "The program's signature table does not fit in the file.";

} // namespace

uint64_t TSfxLayout::PayloadEnd(const TSfxSource& file)
{
    const uint64_t size = file.Size();
    uint8_t dos[64];
    if (!ReadIfPresent(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return size;
    const uint64_t pe = Le(dos + 0x3c, 4);
    // Signature, COFF file header and the optional header's magic.
    uint8_t head[4 + 20 + 2];
    if (!ReadIfPresent(file, pe, head, sizeof head) || Le(head, 4) != 0x00004550)
        return size;
    const uint32_t optionalSize = Le(head + 4 + 16, 2);
    const uint32_t magic = Le(head + 24, 2);
    uint32_t countAt = 0;
    if (magic == Pe32Magic)
        countAt = 92;
    else if (magic == Pe32PlusMagic)
        countAt = 108;
    else
        return size;
    const uint32_t directoriesAt = countAt + 4;
    const uint32_t entryAt = directoriesAt + SecurityDirectory * 8;
    if (optionalSize < entryAt + 8)
        return size;
    uint8_t optional[4 + 8];
    if (!ReadIfPresent(file, pe + 24 + countAt, optional, 4) ||
        !ReadIfPresent(file, pe + 24 + entryAt, optional + 4, 8))
        return size;
    if (Le(optional, 4) <= SecurityDirectory)
        return size;
    // Unlike the other directories this one holds a file offset, not an
    // address in the loaded image.
    const uint64_t tableAt = Le(optional + 4, 4), tableSize = Le(optional + 8, 4);
    if (tableAt == 0 && tableSize == 0)
        return size;
    /* table must start behind the headers and end inside the file */
    if (tableAt < pe + 24 + optionalSize || tableAt > size || tableSize > size - tableAt)
        throw Exception(BadTable);
    /* each certificate is eight-byte aligned and at least its header long */
    if (tableAt % Alignment != 0 || tableSize < CertificateHeaderSize)
        throw Exception(BadTable);
    uint8_t certificate[CertificateHeaderSize];
    file.ReadAt(tableAt, certificate, sizeof certificate);
    const uint32_t length = Le(certificate, 4);
    if (length < CertificateHeaderSize || length > tableSize)
        throw Exception(BadTable);
    return tableAt;
}

TSfxLayout TSfxLayout::Read(const TSfxSource& file)
{
    uint64_t end = PayloadEnd(file);
    // The tail's last byte is not zero, so zeros in front of the table are
    // the signer's padding.
    uint8_t padding[Alignment - 1];
    const uint64_t look = end < sizeof padding ? end : sizeof padding;
    file.ReadAt(end - look, padding, static_cast<size_t>(look));
    for (uint64_t i = look; i > 0 && padding[i - 1] == 0; --i)
        --end;

    uint8_t tail[TSfxTrailer::TailSize];
    if (end < sizeof tail)
        throw Exception("No archive is attached to this program.");
    file.ReadAt(end - sizeof tail, tail, sizeof tail);
    uint64_t zipSize = 0;
    uint32_t settingsSize = 0;
    TSfxTrailer::DecodeTail(tail, end, zipSize, settingsSize);
    std::vector<uint8_t> block(settingsSize);
    const uint64_t settingsStart = end - sizeof tail - settingsSize;
    file.ReadAt(settingsStart, block.data(), block.size());

    TSfxLayout layout;
    layout.Settings = TSfxTrailer::DecodeSettings(block.data(), block.size());
    layout.ArchiveStart = settingsStart - zipSize;
    layout.ArchiveSize = zipSize;
    return layout;
}
