#include "PeImage.h"

#include <fstream>
#include <iterator>
#include <utility>

namespace {

// Resource trees are walked with an explicit depth: a hostile file may
// point a directory at itself.
constexpr int kResourceLevels = 3;

} // namespace

TPeImage TPeImage::FromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw TPeError("cannot open " + path);
    return TPeImage(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

uint16_t TPeImage::U16(uint32_t offset) const
{
    if (offset > FBytes.size() || FBytes.size() - offset < 2)
        throw TPeError("read past the end of the file");
    return uint16_t(FBytes[offset] | FBytes[offset + 1] << 8);
}

uint32_t TPeImage::U32(uint32_t offset) const
{
    return U16(offset) | uint32_t(U16(offset + 2)) << 16;
}

uint64_t TPeImage::U64(uint32_t offset) const
{
    return U32(offset) | uint64_t(U32(offset + 4)) << 32;
}

std::string TPeImage::CString(uint32_t offset) const
{
    std::string text;
    for (uint32_t i = offset; i < FBytes.size(); ++i) {
        if (FBytes[i] == 0)
            return text;
        text += char(FBytes[i]);
    }
    throw TPeError("string runs past the end of the file");
}

uint32_t TPeImage::Offset(uint32_t rva, uint32_t length) const
{
    for (const TSection& s : FSections) {
        uint32_t size = std::max(s.VirtualSize, s.RawSize);
        if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size) {
            uint32_t inSection = rva - s.VirtualAddress;
            if (inSection > s.RawSize || s.RawSize - inSection < length)
                throw TPeError("data lies past its section's bytes in the file");
            return s.RawOffset + inSection;
        }
    }
    throw TPeError("address lies in no section");
}

TPeImage::TPeImage(std::vector<uint8_t> bytes) : FBytes(std::move(bytes))
{
    if (FBytes.size() < 64 || FBytes[0] != 'M' || FBytes[1] != 'Z')
        throw TPeError("no MZ header");
    uint32_t pe = U32(0x3c);
    if (U32(pe) != 0x00004550)
        throw TPeError("no PE signature");
    uint32_t coff = pe + 4;
    FMachine = U16(coff);
    uint16_t sectionCount = U16(coff + 2);
    uint16_t optionalSize = U16(coff + 16);
    uint32_t optional = coff + 20;
    FMagic = U16(optional);
    if (FMagic != 0x10b && FMagic != 0x20b)
        throw TPeError("unknown optional header");
    FSubsystemVersion = {U16(optional + 48), U16(optional + 50)};
    FSubsystem = U16(optional + 68);
    FDllCharacteristics = U16(optional + 70);
    uint32_t directories = optional + (FMagic == 0x10b ? 96 : 112);
    uint32_t directoryCount = U32(directories - 4);
    uint32_t sections = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        uint32_t s = sections + 40u * i;
        TSection section{U32(s + 12), U32(s + 8), U32(s + 20), U32(s + 16)};
        if (section.RawOffset > FBytes.size() || FBytes.size() - section.RawOffset < section.RawSize)
            throw TPeError("section lies outside the file");
        FSections.push_back(section);
    }
    auto directory = [&](uint32_t index) -> std::pair<uint32_t, uint32_t> {
        if (index >= directoryCount || directories + 8 * index + 8 > sections)
            return {0, 0};
        return {U32(directories + 8 * index), U32(directories + 8 * index + 4)};
    };
    if (auto [rva, size] = directory(1); rva)
        ReadImports(rva, size);
    if (auto [rva, size] = directory(2); rva)
        ReadResources(rva, size);
}

void TPeImage::ReadImports(uint32_t rva, uint32_t)
{
    for (uint32_t entry = rva;; entry += 20) {
        uint32_t at = Offset(entry, 20);
        uint32_t lookup = U32(at), nameRva = U32(at + 12), thunks = U32(at + 16);
        if (nameRva == 0 && thunks == 0)
            return;
        TPeImport import;
        import.Dll = CString(Offset(nameRva, 1));
        uint32_t thunkSize = IsPe32Plus() ? 8 : 4;
        uint64_t ordinalFlag = IsPe32Plus() ? 1ull << 63 : 1ull << 31;
        for (uint32_t thunk = lookup ? lookup : thunks;; thunk += thunkSize) {
            uint32_t t = Offset(thunk, thunkSize);
            uint64_t value = IsPe32Plus() ? U64(t) : U32(t);
            if (value == 0)
                break;
            if (value & ordinalFlag)
                import.Functions.push_back("#" + std::to_string(value & 0xffff));
            else
                import.Functions.push_back(CString(Offset(uint32_t(value) + 2, 1)));
        }
        FImports.push_back(std::move(import));
    }
}

void TPeImage::ReadResources(uint32_t rva, uint32_t)
{
    struct TPending {
        uint32_t Directory; // offset inside the resource section
        int Level;
        uint32_t Type, Id;
    };
    std::vector<TPending> pending{{0, 0, 0, 0}};
    uint32_t base = Offset(rva, 16);
    while (!pending.empty()) {
        TPending dir = pending.back();
        pending.pop_back();
        uint32_t at = base + dir.Directory;
        uint32_t count = uint32_t(U16(at + 12)) + U16(at + 14);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t e = at + 16 + 8 * i;
            uint32_t name = U32(e), target = U32(e + 4);
            uint32_t id = (name & 0x80000000u) ? 0 : name;
            bool isDirectory = target & 0x80000000u;
            if (isDirectory != (dir.Level < kResourceLevels - 1))
                throw TPeError("resource tree is not three levels deep");
            if (isDirectory) {
                TPending next{target & 0x7fffffffu, dir.Level + 1, dir.Type, dir.Id};
                (dir.Level == 0 ? next.Type : next.Id) = id;
                pending.push_back(next);
                continue;
            }
            uint32_t dataEntry = base + target;
            uint32_t dataRva = U32(dataEntry), size = U32(dataEntry + 4);
            uint32_t data = Offset(dataRva, size);
            FResources.push_back(
                {dir.Type, dir.Id, std::vector<uint8_t>(FBytes.begin() + data, FBytes.begin() + data + size)});
        }
    }
}

const TPeResource* TPeImage::Resource(uint32_t type, uint32_t id) const
{
    for (const TPeResource& r : FResources)
        if (r.Type == type && r.Id == id)
            return &r;
    return nullptr;
}

namespace {

std::string Utf16ToUtf8(const std::vector<uint8_t>& b, size_t& at, size_t end)
{
    std::string text;
    while (at + 1 < end) {
        uint32_t c = b[at] | b[at + 1] << 8;
        at += 2;
        if (c == 0)
            break;
        if (c < 0x80) {
            text += char(c);
        } else if (c < 0x800) {
            text += char(0xc0 | c >> 6);
            text += char(0x80 | (c & 0x3f));
        } else {
            text += char(0xe0 | c >> 12);
            text += char(0x80 | (c >> 6 & 0x3f));
            text += char(0x80 | (c & 0x3f));
        }
    }
    return text;
}

// One node of a version resource: wLength, wValueLength, wType, szKey, then
// the value and the children, each aligned to four bytes.
void WalkVersionNode(const std::vector<uint8_t>& b, size_t at, size_t end, int depth,
                     std::map<std::string, std::string>& strings)
{
    if (depth > 4 || at + 6 > end)
        return;
    size_t length = b[at] | b[at + 1] << 8;
    size_t valueLength = b[at + 2] | b[at + 3] << 8;
    bool text = (b[at + 4] | b[at + 5] << 8) == 1;
    size_t nodeEnd = at + length;
    if (length < 6 || nodeEnd > end)
        throw TPeError("version resource node runs past its parent");
    size_t p = at + 6;
    std::string key = Utf16ToUtf8(b, p, nodeEnd);
    p = (p + 3) & ~size_t(3);
    if (depth == 3) {
        size_t valueEnd = std::min(nodeEnd, p + (text ? 2 * valueLength : valueLength));
        strings[key] = Utf16ToUtf8(b, p, valueEnd);
        return;
    }
    // Only StringFileInfo holds strings; VarFileInfo holds numbers.
    if (depth == 1 && key != "StringFileInfo")
        return;
    p += text ? 2 * valueLength : valueLength;
    p = (p + 3) & ~size_t(3);
    while (p + 6 <= nodeEnd) {
        size_t childLength = b[p] | b[p + 1] << 8;
        if (childLength == 0)
            break;
        WalkVersionNode(b, p, nodeEnd, depth + 1, strings);
        p = (p + childLength + 3) & ~size_t(3);
    }
}

} // namespace

std::map<std::string, std::string> VersionStrings(const std::vector<uint8_t>& versionResource)
{
    std::map<std::string, std::string> strings;
    WalkVersionNode(versionResource, 0, versionResource.size(), 0, strings);
    return strings;
}
