// The picture file formats without a device: ".tpx" packed pictures, ".tsg" segment lists,
// and ".png" / ".jpg" decoding into 32-bit pixels. The texture loader and the content tools
// share them, so a file the tools write is read exactly as the game reads it.
#pragma once

#include "video/VideoDevice.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

// Larger pictures are refused before anything is allocated for them.
constexpr int32_t MaxPictureSize = 16384;
// A segments file never makes more entries than this.
constexpr int32_t MaxSegments = 4096;

// Height rows of Pitch bytes, each row holding Width pixels of Format.
struct TPictureImage {
    int32_t Width = 0;
    int32_t Height = 0;
    TPixelFormat Format = pfA8R8G8B8;
    int32_t BytesPerPixel = 4;
    int32_t Pitch = 0;
    std::vector<uint8_t> Pixels;

    uint8_t* Row(int32_t y) { return Pixels.data() + static_cast<std::size_t>(Pitch) * y; }
    const uint8_t* Row(int32_t y) const {
        return Pixels.data() + static_cast<std::size_t>(Pitch) * y;
    }
};

// A packed A8R8G8B8 image of Width x Height, all pixels 0.
TPictureImage MakeArgbImage(int32_t width, int32_t height);

struct TTpxAnimation {
    int32_t First = 0;
    int32_t Length = 0; // below 1: all frames the file held when the list was read
    float Time = 0;
    std::string Curve;
};

struct TTpxFile {
    std::vector<TPictureImage> Images; // the picture, then its further frames
    std::vector<TTpxAnimation> Animations;
    // How many images came before the animation list, which fixes what "all frames" means.
    int32_t ImagesBeforeAnimations = 0;
    // Why each damaged image after the first was left out, naming the file.
    std::vector<std::string> Skipped;
};

// An image's pixels where they already lie (in a file's bytes or an image): valid only as
// long as those bytes, and never copied, so a picture goes from its file to the device whole.
struct TImageView {
    int32_t Width = 0;
    int32_t Height = 0;
    TPixelFormat Format = pfA8R8G8B8;
    int32_t BytesPerPixel = 4;
    int32_t Pitch = 0;
    const uint8_t* Pixels = nullptr;
};
TImageView ViewOf(const TPictureImage& image);

// A ".tpx" file read in place: as TTpxFile, with views into the file's bytes for images.
struct TTpxView {
    std::vector<TImageView> Images;
    std::vector<TTpxAnimation> Animations;
    int32_t ImagesBeforeAnimations = 0;
    std::vector<std::string> Skipped;
};

// Chunk ids of ".tpx" files.
constexpr int32_t TpxImageChunk = 1;
constexpr int32_t TpxAnimationListChunk = 7;
constexpr int32_t TpxSingleAnimationChunk = 8;

// Raises EngineError naming FileName and what is wrong when the bytes are damaged: a chunk or
// count that does not fit the bytes left, a picture without any image, an absurd size or an
// unknown pixel format. A damaged image after the first is only a lost frame: it is left out
// and noted in Skipped (an image chunk cut off by the end of the file ends the reading).
TTpxFile ReadTpx(std::string_view bytes, std::string_view fileName);
// The same reading and checks, without copying any pixels out of Bytes.
TTpxView ViewTpx(std::string_view bytes, std::string_view fileName);
// The images, then one animation list chunk when there are animations.
std::string WriteTpx(const TTpxFile& file);

// One entry of a segments file, in image pixels; Full stands for the whole picture.
struct TSegmentRect {
    bool Full = true;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

struct TSegmentsFile {
    std::vector<TSegmentRect> Segments = {TSegmentRect{}};
    // Why reading stopped early; the segments read until then stay.
    std::string Error;
};

// "SEGMENTS" n sizes the list (n clamped to 1 .. MaxSegments, new entries copy entry 0);
// "SEGMENT" i x y w h sets entry i; other tokens are skipped. A bad number or an index outside
// the list stops the reading.
TSegmentsFile ReadSegmentsFile(std::string_view text);
std::string WriteSegmentsFile(const std::vector<TSegmentRect>& segments);

// Decoders give A8R8G8B8 pixels with straight alpha; they raise EngineError naming FileName
// on damaged data and on pictures larger than MaxPictureSize.
TPictureImage DecodePng(std::string_view bytes, std::string_view fileName);
TPictureImage DecodeJpeg(std::string_view bytes, std::string_view fileName);
// Writes an A8R8G8B8 image as an 8-bit RGBA ".png".
std::string EncodePng(const TPictureImage& image);

// How the game stores ".png" pixels: alpha 0 gives 0, alpha 255 stays, and in between each
// colour channel becomes (c x a) div 256.
void PremultiplyPng(TPictureImage& image);
// The straight colours that PremultiplyPng turns back into exactly these pixels.
void Unpremultiply(TPictureImage& image);

// Converts Width pixels from one format to another. Handles a format to itself, the widenings
// of the texture fall-backs (A8, L8 and A8L8 to A8R8G8B8; A8 and L8 to A8L8), and X8R8G8B8 and
// R5G6B5 to A8R8G8B8. False for any other pair.
bool ConvertRow(const uint8_t* source, TPixelFormat from, uint8_t* target, TPixelFormat to,
                int32_t width);
// Any image of a format ConvertRow widens, as packed A8R8G8B8.
TPictureImage ToArgb(const TPictureImage& image);

} // namespace valdmoor
