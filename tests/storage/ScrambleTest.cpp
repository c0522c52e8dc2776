#include "storage/uScramble.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"
#include "support/RandomData.h"

#include <gtest/gtest.h>

#include <random>

namespace {

} // namespace

TEST(ScrambleKey, HoldsExactly242PrintableCharacters)
{
    ASSERT_EQ(std::string(ScrambleKey).size(), 242u);
    for (char c : std::string(ScrambleKey)) {
        EXPECT_GE(static_cast<unsigned char>(c), 32);
        EXPECT_LE(static_cast<unsigned char>(c), 126);
    }
}

// File byte n is the plain byte plus key character (n mod 241) + 1: the key
// wraps after its 241st character and never uses the 242nd.
TEST(EncodedStream, KeyCyclesEvery241Bytes)
{
    TempDir dir;
    std::vector<uint8_t> zeros(3 * 241 + 7, 0);
    {
        TEncodedStream out(dir.File("z.dat"), fmCreate);
        out.Write(zeros.data(), zeros.size());
        out.Close();
    }
    std::vector<uint8_t> raw = ReadFileBytes(dir.File("z.dat"));
    ASSERT_EQ(raw.size(), zeros.size());
    for (size_t n = 0; n < raw.size(); ++n)
        ASSERT_EQ(raw[n], static_cast<uint8_t>(ScrambleKey[n % 241])) << "position " << n;
    EXPECT_EQ(raw[240], static_cast<uint8_t>(ScrambleKey[240]));
    EXPECT_EQ(raw[241], static_cast<uint8_t>(ScrambleKey[0]));
}

TEST(EncodedStream, RoundTripsTextsOfManySizes)
{
    TempDir dir;
    for (size_t size : {0u, 1u, 2u, 240u, 241u, 242u, 482u, 483u, 1000u, 65537u}) {
        std::vector<uint8_t> plain = RandomBytes(size, static_cast<unsigned>(size));
        std::string path = dir.File("r" + std::to_string(size));
        {
            TEncodedStream out(path, fmCreate);
            out.Write(plain.data(), plain.size());
            out.Close();
        }
        EXPECT_EQ(FileSize(path), static_cast<int64_t>(size));
        TEncodedStream in(path, fmOpenRead);
        std::vector<uint8_t> back(size + 10, 0xAA);
        ASSERT_EQ(in.Read(back.data(), back.size()), size);
        back.resize(size);
        EXPECT_EQ(back, plain) << "size " << size;
        if (size > 0) {
            // The scrambled file is not the plain text.
            EXPECT_NE(ReadFileBytes(path), plain);
        }
    }
}

// Every request starts the key afresh, so only reads of the written sizes
// give the text back; stored files rely on whole-file requests.
TEST(EncodedStream, KeyPositionRestartsWithEveryRequest)
{
    TempDir dir;
    std::vector<uint8_t> plain = RandomBytes(100, 3);
    {
        TEncodedStream out(dir.File("s.dat"), fmCreate);
        out.Write(plain.data(), 50);
        out.Write(plain.data() + 50, 50);
        out.Close();
    }
    std::vector<uint8_t> raw = ReadFileBytes(dir.File("s.dat"));
    EXPECT_EQ(raw[50], static_cast<uint8_t>(plain[50] + ScrambleKey[0]));

    TEncodedStream in(dir.File("s.dat"), fmOpenRead);
    std::vector<uint8_t> whole(100);
    ASSERT_EQ(in.Read(whole.data(), 100), 100u);
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 50, whole.begin()));
    EXPECT_FALSE(std::equal(plain.begin() + 50, plain.end(), whole.begin() + 50));
}

TEST(EncodedStream, ReportsFilesItCannotOpenOrCreate)
{
    TempDir dir;
    std::string missing = dir.File("missing.dat");
    EXPECT_EQ(ErrorOf([&] { TEncodedStream in(missing, fmOpenRead); }), "Cannot open file " + missing);
    std::string nowhere = dir.File("no/such/folder/x.dat");
    EXPECT_EQ(ErrorOf([&] { TEncodedStream out(nowhere, fmCreate); }), "Cannot create file " + nowhere);
}
