// Feeds arbitrary bytes to the ".tpx" reader and hands whatever it accepts to the texture
// upload's pixel preparation under every combination of device switches, and its animation
// curves to EvaluateCurve.
#include "app/EngineApplication.h"
#include "video/EngineTextures.h"
#include "video/PictureFiles.h"
#include "video/null/NullVideoDevice.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace valdmoor;
    TTpxFile file;
    try {
        file = ReadTpx(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.tpx");
    } catch (const EngineError&) {
        return 0;
    }
    if (file.Images.empty() || file.ImagesBeforeAnimations < 0 ||
        file.ImagesBeforeAnimations > static_cast<int32_t>(file.Images.size())) {
        std::abort();
    }
    TNullVideoDevice device;
    for (const TPictureImage& image : file.Images) {
        if (image.Pitch != image.Width * image.BytesPerPixel ||
            image.Pixels.size() != static_cast<std::size_t>(image.Pitch) * image.Height) {
            std::abort();
        }
        for (int switches = 0; switches < 16; ++switches) {
            device.TexturePow2Only = (switches & 1) != 0;
            device.HasA8 = (switches & 2) != 0;
            device.HasL8 = (switches & 4) != 0;
            device.HasA8L8 = (switches & 8) != 0;
            // An image the reader accepted always uploads.
            const TTexturePixels pixels =
                PrepareTexturePixels(device, image.Pixels.data(), image.Format, image.BytesPerPixel,
                                     image.Pitch, image.Height, image.Width);
            if (pixels.Width < image.Width || pixels.Height < image.Height ||
                pixels.Pixels.size() != static_cast<std::size_t>(pixels.Pitch) *
                                            static_cast<std::size_t>(pixels.Height)) {
                std::abort();
            }
        }
    }
    for (const TTpxAnimation& animation : file.Animations) {
        EvaluateCurve(animation.Curve, animation.Time);
        EvaluateCurve(animation.Curve, 0.5f);
    }
    return 0;
}
