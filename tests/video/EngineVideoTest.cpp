#include "video/EngineVideo.h"

#include "app/EngineApplication.h"
#include "video/null/NullVideoDevice.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Strings = std::vector<std::string>;

class Video : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        auto device = std::make_unique<TNullVideoDevice>();
        null = device.get();
        VideoStartWith(std::move(device), 1920, 1080);
    }
    void TearDown() override {
        VideoStop();
        ApplicationStop();
    }
    // The device calls of one frame, without its framing.
    Strings Frame() {
        null->Calls.clear();
        null->Drawn.clear();
        null->RecordCalls = true;
        EXPECT_TRUE(DrawFrame());
        null->RecordCalls = false;
        return null->Calls;
    }
    TSprite* Sprite(int32_t layer, TCanvas* canvas = nullptr) {
        TSprite* sprite = nullptr;
        CreateSprite(sprite, canvas != nullptr ? canvas : MainCanvas(), layer);
        sprite->Width = 100;
        sprite->Height = 50;
        return sprite;
    }
    static int Count(const Strings& calls, const std::string& prefix) {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }

    TNullVideoDevice* null = nullptr;
};

TEST_F(Video, DesignScreenIsNeverLetterboxed) {
    float w = 0;
    float h = 0;
    float zoom = 0;
    MainCanvasLayout(1920, 1080, w, h, zoom);
    EXPECT_FLOAT_EQ(w, 1600);
    EXPECT_FLOAT_EQ(h, 900);
    EXPECT_FLOAT_EQ(zoom, 1.2f);
    MainCanvasLayout(2560, 1080, w, h, zoom); // wider: more units across, 900 high
    EXPECT_FLOAT_EQ(h, 900);
    EXPECT_NEAR(w, 2133.33f, 0.01f);
    EXPECT_FLOAT_EQ(zoom, 1.2f);
    MainCanvasLayout(1280, 1024, w, h, zoom); // taller: 1600 across, more units down
    EXPECT_FLOAT_EQ(w, 1600);
    EXPECT_FLOAT_EQ(h, 1280);
    EXPECT_FLOAT_EQ(zoom, 0.8f);

    VideoResize(3200, 900);
    EXPECT_FLOAT_EQ(MainCanvas()->Width, 3200);
    EXPECT_FLOAT_EQ(MainCanvas()->Height, 900);
    EXPECT_EQ(MainCanvas()->PixelWidth, 3200);
}

TEST_F(Video, DrawLoopOnlyTellsTheDeviceWhatChanged) {
    TSprite* a = Sprite(1);
    TSprite* b = Sprite(2);
    TSprite* c = Sprite(3);
    TSprite* hidden = Sprite(4);
    hidden->Visible = false;
    c->BlendMode = 5; // keeps the previous sprite's blending
    b->Orientation = 3;
    const Strings calls = Frame();
    EXPECT_EQ(Count(calls, "draw"), 3);
    EXPECT_EQ(Count(calls, "blend"), 1);
    EXPECT_EQ(Count(calls, "shading"), 1);
    EXPECT_EQ(Count(calls, "orientation"), 3); // 0, 3, back to 0
    EXPECT_EQ(Count(calls, "bind 0"), 1);      // every layer samples the empty texture
    (void)a;
}

TEST_F(Video, SpritesDrawInLayerOrderAndMoveWhenTheirLayerChanges) {
    TSprite* back = Sprite(10);
    TSprite* front = Sprite(20);
    back->X = 1;
    front->X = 2;
    Frame();
    ASSERT_EQ(null->Drawn.size(), 2u);
    EXPECT_EQ(null->Drawn[0].Vertex[9][2], 1);
    SetSpriteLayer(back, 30);
    Frame();
    EXPECT_EQ(null->Drawn[0].Vertex[9][2], 2);
    EXPECT_EQ(null->Drawn[1].Vertex[9][2], 1);
}

TEST_F(Video, PlacementAndTintConstants) {
    TSprite* sprite = Sprite(1);
    sprite->X = 10;
    sprite->Y = -20;
    sprite->Scale = 2;
    sprite->Angle = 90;
    sprite->Red = 0.5f;
    sprite->Alpha = 0.5f;
    sprite->ShadingParam = 0.25f;
    Frame();
    const TSpriteConstants& c = null->Drawn.at(0);
    // Turned a quarter clockwise: the quad's right edge points down the screen.
    EXPECT_NEAR(c.Vertex[9][0], 0, 1e-4);
    EXPECT_NEAR(c.Vertex[9][1], -100, 1e-4);
    EXPECT_NEAR(c.Vertex[10][0], 200, 1e-4);
    EXPECT_NEAR(c.Vertex[10][1], 0, 1e-4);
    EXPECT_EQ(c.Vertex[9][2], 10);
    EXPECT_EQ(c.Vertex[10][2], -20);
    EXPECT_FLOAT_EQ(c.Vertex[8][0], 2.0f / 1600);
    EXPECT_FLOAT_EQ(c.Vertex[8][1], -2.0f / 900);
    EXPECT_FLOAT_EQ(c.Pixel[0][0], 0.25f);
    EXPECT_FLOAT_EQ(c.Pixel[0][1], 0.5f);
    EXPECT_FLOAT_EQ(c.Pixel[0][3], 0.5f);
    EXPECT_FLOAT_EQ(c.Pixel[1][3], 0.25f);
}

TEST_F(Video, FramesAreClampedAndSharpBlitsUsePointFiltering) {
    TTexture strip("Strip");
    strip.Width = 40;
    strip.Height = 10;
    MakeGridSegments(strip, 0, 0, 10, 10, 1, 1, 4);
    TSprite* sprite = Sprite(1);
    SetSpriteTexture(sprite, 0, &strip);
    sprite->Width = 10 / 1.2f; // ten pixels on a 1.2 zoom screen
    sprite->Height = 10 / 1.2f;
    SetSpriteFrame(sprite, 0, 9);
    Strings calls = Frame();
    EXPECT_FLOAT_EQ(null->Drawn.at(0).Vertex[0][2], 0.75f); // the last segment
    EXPECT_EQ(Count(calls, "filter 0 point"), 1);
    SetSpriteFrame(sprite, 0, -3);
    sprite->Angle = 1;
    calls = Frame();
    EXPECT_FLOAT_EQ(null->Drawn.at(0).Vertex[0][2], 0.0f); // the first
    EXPECT_EQ(Count(calls, "filter 0 point"), 0);
    sprite->Angle = 0;
    strip.Smooth = true;
    calls = Frame();
    EXPECT_EQ(Count(calls, "filter 0 point"), 0);
    SetSpriteTexture(sprite, 0, nullptr);
}

TEST_F(Video, OffScreenCanvasesDrawFirstIntoTheirOwnPixels) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 5, 100, 50);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->PixelWidth, 120); // at the screen's zoom
    EXPECT_EQ(canvas->PixelHeight, 60);
    EXPECT_EQ(canvas->Texture->SegmentCount(), 1);
    Sprite(1, canvas);
    Sprite(1);
    const Strings calls = Frame();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "target texture 120x60"), calls.end());
    EXPECT_LT(std::find(calls.begin(), calls.end(), "target texture 120x60"),
              std::find(calls.begin(), calls.end(), "target frame 1920x1080"));
    EXPECT_NE(canvas->Texture->Gpu, nullptr);

    SetCanvasGrid(canvas, 0, 0, 25, 25, 2, 4);
    EXPECT_EQ(canvas->Texture->SegmentCount(), 8);
    SetCanvasFormat(canvas, 0); // unchanged: the target stays
    EXPECT_NE(canvas->Texture->Gpu, nullptr);
    SetCanvasFormat(canvas, 2);
    EXPECT_EQ(canvas->Texture->Gpu, nullptr);
    SetCanvasZoom(canvas, 0.5f);
    EXPECT_EQ(canvas->PixelWidth, 60);
    ReleaseCanvas(canvas);
    EXPECT_EQ(canvas, nullptr);
    TCanvas* main = MainCanvas();
    ReleaseCanvas(main); // the screen cannot be released
    EXPECT_NE(MainCanvas(), nullptr);
}

// A retained canvas keeps its picture until something on it changes or its pixels are made
// anew; drawing it every frame is what it saves.
TEST_F(Video, RetainedCanvasesDrawOnlyAfterAChange) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 5, 100, 50);
    SetCanvasRetained(canvas, true);
    TSprite* sprite = Sprite(1, canvas);
    auto drawsCanvas = [&] { return Count(Frame(), "target texture") > 0; };
    EXPECT_TRUE(drawsCanvas());
    EXPECT_FALSE(drawsCanvas());
    sprite->X = 10; // fields alone tell nobody
    EXPECT_FALSE(drawsCanvas());
    InvalidateCanvas(canvas);
    EXPECT_TRUE(drawsCanvas());
    SetSpriteLayer(sprite, 2);
    EXPECT_TRUE(drawsCanvas());
    TSprite* other = Sprite(3, canvas);
    EXPECT_TRUE(drawsCanvas());
    ReleaseSprite(other);
    EXPECT_TRUE(drawsCanvas());
    SetCanvasZoom(canvas, 0.5f);
    EXPECT_TRUE(drawsCanvas()) << "new pixels";
    VideoResize(1600, 900);
    EXPECT_TRUE(drawsCanvas()) << "new render target";
    EXPECT_FALSE(drawsCanvas());
    SetCanvasRetained(canvas, false);
    EXPECT_TRUE(drawsCanvas());
    EXPECT_TRUE(drawsCanvas());
    ReleaseCanvas(canvas);
}

// A changed part of a kept picture is cleared and drawn again alone, in whole pixels and one
// more around them, with only the sprites that reach it.
TEST_F(Video, KeptPicturesDrawOnlyTheirChangedParts) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 5, 100, 50); // 120 x 60 pixels
    SetCanvasRetained(canvas, true);
    TSprite* near = Sprite(1, canvas);
    near->Width = near->Height = 10;
    TSprite* far = Sprite(2, canvas);
    far->Width = far->Height = 10;
    far->X = 40;
    far->Angle = 45; // turned: its corners reach further
    Frame();
    InvalidateCanvasRect(canvas, {-10, -5, 10, 5});
    Strings calls = Frame();
    EXPECT_EQ(Count(calls, "clip 47,23 26x14"), 1);
    EXPECT_EQ(Count(calls, "clear"), 2) << "the part and the screen";
    EXPECT_EQ(Count(calls, "draw"), 1) << "only the sprite in the part";
    EXPECT_EQ(Count(calls, "clip off"), 1);
    EXPECT_TRUE(canvas->PictureValid);
    EXPECT_EQ(Count(Frame(), "target texture"), 0) << "the part was drawn";

    // Parts that touch become one; the part of a turned sprite reaches its corners.
    InvalidateCanvasRect(canvas, {-10, -5, 0, 5});
    InvalidateCanvasRect(canvas, {0, -5, 10, 5});
    InvalidateSpriteArea(far);
    EXPECT_EQ(canvas->DirtyCount, 2);
    EXPECT_NEAR(canvas->DirtyRects[1].Left, 40 - 5 * std::sqrt(2.0f), 1e-4);
    calls = Frame();
    EXPECT_EQ(Count(calls, "clip "), 3);
    EXPECT_EQ(Count(calls, "draw"), 2);

    // A part that grows into others takes them in: no pixel is drawn twice.
    InvalidateCanvasRect(canvas, {-40, -5, -30, 5});
    InvalidateCanvasRect(canvas, {-10, -5, 0, 5});
    InvalidateCanvasRect(canvas, {20, -5, 30, 5});
    InvalidateCanvasRect(canvas, {-35, -5, -5, 5});
    ASSERT_EQ(canvas->DirtyCount, 2);
    EXPECT_FLOAT_EQ(canvas->DirtyRects[0].Left, -40);
    EXPECT_FLOAT_EQ(canvas->DirtyRects[0].Right, 0);
    EXPECT_FLOAT_EQ(canvas->DirtyRects[1].Left, 20);
    Frame();

    // Beyond the canvas, empty, inverted or not a number: nothing to draw.
    InvalidateCanvasRect(canvas, {60, 0, 70, 5});
    InvalidateCanvasRect(canvas, {5, 5, 0, 0});
    InvalidateCanvasRect(canvas, {std::nanf(""), 0, 1, 1});
    EXPECT_EQ(canvas->DirtyCount, 0);

    // More parts than are kept apart grow the nearest; most of the picture draws it whole.
    for (int32_t i = 0; i < CanvasDirtyRects + 4; ++i) {
        const float x = -48 + 5 * static_cast<float>(i);
        InvalidateCanvasRect(canvas, {x, -1, x + 1, 1});
    }
    EXPECT_EQ(canvas->DirtyCount, CanvasDirtyRects);
    EXPECT_TRUE(canvas->PictureValid);
    InvalidateCanvasRect(canvas, {-48, -24, 48, 24});
    EXPECT_FALSE(canvas->PictureValid);
    EXPECT_EQ(canvas->DirtyCount, 0);
    calls = Frame();
    EXPECT_EQ(Count(calls, "clip"), 0);
    EXPECT_EQ(Count(calls, "draw"), 2);

    // A canvas drawn whole every frame has no parts.
    SetCanvasRetained(canvas, false);
    Frame();
    InvalidateCanvasRect(canvas, {-10, -5, 10, 5});
    EXPECT_EQ(canvas->DirtyCount, 0);
    ReleaseCanvas(canvas);
}

// A turned sprite's part is its turned quad's own box, not the circle around it.
TEST_F(Video, TurnedSpritesCoverTheirOwnBox) {
    TSprite* sprite = Sprite(1);
    sprite->X = 10;
    sprite->Angle = 90;
    TCanvasRect bounds = SpriteBounds(*sprite);
    EXPECT_NEAR(bounds.Left, 10 - 25, 1e-4);
    EXPECT_NEAR(bounds.Top, -50, 1e-4);
    sprite->Angle = -30;
    sprite->Scale = 2;
    bounds = SpriteBounds(*sprite);
    const float c = std::cos(30 * 3.14159265f / 180);
    EXPECT_NEAR(bounds.Right, 10 + c * 100 + 0.5f * 50, 1e-3);
    EXPECT_NEAR(bounds.Bottom, 0.5f * 100 + c * 50, 1e-3);
}

// Sprites that show a part of a sparse canvas where none of its sprites reach would blend
// only transparent pixels: they are not drawn. Every other case draws.
TEST_F(Video, SparseCanvasesShowOnlyWhereTheirSpritesAre) {
    TCanvas* sparse = nullptr;
    CreateCanvas(sparse, 5, 100, 50); // 120 x 60 pixels
    SetCanvasGrid(sparse, 0, 0, 25, 25, 2, 4);
    SetCanvasRetained(sparse, true);
    sparse->Sparse = true;
    TSprite* mote = Sprite(1, sparse);
    mote->X = -40; // in frame 0: -50 .. -25, -25 .. 0
    mote->Y = -15;
    mote->Width = mote->Height = 4;
    std::vector<TSprite*> shown;
    for (int32_t frame = 0; frame < 8; ++frame) {
        TSprite* sprite = Sprite(1);
        sprite->Layers[0] = {sparse->Texture.get(), frame};
        shown.push_back(sprite);
    }
    auto draws = [&] { return Count(Frame(), "draw"); };
    EXPECT_EQ(draws(), 1 + 1) << "the mote, and the frame it is in";
    mote->X = -30;
    InvalidateCanvas(sparse);
    EXPECT_EQ(draws(), 1 + 1);
    // Within two pixels of frame 1, filtering reaches into it.
    mote->X = -27.5f;
    InvalidateCanvas(sparse);
    EXPECT_EQ(draws(), 1 + 2);
    mote->X = -26;
    mote->Angle = 45; // turned, its corners reach frame 4 below
    mote->Y = -1.5f;
    InvalidateCanvas(sparse);
    EXPECT_EQ(draws(), 1 + 4);
    mote->Visible = false;
    InvalidateCanvas(sparse);
    EXPECT_EQ(draws(), 0);

    // Another mode, a canvas not cleared to transparent black, or one not sparse: all draw.
    shown[3]->ShadingMode = smGrayscale;
    EXPECT_EQ(draws(), 1);
    shown[3]->ShadingMode = smDefault;
    sparse->ClearColor = 0xFF000000;
    EXPECT_EQ(draws(), 8);
    sparse->ClearColor = 0;
    sparse->Sparse = false;
    EXPECT_EQ(draws(), 8);
    sparse->Sparse = true;
    // A canvas drawn before the sparse one shows its last frame's picture: it draws.
    TCanvas* before = nullptr;
    CreateCanvas(before, 3, 100, 50);
    TSprite* early = Sprite(1, before);
    early->Layers[0] = {sparse->Texture.get(), 7};
    EXPECT_EQ(draws(), 1);
    ReleaseCanvas(before);
    ReleaseCanvas(sparse);
}

TEST_F(Video, SpritesComeBackResetFromTheirCache) {
    std::vector<TSprite*> sprites(2000, nullptr);
    for (TSprite*& sprite : sprites) {
        CreateSprite(sprite, MainCanvas(), 0);
        ASSERT_NE(sprite, nullptr);
    }
    TSprite* first = sprites[0];
    first->ShadingMode = smMorphing;
    first->Alpha = 0.2f;
    first->Visible = false;
    for (TSprite*& sprite : sprites) {
        ReleaseSprite(sprite);
    }
    EXPECT_EQ(MainCanvas()->Sprites.Count(), 0);
    TSprite* again = nullptr;
    CreateSprite(again, MainCanvas(), 0);
    EXPECT_EQ(again->ShadingMode, smDefault);
    EXPECT_EQ(again->Alpha, 1.0f);
    EXPECT_TRUE(again->Visible);
    ReleaseSprite(again);

    // Whichever sprite the cache hands out next, nothing of its last use is left on it.
    TTexture picture("Picture");
    for (TSprite*& sprite : sprites) {
        CreateSprite(sprite, MainCanvas(), 0);
        sprite->Orientation = 5;
        sprite->Angle = 30;
        sprite->BlendMode = 1;
        sprite->ShadingParam = 0.5f;
        for (int32_t i = 0; i < 4; ++i) {
            SetSpriteTexture(sprite, i, &picture);
            SetSpriteFrame(sprite, i, 3);
        }
    }
    for (TSprite*& sprite : sprites) {
        ReleaseSprite(sprite);
    }
    for (TSprite*& sprite : sprites) {
        CreateSprite(sprite, MainCanvas(), 0);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->Orientation, 0);
        EXPECT_EQ(sprite->Angle, 0);
        EXPECT_EQ(sprite->BlendMode, 0);
        EXPECT_EQ(sprite->ShadingParam, 0);
        for (int32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(GetSpriteTexture(sprite, i), nullptr);
            EXPECT_EQ(sprite->Layers[static_cast<std::size_t>(i)].Frame, 0);
        }
    }
    for (TSprite*& sprite : sprites) {
        ReleaseSprite(sprite);
    }
}

TEST_F(Video, CanvasSizesBeyondAnyScreenNeverOverflow) {
    TCanvas* canvas = nullptr;
    CreateCanvas(canvas, 5, 100, 50);
    SetCanvasSize(canvas, std::nanf(""), 1e30f);
    EXPECT_EQ(canvas->PixelWidth, 0);
    EXPECT_EQ(canvas->PixelHeight, INT32_MAX);
    SetCanvasSize(canvas, -1e30f, 10);
    EXPECT_EQ(canvas->PixelWidth, 0);
    EXPECT_EQ(canvas->PixelHeight, 12);
    EXPECT_TRUE(DrawFrame()) << "a canvas without pixels is left out";
    ReleaseCanvas(canvas);
}

TEST(ShadingModes, NamesChooseModesAndUnknownNamesGiveDefault) {
    EXPECT_EQ(ShadingModeByName("MapReveal"), smMapReveal);
    EXPECT_EQ(ShadingModeByName("PropIcon"), smPropIcon);
    EXPECT_EQ(ShadingModeByName("mapreveal"), smDefault);
    EXPECT_EQ(ShadingModeByName(""), smDefault);
    EXPECT_EQ(ShadingModeLayers(smBlend3), 4);
    EXPECT_EQ(ShadingModeLayers(smOnlyTint), 0);
    EXPECT_EQ(ShadingModeName(smSepia), "Sepia");
}

} // namespace
} // namespace valdmoor
