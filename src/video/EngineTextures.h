// Pictures found by name: textures with their segments (the sub-pictures a sprite picks by
// frame number), frame textures and frame animations, loaded from ".tpx", ".png" and ".jpg"
// files with ".tsg" segment files; and the curve strings that time animations.
#pragma once

#include "app/EngineClasses.h"
#include "video/VideoDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

// A sub-picture: uv = quad uv x Scale + Offset, and its size in image pixels.
struct TSegment {
    float ScaleU = 1;
    float ScaleV = 1;
    float OffsetU = 0;
    float OffsetV = 0;
    float PixelWidth = 0;
    float PixelHeight = 0;
};

// Segment lists are shared between textures of one layout and between equal-sized frames.
using TSegmentList = std::shared_ptr<std::vector<TSegment>>;

struct TAnimation {
    int32_t First = 0;  // frame 0 is the texture itself, frame k is item k of Frames
    int32_t Length = 1; // frames
    float Time = 0;
    std::string Curve;
};

class TTexture : public TNamedItem {
public:
    explicit TTexture(std::string name = {}) : TNamedItem(std::move(name)) {}

    int32_t Width = 1; // of the GPU texture, after any power-of-two rounding
    int32_t Height = 1;
    bool Smooth = false; // always filtered linearly
    std::unique_ptr<TGpuTexture> Gpu;
    TSegmentList Segments;

    virtual int32_t FrameCount() const { return 1; }
    virtual int32_t AnimationCount() const { return 0; }
    virtual int32_t AnimationFirst(int32_t /*index*/) const { return 0; }
    virtual int32_t AnimationLength(int32_t /*index*/) const { return 1; }
    virtual float AnimationTime(int32_t /*index*/) const { return 0; }
    virtual std::string AnimationCurve(int32_t /*index*/) const { return {}; }
    // The texture of the frame that animation Index (1-based) shows at time T.
    virtual TTexture* FrameAt(int32_t /*index*/, float /*t*/) { return this; }

    int32_t SegmentCount() const {
        return Segments != nullptr ? static_cast<int32_t>(Segments->size()) : 0;
    }
    // Segment Index clamped to 0 .. last; a full default segment when there is none.
    const TSegment& SegmentAt(int32_t index) const;
};

// 1 x 1 transparent black: what sprite layers without a picture sample.
class TEmptyTexture : public TTexture {
public:
    TEmptyTexture();
};

class TFrameImageTexture;

// A picture loaded from a file.
class TBaseImageTexture : public TTexture {
public:
    explicit TBaseImageTexture(std::string name);
    ~TBaseImageTexture() override;

    std::unique_ptr<TContainerOf<TFrameImageTexture>> Frames;
    std::vector<TAnimation> Animations;
    std::string SegmentsName;
    int32_t References = 1;
    // The picture came from a file of its own (not the stand-in for a missing or broken one);
    // only such textures hand their segments on to others of their layout.
    bool Loaded = false;

    int32_t FrameCount() const override;
    int32_t AnimationCount() const override;
    int32_t AnimationFirst(int32_t index) const override;
    int32_t AnimationLength(int32_t index) const override;
    float AnimationTime(int32_t index) const override;
    std::string AnimationCurve(int32_t index) const override;
    TTexture* FrameAt(int32_t index, float t) override;
};

// The second, third, ... picture of a ".tpx" file.
class TFrameImageTexture : public TTexture {
public:
    TFrameImageTexture(std::string name, TBaseImageTexture* parent)
        : TTexture(std::move(name)), Parent(parent) {}

    TBaseImageTexture* Parent;
    bool SharesSegments = false;

    int32_t FrameCount() const override;
    int32_t AnimationCount() const override;
    int32_t AnimationFirst(int32_t index) const override;
    int32_t AnimationLength(int32_t index) const override;
    float AnimationTime(int32_t index) const override;
    std::string AnimationCurve(int32_t index) const override;
    TTexture* FrameAt(int32_t index, float t) override;
};

// The pixels of a canvas.
class TRenderTargetTexture : public TTexture {
public:
    TRenderTargetTexture() = default;
    bool Exact = true; // the render target has exactly the requested size
};

// Creates the texture list and the empty texture on Device; stop frees every texture.
void TexturesStart(TVideoDevice& device);
void TexturesStop();
TVideoDevice* TextureDevice();

// The picture named Name, loaded on first use; "G2Unknown" stands in for a missing one.
TTexture* GetTexture(std::string_view name);
void ReleaseTexture(TTexture* texture);
TTexture* EmptyTexture();
TContainerOf<TTexture>* Textures();

void GetFrameSize(const TTexture* texture, int32_t frame, int32_t& width, int32_t& height);
float GetFrameAspect(const TTexture* texture, int32_t frame);

void MakeFullSegment(TTexture& texture, int32_t imageWidth, int32_t imageHeight);
void MakeGridSegments(TTexture& texture, float originX, float originY, float cellX, float cellY,
                      float scale, int32_t rows, int32_t columns);
void SetRenderTargetSize(TRenderTargetTexture& texture, int32_t width, int32_t height);
// Creates the GPU render target of the texture's size; false on failure.
bool CreateRenderTarget(TRenderTargetTexture& texture, TPixelFormat format);

// What Upload hands to the device: the pixels at the texture's final size and format, after
// the power-of-two rounding, the format fall-backs and the edge padding the device asks for.
struct TTexturePixels {
    int32_t Width = 0;
    int32_t Height = 0;
    TPixelFormat Format = pfUnknown;
    int32_t Pitch = 0;
    std::vector<uint8_t> Pixels;
};
// Source holds Height rows of Pitch bytes, each starting with Width pixels of Format. Raises
// EngineError for sizes, formats or pitches that do not fit together.
TTexturePixels PrepareTexturePixels(const TVideoDevice& device, const uint8_t* source,
                                    TPixelFormat format, int32_t bytesPerPixel, int32_t pitch,
                                    int32_t height, int32_t width);

// Maps T in 0..1 through a curve such as "0-1-1-0" ("|" steps, "-" interpolates).
float EvaluateCurve(std::string_view curve, float t);

} // namespace valdmoor
