#include "formats/SfxLayout.h"

#include "PeFixture.h"
#include "ZipFixture.h"
#include "common/Exception.h"
#include "common/Platform.h"
#include "formats/SfxArchive.h"
#include "support/MemorySource.h"
#include "support/TestSupport.h"
#include "tools/makesfx/MakeSfx.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::vector<std::pair<std::string, std::string>> Entries = {
    {"Setup.exe", std::string(3000, 'p')},
    {"Demo.CAB", std::string(70000, 'c') + "end"},
};

// A package as makesfx writes it around a stub of stubSize bytes whose
// headers are PE32 or PE32+.
std::string MakePackage(bool wide, size_t stubSize)
{
    TempDir dir;
    std::string stub = MinimalPeHeaders(wide);
    stub.resize(stubSize, '\x90');
    dir.Write("stub.exe", stub);
    WriteTestZip(dir.File("a.zip"), Entries);
    TMakeSfxOptions options;
    options.Zip = dir.File("a.zip");
    options.Sfx = dir.File("Setup.exe");
    options.Settings.Title = "Viewer";
    options.Settings.Exec = "$temp$\\Setup.exe";
    TMakeSfx::Make(options, dir.File("stub.exe"));
    const std::vector<uint8_t> bytes = ReadFileBytes(options.Sfx);
    return std::string(bytes.begin(), bytes.end());
}

// What the stub would unpack from the file, read through its layout.
std::map<std::string, std::string> Unpack(const std::string& file)
{
    TMemorySource whole(file);
    const TSfxLayout layout = TSfxLayout::Read(whole);
    EXPECT_EQ(layout.Settings.Exec, "$temp$\\Setup.exe");
    TMemorySource archiveBytes(file.substr(layout.ArchiveStart, layout.ArchiveSize));
    TSfxArchive archive(archiveBytes);
    std::map<std::string, std::string> files;
    for (const TSfxEntry& e : archive.Entries())
        archive.Extract(e,
                        [&](const uint8_t* p, size_t n) { files[e.Name].append(reinterpret_cast<const char*>(p), n); });
    return files;
}

} // namespace

// Stub sizes 0..7 above a multiple of eight give every padding a signer
// may put in front of its table.
TEST(SfxLayoutTest, SignedAndUnsignedPackagesUnpackAlike)
{
    const std::map<std::string, std::string> expected(Entries.begin(), Entries.end());
    for (bool wide : {false, true})
        for (size_t extra = 0; extra < 8; ++extra) {
            const std::string unsignedFile = MakePackage(wide, 1024 + extra);
            const std::string signedFile = WithCertificateTable(unsignedFile);
            SCOPED_TRACE((wide ? "PE32+ " : "PE32 ") + std::to_string(unsignedFile.size() % 8));

            EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(unsignedFile)), unsignedFile.size());
            const uint64_t padded = (unsignedFile.size() + 7) / 8 * 8;
            EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(signedFile)), padded);
            EXPECT_EQ(Unpack(unsignedFile), expected);
            EXPECT_EQ(Unpack(signedFile), expected);
        }
}

TEST(SfxLayoutTest, FilesWithoutACertificateTableEndAtTheirSize)
{
    const std::string package = MakePackage(false, 1024);
    // Not a program at all, as the tests compose packages by hand.
    std::string notPe = package;
    notPe[0] = 'X';
    EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(notPe)), notPe.size());
    // Headers too short to reach the security entry: whatever lies there
    // is section data, not a table.
    std::string fewDirectories = WithSecurityEntry(package, 8, 8);
    fewDirectories[0x80 + 24 + 92] = 4;
    EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(fewDirectories)), fewDirectories.size());
    std::string shortHeader = WithSecurityEntry(package, 8, 8);
    shortHeader[0x80 + 4 + 16] = static_cast<char>(96 + 4 * 8); // ends before entry 4
    EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(shortHeader)), shortHeader.size());
    // e_lfanew far beyond the file.
    std::string farHeader = package;
    farHeader[0x3f] = '\x7f';
    EXPECT_EQ(TSfxLayout::PayloadEnd(TMemorySource(farHeader)), farHeader.size());
}

TEST(SfxLayoutTest, BrokenCertificateEntriesFailCleanly)
{
    const std::string signedFile = WithCertificateTable(MakePackage(true, 1027));
    const uint32_t size = static_cast<uint32_t>(signedFile.size());
    const uint32_t table = static_cast<uint32_t>(TSfxLayout::PayloadEnd(TMemorySource(signedFile)));
    const uint32_t tableSize = size - table;
    struct Case {
        const char* what;
        uint32_t offset, length;
    } cases[] = {
        {"beyond the file", size + 8, 16},
        {"running past the end", table, tableSize + 8},
        {"size wrapping around", table, 0xFFFFFFF8u},
        {"offset wrapping around", 0xFFFFFFF8u, 16},
        {"inside the headers", 8, 16},
        {"not aligned", table - 4, tableSize + 4},
        {"shorter than a certificate header", table, 4},
        {"size without offset", 0, 16},
    };
    for (const Case& c : cases)
        EXPECT_THROW(TSfxLayout::Read(TMemorySource(WithSecurityEntry(signedFile, c.offset, c.length))), Exception)
            << c.what;

    // The table's first certificate claims more than the table holds.
    std::string overlong = signedFile;
    overlong[table] = static_cast<char>(0xFF);
    overlong[table + 1] = static_cast<char>(0xFF);
    EXPECT_THROW(TSfxLayout::Read(TMemorySource(overlong)), Exception);
}

// Every pairing of telling offsets and sizes either reads the right archive
// or raises Exception; nothing else may happen.
TEST(SfxLayoutTest, AnyCertificateEntryReadsTheArchiveOrRaises)
{
    const std::string signedFile = WithCertificateTable(MakePackage(false, 2001));
    const uint32_t size = static_cast<uint32_t>(signedFile.size());
    const uint32_t table = static_cast<uint32_t>(TSfxLayout::PayloadEnd(TMemorySource(signedFile)));
    const std::map<std::string, std::string> expected(Entries.begin(), Entries.end());
    int read = 0;
    for (uint32_t offset : {0u, 1u, 8u, 0x200u, table - 8, table - 1, table, table + 8, size - 8, size, size + 8,
                            0x7FFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFFFu})
        for (uint32_t length : {0u, 1u, 7u, 8u, size - table, size - table + 8, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            const std::string file = WithSecurityEntry(signedFile, offset, length);
            try {
                EXPECT_EQ(Unpack(file), expected) << offset << " " << length;
                ++read;
            } catch (const Exception&) {
            }
        }
    // The true entry at least reads.
    EXPECT_GE(read, 1);
}
