// The save file with a long history: writing one profile of 100,000 events into memory (what
// a save costs before the file reaches the disk) and reading it back, events and all. Also the
// per-frame update of the profiles, whose allocations per frame must stay 0.
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/LocalService.h"

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int32_t EventCount = 100000;

std::unique_ptr<TPlayerList> LongHistory() {
    auto players = std::make_unique<TPlayerList>();
    TPlayer* player = players->Add(std::make_unique<TPlayer>("Ida"));
    auto& events = static_cast<TCustomPlayerState&>(player->State()).Events();
    for (int32_t i = 0; i < EventCount; ++i) {
        TData data;
        data.Kind = i % EventKindCount;
        data.RegionNumber = 1 + i % 7;
        data.SiteNumber = i;
        data.SceneNumber = i % 13;
        data.SetValue(i);
        events.Add(std::make_unique<TEvent>(data));
    }
    return players;
}

void WriteProfile(benchmark::State& state) {
    const std::unique_ptr<TPlayerList> players = LongHistory();
    int64_t bytes = 0;
    for (auto _ : state) {
        TMemoryStream stream;
        WriteSaveData(stream, *players, 1);
        bytes = stream.Size();
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(WriteProfile)->Unit(benchmark::kMillisecond);

void ReadProfile(benchmark::State& state) {
    const std::unique_ptr<TPlayerList> players = LongHistory();
    TMemoryStream stream;
    WriteSaveData(stream, *players, 1);
    for (auto _ : state) {
        stream.Seek(0);
        auto read = std::make_unique<TPlayerList>();
        ReadSaveData(stream, "Save.dat", *read);
        benchmark::DoNotOptimize(read->First());
        state.PauseTiming();
        read.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(ReadProfile)->Unit(benchmark::kMillisecond);

void UpdateProfiles(benchmark::State& state) {
    const test::TTempFolder folder;
    ApplicationStart();
    ServiceInit(folder.Path().string());
    SetStorageFolderPath(sfUser, folder.Path().string());
    PlayersStart();
    PlayersUpdate(); // the once-per-run hand-over of achievements
    const int64_t before = test::AllocationCount();
    int64_t frames = 0;
    for (auto _ : state) {
        PlayersUpdate();
        ++frames;
    }
    state.counters["allocations/frame"] =
        static_cast<double>(test::AllocationCount() - before) / static_cast<double>(frames);
    PlayersStop();
    ServiceShutdown();
    ApplicationStop();
}
BENCHMARK(UpdateProfiles);

} // namespace
} // namespace valdmoor
