// The new-game reset that every profile load, profile switch and undo starts with, on a world
// of 50 regions, 1,000 sites and 10,000 plots. It must not allocate.
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

void BuildWorld() {
    for (int g = 0; g < 100; ++g) {
        PoolGroups().Add(std::make_unique<TGroup>("Group" + std::to_string(g)));
    }
    for (int p = 0; p < 200; ++p) {
        auto prop = std::make_unique<TProp>("Prop" + std::to_string(p));
        prop->Kind = p % PropKindCount;
        prop->InitialCount = p % 7;
        ScenarioProps().Add(std::move(prop));
    }
    for (int a = 0; a < 50; ++a) {
        auto achievement = std::make_unique<TAchievement>("A" + std::to_string(a));
        achievement->Hidden = static_cast<uint8_t>(a % 2);
        ScenarioAchievements().Add(std::move(achievement));
    }
    TGroup* group = PoolGroups().First();
    for (int r = 0; r < 50; ++r) {
        auto region = std::make_unique<TRegion>("Region" + std::to_string(r));
        region->Number = r + 1;
        region->Map.Plots.resize(200);
        for (TPlotData& plot : region->Map.Plots) {
            plot.Group = group;
            group = static_cast<TGroup*>(group->Next() != nullptr ? group->Next()
                                                                  : PoolGroups().First());
            plot.InitiallyHidden = static_cast<uint8_t>(r % 2);
        }
        for (int s = 0; s < 20; ++s) {
            auto site = std::make_unique<TSite>("Site");
            site->Number = r * 100 + s;
            site->Region = region.get();
            for (int k = 0; k < 3; ++k) {
                auto scene = std::make_unique<TScene>();
                scene->Site = site.get();
                site->Scenes.Add(std::move(scene));
            }
            region->Sites.Add(std::move(site));
        }
        ScenarioRegions().Add(std::move(region));
    }
    SetScenarioRegions(ScenarioRegions().First(), ScenarioRegions().First(), nullptr);
}

void BM_ResetWorld(benchmark::State& state) {
    ApplicationStart();
    ScenarioStart();
    BuildWorld();
    // The first reset of a run registers the plot groups; the later ones are the steady state.
    ResetWorld();
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        ResetWorld();
        benchmark::DoNotOptimize(CurrentRegion());
    }
    const int64_t allocations = test::AllocationCount() - before;
    state.counters["allocs_per_reset"] = benchmark::Counter(
        static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    ScenarioStop();
    ApplicationStop();
}
BENCHMARK(BM_ResetWorld);

} // namespace
} // namespace valdmoor
