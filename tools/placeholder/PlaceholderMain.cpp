// valdmoor-placeholder: paints the picture the game shows in place of a missing one, a
// magenta and black checkerboard with a white question mark, so that a gap in the content is
// impossible to overlook.
#include "ToolFiles.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>

namespace valdmoor::tools {
namespace {

constexpr std::array<const char*, 7> QuestionMark = {
    ".###.", //
    "#...#", //
    "....#", //
    "...#.", //
    "..#..", //
    ".....", //
    "..#..", //
};

TPictureImage Paint(int32_t size) {
    TPictureImage image = MakeArgbImage(size, size);
    const int32_t checker = std::max(size / 8, 1);
    // The mark fills about two thirds of the height, centred, with a black rim around it.
    const int32_t scale = std::max(size * 2 / 3 / 7, 1);
    const int32_t left = (size - 5 * scale) / 2;
    const int32_t top = (size - 7 * scale) / 2;
    const int32_t rim = std::max(scale / 3, 1);
    auto inMark = [&](int32_t x, int32_t y) {
        if (x < left || y < top || x >= left + 5 * scale || y >= top + 7 * scale) {
            return false;
        }
        return QuestionMark[static_cast<std::size_t>((y - top) / scale)][(x - left) / scale] == '#';
    };
    auto nearMark = [&](int32_t x, int32_t y) {
        for (int32_t dy = -rim; dy <= rim; ++dy) {
            for (int32_t dx = -rim; dx <= rim; ++dx) {
                if (inMark(x + dx, y + dy)) {
                    return true;
                }
            }
        }
        return false;
    };
    for (int32_t y = 0; y < size; ++y) {
        uint8_t* pixel = image.Row(y);
        for (int32_t x = 0; x < size; ++x, pixel += 4) {
            const bool mark = inMark(x, y);
            const bool magenta =
                !mark && !nearMark(x, y) && ((x / checker) + (y / checker)) % 2 == 0;
            pixel[0] = mark || magenta ? 255 : 0; // blue
            pixel[1] = mark ? 255 : 0;            // green
            pixel[2] = pixel[0];                  // red
            pixel[3] = 255;
        }
    }
    return image;
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    std::string output;
    int32_t size = 64;
    CLI::App app{"Paints the stand-in picture for missing pictures as a PNG."};
    app.add_option("output", output, "the PNG file to write")->required();
    app.add_option("--size", size, "width and height in pixels")->check(CLI::Range(16, 1024));
    CLI11_PARSE(app, argc, argv);
    try {
        valdmoor::tools::WritePng(output, valdmoor::tools::Paint(size));
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-placeholder: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
