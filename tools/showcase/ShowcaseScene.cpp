#include "ShowcaseScene.h"

#include "app/EngineApplication.h"
#include "effects/EngineEffects.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "storage/EngineStorage.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

namespace valdmoor::showcase {

namespace {

constexpr int32_t PictureSize = 128;
constexpr float Step = 1.0f / 60.0f;

void StopEngine() {
    EffectsStop();
    TextsStop();
    VideoStop();
    WindowStop();
    TimerStop();
    StorageReset();
    ApplicationStop();
}

struct TRgb {
    float R;
    float G;
    float B;
};

TRgb Mix(TRgb a, TRgb b, float t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

void Put(TPictureImage& image, int32_t x, int32_t y, TRgb c) {
    uint8_t* pixel = image.Row(y) + static_cast<std::ptrdiff_t>(x) * 4;
    pixel[0] = static_cast<uint8_t>(std::lround(std::clamp(c.B, 0.0f, 1.0f) * 255));
    pixel[1] = static_cast<uint8_t>(std::lround(std::clamp(c.G, 0.0f, 1.0f) * 255));
    pixel[2] = static_cast<uint8_t>(std::lround(std::clamp(c.R, 0.0f, 1.0f) * 255));
    pixel[3] = 255;
}

// A small evening landscape: colourful enough that every mode's change of colour shows.
TPictureImage Landscape() {
    TPictureImage image = MakeArgbImage(PictureSize, PictureSize);
    for (int32_t y = 0; y < PictureSize; ++y) {
        for (int32_t x = 0; x < PictureSize; ++x) {
            const auto fx = static_cast<float>(x) + 0.5f;
            const auto fy = static_cast<float>(y) + 0.5f;
            TRgb c = Mix({0.18f, 0.32f, 0.72f}, {0.98f, 0.62f, 0.32f}, fy / 84.0f);
            const float sun = std::hypot(fx - 86, fy - 46) - 15;
            if (sun < 0) {
                c = {1.0f, 0.92f, 0.55f};
            } else if (sun < 10) {
                c = Mix({1.0f, 0.85f, 0.5f}, c, sun / 10);
            }
            if (fy > 70 + 10 * std::sin(fx / 17 + 1)) {
                c = {0.32f, 0.52f, 0.30f};
            }
            if (fy > 88 + 7 * std::sin(fx / 11)) {
                c = Mix({0.20f, 0.55f, 0.22f}, {0.08f, 0.30f, 0.12f}, (fy - 88) / 40);
            }
            // A red-roofed house on the near hill.
            if (fx > 26 && fx < 46 && fy > 86 && fy < 100) {
                c = {0.92f, 0.88f, 0.78f};
            }
            if (fy <= 86 && fy > 74 && std::fabs(fx - 36) < (fy - 74) * 1.0f + 0.5f) {
                c = {0.78f, 0.16f, 0.12f};
            }
            Put(image, x, y, c);
        }
    }
    return image;
}

// Diagonal stripes in three strong colours: what the modes that mix two pictures mix in.
TPictureImage Stripes() {
    TPictureImage image = MakeArgbImage(PictureSize, PictureSize);
    constexpr TRgb Colors[3] = {
        {0.92f, 0.26f, 0.22f}, {0.98f, 0.82f, 0.22f}, {0.12f, 0.62f, 0.72f}};
    for (int32_t y = 0; y < PictureSize; ++y) {
        for (int32_t x = 0; x < PictureSize; ++x) {
            Put(image, x, y, Colors[((x + y) / 16) % 3]);
        }
    }
    return image;
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw EngineError("Unable to open file \"" + path + "\"");
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Layers of the main canvas, back to front.
constexpr int32_t PanelLayer = 10;
constexpr int32_t ContentLayer = 20;
constexpr int32_t TextLayer = 40;

const TRgb Gold{0.96f, 0.80f, 0.45f};
const TRgb Pale{0.82f, 0.85f, 0.90f};
const TRgb Panel{0.12f, 0.14f, 0.19f};

} // namespace

TEngine::TEngine(const std::string& gameFolder) {
    try {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless", "-nosound"}));
        const std::string folder =
            gameFolder.empty() || gameFolder.back() == '/' ? gameFolder : gameFolder + "/";
        SetStorageFolderPath(sfMain, folder);
        SetStorageFolderPath(sfData, folder);
        SetStorageFolderPath(sfOrdinary, folder + "Ordinary/");
        SetStorageFolderPath(sfBranding, folder + "Branding/");
        TimerStart();
        WindowStart();
        VideoStart();
        VideoResize(FrameWidth, FrameHeight);
        TextsStart();
        EffectsStart();
    } catch (...) {
        StopEngine();
        throw;
    }
}

TEngine::~TEngine() {
    StopEngine();
}

TScene::TScene(const std::string& effectFile) {
    MainCanvas()->ClearColor = 0xFF161A22;
    MakeText(MainCanvas(), TextLayer, tfAlignLeft, FontGame, 900, 40, -330, -420,
             "Valdmoor engine showcase");
    MakeText(MainCanvas(), TextLayer, tfAlignRight, FontEngine, 700, 30, 430, -418,
             "one frame, drawn headless at 1600 \xC3\x97 900");
    BuildModes();
    BuildFonts();
    BuildMissing();
    BuildEffects(effectFile);
    BuildCanvas();
    // The click lands three quarters into the second, so its ring is still growing.
    for (int32_t frame = 0; frame < 60; ++frame) {
        if (frame == 45) {
            StartEffect(this, GetEffect("G2ClickWave"), MainCanvas(), 300, 90, ContentLayer + 10);
        }
        UpdateEffectsBy(Step);
    }
}

TScene::~TScene() {
    for (TSprite*& sprite : sprites_) {
        ReleaseSprite(sprite);
    }
    for (TText*& text : texts_) {
        ReleaseText(text);
    }
    for (TSquare*& square : squares_) {
        ReleaseSquare(square);
    }
    ReleaseBallon(ballon_);
    StopEffectsOf(this, true);
    ReleaseCanvas(canvas_);
    for (TTexture* texture : named_) {
        ReleaseTexture(texture);
    }
    // The effect's particles are gone; its pictures are shared and stay with the textures.
    effect_.reset();
    pictures_.clear();
}

void TScene::Update() {
    TimerUpdate();
    UpdateEffects();
}

TTexture* TScene::MakePicture(std::string name, const TPictureImage& image) {
    auto texture = std::make_unique<TTexture>(std::move(name));
    texture->Width = image.Width;
    texture->Height = image.Height;
    texture->Smooth = true;
    texture->Gpu = VideoDevice()->CreateTexture(image.Width, image.Height, pfA8R8G8B8,
                                                image.Pixels.data(), image.Pitch);
    MakeFullSegment(*texture, image.Width, image.Height);
    pictures_.push_back(std::move(texture));
    return pictures_.back().get();
}

TText* TScene::MakeText(TCanvas* canvas, int32_t layer, uint8_t flags, int32_t font, float width,
                        float height, float x, float y, const std::string& text) {
    TText* made = nullptr;
    CreateText(made, canvas, layer, flags, font, width, height);
    SetText(made, text);
    SetTextPosition(made, x, y);
    const TRgb color = font == FontGame ? Gold : Pale;
    SetTextColor(made, color.R, color.G, color.B);
    texts_.push_back(made);
    return made;
}

TSprite* TScene::MakeSprite(TCanvas* canvas, int32_t layer, float x, float y, float width,
                            float height) {
    TSprite* sprite = nullptr;
    CreateSprite(sprite, canvas, layer);
    sprite->X = x;
    sprite->Y = y;
    sprite->Width = width;
    sprite->Height = height;
    sprites_.push_back(sprite);
    return sprite;
}

TSquare* TScene::MakeSquare(TCanvas* canvas, int32_t layer, const char* picture, float x, float y,
                            float width, float height) {
    TSquare* square = nullptr;
    CreateSquare(square, canvas, layer, std::string_view(picture).ends_with("Filled"), picture, 6);
    SetSquarePosition(square, x, y);
    SetSquareSize(square, width, height);
    SetSquareColor(square, Panel.R, Panel.G, Panel.B);
    squares_.push_back(square);
    return square;
}

// Two rows of seven tiles, each mode fed the pictures that show what it does, named below.
void TScene::BuildModes() {
    MakeSquare(MainCanvas(), PanelLayer, "G2Square06Filled", 0, -205, 1560, 360);
    TTexture* landscape = MakePicture("Landscape", Landscape());
    TTexture* stripes = MakePicture("Stripes", Stripes());
    TTexture* particles = GetTexture("G2Particles");
    named_.push_back(particles);
    enum TShape : int32_t {
        Dot = 0,
        Ring = 1,
        Star = 2,
        Disc = 3,
        Diamond = 7,
        Plus = 10
    };
    struct TTile {
        std::array<TTexture*, 4> Layers;
        std::array<int32_t, 4> Frames;
        TRgb Tint;
        float Alpha;
        float Param;
    };
    const TTile tiles[ShadingModeCount] = {
        {{landscape}, {}, {1, 1, 1}, 1, 0},                                    // Default
        {{}, {}, Gold, 1, 0},                                                  // OnlyTint
        {{landscape}, {}, {1, 1, 1}, 1, 0},                                    // Grayscale
        {{landscape}, {}, {1, 1, 1}, 1, 0},                                    // Sepia
        {{landscape, particles}, {0, Ring}, {1, 1, 1}, 1, 0},                  // Blend1
        {{landscape, particles, particles}, {0, Ring, Star}, {1, 1, 1}, 1, 0}, // Blend2
        {{landscape, particles, particles, particles}, {0, Ring, Star, Plus}, {1, 1, 1}, 1, 0},
        {{particles, stripes}, {Diamond, 0}, {1, 1, 1}, 1, 0},                   // MultiplyColor1
        {{landscape, stripes}, {}, {1, 1, 1}, 1, 0},                             // Multiply1
        {{landscape, particles}, {0, Disc}, {1, 1, 1}, 1, 0},                    // AlphaMask
        {{landscape, particles}, {0, Star}, {1, 1, 1}, 1, 0},                    // AlphaInvMask
        {{landscape, stripes}, {}, {1, 1, 1}, 1, 0.5f},                          // Morphing
        {{particles, particles, landscape}, {Dot, Ring, 0}, {1, 1, 1}, 0.5f, 0}, // MapReveal
        {{landscape, particles}, {0, Star}, {1, 1, 1}, 1, 0.25f},                // PropIcon
    };
    for (int32_t mode = 0; mode < ShadingModeCount; ++mode) {
        const TTile& tile = tiles[mode];
        const float x = -600.0f + 200.0f * static_cast<float>(mode % 7);
        const float y = mode < 7 ? -290.0f : -125.0f;
        TSprite* sprite = MakeSprite(MainCanvas(), ContentLayer, x, y, 120, 120);
        sprite->ShadingMode = mode;
        sprite->Red = tile.Tint.R;
        sprite->Green = tile.Tint.G;
        sprite->Blue = tile.Tint.B;
        sprite->Alpha = tile.Alpha;
        sprite->ShadingParam = tile.Param;
        for (int32_t layer = 0; layer < 4; ++layer) {
            if (tile.Layers[static_cast<std::size_t>(layer)] != nullptr) {
                SetSpriteTexture(sprite, layer, tile.Layers[static_cast<std::size_t>(layer)]);
                SetSpriteFrame(sprite, layer, tile.Frames[static_cast<std::size_t>(layer)]);
            }
        }
        MakeText(MainCanvas(), TextLayer, 0, FontEngine, 190, 24, x, y + 80,
                 std::to_string(mode) + " " + std::string(ShadingModeName(mode)));
    }
}

// Both fonts in a framed box: a filled square under a gold outline.
void TScene::BuildFonts() {
    MakeSquare(MainCanvas(), PanelLayer, "G2Square06Filled", -540, 215, 480, 430);
    TSquare* outline =
        MakeSquare(MainCanvas(), PanelLayer + 1, "G2Square06Outline", -540, 215, 464, 414);
    SetSquareColor(outline, Gold.R, Gold.G, Gold.B);
    constexpr uint8_t Paragraph = tfAlignLeft | tfAlignTop | tfWordWrap;
    MakeText(MainCanvas(), TextLayer, tfAlignLeft, FontEngine, 420, 24, -540, 30,
             "F0FontEngine, 16 px");
    TText* engine =
        MakeText(MainCanvas(), TextLayer, Paragraph, FontEngine, 420, 120, -540, 106,
                 "Menus, hints and numbers: 0123456789. Gr\xC3\xBC\xC3\x9F"
                 "e aus Valdmoor, \xC3\x86r\xC3\xB8sk\xC3\xB8"
                 "bing, \xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 "
                 "\xD0\xB5\xD1\x89\xD1\x91. Icons inline: \xEE\x80\x80 \xEE\x80\x81 \xEE\x80\x82");
    SetTextColor(engine, 0.92f, 0.93f, 0.95f);
    MakeText(MainCanvas(), TextLayer, tfAlignLeft, FontGame, 420, 30, -540, 140,
             "F2FontGame, 21 px");
    TText* game = MakeText(MainCanvas(), TextLayer, Paragraph, FontGame, 420, 190, -540, 255,
                           "The caravan left Valdmoor at dawn, its wagons heavy with salt, "
                           "wool and copper; by dusk the river road had turned to mud, and "
                           "the drovers sang to keep the oxen walking. Twelve bales for one "
                           "copper bar \xE2\x80\x94 a fair trade, said the ferryman.");
    SetTextColor(game, 0.95f, 0.91f, 0.82f);
    MakeText(MainCanvas(), TextLayer, 0, FontEngine, 440, 24, -540, 390,
             "a square framing both fonts");
}

// A balloon pointing down at the stand-in a missing picture gets.
void TScene::BuildMissing() {
    MakeSquare(MainCanvas(), PanelLayer, "G2Square06Filled", -120, 215, 320, 430);
    CreateBallon(ballon_, MainCanvas(), ContentLayer, "G2Ballon06Filled", psBottom, -120, 88, 6, 24,
                 280, 116);
    SetBallonColor(ballon_, 0.96f, 0.93f, 0.84f);
    SetBallonPointer(ballon_, 0, 0);
    TText* said = MakeText(MainCanvas(), TextLayer, tfWordWrap, FontGame, 256, 100, -120, 88,
                           "No picture by that name: the stand-in shows where.");
    SetTextColor(said, 0.16f, 0.12f, 0.09f);
    TTexture* missing = GetTexture("G2NoSuchPicture");
    named_.push_back(missing);
    TSprite* sprite = MakeSprite(MainCanvas(), ContentLayer, -120, 260, 112, 112);
    SetSpriteTexture(sprite, 0, missing);
    MakeText(MainCanvas(), TextLayer, 0, FontEngine, 300, 24, -120, 390,
             "GetTexture(\"G2NoSuchPicture\")");
}

// The shipped effects, and the showcase's own when given, one simulated second in.
void TScene::BuildEffects(const std::string& effectFile) {
    MakeSquare(MainCanvas(), PanelLayer, "G2Square06Filled", 220, 215, 320, 430);
    if (!effectFile.empty()) {
        effect_ = BuildEffect("Showcase", ReadEmt(ReadAll(effectFile), effectFile));
        StartEffect(this, effect_.get(), MainCanvas(), 220, 300, ContentLayer);
    }
    StartEffect(this, GetEffect("G2Sparkle"), MainCanvas(), 140, 90, ContentLayer + 10);
    MakeText(MainCanvas(), TextLayer, 0, FontEngine, 300, 24, 220, 390,
             "effects, one simulated second in");
}

// A canvas drawn off screen, then shown turned through its texture.
void TScene::BuildCanvas() {
    MakeSquare(MainCanvas(), PanelLayer, "G2Square06Filled", 590, 215, 380, 430);
    CreateCanvas(canvas_, 1, 300, 190);
    canvas_->ClearColor = 0xFF2A3A5C;
    TSprite* picture = MakeSprite(canvas_, 1, -80, 10, 110, 110);
    SetSpriteTexture(picture, 0, pictures_.front().get());
    TTexture* particles = GetTexture("G2Particles");
    named_.push_back(particles);
    for (int32_t i = 0; i < 5; ++i) {
        TSprite* star = MakeSprite(canvas_, 2, 20.0f + 26.0f * static_cast<float>(i),
                                   30.0f + 8.0f * static_cast<float>(i % 2), 24, 24);
        SetSpriteTexture(star, 0, particles);
        SetSpriteFrame(star, 0, 2);
        star->Red = Gold.R;
        star->Green = Gold.G;
        star->Blue = Gold.B;
    }
    MakeText(canvas_, 3, tfAlignLeft, FontGame, 160, 30, 70, -40, "Canvas");
    MakeText(canvas_, 3, tfAlignLeft | tfWordWrap, FontEngine, 160, 40, 70, 0, "drawn off screen");
    TSquare* border = MakeSquare(canvas_, 4, "G2Square06Outline", 0, 0, 296, 186);
    SetSquareColor(border, Gold.R, Gold.G, Gold.B);
    TSprite* shown = MakeSprite(MainCanvas(), ContentLayer, 590, 200, 300, 190);
    SetSpriteTexture(shown, 0, canvas_->Texture.get());
    shown->Angle = -8;
    MakeText(MainCanvas(), TextLayer, 0, FontEngine, 360, 24, 590, 390,
             "an off-screen canvas, turned 8\xC2\xB0");
}

TPictureImage CaptureFrame() {
    TPictureImage picture = CaptureFramePicture();
    if (picture.Pixels.empty()) {
        throw EngineError("Failed to capture the frame");
    }
    return picture;
}

TDifference ComparePictures(const TPictureImage& actual, const TPictureImage& expected) {
    TDifference difference;
    if (actual.Width != expected.Width || actual.Height != expected.Height ||
        actual.Format != pfA8R8G8B8 || expected.Format != pfA8R8G8B8) {
        return difference;
    }
    difference.SameSize = true;
    difference.Pixels = int64_t{actual.Width} * actual.Height;
    for (int32_t y = 0; y < actual.Height; ++y) {
        const uint8_t* a = actual.Row(y);
        const uint8_t* b = expected.Row(y);
        for (int32_t x = 0; x < actual.Width; ++x, a += 4, b += 4) {
            int32_t largest = 0;
            for (int32_t channel = 0; channel < 3; ++channel) {
                largest = std::max(largest, std::abs(a[channel] - b[channel]));
            }
            difference.PixelsOverSmall += largest > SmallDifference ? 1 : 0;
            difference.Largest = std::max(difference.Largest, largest);
        }
    }
    return difference;
}

bool WithinTolerance(const TDifference& difference) {
    return difference.SameSize && difference.Largest <= LargestDifference &&
           static_cast<double>(difference.PixelsOverSmall) <=
               OverSmallShare * static_cast<double>(difference.Pixels);
}

TPictureImage DifferencePicture(const TPictureImage& actual, const TPictureImage& expected) {
    TPictureImage picture = actual;
    const bool comparable = actual.Width == expected.Width && actual.Height == expected.Height;
    for (int32_t y = 0; y < picture.Height; ++y) {
        uint8_t* p = picture.Row(y);
        const uint8_t* b = comparable ? expected.Row(y) : nullptr;
        for (int32_t x = 0; x < picture.Width; ++x, p += 4) {
            int32_t largest = 0;
            for (int32_t channel = 0; channel < 3 && b != nullptr; ++channel) {
                largest = std::max(largest, std::abs(p[channel] - b[x * 4 + channel]));
            }
            if (largest > SmallDifference) {
                p[0] = 0;
                p[1] = 0;
                p[2] = 255;
            } else {
                p[0] = static_cast<uint8_t>(p[0] / 4);
                p[1] = static_cast<uint8_t>(p[1] / 4);
                p[2] = static_cast<uint8_t>(p[2] / 4);
            }
        }
    }
    return picture;
}

} // namespace valdmoor::showcase
