#include "video/PictureFiles.h"

#include "app/EngineApplication.h"
#include "storage/EngineObjects.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

namespace valdmoor {
namespace {

[[noreturn]] void Damaged(std::string_view fileName, const std::string& what) {
    throw EngineError(std::string(fileName) + ": " + what);
}

uint32_t Uint32At(std::string_view bytes, std::size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

// Little-endian fields of a chunk body. Every read is checked against the bytes left first,
// so a lying count can never make the reader look past the body.
class TBodyReader {
public:
    TBodyReader(std::string_view body, std::string_view fileName, std::string what)
        : body_(body), fileName_(fileName), what_(std::move(what)) {}

    std::size_t Left() const { return body_.size() - at_; }

    void Need(std::size_t count, const char* field) const {
        if (count > Left()) {
            Damaged(fileName_, what_ + " is too short for its " + field + " (" +
                                   std::to_string(Left()) + " bytes left, " +
                                   std::to_string(count) + " needed)");
        }
    }
    int32_t Int32(const char* field) {
        Need(4, field);
        const uint32_t value = Uint32At(body_, at_);
        at_ += 4;
        return static_cast<int32_t>(value);
    }
    float Float32(const char* field) { return std::bit_cast<float>(Int32(field)); }
    std::string_view Take(std::size_t count, const char* field) {
        Need(count, field);
        const std::string_view bytes = body_.substr(at_, count);
        at_ += count;
        return bytes;
    }
    // A curve: its byte length, then the text.
    std::string Curve() {
        const int32_t length = Int32("curve length");
        if (length < 0) {
            Damaged(fileName_, what_ + " has a curve of " + std::to_string(length) + " bytes");
        }
        return std::string(Take(static_cast<std::size_t>(length), "curve"));
    }

private:
    std::string_view body_;
    std::string_view fileName_;
    std::string what_;
    std::size_t at_ = 0;
};

TImageView ReadImageChunk(std::string_view body, std::string_view fileName, int32_t number) {
    const std::string what = "image " + std::to_string(number);
    TBodyReader reader(body, fileName, what);
    reader.Int32("header"); // reserved
    const int32_t width = reader.Int32("header");
    const int32_t height = reader.Int32("header");
    const int32_t format = reader.Int32("header");
    const int32_t bytesPerPixel = reader.Int32("header");
    const int32_t pitch = reader.Int32("header");
    if (width < 1 || height < 1 || width > MaxPictureSize || height > MaxPictureSize) {
        Damaged(fileName,
                what + " is " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    }
    const int32_t formatBytes = FormatBytes(static_cast<TPixelFormat>(format));
    if (formatBytes == 0) {
        Damaged(fileName, what + " has the unknown pixel format " + std::to_string(format));
    }
    if (bytesPerPixel != formatBytes) {
        Damaged(fileName, what + " claims " + std::to_string(bytesPerPixel) +
                              " bytes per pixel for format " + std::to_string(format));
    }
    const int64_t rowBytes = int64_t{width} * bytesPerPixel;
    if (pitch < rowBytes) {
        Damaged(fileName, what + " has rows of " + std::to_string(pitch) + " bytes for " +
                              std::to_string(width) + " pixels");
    }
    const int64_t pixelBytes = int64_t{height} * pitch;
    if (pixelBytes > static_cast<int64_t>(reader.Left())) {
        Damaged(fileName, what + " needs " + std::to_string(pixelBytes) +
                              " bytes of pixels, but its chunk holds " +
                              std::to_string(reader.Left()));
    }

    TImageView image;
    image.Width = width;
    image.Height = height;
    image.Format = static_cast<TPixelFormat>(format);
    image.BytesPerPixel = bytesPerPixel;
    image.Pitch = pitch;
    image.Pixels = reinterpret_cast<const uint8_t*>(
        reader.Take(static_cast<std::size_t>(pixelBytes), "pixels").data());
    return image;
}

// A packed copy of a view's pixels.
TPictureImage CopyImage(const TImageView& view) {
    TPictureImage image;
    image.Width = view.Width;
    image.Height = view.Height;
    image.Format = view.Format;
    image.BytesPerPixel = view.BytesPerPixel;
    const auto rowBytes =
        static_cast<std::size_t>(view.Width) * static_cast<std::size_t>(view.BytesPerPixel);
    image.Pitch = static_cast<int32_t>(rowBytes);
    const auto pitch = static_cast<std::size_t>(view.Pitch);
    const auto height = static_cast<std::size_t>(view.Height);
    // Copied straight in, never zeroed first: these are the largest buffers of a start-up.
    if (pitch == rowBytes) {
        image.Pixels.assign(view.Pixels, view.Pixels + rowBytes * height);
    } else {
        image.Pixels.reserve(rowBytes * height);
        for (std::size_t y = 0; y < height; ++y) {
            const uint8_t* row = view.Pixels + pitch * y;
            image.Pixels.insert(image.Pixels.end(), row, row + rowBytes);
        }
    }
    return image;
}

void PutInt32(std::string& out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
    }
}

void PutChunkHeader(std::string& out, int32_t id, std::size_t size) {
    if (size > static_cast<std::size_t>(INT32_MAX)) {
        throw EngineError("Picture chunk too large (" + std::to_string(size) + " bytes)");
    }
    PutInt32(out, id);
    PutInt32(out, static_cast<int32_t>(size));
}

// ---- libpng and libjpeg report errors by jumping out of their own frames. The jumps land in
// the small functions below, which hold no C++ object with a destructor, so nothing is
// skipped; the callers turn a false result into an EngineError.

struct TPngData {
    const uint8_t* Data;
    std::size_t Size;
    std::size_t Offset;
    std::string* Out; // for writing
    char Message[256];
};

void PngFail(png_structp png, png_const_charp message) {
    auto* data = static_cast<TPngData*>(png_get_error_ptr(png));
    std::snprintf(data->Message, sizeof data->Message, "%s", message);
    png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void PngReadData(png_structp png, png_bytep out, png_size_t count) {
    auto* data = static_cast<TPngData*>(png_get_io_ptr(png));
    if (count > data->Size - data->Offset) {
        png_error(png, "the data ends early");
    }
    std::memcpy(out, data->Data + data->Offset, count);
    data->Offset += count;
}

bool AppendBytes(std::string* out, const void* bytes, std::size_t count) noexcept {
    try {
        out->append(static_cast<const char*>(bytes), count);
        return true;
    } catch (...) {
        return false;
    }
}

void PngWriteData(png_structp png, png_bytep bytes, png_size_t count) {
    auto* data = static_cast<TPngData*>(png_get_io_ptr(png));
    if (!AppendBytes(data->Out, bytes, count)) {
        png_error(png, "out of memory");
    }
}

void PngFlush(png_structp /*png*/) {}

// Reads the header and asks for B, G, R, A bytes of 8 bits whatever the file holds.
bool PngReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !transparency) {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(*width) * 4) {
        png_error(png, "unexpected row layout");
    }
    return true;
}

bool PngReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_image(png, rows);
    return true;
}

bool PngWriteImage(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                   png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

constexpr long MaxJpegMemory = 512L << 20;

struct TJpegErrors {
    jpeg_error_mgr Manager; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    errors->Manager.format_message(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

// Warnings about odd but readable data are ignored; data that ends early is damage, which
// libjpeg itself would only paint grey.
void JpegWarning(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        JpegFail(info);
    }
}

bool JpegReadHeader(jpeg_decompress_struct* info, TJpegErrors* errors, const uint8_t* data,
                    unsigned long size) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    jpeg_create_decompress(info);
    // Progressive pictures keep every coefficient in memory; a cap turns absurd ones into an
    // error instead of an allocation of gigabytes.
    info->mem->max_memory_to_use = MaxJpegMemory;
    jpeg_mem_src(info, data, size);
    jpeg_read_header(info, TRUE);
    return true;
}

bool JpegStart(jpeg_decompress_struct* info, TJpegErrors* errors) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    info->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(info);
    return true;
}

bool JpegReadRow(jpeg_decompress_struct* info, TJpegErrors* errors, uint8_t* row) {
    if (setjmp(errors->Jump) != 0) {
        return false;
    }
    JSAMPROW pointer = row;
    return jpeg_read_scanlines(info, &pointer, 1) == 1;
}

void CheckPictureSize(std::string_view fileName, uint64_t width, uint64_t height) {
    if (width < 1 || height < 1 || width > MaxPictureSize || height > MaxPictureSize) {
        Damaged(fileName, "the picture is " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels");
    }
}

uint8_t Expand(uint32_t value, int bits) {
    return static_cast<uint8_t>((value << (8 - bits)) | (value >> (2 * bits - 8)));
}

bool ReadNumber(TSimpleParser& parser, const char* what, int32_t& value, std::string& error) {
    const std::string_view token = ParserNextToken(parser, SegmentTokenChars());
    const char* end = token.data() + token.size();
    const auto [stop, code] = std::from_chars(token.data(), end, value);
    if (token.empty() || code != std::errc() || stop != end) {
        error =
            std::string("expected ") + what + ", found " +
            (token.empty() ? std::string("the end of the text") : "\"" + std::string(token) + "\"");
        return false;
    }
    return true;
}

} // namespace

TPictureImage MakeArgbImage(int32_t width, int32_t height) {
    TPictureImage image;
    image.Width = width;
    image.Height = height;
    image.Format = pfA8R8G8B8;
    image.BytesPerPixel = 4;
    image.Pitch = width * 4;
    image.Pixels.assign(static_cast<std::size_t>(image.Pitch) * static_cast<std::size_t>(height),
                        0);
    return image;
}

TImageView ViewOf(const TPictureImage& image) {
    return {image.Width,         image.Height, image.Format,
            image.BytesPerPixel, image.Pitch,  image.Pixels.data()};
}

TTpxView ViewTpx(std::string_view bytes, std::string_view fileName) {
    TTpxView file;
    std::size_t at = 0;
    int32_t chunk = 0;
    int32_t imageChunks = 0; // numbers images as the file does, skipped ones included
    while (at < bytes.size()) {
        ++chunk;
        const std::size_t left = bytes.size() - at;
        if (left < 8) {
            Damaged(fileName, "chunk " + std::to_string(chunk) + " is cut off after " +
                                  std::to_string(left) + " bytes");
        }
        const auto id = static_cast<int32_t>(Uint32At(bytes, at));
        const auto size = static_cast<int32_t>(Uint32At(bytes, at + 4));
        at += 8;
        const bool laterImage = id == TpxImageChunk && !file.Images.empty();
        if (size < 0 || static_cast<std::size_t>(size) > bytes.size() - at) {
            const std::string what = "chunk " + std::to_string(chunk) + " claims " +
                                     std::to_string(size) + " bytes, but " +
                                     std::to_string(bytes.size() - at) + " are left";
            if (!laterImage) {
                Damaged(fileName, what);
            }
            // Nothing after a cut-off frame can be found again.
            file.Skipped.push_back(std::string(fileName) + ": " + what);
            break;
        }
        const std::string_view body = bytes.substr(at, static_cast<std::size_t>(size));
        at += static_cast<std::size_t>(size);

        if (id == TpxImageChunk) {
            ++imageChunks;
        }
        if (laterImage) {
            try {
                file.Images.push_back(ReadImageChunk(body, fileName, imageChunks));
            } catch (const EngineError& error) {
                file.Skipped.emplace_back(error.what());
            }
        } else if (id == TpxImageChunk) {
            file.Images.push_back(ReadImageChunk(body, fileName, 1));
        } else if (id == TpxAnimationListChunk) {
            TBodyReader reader(body, fileName, "the animation list");
            const int32_t count = reader.Int32("count");
            // Each record takes at least 16 bytes: a count the chunk cannot hold is a lie.
            if (count < 0 || static_cast<std::size_t>(count) > reader.Left() / 16) {
                Damaged(fileName, "the animation list counts " + std::to_string(count) +
                                      " animations in " + std::to_string(reader.Left()) + " bytes");
            }
            std::vector<TTpxAnimation> animations(static_cast<std::size_t>(count));
            for (TTpxAnimation& animation : animations) {
                animation.First = reader.Int32("record");
                animation.Length = reader.Int32("record");
                animation.Time = reader.Float32("record");
                animation.Curve = reader.Curve();
            }
            file.Animations = std::move(animations);
            file.ImagesBeforeAnimations = static_cast<int32_t>(file.Images.size());
        } else if (id == TpxSingleAnimationChunk) {
            TBodyReader reader(body, fileName, "the single animation");
            TTpxAnimation animation;
            animation.Time = reader.Float32("time");
            animation.Curve = reader.Curve();
            file.Animations.assign(1, std::move(animation));
            file.ImagesBeforeAnimations = static_cast<int32_t>(file.Images.size());
        }
    }
    if (file.Images.empty()) {
        Damaged(fileName, "the file holds no image");
    }
    return file;
}

TTpxFile ReadTpx(std::string_view bytes, std::string_view fileName) {
    TTpxView view = ViewTpx(bytes, fileName);
    TTpxFile file;
    file.Images.reserve(view.Images.size());
    for (const TImageView& image : view.Images) {
        file.Images.push_back(CopyImage(image));
    }
    file.Animations = std::move(view.Animations);
    file.ImagesBeforeAnimations = view.ImagesBeforeAnimations;
    file.Skipped = std::move(view.Skipped);
    return file;
}

std::string WriteTpx(const TTpxFile& file) {
    std::string out;
    for (const TPictureImage& image : file.Images) {
        const int32_t bytes = FormatBytes(image.Format);
        const int64_t rowBytes = int64_t{image.Width} * bytes;
        if (bytes == 0 || image.Width < 1 || image.Height < 1 || image.Width > MaxPictureSize ||
            image.Height > MaxPictureSize || image.Pitch < rowBytes ||
            image.Pixels.size() < static_cast<std::size_t>(image.Pitch) * image.Height) {
            throw EngineError("Cannot write a picture of " + std::to_string(image.Width) + " x " +
                              std::to_string(image.Height) + " pixels in format " +
                              std::to_string(image.Format));
        }
        const auto packedRow = static_cast<std::size_t>(rowBytes);
        PutChunkHeader(out, TpxImageChunk, 24 + packedRow * static_cast<std::size_t>(image.Height));
        PutInt32(out, 0);
        PutInt32(out, image.Width);
        PutInt32(out, image.Height);
        PutInt32(out, image.Format);
        PutInt32(out, bytes);
        PutInt32(out, static_cast<int32_t>(rowBytes));
        for (int32_t y = 0; y < image.Height; ++y) {
            out.append(reinterpret_cast<const char*>(image.Row(y)), packedRow);
        }
    }
    if (!file.Animations.empty()) {
        std::string body;
        PutInt32(body, static_cast<int32_t>(file.Animations.size()));
        for (const TTpxAnimation& animation : file.Animations) {
            PutInt32(body, animation.First);
            PutInt32(body, animation.Length);
            PutInt32(body, std::bit_cast<int32_t>(animation.Time));
            PutInt32(body, static_cast<int32_t>(animation.Curve.size()));
            body += animation.Curve;
        }
        PutChunkHeader(out, TpxAnimationListChunk, body.size());
        out += body;
    }
    return out;
}

TSegmentsFile ReadSegmentsFile(std::string_view text) {
    TSegmentsFile file;
    TSimpleParser parser;
    ParserInit(parser, std::string(text));
    for (;;) {
        const std::string_view token = ParserNextToken(parser, SegmentTokenChars());
        if (token.empty()) {
            break;
        }
        if (token == "SEGMENTS") {
            int32_t count = 0;
            if (!ReadNumber(parser, "a segment count", count, file.Error)) {
                break;
            }
            const TSegmentRect first = file.Segments.front();
            file.Segments.assign(static_cast<std::size_t>(std::clamp(count, 1, MaxSegments)),
                                 first);
        } else if (token == "SEGMENT") {
            int32_t index = 0;
            TSegmentRect rect;
            rect.Full = false;
            if (!ReadNumber(parser, "a segment index", index, file.Error) ||
                !ReadNumber(parser, "a segment x", rect.X, file.Error) ||
                !ReadNumber(parser, "a segment y", rect.Y, file.Error) ||
                !ReadNumber(parser, "a segment width", rect.Width, file.Error) ||
                !ReadNumber(parser, "a segment height", rect.Height, file.Error)) {
                break;
            }
            if (index < 0 || static_cast<std::size_t>(index) >= file.Segments.size()) {
                file.Error = "segment " + std::to_string(index) + " is outside 0 .. " +
                             std::to_string(file.Segments.size() - 1);
                break;
            }
            file.Segments[static_cast<std::size_t>(index)] = rect;
        }
    }
    return file;
}

std::string WriteSegmentsFile(const std::vector<TSegmentRect>& segments) {
    std::string text =
        "SEGMENTS " + std::to_string(std::max<std::size_t>(segments.size(), 1)) + "\n";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const TSegmentRect& rect = segments[i];
        if (!rect.Full) {
            text += "SEGMENT " + std::to_string(i) + " " + std::to_string(rect.X) + " " +
                    std::to_string(rect.Y) + " " + std::to_string(rect.Width) + " " +
                    std::to_string(rect.Height) + "\n";
        }
    }
    return text;
}

TPictureImage DecodePng(std::string_view bytes, std::string_view fileName) {
    TPngData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0, nullptr, {}};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &data, PngFail, PngIgnoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    struct TCleanup {
        png_structp* Png;
        png_infop* Info;
        ~TCleanup() { png_destroy_read_struct(Png, Info, nullptr); }
    } cleanup{&png, &info};
    if (png == nullptr || info == nullptr) {
        Damaged(fileName, "out of memory");
    }
    png_set_read_fn(png, &data, PngReadData);
    png_set_user_limits(png, MaxPictureSize, MaxPictureSize);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!PngReadHeader(png, info, &width, &height)) {
        Damaged(fileName, data.Message);
    }
    CheckPictureSize(fileName, width, height);
    // Deflate expands data at most 1032 times and a 1-bit pixel becomes 32 bits: a header that
    // promises more pixels than the file can hold is refused before they are allocated.
    if (uint64_t{width} * height * 4 > (uint64_t{bytes.size()} * 1032 + 1024) * 32) {
        Damaged(fileName, "the picture is " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels, more than " +
                              std::to_string(bytes.size()) + " bytes can hold");
    }
    TPictureImage image = MakeArgbImage(static_cast<int32_t>(width), static_cast<int32_t>(height));
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = image.Row(static_cast<int32_t>(y));
    }
    if (!PngReadRows(png, rows.data())) {
        Damaged(fileName, data.Message);
    }
    return image;
}

std::string EncodePng(const TPictureImage& image) {
    if (image.Format != pfA8R8G8B8 || image.Width < 1 || image.Height < 1 ||
        image.Pitch < image.Width * 4 ||
        image.Pixels.size() < static_cast<std::size_t>(image.Pitch) * image.Height) {
        throw EngineError("Cannot encode a picture of " + std::to_string(image.Width) + " x " +
                          std::to_string(image.Height) + " pixels in format " +
                          std::to_string(image.Format) + " as PNG");
    }
    std::string out;
    TPngData data{nullptr, 0, 0, &out, {}};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &data, PngFail, PngIgnoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    struct TCleanup {
        png_structp* Png;
        png_infop* Info;
        ~TCleanup() { png_destroy_write_struct(Png, Info); }
    } cleanup{&png, &info};
    if (png == nullptr || info == nullptr) {
        throw EngineError("Cannot encode PNG: out of memory");
    }
    png_set_write_fn(png, &data, PngWriteData, PngFlush);
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height));
    for (int32_t y = 0; y < image.Height; ++y) {
        // libpng's row type is not const, though writing only reads the rows.
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    if (!PngWriteImage(png, info, static_cast<png_uint_32>(image.Width),
                       static_cast<png_uint_32>(image.Height), rows.data())) {
        throw EngineError(std::string("Cannot encode PNG: ") + data.Message);
    }
    return out;
}

TPictureImage DecodeJpeg(std::string_view bytes, std::string_view fileName) {
    TJpegErrors errors{};
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = JpegFail;
    errors.Manager.emit_message = JpegWarning;
    struct TCleanup {
        jpeg_decompress_struct* Info;
        ~TCleanup() { jpeg_destroy_decompress(Info); }
    } cleanup{&info};

    if (!JpegReadHeader(&info, &errors, reinterpret_cast<const uint8_t*>(bytes.data()),
                        static_cast<unsigned long>(bytes.size()))) {
        Damaged(fileName, errors.Message);
    }
    // Checked before decompression starts: progressive pictures allocate for the whole image.
    CheckPictureSize(fileName, info.image_width, info.image_height);
    if (!JpegStart(&info, &errors)) {
        Damaged(fileName, errors.Message);
    }
    CheckPictureSize(fileName, info.output_width, info.output_height);
    if (info.output_components != 4) {
        Damaged(fileName, "unexpected pixel layout");
    }
    TPictureImage image;
    image.Width = static_cast<int32_t>(info.output_width);
    image.Height = static_cast<int32_t>(info.output_height);
    image.Pitch = image.Width * 4;
    // Grown row by row, so a small file that claims a huge picture fails at the end of its data
    // instead of after an allocation of the claimed size. A progressive picture has been read
    // whole by now, so its rows get their room at once.
    if (info.progressive_mode) {
        image.Pixels.reserve(static_cast<std::size_t>(image.Pitch) * image.Height);
    }
    for (int32_t y = 0; y < image.Height; ++y) {
        image.Pixels.resize(static_cast<std::size_t>(image.Pitch) *
                            (static_cast<std::size_t>(y) + 1));
        if (!JpegReadRow(&info, &errors, image.Row(y))) {
            Damaged(fileName, errors.Message[0] != 0 ? errors.Message : "the data ends early");
        }
    }
    return image;
}

void PremultiplyPng(TPictureImage& image) {
    for (int32_t y = 0; y < image.Height; ++y) {
        uint8_t* pixel = image.Row(y);
        for (int32_t x = 0; x < image.Width; ++x, pixel += 4) {
            const uint32_t alpha = pixel[3];
            if (alpha == 0) {
                std::memset(pixel, 0, 4);
            } else if (alpha < 255) {
                for (int c = 0; c < 3; ++c) {
                    pixel[c] = static_cast<uint8_t>((pixel[c] * alpha) >> 8);
                }
            }
        }
    }
}

void Unpremultiply(TPictureImage& image) {
    for (int32_t y = 0; y < image.Height; ++y) {
        uint8_t* pixel = image.Row(y);
        for (int32_t x = 0; x < image.Width; ++x, pixel += 4) {
            const uint32_t alpha = pixel[3];
            if (alpha == 0 || alpha == 255) {
                continue;
            }
            // The smallest c with (c x a) div 256 = p, so premultiplying gives p back.
            for (int c = 0; c < 3; ++c) {
                const uint32_t straight = (pixel[c] * 256 + alpha - 1) / alpha;
                pixel[c] = static_cast<uint8_t>(std::min<uint32_t>(straight, 255));
            }
        }
    }
}

bool ConvertRow(const uint8_t* source, TPixelFormat from, uint8_t* target, TPixelFormat to,
                int32_t width) {
    const auto count = static_cast<std::size_t>(std::max(width, 0));
    if (from == to) {
        const int32_t bytes = FormatBytes(from);
        if (bytes == 0) {
            return false;
        }
        std::memcpy(target, source, count * static_cast<std::size_t>(bytes));
        return true;
    }
    auto put = [&](std::size_t i, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
        uint8_t* pixel = target + i * 4;
        pixel[0] = b;
        pixel[1] = g;
        pixel[2] = r;
        pixel[3] = a;
    };
    if (to == pfA8R8G8B8) {
        for (std::size_t i = 0; i < count; ++i) {
            switch (from) {
                case pfA8:
                    put(i, 255, 255, 255, source[i]);
                    break;
                case pfL8:
                    put(i, source[i], source[i], source[i], 255);
                    break;
                case pfA8L8:
                    put(i, source[i * 2], source[i * 2], source[i * 2], source[i * 2 + 1]);
                    break;
                case pfX8R8G8B8:
                    put(i, source[i * 4], source[i * 4 + 1], source[i * 4 + 2], 255);
                    break;
                case pfR5G6B5: {
                    const uint32_t v = source[i * 2] | (uint32_t{source[i * 2 + 1]} << 8);
                    put(i, Expand(v & 31, 5), Expand((v >> 5) & 63, 6), Expand(v >> 11, 5), 255);
                    break;
                }
                default:
                    return false;
            }
        }
        return true;
    }
    if (to == pfA8L8 && (from == pfA8 || from == pfL8)) {
        for (std::size_t i = 0; i < count; ++i) {
            target[i * 2] = from == pfA8 ? 255 : source[i];
            target[i * 2 + 1] = from == pfA8 ? source[i] : 255;
        }
        return true;
    }
    return false;
}

TPictureImage ToArgb(const TPictureImage& image) {
    TPictureImage out = MakeArgbImage(image.Width, image.Height);
    for (int32_t y = 0; y < image.Height; ++y) {
        if (!ConvertRow(image.Row(y), image.Format, out.Row(y), pfA8R8G8B8, image.Width)) {
            throw EngineError("Cannot convert pixel format " + std::to_string(image.Format) +
                              " to A8R8G8B8");
        }
    }
    return out;
}

} // namespace valdmoor
