// valdmoor-fontbake: renders a TrueType or OpenType font into the glyph pictures the game's
// texts read: for each code-point range, "<Name><suffix>.tpx" (white glyphs, premultiplied
// alpha, stored as grey + alpha) and its ".tsg" with one segment per code point. Every glyph
// cell is as tall as a line and as wide as the glyph's advance plus the font's Overlap, so
// that the game's advance (cell width - Overlap) comes out right while neighbouring cells
// overlap. The icon range can come from a folder of PNG pictures instead of the font.
#include "ToolFiles.h"
#include "app/EngineApplication.h"
#include "texts/EngineTexts.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ft2build.h>
#include <iostream>
#include <memory>
#include <optional>
#include FT_FREETYPE_H

namespace valdmoor::tools {
namespace {

// The ranges the game's texts look glyphs up in, by slot: the engine's own table, so the
// baker and the game cannot disagree.
using TRange = TCodeRange;
constexpr int32_t IconSlot = 7;

// Transparent pixels between cells, so filtering a scaled glyph never picks up a neighbour.
constexpr int32_t Gap = 1;
constexpr int32_t MaxAtlasWidth = 4096;

struct TOptions {
    std::string FontFile;
    std::string Name;
    std::string Output;
    std::string Icons;
    int32_t Size = 0;
    float Overlap = -1;
    std::vector<int32_t> Slots;
    int32_t IconSize = 0;
    int32_t LineHeight = 0;
};

// One glyph cell: premultiplied A8R8G8B8 pixels of Width x LineHeight; Present false for code
// points the font lacks.
struct TCell {
    bool Present = false;
    TPictureImage Image;
    int32_t X = 0;
    int32_t Y = 0;
};

std::string Hex(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", code);
    return text;
}

std::string FreeTypeError(FT_Error error) {
    if (const char* text = FT_Error_String(error)) {
        return text;
    }
    // Debian's FreeType is built without message texts; these are the ones a user can fix.
    switch (error) {
        case FT_Err_Cannot_Open_Resource:
            return "cannot open the file";
        case FT_Err_Unknown_File_Format:
            return "not a font file FreeType knows";
        case FT_Err_Invalid_File_Format:
            return "a damaged font file";
        default:
            return "FreeType error " + std::to_string(error);
    }
}

class TFace {
public:
    TFace(const std::string& path, int32_t size) {
        try {
            Open(path, size);
        } catch (...) {
            Close();
            throw;
        }
    }
    ~TFace() { Close(); }
    TFace(const TFace&) = delete;
    TFace& operator=(const TFace&) = delete;

    FT_Face Face() const { return face_; }

private:
    void Open(const std::string& path, int32_t size) {
        if (const FT_Error error = FT_Init_FreeType(&library_)) {
            library_ = nullptr;
            throw EngineError("Cannot start FreeType: " + FreeTypeError(error));
        }
        if (const FT_Error error = FT_New_Face(library_, path.c_str(), 0, &face_)) {
            face_ = nullptr;
            throw EngineError("Cannot open the font \"" + path + "\": " + FreeTypeError(error));
        }
        if (!FT_IS_SCALABLE(face_)) {
            throw EngineError("\"" + path + "\" is not a scalable font");
        }
        if (const FT_Error error = FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size))) {
            throw EngineError("Cannot size the font \"" + path + "\" to " + std::to_string(size) +
                              " pixels: " + FreeTypeError(error));
        }
    }
    void Close() {
        if (face_ != nullptr) {
            FT_Done_Face(face_);
            face_ = nullptr;
        }
        if (library_ != nullptr) {
            FT_Done_FreeType(library_);
            library_ = nullptr;
        }
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// Where glyphs sit in a cell: the line height, and the baseline from the cell's top.
struct TLine {
    int32_t Height = 0;
    int32_t Baseline = 0;
    int32_t Ascender = 0;
};

// Height 0 takes the font's own line spacing.
TLine LineOf(FT_Face face, int32_t height) {
    const FT_Size_Metrics& metrics = face->size->metrics;
    const double ascender = static_cast<double>(metrics.ascender) / 64.0;
    const double descender = static_cast<double>(-metrics.descender) / 64.0;
    const double spacing = static_cast<double>(metrics.height) / 64.0;
    const double natural = ascender + descender;
    TLine line;
    line.Height = height > 0 ? height : static_cast<int32_t>(std::ceil(std::max(spacing, natural)));
    // A taller line shares its extra room above and below the glyphs; a shorter one (fonts
    // whose ascender leaves room for stacked accents) takes it from both in proportion.
    const double baseline = line.Height >= natural
                                ? ascender + 0.5 * (line.Height - natural)
                                : line.Height * ascender / std::max(natural, 1.0);
    line.Baseline = static_cast<int32_t>(std::lround(baseline));
    line.Ascender = static_cast<int32_t>(std::lround(std::min(ascender, baseline)));
    return line;
}

int32_t CellWidth(double advance, float overlap) {
    return std::max(static_cast<int32_t>(std::lround(advance + overlap)), 1);
}

// The glyph's origin lies half the overlap into its cell, so ink may reach that far past
// either end of the advance.
int32_t OriginX(float overlap) {
    return static_cast<int32_t>(std::lround(0.5 * overlap));
}

// Renders Code; false when the font has no glyph for it. Clipped counts cells whose ink had
// to be cut at the cell's edges.
bool RenderGlyph(FT_Face face, uint32_t code, const TLine& line, float overlap, TCell& cell,
                 int32_t& clipped) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) {
        return false;
    }
    if (const FT_Error error = FT_Load_Glyph(face, index, FT_LOAD_RENDER)) {
        throw EngineError("Cannot render " + Hex(code) + ": " + FreeTypeError(error));
    }
    const FT_GlyphSlot slot = face->glyph;
    // The unhinted advance keeps the spacing of a line true to the design.
    const double advance = static_cast<double>(slot->linearHoriAdvance) / 65536.0;
    cell.Present = true;
    cell.Image = MakeArgbImage(CellWidth(advance, overlap), line.Height);
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows > 0 && bitmap.width > 0) {
        throw EngineError("Cannot render " + Hex(code) + ": not a grey bitmap");
    }
    const int32_t left = OriginX(overlap) + slot->bitmap_left;
    const int32_t top = line.Baseline - slot->bitmap_top;
    bool cut = false;
    for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
        const unsigned char* source =
            bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (int32_t column = 0; column < static_cast<int32_t>(bitmap.width); ++column) {
            const uint8_t value = source[column];
            const int32_t x = left + column;
            const int32_t y = top + row;
            if (value == 0) {
                continue;
            }
            if (x < 0 || y < 0 || x >= cell.Image.Width || y >= cell.Image.Height) {
                cut = true;
                continue;
            }
            uint8_t* pixel = cell.Image.Row(y) + static_cast<std::ptrdiff_t>(x) * 4;
            pixel[0] = pixel[1] = pixel[2] = pixel[3] = value;
        }
    }
    clipped += cut ? 1 : 0;
    return true;
}

// Straight A8R8G8B8 to premultiplied, rounding to nearest.
void Premultiply(TPictureImage& image) {
    for (int32_t y = 0; y < image.Height; ++y) {
        uint8_t* pixel = image.Row(y);
        for (int32_t x = 0; x < image.Width; ++x, pixel += 4) {
            for (int c = 0; c < 3; ++c) {
                pixel[c] = static_cast<uint8_t>((pixel[c] * pixel[3] + 127) / 255);
            }
        }
    }
}

// Area-averaging resize of a premultiplied picture.
TPictureImage Resize(const TPictureImage& source, int32_t width, int32_t height) {
    TPictureImage target = MakeArgbImage(width, height);
    const double sx = static_cast<double>(source.Width) / width;
    const double sy = static_cast<double>(source.Height) / height;
    for (int32_t ty = 0; ty < height; ++ty) {
        const double y0 = ty * sy;
        const double y1 = y0 + sy;
        for (int32_t tx = 0; tx < width; ++tx) {
            const double x0 = tx * sx;
            const double x1 = x0 + sx;
            std::array<double, 4> sum{};
            double area = 0;
            for (auto y = static_cast<int32_t>(y0); y < std::min<double>(y1, source.Height); ++y) {
                const double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
                const uint8_t* row = source.Row(y);
                for (auto x = static_cast<int32_t>(x0); x < std::min<double>(x1, source.Width);
                     ++x) {
                    const double w = wy * (std::min<double>(x + 1, x1) - std::max<double>(x, x0));
                    for (std::size_t c = 0; c < 4; ++c) {
                        sum[c] += w * row[static_cast<std::ptrdiff_t>(x) * 4 + c];
                    }
                    area += w;
                }
            }
            uint8_t* pixel = target.Row(ty) + static_cast<std::ptrdiff_t>(tx) * 4;
            for (std::size_t c = 0; c < 4; ++c) {
                pixel[c] = static_cast<uint8_t>(std::lround(area > 0 ? sum[c] / area : 0));
            }
        }
    }
    return target;
}

// The icon picture for Code from the folder ("E000.png", or in lower case), or nil.
std::optional<std::string> IconFile(const std::string& folder, uint32_t code) {
    char upper[16];
    char lower[16];
    std::snprintf(upper, sizeof upper, "%04X.png", code);
    std::snprintf(lower, sizeof lower, "%04x.png", code);
    for (const char* name : {upper, lower}) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        if (std::filesystem::is_regular_file(path)) {
            return path.string();
        }
    }
    return std::nullopt;
}

// An icon scaled to the icon height, sitting on the text's middle, with a little space on
// both sides.
bool PlaceIcon(const std::string& folder, uint32_t code, const TLine& line, int32_t iconSize,
               float overlap, TCell& cell) {
    const std::optional<std::string> file = IconFile(folder, code);
    if (!file) {
        return false;
    }
    TPictureImage picture = ToArgb(ReadPng(*file));
    Premultiply(picture);
    const int32_t height = std::min(iconSize, line.Height);
    const int32_t width =
        std::max(1, static_cast<int32_t>(std::lround(static_cast<double>(picture.Width) * height /
                                                     std::max(picture.Height, 1))));
    const TPictureImage icon = Resize(picture, width, height);
    const int32_t spacing = std::max(1, height / 10);
    cell.Present = true;
    cell.Image = MakeArgbImage(CellWidth(width + 2.0 * spacing, overlap), line.Height);
    const int32_t middle = line.Baseline - line.Ascender * 7 / 20;
    const int32_t top = std::clamp(middle - height / 2, 0, line.Height - height);
    const int32_t left = OriginX(overlap) + spacing;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width && left + x < cell.Image.Width; ++x) {
            std::copy_n(icon.Row(y) + static_cast<std::ptrdiff_t>(x) * 4, 4,
                        cell.Image.Row(top + y) + static_cast<std::ptrdiff_t>(left + x) * 4);
        }
    }
    return true;
}

// Rows of cells, left to right, in the narrowest power-of-two width that keeps the picture
// no taller than it is wide.
std::pair<int32_t, int32_t> Pack(std::vector<TCell>& cells, int32_t lineHeight) {
    int32_t widest = 1;
    for (const TCell& cell : cells) {
        if (cell.Present) {
            widest = std::max(widest, cell.Image.Width);
        }
    }
    int32_t width = 64;
    while (width < widest) {
        width *= 2;
    }
    for (;;) {
        int32_t x = 0;
        int32_t y = 0;
        for (TCell& cell : cells) {
            if (!cell.Present) {
                continue;
            }
            if (x > 0 && x + cell.Image.Width > width) {
                x = 0;
                y += lineHeight + Gap;
            }
            cell.X = x;
            cell.Y = y;
            x += cell.Image.Width + Gap;
        }
        const int32_t height = y + lineHeight;
        if (height <= width || width >= MaxAtlasWidth) {
            if (height > MaxPictureSize) {
                throw EngineError("The glyphs do not fit in a picture of " +
                                  std::to_string(MaxPictureSize) + " pixels");
            }
            return {width, height};
        }
        width *= 2;
    }
}

// Glyph pictures are white, so grey + alpha holds them in half the bytes; icons keep colour.
TPictureImage Atlas(const std::vector<TCell>& cells, int32_t width, int32_t height, bool colour) {
    TPictureImage atlas = MakeArgbImage(width, height);
    for (const TCell& cell : cells) {
        if (!cell.Present) {
            continue;
        }
        for (int32_t y = 0; y < cell.Image.Height; ++y) {
            std::copy_n(cell.Image.Row(y), static_cast<std::size_t>(cell.Image.Width) * 4,
                        atlas.Row(cell.Y + y) + static_cast<std::ptrdiff_t>(cell.X) * 4);
        }
    }
    if (colour) {
        return atlas;
    }
    TPictureImage grey;
    grey.Width = width;
    grey.Height = height;
    grey.Format = pfA8L8;
    grey.BytesPerPixel = 2;
    grey.Pitch = width * 2;
    grey.Pixels.resize(static_cast<std::size_t>(grey.Pitch) * height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = atlas.Row(y);
        uint8_t* target = grey.Row(y);
        for (int32_t x = 0; x < width; ++x, source += 4, target += 2) {
            target[0] = source[2]; // luminance: white premultiplied equals the alpha
            target[1] = source[3];
        }
    }
    return grey;
}

void RemoveStale(const std::filesystem::path& tpx) {
    std::error_code ignored;
    std::filesystem::remove(tpx, ignored);
    std::filesystem::path tsg = tpx;
    std::filesystem::remove(tsg.replace_extension(".tsg"), ignored);
}

void BakeRange(const TOptions& options, FT_Face face, const TLine& line, int32_t slot) {
    const TRange& range = CodeRange(slot);
    const std::string picture = options.Name + std::string(range.Suffix);
    const std::filesystem::path tpx = std::filesystem::path(options.Output) / (picture + ".tpx");
    const uint32_t span = range.Last - range.First + 1;
    const uint32_t count = std::min<uint32_t>(span, MaxSegments);
    if (span > count) {
        std::cout << picture << ": " << Hex(range.First) << " .. " << Hex(range.Last) << " holds "
                  << span << " code points; a segments file addresses only the first " << count
                  << ", to " << Hex(range.First + count - 1) << "\n";
    }
    const bool icons = slot == IconSlot && !options.Icons.empty();
    std::vector<TCell> cells(count);
    int32_t present = 0;
    int32_t clipped = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t code = range.First + i;
        const bool found =
            icons
                ? PlaceIcon(options.Icons, code, line, options.IconSize, options.Overlap, cells[i])
                : RenderGlyph(face, code, line, options.Overlap, cells[i], clipped);
        present += found ? 1 : 0;
    }
    if (slot == 0 && !cells[0].Present) {
        throw EngineError("The font has no space glyph, which gives the line height");
    }
    if (present == 0) {
        RemoveStale(tpx);
        std::cout << picture << ": no glyphs in " << Hex(range.First) << " .. "
                  << Hex(range.First + count - 1) << ", no picture\n";
        return;
    }

    const auto [width, height] = Pack(cells, line.Height);
    std::vector<TSegmentRect> segments(count);
    for (uint32_t i = 0; i < count; ++i) {
        const TCell& cell = cells[i];
        // A code point without a glyph gets an empty segment, which the game reads as none.
        segments[i] = cell.Present
                          ? TSegmentRect{false, cell.X, cell.Y, cell.Image.Width, cell.Image.Height}
                          : TSegmentRect{false, 0, 0, 0, 0};
    }
    TTpxFile file;
    file.Images.push_back(Atlas(cells, width, height, icons));
    file.ImagesBeforeAnimations = 1;
    WriteBinaryFile(tpx.string(), WriteTpx(file));
    std::filesystem::path tsg = tpx;
    WriteBinaryFile(tsg.replace_extension(".tsg").string(), WriteSegmentsFile(segments));
    std::cout << picture << ": " << present << " of " << count << (icons ? " icons" : " glyphs")
              << ", " << width << " x " << height << " pixels";
    if (clipped > 0) {
        std::cout << ", " << clipped << " cut at their cell's edges";
    }
    std::cout << "\n";
}

void Run(TOptions options) {
    if (options.Overlap < 0) {
        if (options.Name.starts_with("F0")) {
            options.Overlap = 3.0f;
        } else if (options.Name.starts_with("F2")) {
            options.Overlap = 3.75f;
        } else {
            throw EngineError("--overlap is needed for a font name that starts with neither F0 "
                              "nor F2");
        }
    }
    if (options.Slots.empty()) {
        for (int32_t slot = 0; slot < RangeCount; ++slot) {
            options.Slots.push_back(slot);
        }
    }
    if (!options.Icons.empty() && !std::filesystem::is_directory(options.Icons)) {
        throw EngineError("The icon folder \"" + options.Icons + "\" does not exist");
    }
    std::filesystem::create_directories(options.Output);
    const TFace face(options.FontFile, options.Size);
    const TLine line = LineOf(face.Face(), options.LineHeight);
    if (options.IconSize <= 0) {
        options.IconSize = line.Ascender;
    }
    std::cout << "Baking " << options.Name << " from " << options.FontFile << " at " << options.Size
              << " pixels: lines " << line.Height << " high, overlap " << options.Overlap << "\n";
    for (const int32_t slot : options.Slots) {
        BakeRange(options, face.Face(), line, slot);
    }
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    valdmoor::tools::TOptions options;
    CLI::App app{
        "Bakes a TrueType or OpenType font into the glyph pictures of a Valdmoor font: for each "
        "code-point range, <NAME><suffix>.tpx and .tsg in the output folder, one segment per code "
        "point. Ranges (slot: first..last suffix): 0: U+0020..U+007E 00sdl, 1: U+00A0..U+00FF "
        "01sl, 2: U+0100..U+017F 02, 3: U+0200..U+021B 03ascr, 4: U+0400..U+045F 08le, 5: "
        "U+048A..U+04F9 08e, 6: U+2010..U+DFFF 30hq (only its first 4096 code points), 7: "
        "U+E000..U+E00F 90bi (icons). A range without any glyph gets no picture."};
    app.add_option("font", options.FontFile, "the .ttf or .otf file")
        ->required()
        ->check(CLI::ExistingFile);
    app.add_option("-n,--name", options.Name, "the game's font name, such as F2FontGame")
        ->required()
        ->check([](const std::string& name) {
            return name.empty() || name.find_first_of("/\\.") != std::string::npos
                       ? std::string("a font name is a bare name")
                       : std::string();
        });
    app.add_option("-s,--size", options.Size, "the em size in pixels")
        ->required()
        ->check(CLI::Range(4, 256));
    app.add_option("-o,--output", options.Output, "the folder to write the pictures to")
        ->required();
    app.add_option("--overlap", options.Overlap,
                   "pixels by which neighbouring glyph cells overlap (default: 3 for F0 names, "
                   "3.75 for F2 names, as the game reads them)")
        ->check(CLI::Range(0.0f, 32.0f));
    app.add_option("-r,--ranges", options.Slots, "the range slots to bake (default: all)")
        ->delimiter(',')
        ->check(CLI::Range(0, 7));
    app.add_option("--line-height", options.LineHeight,
                   "the height of a line in pixels (default: the font's line spacing); the "
                   "space glyph carries it to the game")
        ->check(CLI::Range(4, 512));
    app.add_option("--icons", options.Icons,
                   "a folder of PNG icons named by code point (E000.png .. E00F.png) for the "
                   "icon range, instead of the font's own glyphs");
    app.add_option("--icon-size", options.IconSize,
                   "the height icons are scaled to, in pixels (default: the font's ascender)")
        ->check(CLI::Range(1, 256));
    CLI11_PARSE(app, argc, argv);

    try {
        valdmoor::tools::Run(options);
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-fontbake: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
