#include "video/EngineTextures.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "video/PictureFiles.h"
#include "video/null/NullVideoDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <jpeglib.h>
#include <limits>
#include <tuple>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

TPictureImage Picture(int32_t width, int32_t height, TPixelFormat format = pfA8R8G8B8) {
    TPictureImage image;
    image.Width = width;
    image.Height = height;
    image.Format = format;
    image.BytesPerPixel = FormatBytes(format);
    image.Pitch = width * image.BytesPerPixel;
    image.Pixels.assign(static_cast<std::size_t>(image.Pitch) * height, 0);
    return image;
}

std::string Tpx(std::vector<TPictureImage> images, std::vector<TTpxAnimation> animations = {}) {
    TTpxFile file;
    file.Images = std::move(images);
    file.Animations = std::move(animations);
    return WriteTpx(file);
}

std::string Png(const TPictureImage& image) {
    return EncodePng(image);
}

// A grey JPEG of Width x Height.
std::string Jpeg(int32_t width, int32_t height) {
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
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3, 128);
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

class TextureLoading : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        std::filesystem::create_directories(temp.Path() / "Ordinary");
        std::filesystem::create_directories(temp.Path() / "Branding");
        SetStorageFolderPath(sfOrdinary, (temp.Path() / "Ordinary").string());
        SetStorageFolderPath(sfBranding, (temp.Path() / "Branding").string());
    }
    void TearDown() override {
        TexturesStop();
        StorageReset();
        ApplicationStop();
    }

    void Put(std::string_view relative, std::string_view bytes) { temp.Write(relative, bytes); }
    TBaseImageTexture* Get(std::string_view name) {
        return dynamic_cast<TBaseImageTexture*>(GetTexture(name));
    }
    // The bytes of pixel (x, y) as the device received them.
    static std::vector<int> PixelAt(const TTexture* texture, int32_t x, int32_t y) {
        const auto& gpu = static_cast<const TNullTexture&>(*texture->Gpu);
        const auto bytes = static_cast<std::size_t>(FormatBytes(gpu.Format()));
        const uint8_t* pixel =
            gpu.Pixels.data() + (static_cast<std::size_t>(y) * gpu.Width() + x) * bytes;
        return std::vector<int>(pixel, pixel + bytes);
    }
    static bool HasLine(const std::string& line) {
        const std::vector<std::string> lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test::TTempFolder temp;
    TNullVideoDevice device;
};

TEST_F(TextureLoading, PowerOfTwoDevicesGetPaddedTexturesWithRepeatedEdges) {
    TPictureImage image = Picture(100, 60);
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            uint8_t* pixel = image.Row(y) + x * 4;
            pixel[1] = static_cast<uint8_t>(y);
            pixel[2] = static_cast<uint8_t>(x);
            pixel[3] = 255;
        }
    }
    Put("Ordinary/G2Pad.png", Png(image));
    device.TexturePow2Only = true;
    TexturesStart(device);

    const TTexture* texture = GetTexture("G2Pad");
    EXPECT_EQ(texture->Width, 128);
    EXPECT_EQ(texture->Height, 64);
    const TSegment& segment = texture->SegmentAt(0);
    EXPECT_FLOAT_EQ(segment.ScaleU, 0.78125f);
    EXPECT_FLOAT_EQ(segment.ScaleV, 0.9375f);
    EXPECT_FLOAT_EQ(segment.PixelWidth, 100);
    for (int32_t y : {0, 59}) {
        EXPECT_EQ(PixelAt(texture, 100, y), PixelAt(texture, 99, y));
        EXPECT_EQ(PixelAt(texture, 101, y)[3], 0) << "only one column is repeated";
    }
    for (int32_t x : {0, 99, 100}) {
        EXPECT_EQ(PixelAt(texture, x, 60), PixelAt(texture, x, 59));
        EXPECT_EQ(PixelAt(texture, x, 61)[3], 0);
    }
    EXPECT_EQ(PixelAt(texture, 100, 60)[2], 99);

    TexturesStop();
    device.TexturePow2Only = false;
    TexturesStart(device);
    EXPECT_EQ(GetTexture("G2Pad")->Width, 100);
    EXPECT_FLOAT_EQ(GetTexture("G2Pad")->SegmentAt(0).ScaleU, 1.0f);
}

TEST_F(TextureLoading, PngPixelsArePremultipliedDividingBy256) {
    TPictureImage image = Picture(4, 1);
    const uint8_t straight[16] = {1,  100, 255, 128, 255, 255, 255, 0,
                                  50, 100, 200, 255, 255, 255, 255, 1};
    std::memcpy(image.Pixels.data(), straight, 16);
    Put("Branding/G2Alpha.png", Png(image));
    TexturesStart(device);

    const TTexture* texture = GetTexture("G2Alpha");
    EXPECT_EQ(PixelAt(texture, 0, 0), (std::vector<int>{0, 50, 127, 128}));
    EXPECT_EQ(PixelAt(texture, 1, 0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(texture, 2, 0), (std::vector<int>{50, 100, 200, 255}));
    EXPECT_EQ(PixelAt(texture, 3, 0), (std::vector<int>{0, 0, 0, 1}));
}

TEST_F(TextureLoading, MissingFormatsFallBackToWiderOnes) {
    struct TCase {
        TPixelFormat Stored;
        bool HasA8, HasL8, HasA8L8;
        TPixelFormat Expected;
        std::vector<int> Pixel;
    };
    // Stored pixels: A8 0x40, L8 0x80, A8L8 (l 0x10, a 0x20).
    const std::vector<TCase> cases = {
        {pfA8, true, true, true, pfA8, {0x40}},
        {pfA8, false, true, true, pfA8L8, {255, 0x40}},
        {pfA8, false, true, false, pfA8R8G8B8, {255, 255, 255, 0x40}},
        {pfL8, true, false, true, pfA8L8, {0x80, 255}},
        {pfL8, true, false, false, pfA8R8G8B8, {0x80, 0x80, 0x80, 255}},
        {pfA8L8, true, true, false, pfA8R8G8B8, {0x10, 0x10, 0x10, 0x20}},
    };
    int number = 0;
    for (const TCase& c : cases) {
        const std::string name = "G2Format" + std::to_string(++number);
        // 3 x 1 on a power-of-two device: the padding copies one whole widened pixel.
        TPictureImage image = Picture(3, 1, c.Stored);
        for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
            image.Pixels[i] =
                c.Stored == pfA8L8 ? (i % 2 == 0 ? 0x10 : 0x20) : (c.Stored == pfA8 ? 0x40 : 0x80);
        }
        Put("Ordinary/" + name + ".tpx", Tpx({image}));
        device.TexturePow2Only = true;
        device.HasA8 = c.HasA8;
        device.HasL8 = c.HasL8;
        device.HasA8L8 = c.HasA8L8;
        TexturesStart(device);
        const TTexture* texture = GetTexture(name);
        ASSERT_NE(texture->Gpu, nullptr) << name;
        EXPECT_EQ(texture->Gpu->Format(), c.Expected) << name;
        EXPECT_EQ(texture->Width, 4);
        for (int32_t x : {0, 2, 3}) {
            EXPECT_EQ(PixelAt(texture, x, 0), c.Pixel) << name << " pixel " << x;
        }
    }
}

TEST_F(TextureLoading, AMissingPictureShowsTheStandInUnderItsOwnName) {
    Put("Ordinary/G2Unknown.tpx", Tpx({Picture(8, 4), Picture(8, 4)}));
    Put("Ordinary/G2Nothing.tsg", "SEGMENTS 3");
    TexturesStart(device);

    TBaseImageTexture* texture = Get("G2Nothing");
    EXPECT_EQ(texture->Name(), "G2Nothing");
    EXPECT_EQ(texture->Width, 8);
    EXPECT_EQ(texture->FrameCount(), 2);
    EXPECT_EQ(texture->SegmentCount(), 1) << "no segments file is read for the stand-in";
    EXPECT_TRUE(HasLine("Failed to create texture \"G2Nothing\" (Missing file)"));
    EXPECT_EQ(Get("G2Nothing"), texture);
    EXPECT_EQ(texture->References, 2);
    ReleaseTexture(texture);
    EXPECT_EQ(texture->References, 1);
}

TEST_F(TextureLoading, BrokenPicturesAreEmptyAndLogged) {
    std::string cut = Tpx({Picture(16, 16)});
    cut.resize(cut.size() - 5);
    Put("Ordinary/G2Cut.tpx", cut);
    Put("Ordinary/G2Cut.tsg", "SEGMENTS 4");
    Put("Ordinary/G2Garbage.png", "not a png at all");
    Put("Ordinary/G2Fine.png", Png(Picture(4, 4)));
    TexturesStart(device);

    for (const char* name : {"G2Cut", "G2Garbage"}) {
        const TTexture* texture = GetTexture(name);
        EXPECT_EQ(texture->Width, 1) << name;
        EXPECT_EQ(texture->Height, 1) << name;
        EXPECT_EQ(texture->Gpu, nullptr) << name;
        ASSERT_EQ(texture->SegmentCount(), 1) << name;
        EXPECT_FLOAT_EQ(texture->SegmentAt(0).PixelWidth, 1.0f);
    }
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("Failed to create texture \"G2Cut\" (G2Cut.tpx: chunk 1 ") &&
                lines[0].ends_with(")"))
        << lines[0];

    // A device that cannot make the texture leaves the picture 1 x 1 too.
    device.FailTextures = true;
    EXPECT_EQ(GetTexture("G2Fine")->Width, 1);
    EXPECT_TRUE(HasLine("Failed to create texture \"G2Fine\" (Failed to create texture)"));
}

TEST_F(TextureLoading, LoadingOrderIsTpxPngThenBrandingJpgAndPng) {
    Put("Ordinary/G2A.tpx", Tpx({Picture(1, 1)}));
    Put("Ordinary/G2A.png", Png(Picture(2, 1)));
    Put("Ordinary/G2B.png", Png(Picture(2, 1)));
    Put("Branding/G2B.png", Png(Picture(3, 1)));
    Put("Branding/G2C.png", Png(Picture(3, 1)));
    Put("Branding/G2C.tsg", "SEGMENTS 5"); // segments come only from the ordinary folder
    TexturesStart(device);

    EXPECT_EQ(GetTexture("G2A")->Width, 1);
    EXPECT_EQ(GetTexture("G2B")->Width, 2);
    EXPECT_EQ(GetTexture("G2C")->Width, 3);
    EXPECT_EQ(GetTexture("G2C")->SegmentCount(), 1);
    EXPECT_TRUE(LogEmpty());

    // Branding photos come before branding ".png" pictures; ".jpg" files elsewhere are not
    // pictures of the game.
    Put("Branding/G2D.jpg", Jpeg(5, 1));
    Put("Branding/G2D.png", Png(Picture(3, 1)));
    Put("Ordinary/G2E.jpg", Jpeg(5, 1));
    Put("Ordinary/G2Unknown.tpx", Tpx({Picture(7, 1)}));
    EXPECT_EQ(GetTexture("G2D")->Width, 5);
    EXPECT_EQ(GetTexture("G2E")->Width, 7);
    EXPECT_TRUE(HasLine("Failed to create texture \"G2E\" (Missing file)"));
}

TEST_F(TextureLoading, ADamagedFrameIsSkippedAndLoggedWhileThePictureLoads) {
    std::string frames = Tpx({Picture(4, 4), Picture(2, 2), Picture(4, 4)});
    // The second image claims a pixel format no picture has (its header's fourth field).
    const std::size_t second = 8 + 24 + 4 * 4 * 4;
    frames[second + 8 + 12] = 77;
    Put("Ordinary/G2Frames.tpx", frames);
    TexturesStart(device);

    const TTexture* texture = GetTexture("G2Frames");
    EXPECT_EQ(texture->Width, 4);
    EXPECT_NE(texture->Gpu, nullptr);
    EXPECT_EQ(texture->FrameCount(), 2);
    EXPECT_TRUE(HasLine("Failed to create texture \"G2Frames\" (G2Frames.tpx: image 2 has the "
                        "unknown pixel format 77)"));
}

TEST_F(TextureLoading, SegmentsFilesDivideByTheTextureSize) {
    Put("Ordinary/G2Zero.png", Png(Picture(64, 32)));
    Put("Ordinary/G2Zero.tsg", "SEGMENTS 0");
    Put("Ordinary/G2Many.png", Png(Picture(64, 32)));
    Put("Ordinary/G2Many.tsg", "SEGMENTS 5000\nSEGMENT 1 16 8 32 16\n");
    Put("Ordinary/G2Padded.png", Png(Picture(100, 60)));
    Put("Ordinary/G2Padded.tsg", "SEGMENT 0 10 20 30 40");
    device.TexturePow2Only = true;
    TexturesStart(device);

    EXPECT_EQ(GetTexture("G2Zero")->SegmentCount(), 1);
    const TTexture* many = GetTexture("G2Many");
    ASSERT_EQ(many->SegmentCount(), 4096);
    const TSegment& one = many->SegmentAt(1);
    EXPECT_FLOAT_EQ(one.ScaleU, 0.5f);
    EXPECT_FLOAT_EQ(one.ScaleV, 0.5f);
    EXPECT_FLOAT_EQ(one.OffsetU, 0.25f);
    EXPECT_FLOAT_EQ(one.OffsetV, 0.25f);
    EXPECT_FLOAT_EQ(many->SegmentAt(4095).PixelWidth, 64) << "new entries copy the whole picture";

    const TSegment& padded = GetTexture("G2Padded")->SegmentAt(0);
    EXPECT_FLOAT_EQ(padded.ScaleU, 30.0f / 128);
    EXPECT_FLOAT_EQ(padded.OffsetV, 20.0f / 64);

    // Frame sizes clamp the frame number.
    int32_t width = 0;
    int32_t height = 0;
    GetFrameSize(many, -3, width, height);
    EXPECT_EQ(width, 64);
    GetFrameSize(many, 99999, width, height);
    EXPECT_EQ(width, 64);
    GetFrameSize(many, 1, width, height);
    EXPECT_EQ(height, 16);
    EXPECT_FLOAT_EQ(GetFrameAspect(many, 1), 2.0f);
    EXPECT_TRUE(LogEmpty());
}

TEST_F(TextureLoading, ABadSegmentStopsTheFileButKeepsWhatCameBefore) {
    Put("Ordinary/G2Bad.png", Png(Picture(10, 10)));
    Put("Ordinary/G2Bad.tsg", "SEGMENTS 3 SEGMENT 1 1 2 3 4 SEGMENT 3 0 0 1 1 SEGMENT 2 5 5 5 5");
    TexturesStart(device);

    const TTexture* bad = GetTexture("G2Bad");
    ASSERT_EQ(bad->SegmentCount(), 3);
    EXPECT_FLOAT_EQ(bad->SegmentAt(1).PixelWidth, 3);
    EXPECT_FLOAT_EQ(bad->SegmentAt(2).PixelWidth, 10) << "read after the bad entry";
    EXPECT_TRUE(HasLine("Failed to load texture segments \"G2Bad\""));
}

TEST_F(TextureLoading, PicturesOfOneLayoutShareOneSegmentList) {
    Put("Ordinary/G2Square06.tsg", "SEGMENTS 2 SEGMENT 1 0 0 4 4");
    for (const char* name :
         {"G2Square06Red", "G2Square06Blue", "G2Square06Own", "K3Tiles", "K1Tiles"}) {
        Put(std::string("Ordinary/") + name + ".png", Png(Picture(8, 8)));
    }
    Put("Ordinary/G2Square06Own.tsg", "SEGMENTS 3");
    Put("Ordinary/K3Tiles.tsg", "SEGMENTS 3");
    Put("Ordinary/K0.tsg", "SEGMENTS 7");
    TexturesStart(device);

    TBaseImageTexture* red = Get("G2Square06Red");
    EXPECT_EQ(red->SegmentsName, "G2Square06");
    EXPECT_EQ(red->SegmentCount(), 2);
    EXPECT_EQ(Get("G2Square06Blue")->Segments, red->Segments);
    EXPECT_EQ(Get("G2Square06Own")->SegmentsName, "G2Square06Own");
    EXPECT_EQ(Get("G2Square06Own")->SegmentCount(), 3);
    EXPECT_EQ(Get("K3Tiles")->SegmentCount(), 1);
    EXPECT_EQ(Get("K1Tiles")->SegmentCount(), 7);
}

TEST_F(TextureLoading, AStandInNeverLendsItsSegmentsToALayout) {
    Put("Ordinary/G2Unknown.tpx", Tpx({Picture(2, 2)}));
    Put("Ordinary/G2Square09Broken.png", "broken");
    Put("Ordinary/G2Square09.tsg", "SEGMENTS 4");
    Put("Ordinary/G2Square09Fine.png", Png(Picture(8, 8)));
    TexturesStart(device);

    GetTexture("G2Square09"); // missing: shows the stand-in's single segment
    GetTexture("G2Square09Broken");
    EXPECT_EQ(GetTexture("G2Square09Fine")->SegmentCount(), 4);
}

// Pictures go to the device straight from the file's bytes; rows padded in the file arrive
// packed, also when the padding is no whole number of pixels.
TEST_F(TextureLoading, PaddedTpxRowsReachTheDevicePacked) {
    const auto le32 = [](std::initializer_list<int32_t> values) {
        std::string out;
        for (const int32_t value : values) {
            for (int shift = 0; shift < 32; shift += 8) {
                out.push_back(static_cast<char>((static_cast<uint32_t>(value) >> shift) & 0xFF));
            }
        }
        return out;
    };
    std::string wholePixels = "ABCDEFGHabcdefgh"; // 2 x 2 pixels, rows padded to 12 bytes
    wholePixels.insert(8, "1234");
    wholePixels += "5678";
    std::string oddPixels = "ABCDEFGHabcdefgh"; // rows padded to 10 bytes
    oddPixels.insert(8, "12");
    oddPixels += "34";
    for (const auto& [name, pitch, pixels] :
         {std::tuple{"G2Whole", 12, wholePixels}, std::tuple{"G2Odd", 10, oddPixels}}) {
        const std::string body = le32({0, 2, 2, pfA8R8G8B8, 4, pitch}) + pixels;
        Put(std::string("Ordinary/") + name + ".tpx",
            le32({1, static_cast<int32_t>(body.size())}) + body);
    }
    TexturesStart(device);
    for (const char* name : {"G2Whole", "G2Odd"}) {
        const TTexture* texture = GetTexture(name);
        EXPECT_EQ(texture->Width, 2) << name;
        const auto& gpu = static_cast<const TNullTexture&>(*texture->Gpu);
        EXPECT_EQ(std::string(gpu.Pixels.begin(), gpu.Pixels.end()), "ABCDEFGHabcdefgh") << name;
    }
}

TEST_F(TextureLoading, FramesAndAnimationsComeFromTheTpx) {
    const TPictureImage small = Picture(4, 4);
    Put("Ordinary/G2Anim.tpx",
        Tpx({small, small, Picture(8, 4)},
            {{0, 0, 2.0f, ""}, {1, 2, 0.5f, "0|1"}, {-7, 3, 0, ""}, {1000, 1, 0, ""}}));
    Put("Ordinary/G2Anim.tsg", "SEGMENTS 2");
    TexturesStart(device);

    TBaseImageTexture* texture = Get("G2Anim");
    ASSERT_EQ(texture->FrameCount(), 3);
    TFrameImageTexture* first = texture->Frames->ItemAt(1);
    TFrameImageTexture* second = texture->Frames->ItemAt(2);
    EXPECT_EQ(first->Name(), "G2Anim");
    EXPECT_TRUE(first->SharesSegments);
    EXPECT_EQ(first->Segments, texture->Segments) << "equal-sized frames get the file's segments";
    EXPECT_EQ(texture->SegmentCount(), 2);
    EXPECT_FALSE(second->SharesSegments);
    EXPECT_EQ(second->SegmentCount(), 1);

    EXPECT_EQ(texture->AnimationLength(1), 3) << "length 0 covers every frame";
    EXPECT_FLOAT_EQ(texture->AnimationTime(1), 2.0f);
    EXPECT_EQ(texture->AnimationCurve(2), "0|1");
    EXPECT_EQ(texture->AnimationLength(5), 1);

    EXPECT_EQ(texture->FrameAt(1, 0.0f), texture);
    EXPECT_EQ(texture->FrameAt(1, 0.3f), first);  // round(0.9)
    EXPECT_EQ(texture->FrameAt(1, 0.5f), second); // round(1.5), half to even
    EXPECT_EQ(texture->FrameAt(1, 7.0f), second); // forced to the last frame
    EXPECT_EQ(texture->FrameAt(1, -5.0f), texture);
    EXPECT_EQ(texture->FrameAt(1, std::numeric_limits<float>::quiet_NaN()), texture);
    EXPECT_EQ(texture->FrameAt(2, 0.4f), first);
    EXPECT_EQ(texture->FrameAt(2, 0.6f), second);
    EXPECT_EQ(texture->FrameAt(3, 0.9f), texture); // a frame number below 1
    EXPECT_EQ(texture->FrameAt(4, 0.5f), texture); // beyond the frames
    EXPECT_EQ(texture->FrameAt(9, 0.5f), texture);
    EXPECT_EQ(first->FrameAt(2, 0.6f), second) << "frames answer for their picture";
    EXPECT_EQ(second->AnimationCount(), 4);
}

TEST_F(TextureLoading, AllFramesMeansTheFramesBeforeTheAnimationChunk) {
    // Image, single-animation chunk (id 8: time 1.0, curve "0-1"), then two more images.
    const std::string image = Tpx({Picture(2, 2)});
    const std::string single("\x08\0\0\0\x0B\0\0\0\0\0\x80\x3F\x03\0\0\0"
                             "0-1",
                             19);
    Put("Ordinary/G2Single.tpx", image + single + image + image);
    TexturesStart(device);

    const TTexture* texture = GetTexture("G2Single");
    EXPECT_EQ(texture->FrameCount(), 3);
    ASSERT_EQ(texture->AnimationCount(), 1);
    EXPECT_EQ(texture->AnimationLength(1), 1);
    EXPECT_FLOAT_EQ(texture->AnimationTime(1), 1.0f);
    EXPECT_EQ(texture->AnimationCurve(1), "0-1");
}

TEST_F(TextureLoading, EmptyTextureIsOneTransparentPixel) {
    TexturesStart(device);
    ASSERT_NE(EmptyTexture()->Gpu, nullptr);
    EXPECT_EQ(PixelAt(EmptyTexture(), 0, 0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(EmptyTexture()->Smooth);

    device.FailTextures = true;
    TexturesStart(device);
    EXPECT_EQ(EmptyTexture()->Gpu, nullptr);
    EXPECT_TRUE(HasLine("Failed to create empty texture (Failed to create texture)"));
}

TEST_F(TextureLoading, RenderTargetsRoundUpAndRecreateOnlyWhenNeeded) {
    device.TexturePow2Only = true;
    TexturesStart(device);
    TRenderTargetTexture target;
    SetRenderTargetSize(target, 100, 64);
    EXPECT_EQ(target.Width, 128);
    EXPECT_FALSE(target.Exact);
    ASSERT_TRUE(CreateRenderTarget(target, pfA8R8G8B8));
    const TGpuTexture* gpu = target.Gpu.get();
    EXPECT_TRUE(gpu->RenderTarget());

    SetRenderTargetSize(target, 128, 64);
    EXPECT_TRUE(target.Exact);
    EXPECT_TRUE(CreateRenderTarget(target, pfA8R8G8B8));
    EXPECT_EQ(target.Gpu.get(), gpu) << "the same size keeps the surface";
    SetRenderTargetSize(target, 256, 64);
    EXPECT_EQ(target.Gpu, nullptr);
}

TEST(TextureSegments, GridCellsAreScaledAndPlacedRowByRow) {
    TRenderTargetTexture target;
    target.Width = 256;
    target.Height = 128;
    MakeGridSegments(target, 2, 4, 10, 20, 2, 2, 3);
    ASSERT_EQ(target.SegmentCount(), 6);
    const TSegment& cell = target.SegmentAt(5); // row 1, column 2
    EXPECT_FLOAT_EQ(cell.ScaleU, 20.0f / 256);
    EXPECT_FLOAT_EQ(cell.ScaleV, 40.0f / 128);
    EXPECT_FLOAT_EQ(cell.OffsetU, (2 * 20.0f + 4) / 256);
    EXPECT_FLOAT_EQ(cell.OffsetV, (40.0f + 8) / 128);
    EXPECT_FLOAT_EQ(cell.PixelHeight, 40);
}

TEST(EvaluateCurve, FollowsTheCurveCharacters) {
    // 0-1-1-0: up over the first third, flat, down over the last third.
    EXPECT_FLOAT_EQ(EvaluateCurve("0-1-1-0", 0.0f), 0.0f);
    EXPECT_NEAR(EvaluateCurve("0-1-1-0", 1.0f / 6), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(EvaluateCurve("0-1-1-0", 0.5f), 1.0f);
    EXPECT_NEAR(EvaluateCurve("0-1-1-0", 5.0f / 6), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(EvaluateCurve("0-1-1-0", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(EvaluateCurve("", 0.3f), 0.3f);
    EXPECT_FLOAT_EQ(EvaluateCurve("0|1", 0.6f), 1.0f);
    EXPECT_FLOAT_EQ(EvaluateCurve("0|1", 0.4f), 0.0f);
    // Short and even-length curves start from an implicit "0"; one character ends at "1".
    EXPECT_FLOAT_EQ(EvaluateCurve("|", 0.6f), 1.0f);
    EXPECT_FLOAT_EQ(EvaluateCurve("-5", 0.5f), 0.25f);
    EXPECT_FLOAT_EQ(EvaluateCurve("-1-0", 0.25f), 0.5f);
    EXPECT_FLOAT_EQ(EvaluateCurve("-1-0", 0.75f), 0.5f);
    // Value characters: "o" 0.1, digits tenths, anything else 1; equal ends are flat.
    EXPECT_FLOAT_EQ(EvaluateCurve("o-9", 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(EvaluateCurve("2-x", 0.0f), 0.2f);
    EXPECT_FLOAT_EQ(EvaluateCurve("7-7", 0.3f), 0.7f);
    // Past either end the outer step continues, and nothing outside the curve is read.
    EXPECT_FLOAT_EQ(EvaluateCurve("0-1", 2.0f), 2.0f);
    EXPECT_FLOAT_EQ(EvaluateCurve("0-1-0", -3.0f), -6.0f); // two steps: f = 2 x T
    EXPECT_FLOAT_EQ(EvaluateCurve("1|0-1", -100.0f), 1.0f);
    EXPECT_TRUE(std::isnan(EvaluateCurve("0-1-0", std::numeric_limits<float>::quiet_NaN())));
}

} // namespace
} // namespace valdmoor
