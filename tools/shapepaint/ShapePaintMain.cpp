// valdmoor-shapepaint: paints white shapes with soft edges as PNG pictures (straight alpha;
// the packer premultiplies them): the grid of particle shapes the effects pick by frame, and
// the pieces of the framed boxes and balloons that texts sit in. Tinting gives them colour.
#include "ToolFiles.h"
#include "app/EngineApplication.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iostream>
#include <numbers>

namespace valdmoor::tools {
namespace {

// Coverage 0 .. 1 of a point, in pixels from the top-left of the shape's own area.
using TShape = std::function<float(float, float)>;

constexpr int32_t Samples = 4; // per axis, per pixel

float Clamp01(float value) {
    return std::clamp(value, 0.0f, 1.0f);
}

// Coverage of each pixel of a Width x Height area, from Samples x Samples points.
void Fill(TPictureImage& image, int32_t left, int32_t top, int32_t width, int32_t height,
          const TShape& shape) {
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            float sum = 0;
            for (int32_t sy = 0; sy < Samples; ++sy) {
                for (int32_t sx = 0; sx < Samples; ++sx) {
                    sum += shape(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / Samples,
                                 static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / Samples);
                }
            }
            uint8_t* pixel = image.Row(top + y) + static_cast<std::ptrdiff_t>(left + x) * 4;
            pixel[0] = pixel[1] = pixel[2] = 255;
            pixel[3] = static_cast<uint8_t>(
                std::lround(Clamp01(sum / static_cast<float>(Samples * Samples)) * 255.0f));
        }
    }
}

// A piece that a sprite stretches: painted inside a one-pixel rim that repeats its edge
// pixels, so filtering at the segment's border never pulls in a neighbour.
void FillPadded(TPictureImage& image, int32_t left, int32_t top, int32_t width, int32_t height,
                const TShape& shape) {
    Fill(image, left + 1, top + 1, width, height, shape);
    for (int32_t y = 0; y < height + 2; ++y) {
        for (int32_t x = 0; x < width + 2; ++x) {
            const int32_t sx = std::clamp(x, 1, width);
            const int32_t sy = std::clamp(y, 1, height);
            const uint8_t* source =
                image.Row(top + sy) + static_cast<std::ptrdiff_t>(left + sx) * 4;
            uint8_t* target = image.Row(top + y) + static_cast<std::ptrdiff_t>(left + x) * 4;
            std::copy(source, source + 4, target);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Particles: shapes centred in square cells, faded out well before the cell's edge.

using TParticleShape = float (*)(float x, float y); // x, y in -1 .. 1 across the cell

float SoftDot(float x, float y) {
    const float d = 1.0f - (x * x + y * y) / 0.81f;
    return d > 0 ? d * d : 0.0f;
}

float SoftRing(float x, float y) {
    const float r = std::hypot(x, y);
    const float d = (r - 0.68f) / 0.14f;
    return r < 0.92f ? std::exp(-d * d) * Clamp01((0.92f - r) * 8.0f) : 0.0f;
}

// Four points on the axes with a glowing core.
float Star4(float x, float y) {
    const float d = (std::sqrt(std::fabs(x)) + std::sqrt(std::fabs(y))) / std::sqrt(0.9f);
    const float star = Clamp01((1.0f - d) * 2.5f);
    return Clamp01(star * star + 0.6f * SoftDot(x * 2.2f, y * 2.2f));
}

float Disc(float x, float y) {
    return std::hypot(x, y) < 0.8f ? 1.0f : 0.0f;
}

// A streak along the vertical, for sparks that fly.
float Streak(float x, float y) {
    return SoftDot(x * 4.0f, y * 1.05f);
}

// A cloud of overlapping puffs, for smoke and dust.
float Puff(float x, float y) {
    constexpr std::array<std::array<float, 3>, 5> Puffs = {{
        {0.0f, 0.05f, 0.55f},
        {-0.3f, -0.2f, 0.4f},
        {0.32f, -0.15f, 0.42f},
        {-0.2f, 0.3f, 0.38f},
        {0.25f, 0.32f, 0.36f},
    }};
    float a = 0;
    for (const auto& p : Puffs) {
        a = std::max(a, SoftDot((x - p[0]) * 0.9f / p[2], (y - p[1]) * 0.9f / p[2]));
    }
    return a * 0.85f;
}

// Eight thin rays, for a flash.
float Flare(float x, float y) {
    const float r = std::hypot(x, y);
    if (r > 0.9f) {
        return 0.0f;
    }
    const float angle = std::atan2(y, x);
    const float ray = std::pow(std::fabs(std::cos(4.0f * angle)), 40.0f);
    const float weight = std::fabs(std::cos(2.0f * angle)) > 0.7f ? 1.0f : 0.55f;
    return Clamp01(ray * weight * (1.0f - r / 0.9f) + SoftDot(x * 2.5f, y * 2.5f));
}

float Diamond(float x, float y) {
    return Clamp01((0.85f - std::fabs(x) - std::fabs(y)) * 4.0f);
}

float WideDot(float x, float y) {
    return SoftDot(x * 0.95f, y * 0.95f) * 0.5f + SoftDot(x * 1.6f, y * 1.6f) * 0.5f;
}

float SoftSquare(float x, float y) {
    return Clamp01((0.7f - std::max(std::fabs(x), std::fabs(y))) * 6.0f);
}

float Plus(float x, float y) {
    const float bar = std::min(std::fabs(x), std::fabs(y));
    return Clamp01((0.12f - bar) * 12.0f) * Clamp01((0.85f - std::hypot(x, y)) * 8.0f);
}

// A wide glow that falls off slowly, for light behind things.
float Glow(float x, float y) {
    const float r2 = (x * x + y * y) / 0.85f;
    return r2 < 1.0f ? std::exp(-3.0f * r2) * (1.0f - r2) : 0.0f;
}

// Frame numbers are what effect files name: 0 dot, 1 ring, 2 star, 8 the default's dot.
constexpr std::array<TParticleShape, 12> ParticleShapes = {
    SoftDot, SoftRing, Star4, Disc, Streak, Puff, Flare, Diamond, WideDot, SoftSquare, Plus, Glow,
};
constexpr int32_t ParticleColumns = 4;

TPictureImage PaintParticles(int32_t cell) {
    const int32_t rows = static_cast<int32_t>(ParticleShapes.size()) / ParticleColumns;
    TPictureImage image = MakeArgbImage(cell * ParticleColumns, cell * rows);
    const float half = 0.5f * static_cast<float>(cell);
    for (std::size_t i = 0; i < ParticleShapes.size(); ++i) {
        const TParticleShape shape = ParticleShapes[i];
        const auto column = static_cast<int32_t>(i) % ParticleColumns;
        const auto row = static_cast<int32_t>(i) / ParticleColumns;
        Fill(image, column * cell, row * cell, cell, cell,
             [&](float x, float y) { return shape((x - half) / half, (y - half) / half); });
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Frames: the eight pieces of a rounded box (top, top-right, right, bottom-right, bottom,
// bottom-left, left, top-left), cut from a box of 3 x 3 corner cells, each in a padded cell.

constexpr std::array<std::array<int32_t, 2>, 8> PieceCells = {{
    {1, 0},
    {2, 0},
    {2, 1},
    {2, 2},
    {1, 2},
    {0, 2},
    {0, 1},
    {0, 0},
}};

// Inside a box of Size x Size with corners rounded by Radius, inset by Inset.
bool InRoundedBox(float x, float y, float size, float radius, float inset) {
    const float r = std::max(radius - inset, 0.0f);
    const float lo = inset + r;
    const float hi = size - inset - r;
    const float dx = x < lo ? lo - x : (x > hi ? x - hi : 0.0f);
    const float dy = y < lo ? lo - y : (y > hi ? y - hi : 0.0f);
    if (x < inset || y < inset || x > size - inset || y > size - inset) {
        return false;
    }
    return dx * dx + dy * dy <= r * r;
}

TShape BoxShape(int32_t corner, int32_t line) {
    const auto size = static_cast<float>(3 * corner);
    const auto radius = static_cast<float>(corner);
    const auto width = static_cast<float>(line);
    return [=](float x, float y) {
        const bool outer = InRoundedBox(x, y, size, radius, 0.0f);
        const bool inner = line > 0 && InRoundedBox(x, y, size, radius, width);
        return outer && !inner ? 1.0f : 0.0f;
    };
}

void PaintPieces(TPictureImage& image, int32_t corner, const TShape& box) {
    const float c = static_cast<float>(corner);
    for (std::size_t i = 0; i < PieceCells.size(); ++i) {
        const float cellX = static_cast<float>(PieceCells[i][0]) * c;
        const float cellY = static_cast<float>(PieceCells[i][1]) * c;
        FillPadded(image, static_cast<int32_t>(i) * (corner + 2), 0, corner, corner,
                   [&](float x, float y) { return box(cellX + x, cellY + y); });
    }
}

// Line 0 paints a filled box, else an outline that many pixels wide.
TPictureImage PaintSquare(int32_t corner, int32_t line) {
    TPictureImage image = MakeArgbImage(8 * (corner + 2), corner + 2);
    PaintPieces(image, corner, BoxShape(corner, line));
    return image;
}

// A filled balloon: the box pieces in the first row, then the pointers for the top, right,
// bottom and left sides. A pointer continues its side's edge band (Corner deep) and narrows
// to a tip.
TPictureImage PaintBallon(int32_t corner, int32_t pointer) {
    const int32_t width = std::max(8 * (corner + 2), 4 * (pointer + 2));
    TPictureImage image = MakeArgbImage(width, corner + 2 + pointer + 2);
    PaintPieces(image, corner, BoxShape(corner, 0));
    const auto p = static_cast<float>(pointer);
    const auto c = static_cast<float>(corner);
    // The bottom pointer; the others are it turned.
    auto bottom = [=](float x, float y) {
        if (y < c) {
            return 1.0f;
        }
        const float half = 0.5f * p * (p - y) / (p - c);
        return std::fabs(x - 0.5f * p) <= half ? 1.0f : 0.0f;
    };
    for (int32_t side = 0; side < 4; ++side) {
        // Side 0 top, 1 right, 2 bottom, 3 left: turn a point back onto the bottom pointer.
        TShape turned = [=](float x, float y) {
            switch (side) {
                case 0:
                    return bottom(p - x, p - y);
                case 1:
                    return bottom(y, p - x);
                case 3:
                    return bottom(p - y, x);
                default:
                    return bottom(x, y);
            }
        };
        FillPadded(image, side * (pointer + 2), corner + 2, pointer, pointer, turned);
    }
    return image;
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    CLI::App app{"Paints white soft-edged shapes as PNG pictures for valdmoor-tpxpack."};
    app.require_subcommand(1);
    std::string output;
    int32_t cell = 64;
    int32_t corner = 6;
    int32_t line = 0;
    int32_t pointer = 24;

    CLI::App* particles = app.add_subcommand(
        "particles", "the particle shapes in a grid of 4 columns, row by row: 0 soft dot, 1 soft "
                     "ring, 2 four-pointed star, 3 disc, 4 streak, 5 puff, 6 flare, 7 diamond, "
                     "8 soft dot (the default effect's), 9 soft square, 10 plus, 11 glow");
    particles->add_option("output", output, "the PNG file to write")->required();
    particles->add_option("--cell", cell, "pixel size of a cell")->check(CLI::Range(16, 256));

    CLI::App* square = app.add_subcommand(
        "square", "the eight pieces of a box with rounded corners, in one row of padded cells "
                  "(CORNER + 2 pixels apart, the piece 1 pixel in)");
    square->add_option("output", output, "the PNG file to write")->required();
    square->add_option("--corner", corner, "pixel size of a corner piece")
        ->check(CLI::Range(2, 64));
    square->add_option("--outline", line, "paint an outline this many pixels wide, not a fill")
        ->check(CLI::Range(0, 64));

    CLI::App* ballon = app.add_subcommand(
        "ballon", "a filled balloon: the square's eight pieces, and below them a row of four "
                  "pointers (top, right, bottom, left) in padded cells POINTER + 2 apart");
    ballon->add_option("output", output, "the PNG file to write")->required();
    ballon->add_option("--corner", corner, "pixel size of a corner piece")
        ->check(CLI::Range(2, 64));
    ballon->add_option("--pointer", pointer, "pixel size of a pointer piece")
        ->check(CLI::Range(4, 128));
    CLI11_PARSE(app, argc, argv);

    try {
        using namespace valdmoor::tools;
        if (ballon->parsed() && pointer <= corner) {
            throw valdmoor::EngineError("--pointer must be larger than --corner");
        }
        const valdmoor::TPictureImage image = particles->parsed() ? PaintParticles(cell)
                                              : square->parsed()  ? PaintSquare(corner, line)
                                                                  : PaintBallon(corner, pointer);
        WritePng(output, image);
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-shapepaint: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
