#include "formats/SetupFileReader.h"

#include "common/Exception.h"

#include <bitset>
#include <map>

namespace {

constexpr size_t HeaderSize = 100;

// Little-endian fields of the data, each checked against its end. A failure
// names the part being read ("entry 3 of the file table of X.000"), set by
// the parser before each part.
class TReader {
public:
    TReader(const std::vector<uint8_t>& data, const std::string& name) : FData(data), FName(name) {}

    void Place(const char* part, size_t entry = 0)
    {
        FPart = part;
        FEntry = entry;
    }
    [[noreturn]] void Fail(const std::string& what) const { throw Exception(Where() + " " + what); }

    void Need(size_t at, size_t count) const
    {
        std::string size = "size " + std::to_string(FData.size()) + ")";
        if (at > FData.size())
            Fail("points past its end (offset " + std::to_string(at) + ", " + size);
        if (count > FData.size() - at)
            Fail("runs past its end (offset " + std::to_string(at) + ", length " + std::to_string(count) + ", " + size);
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
    // The text up to the first NUL of a field of `length` bytes; what follows
    // the NUL is padding.
    std::string Text(size_t at, size_t length, bool& padded) const
    {
        Need(at, length);
        size_t nul = NulIn(at, at + length);
        if (nul + 1 < at + length)
            padded = true;
        return std::string(FData.begin() + long(at), FData.begin() + long(nul));
    }
    // The first NUL in [at, end), which must hold one.
    size_t NulIn(size_t at, size_t end) const
    {
        for (size_t i = at; i < end; ++i)
            if (FData[i] == 0)
                return i;
        Fail("has a text without its terminating NUL (offset " + std::to_string(at) + ")");
    }
    size_t Size() const { return FData.size(); }
    uint8_t Byte(size_t at) const { return FData[at]; }

private:
    std::string Where() const
    {
        std::string where = FEntry ? "entry " + std::to_string(FEntry) + " of the " : "the ";
        return where + FPart + " of " + FName;
    }

    const std::vector<uint8_t>& FData;
    const std::string& FName;
    const char* FPart = "header";
    size_t FEntry = 0;
};

std::string JoinPath(const std::vector<std::string>& parts)
{
    std::string path;
    for (size_t i = 0; i < parts.size(); ++i)
        path += (i ? "\\" : "") + parts[i];
    return path;
}

template <typename T>
const T* ById(const std::vector<T>& entries, const std::vector<uint16_t>& ids, uint16_t id)
{
    // Most files number their entries by position.
    if (id > 0 && id <= ids.size() && ids[id - 1] == id && id <= entries.size())
        return &entries[id - 1];
    for (size_t i = 0; i < ids.size() && i < entries.size(); ++i)
        if (ids[i] == id)
            return &entries[i];
    return nullptr;
}

// One pass over the file, table by table; each table's count and offset
// come from the header, and every reference between tables is checked once
// all are read.
class TSetupFileParser {
public:
    TSetupFileParser(const std::vector<uint8_t>& data, const std::string& name) : r(data, name) {}

    TSetupContents Parse()
    {
        ReadHeader();
        ReadUnsupported();
        ReadStrings();
        ReadDirectories();
        ReadFiles();
        ReadHives();
        ReadValues();
        ReadLinks();
        CheckReferences();
        return std::move(c);
    }

private:
    void ReadHeader()
    {
        r.Place("header");
        if (r.Size() < HeaderSize)
            r.Fail("is cut short (" + std::to_string(r.Size()) + " bytes, the header alone has 100)");
        if (r.U32(0) != 0x4543534D)
            r.Fail("lacks the MSCE signature");
        if (r.U32(8) != r.Size())
            r.Fail("gives the file's length as " + std::to_string(r.U32(8)) + ", but it has " +
                   std::to_string(r.Size()) + " bytes");
        d.FWord16 = r.U32(16);
        d.FProcessor = r.U32(20);
        d.FVersionMinMajor = r.U32(24);
        d.FVersionMinMinor = r.U32(28);
        d.FVersionMaxMajor = r.U32(32);
        d.FVersionMaxMinor = r.U32(36);
        d.FBuildMin = r.U32(40);
        d.FBuildMax = r.U32(44);
        size_t appAt = r.U16(84), appLength = r.U16(86), providerAt = r.U16(88), providerLength = r.U16(90);
        r.Place("application name");
        d.FAppName = r.Text(appAt, appLength, c.FPadded);
        r.Place("provider");
        d.FProvider = r.Text(providerAt, providerLength, c.FPadded);
    }

    void ReadUnsupported()
    {
        size_t at = r.U16(92), length = r.U16(94);
        r.Place("unsupported platform list");
        r.Need(at, length);
        for (size_t end = at + length; at < end;) {
            size_t nul = r.NulIn(at, end);
            if (nul == at)
                break; // the empty string closes the list
            bool padded = false;
            d.FUnsupported.push_back(r.Text(at, nul + 1 - at, padded));
            at = nul + 1;
        }
    }

    // Where a table begins; a table may start at the very end when empty.
    size_t TableStart(const char* table, size_t field)
    {
        size_t at = r.U32(field);
        r.Place(table);
        r.Need(at, 0);
        return at;
    }

    void ReadStrings()
    {
        size_t count = r.U16(48);
        for (size_t i = 0, at = TableStart("string table", 60); i < count; ++i) {
            r.Place("string table", i + 1);
            uint16_t id = r.U16(at), length = r.U16(at + 2);
            if (id == 0 || FStrings.count(id))
                r.Fail(id ? "repeats string ID " + std::to_string(id) : std::string("uses string ID 0"));
            FStrings[id] = r.Text(at + 4, length, c.FPadded);
            at += 4 + size_t(length);
        }
    }

    // A list of string IDs, read as the texts they name. A list may end in
    // a 0 (it must when `terminated`); only 0s may follow it, as padding.
    std::vector<std::string> Path(size_t at, size_t length, bool terminated) const
    {
        if (length % 2 != 0)
            r.Fail("has a path list of odd length " + std::to_string(length));
        r.Need(at, length);
        std::vector<std::string> parts;
        size_t k = 0;
        for (; k < length / 2 && r.U16(at + 2 * k) != 0; ++k) {
            uint16_t id = r.U16(at + 2 * k);
            auto it = FStrings.find(id);
            if (it == FStrings.end())
                r.Fail("names string ID " + std::to_string(id) + ", which the string table lacks");
            parts.push_back(it->second);
        }
        if (terminated && k == length / 2)
            r.Fail("lacks the 0 that ends its path list");
        for (; k < length / 2; ++k)
            if (r.U16(at + 2 * k) != 0)
                r.Fail("has string ID 0 inside its path list");
        return parts;
    }

    // The ID at the start of an entry, nonzero and not seen before in its table.
    uint16_t EntryId(size_t at, std::vector<uint16_t>& ids)
    {
        uint16_t id = r.U16(at);
        if (id == 0)
            r.Fail("has ID 0");
        if (ids.empty())
            FSeen.reset();
        if (FSeen.test(id))
            r.Fail("repeats ID " + std::to_string(id));
        FSeen.set(id);
        ids.push_back(id);
        return id;
    }

    void ReadDirectories()
    {
        size_t count = r.U16(50);
        for (size_t i = 0, at = TableStart("directory table", 64); i < count; ++i) {
            r.Place("directory table", i + 1);
            // The vendor's tool numbers from 2 when the .inf has no
            // DefaultDestDir and writes ID 1 last: any order, no ID twice.
            uint16_t id = EntryId(at, c.FDirectoryIds);
            uint16_t length = r.U16(at + 2);
            d.FDirectories.push_back(TSetupDirectory{Path(at + 4, length, true), id});
            at += 4 + size_t(length);
        }
    }

    void ReadFiles()
    {
        size_t count = r.U16(52);
        for (size_t i = 0, at = TableStart("file table", 68); i < count; ++i) {
            r.Place("file table", i + 1);
            EntryId(at, c.FFileIds);
            TSetupFile f;
            f.FDirectoryId = r.U16(at + 2);
            f.FUnknown = r.U16(at + 4);
            f.FFlags = r.U32(at + 6);
            uint16_t length = r.U16(at + 10);
            f.FName = r.Text(at + 12, length, c.FPadded);
            d.FFiles.push_back(std::move(f));
            at += 12 + size_t(length);
        }
    }

    void ReadHives()
    {
        size_t count = r.U16(54);
        for (size_t i = 0, at = TableStart("registry key table", 72); i < count; ++i) {
            r.Place("registry key table", i + 1);
            EntryId(at, c.FHiveIds);
            TSetupHive h;
            h.FRoot = r.U16(at + 2);
            uint16_t length = r.U16(at + 6);
            h.FPath = Path(at + 8, length, true);
            d.FHives.push_back(std::move(h));
            at += 8 + size_t(length);
        }
    }

    // Where a value's data starts after its name's NUL at `nul`. Files with
    // padded texts pad the name to 4 bytes too; the padding is taken as
    // such only when it is all NULs and leaves a DWORD its 4 bytes.
    size_t ValueDataStart(size_t at, size_t nul, size_t end, uint32_t flags) const
    {
        size_t padded = at + (nul + 1 - at + 3) / 4 * 4;
        if (!c.FPadded || padded > end)
            return nul + 1;
        for (size_t i = nul + 1; i < padded; ++i)
            if (r.Byte(i) != 0)
                return nul + 1;
        bool dword = (flags & 0x00010001) == 0x00010001;
        return dword && end - padded != 4 ? nul + 1 : padded;
    }

    void ReadValues()
    {
        size_t count = r.U16(56);
        for (size_t i = 0, at = TableStart("registry value table", 76); i < count; ++i) {
            r.Place("registry value table", i + 1);
            EntryId(at, c.FValueIds);
            TSetupValue v;
            v.FHiveId = r.U16(at + 2);
            v.FSubstitute = r.U16(at + 4) != 0;
            v.FFlags = r.U32(at + 6);
            size_t length = r.U16(at + 10), start = at + 12, end = start + length;
            r.Need(start, length);
            size_t nul = r.NulIn(start, end);
            bool padded = false;
            v.FName = r.Text(start, nul + 1 - start, padded);
            for (size_t k = ValueDataStart(start, nul, end, v.FFlags); k < end; ++k)
                v.FData.push_back(r.Byte(k));
            d.FValues.push_back(std::move(v));
            at = end;
        }
    }

    void ReadLinks()
    {
        size_t count = r.U16(58);
        for (size_t i = 0, at = TableStart("shortcut table", 80); i < count; ++i) {
            r.Place("shortcut table", i + 1);
            EntryId(at, c.FLinkIds);
            TSetupLink l;
            l.FDirectoryId = r.U16(at + 2);
            l.FBase = r.U16(at + 4);
            l.FTarget = r.U16(at + 6);
            l.FTargetIsFile = r.U16(at + 8) == 1;
            uint16_t length = r.U16(at + 10);
            // With or without the terminating 0: both forms are in use.
            l.FPath = Path(at + 12, length, false);
            if (l.FPath.empty())
                r.Fail("has no shortcut name");
            d.FLinks.push_back(std::move(l));
            at += 12 + size_t(length);
        }
    }

    using TIdSet = std::bitset<0x10000>;

    static TIdSet IdSet(const std::vector<uint16_t>& ids)
    {
        TIdSet set;
        for (uint16_t id : ids)
            set.set(id);
        return set;
    }

    void CheckReferences()
    {
        TIdSet dirs = IdSet(c.FDirectoryIds), files = IdSet(c.FFileIds), hives = IdSet(c.FHiveIds);
        auto check = [this](const char* table, size_t entry, bool found, const char* what, uint16_t id) {
            r.Place(table, entry);
            if (!found)
                r.Fail("names " + std::string(what) + " " + std::to_string(id) + ", which the file lacks");
        };
        for (size_t i = 0; i < d.FFiles.size(); ++i)
            check("file table", i + 1, dirs.test(d.FFiles[i].FDirectoryId), "directory", d.FFiles[i].FDirectoryId);
        for (size_t i = 0; i < d.FValues.size(); ++i)
            check("registry value table", i + 1, hives.test(d.FValues[i].FHiveId), "registry key",
                  d.FValues[i].FHiveId);
        for (size_t i = 0; i < d.FLinks.size(); ++i) {
            const TSetupLink& l = d.FLinks[i];
            check("shortcut table", i + 1, l.FDirectoryId == 0 || dirs.test(l.FDirectoryId), "directory",
                  l.FDirectoryId);
            if (l.FTargetIsFile)
                check("shortcut table", i + 1, files.test(l.FTarget), "target file", l.FTarget);
            else
                check("shortcut table", i + 1, l.FTarget == 0 || dirs.test(l.FTarget), "target directory", l.FTarget);
        }
    }

    TReader r;
    TSetupContents c;
    TSetupDescription& d = c.FSetup;
    std::map<uint16_t, std::string> FStrings;
    TIdSet FSeen; // the IDs of the table being read
};

} // namespace

const TSetupDirectory* TSetupContents::Directory(uint16_t id) const
{
    return ById(FSetup.FDirectories, FDirectoryIds, id);
}

const TSetupFile* TSetupContents::File(uint16_t id) const
{
    return ById(FSetup.FFiles, FFileIds, id);
}

const TSetupHive* TSetupContents::Hive(uint16_t id) const
{
    return ById(FSetup.FHives, FHiveIds, id);
}

std::string TSetupContents::DirectoryPath(uint16_t id) const
{
    const TSetupDirectory* d = Directory(id);
    return d ? JoinPath(d->FPath) : std::string();
}

std::string TSetupContents::LinkFolder(const TSetupLink& link) const
{
    std::string folder;
    if (link.FDirectoryId != 0)
        folder = DirectoryPath(link.FDirectoryId);
    else
        folder = link.FBase == 0 ? "%InstallDir%" : "%CE" + std::to_string(link.FBase) + "%";
    // Older files put subfolders of the base into the path list, before the name.
    for (size_t i = 0; i + 1 < link.FPath.size(); ++i)
        folder += "\\" + link.FPath[i];
    return folder;
}

std::string TSetupContents::LinkTarget(const TSetupLink& link) const
{
    if (!link.FTargetIsFile)
        return link.FTarget == 0 ? "%InstallDir%" : DirectoryPath(link.FTarget);
    const TSetupFile* file = File(link.FTarget);
    if (!file)
        return std::string();
    return DirectoryPath(file->FDirectoryId) + "\\" + file->FName;
}

TSetupContents ReadSetupContents(const std::vector<uint8_t>& data, const std::string& name)
{
    return TSetupFileParser(data, name).Parse();
}

TSetupDescription ReadSetupDescription(const std::vector<uint8_t>& data)
{
    TSetupContents contents = ReadSetupContents(data);
    auto inOrder = [](const std::vector<uint16_t>& ids, const char* table) {
        for (size_t i = 0; i < ids.size(); ++i)
            if (ids[i] != i + 1)
                throw Exception(std::string("the ") + table + " of the setup file is not numbered in order (entry " +
                                std::to_string(i + 1) + " has ID " + std::to_string(ids[i]) + ")");
    };
    // Directories carry their IDs (TSetupDirectory::FId) and may come in
    // any order; files are looked up by their place.
    inOrder(contents.FFileIds, "file table");
    return std::move(contents.FSetup);
}
