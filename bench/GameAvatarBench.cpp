// The avatar: a profile of 100,000 recorded events replayed onto a generated world (the
// world's reset included), and the per-frame update of an idle avatar, which must not
// allocate.
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "world/GameAchievement.h"
#include "world/GameAvatar.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int32_t EventTarget = 100000;

void BuildWorld() {
    std::vector<TProp*> props;
    for (int32_t p = 0; p < 100; ++p) {
        auto prop = std::make_unique<TProp>("Prop" + std::to_string(p));
        prop->Kind = p % PropKindCount;
        prop->InitialCount = 50;
        props.push_back(ScenarioProps().Add(std::move(prop)));
    }
    std::vector<TGroup*> groups;
    for (int32_t g = 0; g < 20; ++g) {
        groups.push_back(PoolGroups().Add(std::make_unique<TGroup>("Group" + std::to_string(g))));
    }
    TAchievement* achievement = ScenarioAchievements().Add(std::make_unique<TAchievement>("A"));
    achievement->Target = 2000000000;
    // Loss, reward, barter, make and text scenes, half of them repeatable.
    const int32_t types[] = {22, 31, 39, 47, 2, 54};
    int32_t n = 0;
    for (int32_t r = 0; r < 50; ++r) {
        auto region = std::make_unique<TRegion>("Region" + std::to_string(r));
        region->Number = r + 1;
        region->Map.Plots.resize(20);
        for (int32_t i = 0; i < 20; ++i) {
            region->Map.Plots[static_cast<std::size_t>(i)].Group =
                groups[static_cast<std::size_t>(i)];
        }
        for (int32_t s = 0; s < 20; ++s) {
            auto site = std::make_unique<TSite>("Site");
            site->Region = region.get();
            site->Number = r * 100 + s + 1;
            site->Group = groups[static_cast<std::size_t>(s)];
            for (int32_t k = 0; k < 6; ++k, ++n) {
                auto scene = std::make_unique<TScene>();
                scene->Site = site.get();
                scene->Number = k + 1;
                scene->SceneType = types[n % 6];
                scene->Repeatable = static_cast<uint8_t>(n % 2);
                for (int32_t slot = 0; slot < 2; ++slot) {
                    scene->Inputs[static_cast<std::size_t>(slot)] = {
                        props[static_cast<std::size_t>((n + slot) % 100)], 1 + slot};
                    scene->Outputs[static_cast<std::size_t>(slot)] = {
                        props[static_cast<std::size_t>((n + 7 * slot + 3) % 100)], 2};
                }
                scene->Achievement = achievement;
                scene->AchievementAmount = 1;
                scene->Groups[0] = groups[static_cast<std::size_t>(n % 20)];
                site->Scenes.Add(std::move(scene));
            }
            region->Sites.Add(std::move(site));
        }
        ScenarioRegions().Add(std::move(region));
    }
    SetScenarioRegions(ScenarioRegions().First(), ScenarioRegions().First(), nullptr);
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
