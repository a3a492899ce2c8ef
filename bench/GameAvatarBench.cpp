// The avatar: a profile of 100,000 recorded events replayed onto a generated world (the
// world's reset included), and the per-frame update of an idle avatar, which must not
// allocate.
#include "GeneratedWorld.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "world/GameAchievement.h"
#include "world/GameAvatar.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameSite.h"

#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int32_t EventTarget = 100000;

void BuildWorld() {
    // Loss, reward, barter, make and text scenes, half of them repeatable.
    constexpr int32_t types[] = {22, 31, 39, 47, 2, 54};
    const bench::TGeneratedWorld world = bench::GenerateWorld(types, 1);
    world.Achievement->Target = 2000000000;
    for (std::size_t i = 0; i < world.Sites.size(); ++i) {
        world.Sites[i]->Group = world.Groups[i % world.Groups.size()];
    }
}

void RunUntilIdle() {
    for (int32_t i = 0; i < 10000 && TheAvatar().AvatarState != asIdle; ++i) {
        TheAvatar().UpdateBy(true, nullptr, 1.0f);
    }
}

// Headless play: visits across the regions until the profile holds EventTarget events.
void PlayUntilTarget(TCustomPlayerState& game) {
    RunUntilIdle();
    int32_t visit = 0;
    while (game.Events().Count() < EventTarget) {
        TRegion* region = CurrentRegion();
        TSite* site = region->Sites.First();
        for (int32_t i = (visit * 7) % 20; i > 0; --i) {
            site = static_cast<TSite*>(site->Next());
        }
        TheAvatar().GoToSite(site, true);
        RunUntilIdle();
        if (++visit % 10 == 0) {
            TRegion* next = static_cast<TRegion*>(region->Next());
            TheAvatar().TravelTo(next != nullptr ? next : ScenarioRegions().First());
            RunUntilIdle();
        }
    }
    while (game.Events().Count() > EventTarget) {
        game.Events().Remove(game.Events().Last(), true);
    }
}

class TGame {
public:
    TGame() {
        ApplicationStart();
        ServiceInit(folder.Path().string());
        SetStorageFolderPath(sfUser, folder.Path().string());
        PlayersStart();
        ScenarioStart();
        BuildWorld();
        AvatarStart();
        ResetWorld();
    }
    ~TGame() {
        AvatarStop();
        ScenarioStop();
        PlayersStop();
        ServiceShutdown();
        ApplicationStop();
    }
    TGame(const TGame&) = delete;
    TGame& operator=(const TGame&) = delete;

    const test::TTempFolder folder;
};

void BM_ReplayHundredThousandEvents(benchmark::State& state) {
    TGame world;
    TCustomPlayerState& game = *CurrentGameState();
    PlayUntilTarget(game);
    for (auto _ : state) {
        game.Restart();
    }
    state.SetItemsProcessed(state.iterations() * game.Events().Count());
    state.counters["events"] = static_cast<double>(game.Events().Count());
}
BENCHMARK(BM_ReplayHundredThousandEvents)->Unit(benchmark::kMillisecond);

void BM_IdleAvatarUpdate(benchmark::State& state) {
    TGame world;
    RunUntilIdle();
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        TheAvatar().UpdateBy(true, nullptr, 0.016f);
    }
    state.counters["allocations/frame"] = static_cast<double>(test::AllocationCount() - before) /
                                          static_cast<double>(state.iterations());
}
BENCHMARK(BM_IdleAvatarUpdate);

} // namespace
} // namespace valdmoor
