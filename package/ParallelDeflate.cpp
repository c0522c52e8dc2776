#include "package/ParallelDeflate.h"

#include "common/Exception.h"

#include <zlib.h>

#include <algorithm>
#include <future>
#include <thread>

namespace {

// A slice is deflated at the real level only when a trial of TrialSize
// bytes from its middle comes down to this share (in 1/1000) under the
// fastest deflate.
constexpr uLong WorthDeflating = 970;
constexpr size_t ChunkSize = 128 * 1024;
constexpr size_t TrialSize = 8 * 1024;
constexpr size_t BlockSize = 1024 * 1024;
constexpr size_t DictionarySize = 32 * 1024;
constexpr size_t MaxWorkers = 8;

class TDeflateStream {
public:
    explicit TDeflateStream(int level)
    {
        // Raw deflate, as a ZIP entry holds it.
        if (deflateInit2(&FStream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Exception("Cannot start the deflate compressor.");
    }
    ~TDeflateStream() { deflateEnd(&FStream); }
    TDeflateStream(const TDeflateStream&) = delete;
    TDeflateStream& operator=(const TDeflateStream&) = delete;
    z_stream* operator->() { return &FStream; }
    z_stream* Get() { return &FStream; }

private:
    z_stream FStream{};
};

bool SliceWorthDeflating(TDeflateStream& trial, std::vector<Bytef>& scratch, const Bytef* data, size_t size)
{
    size_t sample = std::min(size, TrialSize);
    deflateReset(trial.Get());
    trial->next_in = const_cast<Bytef*>(data + (size - sample) / 2);
    trial->avail_in = static_cast<uInt>(sample);
    trial->next_out = scratch.data();
    trial->avail_out = static_cast<uInt>(scratch.size());
    if (deflate(trial.Get(), Z_FINISH) != Z_STREAM_END)
        return true;
    return trial->total_out * 1000 < sample * WorthDeflating;
}

// Deflates one block as a run of deflate blocks that ends on a byte
// boundary (a sync flush), so blocks deflated apart join into one stream.
// Each slice of the block is deflated at the given level or, when it does
// not shrink, written as stored blocks.
void DeflateBlock(const Bytef* data, size_t size, const Bytef* dictionary, size_t dictionarySize, int level,
                  std::vector<Bytef>& result)
{
    TDeflateStream stream(level);
    TDeflateStream trial(1);
    std::vector<Bytef> scratch(compressBound(TrialSize));
    result.resize(compressBound(static_cast<uLong>(size)) + 1024);
    size_t used = 0;
    auto room = [&] {
        // Room for whatever a level change or a flush may put out at once.
        if (result.size() - used < 256 * 1024)
            result.resize(std::max(result.size() * 2, used + 256 * 1024));
        stream->next_out = result.data() + used;
        stream->avail_out = static_cast<uInt>(result.size() - used);
    };
    auto took = [&] { used = result.size() - stream->avail_out; };
    auto fail = [] { throw Exception("Cannot deflate the data for the archive."); };

    if (dictionarySize > 0 && deflateSetDictionary(stream.Get(), dictionary, static_cast<uInt>(dictionarySize)) != Z_OK)
        fail();
    int current = level;
    for (size_t offset = 0; offset < size; offset += ChunkSize) {
        size_t n = std::min(ChunkSize, size - offset);
        // Level 0 writes stored blocks inside the same stream; a change of
        // level closes the current block first.
        int wanted = SliceWorthDeflating(trial, scratch, data + offset, n) ? level : 0;
        if (wanted != current) {
            int status;
            do {
                room();
                status = deflateParams(stream.Get(), wanted, Z_DEFAULT_STRATEGY);
                took();
            } while (status == Z_BUF_ERROR && stream->avail_out == 0);
            if (status != Z_OK)
                fail();
            current = wanted;
        }
        stream->next_in = const_cast<Bytef*>(data + offset);
        stream->avail_in = static_cast<uInt>(n);
        do {
            room();
            if (deflate(stream.Get(), Z_NO_FLUSH) == Z_STREAM_ERROR)
                fail();
            took();
        } while (stream->avail_in > 0 || stream->avail_out == 0);
    }
    do {
        room();
        if (deflate(stream.Get(), Z_SYNC_FLUSH) == Z_STREAM_ERROR)
            fail();
        took();
    } while (stream->avail_out == 0);
    result.resize(used);
}

} // namespace

TDeflated ParallelDeflate(const TDeflateInput& input, const TDeflateOutput& output, int level, size_t workers)
{
    if (workers == 0)
        workers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, MaxWorkers);
    TDeflated done;
    auto write = [&](const std::vector<Bytef>& piece) {
        output(piece);
        done.PackedSize += piece.size();
    };
    // Blocks are read in batches of one per worker and deflated side by side.
    std::vector<std::vector<Bytef>> blocks(workers, std::vector<Bytef>(BlockSize));
    std::vector<size_t> lengths(workers);
    std::vector<std::vector<Bytef>> results(workers);
    std::vector<Bytef> history;
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        size_t count = 0;
        while (count < workers && (lengths[count] = input(blocks[count])) > 0) {
            crc = crc32(crc, blocks[count].data(), static_cast<uInt>(lengths[count]));
            done.Size += lengths[count];
            ++count;
        }
        if (count == 0)
            break;
        auto job = [&](size_t i) {
            const std::vector<Bytef>& before = i == 0 ? history : blocks[i - 1];
            size_t primed = i == 0 ? history.size() : std::min(lengths[i - 1], DictionarySize);
            const Bytef* dictionary = before.data() + (i == 0 ? 0 : lengths[i - 1] - primed);
            DeflateBlock(blocks[i].data(), lengths[i], dictionary, primed, level, results[i]);
        };
        std::vector<std::future<void>> running;
        for (size_t i = 1; i < count; ++i)
            running.push_back(std::async(std::launch::async, job, i));
        job(0);
        for (auto& task : running)
            task.get();
        for (size_t i = 0; i < count; ++i)
            write(results[i]);
        size_t kept = std::min(lengths[count - 1], DictionarySize);
        history.assign(blocks[count - 1].begin() + static_cast<std::ptrdiff_t>(lengths[count - 1] - kept),
                       blocks[count - 1].begin() + static_cast<std::ptrdiff_t>(lengths[count - 1]));
        if (count < workers)
            break;
    }
    // Every block ended on a byte boundary; an empty final block closes the stream.
    write(std::vector<Bytef>{0x03, 0x00});
    done.Crc = static_cast<uint32_t>(crc);
    return done;
}
