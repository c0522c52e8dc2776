// The .inf import of a large project: the builder's own .inf of 20,000
// files from 2,000 source folders in 200 device folders, for every platform
// and four processors (a section for every processor and one for each of
// the three others), read from its text and made into a project.

#include "LargeProject.h"
#include "formats/InfFile.h"
#include "import/InfImport.h"
#include "model/Project.h"
#include "package/InfWriter.h"

#include <benchmark/benchmark.h>

namespace {

std::string LargeInfText(int files)
{
    TProject project("Firm");
    AddLargeFileSet(project, files);
    TStringList lines;
    WriteInf(project, lines);
    ReplaceInstallDir(lines, project.DefaultFolder()->GetMacroPath());
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

void BM_ImportInf(benchmark::State& state)
{
    const std::string text = LargeInfText(int(state.range(0)));
    int files = 0;
    for (auto _ : state) {
        TInfFile inf;
        inf.LoadFromText(TInfFile::DecodeText(text));
        TImportResult result = ImportInf(inf, "/work/Large/Large.inf", TInfImportOptions{{}, "/work/Large/Large.vip"});
        files = result.FProject->Files().Count();
    }
    state.counters["files"] = double(files);
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_ImportInf)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
