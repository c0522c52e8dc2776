// The .inf of a large project, and its project file's load and save:
// 20,000 files from 2,000 source folders, for all platforms and four
// processors, in 200 device folders.

#include "LargeProject.h"
#include "package/InfWriter.h"
#include "model/Project.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<TProject> MakeLargeProject(int files)
{
    auto project = std::make_unique<TProject>("Firm");
    AddLargeFileSet(*project, files);
    // One file for one platform breaks the all-platform case: a section per
    // platform and processor.
    project->Files().Item(0)->SetPlatforms(TPlatforms{plPPC300});
    return project;
}

void BM_WriteInf(benchmark::State& state)
{
    auto project = MakeLargeProject(int(state.range(0)));
    size_t lines = 0;
    for (auto _ : state) {
        TStringList inf;
        WriteInf(*project, inf);
        ReplaceInstallDir(inf, project->DefaultFolder()->GetMacroPath());
        lines = inf.size();
        benchmark::DoNotOptimize(inf.data());
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_WriteInf)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SaveAndLoadProject(benchmark::State& state)
{
    auto project = MakeLargeProject(int(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        TMemoryStream out;
        project->SaveToStream(out);
        TMemoryStream in(out.TakeData());
        bytes = in.Size();
        TProject loaded;
        loaded.LoadFromStream(in);
        benchmark::DoNotOptimize(loaded.Files().Count());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_SaveAndLoadProject)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}
