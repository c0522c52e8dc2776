#include "model/RegistryKeys.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// range(0) values spread over keys of twenty values each, in chains of five
// below each hive: 5,000 values make 250 keys.
std::unique_ptr<TRegKeys> MakeTree(int values)
{
    auto keys = TRegKeys::CreateDefault();
    int made = 0;
    for (int branch = 0; made < values; ++branch) {
        TRegKey* parent = keys->Item(branch % 3);
        for (int level = 0; level < 5 && made < values; ++level) {
            parent = parent->AddSubKey(std::make_unique<TRegKey>(false, "Key" + std::to_string(branch), ""));
            for (int v = 0; v < 20 && made < values; ++v, ++made) {
                auto value = std::make_unique<TValue>(v % 4 == 0 ? vtBinary : vtString);
                value->SetName("Value" + std::to_string(v));
                value->SetStringData("\\Program Files\\App\\" + std::to_string(v));
                value->BinaryData().assign(16, uint8_t(v));
                value->SetProcessor(TProcessor(v % ProcessorCount));
                parent->Values().Add(std::move(value));
            }
        }
    }
    return keys;
}

void BM_Save(benchmark::State& state)
{
    auto keys = MakeTree(int(state.range(0)));
    for (auto _ : state) {
        TMemoryStream s;
        keys->SaveToStream(s);
        benchmark::DoNotOptimize(s.Data().data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_Load(benchmark::State& state)
{
    TMemoryStream saved;
    MakeTree(int(state.range(0)))->SaveToStream(saved);
    for (auto _ : state) {
        saved.Seek(0);
        TRegKeys keys;
        keys.LoadFromStream(saved);
        benchmark::DoNotOptimize(keys.Count());
    }
    state.SetComplexityN(state.range(0));
}

// What the .inf writer asks of every key for one target.
void BM_QueryTarget(benchmark::State& state)
{
    auto keys = MakeTree(int(state.range(0)));
    std::vector<TRegKey*> all;
    for (const auto& top : keys->Keys())
        top->CollectSubKeys(all);
    for (auto _ : state) {
        size_t text = 0;
        for (const TRegKey* key : all)
            if (key->MatchesTarget(plPPC300, pStrongARM)) {
                text += key->GetHive().size() + key->GetKeyPath().size();
                for (const auto& value : key->Values().Values())
                    text += value->GetFlagsText().size() + value->GetDataText().size();
            }
        benchmark::DoNotOptimize(text);
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_Save)->RangeMultiplier(4)->Range(5000, 80000)->Complexity();
BENCHMARK(BM_Load)->RangeMultiplier(4)->Range(5000, 80000)->Complexity();
BENCHMARK(BM_QueryTarget)->RangeMultiplier(4)->Range(5000, 80000)->Complexity();

}
