// The new-game reset that every profile load, profile switch and undo starts with, on a world
// of 50 regions, 1,000 sites and 10,000 plots. It must not allocate.
#include "ScenarioModel.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
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

// A generated scenario file: 50 regions of 20 sites with 10 scenes each (1,000 sites and
// 10,000 scenes), 200 plots per region, 200 props, 100 hints and 50 achievements.
std::string GeneratedScenario() {
    using namespace scenario;
    TWorldModel world;
    for (std::size_t kind = 0; kind < world.Pool.size(); ++kind) {
        for (int i = 0; i < 100; ++i) {
            world.Pool[kind].push_back("P" + std::to_string(kind) + "_" + std::to_string(i));
        }
    }
    for (int p = 0; p < 200; ++p) {
        TPropModel& prop = world.Props.emplace_back();
        prop.Name = "Prop" + std::to_string(p);
        prop.Kind = p % 5;
        prop.Caption = p % 100 + 1;
        prop.InitialCount = p % 7;
    }
    int32_t siteIndex = 0;
    for (int r = 0; r < 50; ++r) {
        TRegionModel& region = world.Regions.emplace_back();
        region.Name = "Region" + std::to_string(r);
        region.Number = r + 1;
        for (int c = 0; c < CellCount; ++c) {
            region.Cells[static_cast<std::size_t>(c)] = {c % 100 + 1, c % 3};
        }
        region.Plots.resize(200);
        for (std::size_t i = 0; i < region.Plots.size(); ++i) {
            region.Plots[i].Group = static_cast<int32_t>(i % 100 + 1);
            region.Plots[i].Figure = static_cast<int32_t>(i % 100 + 1);
        }
        for (int s = 0; s < 20; ++s) {
            TSiteModel& site = region.Sites.emplace_back();
            site.Name = "Site" + std::to_string(siteIndex++);
            site.Number = siteIndex;
            site.NeedVisited[0] = siteIndex > 1 ? siteIndex - 1 : 0;
            site.NextRecommended = siteIndex < 1000 ? siteIndex + 1 : 0;
            site.Hint = siteIndex % 100 + 1;
            for (int k = 0; k < 10; ++k) {
                TSceneModel& scene = site.Scenes.emplace_back();
                scene.Number = siteIndex * 10 + k;
                scene.SceneType = 38 + k % 8; // barter scenes fill both sides
                scene.Inputs[0] = {k + 1, 2};
                scene.Outputs[0] = {k + 20, 1};
                scene.Groups[0] = k + 1;
            }
        }
    }
    for (int h = 0; h < 100; ++h) {
        THintModel& hint = world.Hints.emplace_back();
        hint.Name = "Hint" + std::to_string(h);
        hint.Number = h + 1;
        hint.UntilVisited = h * 10 + 1;
        hint.Subhints[0] = h < 99 ? h + 2 : 0;
    }
    for (int a = 0; a < 50; ++a) {
        TAchievementModel& achievement = world.Achievements.emplace_back();
        achievement.Name = "Achievement" + std::to_string(a);
        achievement.Number = a + 1;
        achievement.Target = 5;
        achievement.Parent = a > 0 ? 1 : 0;
    }
    world.MenuRegion = 1;
    world.StartRegion = 2;
    world.RecommendationStart = 1;
    world.RegionCounter = 50;
    return WriteWorldBytes(world);
}

void BM_LoadScenario(benchmark::State& state) {
    ApplicationStart();
    const std::string bytes = GeneratedScenario();
    for (auto _ : state) {
        state.PauseTiming();
        ScenarioStop();
        ScenarioStart();
        TMemoryStream stream(bytes);
        state.ResumeTiming();
        LoadScenarioFrom(stream);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    ScenarioStop();
    ApplicationStop();
}
BENCHMARK(BM_LoadScenario)->Unit(benchmark::kMillisecond);

void BM_ResetLoadedScenario(benchmark::State& state) {
    ApplicationStart();
    ScenarioStart();
    TMemoryStream stream(GeneratedScenario());
    LoadScenarioFrom(stream);
    ResetWorld();
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        ResetWorld();
        benchmark::DoNotOptimize(CurrentRegion());
    }
    state.counters["allocs_per_reset"] =
        benchmark::Counter(static_cast<double>(test::AllocationCount() - before) /
                           static_cast<double>(state.iterations()));
    ScenarioStop();
    ApplicationStop();
}
BENCHMARK(BM_ResetLoadedScenario)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace valdmoor
