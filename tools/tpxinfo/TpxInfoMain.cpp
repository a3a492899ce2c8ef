// valdmoor-tpxinfo: prints what a ".tpx" picture or ".tsg" segments file holds, as the game
// reads it, and exports the frames of a picture as PNG files that valdmoor-tpxpack packs back
// into the same pixels.
#include "ToolFiles.h"
#include "app/EngineApplication.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

namespace valdmoor::tools {
namespace {

std::string FormatName(TPixelFormat format) {
    switch (format) {
        case pfA8R8G8B8:
            return "A8R8G8B8";
        case pfX8R8G8B8:
            return "X8R8G8B8";
        case pfR5G6B5:
            return "R5G6B5";
        case pfA8:
            return "A8";
        case pfL8:
            return "L8";
        case pfA8L8:
            return "A8L8";
        default:
            return "format " + std::to_string(format);
    }
}

int ShowSegments(const std::string& path) {
    const TSegmentsFile file = ReadSegmentsFile(ReadBinaryFile(path));
    std::cout << path << ": " << file.Segments.size() << " segments\n";
    for (std::size_t i = 0; i < file.Segments.size(); ++i) {
        const TSegmentRect& r = file.Segments[i];
        std::cout << "  segment " << i << ": ";
        if (r.Full) {
            std::cout << "the whole picture\n";
        } else {
            std::cout << "x " << r.X << ", y " << r.Y << ", " << r.Width << " x " << r.Height
                      << "\n";
        }
    }
    if (!file.Error.empty()) {
        // The game keeps the segments above and logs the file as broken.
        std::cerr << "valdmoor-tpxinfo: " << path << ": " << file.Error << "\n";
        return 1;
    }
    return 0;
}

int ShowPicture(const std::string& path, const std::string& exportFolder) {
    const TTpxFile file = ReadTpx(ReadBinaryFile(path), path);
    std::cout << path << ": " << file.Images.size()
              << (file.Images.size() == 1 ? " image" : " images") << "\n";
    for (std::size_t i = 0; i < file.Images.size(); ++i) {
        const TPictureImage& image = file.Images[i];
        std::cout << "  frame " << i << ": " << image.Width << " x " << image.Height << ", "
                  << FormatName(image.Format) << "\n";
    }
    for (std::size_t i = 0; i < file.Animations.size(); ++i) {
        const TTpxAnimation& animation = file.Animations[i];
        std::cout << "  animation " << i + 1 << ": first " << animation.First << ", length "
                  << animation.Length;
        if (animation.Length < 1) {
            std::cout << " (all " << std::max(file.ImagesBeforeAnimations, 1) << " frames)";
        }
        std::cout << ", time " << animation.Time << ", curve \"" << animation.Curve << "\"\n";
    }
    if (!exportFolder.empty()) {
        std::filesystem::create_directories(exportFolder);
        const std::string stem = std::filesystem::path(path).stem().string();
        for (std::size_t i = 0; i < file.Images.size(); ++i) {
            TPictureImage image = ToArgb(file.Images[i]);
            Unpremultiply(image);
            const std::string target =
                (std::filesystem::path(exportFolder) / (stem + "_" + std::to_string(i) + ".png"))
                    .string();
            WritePng(target, image);
            std::cout << "  wrote " << target << "\n";
        }
    }
    return 0;
}

} // namespace
} // namespace valdmoor::tools

int main(int argc, char** argv) {
    std::string path;
    std::string exportFolder;
    CLI::App app{"Prints the frames and animations of a Valdmoor .tpx picture, or the segments "
                 "of a .tsg file, as the game reads them."};
    app.add_option("file", path, "a .tpx or .tsg file")->required();
    app.add_option("-e,--export", exportFolder,
                   "write each frame of a .tpx as FOLDER/<name>_<frame>.png (straight alpha)");
    CLI11_PARSE(app, argc, argv);

    try {
        if (std::filesystem::path(path).extension() == ".tsg") {
            if (!exportFolder.empty()) {
                throw valdmoor::EngineError("--export needs a .tpx file");
            }
            return valdmoor::tools::ShowSegments(path);
        }
        return valdmoor::tools::ShowPicture(path, exportFolder);
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-tpxinfo: " << error.what() << "\n";
        return 1;
    }
}
