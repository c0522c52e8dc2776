#include "package/ParallelDeflate.h"
#include "support/RandomData.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::vector<uint8_t> Text(size_t size, unsigned salt)
{
    static const char* const words[] = {"setup", "device", "folder", "registry", "shortcut", "cabinet", "\r\n"};
    std::mt19937 random(salt);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        std::string word = words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(' ');
    }
    out.resize(size);
    return out;
}

// Feeds the data in pieces of the buffer's size, or of `piece` when smaller,
// as a file read in slices does.
TDeflateInput Reader(const std::vector<uint8_t>& data, size_t& offset, size_t piece = SIZE_MAX)
{
    return [&data, &offset, piece](std::vector<uint8_t>& buffer) {
        size_t n = std::min({buffer.size(), data.size() - offset, piece});
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), n, buffer.begin());
        offset += n;
        return n;
    };
}

struct TRun {
    std::vector<uint8_t> Stream;
    TDeflated Result;
};

TRun Deflate(const std::vector<uint8_t>& data, size_t workers, size_t piece = SIZE_MAX)
{
    TRun run;
    size_t offset = 0;
    run.Result = ParallelDeflate(
        Reader(data, offset, piece),
        [&](const std::vector<uint8_t>& p) { run.Stream.insert(run.Stream.end(), p.begin(), p.end()); }, 4, workers);
    return run;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& stream, size_t expected)
{
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
    std::vector<uint8_t> out(expected + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    // The stream ends where the data says, with nothing after it.
    EXPECT_EQ(z.avail_in, 0u);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

uint32_t Crc(const std::vector<uint8_t>& data)
{
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size())));
}

TEST(ParallelDeflateTest, OneStreamThatInflatesToTheDataWhateverTheWorkers)
{
    // Text and noise across several 1 MiB blocks, with an odd tail.
    std::vector<uint8_t> data = Text(1500 * 1024, 1);
    std::vector<uint8_t> noise = RandomBytes(900 * 1024, 2);
    data.insert(data.end(), noise.begin(), noise.end());
    std::vector<uint8_t> tail = Text(777 * 1024 + 13, 3);
    data.insert(data.end(), tail.begin(), tail.end());

    TRun one = Deflate(data, 1);
    EXPECT_EQ(Inflate(one.Stream, data.size()), data);
    EXPECT_EQ(one.Result.Size, data.size());
    EXPECT_EQ(one.Result.Crc, Crc(data));
    EXPECT_EQ(one.Result.PackedSize, one.Stream.size());
    // The text shrinks; the noise is stored, not blown up.
    EXPECT_LT(one.Stream.size(), noise.size() + (data.size() - noise.size()) / 2);

    for (size_t workers : {2u, 3u, 8u})
        EXPECT_EQ(Deflate(data, workers).Stream, one.Stream) << workers << " workers";
}

TEST(ParallelDeflateTest, ShortReadsGiveTheSameData)
{
    std::vector<uint8_t> data = Text(2 * 1024 * 1024 + 5, 4);
    TRun run = Deflate(data, 3, 300 * 1024);
    EXPECT_EQ(Inflate(run.Stream, data.size()), data);
    EXPECT_EQ(run.Result.Crc, Crc(data));
}

TEST(ParallelDeflateTest, NoDataIsAnEmptyStream)
{
    TRun run = Deflate({}, 2);
    EXPECT_TRUE(Inflate(run.Stream, 0).empty());
    EXPECT_EQ(run.Result.Size, 0u);
    EXPECT_EQ(run.Result.Crc, 0u);
    EXPECT_EQ(run.Result.PackedSize, run.Stream.size());
}

} // namespace
