// One frame of particle work: updating 640 live particles with every over-life change, and
// emitting 100 particles a frame while as many die. Reports heap allocations per frame, which
// must stay 0.
#include "TestSupport.h"
#include "effects/EngineEffects.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr float Frame = 1 / 64.0f;

TEmitterSettings Busy() {
    TEmitterSettings s;
    s.CountMode = 1;
    s.PositionMode = 1;
    s.Extent = {200, 200};
    s.DirectionMode = 2;
    s.DistanceMode = 1;
    s.Distance = 100;
    s.DistanceSpread = 50;
    s.SizeMode = 1;
    s.Size = {16, 16};
    s.SizeSpread = {8, 8};
    s.RotationMode = 2;
    s.SpinMode = 1;
    s.Spin = 90;
    s.SpinSpread = 90;
    s.ColorMode = 1;
    s.Color1 = {1, 1, 1};
    s.Color2 = {1, 0.5f, 0};
    s.AlphaMode = 1;
    s.Alpha = 0.8f;
    s.AlphaSpread = 0.2f;
    s.MoveOverLife = s.ScaleOverLife = s.SpinOverLife = s.ColorOverLife = s.AlphaOverLife = true;
    s.MoveCurve = "0-6-9-1";
    s.ScaleCurve = "0-1";
    s.SpinCurve = "0-1";
    s.AlphaCurve = "0-1-1-0";
    s.EndScale = 0.2f;
    s.EndColor = {1, 0, 0};
    return s;
}

// Runs Frames of the effect after a warm-up, counting allocations.
void Run(benchmark::State& state, const TEmitterSettings& settings) {
    VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
    EffectsStart();
    TEffectFile file;
    file.Emitters = {settings};
    const std::unique_ptr<TEffect> effect = BuildEffect("Bench", file);
    TPerformer* performer = nullptr;
    CreatePerformerOf(performer, MainCanvas(), 0, effect.get());
    SetPerformerActive(performer, true);
    for (int i = 0; i < 64; ++i) {
        UpdateEffectsBy(Frame);
    }
    int32_t live = 0;
    for (TCluster& c : performer->Clusters) {
        live += c.Particles.Count();
    }
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        UpdateEffectsBy(Frame);
    }
    state.counters["allocations/frame"] = static_cast<double>(test::AllocationCount() - before) /
                                          static_cast<double>(state.iterations());
    state.counters["live"] = live;
    ReleasePerformer(performer);
    EffectsStop();
    VideoStop();
}

void BM_Update640Particles(benchmark::State& state) {
    TEmitterSettings s = Busy();
    s.Interval = 1; // one burst of 640 that lives through the run
    s.Limited = true;
    s.Count = ParticlePoolSize;
    s.Lifetime = 1e9f;
    Run(state, s);
}
BENCHMARK(BM_Update640Particles);

void BM_Emit100ParticlesAFrame(benchmark::State& state) {
    TEmitterSettings s = Busy();
    s.Interval = Frame;
    s.Count = 100;
    s.Lifetime = 3 * Frame; // as many die each frame as are born
    Run(state, s);
}
BENCHMARK(BM_Emit100ParticlesAFrame);

} // namespace
} // namespace valdmoor
