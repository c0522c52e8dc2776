// RefreshList of the Files tab for 2,000 and 20,000 files, with the
// repaint that follows it: the list must grow no worse than linearly.
//
//   build-host/benchmarks/FileListBenchmark

#include "model/Project.h"
#include "ui/lists/frmFiles.h"
#include "ui/lists/frmList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::unique_ptr<TProject> ProjectWithFiles(int count)
{
    auto project = std::make_unique<TProject>("Firm");
    TFolder* folders[8];
    for (int i = 0; i < 8; ++i)
        folders[i] = project->AppFolder()->AddSubFolder(std::make_unique<TFolder>("Part " + std::to_string(i), 0));
    for (int i = 0; i < count; ++i) {
        auto file = std::make_unique<TFile>();
        file->SetSourceDir("C:\\Projects\\Big\\ARMV4\\data" + std::to_string(i % 50) + "\\");
        file->SetFileName("file" + std::to_string(i) + ".dat");
        file->SetPlatforms(TPlatforms{plPPC2K});
        file->SetFolder(folders[i % 8]);
        file->SetUseDefaultFolder(i % 3 == 0);
        project->Files().Add(std::move(file));
    }
    return project;
}

void RefreshList(benchmark::State& state)
{
    std::unique_ptr<TProject> project = ProjectWithFiles(int(state.range(0)));
    TfrmFiles frame(nullptr);
    frame.resize(900, 600);
    frame.show();
    frame.SetProject(project.get());
    // A selection to carry over, as after an edit.
    frame.List()->View()->selectRow(int(state.range(0)) / 2);
    QApplication::processEvents();
    for (auto _ : state) {
        frame.RefreshList();
        frame.repaint();
        QApplication::processEvents();
    }
    state.counters["rows"] = frame.List()->RowCount();
}
BENCHMARK(RefreshList)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
