#include "video/PictureFiles.h"

#include "app/EngineApplication.h"

#include <climits>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

std::string Le32(std::initializer_list<int32_t> values) {
    std::string out;
    for (int32_t value : values) {
        const auto bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<char>((bits >> shift) & 0xFF));
        }
    }
    return out;
}

std::string Chunk(int32_t id, const std::string& body) {
    return Le32({id, static_cast<int32_t>(body.size())}) + body;
}

// An image chunk with the given header fields and Pixels bytes of data.
std::string ImageChunk(int32_t width, int32_t height, int32_t format, int32_t bytesPerPixel,
                       int32_t pitch, std::size_t pixels) {
    return Chunk(1, Le32({0, width, height, format, bytesPerPixel, pitch}) +
                        std::string(pixels, '\x55'));
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EngineError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(Tpx, WritesAndReadsImagesAndAnimations) {
    TTpxFile file;
    file.Images = {MakeArgbImage(3, 2), MakeArgbImage(1, 1)};
    for (std::size_t i = 0; i < file.Images[0].Pixels.size(); ++i) {
        file.Images[0].Pixels[i] = static_cast<uint8_t>(i * 7);
    }
    file.Animations = {{1, 0, 0.25f, "0-1-0"}, {0, 2, 1.5f, ""}};
    const TTpxFile read = ReadTpx(WriteTpx(file), "test.tpx");
    ASSERT_EQ(read.Images.size(), 2u);
    EXPECT_EQ(read.Images[0].Pixels, file.Images[0].Pixels);
    ASSERT_EQ(read.Animations.size(), 2u);
    EXPECT_EQ(read.Animations[0].Length, 0);
    EXPECT_FLOAT_EQ(read.Animations[0].Time, 0.25f);
    EXPECT_EQ(read.Animations[0].Curve, "0-1-0");
    EXPECT_EQ(read.ImagesBeforeAnimations, 2);

    // Rows padded in the file are kept packed; unknown chunks are skipped.
    const std::string padded =
        Chunk(99, "whatever") + Chunk(1, Le32({0, 2, 2, pfL8, 1, 4}) + "ab__cd__") + Chunk(42, "");
    const TTpxFile l8 = ReadTpx(padded, "padded.tpx");
    ASSERT_EQ(l8.Images.size(), 1u);
    EXPECT_EQ(std::string(l8.Images[0].Pixels.begin(), l8.Images[0].Pixels.end()), "abcd");
}

// Reading in place leaves the pixels where the file has them, padding and all, and checks as
// the copying reader does.
TEST(Tpx, ViewsPointIntoTheFilesBytes) {
    const std::string bytes = Chunk(1, Le32({0, 2, 2, pfL8, 1, 3}) + "ab_cd_") +
                              Chunk(1, Le32({0, 1, 1, pfA8R8G8B8, 4, 4}) + "wxyz");
    const TTpxView view = ViewTpx(bytes, "view.tpx");
    ASSERT_EQ(view.Images.size(), 2u);
    EXPECT_EQ(view.Images[0].Pitch, 3);
    EXPECT_EQ(reinterpret_cast<const char*>(view.Images[0].Pixels), bytes.data() + 32);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.Images[1].Pixels), 4), "wxyz");
    EXPECT_EQ(MessageOf([] { ViewTpx(ImageChunk(4, 4, pfA8R8G8B8, 4, 16, 63), "short.tpx"); }),
              MessageOf([] { ReadTpx(ImageChunk(4, 4, pfA8R8G8B8, 4, 16, 63), "short.tpx"); }));
}

TEST(Tpx, DamagedFilesRaiseNamingTheFile) {
    const std::string good = ImageChunk(2, 2, pfA8R8G8B8, 4, 8, 16);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no image"},
        {good.substr(0, 5), "chunk 1 is cut off"},
        {good.substr(0, good.size() - 1), "chunk 1 claims 40 bytes, but 39 are left"},
        {Le32({1, -4}), "claims -4 bytes"},
        {Chunk(1, Le32({0, 2, 2})), "image 1 is too short for its header"},
        {ImageChunk(100000, 1, pfA8, 1, 100000, 0), "image 1 is 100000 x 1 pixels"},
        {ImageChunk(0, 5, pfA8, 1, 0, 0), "image 1 is 0 x 5 pixels"},
        {ImageChunk(1, -1, pfA8, 1, 1, 0), "image 1 is 1 x -1 pixels"},
        {ImageChunk(2, 2, 77, 4, 8, 16), "unknown pixel format 77"},
        {ImageChunk(2, 2, pfA8, 4, 8, 16), "claims 4 bytes per pixel for format 28"},
        {ImageChunk(2, 2, pfA8R8G8B8, 4, 7, 16), "rows of 7 bytes for 2 pixels"},
        {ImageChunk(2, 2, pfA8R8G8B8, 4, 8, 15),
         "needs 16 bytes of pixels, but its chunk holds 15"},
        {ImageChunk(16384, 16384, pfA8R8G8B8, 4, INT32_MAX, 4), "needs"},
        {good + Chunk(7, Le32({-1})), "counts -1 animations"},
        {good + Chunk(7, Le32({1000000})), "counts 1000000 animations in 0 bytes"},
        {good + Chunk(7, Le32({1, 0, 0, 0, 1 << 30})), "too short for its curve"},
        {good + Chunk(7, Le32({1, 0, 0, 0, -2})), "a curve of -2 bytes"},
        {good + Chunk(8, Le32({0})), "single animation is too short"},
    };
    for (const auto& entry : cases) {
        const std::string message = MessageOf([&] { ReadTpx(entry.first, "G2Bad.tpx"); });
        EXPECT_TRUE(message.starts_with("G2Bad.tpx: ")) << message;
        EXPECT_NE(message.find(entry.second), std::string::npos) << message;
    }

    // Every cut of a good file ends on a chunk boundary, loses only the frame it cuts, or is
    // refused.
    TTpxFile file;
    file.Images = {MakeArgbImage(3, 3), MakeArgbImage(1, 1)};
    file.Animations = {{0, 2, 1, "0-1"}};
    const std::string whole = WriteTpx(file);
    int complete = 0;
    int lostFrame = 0;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        try {
            const TTpxFile cut = ReadTpx(std::string_view(whole).substr(0, length), "cut.tpx");
            if (cut.Skipped.empty()) {
                ++complete;
            } else {
                EXPECT_EQ(cut.Images.size(), 1u);
                ++lostFrame;
            }
        } catch (const EngineError&) {
        }
    }
    EXPECT_EQ(complete, 2);   // after the first image, after the second
    EXPECT_EQ(lostFrame, 28); // every cut inside the second image's 28 bytes of body
}

TEST(Tpx, ADamagedLaterImageIsLeftOutAndTheRestIsRead) {
    const std::string good = ImageChunk(2, 2, pfA8R8G8B8, 4, 8, 16);
    const std::string frame = ImageChunk(1, 1, pfA8, 1, 1, 1);
    const TTpxFile file = ReadTpx(good + ImageChunk(2, 2, 77, 4, 8, 16) + frame +
                                      Chunk(1, Le32({0, 2})) + Chunk(8, Le32({0, 0})),
                                  "G2Frames.tpx");
    ASSERT_EQ(file.Images.size(), 2u);
    EXPECT_EQ(file.Images[1].Format, pfA8);
    ASSERT_EQ(file.Skipped.size(), 2u);
    EXPECT_EQ(file.Skipped[0], "G2Frames.tpx: image 2 has the unknown pixel format 77");
    EXPECT_TRUE(file.Skipped[1].starts_with("G2Frames.tpx: image 4 is too short"))
        << file.Skipped[1];
    EXPECT_EQ(file.Animations.size(), 1u) << "chunks after a bad frame are still read";
    EXPECT_EQ(file.ImagesBeforeAnimations, 2);
}

TEST(Segments, ACountCopiesEntryZeroAndMistakesStopTheReading) {
    TSegmentsFile file = ReadSegmentsFile("# layout\nSEGMENT 0 1 1 2 2 SEGMENTS 3 other 5 words");
    EXPECT_TRUE(file.Error.empty());
    ASSERT_EQ(file.Segments.size(), 3u);
    EXPECT_FALSE(file.Segments[2].Full);
    EXPECT_EQ(file.Segments[2].Width, 2);

    for (const char* text : {"SEGMENTS 2 SEGMENT 1 1 1 1 1 SEGMENT -1 0 0 1 1",
                             "SEGMENTS 2 SEGMENT 1 1 1 1 1 SEGMENT 0 0 0 1",
                             "SEGMENTS 2 SEGMENT 1 1 1 1 1 SEGMENT 0 x 0 1 1",
                             "SEGMENTS 2 SEGMENT 1 1 1 1 1 SEGMENT 0 0 0 1 99999999999",
                             "SEGMENTS 2 SEGMENT 1 1 1 1 1 SEGMENT 0 0 0 1 1-1"}) {
        file = ReadSegmentsFile(text);
        EXPECT_FALSE(file.Error.empty()) << text;
        ASSERT_EQ(file.Segments.size(), 2u) << text;
        EXPECT_FALSE(file.Segments[1].Full) << text;
        EXPECT_TRUE(file.Segments[0].Full) << text;
    }
    EXPECT_FALSE(ReadSegmentsFile("SEGMENTS").Error.empty());
}

TEST(Png, RoundTripsAndRefusesDamage) {
    TPictureImage image = MakeArgbImage(5, 3);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        image.Pixels[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    const std::string png = EncodePng(image);
    EXPECT_EQ(DecodePng(png, "a.png").Pixels, image.Pixels);

    for (const std::string& bytes : {std::string(), std::string("garbage"), png.substr(0, 40),
                                     png.substr(0, png.size() - 20)}) {
        const std::string message = MessageOf([&] { DecodePng(bytes, "G2Broken.png"); });
        EXPECT_TRUE(message.starts_with("G2Broken.png: ")) << message;
    }

    // A header claiming an absurd size is refused before the pixels are allocated.
    std::string huge = png;
    const uint32_t width = 20000;
    for (int i = 0; i < 4; ++i) {
        huge[16 + i] = static_cast<char>(width >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17);
    for (int i = 0; i < 4; ++i) {
        huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    }
    EXPECT_NE(MessageOf([&] { DecodePng(huge, "G2Huge.png"); }).find("G2Huge.png: "),
              std::string::npos);
}

TEST(Png, UnpremultiplyIsTheExactInverseOfTheEnginesRule) {
    TPictureImage image = MakeArgbImage(256, 256);
    for (int32_t a = 0; a < 256; ++a) {
        for (int32_t c = 0; c < 256; ++c) {
            uint8_t* pixel = image.Row(a) + c * 4;
            pixel[0] = static_cast<uint8_t>(c);
            pixel[1] = static_cast<uint8_t>(255 - c);
            pixel[2] = static_cast<uint8_t>(c / 2);
            pixel[3] = static_cast<uint8_t>(a);
        }
    }
    PremultiplyPng(image);
    const TPictureImage stored = image;
    Unpremultiply(image);
    PremultiplyPng(image);
    EXPECT_EQ(image.Pixels, stored.Pixels);
}

std::string EncodeJpeg(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int32_t x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x) * 3] = r;
        row[static_cast<std::size_t>(x) * 3 + 1] = g;
        row[static_cast<std::size_t>(x) * 3 + 2] = b;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

TEST(Jpeg, DecodesOpaquePixelsAndRefusesDamage) {
    const std::string jpeg = EncodeJpeg(16, 8, 200, 100, 50);
    const TPictureImage image = DecodeJpeg(jpeg, "G2Photo.jpg");
    ASSERT_EQ(image.Width, 16);
    ASSERT_EQ(image.Height, 8);
    const uint8_t* pixel = image.Row(4) + 5 * 4;
    EXPECT_NEAR(pixel[0], 50, 3);
    EXPECT_NEAR(pixel[1], 100, 3);
    EXPECT_NEAR(pixel[2], 200, 3);
    EXPECT_EQ(pixel[3], 255);

    for (const std::string& bytes : {std::string(), std::string("\xFF\xD8 garbage"),
                                     jpeg.substr(0, 30), jpeg.substr(0, jpeg.size() - 40)}) {
        const std::string message = MessageOf([&] { DecodeJpeg(bytes, "G2Photo.jpg"); });
        EXPECT_TRUE(message.starts_with("G2Photo.jpg: ")) << message;
    }
}

} // namespace
} // namespace valdmoor
