#pragma once

// One raw deflate stream, as a ZIP entry holds it, made of 1 MiB blocks
// deflated side by side (up to one per processor), each primed with the
// 32 KiB before it, so the stream is as small as one made in one piece and
// the same bytes whatever the number of workers. Within a block, a 128 KiB
// slice that does not shrink goes into stored blocks, so media inside an
// uncompressed CAB file costs a copy instead of a full deflate pass.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Fills the buffer from its start with the next bytes, up to its size, and
// returns how many; 0 at the end of the data.
using TDeflateInput = std::function<size_t(std::vector<uint8_t>& buffer)>;
// Takes the next piece of the deflated stream.
using TDeflateOutput = std::function<void(const std::vector<uint8_t>& piece)>;

struct TDeflated {
    uint64_t Size = 0; // bytes read
    uint32_t Crc = 0; // their CRC-32
    uint64_t PackedSize = 0; // bytes of the stream
};

// level: 1 (fastest) .. 9 (smallest); workers: blocks deflated at a time,
// 0 for one per processor (at most 8). Failures of the input or output
// callbacks pass through; a deflate failure raises Exception.
TDeflated ParallelDeflate(const TDeflateInput& input, const TDeflateOutput& output, int level, size_t workers = 0);
