// Particle effects: smoke, sparkles, flashes. An effect is a named definition loaded from an
// ".emt" file, holding emitters; a performer is one running instance of an effect at a place
// on a canvas, with one cluster per emitter that emits particles in bursts. Every particle is
// one sprite whose position, size, angle, colour, alpha and picture frame follow its age.
// Performers, clusters and particles come from pools built at start, so a running effect
// allocates nothing.
#pragma once

#include "app/EngineClasses.h"
#include "effects/EffectFiles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace valdmoor {

class TCanvas;
class TSprite;
class TTexture;
class TPerformer;

constexpr int32_t PerformerPoolSize = 128;
constexpr int32_t ClusterPoolSize = 128;
// Particles never outgrow this pool: a burst that finds it empty makes fewer particles.
constexpr int32_t ParticlePoolSize = 640;
// One cluster update emits at most this many bursts; when more are due (a long frame, a long
// prewarm, a tiny interval) the earliest are dropped, as their particles would be the oldest.
constexpr int32_t MaxBurstsPerUpdate = 256;

// One emitter of an effect: its settings as read, with the shading mode and pictures found.
class TEmitor : public TNamedItem {
public:
    TEmitor(const TEmitterSettings& settings, int32_t index);

    int32_t Index; // position in the file, 0-based; its particles draw at performer layer + Index
    TEmitterSettings Settings;
    int32_t ShadingMode = 0;
    TTexture* Texture0 = nullptr;
    TTexture* Texture1 = nullptr;
};

class TEffect : public TNamedItem {
public:
    explicit TEffect(std::string name) : TNamedItem(std::move(name)) {}

    TContainerOf<TEmitor> Emitters{false, true};
    float Duration = 0; // the longest Duration of its limited emitters; 0 when none
    TVector2 Offset;
    TVector2 Size;
};

class TParticle : public TItem {
public:
    // Back to the pool: its sprite is released.
    void Detached() override;

    TSprite* Sprite = nullptr;
    TVector2 Origin; // where a world-space particle was born
    TVector2 Start;  // offset from the origin
    float Heading = 0;
    TVector2 Direction;
    float Distance = 0;
    float Width = 0;
    float Height = 0;
    float Rotation = 0;
    float SpinRate = 0;
    float Red = 0;
    float Green = 0;
    float Blue = 0;
    float Opacity = 0;
    float Life = 0; // seconds
    float AgeRate = 0;
    float Age = 0; // 0 .. 1
};

class TCluster : public TItem {
public:
    TCluster();
    ~TCluster() override;
    // Back to the pool: its particles go too.
    void Detached() override;

    TContainerOf<TParticle> Particles;
    TEmitor* Emitter = nullptr;
    float Timer = 0;
    float Remaining = 0;
    bool Emitting = false;
};

class TPerformer : public TItem {
public:
    TPerformer();
    ~TPerformer() override;
    // Back to the pool: clusters, particles and owner go.
    void Detached() override;

    bool Held = false; // a caller's variable owns it; otherwise it vanishes when done
    const void* Owner = nullptr;
    TCanvas* Canvas = nullptr;
    int32_t Layer = 0;
    // Written directly by the performer's users.
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    float Alpha = 1; // multiplies every particle's alpha
    TContainerOf<TCluster> Clusters;
    TEffect* Effect = nullptr;
    bool Active = false;
};

// Builds the pools. Stop removes every performer and effect and accepts effects that never
// started; it has to come before video stops, as particles hold sprites.
void EffectsStart();
void EffectsStop();
bool EffectsStarted();

// The effect Name, loaded from Name".emt" in the ordinary folder on first use. A missing or
// damaged file is logged and plays a magenta default effect instead. Nil before start.
TEffect* GetEffect(std::string_view name);
// An effect made from file data, not listed among the loaded effects.
std::unique_ptr<TEffect> BuildEffect(std::string name, const TEffectFile& file);

// A fire-and-forget performer of Effect at (X, Y), playing at once; it vanishes when its
// emitters are done and its last particle is gone. Nothing happens for a nil effect or canvas.
void StartEffect(const void* owner, TEffect* effect, TCanvas* canvas, float x, float y,
                 int32_t layer);
// When Performer is nil, stores a new held performer in it; it stays inactive until
// SetPerformerActive(Performer, true).
void CreatePerformer(TPerformer*& performer, TCanvas* canvas, int32_t layer,
                     std::string_view effectName);
void CreatePerformerOf(TPerformer*& performer, TCanvas* canvas, int32_t layer, TEffect* effect);
// Removes the performer at once (its particles disappear) and clears the variable.
void ReleasePerformer(TPerformer*& performer);
// On starts one cluster per emitter; off stops their emission while live particles fly on.
// Nothing happens when the state is unchanged.
void SetPerformerActive(TPerformer* performer, bool on);
// Every fire-and-forget performer of Owner: removed at once, or left to stop emitting and
// vanish with its last particle.
void StopEffectsOf(const void* owner, bool removeNow);

// Once a frame: advances every performer by the frame time.
void UpdateEffects();
void UpdateEffectsBy(float frameTime);

// The live performers, for inspection.
TContainerOf<TPerformer>* Performers();

} // namespace valdmoor
