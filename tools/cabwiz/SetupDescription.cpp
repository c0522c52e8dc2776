#include "tools/cabwiz/SetupDescription.h"

#include "common/Exception.h"
#include "tools/cabwiz/FormatChoices.h"

#include <map>

namespace {

constexpr size_t HeaderSize = 100;
constexpr size_t MaxU16 = 0xFFFF;

class TByteWriter {
public:
    std::vector<uint8_t> FBytes;

    size_t Size() const { return FBytes.size(); }
    void U16(size_t v)
    {
        FBytes.push_back(uint8_t(v));
        FBytes.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            FBytes.push_back(uint8_t(v >> (8 * i)));
    }
    void Text(const std::string& s)
    {
        FBytes.insert(FBytes.end(), s.begin(), s.end());
        FBytes.push_back(0);
    }
    void Bytes(const std::vector<uint8_t>& b) { FBytes.insert(FBytes.end(), b.begin(), b.end()); }
    void PatchU16(size_t at, size_t v)
    {
        FBytes[at] = uint8_t(v);
        FBytes[at + 1] = uint8_t(v >> 8);
    }
    void PatchU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            FBytes[at + i] = uint8_t(v >> (8 * i));
    }
};

void CheckU16(size_t value, const char* what)
{
    if (value > MaxU16)
        throw Exception(std::string("Too many entries or too long a text for the setup file: ") + what);
}

// Path components become IDs of the STRINGS table, numbered by first use.
class TStringTable {
public:
    std::vector<uint16_t> Ids(const std::vector<std::string>& path)
    {
        std::vector<uint16_t> ids;
        for (const auto& component : path) {
            auto it = FIds.find(component);
            if (it == FIds.end()) {
                CheckU16(FTexts.size() + 1, "strings");
                CheckU16(component.size() + 1, "path component");
                it = FIds.emplace(component, uint16_t(FTexts.size() + 1)).first;
                FTexts.push_back(component);
            }
            ids.push_back(it->second);
        }
        return ids;
    }
    const std::vector<std::string>& Texts() const { return FTexts; }

private:
    std::map<std::string, uint16_t> FIds;
    std::vector<std::string> FTexts;
};

void WriteIdList(TByteWriter& w, const std::vector<uint16_t>& ids, bool terminated)
{
    size_t length = 2 * (ids.size() + (terminated ? 1 : 0));
    CheckU16(length, "path");
    w.U16(length);
    for (uint16_t id : ids)
        w.U16(id);
    if (terminated)
        w.U16(0);
}

} // namespace

std::vector<uint8_t> TSetupDescription::Write() const
{
    CheckU16(FDirectories.size(), "directories");
    CheckU16(FFiles.size(), "files");
    CheckU16(FHives.size(), "registry keys");
    CheckU16(FValues.size(), "registry values");
    CheckU16(FLinks.size(), "shortcuts");

    TStringTable strings;
    std::vector<std::vector<uint16_t>> dirIds, hiveIds, linkIds;
    for (const auto& d : FDirectories)
        dirIds.push_back(strings.Ids(d.FPath));
    for (const auto& h : FHives)
        hiveIds.push_back(strings.Ids(h.FPath));
    for (const auto& l : FLinks)
        linkIds.push_back(strings.Ids(l.FPath));

    TByteWriter w;
    w.FBytes.assign(HeaderSize, 0);

    // The three strings are found through 16-bit offsets, so they must
    // end inside the first 64 KiB.
    size_t appOffset = w.Size();
    w.Text(FAppName);
    size_t providerOffset = w.Size();
    w.Text(FProvider);
    size_t unsupportedOffset = w.Size();
    for (const auto& name : FUnsupported)
        w.Text(name);
    if (!FUnsupported.empty())
        w.FBytes.push_back(0);
    size_t unsupportedLength = w.Size() - unsupportedOffset;
    if (w.Size() > MaxU16)
        throw Exception("Application name, provider and unsupported platforms are too long for the setup file");

    size_t stringsOffset = w.Size();
    for (size_t i = 0; i < strings.Texts().size(); ++i) {
        w.U16(i + 1);
        w.U16(strings.Texts()[i].size() + 1);
        w.Text(strings.Texts()[i]);
    }

    size_t dirsOffset = w.Size();
    for (size_t i = 0; i < FDirectories.size(); ++i) {
        w.U16(i + 1);
        WriteIdList(w, dirIds[i], true);
    }

    size_t filesOffset = w.Size();
    for (size_t i = 0; i < FFiles.size(); ++i) {
        const auto& f = FFiles[i];
        CheckU16(f.FName.size() + 1, "file name");
        w.U16(i + 1);
        w.U16(f.FDirectoryId);
        w.U16(f.FUnknown);
        w.U32(f.FFlags);
        w.U16(f.FName.size() + 1);
        w.Text(f.FName);
    }

    size_t hivesOffset = w.Size();
    for (size_t i = 0; i < FHives.size(); ++i) {
        w.U16(i + 1);
        w.U16(FHives[i].FRoot);
        w.U16(0);
        WriteIdList(w, hiveIds[i], true);
    }

    size_t valuesOffset = w.Size();
    for (size_t i = 0; i < FValues.size(); ++i) {
        const auto& v = FValues[i];
        size_t length = v.FName.size() + 1 + v.FData.size();
        CheckU16(length, "registry value");
        w.U16(i + 1);
        w.U16(v.FHiveId);
        w.U16(v.FSubstitute ? 1 : 0);
        w.U32(v.FFlags);
        w.U16(length);
        w.Text(v.FName);
        w.Bytes(v.FData);
    }

    size_t linksOffset = w.Size();
    for (size_t i = 0; i < FLinks.size(); ++i) {
        const auto& l = FLinks[i];
        w.U16(i + 1);
        w.U16(l.FDirectoryId);
        w.U16(l.FBase);
        w.U16(l.FTarget);
        w.U16(l.FTargetIsFile ? 1 : 0);
        WriteIdList(w, linkIds[i], FormatChoices::LinkListHasTerminator);
    }

    if (w.Size() > 0xFFFFFFFFu)
        throw Exception("The setup file is too large");

    const char signature[4] = {'M', 'S', 'C', 'E'};
    for (int i = 0; i < 4; ++i)
        w.FBytes[i] = uint8_t(signature[i]);
    w.PatchU32(8, uint32_t(w.Size()));
    w.PatchU32(16, FWord16);
    w.PatchU32(20, FProcessor);
    w.PatchU32(24, FVersionMinMajor);
    w.PatchU32(28, FVersionMinMinor);
    w.PatchU32(32, FVersionMaxMajor);
    w.PatchU32(36, FVersionMaxMinor);
    w.PatchU32(40, FBuildMin);
    w.PatchU32(44, FBuildMax);
    CheckU16(strings.Texts().size(), "strings");
    w.PatchU16(48, strings.Texts().size());
    w.PatchU16(50, FDirectories.size());
    w.PatchU16(52, FFiles.size());
    w.PatchU16(54, FHives.size());
    w.PatchU16(56, FValues.size());
    w.PatchU16(58, FLinks.size());
    w.PatchU32(60, uint32_t(stringsOffset));
    w.PatchU32(64, uint32_t(dirsOffset));
    w.PatchU32(68, uint32_t(filesOffset));
    w.PatchU32(72, uint32_t(hivesOffset));
    w.PatchU32(76, uint32_t(valuesOffset));
    w.PatchU32(80, uint32_t(linksOffset));
    w.PatchU16(84, appOffset);
    w.PatchU16(86, FAppName.size() + 1);
    w.PatchU16(88, providerOffset);
    w.PatchU16(90, FProvider.size() + 1);
    w.PatchU16(92, unsupportedOffset);
    w.PatchU16(94, unsupportedLength);
    return std::move(w.FBytes);
}
