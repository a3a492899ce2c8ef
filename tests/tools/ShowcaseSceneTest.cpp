#include "ShowcaseScene.h"

#include <gtest/gtest.h>

namespace valdmoor::showcase {
namespace {

// A dark picture with one bright square at X, Y, as the showcase draws shapes on panels.
TPictureImage Picture(int32_t x, int32_t y) {
    TPictureImage image = MakeArgbImage(200, 100);
    for (int32_t row = 0; row < image.Height; ++row) {
        for (int32_t column = 0; column < image.Width; ++column) {
            const bool inside = column >= x && column < x + 20 && row >= y && row < y + 20;
            uint8_t* pixel = image.Row(row) + static_cast<std::ptrdiff_t>(column) * 4;
            pixel[0] = pixel[1] = pixel[2] = inside ? 230 : 30;
            pixel[3] = 255;
        }
    }
    return image;
}

TEST(ShowcaseCompare, RoundingNoiseAndAFewSoftEdgesPass) {
    const TPictureImage expected = Picture(50, 40);
    TPictureImage actual = expected;
    for (std::size_t i = 0; i < actual.Pixels.size(); i += 7) {
        actual.Pixels[i] = static_cast<uint8_t>(actual.Pixels[i] + (i % 2 == 0 ? 3 : -3));
    }
    // An edge a rasterizer shades a little differently.
    for (int32_t row = 40; row < 60; ++row) {
        actual.Row(row)[50 * 4 + 1] = 210;
    }
    EXPECT_TRUE(WithinTolerance(ComparePictures(actual, expected)));
}

TEST(ShowcaseCompare, AShapeMovedByTwoPixelsFails) {
    const TDifference difference = ComparePictures(Picture(52, 40), Picture(50, 40));
    EXPECT_EQ(difference.Largest, 200);
    EXPECT_FALSE(WithinTolerance(difference));
}

TEST(ShowcaseCompare, ASlightlyRecolouredAreaFails) {
    const TPictureImage expected = Picture(50, 40);
    TPictureImage actual = expected;
    for (int32_t row = 0; row < 30; ++row) {
        for (int32_t column = 100; column < 160; ++column) {
            actual.Row(row)[column * 4 + 2] = 40; // red 30 -> 40, under the largest allowed
        }
    }
    EXPECT_FALSE(WithinTolerance(ComparePictures(actual, expected)));
}

TEST(ShowcaseCompare, PicturesOfAnotherSizeFail) {
    TPictureImage other = MakeArgbImage(200, 99);
    EXPECT_FALSE(WithinTolerance(ComparePictures(other, Picture(50, 40))));
}

} // namespace
} // namespace valdmoor::showcase
