// The engine's calling card: one frame that shows what the engine draws (the fourteen shading
// modes, both fonts in a box and a balloon, particle effects, an off-screen canvas turned on
// screen, the stand-in for a missing picture), shared by the showcase program, its test and
// the frame benchmark.
#pragma once

#include "video/PictureFiles.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace valdmoor {

class TCanvas;
class TSprite;
class TSquare;
class TBallon;
class TText;
class TTexture;
class TEffect;

namespace showcase {

constexpr int32_t FrameWidth = 1600;
constexpr int32_t FrameHeight = 900;

// The engine started as the game starts it, headless (fixed 1/60 s frames, offscreen window)
// on the data folders of the game folder GameFolder, at 1600 x 900; no audio. Raises
// EngineError when the system cannot draw. Stops everything it started when destroyed.
class TEngine {
public:
    explicit TEngine(const std::string& gameFolder);
    ~TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;
};

// The composed frame. Building it runs the particle effects for one simulated second; it
// releases everything it made when destroyed (before the engine stops).
class TScene {
public:
    // EffectFile: the compiled showcase effect (".emt"); empty to leave it out.
    explicit TScene(const std::string& effectFile);
    ~TScene();
    TScene(const TScene&) = delete;
    TScene& operator=(const TScene&) = delete;

    // One frame of the game loop: the frame timer, then the effects.
    void Update();

private:
    TTexture* MakePicture(std::string name, const TPictureImage& image);
    TText* MakeText(TCanvas* canvas, int32_t layer, uint8_t flags, int32_t font, float width,
                    float height, float x, float y, const std::string& text);
    TSprite* MakeSprite(TCanvas* canvas, int32_t layer, float x, float y, float width,
                        float height);
    TSquare* MakeSquare(TCanvas* canvas, int32_t layer, const char* picture, float x, float y,
                        float width, float height);

    void BuildModes();
    void BuildFonts();
    void BuildMissing();
    void BuildEffects(const std::string& effectFile);
    void BuildCanvas();

    std::vector<std::unique_ptr<TTexture>> pictures_;
    std::vector<TTexture*> named_; // from GetTexture, released at the end
    std::vector<TSprite*> sprites_;
    std::vector<TText*> texts_;
    std::vector<TSquare*> squares_;
    TBallon* ballon_ = nullptr;
    TCanvas* canvas_ = nullptr;
    std::unique_ptr<TEffect> effect_;
};

// The frame as an opaque picture (A8R8G8B8, the screen has no alpha of its own).
TPictureImage CaptureFrame();

// How far two pictures of one size are apart, per colour channel of each pixel.
struct TDifference {
    bool SameSize = false;
    int64_t Pixels = 0;
    int64_t PixelsOverSmall = 0; // some channel differs by more than SmallDifference
    int32_t Largest = 0;         // the largest channel difference anywhere
};
constexpr int32_t SmallDifference = 3;
// At most this share of pixels may differ by more than SmallDifference...
constexpr double OverSmallShare = 0.005;
// ...and no channel anywhere by more than this: rasterizers round edges differently, but a
// moved or recoloured shape breaks it.
constexpr int32_t LargestDifference = 32;

TDifference ComparePictures(const TPictureImage& actual, const TPictureImage& expected);
bool WithinTolerance(const TDifference& difference);
// Where the pictures differ by more than SmallDifference, bright on a dimmed copy of Actual.
TPictureImage DifferencePicture(const TPictureImage& actual, const TPictureImage& expected);

} // namespace showcase
} // namespace valdmoor
