#include "video/EngineVideo.h"

#include "app/EngineApplication.h"
#include "platform/EngineWindow.h"

#include <algorithm>
#include <cmath>

namespace valdmoor {

namespace {

constexpr float DesignWidth = 1600;
constexpr float DesignHeight = 900;
constexpr int32_t SpriteCacheSize = 1536;
constexpr int32_t CanvasCacheSize = 8;
constexpr int32_t Stages = 4;
constexpr int32_t NoFrame = 0x7FFFFFFF;

struct TShadingModeInfo {
    std::string_view Name;
    int32_t Layers;
};

constexpr TShadingModeInfo ShadingModes[ShadingModeCount] = {
    {"Default", 1},      {"OnlyTint", 0}, {"Grayscale", 1},      {"Sepia", 1},     {"Blend1", 2},
    {"Blend2", 3},       {"Blend3", 4},   {"MultiplyColor1", 2}, {"Multiply1", 2}, {"AlphaMask", 2},
    {"AlphaInvMask", 2}, {"Morphing", 2}, {"MapReveal", 4},      {"PropIcon", 2},
};

constexpr TPixelFormat CanvasFormats[] = {pfA8R8G8B8, pfX8R8G8B8, pfR5G6B5};

// What the draw loop last told the device, so that it only says what changed.
struct TDrawCache {
    int32_t orientation = -1;
    int32_t blendMode = -1;
    int32_t shadingMode = -1;
    std::array<const TTexture*, Stages> texture{};
    std::array<int32_t, Stages> frame{};
    std::array<float, Stages> segmentWidth{};
    std::array<bool, Stages> linear{};
    TSpriteConstants constants{};
};

struct TVideoState {
    std::unique_ptr<TVideoDevice> device;
    bool started = false;
    bool deviceLost = false;
    std::unique_ptr<TCache> spriteCache;
    std::unique_ptr<TContainerOf<TCanvas>> canvases;
    TCanvas* mainCanvas = nullptr;
    std::unique_ptr<TCaptureImage> snapshot;
    TDrawCache cache;
};

TVideoState video;

TPixelFormat CanvasFormat(int32_t index) {
    return index >= 0 && index < 3 ? CanvasFormats[index] : pfA8R8G8B8;
}

// Sizes come from game code; NaN gives 0 and values beyond int32 saturate instead of
// overflowing the conversion.
int32_t RoundHalfEven(float value) {
    if (!(value > -2.0e9f && value < 2.0e9f)) {
        return value > 0 ? INT32_MAX : 0;
    }
    return static_cast<int32_t>(std::nearbyint(value));
}

void UpdateCanvasPixels(TCanvas* canvas) {
    if (video.mainCanvas == nullptr || canvas == video.mainCanvas) {
        return;
    }
    const float zoom = video.mainCanvas->Zoom * canvas->Zoom;
    const int32_t pixelHeight = RoundHalfEven(zoom * canvas->Height);
    const int32_t pixelWidth = RoundHalfEven(zoom * canvas->Width);
    TRenderTargetTexture& texture = *canvas->Texture;
    if (pixelWidth != canvas->PixelWidth || pixelHeight != canvas->PixelHeight) {
        canvas->PixelWidth = pixelWidth;
        canvas->PixelHeight = pixelHeight;
        SetRenderTargetSize(texture, pixelWidth, pixelHeight);
        texture.Segments.reset();
        canvas->PictureValid = false;
    }
    if (texture.SegmentCount() == 0) {
        if (canvas->GridMode) {
            const float scale =
                canvas->Width != 0 ? static_cast<float>(pixelWidth) / canvas->Width : 0;
            MakeGridSegments(texture, canvas->GridOriginX, canvas->GridOriginY, canvas->GridCellX,
                             canvas->GridCellY, scale, canvas->GridRows, canvas->GridColumns);
        } else {
            MakeFullSegment(texture, pixelWidth, pixelHeight);
        }
    }
}

void LayoutMainCanvas(int32_t width, int32_t height) {
    TCanvas* canvas = video.mainCanvas;
    if (canvas == nullptr) {
        return;
    }
    canvas->PixelWidth = width;
    canvas->PixelHeight = height;
    MainCanvasLayout(width, height, canvas->Width, canvas->Height, canvas->Zoom);
    canvas->Aspect = canvas->Height != 0 ? canvas->Width / canvas->Height : 1;
    canvas->Texture->Width = width;
    canvas->Texture->Height = height;
    canvas->Texture->Segments.reset();
    MakeFullSegment(*canvas->Texture, width, height);
}

void ReleaseRenderTargets() {
    if (video.canvases == nullptr) {
        return;
    }
    for (TCanvas& canvas : *video.canvases) {
        if (&canvas != video.mainCanvas) {
            canvas.Texture->Gpu.reset();
        }
    }
}

bool Cropped(const TSprite& sprite) {
    return sprite.Angle == 0 && sprite.Orientation == 0 &&
           (sprite.CropLeft != 0 || sprite.CropTop != 0 || sprite.CropRight != 1 ||
            sprite.CropBottom != 1);
}

void DrawSprite(TSprite& sprite, float effectiveZoom) {
    TVideoDevice& device = *video.device;
    TDrawCache& cache = video.cache;

    const int32_t orientation =
        sprite.Orientation >= 0 && sprite.Orientation < OrientationCount ? sprite.Orientation : 0;
    if (orientation != cache.orientation) {
        device.SetOrientation(orientation);
        cache.orientation = orientation;
    }
    // Blend modes other than 0 and 1 keep the previous sprite's blending.
    if ((sprite.BlendMode == 0 || sprite.BlendMode == 1) && sprite.BlendMode != cache.blendMode) {
        device.SetBlendMode(sprite.BlendMode);
        cache.blendMode = sprite.BlendMode;
    }
    const int32_t mode =
        sprite.ShadingMode >= 0 && sprite.ShadingMode < ShadingModeCount ? sprite.ShadingMode : 0;
    if (mode != cache.shadingMode) {
        device.SetShadingMode(mode);
        cache.shadingMode = mode;
    }

    TSpriteConstants& c = cache.constants;
    const float sw = sprite.Scale * sprite.Width;
    const float sh = sprite.Scale * sprite.Height;
    if (sprite.Angle == 0) {
        c.Vertex[9][0] = sw;
        c.Vertex[9][1] = 0;
        c.Vertex[10][0] = 0;
        c.Vertex[10][1] = sh;
    } else {
        const float a = sprite.Angle * -0.0174532924f;
        c.Vertex[9][0] = std::cos(a) * sw;
        c.Vertex[9][1] = std::sin(a) * sh;
        c.Vertex[10][0] = -std::sin(a) * sw;
        c.Vertex[10][1] = std::cos(a) * sh;
    }
    c.Vertex[9][2] = sprite.X;
    c.Vertex[10][2] = sprite.Y;
    const bool cropped = Cropped(sprite);
    const float cropWidth = sprite.CropRight - sprite.CropLeft;
    const float cropHeight = sprite.CropBottom - sprite.CropTop;
    if (cropped) {
        // The quad shrinks to the kept part and every layer's picture with it, so each pixel
        // left shows what it showed whole.
        c.Vertex[9][0] = sw * cropWidth;
        c.Vertex[10][1] = sh * cropHeight;
        c.Vertex[9][2] = sprite.X + sw * ((sprite.CropLeft + sprite.CropRight) / 2 - 0.5f);
        c.Vertex[10][2] = sprite.Y + sh * ((sprite.CropTop + sprite.CropBottom) / 2 - 0.5f);
    }
    c.Pixel[0][0] = sprite.Red * sprite.Alpha;
    c.Pixel[0][1] = sprite.Green * sprite.Alpha;
    c.Pixel[0][2] = sprite.Blue * sprite.Alpha;
    c.Pixel[0][3] = sprite.Alpha;
    c.Pixel[1][3] = sprite.ShadingParam;

    const int32_t layers = ShadingModes[mode].Layers;
    for (int32_t s = 0; s < layers; ++s) {
        const TSpriteLayer& layer = sprite.Layers[static_cast<std::size_t>(s)];
        const TTexture* texture = layer.Texture != nullptr ? layer.Texture : EmptyTexture();
        const auto stage = static_cast<std::size_t>(s);
        if (texture != cache.texture[stage]) {
            device.BindTexture(s, texture != nullptr ? texture->Gpu.get() : nullptr);
            cache.texture[stage] = texture;
            cache.frame[stage] = NoFrame;
        }
        if (texture == nullptr) {
            continue;
        }
        if (cropped) {
            const TSegment& segment = texture->SegmentAt(layer.Frame);
            c.Vertex[s][0] = segment.ScaleU * cropWidth;
            c.Vertex[s][1] = segment.ScaleV * cropHeight;
            c.Vertex[s][2] = segment.OffsetU + segment.ScaleU * sprite.CropLeft;
            c.Vertex[s][3] = segment.OffsetV + segment.ScaleV * sprite.CropTop;
            cache.frame[stage] = NoFrame; // the next sprite sets its own
            cache.segmentWidth[stage] = segment.PixelWidth;
        } else if (layer.Frame != cache.frame[stage]) {
            const TSegment& segment = texture->SegmentAt(layer.Frame);
            c.Vertex[s][0] = segment.ScaleU;
            c.Vertex[s][1] = segment.ScaleV;
            c.Vertex[s][2] = segment.OffsetU;
            c.Vertex[s][3] = segment.OffsetV;
            cache.frame[stage] = layer.Frame;
            cache.segmentWidth[stage] = segment.PixelWidth;
        }
        // Pixel-exact blits stay sharp; anything scaled or turned is filtered.
        const bool linear = texture->Smooth || sprite.Angle != 0 ||
                            std::fabs(effectiveZoom * sw - cache.segmentWidth[stage]) > 1.0f;
        if (linear != cache.linear[stage]) {
            device.SetFilter(s, linear);
            cache.linear[stage] = linear;
        }
    }
    device.DrawQuad(c);
}

bool Overlap(const TCanvasRect& a, const TCanvasRect& b) {
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

TCanvasRect Union(const TCanvasRect& a, const TCanvasRect& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

float Area(const TCanvasRect& rect) {
    return (rect.Right - rect.Left) * (rect.Bottom - rect.Top);
}

// Clears the dirty parts of a kept picture and draws there every sprite that reaches them;
// pixels outside stay as they were. Each part covers whole pixels and one more around them.
void DrawDirtyParts(TCanvas& canvas, float effectiveZoom) {
    TVideoDevice& device = *video.device;
    const float pw = static_cast<float>(canvas.PixelWidth);
    const float ph = static_cast<float>(canvas.PixelHeight);
    const float unitsX = pw != 0 ? canvas.Width / pw : 0;
    const float unitsY = ph != 0 ? canvas.Height / ph : 0;
    for (int32_t i = 0; i < canvas.DirtyCount; ++i) {
        const TCanvasRect& rect = canvas.DirtyRects[static_cast<std::size_t>(i)];
        const float x0 = std::clamp(std::floor(rect.Left / unitsX + pw / 2) - 1, 0.0f, pw);
        const float x1 = std::clamp(std::ceil(rect.Right / unitsX + pw / 2) + 1, 0.0f, pw);
        const float y0 = std::clamp(std::floor(rect.Top / unitsY + ph / 2) - 1, 0.0f, ph);
        const float y1 = std::clamp(std::ceil(rect.Bottom / unitsY + ph / 2) + 1, 0.0f, ph);
        if (!(x1 > x0 && y1 > y0)) {
            continue;
        }
        device.SetClip(static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                       static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0));
        device.Clear(canvas.ClearColor);
        const TCanvasRect clip{(x0 - pw / 2) * unitsX, (y0 - ph / 2) * unitsY,
                               (x1 - pw / 2) * unitsX, (y1 - ph / 2) * unitsY};
        for (TSprite& sprite : canvas.Sprites) {
            if (sprite.Visible && Overlap(SpriteBounds(sprite), clip)) {
                DrawSprite(sprite, effectiveZoom);
            }
        }
    }
    device.SetClip(0, 0, 0, 0);
    canvas.DirtyCount = 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Canvases and sprites

TCanvas::TCanvas()
    : Sprites(true, *video.spriteCache), Texture(std::make_unique<TRenderTargetTexture>()) {}

TCanvas::~TCanvas() = default;

void TCanvas::Attached() {
    if (this == video.mainCanvas) {
        return;
    }
    Zoom = 1;
    Aspect = Height != 0 ? Width / Height : 1;
    UpdateCanvasPixels(this);
}

void TCanvas::Detached() {
    Texture->Gpu.reset();
    Texture->Width = 0;
    Texture->Height = 0;
    Texture->Segments.reset();
    PixelWidth = 0;
    PixelHeight = 0;
    FormatIndex = 0;
    ClearColor = 0;
    GridMode = false;
    Retained = false;
    PictureValid = false;
    DirtyCount = 0;
}

bool TCanvas::InOrderBefore(const TItem& other) const {
    return Layer <= static_cast<const TCanvas&>(other).Layer;
}

void TSprite::Attached() {
    Visible = true;
    Scale = 1;
    Alpha = 1;
    Red = Green = Blue = 1;
}

void TSprite::Detached() {
    Angle = 0;
    Orientation = 0;
    BlendMode = 0;
    ShadingMode = 0;
    ShadingParam = 0;
    CropLeft = CropTop = 0;
    CropRight = CropBottom = 1;
    Layers = {};
}

bool TSprite::InOrderBefore(const TItem& other) const {
    return Layer <= static_cast<const TSprite&>(other).Layer;
}

// ---------------------------------------------------------------------------------------------
// The video part

void VideoStart() {
    int width = 0;
    int height = 0;
    ClientSize(width, height);
    VideoStartWith(CreateGlVideoDevice(), width, height);
}

void VideoStartWith(std::unique_ptr<TVideoDevice> device, int32_t width, int32_t height) {
    VideoStop();
    video.device = std::move(device);
    video.device->Resize(width, height);
    TexturesStart(*video.device);
    video.spriteCache = std::make_unique<TCache>(&TCache::Build<TSprite>, SpriteCacheSize);
    video.canvases =
        std::make_unique<TContainerOf<TCanvas>>(true, &TCache::Build<TCanvas>, CanvasCacheSize);
    auto* main = static_cast<TCanvas*>(video.canvases->Cache()->Get());
    main->Layer = MainCanvasLayer;
    main->FormatIndex = 1;
    video.mainCanvas = main;
    video.canvases->Add(main, true);
    LayoutMainCanvas(width, height);
    video.started = true;
}

void VideoStop() {
    video.started = false;
    video.snapshot.reset();
    // Canvases hand their sprites back to the sprite cache, so they go first; textures hold
    // device memory, so they go before the device.
    video.canvases.reset();
    video.mainCanvas = nullptr;
    video.spriteCache.reset();
    TexturesStop();
    video = TVideoState{};
}

bool VideoStarted() {
    return video.started;
}

TVideoDevice* VideoDevice() {
    return video.device.get();
}

bool DrawFrame(TCaptureImage* capture) {
    if (!video.started || video.deviceLost) {
        return false;
    }
    TVideoDevice& device = *video.device;
    if (!device.BeginFrame(capture != nullptr)) {
        return false;
    }
    for (TCanvas& canvas : *video.canvases) {
        if (&canvas != video.mainCanvas && canvas.Texture->Gpu == nullptr) {
            UpdateCanvasPixels(&canvas);
            CreateRenderTarget(*canvas.Texture, CanvasFormat(canvas.FormatIndex));
            canvas.PictureValid = false;
        }
    }
    video.cache = TDrawCache{};
    for (int32_t s = 0; s < Stages; ++s) {
        device.SetFilter(s, true);
        video.cache.linear[static_cast<std::size_t>(s)] = true;
        video.cache.frame[static_cast<std::size_t>(s)] = NoFrame;
    }
    const float mainZoom = video.mainCanvas->Zoom;
    for (TCanvas& canvas : *video.canvases) {
        const bool main = &canvas == video.mainCanvas;
        TGpuTexture* target = main ? nullptr : canvas.Texture->Gpu.get();
        if (!main && target == nullptr) {
            continue; // its render target could not be made
        }
        const bool kept = !main && canvas.Retained && canvas.PictureValid;
        if (kept && canvas.DirtyCount == 0) {
            continue; // its picture from an earlier frame still stands
        }
        canvas.PictureValid = canvas.Retained;
        device.SetRenderTarget(target, canvas.PixelWidth, canvas.PixelHeight);
        TSpriteConstants& c = video.cache.constants;
        c.Vertex[8][0] = canvas.Width != 0 ? 2 / canvas.Width : 0;
        c.Vertex[8][1] = canvas.Height != 0 ? -2 / canvas.Height : 0;
        c.Vertex[8][2] = 0;
        c.Vertex[8][3] = 1;
        const float effectiveZoom = main ? mainZoom : mainZoom * canvas.Zoom;
        if (kept) {
            DrawDirtyParts(canvas, effectiveZoom);
            continue;
        }
        canvas.DirtyCount = 0;
        device.Clear(canvas.ClearColor);
        for (TSprite& sprite : canvas.Sprites) {
            if (sprite.Visible) {
                DrawSprite(sprite, effectiveZoom);
            }
        }
    }
    return device.EndFrame(capture);
}

TPictureImage CaptureFramePicture() {
    TCaptureImage image;
    if (!DrawFrame(&image)) {
        return {};
    }
    TPictureImage picture = MakeArgbImage(image.Width, image.Height);
    for (std::size_t i = 0; i + 3 < image.Rgba.size() && i + 3 < picture.Pixels.size(); i += 4) {
        picture.Pixels[i] = image.Rgba[i + 2];
        picture.Pixels[i + 1] = image.Rgba[i + 1];
        picture.Pixels[i + 2] = image.Rgba[i];
        picture.Pixels[i + 3] = 0xFF;
    }
    return picture;
}

bool VideoCheckDevice() {
    if (!video.started) {
        return false;
    }
    if (video.deviceLost) {
        video.deviceLost = !video.device->CheckDevice();
    }
    return !video.deviceLost;
}

void VideoResize(int32_t width, int32_t height) {
    if (!video.started) {
        return;
    }
    // Canvas pixels are re-made at the new zoom by the next frame.
    ReleaseRenderTargets();
    video.device->Resize(width, height);
    LayoutMainCanvas(width, height);
    video.deviceLost = !video.device->CheckDevice();
}

void VideoCaptureSnapshot() {
    video.snapshot = std::make_unique<TCaptureImage>();
    if (!DrawFrame(video.snapshot.get())) {
        video.snapshot.reset();
    }
}

void VideoPaintSnapshot() {
    if (video.started && video.snapshot != nullptr) {
        video.device->PresentImage(*video.snapshot);
    }
}

void VideoDropSnapshot() {
    video.snapshot.reset();
}

TCanvas* MainCanvas() {
    return video.mainCanvas;
}

void MainCanvasLayout(int32_t pixelWidth, int32_t pixelHeight, float& width, float& height,
                      float& zoom) {
    if (pixelWidth <= 0 || pixelHeight <= 0) {
        width = DesignWidth;
        height = DesignHeight;
        zoom = 0;
        return;
    }
    const float aspect = static_cast<float>(pixelWidth) / static_cast<float>(pixelHeight);
    if (aspect > DesignWidth / DesignHeight) {
        width = DesignWidth * (aspect / (DesignWidth / DesignHeight));
        zoom = static_cast<float>(pixelHeight) / DesignHeight;
    } else {
        width = DesignWidth;
        zoom = static_cast<float>(pixelWidth) / DesignWidth;
    }
    height = width / aspect;
}

void CreateCanvas(TCanvas*& canvas, int32_t layer, float width, float height) {
    if (canvas != nullptr || video.canvases == nullptr) {
        return;
    }
    auto* created = static_cast<TCanvas*>(video.canvases->Cache()->Get());
    if (created == nullptr) {
        return;
    }
    created->Layer = layer;
    created->Width = width;
    created->Height = height;
    video.canvases->Add(created, true);
    canvas = created;
}

void ReleaseCanvas(TCanvas*& canvas) {
    if (canvas != nullptr && canvas != video.mainCanvas && video.canvases != nullptr) {
        video.canvases->Remove(canvas);
    }
    canvas = nullptr;
}

void SetCanvasSize(TCanvas* canvas, float width, float height) {
    if (canvas == nullptr || (canvas->Width == width && canvas->Height == height)) {
        return;
    }
    canvas->Width = width;
    canvas->Height = height;
    canvas->Aspect = height != 0 ? width / height : 1;
    UpdateCanvasPixels(canvas);
}

void SetCanvasZoom(TCanvas* canvas, float zoom) {
    if (canvas == nullptr || canvas->Zoom == zoom) {
        return;
    }
    canvas->Zoom = zoom;
    UpdateCanvasPixels(canvas);
}

void SetCanvasFormat(TCanvas* canvas, int32_t formatIndex) {
    if (canvas == nullptr || canvas->FormatIndex == formatIndex) {
        return;
    }
    const bool differs = CanvasFormat(canvas->FormatIndex) != CanvasFormat(formatIndex);
    canvas->FormatIndex = formatIndex;
    if (differs && canvas != video.mainCanvas) {
        canvas->Texture->Gpu.reset();
    }
}

void SetCanvasRetained(TCanvas* canvas, bool retained) {
    if (canvas != nullptr && canvas != video.mainCanvas) {
        canvas->Retained = retained;
        canvas->PictureValid = false;
    }
}

void InvalidateCanvas(TCanvas* canvas) {
    if (canvas != nullptr) {
        canvas->PictureValid = false;
        canvas->DirtyCount = 0;
    }
}

void InvalidateCanvasRect(TCanvas* canvas, const TCanvasRect& rect) {
    // A picture to be drawn whole anyway needs no parts.
    if (canvas == nullptr || !canvas->PictureValid) {
        return;
    }
    const TCanvasRect whole{-canvas->Width / 2, -canvas->Height / 2, canvas->Width / 2,
                            canvas->Height / 2};
    // NaN fails every comparison and so never reaches the drawing.
    if (!(rect.Right >= rect.Left && rect.Bottom >= rect.Top) || !Overlap(rect, whole)) {
        return;
    }
    const TCanvasRect part{std::max(rect.Left, whole.Left), std::max(rect.Top, whole.Top),
                           std::min(rect.Right, whole.Right), std::min(rect.Bottom, whole.Bottom)};
    auto* begin = canvas->DirtyRects.begin();
    auto* end = begin + canvas->DirtyCount;
    auto* grown = std::find_if(begin, end, [&](const TCanvasRect& r) { return Overlap(r, part); });
    if (grown == end && canvas->DirtyCount < CanvasDirtyRects) {
        *end = part;
        ++canvas->DirtyCount;
    } else {
        if (grown == end) {
            // Full: the part goes into the one it grows least.
            grown = std::min_element(begin, end, [&](const TCanvasRect& a, const TCanvasRect& b) {
                return Area(Union(a, part)) - Area(a) < Area(Union(b, part)) - Area(b);
            });
        }
        *grown = Union(*grown, part);
        // Grown, it may reach others: one part for all of them, so no pixel is drawn twice.
        for (auto* other = begin; other != begin + canvas->DirtyCount;) {
            if (other == grown || !Overlap(*other, *grown)) {
                ++other;
                continue;
            }
            *grown = Union(*grown, *other);
            auto* last = begin + canvas->DirtyCount - 1;
            if (grown == last) {
                grown = other;
            }
            *other = *last;
            --canvas->DirtyCount;
            other = begin;
        }
    }
    float area = 0;
    for (int32_t i = 0; i < canvas->DirtyCount; ++i) {
        area += Area(canvas->DirtyRects[static_cast<std::size_t>(i)]);
    }
    // Parts that cover most of the picture cost more than drawing it whole.
    if (area > 0.75f * Area(whole)) {
        InvalidateCanvas(canvas);
    }
}

TCanvasRect SpriteBounds(const TSprite& sprite) {
    float hx = std::fabs(sprite.Scale * sprite.Width) / 2;
    float hy = std::fabs(sprite.Scale * sprite.Height) / 2;
    if (sprite.Angle != 0) {
        hx = hy = std::sqrt(hx * hx + hy * hy);
    }
    if (Cropped(sprite)) {
        return {sprite.X - hx + 2 * hx * sprite.CropLeft, sprite.Y - hy + 2 * hy * sprite.CropTop,
                sprite.X - hx + 2 * hx * sprite.CropRight,
                sprite.Y - hy + 2 * hy * sprite.CropBottom};
    }
    return {sprite.X - hx, sprite.Y - hy, sprite.X + hx, sprite.Y + hy};
}

void InvalidateSpriteArea(const TSprite* sprite) {
    if (sprite != nullptr) {
        InvalidateCanvasRect(sprite->Canvas, SpriteBounds(*sprite));
    }
}

void SetCanvasGrid(TCanvas* canvas, float originX, float originY, float cellX, float cellY,
                   int32_t rows, int32_t columns) {
    if (canvas == nullptr) {
        return;
    }
    canvas->GridMode = true;
    canvas->GridOriginX = originX;
    canvas->GridOriginY = originY;
    canvas->GridCellX = cellX;
    canvas->GridCellY = cellY;
    canvas->GridRows = rows;
    canvas->GridColumns = columns;
    canvas->Texture->Segments.reset();
    UpdateCanvasPixels(canvas);
}

void CreateSprite(TSprite*& sprite, TCanvas* canvas, int32_t layer) {
    if (sprite != nullptr || canvas == nullptr || video.spriteCache == nullptr) {
        return;
    }
    auto* created = static_cast<TSprite*>(video.spriteCache->Get());
    if (created == nullptr) {
        return;
    }
    created->Canvas = canvas;
    created->Layer = layer;
    canvas->Sprites.Add(created, true);
    canvas->PictureValid = false;
    sprite = created;
}

void CreateSpriteKeepingPicture(TSprite*& sprite, TCanvas* canvas, int32_t layer) {
    if (sprite != nullptr || canvas == nullptr) {
        return;
    }
    const bool valid = canvas->PictureValid;
    CreateSprite(sprite, canvas, layer);
    if (sprite != nullptr) {
        // A sprite from the cache keeps its last size: with none, it covers nothing yet.
        sprite->Width = 0;
        sprite->Height = 0;
        canvas->PictureValid = valid;
    }
}

void ReleaseSpriteKeepingPicture(TSprite*& sprite) {
    if (sprite != nullptr && sprite->Canvas != nullptr) {
        if (sprite->Visible && sprite->Width != 0 && sprite->Height != 0) {
            InvalidateSpriteArea(sprite);
        }
        sprite->Canvas->Sprites.Remove(sprite);
    }
    sprite = nullptr;
}

void ReleaseSprite(TSprite*& sprite) {
    if (sprite != nullptr && sprite->Canvas != nullptr) {
        sprite->Canvas->PictureValid = false;
        sprite->Canvas->Sprites.Remove(sprite);
    }
    sprite = nullptr;
}

void SetSpriteLayer(TSprite* sprite, int32_t layer) {
    if (sprite == nullptr || sprite->Layer == layer) {
        return;
    }
    sprite->Layer = layer;
    if (sprite->Canvas != nullptr) {
        sprite->Canvas->PictureValid = false;
        sprite->Canvas->Sprites.Reposition(sprite);
    }
}

void SetSpriteTexture(TSprite* sprite, int32_t index, TTexture* texture) {
    if (sprite != nullptr && index >= 0 && index < Stages) {
        sprite->Layers[static_cast<std::size_t>(index)].Texture = texture;
    }
}

TTexture* GetSpriteTexture(const TSprite* sprite, int32_t index) {
    return sprite != nullptr && index >= 0 && index < Stages
               ? sprite->Layers[static_cast<std::size_t>(index)].Texture
               : nullptr;
}

void SetSpriteFrame(TSprite* sprite, int32_t index, int32_t frame) {
    if (sprite != nullptr && index >= 0 && index < Stages) {
        sprite->Layers[static_cast<std::size_t>(index)].Frame = frame;
    }
}

void SetSpriteTextureByName(TSprite* sprite, int32_t index, std::string_view name) {
    if (sprite == nullptr || index < 0 || index >= Stages) {
        return;
    }
    TTexture*& texture = sprite->Layers[static_cast<std::size_t>(index)].Texture;
    if (name.empty()) {
        texture = nullptr;
    } else if (texture == nullptr || texture->Name() != name) {
        texture = GetTexture(name);
    }
}

int32_t ShadingModeByName(std::string_view name) {
    for (int32_t i = 0; i < ShadingModeCount; ++i) {
        if (ShadingModes[i].Name == name) {
            return i;
        }
    }
    return smDefault;
}

std::string_view ShadingModeName(int32_t mode) {
    return mode >= 0 && mode < ShadingModeCount ? ShadingModes[mode].Name : std::string_view();
}

int32_t ShadingModeLayers(int32_t mode) {
    return mode >= 0 && mode < ShadingModeCount ? ShadingModes[mode].Layers : 0;
}

} // namespace valdmoor
