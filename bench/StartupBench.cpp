// Whole programs run end to end, with their peak memory: the game executable to its first
// drawn frame of the menu ("valdmoor -headless -frames 3" on the game folder's data, with the
// language already chosen: the first screen's transition swaps the menu in on the third frame;
// shut-down included),
// and the showcase program (start, compose, capture, write the PNG).
#include "ChildProcess.h"
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

void BM_GameStartToFirstFrame(benchmark::State& state) {
    const test::TTempFolder home;
    // A player who chose a language long ago: the first screen is the menu.
    home.Write("Quillane/Valdmoor/Cloud/StartLanguage.str", "English");
    double peak = 0;
    for (auto _ : state) {
        const bench::TChildRun run =
            bench::RunChild(VALDMOOR_GAME_EXE, {"-headless", "-frames", "3"},
                            {"VALDMOOR_HOME=" + home.Path().string()});
        if (run.ExitCode != 0) {
            state.SkipWithError("valdmoor -headless -frames 3 failed");
            break;
        }
        state.SetIterationTime(run.Seconds);
        peak = std::max(peak, run.PeakMegabytes);
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_GameStartToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_ShowcaseProgram(benchmark::State& state) {
    const std::string output =
        (std::filesystem::temp_directory_path() / "valdmoor-showcase-bench.png").string();
    double peak = 0;
    for (auto _ : state) {
        const bench::TChildRun run = bench::RunChild(VALDMOOR_SHOWCASE_EXE, {output});
        if (run.ExitCode != 0) {
            state.SkipWithError("valdmoor-showcase failed");
            break;
        }
        state.SetIterationTime(run.Seconds);
        peak = std::max(peak, run.PeakMegabytes);
    }
    std::filesystem::remove(output);
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_ShowcaseProgram)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace
} // namespace valdmoor
