#include "video/null/NullVideoDevice.h"

#include <cstring>

namespace valdmoor {

int32_t FormatBytes(TPixelFormat format) {
    switch (format) {
        case pfA8R8G8B8:
        case pfX8R8G8B8:
            return 4;
        case pfR5G6B5:
        case pfA8L8:
            return 2;
        case pfA8:
        case pfL8:
            return 1;
        default:
            return 0;
    }
}

std::unique_ptr<TGpuTexture> TNullVideoDevice::CreateTexture(int32_t width, int32_t height,
                                                             TPixelFormat format,
                                                             const void* pixels, int32_t pitch) {
    const int32_t bytes = FormatBytes(format);
    if (FailTextures || width <= 0 || height <= 0 || bytes == 0 || pitch < width * bytes) {
        return nullptr;
    }
    auto texture = std::make_unique<TNullTexture>(width, height, format, false);
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes);
    texture->Pixels.resize(row * static_cast<std::size_t>(height));
    if (pixels != nullptr) {
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(texture->Pixels.data() + row * static_cast<std::size_t>(y),
                        static_cast<const uint8_t*>(pixels) +
                            static_cast<std::size_t>(pitch) * static_cast<std::size_t>(y),
                        row);
        }
    }
    return texture;
}

std::unique_ptr<TGpuTexture> TNullVideoDevice::CreateRenderTarget(int32_t width, int32_t height,
                                                                  TPixelFormat format) {
    if (FailTextures || width <= 0 || height <= 0 || FormatBytes(format) == 0) {
        return nullptr;
    }
    auto texture = std::make_unique<TNullTexture>(width, height, format, true);
    texture->Pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                           static_cast<std::size_t>(FormatBytes(format)));
    return texture;
}

void TNullVideoDevice::Resize(int32_t width, int32_t height) {
    Width = width;
    Height = height;
}

bool TNullVideoDevice::BeginFrame(bool capture) {
    if (RecordCalls) {
        Calls.push_back(capture ? "begin capture" : "begin");
    }
    return !Lost;
}

void TNullVideoDevice::SetRenderTarget(TGpuTexture* target, int32_t width, int32_t height) {
    if (RecordCalls) {
        Calls.push_back(std::string(target != nullptr ? "target texture " : "target frame ") +
                        std::to_string(width) + "x" + std::to_string(height));
    }
}

void TNullVideoDevice::Clear(uint32_t argb) {
    if (RecordCalls) {
        Calls.push_back("clear " + std::to_string(argb));
    }
}

void TNullVideoDevice::SetClip(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (RecordCalls) {
        Calls.push_back(width == 0 ? std::string("clip off")
                                   : "clip " + std::to_string(x) + "," + std::to_string(y) + " " +
                                         std::to_string(width) + "x" + std::to_string(height));
    }
}

void TNullVideoDevice::SetBlendMode(int32_t mode) {
    if (RecordCalls) {
        Calls.push_back("blend " + std::to_string(mode));
    }
}

void TNullVideoDevice::SetShadingMode(int32_t mode) {
    if (RecordCalls) {
        Calls.push_back("shading " + std::to_string(mode));
    }
}

void TNullVideoDevice::SetOrientation(int32_t orientation) {
    if (RecordCalls) {
        Calls.push_back("orientation " + std::to_string(orientation));
    }
}

void TNullVideoDevice::BindTexture(int32_t stage, const TGpuTexture* texture) {
    if (RecordCalls) {
        Calls.push_back("bind " + std::to_string(stage) +
                        (texture != nullptr ? " " + std::to_string(texture->Width()) + "x" +
                                                  std::to_string(texture->Height())
                                            : std::string(" none")));
    }
}

void TNullVideoDevice::SetFilter(int32_t stage, bool linear) {
    if (RecordCalls) {
        Calls.push_back("filter " + std::to_string(stage) + (linear ? " linear" : " point"));
    }
}

void TNullVideoDevice::DrawQuad(const TSpriteConstants& constants) {
    ++Quads;
    if (RecordCalls) {
        Calls.push_back("draw");
        Drawn.push_back(constants);
    }
}

bool TNullVideoDevice::EndFrame(TCaptureImage* capture) {
    if (RecordCalls) {
        Calls.push_back("end");
    }
    if (capture != nullptr) {
        capture->Width = Width + (Width % 2);
        capture->Height = Height;
        const std::size_t pixels =
            static_cast<std::size_t>(capture->Width) * static_cast<std::size_t>(capture->Height);
        capture->Pixels.assign(pixels, 0);
        capture->Rgba.assign(pixels * 4, 0);
    }
    return !Lost;
}

void TNullVideoDevice::PresentImage(const TCaptureImage& /*image*/) {
    ++Presented;
}

std::unique_ptr<TVideoDevice> CreateNullVideoDevice() {
    return std::make_unique<TNullVideoDevice>();
}

} // namespace valdmoor
