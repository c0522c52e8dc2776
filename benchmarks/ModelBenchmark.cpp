// Saving, loading and querying a large project model: range(0) files, a
// tenth as many shortcuts, a quarter as many registry values (20,000 files
// give 2,000 shortcuts and 5,000 values), spread over 200 folders.

#include "model/Files.h"
#include "model/Folders.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"
#include "package/DeviceSectionPlan.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct Model {
    TFolders folders;
    TFiles files;
    TCEShortcuts shortcuts;
    TSetupDlls dlls;
    std::unique_ptr<TRegKeys> keys = TRegKeys::CreateDefault();

    explicit Model(int fileCount)
    {
        folders.CreateDefault();
        TFolder* app = folders.Root()->GetSubFolder(0)->AddSubFolder(std::make_unique<TFolder>("App"));
        std::vector<TFolder*> targets;
        for (int i = 0; i < 200; ++i)
            targets.push_back(
                (i % 4 == 0 ? app : targets[i - 1])->AddSubFolder(std::make_unique<TFolder>("F" + std::to_string(i))));
        for (int i = 0; i < fileCount; ++i) {
            auto file = std::make_unique<TFile>();
            file->SetFileName("file" + std::to_string(i) + ".dat");
            file->SetSourceDir("C:\\Work\\Source\\Sub" + std::to_string(i % 50) + "\\");
            file->SetFolder(targets[i % targets.size()]);
            file->SetProcessor(TProcessor(i % ProcessorCount));
            file->SetPlatforms(TPlatforms::FromBits(uint16_t(1 + i % 255)));
            file->SetUseDefaultFolder(i % 3 == 0);
            files.Add(std::move(file));
        }
        for (int i = 0; i < fileCount / 10; ++i) {
            auto s = std::make_unique<TCEShortCut>();
            s->SetName("Shortcut " + std::to_string(i));
            s->SetTarget(files.Item(i * 10));
            s->SetFolder(folders.FindStartMenuFolder());
            shortcuts.Add(std::move(s));
        }
        for (int i = 0; i < 20; ++i) {
            auto d = std::make_unique<TSetupDLL>();
            d->SetFileName("setup" + std::to_string(i) + ".dll");
            d->SetProcessor(TProcessor(i % ProcessorCount));
            dlls.Add(std::move(d));
        }
        int values = fileCount / 4;
        for (int made = 0, branch = 0; made < values; ++branch) {
            TRegKey* parent = keys->Item(branch % 3);
            for (int level = 0; level < 5 && made < values; ++level) {
                parent = parent->AddSubKey(std::make_unique<TRegKey>(false, "Key" + std::to_string(branch), ""));
                for (int v = 0; v < 20 && made < values; ++v, ++made) {
                    auto value = std::make_unique<TValue>(vtString);
                    value->SetName("Value" + std::to_string(v));
                    value->SetStringData("data");
                    value->SetProcessor(TProcessor(v % ProcessorCount));
                    parent->Values().Add(std::move(value));
                }
            }
        }
    }

    void Save(TStream& s)
    {
        folders.SaveToStream(s);
        files.SaveToStream(s);
        shortcuts.SaveToStream(s);
        dlls.SaveToStream(s);
        keys->SaveToStream(s);
    }
};

void BM_SaveModel(benchmark::State& state)
{
    Model model(int(state.range(0)));
    for (auto _ : state) {
        TMemoryStream s;
        model.Save(s);
        benchmark::DoNotOptimize(s.Data().data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_LoadModel(benchmark::State& state)
{
    Model model(int(state.range(0)));
    TMemoryStream saved;
    model.Save(saved);
    for (auto _ : state) {
        saved.Seek(0);
        TFolders folders;
        folders.LoadFromStream(saved);
        TFolderList all = folders.GetAllFolders();
        TFiles files;
        files.LoadFromStream(saved, all);
        TCEShortcuts shortcuts;
        shortcuts.LoadFromStream(saved, all, files.ToList());
        TSetupDlls dlls;
        dlls.LoadFromStream(saved);
        TRegKeys keys;
        keys.LoadFromStream(saved);
        benchmark::DoNotOptimize(files.Count());
    }
    state.SetComplexityN(state.range(0));
}

// Every query for every target the .inf plan can ask for.
void BM_Queries(benchmark::State& state)
{
    Model model(int(state.range(0)));
    for (auto _ : state) {
        size_t n = 0;
        for (int p = 0; p <= plAll; ++p)
            for (int c = 0; c < ProcessorCount; ++c) {
                n += FilesFor(model.files, TPlatform(p), TProcessor(c)).size();
                n += ShortcutsFor(model.shortcuts, TPlatform(p), TProcessor(c)).size();
                n += KeysFor(TPlatform(p), TProcessor(c), model.keys->Keys()).size();
                n += SetupDllFor(plAll, TProcessor(c), model.dlls) != nullptr;
            }
        n += model.files.CommonPlatforms().Bits() + model.files.AllPlatforms().Bits();
        n += model.files.CommonProcessors().Bits() + model.files.AllProcessors().Bits();
        benchmark::DoNotOptimize(n);
    }
    state.SetComplexityN(state.range(0));
}

// Deleting the folder that holds every file moves them all to the root.
void BM_DeleteFolderOfAllFiles(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        TFolders folders;
        folders.CreateDefault();
        TFolder* big = folders.Root()->AddSubFolder(std::make_unique<TFolder>("Big"));
        TFiles files;
        for (int i = 0; i < state.range(0); ++i) {
            auto file = std::make_unique<TFile>();
            file->SetFolder(big);
            file->SetEmergencyFolder(folders.Root());
            files.Add(std::move(file));
        }
        state.ResumeTiming();
        folders.DeleteFolder(big);
        benchmark::DoNotOptimize(folders.Root()->SubscriberCount());
        state.PauseTiming();
        files.Remove(files.ToList());
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_SaveModel)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadModel)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_Queries)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_DeleteFolderOfAllFiles)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}
