// The OpenGL device drawn for real on SDL's offscreen driver, and its pictures compared with
// the shading formulas computed here.
#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"
#include "video/EngineVideo.h"

#include <array>
#include <cmath>
#include <epoxy/gl.h>
#include <string>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

struct TColor {
    float R = 0;
    float G = 0;
    float B = 0;
    float A = 0;
};

TColor operator*(TColor a, TColor b) {
    return {a.R * b.R, a.G * b.G, a.B * b.B, a.A * b.A};
}
TColor operator*(TColor a, float f) {
    return {a.R * f, a.G * f, a.B * f, a.A * f};
}
TColor operator+(TColor a, TColor b) {
    return {a.R + b.R, a.G + b.G, a.B + b.B, a.A + b.A};
}
TColor operator-(TColor a, TColor b) {
    return {a.R - b.R, a.G - b.G, a.B - b.B, a.A - b.A};
}
TColor Over(TColor a, TColor b) {
    return a + b * (1 - a.A);
}
TColor Grey(TColor c, float r, float g, float b) {
    const float v = c.R * r + c.G * g + c.B * b;
    return {v, v, v, c.A};
}

// Four premultiplied texels, exact in eight bits.
const std::array<std::array<uint8_t, 4>, 4> Texels = {{
    {128, 77, 26, 153}, // r, g, b, a
    {51, 102, 26, 128},
    {26, 13, 77, 102},
    {64, 51, 38, 77},
}};

TColor Texel(int i) {
    const auto& t = Texels[static_cast<std::size_t>(i)];
    return {t[0] / 255.0f, t[1] / 255.0f, t[2] / 255.0f, t[3] / 255.0f};
}

class GlDevice : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless"}));
        try {
            WindowStart();
            VideoStart();
        } catch (const EngineError& error) {
            GTEST_SKIP() << "no OpenGL 3.3 here: " << error.what();
        }
        VideoResize(64, 32);
        for (int i = 0; i < 4; ++i) {
            const auto& t = Texels[static_cast<std::size_t>(i)];
            const uint8_t bgra[4] = {t[2], t[1], t[0], t[3]};
            textures[static_cast<std::size_t>(i)] = MakeTexture(1, 1, pfA8R8G8B8, bgra, 4);
        }
        CreateSprite(sprite, MainCanvas(), 0);
        sprite->Width = MainCanvas()->Width;
        sprite->Height = MainCanvas()->Height;
    }
    void TearDown() override {
        ReleaseSprite(sprite);
        for (auto& texture : textures) {
            texture.reset();
        }
        VideoStop();
        WindowStop();
        ApplicationStop();
    }

    std::unique_ptr<TTexture> MakeTexture(int32_t width, int32_t height, TPixelFormat format,
                                          const void* pixels, int32_t pitch) {
        auto texture = std::make_unique<TTexture>("Test");
        texture->Width = width;
        texture->Height = height;
        texture->Smooth = true;
        texture->Gpu = VideoDevice()->CreateTexture(width, height, format, pixels, pitch);
        MakeFullSegment(*texture, width, height);
        EXPECT_NE(texture->Gpu, nullptr);
        return texture;
    }

    std::array<uint8_t, 4> Pixel(const TCaptureImage& image, int32_t x, int32_t y) {
        const std::size_t at = (static_cast<std::size_t>(y) * image.Width + x) * 4;
        return {image.Rgba[at], image.Rgba[at + 1], image.Rgba[at + 2], image.Rgba[at + 3]};
    }

    std::array<uint8_t, 4> Draw() {
        TCaptureImage image;
        EXPECT_TRUE(DrawFrame(&image));
        return Pixel(image, 32, 16);
    }

    static void ExpectColor(std::array<uint8_t, 4> actual, TColor expected, const char* what) {
        const float want[4] = {expected.R, expected.G, expected.B, expected.A};
        for (int i = 0; i < 4; ++i) {
            const float clamped = std::fmin(std::fmax(want[i], 0.0f), 1.0f) * 255.0f;
            EXPECT_NEAR(actual[static_cast<std::size_t>(i)], clamped, 1.5)
                << what << ", channel " << i;
        }
    }

    std::array<std::unique_ptr<TTexture>, 4> textures;
    TSprite* sprite = nullptr;
};

TEST_F(GlDevice, EveryShadingModeFollowsItsFormula) {
    const TColor tint{0.9f * 0.9f, 0.8f * 0.9f, 0.7f * 0.9f, 0.9f};
    const float param = 0.4f;
    const TColor t0 = Texel(0), t1 = Texel(1), t2 = Texel(2), t3 = Texel(3);
    const TColor sepia = Grey(t0 * tint, 0.3125f, 0.4375f, 0.25f) * TColor{1.0f, 0.9f, 0.7f, 1.0f};
    const float mask = std::fmin(tint.A * t1.A + t0.A, 1.0f);
    const TColor icon = Over(t1, t0 * tint);
    const TColor iconGrey = Grey(icon, 0.2344f, 0.3281f, 0.1875f);
    const TColor expected[ShadingModeCount] = {
        t0 * tint,
        tint,
        Grey(t0 * tint, 0.3125f, 0.4375f, 0.25f),
        {sepia.R, sepia.G, sepia.B, (t0 * tint).A},
        Over(t1, t0 * tint),
        Over(t2, Over(t1, t0 * tint)),
        Over(t3, Over(t2, Over(t1, t0 * tint))),
        TColor{t0.R * t1.R, t0.G * t1.G, t0.B * t1.B, t0.A} * tint,
        t0 * t1 * tint,
        t0 * tint * t1.A,
        t0 * tint * (1 - t1.A),
        (t0 + (t1 - t0) * param) * tint,
        Over(t3, t2) * mask,
        iconGrey + (icon - iconGrey) * param,
    };
    sprite->Red = 0.9f;
    sprite->Green = 0.8f;
    sprite->Blue = 0.7f;
    sprite->Alpha = 0.9f;
    sprite->ShadingParam = param;
    for (int i = 0; i < 4; ++i) {
        SetSpriteTexture(sprite, i, textures[static_cast<std::size_t>(i)].get());
    }
    for (int32_t mode = 0; mode < ShadingModeCount; ++mode) {
        sprite->ShadingMode = mode;
        TColor want = expected[mode];
        if (mode == smPropIcon) {
            want.A = icon.A;
        }
        ExpectColor(Draw(), want, std::string(ShadingModeName(mode)).c_str());
    }
}

TEST_F(GlDevice, GreyWeightsApplyToEachChannelOnItsOwn) {
    // Pure opaque red, green and blue: each grey weight shows alone, in full.
    const uint8_t primaries[3][4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}};
    const float grayscale[3] = {0.3125f, 0.4375f, 0.25f};
    const float propIcon[3] = {0.2344f, 0.3281f, 0.1875f};
    for (int c = 0; c < 3; ++c) {
        auto primary = MakeTexture(1, 1, pfA8R8G8B8, primaries[c], 4);
        SetSpriteTexture(sprite, 0, primary.get());
        const std::string channel = "channel " + std::to_string(c);
        sprite->ShadingMode = smGrayscale;
        const float g = grayscale[c];
        ExpectColor(Draw(), {g, g, g, 1}, ("Grayscale, " + channel).c_str());
        sprite->ShadingMode = smSepia;
        ExpectColor(Draw(), {g, g * 0.9f, g * 0.7f, 1}, ("Sepia, " + channel).c_str());
        sprite->ShadingMode = smPropIcon;
        sprite->ShadingParam = 0; // the grey icon
        const float i = propIcon[c];
        ExpectColor(Draw(), {i, i, i, 1}, ("PropIcon, " + channel).c_str());
        SetSpriteTexture(sprite, 0, nullptr);
    }
}

TEST_F(GlDevice, MissingLayersSampleTransparentBlack) {
    SetSpriteTexture(sprite, 0, textures[0].get());
    sprite->ShadingMode = smAlphaMask;
    ExpectColor(Draw(), {}, "a missing mask hides");
    sprite->ShadingMode = smAlphaInvMask;
    ExpectColor(Draw(), Texel(0), "a missing mask shows all");
    sprite->ShadingMode = smBlend2;
    ExpectColor(Draw(), Texel(0), "missing upper layers change nothing");
}

TEST_F(GlDevice, MultiplyBlendDarkensWhatIsBehind) {
    MainCanvas()->ClearColor = 0xFF808080u;
    sprite->ShadingMode = smOnlyTint;
    sprite->BlendMode = 1;
    sprite->Red = 0.5f;
    sprite->Green = 1.0f;
    sprite->Blue = 0.0f;
    const auto pixel = Draw();
    EXPECT_NEAR(pixel[0], 64, 1.5);
    EXPECT_NEAR(pixel[1], 128, 1.5);
    EXPECT_NEAR(pixel[2], 0, 1.5);
}

TEST_F(GlDevice, OneAndTwoChannelPicturesLookLikeTheirWidenedForms) {
    const uint8_t a8 = 128;
    const uint8_t l8 = 200;
    const uint8_t a8l8[2] = {200, 128};
    auto alpha = MakeTexture(1, 1, pfA8, &a8, 1);
    auto luminance = MakeTexture(1, 1, pfL8, &l8, 1);
    auto both = MakeTexture(1, 1, pfA8L8, a8l8, 2);
    SetSpriteTexture(sprite, 0, alpha.get());
    ExpectColor(Draw(), {1, 1, 1, 128 / 255.0f}, "A8: white with alpha");
    SetSpriteTexture(sprite, 0, luminance.get());
    ExpectColor(Draw(), {200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1}, "L8: opaque grey");
    SetSpriteTexture(sprite, 0, both.get());
    ExpectColor(Draw(), {200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 128 / 255.0f}, "A8L8");
    SetSpriteTexture(sprite, 0, nullptr);
}

TEST_F(GlDevice, OrientationsTurnAndMirrorThePicture) {
    // Opaque corners: top-left red, top-right green, bottom-left blue, bottom-right white.
    const uint8_t bgra[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    auto corners = MakeTexture(2, 2, pfA8R8G8B8, bgra, 8);
    corners->Smooth = false;
    SetSpriteTexture(sprite, 0, corners.get());
    // What shows at the screen's top-left, top-right, bottom-left and bottom-right corners
    // for each orientation.
    const std::array<std::string, 4> expected[OrientationCount] = {
        {"red", "green", "blue", "white"}, // as is
        {"blue", "red", "white", "green"}, // turned 90 degrees clockwise
        {"white", "blue", "green", "red"}, // turned 180 degrees
        {"green", "white", "red", "blue"}, // turned 90 degrees counter-clockwise
        {"green", "red", "white", "blue"}, // mirrored left-right
        {"white", "green", "blue", "red"}, // mirrored about the rising diagonal
        {"blue", "white", "red", "green"}, // mirrored top-bottom
    };
    auto name = [](std::array<uint8_t, 4> p) {
        return p[0] > 200 && p[1] > 200 ? "white"
               : p[0] > 200             ? "red"
               : p[1] > 200             ? "green"
                                        : "blue";
    };
    for (int32_t orientation = 0; orientation < OrientationCount; ++orientation) {
        sprite->Orientation = orientation;
        TCaptureImage image;
        ASSERT_TRUE(DrawFrame(&image));
        const std::array<std::string, 4> seen = {
            name(Pixel(image, 1, 1)), name(Pixel(image, 62, 1)), name(Pixel(image, 1, 30)),
            name(Pixel(image, 62, 30))};
        EXPECT_EQ(seen, expected[orientation]) << "orientation " << orientation;
    }
    SetSpriteTexture(sprite, 0, nullptr);
}

// A cropped sprite shows, in its kept part, exactly what it shows whole, on every layer, and
// nothing outside it.
TEST_F(GlDevice, CroppedSpritesShowTheirOwnPartAndNothingElse) {
    // Opaque corners: top-left red, top-right green, bottom-left blue, bottom-right white.
    const uint8_t bgra[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    auto corners = MakeTexture(2, 2, pfA8R8G8B8, bgra, 8);
    corners->Smooth = false;
    SetSpriteTexture(sprite, 0, corners.get());
    SetSpriteTexture(sprite, 1, corners.get());
    sprite->ShadingMode = smMultiply1;
    sprite->Width = MainCanvas()->Width * 0.75f;
    sprite->X = MainCanvas()->Width * 0.1f;
    TCaptureImage whole;
    ASSERT_TRUE(DrawFrame(&whole));
    sprite->Visible = false;
    TCaptureImage empty;
    ASSERT_TRUE(DrawFrame(&empty));
    sprite->Visible = true;
    sprite->CropLeft = 0.25f;
    sprite->CropTop = 0.375f;
    sprite->CropRight = 0.625f;
    sprite->CropBottom = 1;
    TCaptureImage cropped;
    ASSERT_TRUE(DrawFrame(&cropped));
    const TCanvasRect bounds = SpriteBounds(*sprite);
    const float unit = MainCanvas()->Width / 64;
    int32_t wrong = 0;
    int32_t kept = 0;
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const float cx = (static_cast<float>(x) + 0.5f - 32) * unit;
            const float cy = (static_cast<float>(y) + 0.5f - 16) * unit;
            const bool inside =
                cx > bounds.Left && cx < bounds.Right && cy > bounds.Top && cy < bounds.Bottom;
            kept += inside ? 1 : 0;
            const TCaptureImage& expected = inside ? whole : empty;
            wrong += Pixel(cropped, x, y) == Pixel(expected, x, y) ? 0 : 1;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(kept, 200); // the kept part spans all four colours
    SetSpriteTexture(sprite, 0, nullptr);
    SetSpriteTexture(sprite, 1, nullptr);
}

TEST_F(GlDevice, CanvasPicturesKeepTheirTopAtTheTop) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 1, MainCanvas()->Width, MainCanvas()->Height);
    TSprite* top = nullptr;
    TSprite* bottom = nullptr;
    CreateSprite(top, canvas, 0);
    CreateSprite(bottom, canvas, 0);
    for (TSprite* half : {top, bottom}) {
        half->ShadingMode = smOnlyTint;
        half->Width = canvas->Width;
        half->Height = canvas->Height / 2;
    }
    top->Y = -canvas->Height / 4;
    top->Green = top->Blue = 0; // red
    bottom->Y = canvas->Height / 4;
    bottom->Red = bottom->Green = 0; // blue
    SetSpriteTexture(sprite, 0, canvas->Texture.get());
    TCaptureImage image;
    ASSERT_TRUE(DrawFrame(&image));
    EXPECT_GT(Pixel(image, 32, 4)[0], 200);
    EXPECT_GT(Pixel(image, 32, 28)[2], 200);
    SetSpriteTexture(sprite, 0, nullptr);
    ReleaseSprite(top);
    ReleaseSprite(bottom);
    ReleaseCanvas(canvas);
}

// A kept picture whose changed parts alone were drawn again is the picture drawn whole, to the
// bit: parts near the top and the bottom (the canvas is stored upside down), overlapping
// sprites, a blended and a filtered one.
TEST_F(GlDevice, KeptPartsLookLikeTheWholePictureDrawnAgain) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 1, MainCanvas()->Width, MainCanvas()->Height);
    SetCanvasRetained(canvas, true);
    const float unit = MainCanvas()->Width / 64; // one pixel
    std::array<TSprite*, 4> sprites{};
    for (std::size_t i = 0; i < sprites.size(); ++i) {
        CreateSprite(sprites[i], canvas, static_cast<int32_t>(i));
        TSprite& s = *sprites[i];
        s.Width = 9.5f * unit;
        s.Height = 7.25f * unit;
        s.X = (-20 + 9 * static_cast<float>(i)) * unit;
        s.Y = (i % 2 == 0 ? -9.0f : 8.5f) * unit;
        SetSpriteTexture(&s, 0, textures[i].get());
        s.Alpha = 0.8f;
    }
    sprites[2]->Angle = 30;
    SetSpriteTexture(sprite, 0, canvas->Texture.get());
    TCaptureImage image;
    ASSERT_TRUE(DrawFrame(&image));
    for (int32_t step = 0; step < 3; ++step) {
        for (TSprite* moved : {sprites[1], sprites[2]}) {
            InvalidateSpriteArea(moved);
            moved->X += 3.3f * unit;
            moved->Y += (step == 1 ? 5.7f : -2.2f) * unit;
            InvalidateSpriteArea(moved);
        }
        sprites[3]->Alpha = 0.3f + 0.2f * static_cast<float>(step);
        InvalidateSpriteArea(sprites[3]);
        TCaptureImage kept;
        ASSERT_TRUE(DrawFrame(&kept));
        InvalidateCanvas(canvas);
        TCaptureImage whole;
        ASSERT_TRUE(DrawFrame(&whole));
        EXPECT_TRUE(kept.Rgba == whole.Rgba) << "step " << step;
    }
    SetSpriteTexture(sprite, 0, nullptr);
    for (TSprite*& s : sprites) {
        ReleaseSprite(s);
    }
    ReleaseCanvas(canvas);
}

TEST_F(GlDevice, SixteenBitPicturesLookTheSameWithOrWithoutTheirOwnStore) {
    // Red 31, green 32 of 63, blue 0: (255, 130, 0).
    const uint16_t rgb565 = (31 << 11) | (32 << 5);
    const uint8_t bytes[2] = {static_cast<uint8_t>(rgb565 & 0xFF),
                              static_cast<uint8_t>(rgb565 >> 8)};
    for (bool own : {true, false}) {
        VideoDevice()->HasR5G6B5 = own;
        const char* what = own ? "own store" : "8-bit store";
        auto picture = MakeTexture(1, 1, pfR5G6B5, bytes, 2);
        SetSpriteTexture(sprite, 0, picture.get());
        ExpectColor(Draw(), {1, 130 / 255.0f, 0, 1}, what);

        // A canvas of that format draws too.
        TCanvas* canvas = nullptr;
        CreateCanvas(canvas, 1, MainCanvas()->Width, MainCanvas()->Height);
        SetCanvasFormat(canvas, 2);
        TSprite* fill = nullptr;
        CreateSprite(fill, canvas, 0);
        fill->ShadingMode = smOnlyTint;
        fill->Width = canvas->Width;
        fill->Height = canvas->Height;
        fill->Green = 0;
        SetSpriteTexture(sprite, 0, canvas->Texture.get());
        ExpectColor(Draw(), {1, 0, 1, 1}, what);
        SetSpriteTexture(sprite, 0, nullptr);
        ReleaseSprite(fill);
        ReleaseCanvas(canvas);
    }
}

TEST_F(GlDevice, AnErrorLeftByEarlierWorkFailsNothing) {
    glEnable(0xDEAD); // leaves GL_INVALID_ENUM behind
    const uint8_t pixel[4] = {0, 0, 255, 255};
    auto picture = MakeTexture(1, 1, pfA8R8G8B8, pixel, 4);
    EXPECT_NE(picture->Gpu, nullptr);
    glEnable(0xDEAD);
    TRenderTargetTexture target;
    SetRenderTargetSize(target, 8, 8);
    EXPECT_TRUE(CreateRenderTarget(target, pfA8R8G8B8));
    glEnable(0xDEAD);
    TCaptureImage image;
    EXPECT_TRUE(DrawFrame(&image));
}

TEST_F(GlDevice, TheInactiveWindowShowsTheLatestSnapshot) {
    // The window's own pixels, read back after the snapshot was shown.
    auto shown = [] {
        std::array<uint8_t, 4> pixel{};
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        return pixel;
    };
    MainCanvas()->ClearColor = 0xFFFF0000u;
    VideoCaptureSnapshot();
    VideoPaintSnapshot();
    ExpectColor(shown(), {1, 0, 0, 1}, "first snapshot");
    // A second focus loss at the same size.
    MainCanvas()->ClearColor = 0xFF0000FFu;
    VideoCaptureSnapshot();
    VideoPaintSnapshot();
    ExpectColor(shown(), {0, 0, 1, 1}, "second snapshot");
    VideoDropSnapshot();
}

TEST_F(GlDevice, OddWidthsCaptureOneExtraColumn) {
    VideoResize(101, 60);
    TCaptureImage image;
    ASSERT_TRUE(DrawFrame(&image));
    EXPECT_EQ(image.Width, 102);
    EXPECT_EQ(image.Height, 60);
    EXPECT_EQ(image.Pixels.size(), 102u * 60u);
}

} // namespace
} // namespace valdmoor
