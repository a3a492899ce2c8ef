// The scenes of 10,000 visits on a generated world: the first scene of each visit, the skip
// loop, requirements and dialog tests, tint and music actions, the exchange rules, group flips
// and the end of the visit with its catch-up. Steady state must not allocate.
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
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int32_t Visits = 10000;

std::vector<TSite*> BuildWorld() {
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
    TSound* song = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
    TAchievement* achievement = ScenarioAchievements().Add(std::make_unique<TAchievement>("A"));
    achievement->Target = 1000000;
    // Requirement, loss, reward, barter, make and text scenes, half of them repeatable.
    const int32_t types[] = {13, 22, 31, 39, 47, 1, 8, 54};
    std::vector<TSite*> sites;
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
            site->Number = r * 100 + s;
            for (int32_t k = 0; k < 6; ++k, ++n) {
                auto scene = std::make_unique<TScene>();
                scene->Site = site.get();
                scene->Number = k;
                scene->SceneType = types[n % 8];
                scene->Repeatable = static_cast<uint8_t>(n % 2);
                scene->TintAction = n % 3 == 0 ? 150 : 0;
                scene->SoundAction = n % 7 == 0 ? 4 : 0;
                scene->Sound = song;
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
            sites.push_back(region->Sites.Add(std::move(site)));
        }
        ScenarioRegions().Add(std::move(region));
    }
    SetScenarioRegions(ScenarioRegions().First(), ScenarioRegions().First(), nullptr);
    return sites;
}

void PlayVisits(const std::vector<TSite*>& sites) {
    TChoices choices{};
    SetChoice(choices, 1, 2);
    SetChoice(choices, 2, 1);
    for (int32_t v = 0; v < Visits; ++v) {
        TSite* site = sites[static_cast<std::size_t>(v * 7919) % sites.size()];
        for (TScene* scene = site->FirstSceneToShow(); scene != nullptr;
             scene = scene->SceneAfter()) {
            benchmark::DoNotOptimize(scene->NeedsDialog());
            scene->ApplyTintAction();
            scene->ApplyMusicAction();
            if (scene->RequirementsMet()) {
                scene->ApplyAccepted(choices);
            }
            scene->ToggleGroups();
            ++scene->Executions;
        }
        site->CompleteVisit();
    }
}

void BM_TenThousandVisits(benchmark::State& state) {
    ApplicationStart();
    ScenarioStart();
    const std::vector<TSite*> sites = BuildWorld();
    ResetWorld();
    PlayVisits(sites);
    ResetWorld();
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        PlayVisits(sites);
        ResetWorld();
    }
    const int64_t allocations = test::AllocationCount() - before;
    state.counters["allocs_per_10000_visits"] = benchmark::Counter(
        static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations() * Visits);
    ScenarioStop();
    ApplicationStop();
}
BENCHMARK(BM_TenThousandVisits)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace valdmoor
