// A video device that keeps textures in memory and records what it is asked to draw, for
// tests and for tools that load pictures without a window.
#pragma once

#include "video/VideoDevice.h"

#include <string>
#include <vector>

namespace valdmoor {

class TNullTexture : public TGpuTexture {
public:
    TNullTexture(int32_t width, int32_t height, TPixelFormat format, bool renderTarget)
        : width_(width), height_(height), format_(format), renderTarget_(renderTarget) {}
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    TPixelFormat Format() const override { return format_; }
    bool RenderTarget() const override { return renderTarget_; }

    // Width x Height pixels of Format, rows packed.
    std::vector<uint8_t> Pixels;

private:
    int32_t width_;
    int32_t height_;
    TPixelFormat format_;
    bool renderTarget_;
};

class TNullVideoDevice : public TVideoDevice {
public:
    std::unique_ptr<TGpuTexture> CreateTexture(int32_t width, int32_t height, TPixelFormat format,
                                               const void* pixels, int32_t pitch) override;
    std::unique_ptr<TGpuTexture> CreateRenderTarget(int32_t width, int32_t height,
                                                    TPixelFormat format) override;
    void Resize(int32_t width, int32_t height) override;
    bool CheckDevice() override { return !Lost; }
    bool BeginFrame(bool capture) override;
    void SetRenderTarget(TGpuTexture* target, int32_t width, int32_t height) override;
    void Clear(uint32_t argb) override;
    void SetClip(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetBlendMode(int32_t mode) override;
    void SetShadingMode(int32_t mode) override;
    void SetOrientation(int32_t orientation) override;
    void BindTexture(int32_t stage, const TGpuTexture* texture) override;
    void SetFilter(int32_t stage, bool linear) override;
    void DrawQuad(const TSpriteConstants& constants) override;
    bool EndFrame(TCaptureImage* capture) override;
    void PresentImage(const TCaptureImage& image) override;
    void DrawnSize(int32_t& width, int32_t& height) override {
        width = Width;
        height = Height;
    }

    // What happened, one line per call, for tests of the draw loop's state changes.
    std::vector<std::string> Calls;
    bool RecordCalls = false;
    bool Lost = false;
    bool FailTextures = false;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Quads = 0;
    int32_t Presented = 0;
    std::vector<TSpriteConstants> Drawn;
};

} // namespace valdmoor
