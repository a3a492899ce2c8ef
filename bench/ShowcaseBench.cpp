// The showcase frame, headless: one whole frame of the game loop (frame timer, effects,
// drawing) per iteration. The frame is meant to be 1600 x 900; the label and counters say how
// many pixels the window's surface really had.
#include "ShowcaseScene.h"
#include "video/EngineVideo.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

void BM_ShowcaseFrame(benchmark::State& state) {
    std::unique_ptr<showcase::TEngine> engine;
    // Headless windows take their size from here (a run may choose another one).
    setenv("VALDMOOR_WINDOW_SIZE", "1600x900", 0);
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
    int width = 0;
    int height = 0;
    VideoDevice()->DrawnSize(width, height);
    state.SetLabel("drawn " + std::to_string(width) + "x" + std::to_string(height));
    state.counters["drawn_width"] = width;
    state.counters["drawn_height"] = height;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowcaseFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace valdmoor
