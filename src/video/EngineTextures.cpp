#include "video/EngineTextures.h"

#include "app/EngineApplication.h"
#include "storage/EngineObjects.h"
#include "storage/EngineStorage.h"
#include "video/PictureFiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>

namespace valdmoor {
namespace {

struct TTextureState {
    TVideoDevice* device = nullptr;
    std::unique_ptr<TContainerOf<TTexture>> textures;
    std::unique_ptr<TEmptyTexture> empty;
};

TTextureState state;

// A picture file is read whole; anything larger is not a picture of ours.
constexpr int64_t MaxPictureFileBytes = int64_t{1} << 30;
// Canvas grids are sized by game code; the cap only keeps a wrong size from exhausting memory.
constexpr int64_t MaxGridSegments = 65536;

// The smallest power of two not below N; sizes beyond any device's reach stay as they are.
int32_t PowerOfTwoAbove(int32_t n) {
    if (n <= 1 || n > (1 << 30)) {
        return n;
    }
    int32_t power = 1;
    while (power < n) {
        power <<= 1;
    }
    return power;
}

float Ratio(float part, int32_t whole) {
    return whole > 0 ? part / static_cast<float>(whole) : 0.0f;
}

int32_t RoundToInt(float value) {
    if (!(value > -2.0e9f && value < 2.0e9f)) {
        return value > 0 ? INT32_MAX : 0;
    }
    return static_cast<int32_t>(std::nearbyint(value));
}

std::string FileName(std::string_view name, TFileKind kind) {
    return std::string(name) + std::string(FileKindExtension(kind));
}

// A whole file's bytes. Left uninitialised before the read: picture files run to megabytes,
// and zeroing them first costs as much as reading them.
struct TFileBytes {
    std::unique_ptr<char[]> Data;
    std::size_t Size = 0;
    std::string_view View() const { return {Data.get(), Size}; }
};

TFileBytes ReadWholeFile(TStorageFolder folder, std::string_view name, TFileKind kind) {
    const std::unique_ptr<TStream> stream = StorageOpen(folder, name, kind);
    const int64_t size = stream->Size();
    if (size < 0 || size > MaxPictureFileBytes) {
        throw EngineError(FileName(name, kind) + ": the file is too large");
    }
    TFileBytes bytes;
    bytes.Size = static_cast<std::size_t>(size);
    bytes.Data = std::make_unique_for_overwrite<char[]>(bytes.Size);
    try {
        stream->ReadExact(bytes.Data.get(), bytes.Size);
    } catch (const EngineError& error) {
        throw EngineError(FileName(name, kind) + ": " + error.what());
    }
    stream->Close();
    return bytes;
}

// The format the device stores FORMAT in, after its fall-backs.
TPixelFormat DeviceFormat(const TVideoDevice& device, TPixelFormat format) {
    if (format == pfA8 && !device.HasA8) {
        format = pfA8L8;
    }
    if (format == pfL8 && !device.HasL8) {
        format = pfA8L8;
    }
    if (format == pfA8L8 && !device.HasA8L8) {
        format = pfA8R8G8B8;
    }
    return format;
}

void CheckTexturePixels(const uint8_t* source, TPixelFormat format, int32_t bytesPerPixel,
                        int32_t pitch, int32_t height, int32_t width) {
    if (width < 1 || height < 1 || width > MaxPictureSize || height > MaxPictureSize) {
        throw EngineError("Invalid texture size " + std::to_string(width) + " x " +
                          std::to_string(height));
    }
    if (FormatBytes(format) == 0 || bytesPerPixel != FormatBytes(format) ||
        pitch < width * bytesPerPixel || source == nullptr) {
        throw EngineError("Invalid texture pixels (format " + std::to_string(format) + ", " +
                          std::to_string(bytesPerPixel) + " bytes per pixel, pitch " +
                          std::to_string(pitch) + ")");
    }
}

void Upload(TTexture& texture, const TImageView& image) {
    TVideoDevice* device = state.device;
    if (device == nullptr) {
        throw EngineError("Failed to create texture");
    }
    CheckTexturePixels(image.Pixels, image.Format, image.BytesPerPixel, image.Pitch, image.Height,
                       image.Width);
    texture.Gpu.reset();
    // Most pictures go to the device as they are: a copy is made only to pad or convert them.
    const bool padded = device->TexturePow2Only && (PowerOfTwoAbove(image.Width) != image.Width ||
                                                    PowerOfTwoAbove(image.Height) != image.Height);
    if (!padded && DeviceFormat(*device, image.Format) == image.Format &&
        image.Pitch % image.BytesPerPixel == 0) {
        texture.Width = image.Width;
        texture.Height = image.Height;
        texture.Gpu = device->CreateTexture(image.Width, image.Height, image.Format, image.Pixels,
                                            image.Pitch);
    } else {
        const TTexturePixels pixels =
            PrepareTexturePixels(*device, image.Pixels, image.Format, image.BytesPerPixel,
                                 image.Pitch, image.Height, image.Width);
        texture.Width = pixels.Width;
        texture.Height = pixels.Height;
        texture.Gpu = device->CreateTexture(pixels.Width, pixels.Height, pixels.Format,
                                            pixels.Pixels.data(), pixels.Pitch);
    }
    if (texture.Gpu == nullptr) {
        throw EngineError("Failed to create texture");
    }
}

void ShareWithFrames(TBaseImageTexture& texture) {
    if (texture.Frames == nullptr) {
        return;
    }
    for (TFrameImageTexture& frame : *texture.Frames) {
        if (frame.SharesSegments) {
            frame.Segments = texture.Segments;
        }
    }
}

void LoadTpx(TBaseImageTexture& texture, TStorageFolder folder, std::string_view name) {
    // The images are views into the file's bytes, which live until the upload is done.
    const TFileBytes bytes = ReadWholeFile(folder, name, fkTpx);
    const TTpxView file = ViewTpx(bytes.View(), FileName(name, fkTpx));
    for (const std::string& problem : file.Skipped) {
        LogMessage("Failed to create texture \"" + texture.Name() + "\" (" + problem + ")");
    }
    const TImageView& first = file.Images.front();
    Upload(texture, first);
    MakeFullSegment(texture, first.Width, first.Height);

    // FrameCount after each image, so "all frames" means what the file held at its animations.
    std::vector<int32_t> frameCounts(file.Images.size(), 1);
    for (std::size_t i = 1; i < file.Images.size(); ++i) {
        const TImageView& image = file.Images[i];
        auto frame = std::make_unique<TFrameImageTexture>(texture.Name(), &texture);
        frame->Smooth = texture.Smooth;
        frame->SharesSegments = image.Width == first.Width && image.Height == first.Height;
        try {
            Upload(*frame, image);
            if (frame->SharesSegments) {
                frame->Segments = texture.Segments;
            } else {
                MakeFullSegment(*frame, image.Width, image.Height);
            }
            if (texture.Frames == nullptr) {
                texture.Frames = std::make_unique<TContainerOf<TFrameImageTexture>>(false, true);
            }
            texture.Frames->Add(std::move(frame));
        } catch (const std::exception& error) {
            // The frame is skipped; the picture itself is fine.
            LogMessage("Failed to create texture \"" + texture.Name() + "\" (frame " +
                       std::to_string(i) + ": " + error.what() + ")");
        }
        frameCounts[i] = texture.FrameCount();
    }

    const int32_t framesBefore =
        file.ImagesBeforeAnimations > 0
            ? frameCounts[static_cast<std::size_t>(file.ImagesBeforeAnimations) - 1]
            : 1;
    texture.Animations.clear();
    for (const TTpxAnimation& record : file.Animations) {
        texture.Animations.push_back(TAnimation{record.First,
                                                record.Length < 1 ? framesBefore : record.Length,
                                                record.Time, record.Curve});
    }
}

void LoadImage(TBaseImageTexture& texture, TStorageFolder folder, std::string_view name,
               TFileKind kind) {
    const TFileBytes file = ReadWholeFile(folder, name, kind);
    TPictureImage image = kind == fkPng ? DecodePng(file.View(), FileName(name, kind))
                                        : DecodeJpeg(file.View(), FileName(name, kind));
    if (kind == fkPng) {
        PremultiplyPng(image);
    }
    Upload(texture, ViewOf(image));
    MakeFullSegment(texture, image.Width, image.Height);
}

void ParseSegments(TBaseImageTexture& texture, TStorageFolder folder) {
    const TSegment full = texture.SegmentAt(0);
    TSegmentsFile file;
    bool failed = false;
    try {
        file = ReadSegmentsFile(StorageLoadText(folder, texture.SegmentsName, fkTsg));
        failed = !file.Error.empty();
    } catch (const std::exception&) {
        failed = true;
    }
    // A file that could not be read at all leaves the segments as they were; a damaged one
    // keeps the entries read before the damage.
    if (!failed || !file.Error.empty()) {
        auto segments = std::make_shared<std::vector<TSegment>>();
        segments->reserve(file.Segments.size());
        for (const TSegmentRect& rect : file.Segments) {
            if (rect.Full) {
                segments->push_back(full);
                continue;
            }
            const auto x = static_cast<float>(rect.X);
            const auto y = static_cast<float>(rect.Y);
            const auto w = static_cast<float>(rect.Width);
            const auto h = static_cast<float>(rect.Height);
            segments->push_back(TSegment{Ratio(w, texture.Width), Ratio(h, texture.Height),
                                         Ratio(x, texture.Width), Ratio(y, texture.Height), w, h});
        }
        texture.Segments = std::move(segments);
        ShareWithFrames(texture);
    }
    if (failed) {
        LogMessage("Failed to load texture segments \"" + texture.SegmentsName + "\"");
    }
}

// A loaded texture whose segments came from the layout SegmentsName.
TBaseImageTexture* SegmentsSource(const std::string& segmentsName, const TTexture* except) {
    if (state.textures == nullptr) {
        return nullptr;
    }
    for (TTexture& candidate : *state.textures) {
        auto* image = dynamic_cast<TBaseImageTexture*>(&candidate);
        if (image != nullptr && image != except && image->Loaded &&
            image->SegmentsName == segmentsName && image->SegmentCount() > 0) {
            return image;
        }
    }
    return nullptr;
}

void LoadSegments(TBaseImageTexture& texture, TStorageFolder folder) {
    texture.SegmentsName = texture.Name();
    if (!HasOwnSegments(texture.Name())) {
        return;
    }
    if (StorageExists(folder, texture.Name(), fkTsg)) {
        ParseSegments(texture, folder);
        return;
    }
    std::string shared = SegmentsNameOf(texture.Name());
    if (shared == texture.Name()) {
        return;
    }
    texture.SegmentsName = std::move(shared);
    if (const TBaseImageTexture* source = SegmentsSource(texture.SegmentsName, &texture)) {
        texture.Segments = source->Segments;
        ShareWithFrames(texture);
    } else if (StorageExists(folder, texture.SegmentsName, fkTsg)) {
        ParseSegments(texture, folder);
    }
}

float CurveValue(char c) {
    if (c == '0') {
        return 0.0f;
    }
    if (c >= '2' && c <= '9') {
        return static_cast<float>(c - '0') / 10.0f;
    }
    return c == 'o' ? 0.1f : 1.0f;
}

} // namespace

const TSegment& TTexture::SegmentAt(int32_t index) const {
    static const TSegment Whole{};
    if (Segments == nullptr || Segments->empty()) {
        return Whole;
    }
    const int32_t last = static_cast<int32_t>(Segments->size()) - 1;
    return (*Segments)[static_cast<std::size_t>(std::clamp(index, 0, last))];
}

TEmptyTexture::TEmptyTexture() {
    Smooth = true;
    MakeFullSegment(*this, 1, 1);
    try {
        const TPictureImage blank = MakeArgbImage(1, 1);
        Upload(*this, ViewOf(blank));
    } catch (const std::exception& error) {
        LogMessage(std::string("Failed to create empty texture (") + error.what() + ")");
        Gpu.reset();
        Width = 1;
        Height = 1;
    }
}

TBaseImageTexture::TBaseImageTexture(std::string name) : TTexture(std::move(name)) {
    Smooth = true;
    SegmentsName = Name();
    try {
        if (StorageExists(sfOrdinary, Name(), fkTpx)) {
            LoadTpx(*this, sfOrdinary, Name());
            LoadSegments(*this, sfOrdinary);
            Loaded = true;
        } else if (StorageExists(sfOrdinary, Name(), fkPng)) {
            LoadImage(*this, sfOrdinary, Name(), fkPng);
            LoadSegments(*this, sfOrdinary);
            Loaded = true;
        } else if (StorageExists(sfBranding, Name(), fkJpg)) {
            LoadImage(*this, sfBranding, Name(), fkJpg);
            Loaded = true;
        } else if (StorageExists(sfBranding, Name(), fkPng)) {
            LoadImage(*this, sfBranding, Name(), fkPng);
            Loaded = true;
        } else {
            // Logged first, so a missing stand-in leaves both lines in the log.
            LogMessage("Failed to create texture \"" + Name() + "\" (Missing file)");
            LoadTpx(*this, sfOrdinary, "G2Unknown");
        }
    } catch (const std::exception& error) {
        LogMessage("Failed to create texture \"" + Name() + "\" (" + error.what() + ")");
        Gpu.reset();
        Width = 1;
        Height = 1;
        Segments.reset();
        Frames.reset();
        Animations.clear();
        SegmentsName = Name();
        Loaded = false;
    }
    if (SegmentCount() == 0) {
        MakeFullSegment(*this, Width, Height);
    }
}

TBaseImageTexture::~TBaseImageTexture() = default;

int32_t TBaseImageTexture::FrameCount() const {
    return 1 + (Frames != nullptr ? Frames->Count() : 0);
}

int32_t TBaseImageTexture::AnimationCount() const {
    return static_cast<int32_t>(Animations.size());
}

int32_t TBaseImageTexture::AnimationFirst(int32_t index) const {
    return index >= 1 && index <= AnimationCount()
               ? Animations[static_cast<std::size_t>(index) - 1].First
               : TTexture::AnimationFirst(index);
}

int32_t TBaseImageTexture::AnimationLength(int32_t index) const {
    return index >= 1 && index <= AnimationCount()
               ? Animations[static_cast<std::size_t>(index) - 1].Length
               : TTexture::AnimationLength(index);
}

float TBaseImageTexture::AnimationTime(int32_t index) const {
    return index >= 1 && index <= AnimationCount()
               ? Animations[static_cast<std::size_t>(index) - 1].Time
               : TTexture::AnimationTime(index);
}

std::string TBaseImageTexture::AnimationCurve(int32_t index) const {
    return index >= 1 && index <= AnimationCount()
               ? Animations[static_cast<std::size_t>(index) - 1].Curve
               : TTexture::AnimationCurve(index);
}

TTexture* TBaseImageTexture::FrameAt(int32_t index, float t) {
    if (index < 1 || index > AnimationCount()) {
        return this;
    }
    const TAnimation& animation = Animations[static_cast<std::size_t>(index) - 1];
    const double scaled =
        std::nearbyint(static_cast<double>(animation.Length) * EvaluateCurve(animation.Curve, t));
    // Forced into 0 .. Length - 1 before any conversion, so curves far outside 0..1 (or NaN)
    // cannot overflow.
    int64_t step = 0;
    if (scaled > 0) {
        step = scaled >= static_cast<double>(animation.Length) - 1 ? int64_t{animation.Length} - 1
                                                                   : static_cast<int64_t>(scaled);
    }
    const int64_t frame = int64_t{animation.First} + std::max<int64_t>(step, 0);
    if (frame > 0 && Frames != nullptr && frame <= Frames->Count()) {
        return Frames->ItemAt(static_cast<int32_t>(frame));
    }
    return this;
}

int32_t TFrameImageTexture::FrameCount() const {
    return Parent != nullptr ? Parent->FrameCount() : TTexture::FrameCount();
}

int32_t TFrameImageTexture::AnimationCount() const {
    return Parent != nullptr ? Parent->AnimationCount() : TTexture::AnimationCount();
}

int32_t TFrameImageTexture::AnimationFirst(int32_t index) const {
    return Parent != nullptr ? Parent->AnimationFirst(index) : TTexture::AnimationFirst(index);
}

int32_t TFrameImageTexture::AnimationLength(int32_t index) const {
    return Parent != nullptr ? Parent->AnimationLength(index) : TTexture::AnimationLength(index);
}

float TFrameImageTexture::AnimationTime(int32_t index) const {
    return Parent != nullptr ? Parent->AnimationTime(index) : TTexture::AnimationTime(index);
}

std::string TFrameImageTexture::AnimationCurve(int32_t index) const {
    return Parent != nullptr ? Parent->AnimationCurve(index) : TTexture::AnimationCurve(index);
}

TTexture* TFrameImageTexture::FrameAt(int32_t index, float t) {
    return Parent != nullptr ? Parent->FrameAt(index, t) : TTexture::FrameAt(index, t);
}

void TexturesStart(TVideoDevice& device) {
    TexturesStop();
    state.device = &device;
    state.textures = std::make_unique<TContainerOf<TTexture>>(true, true);
    state.empty = std::make_unique<TEmptyTexture>();
}

void TexturesStop() {
    state.textures.reset();
    state.empty.reset();
    state.device = nullptr;
}

TVideoDevice* TextureDevice() {
    return state.device;
}

TTexture* GetTexture(std::string_view name) {
    if (state.textures == nullptr) {
        return nullptr;
    }
    if (TTexture* texture = state.textures->Find(name)) {
        if (auto* image = dynamic_cast<TBaseImageTexture*>(texture)) {
            ++image->References;
        }
        return texture;
    }
    return state.textures->Add(std::make_unique<TBaseImageTexture>(std::string(name)), true);
}

void ReleaseTexture(TTexture* texture) {
    // Pictures stay loaded until video stops; the count only records who still uses them.
    if (auto* image = dynamic_cast<TBaseImageTexture*>(texture)) {
        image->References = std::max(image->References - 1, 0);
    }
}

TTexture* EmptyTexture() {
    return state.empty.get();
}

TContainerOf<TTexture>* Textures() {
    return state.textures.get();
}

void GetFrameSize(const TTexture* texture, int32_t frame, int32_t& width, int32_t& height) {
    if (texture == nullptr) {
        width = 0;
        height = 0;
    } else if (texture->SegmentCount() == 0) {
        width = texture->Width;
        height = texture->Height;
    } else {
        const TSegment& segment = texture->SegmentAt(frame);
        width = RoundToInt(segment.PixelWidth);
        height = RoundToInt(segment.PixelHeight);
    }
}

float GetFrameAspect(const TTexture* texture, int32_t frame) {
    if (texture == nullptr) {
        return 1.0f;
    }
    if (texture->SegmentCount() == 0) {
        return texture->Height > 0 ? Ratio(static_cast<float>(texture->Width), texture->Height)
                                   : 1.0f;
    }
    const TSegment& segment = texture->SegmentAt(frame);
    // A segment of no height has no aspect; square keeps sprite sizes finite.
    return segment.PixelHeight != 0 ? segment.PixelWidth / segment.PixelHeight : 1.0f;
}

void MakeFullSegment(TTexture& texture, int32_t imageWidth, int32_t imageHeight) {
    TSegment segment;
    if (imageWidth != texture.Width || imageHeight != texture.Height) {
        segment.ScaleU = Ratio(static_cast<float>(imageWidth), texture.Width);
        segment.ScaleV = Ratio(static_cast<float>(imageHeight), texture.Height);
    }
    segment.PixelWidth = static_cast<float>(imageWidth);
    segment.PixelHeight = static_cast<float>(imageHeight);
    texture.Segments = std::make_shared<std::vector<TSegment>>(1, segment);
}

void MakeGridSegments(TTexture& texture, float originX, float originY, float cellX, float cellY,
                      float scale, int32_t rows, int32_t columns) {
    auto segments = std::make_shared<std::vector<TSegment>>();
    rows = std::max(rows, 0);
    columns = std::max(columns, 0);
    if (columns > 0 && int64_t{rows} * columns > MaxGridSegments) {
        rows = static_cast<int32_t>(MaxGridSegments / columns);
    }
    const float ox = scale * originX;
    const float oy = scale * originY;
    const float cx = scale * cellX;
    const float cy = scale * cellY;
    segments->reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            segments->push_back(TSegment{Ratio(cx, texture.Width), Ratio(cy, texture.Height),
                                         Ratio(static_cast<float>(column) * cx + ox, texture.Width),
                                         Ratio(static_cast<float>(row) * cy + oy, texture.Height),
                                         cx, cy});
        }
    }
    texture.Segments = std::move(segments);
}

void SetRenderTargetSize(TRenderTargetTexture& texture, int32_t width, int32_t height) {
    texture.Exact = true;
    if (state.device != nullptr && state.device->TexturePow2Only) {
        const int32_t roundedWidth = PowerOfTwoAbove(width);
        const int32_t roundedHeight = PowerOfTwoAbove(height);
        texture.Exact = roundedWidth == width && roundedHeight == height;
        width = roundedWidth;
        height = roundedHeight;
    }
    if (width != texture.Width || height != texture.Height) {
        texture.Gpu.reset();
        texture.Width = width;
        texture.Height = height;
    }
}

bool CreateRenderTarget(TRenderTargetTexture& texture, TPixelFormat format) {
    if (texture.Gpu != nullptr && texture.Gpu->Format() == format &&
        texture.Gpu->Width() == texture.Width && texture.Gpu->Height() == texture.Height) {
        return true;
    }
    texture.Gpu.reset();
    if (state.device == nullptr || texture.Width < 1 || texture.Height < 1) {
        return false;
    }
    // The device clears new render targets, which also blanks the padding of inexact ones.
    texture.Gpu = state.device->CreateRenderTarget(texture.Width, texture.Height, format);
    return texture.Gpu != nullptr;
}

TTexturePixels PrepareTexturePixels(const TVideoDevice& device, const uint8_t* source,
                                    TPixelFormat format, int32_t bytesPerPixel, int32_t pitch,
                                    int32_t height, int32_t width) {
    CheckTexturePixels(source, format, bytesPerPixel, pitch, height, width);
    TTexturePixels out;
    out.Width = device.TexturePow2Only ? PowerOfTwoAbove(width) : width;
    out.Height = device.TexturePow2Only ? PowerOfTwoAbove(height) : height;
    out.Format = DeviceFormat(device, format);
    const int32_t bytes = FormatBytes(out.Format);
    out.Pitch = out.Width * bytes;
    out.Pixels.assign(static_cast<std::size_t>(out.Pitch) * static_cast<std::size_t>(out.Height),
                      0);
    auto row = [&](int32_t y) {
        return out.Pixels.data() +
               static_cast<std::size_t>(out.Pitch) * static_cast<std::size_t>(y);
    };
    for (int32_t y = 0; y < height; ++y) {
        if (!ConvertRow(source + static_cast<std::size_t>(pitch) * static_cast<std::size_t>(y),
                        format, row(y), out.Format, width)) {
            throw EngineError("Invalid texture pixels (format " + std::to_string(format) + ")");
        }
        // Padding repeats the edge, so linear filtering at the border does not blend in black.
        if (out.Width > width) {
            std::memcpy(row(y) + static_cast<std::size_t>(width) * bytes,
                        row(y) + static_cast<std::size_t>(width - 1) * bytes,
                        static_cast<std::size_t>(bytes));
        }
    }
    if (out.Height > height) {
        std::memcpy(row(height), row(height - 1), static_cast<std::size_t>(out.Pitch));
    }
    return out;
}

float EvaluateCurve(std::string_view curve, float t) {
    const std::size_t length = curve.size();
    if (length == 0) {
        return t;
    }
    char start = '0';
    char connector = curve[0];
    char end = '1';
    float u = t;
    if (length == 2) {
        end = curve[1];
    } else if (length >= 3 && t >= 1.0f) {
        start = curve[length - 3];
        connector = curve[length - 2];
        end = curve[length - 1];
    } else if (length >= 3) {
        const std::size_t steps = length / 2;
        const float f = static_cast<float>(steps) * t;
        std::size_t step = 0;
        if (f >= 0.0f) {
            // Kept inside the curve even where float rounding reaches its end.
            step = std::min(static_cast<std::size_t>(f), steps - 1);
            u = f - static_cast<float>(step);
        } else {
            // Before the start (and NaN): the first step extended, never read outside.
            u = f;
        }
        const std::size_t at = length % 2 + 2 * step; // 0-based position of the connector
        start = at == 0 ? '0' : curve[at - 1];
        connector = curve[at];
        end = curve[at + 1];
    }
    const float from = CurveValue(start);
    const float to = CurveValue(end);
    if (start == end) {
        return from;
    }
    if (connector == '|') {
        return u > 0.5f ? to : from;
    }
    return from + (to - from) * u;
}

} // namespace valdmoor
