// The scenes of 10,000 visits on a generated world: the first scene of each visit, the skip
// loop, requirements and dialog tests, tint and music actions, the exchange rules, group flips
// and the end of the visit with its catch-up. Steady state must not allocate.
#include "GeneratedWorld.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "world/GameAchievement.h"
#include "world/GamePool.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int32_t Visits = 10000;

std::vector<TSite*> BuildWorld() {
    // Requirement, loss, reward, barter, make and text scenes, half of them repeatable.
    constexpr int32_t types[] = {13, 22, 31, 39, 47, 1, 8, 54};
    const bench::TGeneratedWorld world = bench::GenerateWorld(types, 0);
    world.Achievement->Target = 1000000;
    // Tint and music actions on some of the scenes.
    TSound* song = PoolSounds().Add(std::make_unique<TSound>("G8Song"));
    int32_t n = 0;
    for (TSite* site : world.Sites) {
        for (TScene& scene : site->Scenes) {
            scene.TintAction = n % 3 == 0 ? 150 : 0;
            scene.SoundAction = n % 7 == 0 ? 4 : 0;
            scene.Sound = song;
            ++n;
        }
    }
    return world.Sites;
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
