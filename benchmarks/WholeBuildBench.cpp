// The whole headless build of a project with 200 MiB of payload, against the
// obvious way to make the same packages with stock tools: "gcab -c" once per
// device section, then "zip -6" of what each package holds.
//
// The project is generated at start in a private temporary folder (removed
// at the end): one platform, two processors, files for each processor and
// files for all of them, so the build makes two CAB files; two builds (one
// with the wizard, one silent) each pack both CABs. The payload mixes what a
// device application ships: program files (real machine code taken from the
// host's libraries), documents (text) and media (random bytes, as JPEG or
// MP3 data looks to a compressor).
//
// BM_WholeBuild and BM_Baseline give the ratio printed at the end. The
// BM_Stage* benchmarks time the steps of our build one by one (CAB tool,
// ZIP, self-extractor), to show where the time goes.
//
//   build-host/benchmarks/WholeBuildBench [--benchmark_filter=...]
//   VI_BENCH_MB=<n> sets the payload size (default 200).

#include "package/CabCompiler.h"
#include "package/FreeExtractor.h"
#include "package/InfWriter.h"
#include "package/PackageFiles.h"
#include "package/ZipCompressor.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "model/Project.h"
#include "TimesReporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int32_t English = 9;

enum class TContent { Code, Text, Media };

// One group of payload files: a source folder, its share of the payload and
// the processor the files are for (pAll: every processor).
struct TGroup {
    const char* FDir;
    TProcessor FProcessor;
    TContent FContent;
    int FCount;
    int FPercent;
    const char* FExt;
};

const TGroup Groups[] = {
    {"ARM", pStrongARM, TContent::Code, 40, 25, ".dll"},
    {"SH3", pHitachiSH3, TContent::Code, 40, 25, ".dll"},
    {"Docs", pAll, TContent::Text, 60, 18, ".htm"},
    {"Media", pAll, TContent::Media, 30, 32, ".jpg"},
};

struct TPayload {
    std::string FRoot;
    std::string FProjectDir;
    std::string FProject;
    std::string FProgramDir;
    uint64_t FBytes = 0;
    // Host paths of the files of each device section, as gcab gets them.
    std::vector<std::vector<std::string>> FSections;
    std::vector<std::string> FPackages;
};

uint64_t PayloadBytes()
{
    const char* mb = std::getenv("VI_BENCH_MB");
    return uint64_t(mb && std::atoi(mb) > 0 ? std::atoi(mb) : 200) << 20;
}

class TRandom {
public:
    uint64_t Next()
    {
        FState ^= FState << 13;
        FState ^= FState >> 7;
        FState ^= FState << 17;
        return FState;
    }

private:
    uint64_t FState = 0x9E3779B97F4A7C15ull;
};

// Real machine code and data of the host's shared libraries and programs,
// read once; program files are consecutive slices of it.
class TCodePool {
public:
    explicit TCodePool(uint64_t size)
    {
        for (const char* dir : {"/usr/lib/x86_64-linux-gnu", "/usr/lib", "/usr/bin"}) {
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
                 it != fs::recursive_directory_iterator() && FData.size() < size; it.increment(ec)) {
                if (ec || it->is_symlink(ec) || !it->is_regular_file(ec) || it->file_size(ec) < 4096)
                    continue;
                std::ifstream in(it->path(), std::ios::binary);
                FData.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
        }
        if (FData.size() > size)
            FData.resize(size);
        if (FData.empty())
            FData.assign(1 << 20, 'x');
    }

    void Take(std::string& out, size_t size)
    {
        out.clear();
        while (out.size() < size) {
            if (FNext >= FData.size())
                FNext = 0;
            size_t n = std::min(size - out.size(), FData.size() - FNext);
            out.append(FData, FNext, n);
            FNext += n;
        }
    }

private:
    std::string FData;
    size_t FNext = 0;
};

// Text with the letter and word statistics of documentation: it deflates to
// roughly a third.
void MakeText(TRandom& random, std::string& out, size_t size)
{
    // clang-format off
    static const char* const Words[] = {
        "the", "device", "install", "program", "folder", "file", "setup", "of", "and", "to", "a", "in",
        "window", "select", "options", "menu", "data", "record", "synchronise", "desktop", "press", "tap",
        "screen", "button", "is", "with", "for", "you", "can", "open", "save", "user", "list", "settings",
        "application", "storage", "card", "memory", "connection", "when", "this", "that", "each", "new"};
    // clang-format on
    constexpr size_t WordCount = sizeof(Words) / sizeof(Words[0]);
    out.clear();
    out.reserve(size + 64);
    int inSentence = 0;
    while (out.size() < size) {
        uint64_t r = random.Next();
        std::string word = Words[r % WordCount];
        if (inSentence == 0)
            word[0] = char(word[0] - 'a' + 'A');
        out += word;
        if (++inSentence > 6 + int(r >> 60)) {
            out += (r >> 20) % 5 == 0 ? ".</p>\r\n<p>" : ". ";
            inSentence = 0;
        } else {
            out += ' ';
        }
    }
    out.resize(size);
}

void MakeMedia(TRandom& random, std::string& out, size_t size)
{
    out.resize(size);
    for (size_t k = 0; k + 8 <= size; k += 8) {
        uint64_t v = random.Next();
        std::memcpy(&out[k], &v, 8);
    }
}

void WriteBytes(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), std::streamsize(data.size()));
    if (!out)
        throw Exception("Cannot write " + path);
}

// The temporary folder, known before anything is written into it so that
// main can remove it however generation ends.
std::string& PayloadRoot()
{
    static std::string root;
    return root;
}

TPayload& Payload()
{
    static TPayload p = [] {
        TPayload p;
        p.FRoot = CreatePrivateTempDir("wholebuild_bench_");
        PayloadRoot() = p.FRoot;
        p.FProjectDir = AppendPath(p.FRoot, "Bench");
        p.FProgramDir = VI_PROGRAM_DIR;
        ForceDirectories(p.FProjectDir);

        TProject project("Bench Software");
        project.SetApplicationName("Bench Viewer");
        project.AppFolder()->SetName("Bench Viewer");
        project.SetProjectFileName("Bench.vip");
        TPlatforms pocket;
        pocket.Include(plPPC300);

        const uint64_t total = PayloadBytes();
        uint64_t codeBytes = 0;
        for (const TGroup& g : Groups)
            if (g.FContent == TContent::Code)
                codeBytes += total * uint64_t(g.FPercent) / 100;
        TCodePool code(codeBytes);
        TRandom random;
        std::string data;
        std::vector<std::string> shared;
        std::vector<std::string> arm, sh3;
        for (const TGroup& g : Groups) {
            std::string dir = AppendPath(AppendPath(p.FProjectDir, "Payload"), g.FDir);
            ForceDirectories(dir);
            uint64_t groupBytes = total * uint64_t(g.FPercent) / 100;
            uint64_t average = groupBytes / uint64_t(g.FCount);
            uint64_t written = 0;
            for (int i = 0; i < g.FCount; ++i) {
                // Sizes from half to one and a half times the average; the
                // last file takes what is left.
                uint64_t size = i + 1 == g.FCount ? groupBytes - written : average / 2 + random.Next() % (average + 1);
                if (written + size > groupBytes)
                    size = groupBytes - written;
                written += size;
                switch (g.FContent) {
                case TContent::Code: code.Take(data, size); break;
                case TContent::Text: MakeText(random, data, size); break;
                case TContent::Media: MakeMedia(random, data, size); break;
                }
                std::string name = std::string(g.FDir).substr(0, 3) + std::to_string(i) + g.FExt;
                std::string path = AppendPath(dir, name);
                WriteBytes(path, data);
                p.FBytes += size;

                auto file = std::make_unique<TFile>();
                file->SetSourceDir(dir);
                file->SetFileName(name);
                file->SetPlatforms(g.FProcessor == pAll ? AllPlatforms : pocket);
                file->SetProcessor(g.FProcessor);
                file->SetFolder(project.AppFolder());
                project.Files().Add(std::move(file));
                (g.FProcessor == pStrongARM ? arm : g.FProcessor == pHitachiSH3 ? sh3 : shared).push_back(path);
            }
        }
        arm.insert(arm.end(), shared.begin(), shared.end());
        sh3.insert(sh3.end(), shared.begin(), shared.end());
        p.FSections = {arm, sh3};

        // The wizard build starts Setup.exe, the silent one Deskstart.exe.
        for (bool pages : {true, false}) {
            auto build = std::make_unique<TBuild>();
            build->SetName(pages ? "Pocket PC" : "Pocket PC Silent");
            build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
            build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
            build->Languages().Add(English);
            build->SetDefaultLanguage(English);
            build->SetShowWelcome(pages);
            build->SetShowEULA(pages);
            build->SetShowFinish(pages);
            build->SetSfxMode(pages ? 1 : 0);
            p.FPackages.push_back(AppendPath(AppendPath(p.FProjectDir, BuildFolderName(*build)), "Setup.exe"));
            project.Builds().Add(std::move(build));
        }
        p.FProject = AppendPath(p.FProjectDir, "Bench.vip");
        SaveProjectFile(project, p.FProject);
        std::vector<uint8_t> licence = ReadFileBytes(AppendPath(p.FProgramDir, "EULA_Neutral.txt"));
        WriteFileAtomic(AppendPath(p.FProjectDir, "EULA_English.txt"), licence.data(), licence.size());
        return p;
    }();
    return p;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

int64_t TotalSize(const std::vector<std::string>& paths)
{
    int64_t total = 0;
    for (const std::string& path : paths)
        total += std::max<int64_t>(FileSize(path), 0);
    return total;
}

void BM_WholeBuild(benchmark::State& state)
{
    TPayload& p = Payload();
    const std::string program = AppendPath(p.FProgramDir, "VeltrinInstaller");
    for (auto _ : state) {
        int code = RunAndWait(program, "--build " + Quoted(p.FProject), p.FProjectDir);
        if (code != 0) {
            state.SkipWithError("the headless build failed");
            return;
        }
    }
    // Info-ZIP's unzip must accept the archive inside each package (1 is
    // its warning about the self-extractor in front of the archive).
    for (const std::string& package : p.FPackages)
        if (!FileExists(package) || RunAndWait("unzip", "-tqq " + Quoted(package)) > 1) {
            state.SkipWithError("a package is missing or holds no sound ZIP archive");
            return;
        }
    state.counters["packageMB"] = double(TotalSize(p.FPackages)) / double(1 << 20);
    state.SetBytesProcessed(int64_t(state.iterations() * p.FBytes));
}

void BM_Baseline(benchmark::State& state)
{
    TPayload& p = Payload();
    const std::string out = AppendPath(p.FRoot, "baseline");
    ForceDirectories(out);
    const char* const suffixes[] = {"PPC300_2577", "PPC300_10003"};
    std::vector<std::string> cabs;
    for (const char* suffix : suffixes)
        cabs.push_back(AppendPath(out, std::string("Bench.") + suffix + ".CAB"));
    // What else a package holds; next to the CABs it is a few hundred KB.
    std::vector<std::vector<std::string>> extras = {
        {AppendPath(p.FProgramDir, "Setup.exe"), AppendPath(p.FProjectDir, "EULA_English.txt")},
        {AppendPath(p.FProgramDir, "Deskstart.exe")}};
    std::vector<std::string> zips;
    for (auto _ : state) {
        zips.clear();
        for (size_t s = 0; s < cabs.size(); ++s) {
            std::string args = "-c -n " + Quoted(cabs[s]);
            for (const std::string& file : p.FSections[s])
                args += " " + Quoted(file);
            if (RunAndWait("gcab", args, out) != 0) {
                state.SkipWithError("gcab failed");
                return;
            }
        }
        for (size_t b = 0; b < extras.size(); ++b) {
            std::string zip = AppendPath(out, "package" + std::to_string(b) + ".zip");
            DeleteFileIfExists(zip);
            std::string args = "-q -6 -j " + Quoted(zip);
            for (const std::string& cab : cabs)
                args += " " + Quoted(cab);
            for (const std::string& extra : extras[b])
                args += " " + Quoted(extra);
            if (RunAndWait("zip", args, out) != 0) {
                state.SkipWithError("zip failed");
                return;
            }
            zips.push_back(zip);
        }
    }
    state.counters["packageMB"] = double(TotalSize(zips)) / double(1 << 20);
    state.SetBytesProcessed(int64_t(state.iterations() * p.FBytes));
}

// The steps of our build one by one, over the same project.
struct TStages {
    std::unique_ptr<TProject> FProject;
    std::vector<std::string> FInfLines;
    std::vector<const TBuild*> FBuilds;
    std::vector<std::string> FArchives;
};

TStages& Stages()
{
    static TStages s = [] {
        TStages s;
        s.FProject = OpenProjectFile(Payload().FProject);
        WriteInf(*s.FProject, s.FInfLines);
        ReplaceInstallDir(s.FInfLines, s.FProject->DefaultFolder()->GetMacroPath());
        for (int i = 0; i < s.FProject->Builds().Count(); ++i)
            s.FBuilds.push_back(s.FProject->Builds().GetBuild(i));
        return s;
    }();
    return s;
}

void BM_StageCabs(benchmark::State& state)
{
    TPayload& p = Payload();
    TStages& s = Stages();
    TCabCompiler compiler;
    compiler.SetCabWizPath(AppendPath(AppendPath(p.FProgramDir, "Tools"), "CABWIZ.exe"));
    compiler.SetInfLines(s.FInfLines);
    compiler.SetOutputDir(p.FProjectDir);
    compiler.SetInfFileName(AppendPath(p.FProjectDir, "Bench.inf"));
    compiler.SetBuilds(s.FBuilds);
    for (auto _ : state) {
        try {
            compiler.Compile();
        } catch (const Exception&) {
            state.SkipWithError("the CAB tool reported errors");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * p.FBytes));
}

void BM_StageZip(benchmark::State& state)
{
    TPayload& p = Payload();
    TStages& s = Stages();
    std::vector<std::vector<std::string>> lists;
    for (const TBuild* build : s.FBuilds) {
        std::vector<std::string> files = GetCabFiles(*s.FProject, *build);
        files.push_back(AppendPath(p.FProgramDir, SetupProgramName(*build)));
        lists.push_back(files);
    }
    // The first package deflates the CAB files, the second may take what
    // the first made: both times are shown.
    std::vector<double> seconds(lists.size());
    for (auto _ : state) {
        TZipCompressor compressor;
        s.FArchives.clear();
        for (size_t b = 0; b < lists.size(); ++b) {
            auto start = std::chrono::steady_clock::now();
            s.FArchives.push_back(AppendPath(p.FRoot, "stage" + std::to_string(b) + ".zip"));
            compressor.SetFiles(lists[b]);
            compressor.SetArchiveName(s.FArchives.back());
            try {
                compressor.Execute();
            } catch (const Exception&) {
                state.SkipWithError("the compressor failed");
                return;
            }
            seconds[b] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
    }
    for (size_t b = 0; b < seconds.size(); ++b)
        state.counters["package" + std::to_string(b + 1) + "_s"] = seconds[b];
    state.counters["zipMB"] = double(TotalSize(s.FArchives)) / double(1 << 20);
    state.counters["cabMB"] = double(TotalSize(lists[0]) + TotalSize(lists[1])) / double(1 << 20);
}

void BM_StageSfx(benchmark::State& state)
{
    TPayload& p = Payload();
    TStages& s = Stages();
    if (s.FArchives.empty()) {
        state.SkipWithError("run BM_StageZip first");
        return;
    }
    TFreeExtractor extractor;
    extractor.SetToolsDir(AppendPath(p.FProgramDir, "Tools"));
    extractor.SetTitle("Bench Viewer");
    extractor.SetExec("$temp$\\Setup.exe");
    for (auto _ : state)
        for (size_t b = 0; b < s.FArchives.size(); ++b) {
            extractor.SetArchive(s.FArchives[b]);
            extractor.SetOutput(AppendPath(p.FRoot, "stage" + std::to_string(b) + ".exe"));
            extractor.Execute();
        }
}

BENCHMARK(BM_WholeBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_StageCabs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_StageZip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_StageSfx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int status = 0;
    try {
        Payload(); // generated before any timing
        std::printf("Payload: %.0f MiB in %s\n", double(Payload().FBytes) / double(1 << 20), Payload().FRoot.c_str());
        TTimesReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        double ours = reporter.Time("BM_WholeBuild");
        double baseline = reporter.Time("BM_Baseline");
        if (ours > 0 && baseline > 0)
            std::printf(
                "Whole build / (gcab -c + zip -6), mean real time: %.0f ms / %.0f ms = %.2f "
                "(below 1: ours is faster)\n",
                ours, baseline, ours / baseline);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (!PayloadRoot().empty())
        RemoveTree(PayloadRoot());
    benchmark::Shutdown();
    return status;
}
