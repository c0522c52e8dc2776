// A project of 2,000 files totalling 200 MB, four device sections of 500
// files each: our CAB Wizard tool makes the four CAB files in one run;
// the baseline is "gcab -c" making the same four cabinets, one run each.
// The payload is generated in a private temporary folder and removed again.

#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "TimesReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 2000;
constexpr int SectionCount = 4;
constexpr uint64_t TotalBytes = 200ull * 1000 * 1000;
const char* const Sections[SectionCount] = {"PPC300_2577", "PPC300_10003", "PPC2K_2577", "WM2003_2577"};

struct TPayload {
    std::string FRoot;
    std::string FInf;
    std::string FOut;
    std::vector<std::string> FGroupDirs;
    std::vector<std::vector<std::string>> FGroupFiles;
};

TPayload& Payload()
{
    static TPayload p = [] {
        TPayload p;
        p.FRoot = CreatePrivateTempDir("cabwiz_bench_");
        p.FOut = p.FRoot + "out";
        ForceDirectories(p.FOut);
        uint64_t state = 0x9E3779B97F4A7C15ull;
        auto next = [&] {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            return state;
        };
        std::vector<char> buffer;
        std::string inf =
            "[Version]\r\nSignature = \"$Windows NT$\"\r\nProvider = \"Firm\"\r\n"
            "CESignature = \"$Windows CE$\"\r\n\r\n[CEStrings]\r\nAppName = \"Bench\"\r\n"
            "InstallDir=%CE1%\\Firm\\Bench\r\n\r\n[DestinationDirs]\r\n";
        for (const char* s : Sections)
            inf += std::string("Files1.") + s + "=0,%InstallDir%\r\n";
        inf += "\r\n";
        uint64_t average = TotalBytes / FileCount;
        for (int g = 0; g < SectionCount; ++g) {
            std::string dir = p.FRoot + "src" + std::to_string(g);
            ForceDirectories(dir);
            p.FGroupDirs.push_back(dir);
            p.FGroupFiles.emplace_back();
            std::string x = Sections[g];
            std::string names = "[SourceDisksNames." + x + "]\r\n1=,\"SourceDisk1\",," + dir + "\r\n\r\n";
            std::string files = "[SourceDisksFiles." + x + "]\r\n";
            std::string list = "[Files1." + x + "]\r\n";
            for (int i = 0; i < FileCount / SectionCount; ++i) {
                // Sizes from half to one and a half times the average, in
                // pairs that sum to twice the average: exactly 200 MB.
                uint64_t delta = (i * 7919) % average;
                uint64_t size = i % 2 == 0 ? average / 2 + delta : average * 3 / 2 - ((i - 1) * 7919) % average;
                buffer.resize(size);
                for (size_t k = 0; k + 8 <= size; k += 8) {
                    uint64_t v = next();
                    std::memcpy(&buffer[k], &v, 8);
                }
                std::string name = "f" + std::to_string(g) + "_" + std::to_string(i) + ".bin";
                std::ofstream(AppendPath(dir, name), std::ios::binary).write(buffer.data(), std::streamsize(size));
                p.FGroupFiles.back().push_back(name);
                files += "\"" + name + "\" = 1\r\n";
                list += "\"" + name + "\",,,0x40000000\r\n";
            }
            inf += "[CEDevice." + x + "]\r\nProcessorType = 2577\r\n\r\n" + names + files + "\r\n" +
                   "[DefaultInstall." + x + "]\r\nCopyFiles = Files1." + x + "\r\n\r\n" + list + "\r\n";
        }
        p.FInf = p.FRoot + "Bench.inf";
        std::ofstream(p.FInf, std::ios::binary) << inf;
        return p;
    }();
    return p;
}

void BM_CabWiz(benchmark::State& state)
{
    TPayload& p = Payload();
    std::string args = "\"" + p.FInf + "\" /dest \"" + p.FOut + "\" /err errors.txt /cpu";
    for (const char* s : Sections)
        args += std::string(" ") + s;
    for (auto _ : state)
        RunAndWait(VI_CABWIZ_PATH, args, p.FOut);
    std::string errors = AppendPath(p.FOut, "errors.txt");
    if (FileSize(errors) != 0)
        state.SkipWithError("the tool reported errors");
    state.SetBytesProcessed(int64_t(state.iterations() * TotalBytes));
}

void BM_GcabBaseline(benchmark::State& state)
{
    TPayload& p = Payload();
    for (auto _ : state) {
        for (int g = 0; g < SectionCount; ++g) {
            std::string args = "-c -n \"" + AppendPath(p.FOut, std::string("gcab.") + Sections[g] + ".cab") + "\"";
            for (const auto& name : p.FGroupFiles[g])
                args += " " + name;
            RunAndWait("gcab", args, p.FGroupDirs[g]);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * TotalBytes));
}

BENCHMARK(BM_GcabBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CabWiz)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Payload(); // generated before any timing
    TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Time("BM_CabWiz");
    const double baseline = reporter.Time("BM_GcabBaseline");
    if (ours > 0 && baseline > 0)
        std::printf("CABWIZ.exe / gcab -c real time: %.2f (below 1 means ours is faster)\n", ours / baseline);
    RemoveTree(Payload().FRoot);
    benchmark::Shutdown();
    return 0;
}
