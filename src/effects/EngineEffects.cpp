#include "effects/EngineEffects.h"

#include "app/EngineApplication.h"
#include "platform/EngineTimer.h"
#include "storage/EngineStorage.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace valdmoor {
namespace {

constexpr float DegreesPerRadian = 180 / std::numbers::pi_v<float>;
// Fixed, so that headless runs repeat exactly.
constexpr uint64_t RandomSeed = 0x56616C646D6F6F72;

struct TEffectsState {
    bool started = false;
    uint64_t random = RandomSeed;
    std::unique_ptr<TCache> particles;
    std::unique_ptr<TCache> clusters;
    std::unique_ptr<TContainerOf<TPerformer>> performers;
    std::unique_ptr<TContainerOf<TEffect>> effects;
};

TEffectsState state;

// splitmix64: small, fast and good enough for looks.
uint64_t NextRandom() {
    uint64_t z = (state.random += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

// Uniform in [0, 1).
float Random() {
    return static_cast<float>(NextRandom() >> 40) * 0x1.0p-24f;
}

bool RandomChoice() {
    return (NextRandom() >> 63) == 0;
}

float Spread(float value, float spread) {
    return (Random() - 0.5f) * spread + value;
}

// Keeps the sign: -400 gives -40.
float Wrap(float angle) {
    return std::fmod(angle, 360.0f);
}

float Length(float x, float y) {
    return std::hypot(x, y);
}

// ---------------------------------------------------------------------------------------------
// Generator rules, one table per mode field, indexed by the emitter's mode value. Each rule may
// read what the rules before it wrote.

struct TBirth {
    const TEmitterSettings& S;
    const TPerformer& Performer;
    TParticle& Particle;
};

using TRule = void (*)(TBirth&);

void SetHeading(TParticle& q, float heading) {
    q.Heading = heading;
    const float radians = heading / DegreesPerRadian;
    q.Direction = {std::sin(radians), -std::cos(radians)};
}

// Heading along V (0 degrees up, clockwise); no direction at all when V is zero.
void HeadAlong(TParticle& q, float x, float y) {
    const float length = Length(x, y);
    if (length == 0) {
        q.Heading = 0;
        q.Direction = {};
        return;
    }
    float heading = std::acos(std::clamp(-y / length, -1.0f, 1.0f)) * DegreesPerRadian;
    if (x < 0) {
        heading = 360 - heading;
    }
    SetHeading(q, heading);
}

// A point on the outline of the rectangle of size Extent centred at A, R running around it.
TVector2 OnOutline(TVector2 a, TVector2 extent, float r) {
    if (r < 0.25f) {
        return {a.X + extent.X * (4 * r - 0.5f), a.Y - 0.5f * extent.Y};
    }
    if (r < 0.5f) {
        return {a.X + extent.X * (4 * (r - 0.25f) - 0.5f), a.Y + 0.5f * extent.Y};
    }
    if (r < 0.75f) {
        return {a.X - 0.5f * extent.X, a.Y + extent.Y * (4 * (r - 0.5f) - 0.5f)};
    }
    return {a.X + 0.5f * extent.X, a.Y + extent.Y * (4 * (r - 0.75f) - 0.5f)};
}

constexpr TRule PositionRules[PositionModeCount] = {
    [](TBirth& b) { b.Particle.Start = b.S.PointA; },
    [](TBirth& b) {
        b.Particle.Start.X = Spread(b.S.PointA.X, b.S.Extent.X);
        b.Particle.Start.Y = Spread(b.S.PointA.Y, b.S.Extent.Y);
    },
    [](TBirth& b) {
        b.Particle.Start = {Spread(b.S.PointA.X, b.S.Extent.X), b.S.PointA.Y};
    },
    [](TBirth& b) {
        b.Particle.Start = {b.S.PointA.X, Spread(b.S.PointA.Y, b.S.Extent.Y)};
    },
    [](TBirth& b) {
        const float r = Random() - 0.5f;
        b.Particle.Start = {b.S.PointA.X + r * b.S.Extent.X, b.S.PointA.Y + r * b.S.Extent.Y};
    },
    [](TBirth& b) {
        const float r = Random() - 0.5f;
        b.Particle.Start = {b.S.PointA.X + r * b.S.Extent.X, b.S.PointA.Y - r * b.S.Extent.Y};
    },
    [](TBirth& b) { b.Particle.Start = OnOutline(b.S.PointA, b.S.Extent, Random()); },
    [](TBirth& b) {
        b.Particle.Start.X = (Random() - 0.5f) * b.Performer.Width;
        b.Particle.Start.Y = (Random() - 0.5f) * b.Performer.Height;
    },
    [](TBirth& b) {
        b.Particle.Start = OnOutline({}, {b.Performer.Width, b.Performer.Height}, Random());
    },
    [](TBirth& b) {
        b.Particle.Start = {(b.S.PointA.X + b.S.PointC.X) / 2, (b.S.PointA.Y + b.S.PointC.Y) / 2};
    },
};

constexpr TRule DirectionRules[DirectionModeCount] = {
    [](TBirth& b) { SetHeading(b.Particle, b.S.Angle); },
    [](TBirth& b) { SetHeading(b.Particle, Wrap(Spread(b.S.Angle, b.S.AngleSpread))); },
    [](TBirth& b) { SetHeading(b.Particle, Random() * 360); },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        HeadAlong(q, q.Start.X - b.S.PointA.X, q.Start.Y - b.S.PointA.Y);
    },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        HeadAlong(q, b.S.PointA.X - q.Start.X, b.S.PointA.Y - q.Start.Y);
    },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        HeadAlong(q, b.S.PointC.X - q.Start.X, b.S.PointC.Y - q.Start.Y);
    },
};

constexpr TRule DistanceRules[DistanceModeCount] = {
    [](TBirth& b) { b.Particle.Distance = b.S.Distance; },
    [](TBirth& b) { b.Particle.Distance = Spread(b.S.Distance, b.S.DistanceSpread); },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        q.Distance = Length(q.Start.X - b.S.PointA.X, q.Start.Y - b.S.PointA.Y);
    },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        q.Distance = Length(q.Start.X - b.S.PointC.X, q.Start.Y - b.S.PointC.Y);
    },
    [](TBirth& b) {
        TParticle& q = b.Particle;
        q.Distance = Length(q.Start.X - b.S.PointC.X, q.Start.Y - b.S.PointC.Y) * b.S.Distance;
    },
};

constexpr TRule SizeRules[SizeModeCount] = {
    [](TBirth& b) {
        b.Particle.Width = b.S.Size.X;
        b.Particle.Height = b.S.Size.Y;
    },
    [](TBirth& b) {
        b.Particle.Width = Spread(b.S.Size.X, b.S.SizeSpread.X);
        b.Particle.Height = Spread(b.S.Size.Y, b.S.SizeSpread.Y);
    },
    [](TBirth& b) { b.Particle.Width = b.Particle.Height = b.Particle.Distance; },
    [](TBirth& b) {
        b.Particle.Width = b.Particle.Distance;
        b.Particle.Height = b.S.Size.Y;
    },
    [](TBirth& b) {
        b.Particle.Width = b.S.Size.X;
        b.Particle.Height = b.Particle.Distance;
    },
};

constexpr TRule RotationRules[RotationModeCount] = {
    [](TBirth& b) { b.Particle.Rotation = b.S.Rotation; },
    [](TBirth& b) { b.Particle.Rotation = Wrap(Spread(b.S.Rotation, b.S.RotationSpread)); },
    [](TBirth& b) { b.Particle.Rotation = Random() * 360; },
    [](TBirth& b) { b.Particle.Rotation = b.Particle.Heading; },
};

constexpr TRule SpinRules[SpinModeCount] = {
    [](TBirth& b) { b.Particle.SpinRate = b.S.Spin; },
    [](TBirth& b) { b.Particle.SpinRate = Wrap(Spread(b.S.Spin, b.S.SpinSpread)); },
};

constexpr TRule ColorRules[ColorModeCount] = {
    [](TBirth& b) {
        b.Particle.Red = b.S.Color1.Red;
        b.Particle.Green = b.S.Color1.Green;
        b.Particle.Blue = b.S.Color1.Blue;
    },
    [](TBirth& b) {
        const float r = Random();
        const TColor3& a = b.S.Color1;
        const TColor3& c = b.S.Color2;
        b.Particle.Red = a.Red + (c.Red - a.Red) * r;
        b.Particle.Green = a.Green + (c.Green - a.Green) * r;
        b.Particle.Blue = a.Blue + (c.Blue - a.Blue) * r;
    },
};

constexpr TRule AlphaRules[AlphaModeCount] = {
    [](TBirth& b) { b.Particle.Opacity = b.S.Alpha; },
    [](TBirth& b) {
        b.Particle.Opacity = std::clamp(Spread(b.S.Alpha, b.S.AlphaSpread), 0.0f, 1.0f);
    },
};

constexpr TRule LifetimeRules[LifetimeModeCount] = {
    [](TBirth& b) { b.Particle.Life = b.S.Lifetime; },
    [](TBirth& b) { b.Particle.Life = b.Particle.Distance / b.S.Speed; },
};

// Burst sizes; rounding is half to even, in double so that exact halves stay exact.
using TCountRule = double (*)(const TEmitterSettings&, const TPerformer&);

constexpr TCountRule CountRules[CountModeCount] = {
    [](const TEmitterSettings&, const TPerformer&) { return 0.0; },
    [](const TEmitterSettings& s, const TPerformer&) { return static_cast<double>(s.Count); },
    [](const TEmitterSettings& s, const TPerformer& p) {
        const double area = double{p.Width} * p.Height * s.Density / 1e6;
        return std::max(1.0, std::nearbyint(area));
    },
    [](const TEmitterSettings& s, const TPerformer& p) {
        const double rim = (double{p.Width} + p.Height) * 2 * s.Density / 1e4;
        return std::max(1.0, std::nearbyint(rim));
    },
};

// ---------------------------------------------------------------------------------------------
// Particles and clusters

int32_t ParticleLayer(const TPerformer& p, const TEmitor& e) {
    const int64_t layer = int64_t{p.Layer} + e.Index;
    return static_cast<int32_t>(std::clamp<int64_t>(layer, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Advances the particle and puts its sprite where its age says; false once its life ended.
// On a kept canvas, only the parts the particle leaves and newly covers are drawn again.
bool AgeParticle(TParticle& q, const TEmitor& e, const TPerformer& p, float dt) {
    q.Age += dt * q.AgeRate;
    if (!(q.Age <= 1)) { // NaN ends it too
        return false;
    }
    const TEmitterSettings& s = e.Settings;
    const float t = q.Age;
    TSprite& sprite = *q.Sprite;
    if (sprite.Width != 0 && sprite.Height != 0) {
        InvalidateSpriteArea(&sprite);
    }

    TVector2 base = q.Origin;
    if (!s.WorldSpace) {
        base = {p.X + p.Effect->Offset.X, p.Y + p.Effect->Offset.Y};
    }
    float along = 0;
    if (s.MoveOverLife) {
        along = EvaluateCurve(s.MoveCurve, t) * q.Distance;
    }
    sprite.X = base.X + q.Start.X + q.Direction.X * along;
    sprite.Y = base.Y + q.Start.Y + q.Direction.Y * along;

    float scale = 1;
    if (s.ScaleOverLife) {
        scale = (s.EndScale - 1) * EvaluateCurve(s.ScaleCurve, t) + 1;
    }
    sprite.Width = q.Width * scale;
    sprite.Height = q.Height * scale;

    sprite.Angle = q.Rotation;
    if (s.SpinOverLife) {
        sprite.Angle =
            std::fmod(EvaluateCurve(s.SpinCurve, t) * q.SpinRate * q.Life + q.Rotation, 360.0f);
    }

    if (s.ColorOverLife) {
        sprite.Red = q.Red + (s.EndColor.Red - q.Red) * t;
        sprite.Green = q.Green + (s.EndColor.Green - q.Green) * t;
        sprite.Blue = q.Blue + (s.EndColor.Blue - q.Blue) * t;
    } else {
        sprite.Red = q.Red;
        sprite.Green = q.Green;
        sprite.Blue = q.Blue;
    }

    float alpha = q.Opacity * p.Alpha;
    if (s.AlphaOverLife) {
        alpha *= EvaluateCurve(s.AlphaCurve, t);
    }
    sprite.Alpha = alpha;

    if (s.Animate) {
        if (e.Texture0 != nullptr) {
            sprite.Layers[0].Texture = e.Texture0->FrameAt(s.AnimationIndex, t);
        }
        if (e.Texture1 != nullptr) {
            sprite.Layers[1].Texture = e.Texture1->FrameAt(s.AnimationIndex, t);
        }
    }
    // Lets "Morphing" cross-fade from layer 0 to layer 1 over the particle's life.
    sprite.ShadingParam = t;
    InvalidateSpriteArea(&sprite);
    return true;
}

void SetParticleLayer(TSprite& sprite, int32_t index, TTexture* texture, int32_t frame,
                      const TEmitterSettings& s) {
    if (texture != nullptr && s.Animate) {
        texture = texture->FrameAt(s.AnimationIndex, 0);
    }
    SetSpriteTexture(&sprite, index, texture);
    SetSpriteFrame(&sprite, index, frame);
}

void EmitParticle(TPerformer& p, TCluster& c) {
    const TEmitor& e = *c.Emitter;
    const TEmitterSettings& s = e.Settings;
    TSprite* sprite = nullptr;
    CreateSpriteKeepingPicture(sprite, p.Canvas, ParticleLayer(p, e));
    if (sprite == nullptr) {
        return;
    }
    TParticle& q = *c.Particles.NewItem();
    q.Sprite = sprite;
    if (s.RandomFlip && RandomChoice()) {
        sprite->Orientation = 5;
    }
    sprite->ShadingMode = e.ShadingMode;
    SetParticleLayer(*sprite, 0, e.Texture0, s.Frame0, s);
    SetParticleLayer(*sprite, 1, e.Texture1, s.Frame1, s);
    if (s.WorldSpace) {
        q.Origin = {p.X + p.Effect->Offset.X, p.Y + p.Effect->Offset.Y};
    }

    TBirth birth{s, p, q};
    PositionRules[s.PositionMode](birth);
    DirectionRules[s.DirectionMode](birth);
    DistanceRules[s.DistanceMode](birth);
    SizeRules[s.SizeMode](birth);
    RotationRules[s.RotationMode](birth);
    SpinRules[s.SpinMode](birth);
    ColorRules[s.ColorMode](birth);
    AlphaRules[s.AlphaMode](birth);
    LifetimeRules[s.LifetimeMode](birth);

    // An endless life (a travel at speed 0) would keep its performer alive for ever: such a
    // particle is never shown, like one of no life at all.
    if (q.Life > 0 && std::isfinite(q.Life)) {
        q.AgeRate = 1 / q.Life;
        if (AgeParticle(q, e, p, c.Timer)) {
            return;
        }
    }
    c.Particles.Remove(&q);
}

void Burst(TPerformer& p, TCluster& c) {
    const TEmitterSettings& s = c.Emitter->Settings;
    const double wanted = CountRules[s.CountMode](s, p);
    // More than the pool holds could never be alive at once; NaN gives none.
    const int32_t count =
        wanted > 0 ? static_cast<int32_t>(std::min<double>(wanted, ParticlePoolSize)) : 0;
    for (int32_t i = 0; i < count && state.particles->FreeCount() > 0; ++i) {
        EmitParticle(p, c);
    }
}

void EmitDueBursts(TPerformer& p, TCluster& c, float interval) {
    const TEmitterSettings& s = c.Emitter->Settings;
    const double byTimer = std::floor(double{c.Timer} / interval);
    double due = byTimer;
    if (s.Limited) {
        due = std::min(due, std::max(1.0, std::ceil(double{c.Remaining} / interval)));
    }
    if (due > MaxBurstsPerUpdate) {
        const double dropped = due - MaxBurstsPerUpdate;
        // The remainder keeps the phase of later bursts exact however large the timer grew.
        c.Timer = due == byTimer ? static_cast<float>(std::fmod(double{c.Timer}, interval) +
                                                      double{interval} * MaxBurstsPerUpdate)
                                 : static_cast<float>(c.Timer - dropped * interval);
        if (s.Limited) {
            c.Remaining = static_cast<float>(c.Remaining - dropped * interval);
        }
    }
    for (int32_t bursts = 0; c.Timer >= interval && bursts < MaxBurstsPerUpdate; ++bursts) {
        c.Timer -= interval;
        Burst(p, c);
        if (s.Limited) {
            c.Remaining -= interval;
            if (c.Remaining <= 0) {
                break;
            }
        }
    }
}

void UpdateCluster(TPerformer& p, TCluster& c, float dt) {
    const TEmitor& e = *c.Emitter;
    for (TParticle& q : c.Particles) {
        if (!AgeParticle(q, e, p, dt)) {
            c.Particles.Remove(&q);
        }
    }
    if (!c.Emitting) {
        return;
    }
    const TEmitterSettings& s = e.Settings;
    c.Timer += dt;
    if (s.Interval > 0) {
        EmitDueBursts(p, c, s.Interval);
    } else if (c.Timer >= 0) {
        // "While due, burst" never ends for an interval of 0 or less: such an emitter bursts
        // once per update instead, and a limited one counts the time that passed.
        c.Timer = 0;
        Burst(p, c);
        if (s.Limited) {
            c.Remaining -= dt;
        }
    }
    if (s.Limited && c.Timer >= c.Remaining) {
        c.Emitting = false;
    }
}

void StartCluster(TPerformer& p, TCluster& c) {
    const TEmitterSettings& s = c.Emitter->Settings;
    c.Timer = std::max(s.Interval, 0.0f) - s.Delay;
    if (s.Limited) {
        c.Remaining = s.Duration + std::max(c.Timer, 0.0f);
    }
    c.Emitting = true;
    if (s.Prewarm != 0) {
        UpdateCluster(p, c, s.Prewarm);
    }
}

void StopEmitting(TPerformer& p) {
    for (TCluster& c : p.Clusters) {
        c.Emitting = false;
    }
    p.Active = false;
}

TPerformer* NewPerformer(TCanvas* canvas, int32_t layer, TEffect* effect) {
    TPerformer* p = state.performers->NewItem();
    p->Canvas = canvas;
    p->Layer = layer;
    p->Effect = effect;
    p->Alpha = 1;
    if (effect != nullptr) {
        p->Width = effect->Size.X;
        p->Height = effect->Size.Y;
    }
    return p;
}

// ---------------------------------------------------------------------------------------------
// Effects

// Shown for a missing or damaged file, so that the fault is visible.
TEffectFile DefaultEffectFile() {
    TEmitterSettings s;
    s.Interval = 0.5f;
    s.Duration = 2.0f;
    s.CountMode = 1;
    s.Count = 1;
    s.Density = 50;
    s.Texture0 = "G2Particles";
    s.Frame0 = 8;
    s.Size = {128, 128};
    s.Color1 = {1, 0, 1};
    s.Alpha = 1;
    s.Lifetime = 0.5f;
    s.Speed = 1;
    s.EndScale = 1;
    s.EndColor = {0.5f, 0.5f, 0.5f};
    s.AlphaOverLife = true;
    s.AlphaCurve = "0-1-1-0";
    TEffectFile file;
    file.Size = {128, 128};
    file.Emitters.push_back(std::move(s));
    return file;
}

std::string ReadEffectFile(const std::string& name) {
    const std::unique_ptr<TStream> stream = StorageOpen(sfOrdinary, name, fkEmt);
    const int64_t size = stream->Size();
    if (size < 0 || size > MaxEffectFileBytes) {
        throw EngineError(name + ".emt: the file is too large");
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    // A file that shrinks while it is read is damaged, not shorter.
    stream->ReadExact(bytes.data(), bytes.size());
    stream->Close();
    return bytes;
}

std::unique_ptr<TEffect> LoadEffect(const std::string& name) {
    TEffectFile file;
    if (!StorageExists(sfOrdinary, name, fkEmt)) {
        LogMessage("Failed to create emiter \"" + name + "\" (Missing file)");
        file = DefaultEffectFile();
    } else {
        try {
            file = ReadEmt(ReadEffectFile(name), name + ".emt");
        } catch (const std::exception& error) {
            LogMessage("Failed to create emiter \"" + name + "\" (" + error.what() + ")");
            file = DefaultEffectFile();
        }
    }
    return BuildEffect(name, file);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Items

TEmitor::TEmitor(const TEmitterSettings& settings, int32_t index)
    : TNamedItem(settings.Name), Index(index), Settings(settings) {
    // Settings made in code get the reader's rule too: a mode outside its table is 0.
    for (const TEmitterField& field : EmitterFields()) {
        if (!field.Modes.empty()) {
            int32_t& mode = Settings.*std::get<int32_t TEmitterSettings::*>(field.Member);
            if (mode < 0 || static_cast<std::size_t>(mode) >= field.Modes.size()) {
                mode = 0;
            }
        }
    }
    ShadingMode = ShadingModeByName(Settings.ShadingMode);
    if (!Settings.Texture0.empty()) {
        Texture0 = GetTexture(Settings.Texture0);
    }
    if (!Settings.Texture1.empty()) {
        Texture1 = GetTexture(Settings.Texture1);
    }
}

void TParticle::Detached() {
    // After video stopped, the sprite is gone with it.
    if (VideoStarted()) {
        ReleaseSpriteKeepingPicture(Sprite);
    }
    Sprite = nullptr;
    Age = 0;
}

TCluster::TCluster() : Particles(false, *state.particles) {}

TCluster::~TCluster() = default;

void TCluster::Detached() {
    Particles.Clear();
    Emitter = nullptr;
    Timer = 0;
    Remaining = 0;
    Emitting = false;
}

TPerformer::TPerformer() : Clusters(false, *state.clusters) {}

TPerformer::~TPerformer() = default;

void TPerformer::Detached() {
    Clusters.Clear();
    Held = false;
    Owner = nullptr;
    Canvas = nullptr;
    Layer = 0;
    X = 0;
    Y = 0;
    Width = 0;
    Height = 0;
    Alpha = 1;
    Effect = nullptr;
    Active = false;
}

// ---------------------------------------------------------------------------------------------
// The effects part

void EffectsStart() {
    EffectsStop();
    state.random = RandomSeed;
    state.particles = std::make_unique<TCache>(&TCache::Build<TParticle>, ParticlePoolSize);
    state.clusters = std::make_unique<TCache>(&TCache::Build<TCluster>, ClusterPoolSize);
    state.performers = std::make_unique<TContainerOf<TPerformer>>(false, &TCache::Build<TPerformer>,
                                                                  PerformerPoolSize);
    state.effects = std::make_unique<TContainerOf<TEffect>>(true, true);
    state.started = true;
}

void EffectsStop() {
    state.started = false;
    // Performers hand their clusters and particles back to the pools, so they go first; the
    // effects they play go last.
    state.performers.reset();
    state.clusters.reset();
    state.particles.reset();
    state.effects.reset();
    state = TEffectsState{};
}

bool EffectsStarted() {
    return state.started;
}

TEffect* GetEffect(std::string_view name) {
    if (state.effects == nullptr) {
        return nullptr;
    }
    if (TEffect* effect = state.effects->Find(name)) {
        return effect;
    }
    return state.effects->Add(LoadEffect(std::string(name)), true);
}

std::unique_ptr<TEffect> BuildEffect(std::string name, const TEffectFile& file) {
    auto effect = std::make_unique<TEffect>(std::move(name));
    effect->Offset = file.Offset;
    effect->Size = file.Size;
    int32_t index = 0;
    for (const TEmitterSettings& settings : file.Emitters) {
        effect->Emitters.Add(std::make_unique<TEmitor>(settings, index++));
        if (settings.Limited) {
            effect->Duration = std::max(effect->Duration, settings.Duration);
        }
    }
    return effect;
}

void StartEffect(const void* owner, TEffect* effect, TCanvas* canvas, float x, float y,
                 int32_t layer) {
    if (!state.started || effect == nullptr || canvas == nullptr) {
        return;
    }
    TPerformer* p = NewPerformer(canvas, layer, effect);
    p->Owner = owner;
    p->X = x;
    p->Y = y;
    SetPerformerActive(p, true);
}

void CreatePerformer(TPerformer*& performer, TCanvas* canvas, int32_t layer,
                     std::string_view effectName) {
    if (performer == nullptr && state.started) {
        CreatePerformerOf(performer, canvas, layer, GetEffect(effectName));
    }
}

void CreatePerformerOf(TPerformer*& performer, TCanvas* canvas, int32_t layer, TEffect* effect) {
    if (performer != nullptr || !state.started) {
        return;
    }
    performer = NewPerformer(canvas, layer, effect);
    performer->Held = true;
}

void ReleasePerformer(TPerformer*& performer) {
    if (performer != nullptr && state.performers != nullptr) {
        state.performers->Remove(performer);
    }
    performer = nullptr;
}

void SetPerformerActive(TPerformer* performer, bool on) {
    if (performer == nullptr || performer->Active == on) {
        return;
    }
    if (!on) {
        StopEmitting(*performer);
        return;
    }
    performer->Active = true;
    if (performer->Effect == nullptr) {
        return;
    }
    for (TEmitor& emitter : performer->Effect->Emitters) {
        TCluster* cluster = performer->Clusters.NewItem();
        cluster->Emitter = &emitter;
        StartCluster(*performer, *cluster);
    }
}

void StopEffectsOf(const void* owner, bool removeNow) {
    if (state.performers == nullptr) {
        return;
    }
    for (TPerformer& p : *state.performers) {
        if (p.Held || p.Owner != owner) {
            continue;
        }
        if (removeNow) {
            state.performers->Remove(&p);
        } else {
            StopEmitting(p);
        }
    }
}

void UpdateEffects() {
    UpdateEffectsBy(FrameTime());
}

void UpdateEffectsBy(float frameTime) {
    if (state.performers == nullptr) {
        return;
    }
    for (TPerformer& p : *state.performers) {
        bool emitting = false;
        for (TCluster& c : p.Clusters) {
            UpdateCluster(p, c, frameTime);
            if (c.Emitting) {
                emitting = true;
            } else if (c.Particles.Empty()) {
                p.Clusters.Remove(&c);
            }
        }
        p.Active = emitting;
        if (!p.Held && !p.Active && p.Clusters.Empty()) {
            state.performers->Remove(&p);
        }
    }
}

TContainerOf<TPerformer>* Performers() {
    return state.performers.get();
}

} // namespace valdmoor
