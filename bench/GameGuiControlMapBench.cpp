// The play screen's map, headless at 1600 x 900: a full region (every terrain blended, a lake
// and a river that flow, a hundred plots with a group fading in and out, fog over half the
// map with its mist running) and a scene's effect running, also with the smoke, mist and
// fires of the game's busiest map among the plots, or with the game's own mist over the
// hidden land instead of the sparkles that stand in for it. One iteration is one whole frame:
// the control's update and drawing, the effects, the frame drawn and finished. The frame
// times' median and 95th percentile are reported as counters (p50_ms, p95_ms), for the
// kept pictures and for drawing every layer every frame, with the shares of frames that drew
// the ground again whole (ground_share) or in parts (parts_share), and the processor time a
// frame took in all the process's threads (cpu_ms): what it costs on an idle machine, where
// the wall-clock times also depend on what else the machine runs. The floor under it all is
// the screen cleared and one full-screen quad (BM_FullScreenQuad).
#include "MapScenery.h"
#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "screens/GameGuiControlMap.h"
#include "video/EngineVideo.h"
#include "world/GamePool.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr float Step = 1.0f / 60.0f;

// The processor time of the whole process (the renderer's threads included), in ms: what a
// frame costs whatever else the machine is doing.
double ProcessMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Median and 95th percentile of sorted frame times.
void Report(benchmark::State& state, std::vector<double>& times, double cpu) {
    std::sort(times.begin(), times.end());
    auto percentile = [&](double p) {
        if (times.empty()) {
            return 0.0;
        }
        const auto index = static_cast<std::size_t>(p * static_cast<double>(times.size() - 1));
        return times[index];
    };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p95_ms"] = percentile(0.95);
    state.counters["max_ms"] = times.empty() ? 0.0 : times.back();
    state.counters["cpu_ms"] = times.empty() ? 0.0 : cpu / static_cast<double>(times.size());
}

// The headless engine with the map's pictures on a black screen; null, with the benchmark
// skipped, where this machine cannot draw.
std::unique_ptr<test::TMapEngine> StartMapEngine(benchmark::State& state) {
    std::unique_ptr<test::TMapEngine> engine;
    try {
        engine = std::make_unique<test::TMapEngine>(VALDMOOR_GAME_ORDINARY);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return nullptr;
    }
    MainCanvas()->ClearColor = 0xFF000000;
    test::AddMapPictures();
    return engine;
}

void MapFrame(benchmark::State& state, bool redrawAll, bool effectPlots,
              const char* fogEffect = "G2Sparkle") {
    const std::unique_ptr<test::TMapEngine> engine = StartMapEngine(state);
    if (engine == nullptr) {
        return;
    }
    PoolStart();
    {
        const test::TSceneryPool pool = test::AddSceneryPool();
        std::unique_ptr<TRegion> region = test::BuildFullRegion(pool);
        if (effectPlots) {
            // The game's busiest map's smoke, mist and fires, all burning at once.
            test::AddEffectPlots(*region, nullptr);
            for (TPlotData& plot : region->Map.Plots) {
                plot.Hidden = 0;
            }
        }
        auto map = std::make_unique<TGuiControlMap>();
        map->Canvas = MainCanvas();
        // Where the play form puts it.
        map->Size = {1560, 860};
        map->Layer = -100;
        // Sparkles stand in for the mist unless the game's own is asked for: its puffs cover
        // all the land.
        map->FogEffectName = fogEffect;
        map->Initialize();
        map->SetRedrawAll(redrawAll);
        map->SetMap(region.get());
        map->ApplyReveals();
        TEffector effector("G2Sparkle");
        TScene scene;
        scene.EffectEffector = &effector;
        scene.ScreenX = -200;
        scene.ScreenY = 100;
        map->PlaySceneEffects(&scene);

        int64_t frame = 0;
        int64_t groundDraws = 0;
        int64_t groundParts = 0;
        auto step = [&] {
            // The village appears and vanishes again every four seconds.
            if (++frame % 120 == 0) {
                FlipGroup(pool.Group);
            }
            AdvanceFrameCounter();
            UpdateWatersBy(Step);
            map->UpdateBy(Step);
            map->Refresh(true);
            UpdateEffectsBy(Step);
            groundDraws += map->GroundCanvas()->PictureValid ? 0 : 1;
            groundParts += map->GroundCanvas()->PictureValid && map->GroundCanvas()->DirtyCount > 0;
            DrawFrame();
            VideoDevice()->Finish();
        };
        // The first frames compile the shading programs and upload the pictures.
        for (int32_t f = 0; f < 5; ++f) {
            step();
        }
        std::vector<double> times;
        times.reserve(100000);
        const double cpu = ProcessMs();
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            step();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            times.push_back(took.count());
        }
        Report(state, times, ProcessMs() - cpu);
        // The shares of frames that had to draw the kept ground again, whole or in parts.
        state.counters["ground_share"] =
            frame > 0 ? static_cast<double>(groundDraws) / static_cast<double>(frame) : 0.0;
        state.counters["parts_share"] =
            frame > 0 ? static_cast<double>(groundParts) / static_cast<double>(frame) : 0.0;
        int width = 0;
        int height = 0;
        VideoDevice()->DrawnSize(width, height);
        state.SetLabel("drawn " + std::to_string(width) + "x" + std::to_string(height));
        map.reset();
        region.reset();
    }
    PoolStop();
}

// The floor under any map: the screen cleared and one kept full-screen picture shown on it,
// the least a frame of the play screen draws.
void BM_FullScreenQuad(benchmark::State& state) {
    const std::unique_ptr<test::TMapEngine> engine = StartMapEngine(state);
    if (engine == nullptr) {
        return;
    }
    TCanvas* kept = nullptr;
    CreateCanvas(kept, -100, 1560, 860);
    SetCanvasRetained(kept, true);
    TSprite* picture = nullptr;
    CreateSprite(picture, kept, 0);
    picture->Width = 1560;
    picture->Height = 860;
    picture->Layers[0] = {GetTexture("G2BackgroundMap"), 0};
    TSprite* shown = nullptr;
    const bool quad = state.range(0) != 0;
    if (quad) {
        CreateSprite(shown, MainCanvas(), 0);
        shown->Width = 1560;
        shown->Height = 860;
        shown->Layers[0] = {kept->Texture.get(), 0};
    }
    for (int32_t f = 0; f < 5; ++f) {
        DrawFrame();
        VideoDevice()->Finish();
    }
    std::vector<double> times;
    const double cpu = ProcessMs();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        AdvanceFrameCounter();
        DrawFrame();
        VideoDevice()->Finish();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
    }
    Report(state, times, ProcessMs() - cpu);
    state.SetLabel(quad ? "clear and one quad" : "clear only");
    ReleaseSprite(shown);
    ReleaseSprite(picture);
    ReleaseCanvas(kept);
}
BENCHMARK(BM_FullScreenQuad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MapFrameKept(benchmark::State& state) {
    MapFrame(state, false, false);
}
void BM_MapFrameRedrawAll(benchmark::State& state) {
    MapFrame(state, true, false);
}
// The same region with the ten effect plots of the game's busiest map running.
void BM_MapFrameKeptEffectPlots(benchmark::State& state) {
    MapFrame(state, false, true);
}
// The game's own mist over the hidden land instead of the sparkles.
void BM_MapFrameKeptGameMist(benchmark::State& state) {
    MapFrame(state, false, false, "G2MapFog");
}
// Enough frames that the village's fades and the water's steps weigh in as they do in play.
BENCHMARK(BM_MapFrameKept)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);
BENCHMARK(BM_MapFrameRedrawAll)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_MapFrameKeptEffectPlots)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);
BENCHMARK(BM_MapFrameKeptGameMist)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);

} // namespace
} // namespace valdmoor
