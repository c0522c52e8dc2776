// How fast the archive step packs the CAB files of a package, and how large
// the archive gets, for the compressor's choice (sample each file, store
// what does not shrink, deflate the rest) against plain libzip deflate.
//
// Payloads of VI_BENCH_MB megabytes (default 48) split into four "CAB" files:
//   code:   real program files from /usr/bin and /usr/lib (what an
//           uncompressed CAB of device programs holds)
//   packed: random bytes (a CAB made with MSZIP, or media files)
//
//   build-host/benchmarks/ZipCompressorBenchmark

#include "package/ZipCompressor.h"

#include "common/Paths.h"
#include "common/Platform.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;

size_t PayloadBytes()
{
    const char* mb = std::getenv("VI_BENCH_MB");
    return static_cast<size_t>(mb ? std::atoi(mb) : 48) << 20;
}

std::string CodeBytes(size_t size)
{
    std::string data;
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu", "/usr/bin", "/usr/lib"}) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir, ec);
             it != fs::recursive_directory_iterator() && data.size() < size; it.increment(ec)) {
            if (!it->is_regular_file(ec) || it->is_symlink(ec))
                continue;
            std::ifstream in(it->path(), std::ios::binary);
            std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            data += chunk;
        }
    }
    data.resize(size);
    return data;
}

std::string RandomBytes(size_t size)
{
    std::mt19937_64 random(1);
    std::string data(size, '\0');
    for (size_t i = 0; i + 8 <= size; i += 8) {
        uint64_t v = random();
        std::memcpy(&data[i], &v, 8);
    }
    return data;
}

struct TPayload {
    std::string Dir;
    std::vector<std::string> Files;
    size_t Bytes = 0;
    ~TPayload()
    {
        if (!Dir.empty())
            RemoveTree(Dir);
    }
};

const TPayload& Payload(int kind)
{
    static TPayload payloads[2];
    TPayload& p = payloads[kind];
    if (p.Files.empty()) {
        p.Dir = CreatePrivateTempDir("vibench");
        std::string all = kind == 0 ? CodeBytes(PayloadBytes()) : RandomBytes(PayloadBytes());
        size_t part = all.size() / 4;
        for (int i = 0; i < 4; ++i) {
            std::string path = AppendPath(p.Dir, "Demo.PPC300_" + std::to_string(2577 + i) + ".CAB");
            WriteFileAtomic(path, all.substr(i * part, part));
            p.Files.push_back(path);
        }
        p.Bytes = part * 4;
    }
    return p;
}

void Report(benchmark::State& state, const TPayload& payload, const std::string& archive)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.Bytes));
    state.counters["ratio%"] = 100.0 * static_cast<double>(FileSize(archive)) / static_cast<double>(payload.Bytes);
    DeleteFileIfExists(archive);
}

void BM_Compressor(benchmark::State& state)
{
    const TPayload& payload = Payload(static_cast<int>(state.range(0)));
    std::string archive = AppendPath(payload.Dir, "out.zip");
    TZipCompressor compressor;
    compressor.SetLevel(static_cast<int>(state.range(1)));
    compressor.SetFiles(payload.Files);
    compressor.SetArchiveName(archive);
    for (auto _ : state)
        compressor.Execute();
    Report(state, payload, archive);
}

// What a straightforward libzip writer does: every file deflated at a fixed level.
void BM_PlainLibzip(benchmark::State& state)
{
    const TPayload& payload = Payload(static_cast<int>(state.range(0)));
    std::string archive = AppendPath(payload.Dir, "plain.zip");
    for (auto _ : state) {
        DeleteFileIfExists(archive);
        int error = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_CREATE, &error);
        for (const std::string& f : payload.Files) {
            zip_int64_t i = zip_file_add(za, ExtractFileName(f).c_str(), zip_source_file(za, f.c_str(), 0, -1), 0);
            if (state.range(1) == 0)
                zip_set_file_compression(za, i, ZIP_CM_STORE, 0);
            else
                zip_set_file_compression(za, i, ZIP_CM_DEFLATE, static_cast<zip_uint32_t>(state.range(1)));
        }
        zip_close(za);
    }
    Report(state, payload, archive);
}

} // namespace

// Arguments: payload (0 code, 1 packed), deflate level (0 = store).
BENCHMARK(BM_Compressor)->ArgsProduct({{0, 1}, {1, 4, 6, 9}})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainLibzip)->ArgsProduct({{0, 1}, {0, 1, 4, 6}})->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
