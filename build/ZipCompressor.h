#pragma once

#include "build/Compressor.h"

#include <cstdint>

// The compressor of the builder, written with libzip. Every file is stored
// under its bare name. Data that does not shrink (the device CAB files are
// compressed already) is stored as it is; everything else is deflated.
class TZipCompressor : public TCompressor {
public:
    bool Execute() override;

    // Deflate level for data worth compressing (1 fastest .. 9 smallest).
    // 4 is the default: on program code it is about 2.4 times as fast as
    // zlib's usual 6 for an archive about 3 per cent larger (see
    // benchmarks/ZipCompressorBenchmark).
    void SetLevel(int level) { FLevel = level; }

    // True when a sample of the file shrinks by less than a few per cent under
    // the fastest deflate, so deflating all of it would only cost time.
    static bool LooksIncompressible(const std::string& path);

private:
    int FLevel = 4;
};
