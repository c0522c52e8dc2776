#include "formats/SetupDescription.h"

#include "common/Exception.h"
#include "formats/FormatChoices.h"

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

// Where each part of the file begins, for the header.
struct TLayout {
    size_t App = 0, Provider = 0, Unsupported = 0, UnsupportedLength = 0;
    size_t Strings = 0, Directories = 0, Files = 0, Hives = 0, Values = 0, Links = 0;
};

void CheckCounts(const TSetupDescription& s)
{
    CheckU16(s.FDirectories.size(), "directories");
    CheckU16(s.FFiles.size(), "files");
    CheckU16(s.FHives.size(), "registry keys");
    CheckU16(s.FValues.size(), "registry values");
    CheckU16(s.FLinks.size(), "shortcuts");
}

// The application name, the provider and the unsupported platforms.
void WriteTexts(TByteWriter& w, const TSetupDescription& s, TLayout& at)
{
    // The three strings are found through 16-bit offsets, so they must
    // end inside the first 64 KiB.
    at.App = w.Size();
    w.Text(s.FAppName);
    at.Provider = w.Size();
    w.Text(s.FProvider);
    at.Unsupported = w.Size();
    for (const auto& name : s.FUnsupported)
        w.Text(name);
    if (!s.FUnsupported.empty())
        w.FBytes.push_back(0);
    at.UnsupportedLength = w.Size() - at.Unsupported;
    if (w.Size() > MaxU16)
        throw Exception("Application name, provider and unsupported platforms are too long for the setup file");
}

void WriteStrings(TByteWriter& w, const TStringTable& strings)
{
    for (size_t i = 0; i < strings.Texts().size(); ++i) {
        w.U16(i + 1);
        w.U16(strings.Texts()[i].size() + 1);
        w.Text(strings.Texts()[i]);
    }
}

uint16_t DirectoryIdAt(const std::vector<TSetupDirectory>& dirs, size_t i)
{
    return dirs[i].FId ? dirs[i].FId : uint16_t(i + 1);
}

void WriteDirectories(TByteWriter& w, const std::vector<TSetupDirectory>& dirs,
                      const std::vector<std::vector<uint16_t>>& dirIds)
{
    for (size_t i = 0; i < dirIds.size(); ++i) {
        w.U16(DirectoryIdAt(dirs, i));
        WriteIdList(w, dirIds[i], true);
    }
}

void WriteFiles(TByteWriter& w, const std::vector<TSetupFile>& files)
{
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& f = files[i];
        CheckU16(f.FName.size() + 1, "file name");
        w.U16(i + 1);
        w.U16(f.FDirectoryId);
        w.U16(f.FUnknown);
        w.U32(f.FFlags);
        w.U16(f.FName.size() + 1);
        w.Text(f.FName);
    }
}

void WriteHives(TByteWriter& w, const std::vector<TSetupHive>& hives, const std::vector<std::vector<uint16_t>>& hiveIds)
{
    for (size_t i = 0; i < hives.size(); ++i) {
        w.U16(i + 1);
        w.U16(hives[i].FRoot);
        w.U16(0);
        WriteIdList(w, hiveIds[i], true);
    }
}

void WriteValues(TByteWriter& w, const std::vector<TSetupValue>& values)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& v = values[i];
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
}

void WriteLinks(TByteWriter& w, const std::vector<TSetupLink>& links, const std::vector<std::vector<uint16_t>>& linkIds)
{
    for (size_t i = 0; i < links.size(); ++i) {
        const auto& l = links[i];
        w.U16(i + 1);
        w.U16(l.FDirectoryId);
        w.U16(l.FBase);
        w.U16(l.FTarget);
        w.U16(l.FTargetIsFile ? 1 : 0);
        WriteIdList(w, linkIds[i], FormatChoices::LinkListHasTerminator);
    }
}

// The header, written last over the zeros reserved for it: the counts and
// offsets are known only now.
void WriteHeader(TByteWriter& w, const TSetupDescription& s, size_t stringCount, const TLayout& at)
{
    if (w.Size() > 0xFFFFFFFFu)
        throw Exception("The setup file is too large");
    const char signature[4] = {'M', 'S', 'C', 'E'};
    for (int i = 0; i < 4; ++i)
        w.FBytes[i] = uint8_t(signature[i]);
    w.PatchU32(8, uint32_t(w.Size()));
    w.PatchU32(16, s.FWord16);
    w.PatchU32(20, s.FProcessor);
    w.PatchU32(24, s.FVersionMinMajor);
    w.PatchU32(28, s.FVersionMinMinor);
    w.PatchU32(32, s.FVersionMaxMajor);
    w.PatchU32(36, s.FVersionMaxMinor);
    w.PatchU32(40, s.FBuildMin);
    w.PatchU32(44, s.FBuildMax);
    CheckU16(stringCount, "strings");
    w.PatchU16(48, stringCount);
    w.PatchU16(50, s.FDirectories.size());
    w.PatchU16(52, s.FFiles.size());
    w.PatchU16(54, s.FHives.size());
    w.PatchU16(56, s.FValues.size());
    w.PatchU16(58, s.FLinks.size());
    w.PatchU32(60, uint32_t(at.Strings));
    w.PatchU32(64, uint32_t(at.Directories));
    w.PatchU32(68, uint32_t(at.Files));
    w.PatchU32(72, uint32_t(at.Hives));
    w.PatchU32(76, uint32_t(at.Values));
    w.PatchU32(80, uint32_t(at.Links));
    w.PatchU16(84, at.App);
    w.PatchU16(86, s.FAppName.size() + 1);
    w.PatchU16(88, at.Provider);
    w.PatchU16(90, s.FProvider.size() + 1);
    w.PatchU16(92, at.Unsupported);
    w.PatchU16(94, at.UnsupportedLength);
}

} // namespace

const TSetupDirectory* TSetupDescription::Directory(uint16_t id) const
{
    for (size_t i = 0; i < FDirectories.size(); ++i)
        if (DirectoryIdAt(FDirectories, i) == id)
            return &FDirectories[i];
    return nullptr;
}

std::vector<uint8_t> TSetupDescription::Write() const
{
    CheckCounts(*this);
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
    TLayout at;
    WriteTexts(w, *this, at);
    at.Strings = w.Size();
    WriteStrings(w, strings);
    at.Directories = w.Size();
    WriteDirectories(w, FDirectories, dirIds);
    at.Files = w.Size();
    WriteFiles(w, FFiles);
    at.Hives = w.Size();
    WriteHives(w, FHives, hiveIds);
    at.Values = w.Size();
    WriteValues(w, FValues);
    at.Links = w.Size();
    WriteLinks(w, FLinks, linkIds);
    WriteHeader(w, *this, strings.Texts().size(), at);
    return std::move(w.FBytes);
}
