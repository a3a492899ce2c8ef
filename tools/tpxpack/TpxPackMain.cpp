// valdmoor-tpxpack: packs PNG pictures into a ".tpx" picture the way the game stores them
// (premultiplied alpha), with optional frame animations, and writes a ".tsg" segments file
// for a regular grid or a list of rectangles.
#include "ToolFiles.h"
#include "app/EngineApplication.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

namespace valdmoor::tools {
namespace {

struct TOptions {
    std::vector<std::string> Pictures;
    std::string Output;
    std::string Format = "A8R8G8B8";
    std::vector<std::string> Animations;
    std::string Segments;
    std::string Grid;
    std::string Cell;
    std::string Origin;
    std::vector<std::string> Rects;
};

// Splits Text at Separator into exactly Count integers; Where names the option in errors.
std::vector<int32_t> Integers(const std::string& text, char separator, std::size_t count,
                              const std::string& where) {
    std::vector<int32_t> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t stop = text.find(separator, start);
        const std::string_view part =
            std::string_view(text).substr(start, stop == std::string::npos ? stop : stop - start);
        int32_t value = 0;
        const auto [end, code] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || code != std::errc() || end != part.data() + part.size()) {
            throw EngineError(where + ": \"" + std::string(part) + "\" is not a whole number");
        }
        values.push_back(value);
        if (stop == std::string::npos) {
            break;
        }
        start = stop + 1;
    }
    if (values.size() != count) {
        throw EngineError(where + ": expected " + std::to_string(count) +
                          " numbers separated by '" + separator + "', got \"" + text + "\"");
    }
    return values;
}

// The grey the engine shows for L8 and A8L8 pictures, from the stored (premultiplied) colour.
uint8_t Luminance(const uint8_t* bgra) {
    return static_cast<uint8_t>((29 * bgra[0] + 150 * bgra[1] + 77 * bgra[2] + 128) >> 8);
}

TPictureImage Stored(const TPictureImage& premultiplied, TPixelFormat format) {
    if (format == pfA8R8G8B8) {
        return premultiplied;
    }
    TPictureImage image;
    image.Width = premultiplied.Width;
    image.Height = premultiplied.Height;
    image.Format = format;
    image.BytesPerPixel = FormatBytes(format);
    image.Pitch = image.Width * image.BytesPerPixel;
    image.Pixels.resize(static_cast<std::size_t>(image.Pitch) * image.Height);
    for (int32_t y = 0; y < image.Height; ++y) {
        const uint8_t* source = premultiplied.Row(y);
        uint8_t* target = image.Row(y);
        for (int32_t x = 0; x < image.Width; ++x, source += 4) {
            if (format == pfA8) {
                *target++ = source[3];
            } else if (format == pfL8) {
                *target++ = Luminance(source);
            } else {
                *target++ = Luminance(source);
                *target++ = source[3];
            }
        }
    }
    return image;
}

TTpxAnimation ParseAnimation(const std::string& text, int32_t frames, int32_t number) {
    const std::string where = "animation " + std::to_string(number) + " \"" + text + "\"";
    // FIRST,LENGTH,TIME[,CURVE]; the curve may hold anything but a comma.
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) {
            start = std::string::npos;
            break;
        }
        start = comma + 1;
    }
    if (parts.size() < 3) {
        throw EngineError(where + ": expected FIRST,LENGTH,TIME[,CURVE]");
    }
    TTpxAnimation animation;
    animation.First = Integers(parts[0], ',', 1, where + " first")[0];
    animation.Length = Integers(parts[1], ',', 1, where + " length")[0];
    animation.Curve = start == std::string::npos ? std::string() : text.substr(start);
    const char* end = parts[2].data() + parts[2].size();
    const auto [stop, code] = std::from_chars(parts[2].data(), end, animation.Time);
    if (parts[2].empty() || code != std::errc() || stop != end || !std::isfinite(animation.Time)) {
        throw EngineError(where + ": \"" + parts[2] + "\" is not a time");
    }
    const int64_t last = int64_t{animation.First} + std::max(animation.Length, 1) - 1;
    if (animation.First < 0 || animation.Length < 0 || last >= frames) {
        throw EngineError(where + ": frames " + std::to_string(animation.First) + " to " +
                          std::to_string(last) + " are not all among the picture's frames 0 to " +
                          std::to_string(frames - 1) + " (length 0 means all frames)");
    }
    return animation;
}

std::vector<TSegmentRect> SegmentRects(const TOptions& options, const TPictureImage& picture) {
    std::vector<TSegmentRect> rects;
    if (!options.Grid.empty()) {
        const std::vector<int32_t> grid = Integers(options.Grid, 'x', 2, "--grid");
        const int32_t columns = grid[0];
        const int32_t rows = grid[1];
        if (columns < 1 || rows < 1 || int64_t{columns} * rows > MaxSegments) {
            throw EngineError("--grid: " + options.Grid + " is not a grid of 1 to " +
                              std::to_string(MaxSegments) + " cells");
        }
        const std::vector<int32_t> cell =
            options.Cell.empty()
                ? std::vector<int32_t>{picture.Width / columns, picture.Height / rows}
                : Integers(options.Cell, 'x', 2, "--cell");
        const std::vector<int32_t> origin = options.Origin.empty()
                                                ? std::vector<int32_t>{0, 0}
                                                : Integers(options.Origin, ',', 2, "--origin");
        for (int32_t row = 0; row < rows; ++row) {
            for (int32_t column = 0; column < columns; ++column) {
                rects.push_back(TSegmentRect{false, origin[0] + column * cell[0],
                                             origin[1] + row * cell[1], cell[0], cell[1]});
            }
        }
    }
    for (const std::string& text : options.Rects) {
        const std::vector<int32_t> r = Integers(text, ',', 4, "--rect " + text);
        rects.push_back(TSegmentRect{false, r[0], r[1], r[2], r[3]});
    }
    if (rects.size() > static_cast<std::size_t>(MaxSegments)) {
        throw EngineError("More than " + std::to_string(MaxSegments) + " segments");
    }
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const TSegmentRect& r = rects[i];
        if (r.Width < 1 || r.Height < 1 || r.X < 0 || r.Y < 0 ||
            int64_t{r.X} + r.Width > picture.Width || int64_t{r.Y} + r.Height > picture.Height) {
            throw EngineError("Segment " + std::to_string(i) + " (" + std::to_string(r.X) + "," +
                              std::to_string(r.Y) + " " + std::to_string(r.Width) + " x " +
                              std::to_string(r.Height) + ") does not lie inside the " +
                              std::to_string(picture.Width) + " x " +
                              std::to_string(picture.Height) + " picture");
        }
    }
    return rects;
}

void Run(const TOptions& options) {
    static const std::map<std::string, TPixelFormat> Formats = {
        {"A8R8G8B8", pfA8R8G8B8}, {"A8", pfA8}, {"L8", pfL8}, {"A8L8", pfA8L8}};
    const TPixelFormat format = Formats.at(options.Format);

    TTpxFile file;
    for (const std::string& path : options.Pictures) {
        TPictureImage picture = ReadPng(path);
        PremultiplyPng(picture);
        file.Images.push_back(Stored(picture, format));
    }
    const auto frames = static_cast<int32_t>(file.Images.size());
    for (std::size_t i = 0; i < options.Animations.size(); ++i) {
        file.Animations.push_back(
            ParseAnimation(options.Animations[i], frames, static_cast<int32_t>(i) + 1));
    }
    file.ImagesBeforeAnimations = frames;

    const std::vector<TSegmentRect> rects = SegmentRects(options, file.Images.front());
    WriteBinaryFile(options.Output, WriteTpx(file));
    if (!rects.empty()) {
        const std::string segments =
            options.Segments.empty()
                ? std::filesystem::path(options.Output).replace_extension(".tsg").string()
                : options.Segments;
        WriteBinaryFile(segments, WriteSegmentsFile(rects));
    }
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    valdmoor::tools::TOptions options;
    CLI::App app{"Packs PNG pictures into a Valdmoor .tpx picture. The first PNG is the picture, "
                 "further ones are its frames. Colours are stored premultiplied by alpha, as the "
                 "game expects. With --grid or --rect a .tsg segments file is written too."};
    app.add_option("pictures", options.Pictures, "PNG files: the picture, then its frames")
        ->required();
    app.add_option("-o,--output", options.Output, "the .tpx file to write")->required();
    app.add_option("-f,--format", options.Format,
                   "how pixels are stored: A8R8G8B8 (colour and alpha, the default), A8 (alpha "
                   "only, shown white), L8 (grey, opaque) or A8L8 (grey and alpha)")
        ->check(CLI::IsMember({"A8R8G8B8", "A8", "L8", "A8L8"}));
    app.add_option("-a,--animation", options.Animations,
                   "FIRST,LENGTH,TIME[,CURVE]: a frame animation; frame 0 is the picture, LENGTH "
                   "0 means all frames, CURVE such as 0-1 or 0|1 (repeatable)")
        ->allow_extra_args(false);
    app.add_option("-s,--segments", options.Segments,
                   "the .tsg file to write (default: the output with the .tsg extension)");
    auto* grid = app.add_option("-g,--grid", options.Grid,
                                "COLUMNSxROWS: segments in a regular grid, row by row");
    app.add_option("--cell", options.Cell,
                   "WIDTHxHEIGHT of a grid cell (default: the picture divided by the grid)")
        ->needs(grid);
    app.add_option("--origin", options.Origin, "X,Y of the grid's top-left cell (default 0,0)")
        ->needs(grid);
    app.add_option("-r,--rect", options.Rects,
                   "X,Y,WIDTH,HEIGHT: one segment, in pixels from the top-left (repeatable; "
                   "after any grid cells)")
        ->allow_extra_args(false);
    CLI11_PARSE(app, argc, argv);

    try {
        valdmoor::tools::Run(options);
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-tpxpack: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
