// The world prover's speed: states explored per second on a generated world whose sites may
// be visited in any order, so the state space grows with every subset of visited sites.
#include "ScenarioProve.h"
#include "ScenarioYaml.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameAvatar.h"
#include "world/GameScenario.h"

#include <benchmark/benchmark.h>

namespace {

using namespace valdmoor;
using namespace valdmoor::scenario;

std::string GeneratedWorld(int32_t sites) {
    std::string text = "props:\n  - {name: Gold, kind: property}\nregions:\n  - name: Land\n"
                       "    sites:\n";
    for (int32_t i = 0; i < sites; ++i) {
        text += "      - name: S" + std::to_string(i) +
                "\n        scenes:\n          - {type: Text}\n"
                "          - {type: Rewards 1, outputs: [{prop: Gold, amount: 1}]}\n";
    }
    text +=
        "      - name: Exit\n        need-props: [{prop: Gold, amount: " + std::to_string(sites) +
        "}]\n        ends-game: true\nstart-region: Land\n";
    return text;
}

void BM_ProveGeneratedWorld(benchmark::State& state) {
    ApplicationStart();
    ScenarioStart();
    AvatarStart();
    std::vector<std::string> warnings;
    TMemoryStream stream(CompileWorldText(GeneratedWorld(static_cast<int32_t>(state.range(0))),
                                          "Generated.yaml", warnings));
    LoadScenarioFrom(stream);
    TProveOptions options;
    options.MaxStates = 3000;
    int64_t states = 0;
    for (auto _ : state) {
        const TProveReport report = ProveWorld(options);
        states += report.States;
        benchmark::DoNotOptimize(report.EndingReachable);
    }
    state.counters["states/s"] =
        benchmark::Counter(static_cast<double>(states), benchmark::Counter::kIsRate);
    AvatarStop();
    ScenarioStop();
    ApplicationStop();
}
BENCHMARK(BM_ProveGeneratedWorld)->Arg(6)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace
