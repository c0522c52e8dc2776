// veltrin-cabinfo on a CAB file of 150 MB that the CAB tool makes at bench
// time (150 files of 1 MB, stored) in a private temporary folder, removed
// again at the end. What counts is the listing's peak resident memory,
// taken from the child's rusage: members are streamed, never held whole,
// so it must stay under 64 MiB. The time is reported as well.

#include "common/Paths.h"
#include "common/Platform.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int FileCount = 150;
constexpr size_t FileBytes = 1000 * 1000;
constexpr long PeakLimitKiB = 64 * 1024;

struct TCab {
    std::string FRoot;
    std::string FPath;
};

// Runs a program with its output discarded; the exit status and the peak
// resident memory in KiB.
int Run(const std::vector<std::string>& args, long& peakKiB)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        peakKiB = usage.ru_maxrss;
    }
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CabMade = false;

const TCab& Cab()
{
    static TCab cab = [] {
        CabMade = true;
        TCab c;
        c.FRoot = CreatePrivateTempDir("cabinfo_bench_");
        std::string inf =
            "[Version]\r\nSignature = \"$Windows NT$\"\r\nProvider = \"Firm\"\r\n"
            "CESignature = \"$Windows CE$\"\r\n\r\n[CEStrings]\r\nAppName = \"Bench\"\r\n"
            "InstallDir=%CE1%\\Firm\\Bench\r\n\r\n[DestinationDirs]\r\nFiles1=0,%InstallDir%\r\n\r\n"
            "[SourceDisksNames]\r\n1=,\"Disk1\",,src\r\n\r\n[DefaultInstall]\r\nCopyFiles=Files1\r\n\r\n";
        std::string files = "[Files1]\r\n", disks = "[SourceDisksFiles]\r\n";
        ForceDirectories(c.FRoot + "src");
        uint64_t state = 0x9E3779B97F4A7C15ull;
        std::vector<char> buffer(FileBytes);
        for (int i = 0; i < FileCount; ++i) {
            for (char& ch : buffer) {
                state ^= state << 13;
                state ^= state >> 7;
                state ^= state << 17;
                ch = char(state);
            }
            std::string name = "file" + std::to_string(i) + ".bin";
            std::ofstream(c.FRoot + "src/" + name, std::ios::binary).write(buffer.data(), long(buffer.size()));
            files += "\"" + name + "\",,,0x40000002\r\n";
            disks += "\"" + name + "\" = 1\r\n";
        }
        std::ofstream(c.FRoot + "Bench.inf", std::ios::binary) << inf << disks << "\r\n" << files;
        long unused = 0;
        if (Run({VI_CABWIZ_PATH, c.FRoot + "Bench.inf", "/err", c.FRoot + "errors.txt"}, unused) != 0)
            std::fprintf(stderr, "CABWIZ.exe failed, see %serrors.txt\n", c.FRoot.c_str());
        c.FPath = c.FRoot + "Bench.CAB";
        return c;
    }();
    return cab;
}

void BM_CabInfo(benchmark::State& state, const char* option)
{
    const TCab& cab = Cab();
    std::ifstream file(cab.FPath, std::ios::binary | std::ios::ate);
    if (!file || file.tellg() < std::streamoff(FileCount * FileBytes)) {
        state.SkipWithError("the CAB tool made no CAB file of 150 MB");
        return;
    }
    long peak = 0;
    for (auto _ : state) {
        std::vector<std::string> args = {VI_CABINFO_PATH, cab.FPath};
        if (*option)
            args.insert(args.begin() + 1, option);
        if (Run(args, peak) != 0) {
            state.SkipWithError("veltrin-cabinfo failed");
            return;
        }
        if (peak > PeakLimitKiB)
            state.SkipWithError("peak memory above 64 MiB");
    }
    state.counters["peak_MiB"] = double(peak) / 1024;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileCount * FileBytes));
}

BENCHMARK_CAPTURE(BM_CabInfo, text, "")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_CabInfo, json, "--json")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_CAPTURE(BM_CabInfo, members, "--members")->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (CabMade)
        RemoveTree(Cab().FRoot);
    benchmark::Shutdown();
    return 0;
}
