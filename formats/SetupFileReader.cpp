#include "formats/SetupFileReader.h"

#include "common/Exception.h"

#include <map>

namespace {

class TReader {
public:
    explicit TReader(const std::vector<uint8_t>& data) : FData(data) {}

    void Need(size_t at, size_t count) const
    {
        if (at > FData.size() || count > FData.size() - at)
            throw Exception("setup file: data ends inside a field at " + std::to_string(at));
    }
    uint16_t U16(size_t at) const
    {
        Need(at, 2);
        return uint16_t(FData[at] | FData[at + 1] << 8);
    }
    uint32_t U32(size_t at) const
    {
        Need(at, 4);
        return uint32_t(FData[at]) | uint32_t(FData[at + 1]) << 8 | uint32_t(FData[at + 2]) << 16 |
               uint32_t(FData[at + 3]) << 24;
    }
    // A NUL-terminated text that fills exactly `length` bytes.
    std::string Text(size_t at, size_t length) const
    {
        Need(at, length);
        if (length == 0 || FData[at + length - 1] != 0)
            throw Exception("setup file: text at " + std::to_string(at) + " is not NUL-terminated");
        return std::string(FData.begin() + at, FData.begin() + at + length - 1);
    }

private:
    const std::vector<uint8_t>& FData;
};

// One pass over the file, table by table; each table's count and offset
// come from the header.
class TSetupFileParser {
public:
    explicit TSetupFileParser(const std::vector<uint8_t>& data) : FData(data), r(data) {}

    TSetupDescription Parse()
    {
        ReadHeader();
        ReadUnsupported();
        ReadStrings();
        ReadDirectories();
        ReadFiles();
        ReadHives();
        ReadValues();
        ReadLinks();
        return std::move(d);
    }

private:
    void ReadHeader()
    {
        r.Need(0, 100);
        if (r.U32(0) != 0x4543534D)
            throw Exception("setup file: no MSCE signature");
        if (r.U32(8) != FData.size())
            throw Exception("setup file: header length differs from the file size");
        d.FWord16 = r.U32(16);
        d.FProcessor = r.U32(20);
        d.FVersionMinMajor = r.U32(24);
        d.FVersionMinMinor = r.U32(28);
        d.FVersionMaxMajor = r.U32(32);
        d.FVersionMaxMinor = r.U32(36);
        d.FBuildMin = r.U32(40);
        d.FBuildMax = r.U32(44);
        d.FAppName = r.Text(r.U16(84), r.U16(86));
        d.FProvider = r.Text(r.U16(88), r.U16(90));
    }

    void ReadUnsupported()
    {
        size_t unsupportedAt = r.U16(92), unsupportedLength = r.U16(94);
        r.Need(unsupportedAt, unsupportedLength);
        for (size_t at = unsupportedAt, end = unsupportedAt + unsupportedLength; at < end;) {
            size_t nul = at;
            while (nul < end && FData[nul] != 0)
                ++nul;
            if (nul == end)
                throw Exception("setup file: unsupported list is not terminated");
            if (nul == at)
                break; // the empty string closes the list
            d.FUnsupported.emplace_back(FData.begin() + at, FData.begin() + nul);
            at = nul + 1;
        }
    }

    void ReadStrings()
    {
        for (size_t i = 0, at = r.U32(60); i < r.U16(48); ++i) {
            uint16_t id = r.U16(at), length = r.U16(at + 2);
            FStrings[id] = r.Text(at + 4, length);
            at += 4 + length;
        }
    }

    // A list of string IDs, read as the texts they name.
    std::vector<std::string> Path(size_t at, size_t length, bool terminated) const
    {
        if (length % 2 != 0)
            throw Exception("setup file: odd path list length");
        r.Need(at, length);
        std::vector<std::string> parts;
        for (size_t k = 0; k < length / 2; ++k) {
            uint16_t id = r.U16(at + 2 * k);
            if (id == 0) {
                if (!terminated || k + 1 != length / 2)
                    throw Exception("setup file: string ID 0 inside a path");
                break;
            }
            auto it = FStrings.find(id);
            if (it == FStrings.end())
                throw Exception("setup file: unknown string ID " + std::to_string(id));
            parts.push_back(it->second);
        }
        if (terminated && (length == 0 || r.U16(at + length - 2) != 0))
            throw Exception("setup file: path list without its terminating 0");
        return parts;
    }

    void ReadDirectories()
    {
        std::vector<bool> seen(0x10000);
        for (size_t i = 0, at = r.U32(64); i < r.U16(50); ++i) {
            // The vendor's tool numbers from 2 when the .inf has no
            // DefaultDestDir and writes ID 1 last: any order, no ID twice.
            uint16_t id = r.U16(at);
            if (id == 0 || seen[id])
                throw Exception("setup file: directory ID " + std::to_string(id) + " is 0 or listed twice");
            seen[id] = true;
            uint16_t length = r.U16(at + 2);
            d.FDirectories.push_back(TSetupDirectory{Path(at + 4, length, true), id});
            at += 4 + length;
        }
    }

    void ReadFiles()
    {
        for (size_t i = 0, at = r.U32(68); i < r.U16(52); ++i) {
            if (r.U16(at) != i + 1)
                throw Exception("setup file: file IDs out of order");
            TSetupFile f;
            f.FDirectoryId = r.U16(at + 2);
            f.FUnknown = r.U16(at + 4);
            f.FFlags = r.U32(at + 6);
            uint16_t length = r.U16(at + 10);
            f.FName = r.Text(at + 12, length);
            d.FFiles.push_back(f);
            at += 12 + length;
        }
    }

    void ReadHives()
    {
        for (size_t i = 0, at = r.U32(72); i < r.U16(54); ++i) {
            TSetupHive h;
            h.FRoot = r.U16(at + 2);
            uint16_t length = r.U16(at + 6);
            h.FPath = Path(at + 8, length, true);
            d.FHives.push_back(h);
            at += 8 + length;
        }
    }

    void ReadValues()
    {
        for (size_t i = 0, at = r.U32(76); i < r.U16(56); ++i) {
            TSetupValue v;
            v.FHiveId = r.U16(at + 2);
            v.FSubstitute = r.U16(at + 4) != 0;
            v.FFlags = r.U32(at + 6);
            uint16_t length = r.U16(at + 10);
            r.Need(at + 12, length);
            size_t nul = at + 12;
            while (nul < at + 12 + length && FData[nul] != 0)
                ++nul;
            if (nul == at + 12 + length)
                throw Exception("setup file: registry value name is not terminated");
            v.FName.assign(FData.begin() + at + 12, FData.begin() + nul);
            v.FData.assign(FData.begin() + nul + 1, FData.begin() + at + 12 + length);
            d.FValues.push_back(v);
            at += 12 + length;
        }
    }

    void ReadLinks()
    {
        for (size_t i = 0, at = r.U32(80); i < r.U16(58); ++i) {
            TSetupLink l;
            l.FDirectoryId = r.U16(at + 2);
            l.FBase = r.U16(at + 4);
            l.FTarget = r.U16(at + 6);
            l.FTargetIsFile = r.U16(at + 8) == 1;
            uint16_t length = r.U16(at + 10);
            // Both list forms are read: with or without the terminating 0.
            bool terminated = length >= 2 && r.U16(at + 12 + length - 2) == 0;
            l.FPath = Path(at + 12, length, terminated);
            d.FLinks.push_back(l);
            at += 12 + length;
        }
    }

    const std::vector<uint8_t>& FData;
    TReader r;
    TSetupDescription d;
    std::map<uint16_t, std::string> FStrings;
};

} // namespace

TSetupDescription ReadSetupDescription(const std::vector<uint8_t>& data)
{
    return TSetupFileParser(data).Parse();
}
