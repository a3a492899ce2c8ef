// valdmoor-iconpaint: paints the icons that texts show inline (code points U+E000 ..
// U+E00F) as PNG pictures, one per code point, for the font baker's icon range. Each icon is
// a few flat shapes with a dark outline, described by distance functions and supersampled.
#include "ToolFiles.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <vector>

namespace valdmoor::tools {
namespace {

// Signed distance from a point of the unit square (y down) to a shape: negative inside.
using TDistance = std::function<float(float, float)>;

struct TColor {
    float R;
    float G;
    float B;
};

struct TLayer {
    TDistance Shape;
    TColor Fill;
    float Outline = 0.045f; // width of the dark rim, in icon units
};

constexpr TColor Ink{0.16f, 0.11f, 0.08f};

TDistance Circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

TDistance Box(float cx, float cy, float hw, float hh, float round = 0) {
    return [=](float x, float y) {
        const float qx = std::fabs(x - cx) - hw + round;
        const float qy = std::fabs(y - cy) - hh + round;
        return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
               std::min(std::max(qx, qy), 0.0f) - round;
    };
}

// A line from A to B, R thick on each side.
TDistance Capsule(float ax, float ay, float bx, float by, float r) {
    return [=](float x, float y) {
        const float dx = bx - ax;
        const float dy = by - ay;
        const float t =
            std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        return std::hypot(x - ax - t * dx, y - ay - t * dy) - r;
    };
}

TDistance Polygon(std::vector<std::array<float, 2>> points) {
    return [points = std::move(points)](float x, float y) {
        float best = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [ax, ay] = points[j];
            const auto [bx, by] = points[i];
            const float dx = bx - ax;
            const float dy = by - ay;
            const float t =
                std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
            best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
            if ((ay > y) != (by > y) && x < ax + (y - ay) * dx / dy) {
                inside = !inside;
            }
        }
        return inside ? -best : best;
    };
}

TDistance Union(TDistance a, TDistance b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

TDistance Intersection(TDistance a, TDistance b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

TDistance Star(float cx, float cy, float outer, float inner, int points) {
    std::vector<std::array<float, 2>> corners;
    for (int i = 0; i < points * 2; ++i) {
        const float radius = i % 2 == 0 ? outer : inner;
        const float angle = static_cast<float>(i) * 3.14159265f / static_cast<float>(points);
        corners.push_back({cx + radius * std::sin(angle), cy - radius * std::cos(angle)});
    }
    return Polygon(std::move(corners));
}

using TIcon = std::vector<TLayer>;

// The icons, U+E000 onwards.
std::vector<TIcon> Icons() {
    const TColor gold{0.95f, 0.76f, 0.25f};
    const TColor darkGold{0.75f, 0.55f, 0.12f};
    const TColor red{0.85f, 0.18f, 0.16f};
    const TColor steel{0.80f, 0.83f, 0.88f};
    const TColor brown{0.55f, 0.35f, 0.18f};
    const TColor blue{0.22f, 0.42f, 0.80f};
    const TColor green{0.25f, 0.70f, 0.30f};
    const TColor parchment{0.93f, 0.86f, 0.68f};
    const TColor white{0.97f, 0.97f, 0.95f};
    return {
        // coin
        {{Circle(0.5f, 0.5f, 0.40f), gold}, {Circle(0.5f, 0.5f, 0.26f), darkGold, 0.0f}},
        // heart
        {{Union(Union(Circle(0.34f, 0.37f, 0.19f), Circle(0.66f, 0.37f, 0.19f)),
                Polygon({{0.17f, 0.45f}, {0.83f, 0.45f}, {0.5f, 0.86f}})),
          red}},
        // star
        {{Star(0.5f, 0.53f, 0.44f, 0.19f, 5), gold}},
        // hourglass
        {{Polygon({{0.25f, 0.16f},
                   {0.75f, 0.16f},
                   {0.54f, 0.5f},
                   {0.75f, 0.84f},
                   {0.25f, 0.84f},
                   {0.46f, 0.5f}}),
          parchment},
         {Box(0.5f, 0.13f, 0.3f, 0.05f), brown},
         {Box(0.5f, 0.87f, 0.3f, 0.05f), brown}},
        // sword
        {{Polygon({{0.44f, 0.62f}, {0.44f, 0.16f}, {0.5f, 0.06f}, {0.56f, 0.16f}, {0.56f, 0.62f}}),
          steel},
         {Box(0.5f, 0.66f, 0.2f, 0.04f), brown},
         {Box(0.5f, 0.79f, 0.045f, 0.09f), brown},
         {Circle(0.5f, 0.91f, 0.06f), gold}},
        // shield
        {{Polygon({{0.18f, 0.14f}, {0.82f, 0.14f}, {0.82f, 0.48f}, {0.5f, 0.9f}, {0.18f, 0.48f}}),
          blue},
         {Box(0.5f, 0.45f, 0.06f, 0.25f), gold, 0.0f},
         {Box(0.5f, 0.36f, 0.22f, 0.06f), gold, 0.0f}},
        // key
        {{Union(Box(0.58f, 0.5f, 0.3f, 0.05f),
                Union(Box(0.76f, 0.6f, 0.04f, 0.08f), Box(0.85f, 0.6f, 0.03f, 0.07f))),
          gold},
         {Circle(0.24f, 0.5f, 0.16f), gold},
         {Circle(0.24f, 0.5f, 0.07f), Ink, 0.0f}},
        // scroll
        {{Box(0.5f, 0.5f, 0.3f, 0.32f), parchment},
         {Capsule(0.16f, 0.2f, 0.84f, 0.2f, 0.07f), brown},
         {Capsule(0.16f, 0.8f, 0.84f, 0.8f, 0.07f), brown},
         {Box(0.5f, 0.4f, 0.18f, 0.02f), brown, 0.0f},
         {Box(0.5f, 0.5f, 0.18f, 0.02f), brown, 0.0f},
         {Box(0.46f, 0.6f, 0.14f, 0.02f), brown, 0.0f}},
        // gem
        {{Polygon({{0.3f, 0.2f}, {0.7f, 0.2f}, {0.88f, 0.4f}, {0.5f, 0.88f}, {0.12f, 0.4f}}),
          {0.35f, 0.80f, 0.90f}},
         {Polygon({{0.3f, 0.2f}, {0.7f, 0.2f}, {0.6f, 0.4f}, {0.4f, 0.4f}}),
          {0.70f, 0.95f, 1.0f},
          0.0f}},
        // potion
        {{Union(Circle(0.5f, 0.62f, 0.27f), Box(0.5f, 0.26f, 0.09f, 0.14f)), white},
         {Intersection(Circle(0.5f, 0.62f, 0.22f), Box(0.5f, 0.75f, 0.3f, 0.16f)), red, 0.0f},
         {Box(0.5f, 0.12f, 0.12f, 0.05f), brown}},
        // arrow to the right
        {{Polygon({{0.12f, 0.4f},
                   {0.52f, 0.4f},
                   {0.52f, 0.2f},
                   {0.9f, 0.5f},
                   {0.52f, 0.8f},
                   {0.52f, 0.6f},
                   {0.12f, 0.6f}}),
          white}},
        // check mark
        {{Union(Capsule(0.18f, 0.52f, 0.4f, 0.75f, 0.08f),
                Capsule(0.4f, 0.75f, 0.84f, 0.22f, 0.08f)),
          green}},
        // cross
        {{Union(Capsule(0.22f, 0.22f, 0.78f, 0.78f, 0.08f),
                Capsule(0.78f, 0.22f, 0.22f, 0.78f, 0.08f)),
          red}},
        // eye
        {{Intersection(Circle(0.5f, 0.95f, 0.62f), Circle(0.5f, 0.05f, 0.62f)), white},
         {Circle(0.5f, 0.5f, 0.17f), blue, 0.0f},
         {Circle(0.5f, 0.5f, 0.08f), Ink, 0.0f}},
        // house
        {{Box(0.5f, 0.64f, 0.3f, 0.24f), parchment},
         {Polygon({{0.1f, 0.46f}, {0.5f, 0.1f}, {0.9f, 0.46f}}), red},
         {Box(0.5f, 0.74f, 0.08f, 0.14f), brown, 0.0f}},
        // information
        {{Circle(0.5f, 0.5f, 0.42f), blue},
         {Circle(0.5f, 0.3f, 0.07f), white, 0.0f},
         {Box(0.5f, 0.6f, 0.06f, 0.18f, 0.02f), white, 0.0f}},
    };
}

constexpr int Samples = 4;

TPictureImage Paint(const TIcon& icon, int32_t size) {
    TPictureImage image = MakeArgbImage(size, size);
    const float unit = 1.0f / static_cast<float>(size);
    for (int32_t py = 0; py < size; ++py) {
        uint8_t* pixel = image.Row(py);
        for (int32_t px = 0; px < size; ++px, pixel += 4) {
            // Premultiplied sums over the samples of the pixel.
            float r = 0;
            float g = 0;
            float b = 0;
            float a = 0;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const float x = (static_cast<float>(px) + (sx + 0.5f) / Samples) * unit;
                    const float y = (static_cast<float>(py) + (sy + 0.5f) / Samples) * unit;
                    float cr = 0;
                    float cg = 0;
                    float cb = 0;
                    float ca = 0;
                    for (const TLayer& layer : icon) {
                        const float d = layer.Shape(x, y);
                        const TColor* colour = d <= 0               ? &layer.Fill
                                               : d <= layer.Outline ? &Ink
                                                                    : nullptr;
                        if (colour != nullptr) {
                            cr = colour->R;
                            cg = colour->G;
                            cb = colour->B;
                            ca = 1;
                        }
                    }
                    r += cr;
                    g += cg;
                    b += cb;
                    a += ca;
                }
            }
            constexpr float count = Samples * Samples;
            const float alpha = a / count;
            // Straight colour for the PNG.
            const auto channel = [&](float sum) {
                return static_cast<uint8_t>(
                    std::lround(alpha > 0 ? std::clamp(sum / a, 0.0f, 1.0f) * 255 : 0));
            };
            pixel[0] = channel(b);
            pixel[1] = channel(g);
            pixel[2] = channel(r);
            pixel[3] = static_cast<uint8_t>(std::lround(alpha * 255));
        }
    }
    return image;
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    std::string output;
    int32_t size = 64;
    CLI::App app{"Paints the inline text icons (U+E000 .. U+E00F) as PNG pictures named by code "
                 "point, E000.png onwards, for valdmoor-fontbake --icons."};
    app.add_option("output", output, "the folder to write the pictures to")->required();
    app.add_option("--size", size, "width and height in pixels")->check(CLI::Range(8, 1024));
    CLI11_PARSE(app, argc, argv);
    try {
        std::filesystem::create_directories(output);
        const std::vector<valdmoor::tools::TIcon> icons = valdmoor::tools::Icons();
        for (std::size_t i = 0; i < icons.size(); ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%04X.png", static_cast<unsigned>(0xE000 + i));
            valdmoor::tools::WritePng((std::filesystem::path(output) / name).string(),
                                      valdmoor::tools::Paint(icons[i], size));
        }
        std::cout << "Painted " << icons.size() << " icons of " << size << " x " << size
                  << " pixels into " << output << "\n";
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-iconpaint: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
