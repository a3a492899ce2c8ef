// Feeds arbitrary bytes to the ".emt" reader; whatever it accepts must write back to the same
// effect, and must play for a few frames of every length on the in-memory device without
// crashing, hanging or outgrowing the particle pool.
#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace valdmoor;
    TEffectFile file;
    try {
        file = ReadEmt(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.emt");
    } catch (const EngineError&) {
        return 0;
    }
    if (!(ReadEmt(WriteEmt(file), "again.emt") == file)) {
        std::abort();
    }
    static const bool started = [] {
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        EffectsStart();
        return true;
    }();
    if (!started || file.Emitters.size() > 4) {
        return 0;
    }
    for (TEmitterSettings& s : file.Emitters) {
        // Pictures are loaded by name from disk: not this reader's business.
        s.Texture0.clear();
        s.Texture1.clear();
        // Keeps each input fast; the engine's own caps are what is under test.
        s.Count = std::clamp(s.Count, -8, 8);
        s.Density = std::clamp(s.Density, -100, 100);
    }
    const std::unique_ptr<TEffect> effect = BuildEffect("fuzz", file);
    StartEffect(nullptr, effect.get(), MainCanvas(), 0, 0, 0);
    TPerformer* held = nullptr;
    CreatePerformerOf(held, MainCanvas(), 0x7FFFFFFF, effect.get());
    held->Width = std::clamp(file.Size.X, -1000.0f, 1000.0f);
    held->Height = std::clamp(file.Size.Y, -1000.0f, 1000.0f);
    SetPerformerActive(held, true);
    for (const float frame : {0.0f, 1 / 60.0f, 1.2f, 1 / 60.0f}) {
        UpdateEffectsBy(frame);
    }
    int32_t particles = 0;
    for (TPerformer& p : *Performers()) {
        for (TCluster& c : p.Clusters) {
            particles += c.Particles.Count();
        }
    }
    if (particles > ParticlePoolSize) {
        std::abort();
    }
    ReleasePerformer(held);
    StopEffectsOf(nullptr, true);
    if (Performers()->Count() != 0 || MainCanvas()->Sprites.Count() != 0) {
        std::abort();
    }
    return 0;
}
