#include "formats/CabReader.h"

#include "common/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <tuple>

namespace {

using TBytes = std::vector<uint8_t>;

void Put16(TBytes& b, size_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void Put32(TBytes& b, size_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutText(TBytes& b, const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}

TBytes TextBytes(const std::string& s)
{
    return TBytes(s.begin(), s.end());
}

// Bits most significant first into 16-bit little-endian words, as LZX reads them.
class TLzxBits {
public:
    void Put(uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            FWord = uint16_t(FWord << 1 | ((value >> i) & 1));
            if (++FBits == 16)
                Flush();
        }
    }
    // Pads the last word with zeros.
    TBytes Done()
    {
        if (FBits)
            Put(0, 16 - FBits);
        return FOut;
    }

private:
    void Flush()
    {
        Put16(FOut, FWord);
        FWord = 0;
        FBits = 0;
    }
    TBytes FOut;
    uint16_t FWord = 0;
    int FBits = 0;
};

// The folder's data as one uncompressed LZX block: no E8 translation, block
// type 3, the 24-bit length, padding to 16 bits, R0..R2, the bytes.
TBytes LzxUncompressed(const TBytes& data)
{
    TLzxBits bits;
    bits.Put(0, 1);
    bits.Put(3, 3);
    bits.Put(uint32_t(data.size()) >> 8, 16);
    bits.Put(uint32_t(data.size()) & 0xFF, 8);
    TBytes out = bits.Done();
    for (int r = 0; r < 3; ++r)
        Put32(out, 1);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2)
        out.push_back(0);
    return out;
}

struct TMemberBytes {
    std::string Name;
    TBytes Data;
};

// A cabinet of one folder in one data block (the members fit 32 KiB):
// stored, or LZX with window 2^15 in an uncompressed LZX block. A header
// reserve of 20 bytes and bytes after the cabinet stand for the signature
// of a signed redistributable. `prev` and `next` name the neighbours of a
// cabinet in a set.
TBytes MakeCab(const std::vector<TMemberBytes>& members, bool lzx, bool signedLike = false,
               const std::string& prev = "", const std::string& next = "")
{
    TBytes names;
    for (const std::string& name : {prev, next})
        if (!name.empty()) {
            PutText(names, name);
            PutText(names, "Disk");
        }
    TBytes all, files;
    for (const auto& m : members) {
        Put32(files, m.Data.size());
        Put32(files, all.size());
        Put16(files, 0);
        Put16(files, 0x5A21); // 2025-01-01
        Put16(files, 0);
        Put16(files, 0x20);
        PutText(files, m.Name);
        all.insert(all.end(), m.Data.begin(), m.Data.end());
    }
    TBytes block = lzx ? LzxUncompressed(all) : all;
    size_t header = 36 + (signedLike ? 4 + 20 : 0) + names.size(), folderAt = header, filesAt = folderAt + 8;
    size_t dataAt = filesAt + files.size(), total = dataAt + 8 + block.size();
    TBytes cab = TextBytes("MSCF");
    Put32(cab, 0);
    Put32(cab, total);
    Put32(cab, 0);
    Put32(cab, filesAt);
    Put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    Put16(cab, 1);
    Put16(cab, members.size());
    Put16(cab, (signedLike ? 4 : 0) | (prev.empty() ? 0 : 1) | (next.empty() ? 0 : 2));
    Put16(cab, 7); // set ID
    Put16(cab, prev.empty() ? 0 : 1);
    if (signedLike) {
        Put16(cab, 20);
        Put16(cab, 0);
        cab.insert(cab.end(), 20, 0xAB);
    }
    cab.insert(cab.end(), names.begin(), names.end());
    Put32(cab, dataAt);
    Put16(cab, 1);
    Put16(cab, lzx ? 0x0F03 : 0);
    cab.insert(cab.end(), files.begin(), files.end());
    Put32(cab, 0); // no checksum
    Put16(cab, block.size());
    Put16(cab, all.size());
    cab.insert(cab.end(), block.begin(), block.end());
    if (signedLike)
        cab.insert(cab.end(), 64, 0x30); // the signature after the cabinet
    return cab;
}

TSetupDescription SmallSetup()
{
    TSetupDescription d;
    d.FAppName = "Tiny";
    d.FProvider = "Firm";
    d.FProcessor = 2577;
    d.FWord16 = 1;
    d.FDirectories = {{{"%CE1%\\Firm\\Tiny"}}};
    d.FFiles = {{1, 1, 0x20000000, "tiny.exe"}};
    d.FHives = {{3, {"Software\\Firm"}}};
    d.FValues = {{1, false, 0x00010001, "Count", {7, 0, 0, 0}}};
    d.FLinks = {{1, 0, 1, true, {"Tiny.lnk"}}};
    return d;
}

std::vector<TMemberBytes> SmallMembers()
{
    return {{"000Tiny.000", SmallSetup().Write()},
            {"00000tiny.001", TextBytes("MZ tiny program, 33 bytes of it!")},
            {"_setup.xml", TextBytes("<wap-provisioningdoc/>")}};
}

TEST(CabReaderTest, ReadsStoredAndLzxFoldersWithOrWithoutASignatureReserve)
{
    for (bool lzx : {false, true})
        for (bool signedLike : {false, true}) {
            SCOPED_TRACE(std::string(lzx ? "LZX" : "stored") + (signedLike ? ", signed" : ""));
            TCabReader cab(MakeCab(SmallMembers(), lzx, signedLike), "Tiny.CAB");
            ASSERT_EQ(cab.Members().size(), 3u);
            EXPECT_EQ(cab.Members()[1].FCompression, lzx ? 3 : 0);
            EXPECT_EQ(cab.Setup().FSetup.FAppName, "Tiny");
            std::vector<TCabFile> files = cab.Files();
            ASSERT_EQ(files.size(), 1u);
            EXPECT_EQ(files[0].FFile->FName, "tiny.exe");
            EXPECT_EQ(files[0].FMember->FName, "00000tiny.001");
            EXPECT_EQ(cab.ExtractToMemory(*files[0].FMember, 1000), SmallMembers()[1].Data);
            ASSERT_EQ(cab.OtherMembers().size(), 1u);
            EXPECT_EQ(cab.OtherMembers()[0]->FName, "_setup.xml");
            EXPECT_EQ(cab.SetupDll(), nullptr);
            EXPECT_NO_THROW(cab.Verify());
        }
}

TEST(CabReaderTest, FollowsACabinetSetFromItsFirstPart)
{
    TempDir dir;
    std::vector<TMemberBytes> members = SmallMembers();
    auto write = [&](const std::string& name, const TBytes& bytes) {
        dir.Write(name, std::string(bytes.begin(), bytes.end()));
    };
    write("Set1.CAB", MakeCab({members[0], members[1]}, false, false, "", "Set2.CAB"));
    write("Set2.CAB", MakeCab({members[2]}, true, false, "Set1.CAB", ""));
    TCabReader cab(dir.File("Set1.CAB"));
    ASSERT_EQ(cab.Members().size(), 3u);
    EXPECT_EQ(cab.Members()[2].FCompression, 3);
    EXPECT_EQ(cab.ExtractToMemory(cab.Members()[2], 100), members[2].Data);
    EXPECT_EQ(ErrorOf([&] { TCabReader second(dir.File("Set2.CAB")); }),
              "Set2.CAB is not the first cabinet of its set: it continues Set1.CAB; open that one");
    std::remove(dir.File("Set2.CAB").c_str());
    EXPECT_EQ(ErrorOf([&] { TCabReader first(dir.File("Set1.CAB")); }).find("Set2.CAB cannot be opened"), 0u);
}

TEST(CabReaderTest, StreamsToAFileAndRefusesMoreThanTheMemoryLimit)
{
    TempDir dir;
    TCabReader cab(MakeCab(SmallMembers(), true), "Tiny.CAB");
    const TCabMember& program = *cab.Member(1);
    cab.ExtractToFile(program, dir.File("tiny.exe"));
    EXPECT_EQ(dir.Read("tiny.exe"), "MZ tiny program, 33 bytes of it!");
    EXPECT_EQ(ErrorOf([&] { cab.ExtractToMemory(program, 10); }),
              "member 00000tiny.001 of Tiny.CAB is too large to read into memory (32 bytes, at most 10)");
}

// The .000 of the IDE's smart-device projects, from bytes: texts padded to
// 4 bytes, one text under two string IDs, folders as component lists with
// the install folder string reused, directories numbered from 2 out of
// order, the file record's third field 0, a value name padded before its
// DWORD, a shortcut as directory 0 with base 11 and no terminating 0.
TBytes IdeSetupFile()
{
    TBytes b(100, 0), strings, dirs, files, hives, values, links;
    auto text = [](TBytes& to, const std::string& s) {
        size_t length = (s.size() + 4) / 4 * 4;
        Put16(to, length);
        to.insert(to.end(), s.begin(), s.end());
        to.insert(to.end(), length - s.size(), 0);
    };
    const char* const texts[] = {"%CE1%\\Firm\\App", "Data", "Software", "Firm", "Firm", "App.lnk"};
    for (uint16_t id = 1; id <= 6; ++id) {
        Put16(strings, id);
        text(strings, texts[id - 1]);
    }
    for (auto [id, parts] : {std::pair<int, std::vector<int>>{3, {1, 2}}, {2, {1}}}) {
        Put16(dirs, id);
        Put16(dirs, 2 * (parts.size() + 1));
        for (int p : parts)
            Put16(dirs, p);
        Put16(dirs, 0);
    }
    for (auto [id, dir, name] : {std::tuple<int, int, std::string>{1, 2, "app.exe"}, {2, 3, "a.dat"}}) {
        Put16(files, id), Put16(files, dir), Put16(files, 0), Put32(files, 0x00000001);
        text(files, name);
    }
    Put16(hives, 1), Put16(hives, 3), Put16(hives, 0), Put16(hives, 6), Put16(hives, 3), Put16(hives, 5);
    Put16(hives, 0);
    Put16(values, 1), Put16(values, 1), Put16(values, 0), Put32(values, 0x00010001), Put16(values, 8 + 4);
    values.insert(values.end(), {'S', 'i', 'z', 'e', 0, 0, 0, 0, 9, 0, 0, 0});
    Put16(links, 1), Put16(links, 0), Put16(links, 11), Put16(links, 1), Put16(links, 1), Put16(links, 2);
    Put16(links, 6);
    auto at = [&](size_t field, size_t value) { b[field] = uint8_t(value), b[field + 1] = uint8_t(value >> 8); };
    at(84, b.size()), at(86, 8), b.insert(b.end(), {'A', 'p', 'p', 0, 0, 0, 0, 0});
    at(88, b.size()), at(90, 8), b.insert(b.end(), {'F', 'i', 'r', 'm', 0, 0, 0, 0});
    at(92, b.size()), at(94, 0);
    size_t field = 60;
    for (const TBytes* table : {&strings, &dirs, &files, &hives, &values, &links}) {
        at(field, b.size());
        field += 4;
        b.insert(b.end(), table->begin(), table->end());
    }
    at(48, 6), at(50, 2), at(52, 2), at(54, 1), at(56, 1), at(58, 1), at(16, 2);
    b[0] = 'M', b[1] = 'S', b[2] = 'C', b[3] = 'E', at(8, b.size());
    return b;
}

TEST(SetupContentsTest, ReadsTheIdeEncoding)
{
    TSetupContents c = ReadSetupContents(IdeSetupFile(), "App.000");
    EXPECT_TRUE(c.FPadded);
    EXPECT_EQ(c.FSetup.FAppName, "App");
    EXPECT_EQ(c.FSetup.FProvider, "Firm");
    EXPECT_EQ(c.FDirectoryIds, (std::vector<uint16_t>{3, 2}));
    EXPECT_EQ(c.DirectoryPath(2), "%CE1%\\Firm\\App");
    EXPECT_EQ(c.DirectoryPath(3), "%CE1%\\Firm\\App\\Data");
    ASSERT_EQ(c.FSetup.FFiles.size(), 2u);
    EXPECT_EQ(c.FSetup.FFiles[1].FName, "a.dat");
    EXPECT_EQ(c.FSetup.FFiles[1].FUnknown, 0);
    EXPECT_EQ(c.FSetup.FHives[0].FPath, (std::vector<std::string>{"Software", "Firm"}));
    ASSERT_EQ(c.FSetup.FValues.size(), 1u);
    EXPECT_EQ(c.FSetup.FValues[0].FName, "Size");
    EXPECT_EQ(c.FSetup.FValues[0].FData, (TBytes{9, 0, 0, 0}));
    ASSERT_EQ(c.FSetup.FLinks.size(), 1u);
    EXPECT_EQ(c.LinkFolder(c.FSetup.FLinks[0]), "%CE11%");
    EXPECT_EQ(c.LinkTarget(c.FSetup.FLinks[0]), "%CE1%\\Firm\\App\\app.exe");
    EXPECT_EQ(c.FSetup.FLinks[0].FPath, (std::vector<std::string>{"App.lnk"}));
    // The description keeps each directory's ID, so it holds this file too.
    TSetupDescription d = ReadSetupDescription(IdeSetupFile());
    ASSERT_NE(d.Directory(3), nullptr);
    EXPECT_EQ(d.Directory(3), &d.FDirectories[0]);
    EXPECT_EQ(d.Directory(1), nullptr);
}

TEST(CabReaderTest, MapsTheMembersOfAnIdeCabByFileId)
{
    const std::vector<TMemberBytes> members = {{"App.000", IdeSetupFile()},
                                               {"SYE9D3~1.002", TextBytes("data")},
                                               {"00000app.001", TextBytes("MZ")},
                                               {"_setup.xml", TextBytes("<wap-provisioningdoc/>")}};
    TCabReader cab(MakeCab(members, false, true), "App.CAB");
    std::vector<TCabFile> files = cab.Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].FMember->FName, "00000app.001");
    EXPECT_EQ(files[1].FMember->FName, "SYE9D3~1.002");
    EXPECT_EQ(cab.Setup().DirectoryPath(files[1].FFile->FDirectoryId), "%CE1%\\Firm\\App\\Data");
    ASSERT_EQ(cab.OtherMembers().size(), 1u);
    EXPECT_EQ(cab.OtherMembers()[0]->FName, "_setup.xml");
}

struct TDamage {
    const char* What;
    std::function<void(TBytes&)> Break;
    const char* Message;
};

TEST(SetupContentsTest, DamageIsNamed)
{
    const TDamage cases[] = {
        {"cut", [](TBytes& b) { b.resize(60); },
         "the header of X.000 is cut short (60 bytes, the header alone has 100)"},
        {"length", [](TBytes& b) { b.push_back(0); },
         "the header of X.000 gives the file's length as 208, but it has 209 bytes"},
        {"signature", [](TBytes& b) { b[0] = 'm'; }, "the header of X.000 lacks the MSCE signature"},
        {"strings past end", [](TBytes& b) { b[60] = 0xF0; },
         "the string table of X.000 points past its end (offset 240, size 208)"},
        {"count past end", [](TBytes& b) { b[56] = 40; },
         "entry 2 of the registry value table of X.000 runs past its end (offset 208, length 2, size 208)"},
        {"unknown string", [](TBytes& b) { b[b[64] + 4] = 9; },
         "entry 1 of the directory table of X.000 names string ID 9, which the string table lacks"},
        {"unknown directory", [](TBytes& b) { b[b[68] + 2] = 5; },
         "entry 1 of the file table of X.000 names directory 5, which the file lacks"},
        {"unterminated name", [](TBytes& b) { b[b[68] + 12 + 8] = 'x'; },
         "entry 1 of the file table of X.000 has a text without its terminating NUL"},
    };
    TSetupDescription d = SmallSetup();
    d.FLinks.clear();
    d.FProvider = "F";
    for (const TDamage& c : cases) {
        TBytes bytes = d.Write();
        ASSERT_EQ(bytes.size(), 208u);
        c.Break(bytes);
        std::string message = ErrorOf([&] { ReadSetupContents(bytes, "X.000"); });
        EXPECT_EQ(message.find(c.Message), 0u) << c.What << ": " << message;
    }
}

TEST(CabReaderTest, DamagedCabsAreNamed)
{
    TBytes good = MakeCab(SmallMembers(), false), lzx = MakeCab(SmallMembers(), true);
    std::vector<TMemberBytes> noProgram = SmallMembers(), noSetup = SmallMembers();
    noProgram.erase(noProgram.begin() + 1);
    noSetup.erase(noSetup.begin());
    // The LZX block type, bits 14..12 of the block's first word (its second
    // byte): 3 becomes 7, which no LZX block has.
    TBytes badLzx = lzx, all;
    for (const auto& m : SmallMembers())
        all.insert(all.end(), m.Data.begin(), m.Data.end());
    badLzx[lzx.size() - LzxUncompressed(all).size() + 1] ^= 0x40;
    const std::pair<TBytes, const char*> cases[] = {
        {TBytes(good.begin(), good.begin() + 60), "T.CAB is cut short"},
        {TBytes(good.begin(), good.end() - 10), "T.CAB is cut short: its header gives"},
        {TextBytes("MSCX and more bytes than a header has, more, more, more"), "T.CAB is not a cabinet file"},
        {MakeCab(noProgram, false), "T.CAB lacks the member numbered 1, which carries file \"tiny.exe\""},
        {MakeCab(noSetup, false), "T.CAB holds no setup file (no member numbered .000)"},
        {badLzx, "T.CAB is damaged (its compressed data cannot be unpacked) in member"},
    };
    for (const auto& [bytes, expected] : cases) {
        std::string message = ErrorOf([&] {
            TCabReader cab(bytes, "T.CAB");
            cab.Files();
            cab.Verify();
        });
        EXPECT_EQ(message.find(expected), 0u) << message;
    }
}

} // namespace
