// The seam between the drawing logic and the graphics API: textures, render targets and the
// handful of state changes the sprite loop makes. OpenGL 3.3 stands behind it in the game
// (gl/); a device that only keeps pixels in memory stands behind it in tests (null/).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace valdmoor {

// Pixel formats, numbered as in picture files.
enum TPixelFormat : int32_t {
    pfUnknown = 0,
    pfA8R8G8B8 = 21, // 32 bits: B, G, R, A bytes in memory
    pfX8R8G8B8 = 22,
    pfR5G6B5 = 23,
    pfA8 = 28,   // alpha only; samples as white with that alpha
    pfL8 = 50,   // luminance only; samples opaque
    pfA8L8 = 51, // 16 bits: L, A bytes in memory
};

// Bytes per pixel of a format; 0 for formats textures cannot have.
int32_t FormatBytes(TPixelFormat format);

// A texture on the device. Destroying it frees the device memory.
class TGpuTexture {
public:
    virtual ~TGpuTexture() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual TPixelFormat Format() const = 0;
    virtual bool RenderTarget() const = 0;
};

// A picture of a drawn frame, rows top-down, its width rounded up to even: 16 bits a pixel
// (red 5, green 6, blue 5) for the inactive window, and 8-bit RGBA for files and tests.
struct TCaptureImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint16_t> Pixels; // Width x Height
    std::vector<uint8_t> Rgba;    // Width x Height x 4, straight from the frame (premultiplied)
};

// One sprite's worth of shader constants.
struct TSpriteConstants {
    float Vertex[11][4]; // c0..c3 segment transforms, c8 canvas scale, c9/c10 placement
    float Pixel[2][4];   // c0 premultiplied tint, c1 (0, 0, 0, ShadingParam)
};

class TVideoDevice {
public:
    virtual ~TVideoDevice() = default;

    // What the textures may be: switches of the texture code, which tests can force.
    bool TexturePow2Only = false;
    bool HasA8 = true;
    bool HasL8 = true;
    bool HasA8L8 = true;
    // R5G6B5 pixels can be stored as such; without it the device keeps them in 8 bits a
    // channel, which looks the same.
    bool HasR5G6B5 = true;

    // A texture of Width x Height in Format filled from Pixels (Pitch bytes per row, exactly
    // Width x Height pixels of Format). Nil on failure.
    virtual std::unique_ptr<TGpuTexture> CreateTexture(int32_t width, int32_t height,
                                                       TPixelFormat format, const void* pixels,
                                                       int32_t pitch) = 0;
    // A texture to draw into, cleared to transparent black. Nil on failure.
    virtual std::unique_ptr<TGpuTexture> CreateRenderTarget(int32_t width, int32_t height,
                                                            TPixelFormat format) = 0;

    // The back buffer's size follows the window.
    virtual void Resize(int32_t width, int32_t height) = 0;
    // False while the device cannot draw (lost, or being re-created).
    virtual bool CheckDevice() = 0;

    // One frame. With Capture the frame goes into an image instead of the screen.
    virtual bool BeginFrame(bool capture) = 0;
    // Nil draws into the frame itself.
    virtual void SetRenderTarget(TGpuTexture* target, int32_t width, int32_t height) = 0;
    virtual void Clear(uint32_t argb) = 0;
    // Limits clearing and drawing to the pixels X .. X + Width - 1, Y .. Y + Height - 1 of the
    // target, rows counted from its top; Width 0 lifts the limit. A new target lifts it too.
    virtual void SetClip(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // 0 premultiplied alpha, 1 multiply.
    virtual void SetBlendMode(int32_t mode) = 0;
    virtual void SetShadingMode(int32_t mode) = 0;
    virtual void SetOrientation(int32_t orientation) = 0;
    virtual void BindTexture(int32_t stage, const TGpuTexture* texture) = 0;
    virtual void SetFilter(int32_t stage, bool linear) = 0;
    virtual void DrawQuad(const TSpriteConstants& constants) = 0;
    // Ends the frame: presents it, or reads it back into Capture.
    virtual bool EndFrame(TCaptureImage* capture) = 0;
    // Shows a captured picture over the whole window (the inactive game's last frame).
    virtual void PresentImage(const TCaptureImage& image) = 0;
    // Waits until everything asked of the device is done (for measurements).
    virtual void Finish() {}
    // The pixels a frame drawn on the window really covers (for measurements): the window's
    // drawable size, less any part its surface lacks.
    virtual void DrawnSize(int32_t& width, int32_t& height) {
        width = 0;
        height = 0;
    }
};

// The OpenGL 3.3 device on the game window. Raises EngineError (with the error kind
// reported) when the system cannot draw.
std::unique_ptr<TVideoDevice> CreateGlVideoDevice();
// A device that draws nothing and keeps uploaded pixels, for tests and tools.
std::unique_ptr<TVideoDevice> CreateNullVideoDevice();

} // namespace valdmoor
