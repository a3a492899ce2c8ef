#include "effects/EngineEffects.h"

#include "EffectYaml.h"
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "video/EngineTextures.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"
#include "video/null/NullVideoDevice.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

// One particle a burst, every half second, living ten seconds, standing still.
TEmitterSettings Emitter() {
    TEmitterSettings s;
    s.Interval = 0.5f;
    s.CountMode = 1;
    s.Count = 1;
    s.Size = {10, 10};
    s.Color1 = {1, 1, 1};
    s.Alpha = 1;
    s.Lifetime = 10;
    return s;
}

class Effects : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        std::filesystem::create_directories(temp.Path() / "Ordinary");
        SetStorageFolderPath(sfOrdinary, (temp.Path() / "Ordinary").string() + "/");
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        EffectsStart();
    }
    void TearDown() override {
        EffectsStop();
        EffectsStop(); // accepts effects that are not running
        VideoStop();
        StorageReset();
        ApplicationStop();
    }
    TEffect* Make(std::vector<TEmitterSettings> emitters, TVector2 offset = {}) {
        TEffectFile file;
        file.Offset = offset;
        file.Emitters = std::move(emitters);
        built.push_back(BuildEffect("Test", file));
        return built.back().get();
    }
    static TPerformer* Held(TEffect* effect, int32_t layer = 0) {
        TPerformer* p = nullptr;
        CreatePerformerOf(p, MainCanvas(), layer, effect);
        SetPerformerActive(p, true);
        return p;
    }
    static std::vector<TParticle*> Particles(const TPerformer* p) {
        std::vector<TParticle*> all;
        for (TCluster& c : p->Clusters) {
            for (TParticle& q : c.Particles) {
                all.push_back(&q);
            }
        }
        return all;
    }
    static int32_t Sprites() { return MainCanvas()->Sprites.Count(); }
    static bool Logged(const std::string& part) {
        const auto lines = LogLines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(part) != line.npos; });
    }

    // What a rule made of a new particle.
    struct TBorn {
        TVector2 Start;
        float Heading = 0;
        TVector2 Direction;
        float Distance = 0;
        float Width = 0;
        float Height = 0;
    };
    // One burst of Count particles of S from a performer of size Area at (0, 0).
    std::vector<TBorn> Born(TEmitterSettings s, int32_t count, TVector2 area = {}) {
        s.Count = count;
        TPerformer* p = nullptr;
        CreatePerformerOf(p, MainCanvas(), 0, Make({s}));
        p->Width = area.X;
        p->Height = area.Y;
        SetPerformerActive(p, true);
        UpdateEffectsBy(0);
        std::vector<TBorn> born;
        for (const TParticle* q : Particles(p)) {
            born.push_back({q->Start, q->Heading, q->Direction, q->Distance, q->Width, q->Height});
        }
        ReleasePerformer(p);
        return born;
    }
    // The generator starts over from its fixed seed.
    static void Restart() {
        EffectsStop();
        EffectsStart();
    }
    // The first N numbers the generator deals after a start, read through position mode 4 on
    // a 1 x 1 area at the origin, where Start = (r - 0.5, r - 0.5) exactly. A rule run after
    // another restart draws the same numbers, so it can be checked against its formula.
    std::vector<float> Dealt(int32_t n) {
        Restart();
        TEmitterSettings s = Emitter();
        s.PositionMode = 4;
        s.Extent = {1, 1};
        std::vector<float> r;
        for (const TBorn& b : Born(s, n)) {
            EXPECT_EQ(b.Start.Y, b.Start.X) << "one number for both axes";
            r.push_back(b.Start.X + 0.5f);
        }
        Restart();
        return r;
    }

    test::TTempFolder temp;
    std::vector<std::unique_ptr<TEffect>> built;
};

// The outline of the rectangle of size E centred at A, walked by R in 0..1: top left to right,
// bottom left to right, left top to bottom, right top to bottom.
TVector2 Outline(TVector2 a, TVector2 e, float r) {
    if (r < 0.25f) {
        return {a.X + e.X * (4 * r - 0.5f), a.Y - 0.5f * e.Y};
    }
    if (r < 0.5f) {
        return {a.X + e.X * (4 * (r - 0.25f) - 0.5f), a.Y + 0.5f * e.Y};
    }
    if (r < 0.75f) {
        return {a.X - 0.5f * e.X, a.Y + e.Y * (4 * (r - 0.5f) - 0.5f)};
    }
    return {a.X + 0.5f * e.X, a.Y + e.Y * (4 * (r - 0.75f) - 0.5f)};
}

// Degrees clockwise from up of the vector V, in 0 .. 360.
float Clockwise(float x, float y) {
    const float degrees = std::atan2(x, -y) * 180 / 3.14159265f;
    return degrees < 0 ? degrees + 360 : degrees;
}

TEST_F(Effects, BurstsOfALongFrameAreAgedByTheTimeSinceTheyWereDue) {
    TEmitterSettings s = Emitter();
    s.Delay = 0.5f; // the timer starts at 0
    s.Lifetime = 2;
    TPerformer* p = Held(Make({s}));
    UpdateEffectsBy(1.2f);
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_NEAR(q[0]->Age, 0.7f / 2, 1e-6f);
    EXPECT_NEAR(q[1]->Age, 0.2f / 2, 1e-6f);
}

TEST_F(Effects, LimitedEmitterStopsAfterItsBurstsAndFireAndForgetVanishes) {
    TEmitterSettings s = Emitter();
    s.Limited = true;
    s.Duration = 2;
    s.Lifetime = 4;
    TEffect* effect = Make({s});
    EXPECT_FLOAT_EQ(effect->Duration, 2);
    StartEffect(this, effect, MainCanvas(), 0, 0, 0);
    TPerformer* held = Held(effect);
    TPerformer* loose = Performers()->First();
    for (int i = 0; i < 12; ++i) { // 3 s
        UpdateEffectsBy(0.25f);
    }
    EXPECT_EQ(Particles(loose).size(), 5u); // at 0, 0.5, 1, 1.5 and 2 s
    EXPECT_EQ(Particles(held).size(), 5u);
    EXPECT_FALSE(held->Active);
    EXPECT_FALSE(loose->Active);
    for (int i = 0; i < 16; ++i) {
        UpdateEffectsBy(0.25f);
    }
    ASSERT_EQ(Performers()->Count(), 1);
    EXPECT_EQ(Performers()->First(), held);
    EXPECT_TRUE(held->Clusters.Empty());
    EXPECT_EQ(Sprites(), 0);
}

TEST_F(Effects, AreaAndPerimeterCountsRoundHalfToEven) {
    auto burst = [&](int32_t mode, int32_t density, float width, float height) {
        TEmitterSettings s = Emitter();
        s.CountMode = mode;
        s.Density = density;
        TPerformer* p = nullptr;
        CreatePerformerOf(p, MainCanvas(), 0, Make({s}));
        p->Width = width;
        p->Height = height;
        SetPerformerActive(p, true);
        UpdateEffectsBy(0);
        const std::size_t count = Particles(p).size();
        ReleasePerformer(p);
        return count;
    };
    EXPECT_EQ(burst(2, 50, 100, 100), 1u); // 0.5 rounds to 0, raised to 1
    EXPECT_EQ(burst(2, 250, 100, 100), 2u);
    EXPECT_EQ(burst(2, 350, 100, 100), 4u);
    EXPECT_EQ(burst(3, 125, 50, 50), 2u); // 2.5
    EXPECT_EQ(burst(0, 1000, 100, 100), 0u);
    EXPECT_EQ(Sprites(), 0);
}

TEST_F(Effects, ParticlesWithoutAFiniteLifeAreNeverShown) {
    TEmitterSettings travel = Emitter();
    travel.LifetimeMode = 1;
    travel.Distance = 0;
    travel.Speed = 1;
    TEmitterSettings still = travel; // distance at speed 0 would take for ever
    still.Distance = 5;
    still.Speed = 0;
    TEmitterSettings none = Emitter();
    none.Lifetime = 0;
    TPerformer* p = Held(Make({travel, still, none}));
    UpdateEffectsBy(0);
    EXPECT_TRUE(Particles(p).empty());
    EXPECT_EQ(Sprites(), 0);
}

TEST_F(Effects, NegativeAnglesStayNegativeWhenWrapped) {
    TEmitterSettings heading = Emitter();
    heading.DirectionMode = 1;
    heading.Angle = -400;
    heading.RotationMode = 3;
    TEmitterSettings rotation = Emitter();
    rotation.RotationMode = 1;
    rotation.Rotation = -400;
    TPerformer* p = Held(Make({heading, rotation}));
    UpdateEffectsBy(0);
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_FLOAT_EQ(q[0]->Sprite->Angle, -40);
    EXPECT_NEAR(q[0]->Direction.X, std::sin(-40 * 3.14159265f / 180), 1e-6f);
    EXPECT_FLOAT_EQ(q[1]->Sprite->Angle, -40);
}

TEST_F(Effects, WorldSpaceParticlesStayWhereTheyWereBorn) {
    TEmitterSettings world = Emitter();
    world.WorldSpace = true;
    world.PointA = {5, 0};
    TEmitterSettings follow = world;
    follow.WorldSpace = false;
    TPerformer* p = Held(Make({world, follow}, {1, 2}), 100);
    p->X = 100;
    p->Y = 50;
    UpdateEffectsBy(0);
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0]->Sprite->Layer, 100); // performer layer + emitter index
    EXPECT_EQ(q[1]->Sprite->Layer, 101);
    p->X = 300;
    UpdateEffectsBy(0.01f);
    EXPECT_FLOAT_EQ(q[0]->Sprite->X, 106);
    EXPECT_FLOAT_EQ(q[1]->Sprite->X, 306);
    EXPECT_FLOAT_EQ(q[1]->Sprite->Y, 52);
}

TEST_F(Effects, GeneratorRulesBuildOnEarlierResults) {
    TEmitterSettings s = Emitter();
    s.PositionMode = 9; // midpoint of A (0, 0) and C (-10, 0): (-5, 0)
    s.PointC = {-10, 0};
    s.DirectionMode = 3; // away from A: left, 270 degrees
    s.DistanceMode = 2;  // from A: 5
    s.SizeMode = 2;      // the distance
    s.RotationMode = 3;  // the heading
    s.LifetimeMode = 1;  // 5 units at 10 a second
    s.Speed = 10;
    s.AlphaMode = 1; // clamped to 1
    s.Alpha = 1.5f;
    s.Color1 = {1, 0, 0};
    s.Spin = 90;
    s.MoveOverLife = s.ScaleOverLife = s.SpinOverLife = s.ColorOverLife = s.AlphaOverLife = true;
    s.EndScale = 3;
    s.EndColor = {0, 0, 1};
    s.AlphaCurve = "0-1-1-0";
    TEmitterSettings still = Emitter(); // heads towards A from A itself: no direction
    still.DirectionMode = 4;
    still.MoveOverLife = true;
    still.Distance = 50;
    TPerformer* p = Held(Make({s, still}));
    p->Alpha = 0.5f;
    UpdateEffectsBy(0.25f); // the bursts are a quarter second old: half the 0.5 s life
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), 2u);
    const TSprite& sprite = *q[0]->Sprite;
    EXPECT_FLOAT_EQ(q[0]->Age, 0.5f);
    EXPECT_FLOAT_EQ(q[0]->Heading, 270);
    EXPECT_NEAR(sprite.X, -7.5f, 1e-5f);
    EXPECT_NEAR(sprite.Y, 0, 1e-5f);
    EXPECT_FLOAT_EQ(sprite.Width, 10);     // 5, scaled by 2 at half life
    EXPECT_FLOAT_EQ(sprite.Angle, 292.5f); // 270 + 0.5 x 90 x 0.5
    EXPECT_FLOAT_EQ(sprite.Red, 0.5f);
    EXPECT_FLOAT_EQ(sprite.Blue, 0.5f);
    EXPECT_FLOAT_EQ(sprite.Alpha, 0.5f);
    EXPECT_FLOAT_EQ(sprite.ShadingParam, 0.5f);
    EXPECT_EQ(q[1]->Direction, (TVector2{0, 0}));
    EXPECT_FLOAT_EQ(q[1]->Sprite->X, 0);
}

TEST_F(Effects, PositionModesSpreadOverTheirAreaAndOutline) {
    constexpr int32_t N = 64;
    const std::vector<float> r = Dealt(2 * N);
    ASSERT_EQ(r.size(), static_cast<std::size_t>(2 * N));
    EXPECT_LT(*std::min_element(r.begin(), r.end()), 0.05f);
    EXPECT_GT(*std::max_element(r.begin(), r.end()), 0.95f);

    TEmitterSettings s = Emitter();
    s.PointA = {10, -20};
    s.Extent = {40, 100};
    s.PointC = {300, 300};
    const TVector2 area = {60, 30}; // the performer's
    const TVector2 a = s.PointA;
    const TVector2 e = s.Extent;
    auto run = [&](int32_t mode) {
        s.PositionMode = mode;
        Restart();
        std::vector<TBorn> born = Born(s, N, area);
        EXPECT_EQ(born.size(), static_cast<std::size_t>(N)) << "mode " << mode;
        born.resize(N);
        return born;
    };
    auto expectAt = [](const TBorn& b, TVector2 at, int32_t mode, int32_t i) {
        EXPECT_NEAR(b.Start.X, at.X, 1e-4f) << "mode " << mode << ", particle " << i;
        EXPECT_NEAR(b.Start.Y, at.Y, 1e-4f) << "mode " << mode << ", particle " << i;
    };

    std::vector<TBorn> born = run(2);
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], {a.X + (r[i] - 0.5f) * e.X, a.Y}, 2, i);
    }
    born = run(3);
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], {a.X, a.Y + (r[i] - 0.5f) * e.Y}, 3, i);
    }
    born = run(4); // one number for both: the diagonal
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], {a.X + (r[i] - 0.5f) * e.X, a.Y + (r[i] - 0.5f) * e.Y}, 4, i);
    }
    born = run(5); // the other diagonal
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], {a.X + (r[i] - 0.5f) * e.X, a.Y - (r[i] - 0.5f) * e.Y}, 5, i);
    }
    born = run(6);
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], Outline(a, e, r[i]), 6, i);
    }
    born = run(8); // the outline of the performer's area
    for (int32_t i = 0; i < N; ++i) {
        expectAt(born[i], Outline({}, area, r[i]), 8, i);
    }
    // The performer's area with a number for each axis (which one comes first is free).
    born = run(7);
    for (int32_t i = 0; i < N; ++i) {
        const float x = born[i].Start.X / area.X + 0.5f;
        const float y = born[i].Start.Y / area.Y + 0.5f;
        const float first = r[2 * i];
        const float second = r[2 * i + 1];
        auto near = [](float u, float v) { return std::abs(u - v) < 1e-5f; };
        EXPECT_TRUE((near(x, first) && near(y, second)) || (near(x, second) && near(y, first)))
            << "particle " << i << " at " << born[i].Start.X << ", " << born[i].Start.Y;
    }
}

TEST_F(Effects, DirectionModeFiveHeadsFromTheStartTowardsPointC) {
    struct TCase {
        TVector2 C;
        float Heading;
    };
    const TCase cases[] = {{{5, -10}, 0},  {{15, 0}, 90},    {{5, 10}, 180},
                           {{-5, 0}, 270}, {{-5, -10}, 315}, {{15, 10}, 135}};
    std::vector<TEmitterSettings> emitters;
    for (const TCase& c : cases) {
        TEmitterSettings s = Emitter();
        s.PointA = {5, 0};
        s.PointC = c.C;
        s.DirectionMode = 5;
        s.RotationMode = 3; // the heading
        emitters.push_back(s);
    }
    TEmitterSettings there = emitters.front(); // already at C: no direction at all
    there.PointC = there.PointA;
    there.MoveOverLife = true;
    there.Distance = 50;
    emitters.push_back(there);
    TPerformer* p = Held(Make(emitters));
    UpdateEffectsBy(0);
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const float heading = cases[i].Heading;
        EXPECT_NEAR(q[i]->Heading, heading, 1e-3f) << i;
        EXPECT_NEAR(q[i]->Sprite->Angle, heading, 1e-3f) << i;
        EXPECT_NEAR(q[i]->Direction.X, std::sin(heading * 3.14159265f / 180), 1e-5f) << i;
        EXPECT_NEAR(q[i]->Direction.Y, -std::cos(heading * 3.14159265f / 180), 1e-5f) << i;
    }
    EXPECT_EQ(q.back()->Heading, 0);
    EXPECT_EQ(q.back()->Direction, (TVector2{0, 0}));
    UpdateEffectsBy(1);
    EXPECT_FLOAT_EQ(q.back()->Sprite->X, 5);
    EXPECT_FLOAT_EQ(q.back()->Sprite->Y, 0);
    ReleasePerformer(p);

    // From scattered starts (not from PointA), travelling their distance to C over a life:
    // half-way through it they are half-way there.
    TEmitterSettings s = Emitter();
    s.Interval = 100; // one burst
    s.Count = 40;
    s.PositionMode = 1;
    s.Extent = {200, 200};
    s.PointC = {30, -40};
    s.DirectionMode = 5;
    s.DistanceMode = 3;
    s.MoveOverLife = true;
    s.MoveCurve = "0-1";
    s.Lifetime = 2;
    p = Held(Make({s}));
    UpdateEffectsBy(0);
    const auto flying = Particles(p);
    ASSERT_EQ(flying.size(), 40u);
    std::vector<TVector2> starts;
    for (const TParticle* f : flying) {
        const TVector2 v = {s.PointC.X - f->Start.X, s.PointC.Y - f->Start.Y};
        EXPECT_NEAR(f->Heading, Clockwise(v.X, v.Y), 2e-3f);
        starts.push_back(f->Start);
    }
    UpdateEffectsBy(1);
    ASSERT_EQ(Particles(p).size(), 40u);
    for (std::size_t i = 0; i < flying.size(); ++i) {
        EXPECT_NEAR(flying[i]->Sprite->X, 0.5f * (starts[i].X + s.PointC.X), 1e-3f) << i;
        EXPECT_NEAR(flying[i]->Sprite->Y, 0.5f * (starts[i].Y + s.PointC.Y), 1e-3f) << i;
    }
}

TEST_F(Effects, DistanceAndSizeModesMeasureFromPointC) {
    TEmitterSettings s = Emitter();
    s.PositionMode = 2; // scattered along y = 5, so the start is not PointA
    s.PointA = {0, 5};
    s.Extent = {100, 0};
    s.PointC = {20, -25};
    s.Size = {7, 9};
    s.Distance = 3;
    s.DistanceMode = 3; // |Start - C|
    s.SizeMode = 3;     // (distance, Size.y)
    std::vector<TBorn> plain = Born(s, 20);
    s.DistanceMode = 4; // |Start - C| x Distance
    s.SizeMode = 4;     // (Size.x, distance)
    std::vector<TBorn> scaled = Born(s, 20);
    ASSERT_EQ(plain.size(), 20u);
    ASSERT_EQ(scaled.size(), 20u);
    auto fromC = [&](const TBorn& b) {
        return std::hypot(b.Start.X - s.PointC.X, b.Start.Y - s.PointC.Y);
    };
    float least = 1e9f;
    float most = 0;
    for (const TBorn& b : plain) {
        EXPECT_NEAR(b.Distance, fromC(b), 1e-4f);
        EXPECT_EQ(b.Width, b.Distance);
        EXPECT_EQ(b.Height, 9);
        least = std::min(least, b.Distance);
        most = std::max(most, b.Distance);
    }
    EXPECT_GT(most - least, 10) << "the starts are scattered";
    for (const TBorn& b : scaled) {
        EXPECT_NEAR(b.Distance, 3 * fromC(b), 1e-3f);
        EXPECT_EQ(b.Width, 7);
        EXPECT_EQ(b.Height, b.Distance);
    }
}

TEST_F(Effects, AnimatedParticlesShowTheFrameOfTheirAge) {
    // Three frames; animation 1 runs forwards over a particle's life, animation 2 backwards.
    TTpxFile picture;
    picture.Images = {MakeArgbImage(4, 4), MakeArgbImage(4, 4), MakeArgbImage(4, 4)};
    picture.Animations = {{0, 3, 1, "0-1"}, {0, 3, 1, "1-0"}};
    temp.Write("Ordinary/G2Spark.tpx", WriteTpx(picture));
    temp.Write("Ordinary/G2Glow.tpx", WriteTpx(picture));
    TEmitterSettings backwards = Emitter();
    backwards.Interval = 100; // one burst
    backwards.Lifetime = 1;
    backwards.Texture0 = "G2Spark";
    backwards.Frame0 = 1;
    backwards.Texture1 = "G2Glow";
    backwards.Frame1 = 2;
    backwards.Animate = true;
    backwards.AnimationIndex = 2;
    TEmitterSettings forwards = backwards;
    forwards.AnimationIndex = 1;
    forwards.Texture1.clear();
    TEmitterSettings still = backwards;
    still.Animate = false;
    TPerformer* p = Held(Make({backwards, forwards, still}));
    auto* spark = dynamic_cast<TBaseImageTexture*>(GetTexture("G2Spark"));
    auto* glow = dynamic_cast<TBaseImageTexture*>(GetTexture("G2Glow"));
    ASSERT_NE(spark, nullptr);
    ASSERT_EQ(spark->FrameCount(), 3);
    auto frame = [](TBaseImageTexture* texture, int32_t n) -> TTexture* {
        return n == 0 ? static_cast<TTexture*>(texture) : texture->Frames->ItemAt(n);
    };
    auto expectFrames = [&](int32_t back, int32_t forth) {
        const auto q = Particles(p);
        ASSERT_EQ(q.size(), 3u);
        EXPECT_EQ(q[0]->Sprite->Layers[0].Texture, frame(spark, back));
        EXPECT_EQ(q[0]->Sprite->Layers[1].Texture, frame(glow, back));
        EXPECT_EQ(q[1]->Sprite->Layers[0].Texture, frame(spark, forth));
        EXPECT_EQ(q[1]->Sprite->Layers[1].Texture, nullptr);
        EXPECT_EQ(q[2]->Sprite->Layers[0].Texture, spark);
        EXPECT_EQ(q[2]->Sprite->Layers[1].Texture, glow);
        for (const TParticle* particle : q) {
            EXPECT_EQ(particle->Sprite->Layers[0].Frame, 1) << "the segment stays";
        }
        EXPECT_EQ(q[0]->Sprite->Layers[1].Frame, 2);
    };
    UpdateEffectsBy(0); // age 0: frame round(3 x curve), at most the last
    expectFrames(2, 0);
    UpdateEffectsBy(0.6f); // 1.2 and 1.8
    expectFrames(1, 2);
    UpdateEffectsBy(0.3f); // 0.3 and 2.7
    expectFrames(0, 2);
    ReleaseTexture(spark);
    ReleaseTexture(glow);
}

// Fixed fault: a "while due" loop never ends for an interval of 0 or less.
TEST_F(Effects, IntervalsOfZeroOrLessBurstOncePerUpdate) {
    TEmitterSettings zero = Emitter();
    zero.Interval = 0;
    TEmitterSettings negative = Emitter();
    negative.Interval = -1;
    TPerformer* p = Held(Make({zero, negative}));
    for (int i = 0; i < 3; ++i) {
        UpdateEffectsBy(0.1f);
    }
    const auto q = Particles(p);
    ASSERT_EQ(q.size(), 6u);
    EXPECT_FLOAT_EQ(q[2]->Age, 0); // the newest burst is due now
    EXPECT_GT(q[0]->Age, 0);

    TEmitterSettings once = zero; // limited to no time at all: exactly one burst
    once.Limited = true;
    once.Lifetime = 0.3f;
    StartEffect(nullptr, Make({once}), MainCanvas(), 0, 0, 0);
    UpdateEffectsBy(0.1f);
    EXPECT_EQ(Particles(Performers()->Last()).size(), 1u);
    for (int i = 0; i < 5; ++i) {
        UpdateEffectsBy(0.1f);
    }
    EXPECT_EQ(Performers()->Count(), 1); // the fire-and-forget one is gone
}

TEST_F(Effects, DamagedNumbersNeitherHangNorOutgrowThePool) {
    TEmitterSettings flood = Emitter();
    flood.Interval = 1e-9f; // far below a float step of the timer
    flood.Count = 2000000000;
    flood.Prewarm = 1e30f;
    TEmitterSettings area = Emitter();
    area.CountMode = 2;
    area.Density = 2000000000;
    TPerformer* p = Held(Make({flood, area}));
    p->Width = p->Height = 3e38f;
    UpdateEffectsBy(5);
    EXPECT_EQ(Particles(p).size(), static_cast<std::size_t>(ParticlePoolSize));
    ReleasePerformer(p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(Sprites(), 0);
}

TEST_F(Effects, StoppingByOwnerAndReleasing) {
    int a = 0;
    int b = 0;
    TEffect* effect = Make({Emitter()});
    StartEffect(&a, effect, MainCanvas(), 0, 0, 0);
    StartEffect(&b, effect, MainCanvas(), 0, 0, 0);
    TPerformer* held = Held(effect);
    UpdateEffectsBy(0);
    EXPECT_EQ(Sprites(), 3);
    StopEffectsOf(&a, true);
    EXPECT_EQ(Performers()->Count(), 2);
    EXPECT_EQ(Sprites(), 2);
    StopEffectsOf(&b, false); // flies on without new bursts, then vanishes
    UpdateEffectsBy(5);
    EXPECT_EQ(Sprites(), 12); // b's first particle, and 11 of the held one
    UpdateEffectsBy(5.1f);
    EXPECT_EQ(Performers()->Count(), 1);
    EXPECT_TRUE(held->Active);
    ReleasePerformer(held);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(Sprites(), 0);
}

// Particles come and go every few frames: on a kept picture they draw again only their own
// places, the ones they left and the ones they cover, never the whole picture.
TEST_F(Effects, ParticlesOnAKeptCanvasDrawAgainOnlyTheirPlaces) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, -10, 800, 600);
    SetCanvasRetained(canvas, true);
    DrawFrame();
    ASSERT_TRUE(canvas->PictureValid);
    TEmitterSettings s = Emitter();
    s.PositionMode = 1; // a box, so that each particle has a place of its own
    s.Extent = {600, 400};
    TPerformer* p = nullptr;
    CreatePerformerOf(p, canvas, 0, Make({s}));
    SetPerformerActive(p, true);
    auto covered = [&](const TCanvasRect& bounds) {
        for (int32_t i = 0; i < canvas->DirtyCount; ++i) {
            const TCanvasRect& part = canvas->DirtyRects[static_cast<std::size_t>(i)];
            if (part.Left <= bounds.Left && part.Right >= bounds.Right && part.Top <= bounds.Top &&
                part.Bottom >= bounds.Bottom) {
                return true;
            }
        }
        return false;
    };
    for (int32_t frame = 0; frame < 4; ++frame) {
        UpdateEffectsBy(0.3f);
        EXPECT_TRUE(canvas->PictureValid) << "frame " << frame;
        EXPECT_GT(canvas->DirtyCount, 0);
        for (const TParticle* q : Particles(p)) {
            EXPECT_TRUE(covered(SpriteBounds(*q->Sprite))) << "frame " << frame;
        }
        DrawFrame();
    }
    ASSERT_GE(Particles(p).size(), 2u);
    const TCanvasRect last = SpriteBounds(*Particles(p).back()->Sprite);
    ReleasePerformer(p);
    EXPECT_TRUE(canvas->PictureValid);
    EXPECT_TRUE(covered(last)) << "where the particles were";
    ReleaseCanvas(canvas);
}

TEST_F(Effects, SteadyStateAllocatesNothing) {
    TEmitterSettings s = Emitter();
    s.Interval = 0.05f;
    s.Count = 4;
    s.Lifetime = 0.5f;
    s.PositionMode = 6;
    s.Extent = {50, 50};
    s.DirectionMode = 2;
    s.MoveOverLife = s.ScaleOverLife = s.SpinOverLife = s.ColorOverLife = s.AlphaOverLife = true;
    s.MoveCurve = s.ScaleCurve = s.SpinCurve = s.AlphaCurve = "0-1-1-0";
    Held(Make({s}));
    for (int i = 0; i < 60; ++i) {
        UpdateEffectsBy(1 / 60.0f);
    }
    const int64_t before = test::AllocationCount();
    for (int i = 0; i < 120; ++i) {
        UpdateEffectsBy(1 / 60.0f);
    }
    EXPECT_EQ(test::AllocationCount(), before);
}

TEST_F(Effects, MissingAndDamagedFilesPlayTheMagentaDefault) {
    TEffect* missing = GetEffect("Nothing");
    EXPECT_EQ(GetEffect("Nothing"), missing);
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Failed to create emiter \"Nothing\" (Missing file)"),
              1);
    ASSERT_EQ(missing->Emitters.Count(), 1);
    const TEmitor& fallback = *missing->Emitters.First();
    EXPECT_EQ(fallback.Settings.Color1, (TColor3{1, 0, 1}));
    EXPECT_EQ(fallback.Settings.Texture0, "G2Particles");
    EXPECT_FALSE(fallback.Settings.Limited);

    temp.Write("Ordinary/Broken.emt", std::string(7, '\0'));
    TEffect* broken = GetEffect("Broken");
    EXPECT_TRUE(Logged("Failed to create emiter \"Broken\" (Broken.emt: the header is too short"));
    EXPECT_EQ(broken->Emitters.First()->Settings.Color1, (TColor3{1, 0, 1}));

    TEffectFile file;
    TEmitterSettings s = Emitter();
    s.Name = "Odd";
    s.ShadingMode = "Glow"; // unknown: drawn as "Default"
    s.Limited = true;
    s.Duration = 3;
    file.Emitters = {Emitter(), s};
    temp.Write("Ordinary/Fine.emt", WriteEmt(file));
    TEffect* fine = GetEffect("Fine");
    EXPECT_EQ(fine->Emitters.Last()->Name(), "Odd");
    EXPECT_EQ(fine->Emitters.Last()->Index, 1);
    EXPECT_EQ(fine->Emitters.Last()->ShadingMode, 0);
    EXPECT_FLOAT_EQ(fine->Duration, 3);
    EXPECT_FALSE(Logged("\"Fine\""));
}

// Every field set to a value of its own, so that a field read in the wrong place shows.
TEffectFile Distinct() {
    TEffectFile file;
    file.Offset = {1.5f, -2};
    file.Size = {128, 0.1f};
    for (int e = 0; e < 2; ++e) {
        TEmitterSettings s;
        int32_t n = 1 + e * 100;
        for (const TEmitterField& field : EmitterFields()) {
            ++n;
            if (!field.Modes.empty()) {
                s.*std::get<int32_t TEmitterSettings::*>(field.Member) =
                    n % static_cast<int32_t>(field.Modes.size());
                continue;
            }
            std::visit(
                [&](auto member) {
                    auto& v = s.*member;
                    using T = std::remove_reference_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, float>) {
                        v = static_cast<float>(n) / 7;
                    } else if constexpr (std::is_same_v<T, int32_t>) {
                        v = -n;
                    } else if constexpr (std::is_same_v<T, bool>) {
                        v = n % 2 == 0;
                    } else if constexpr (std::is_same_v<T, std::string>) {
                        v = "t\"" + std::to_string(n) + "\n";
                    } else if constexpr (std::is_same_v<T, TVector2>) {
                        v = {static_cast<float>(n), 1e-7f * n};
                    } else {
                        v = {0.1f * n, -0.0f, 3e30f};
                    }
                },
                field.Member);
        }
        s.ShadingMode = e == 0 ? "Morphing" : "";
        file.Emitters.push_back(s);
    }
    return file;
}

TEST(EffectFiles, ReaderChecksEveryFieldAgainstTheData) {
    const TEffectFile file = Distinct();
    const std::string bytes = WriteEmt(file);
    EXPECT_EQ(ReadEmt(bytes, "x.emt"), file);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_THROW(ReadEmt(bytes.substr(0, size), "x.emt"), EngineError) << size;
    }

    TEffectFile one;
    TEmitterSettings s;
    s.Name = "A";
    s.Interval = 0.5f;
    s.CountMode = 3;
    s.Count = 7;
    s.AnimationIndex = 9;
    one.Emitters = {s};
    std::string b = WriteEmt(one);
    ASSERT_EQ(b.size(), 20u + 215 + 1); // header, the least an emitter takes, the name
    EXPECT_EQ(b.substr(25, 4), std::string("\0\0\0\x3F", 4)); // Interval right after the name
    EXPECT_EQ(b[38], 3);                                      // CountMode is one byte
    EXPECT_EQ(b.substr(39, 4), std::string("\7\0\0\0", 4));
    EXPECT_EQ(b.substr(b.size() - 4), std::string("\x09\0\0\0", 4)); // AnimationIndex last
    b[38] = 4;                                                       // outside its table
    EXPECT_EQ(ReadEmt(b, "x.emt").Emitters[0].CountMode, 0);
    b[16] = 2; // two emitters claimed, one there
    EXPECT_THROW(ReadEmt(b, "x.emt"), EngineError);
    b.replace(16, 4, "\xFF\xFF\xFF\x7F"); // absurd counts are refused before anything is made
    try {
        ReadEmt(b, "x.emt");
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "x.emt: the header claims 2147483647 emitters, but the 216 "
                                   "bytes after it hold at most 1");
    }
}

TEST(EffectCompiler, RoundTripsThroughYaml) {
    const TEffectFile file = Distinct();
    const std::string yaml = tools::EffectYaml(file);
    EXPECT_EQ(tools::ParseEffectYaml(yaml, "x.yaml"), file);
    EXPECT_EQ(tools::EffectYaml(tools::ParseEffectYaml(yaml, "x.yaml")), yaml);

    const TEffectFile written = tools::ParseEffectYaml(R"(# a comment
Size: [64, 32]
Emitters:
  - Name: Dots   # names and numbers both choose modes
    CountMode: area
    PositionMode: 9
    ShadingMode: Morphing
    Limited: yes
    Color2: [0.25, 0.5, 1]
)",
                                                       "x.yaml");
    ASSERT_EQ(written.Emitters.size(), 1u);
    const TEmitterSettings& s = written.Emitters[0];
    EXPECT_EQ(s.CountMode, 2);
    EXPECT_EQ(s.PositionMode, 9);
    EXPECT_EQ(s.ShadingMode, "Morphing");
    EXPECT_TRUE(s.Limited);
    EXPECT_EQ(s.Color2, (TColor3{0.25f, 0.5f, 1}));
    EXPECT_EQ(tools::ParseEffectYaml(tools::EffectYaml(written), "y.yaml"), written);

    auto error = [](const char* text) {
        try {
            tools::ParseEffectYaml(text, "fx.yaml");
        } catch (const EngineError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(error("Emitters:\n  - Name: A\n    Colour: [1, 1, 1]\n"),
              "fx.yaml:3: Emitters[0].Colour: not an emitter field");
    EXPECT_EQ(error("Emitters:\n  - CountMode: fixd\n"),
              "fx.yaml:2: Emitters[0].CountMode: \"fixd\" is not one of none (0), fixed (1), "
              "area (2), perimeter (3)");
    EXPECT_EQ(error("Emitters:\n  -\n    Angle: 1\n    ShadingMode: Glow\n")
                  .rfind("fx.yaml:4: Emitters[0].ShadingMode: \"Glow\" is not a shading mode", 0),
              0u);
    EXPECT_EQ(error("Size: [1, x]\n"), "fx.yaml:1: Size: \"x\" is not a finite number");
    EXPECT_EQ(error("Emitters:\n  - Count: 1\n    Count: 2\n"),
              "fx.yaml:3: Emitters[0].Count: given twice");
}

#ifdef VALDMOOR_GAME_ORDINARY
TEST_F(Effects, ShippedEffectsLoadAndTheClickWaveEnds) {
    SetStorageFolderPath(sfOrdinary, VALDMOOR_GAME_ORDINARY "/");
    TEffect* sparkle = GetEffect("G2Sparkle");
    TEffect* wave = GetEffect("G2ClickWave");
    EXPECT_FALSE(Logged("Failed to create emiter"));
    EXPECT_GT(Particles(Held(sparkle)).size(), 10u); // prewarmed
    StartEffect(nullptr, wave, MainCanvas(), 10, 20, 0);
    UpdateEffectsBy(1 / 60.0f);
    const auto q = Particles(Performers()->Last());
    ASSERT_EQ(q.size(), 2u); // a ring and a glow, once
    EXPECT_FLOAT_EQ(q[0]->Sprite->X, 10);
    for (int i = 0; i < 60; ++i) {
        UpdateEffectsBy(1 / 60.0f);
    }
    EXPECT_EQ(Performers()->Count(), 1);
}
#endif

} // namespace
} // namespace valdmoor
