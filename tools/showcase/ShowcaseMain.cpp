// valdmoor-showcase: draws the engine's showcase frame headless on the game's data folders
// and writes it as a PNG; with --reference it compares the frame with a committed picture.
#include "ShowcaseScene.h"
#include "app/EngineApplication.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// What ctest takes for "skipped": a machine without OpenGL 3.3 cannot draw the frame.
constexpr int SkipCode = 77;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw valdmoor::EngineError("Unable to create file \"" + path + "\"");
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw valdmoor::EngineError("Unable to open file \"" + path + "\"");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    using namespace valdmoor;
    std::string output;
    std::string game = VALDMOOR_GAME_DIR;
    std::string effect = VALDMOOR_SHOWCASE_EFFECT;
    std::string reference;
    bool writeReference = false;
    CLI::App app{"Draws the engine's showcase frame (1600 x 900, headless) and writes it as a "
                 "PNG. Exits with 77 when this machine cannot draw with OpenGL 3.3."};
    app.add_option("output", output, "the PNG file to write")->required();
    app.add_option("--game", game, "the game folder whose data folders are read")
        ->capture_default_str();
    app.add_option("--effect", effect, "the compiled showcase effect (.emt); \"\" for none")
        ->capture_default_str();
    app.add_option("--reference", reference,
                   "compare the frame with this PNG; exit 1 when they differ beyond the "
                   "tolerance, writing OUTPUT-difference.png to show where");
    app.add_flag("--write-reference", writeReference,
                 "write the frame to the --reference file instead of comparing");
    CLI11_PARSE(app, argc, argv);

    TPictureImage frame;
    try {
        std::unique_ptr<showcase::TEngine> engine;
        try {
            engine = std::make_unique<showcase::TEngine>(game);
        } catch (const std::exception& error) {
            std::cerr << "valdmoor-showcase: cannot draw here: " << error.what() << "\n";
            return SkipCode;
        }
        {
            showcase::TScene scene(effect);
            frame = showcase::CaptureFrame();
        }
        // The stand-in's line is expected: the frame asks for a missing picture on purpose.
        for (const std::string& line : LogLines()) {
            std::cerr << "log: " << UnixLineEnds(line) << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-showcase: " << error.what() << "\n";
        return 1;
    }

    try {
        WriteFile(output, EncodePng(frame));
        if (reference.empty()) {
            return 0;
        }
        if (writeReference) {
            WriteFile(reference, EncodePng(frame));
            std::cout << "wrote the reference " << reference << "\n";
            return 0;
        }
        const TPictureImage expected = DecodePng(ReadFile(reference), reference);
        const showcase::TDifference difference = showcase::ComparePictures(frame, expected);
        std::printf("%s: %lld of %lld pixels differ by more than %d, largest difference %d\n",
                    reference.c_str(), static_cast<long long>(difference.PixelsOverSmall),
                    static_cast<long long>(difference.Pixels), showcase::SmallDifference,
                    difference.Largest);
        if (showcase::WithinTolerance(difference)) {
            return 0;
        }
        const std::string marked =
            std::filesystem::path(output).replace_extension("").string() + "-difference.png";
        WriteFile(marked, EncodePng(showcase::DifferencePicture(frame, expected)));
        std::printf("the frame differs from the reference beyond the tolerance (at most %.1f %% "
                    "of pixels over %d, none over %d): see %s\n",
                    showcase::OverSmallShare * 100, showcase::SmallDifference,
                    showcase::LargestDifference, marked.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-showcase: " << error.what() << "\n";
        return 1;
    }
}
