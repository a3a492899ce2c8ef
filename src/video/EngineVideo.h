// Everything drawn: canvases of sprites, each sprite one textured quad shaded by one of
// fourteen modes, drawn once a frame in layer order. Positions are units of a 1600 x 900
// design screen with (0, 0) at the centre; the wider axis of the window shows more units.
#pragma once

#include "app/EngineClasses.h"
#include "video/EngineTextures.h"
#include "video/PictureFiles.h"
#include "video/VideoDevice.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace valdmoor {

class TSprite;

constexpr int32_t MainCanvasLayer = 0x7FFFFFFF;
// Parts of a kept picture that can wait to be drawn again before they are merged.
constexpr int32_t CanvasDirtyRects = 16;
constexpr int32_t ShadingModeCount = 14;
constexpr int32_t OrientationCount = 7;

enum TShadingMode : int32_t {
    smDefault = 0,
    smOnlyTint = 1,
    smGrayscale = 2,
    smSepia = 3,
    smBlend1 = 4,
    smBlend2 = 5,
    smBlend3 = 6,
    smMultiplyColor1 = 7,
    smMultiply1 = 8,
    smAlphaMask = 9,
    smAlphaInvMask = 10,
    smMorphing = 11,
    smMapReveal = 12,
    smPropIcon = 13,
};

// A part of a canvas in its units (0, 0 at its centre), edges included.
struct TCanvasRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
};

// A surface sprites are drawn on: the main canvas (the screen), or an off-screen canvas whose
// pixels other sprites can show through its texture.
class TCanvas : public TItem {
public:
    TCanvas();
    ~TCanvas() override;

    void Attached() override;
    void Detached() override;
    bool InOrderBefore(const TItem& other) const override;

    TContainerOf<TSprite> Sprites;
    std::unique_ptr<TRenderTargetTexture> Texture;
    int32_t Layer = 0;
    float Width = 0;
    float Height = 0;
    float Aspect = 1;
    float Zoom = 1;
    int32_t PixelWidth = 0;
    int32_t PixelHeight = 0;
    int32_t FormatIndex = 0; // 0 A8R8G8B8, 1 X8R8G8B8, 2 R5G6B5
    uint32_t ClearColor = 0;
    bool GridMode = false;
    float GridOriginX = 0;
    float GridOriginY = 0;
    float GridCellX = 0;
    float GridCellY = 0;
    int32_t GridRows = 0;
    int32_t GridColumns = 0;
    // A retained canvas keeps its picture between frames and is drawn again only after
    // InvalidateCanvas (or when its pixels were re-made): a software renderer cannot afford
    // to repaint full-screen layers that did not change.
    bool Retained = false;
    bool PictureValid = false;
    // Parts of a kept picture to draw again while the rest of it stands.
    std::array<TCanvasRect, CanvasDirtyRects> DirtyRects{};
    int32_t DirtyCount = 0;
};

struct TSpriteLayer {
    TTexture* Texture = nullptr;
    int32_t Frame = 0;
};

class TSprite : public TItem {
public:
    void Attached() override;
    void Detached() override;
    bool InOrderBefore(const TItem& other) const override;

    TCanvas* Canvas = nullptr;
    int32_t Layer = 0;
    bool Visible = true;
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    float Scale = 1;
    float Angle = 0; // degrees, clockwise on screen
    int32_t Orientation = 0;
    int32_t BlendMode = 0; // 0 normal, 1 multiply, others keep the previous sprite's
    int32_t ShadingMode = 0;
    float Red = 1;
    float Green = 1;
    float Blue = 1;
    float Alpha = 1;
    float ShadingParam = 0;
    // The part of the quad that is drawn, in fractions of its width and height from its
    // top-left corner, as if the rest were clipped away; honoured on unturned sprites
    // (Angle 0, Orientation 0), which is what a control clipping its live parts needs.
    float CropLeft = 0;
    float CropTop = 0;
    float CropRight = 1;
    float CropBottom = 1;
    std::array<TSpriteLayer, 4> Layers{};
};

// Starts drawing on the game window (OpenGL). Raises with the error kind reported when the
// system cannot draw.
void VideoStart();
// Starts on a given device (tests, tools); Width x Height is the window's client size.
void VideoStartWith(std::unique_ptr<TVideoDevice> device, int32_t width, int32_t height);
void VideoStop();
bool VideoStarted();
TVideoDevice* VideoDevice();

// Draws one frame, or with Capture copies it into an image instead of showing it. False when
// nothing was drawn.
bool DrawFrame(TCaptureImage* capture = nullptr);
// Draws one frame into an opaque A8R8G8B8 picture (the screen has no alpha of its own); nil
// pixels when nothing could be drawn.
TPictureImage CaptureFramePicture();
bool VideoCheckDevice();
void VideoResize(int32_t width, int32_t height);

// The inactive window shows the last frame.
void VideoCaptureSnapshot();
void VideoPaintSnapshot();
void VideoDropSnapshot();

TCanvas* MainCanvas();
void CreateCanvas(TCanvas*& canvas, int32_t layer, float width, float height);
void ReleaseCanvas(TCanvas*& canvas);
void SetCanvasSize(TCanvas* canvas, float width, float height);
void SetCanvasZoom(TCanvas* canvas, float zoom);
void SetCanvasFormat(TCanvas* canvas, int32_t formatIndex);
// Whether Canvas keeps its picture between frames; turning it on draws it once more.
void SetCanvasRetained(TCanvas* canvas, bool retained);
// The next frame draws the retained canvas again (adding, moving or removing its sprites does
// this by itself; changing a sprite's fields does not).
void InvalidateCanvas(TCanvas* canvas);
// The next frame draws only Rect of the retained canvas again, exactly as a whole new picture
// would show it there: what changed in a small part costs only that part.
void InvalidateCanvasRect(TCanvas* canvas, const TCanvasRect& rect);
// The part of its canvas a sprite covers, and that part drawn again on a retained canvas.
TCanvasRect SpriteBounds(const TSprite& sprite);
void InvalidateSpriteArea(const TSprite* sprite);
void SetCanvasGrid(TCanvas* canvas, float originX, float originY, float cellX, float cellY,
                   int32_t rows, int32_t columns);

void CreateSprite(TSprite*& sprite, TCanvas* canvas, int32_t layer);
void ReleaseSprite(TSprite*& sprite);
// As CreateSprite and ReleaseSprite, but a kept picture stands but for the sprite's own part:
// the caller draws the new sprite's area again (InvalidateSpriteArea) once it has placed it.
// For sprites that come and go every few frames, such as particles.
void CreateSpriteKeepingPicture(TSprite*& sprite, TCanvas* canvas, int32_t layer);
void ReleaseSpriteKeepingPicture(TSprite*& sprite);
void SetSpriteLayer(TSprite* sprite, int32_t layer);
void SetSpriteTexture(TSprite* sprite, int32_t index, TTexture* texture);
TTexture* GetSpriteTexture(const TSprite* sprite, int32_t index);
void SetSpriteFrame(TSprite* sprite, int32_t index, int32_t frame);
void SetSpriteTextureByName(TSprite* sprite, int32_t index, std::string_view name);

int32_t ShadingModeByName(std::string_view name);
std::string_view ShadingModeName(int32_t mode);
// Texture layers the mode samples.
int32_t ShadingModeLayers(int32_t mode);

// The main canvas's size in units for a window client size.
void MainCanvasLayout(int32_t pixelWidth, int32_t pixelHeight, float& width, float& height,
                      float& zoom);

} // namespace valdmoor
