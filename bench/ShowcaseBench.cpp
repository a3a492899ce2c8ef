// The showcase frame at 1600 x 900, headless: one whole frame of the game loop (frame timer,
// effects, drawing) per iteration.
#include "ShowcaseScene.h"
#include "video/EngineVideo.h"

#include <memory>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

void BM_ShowcaseFrame(benchmark::State& state) {
    std::unique_ptr<showcase::TEngine> engine;
    try {
        engine = std::make_unique<showcase::TEngine>(VALDMOOR_GAME_DIR);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    showcase::TScene scene(VALDMOOR_SHOWCASE_EFFECT);
    // The first frames compile the shading programs and upload the pictures.
    for (int frame = 0; frame < 3; ++frame) {
        scene.Update();
        DrawFrame();
    }
    VideoDevice()->Finish();
    for (auto _ : state) {
        scene.Update();
        DrawFrame();
        VideoDevice()->Finish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowcaseFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace valdmoor
