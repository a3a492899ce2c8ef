// valdmoor-compare: the pictures a run captured, compared with committed references of the
// same names, within the tolerance the showcase frame uses; --write makes the captures the
// references.
#include "ShowcaseScene.h"
#include "app/EngineApplication.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

namespace {

namespace fs = std::filesystem;
using valdmoor::EngineError;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw EngineError("Unable to open file \"" + path.string() + "\"");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw EngineError("Unable to create file \"" + path.string() + "\"");
    }
}

// The PNG pictures in Folder by name, leaving out difference pictures of an earlier run.
std::set<std::string> Pictures(const fs::path& folder) {
    std::set<std::string> names;
    if (!fs::is_directory(folder)) {
        throw EngineError("\"" + folder.string() + "\" is not a folder");
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && entry.path().extension() == ".png" &&
            !name.ends_with("-difference.png")) {
            names.insert(name);
        }
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    using namespace valdmoor;
    std::string captures;
    std::string references;
    bool write = false;
    int margin = 0;
    CLI::App app{"Compares every PNG picture in CAPTURES with the one of its name in REFERENCES; "
                 "exits 1 when one differs beyond the tolerance (writing NAME-difference.png "
                 "beside the capture) or either folder has a picture the other lacks."};
    app.add_option("captures", captures, "the folder of captured pictures")->required();
    app.add_option("references", references, "the folder of reference pictures")->required();
    app.add_flag("--write", write,
                 "make the captures the references: copy them over and delete the references "
                 "no capture has");
    app.add_option("--margin", margin,
                   "leave out this many pixels along each edge, where the screen's frame lies")
        ->check(CLI::Range(0, 10000));
    CLI11_PARSE(app, argc, argv);

    try {
        const std::set<std::string> captured = Pictures(captures);
        if (captured.empty()) {
            throw EngineError("no pictures in \"" + captures + "\"");
        }
        if (write) {
            fs::create_directories(references);
            for (const std::string& name : Pictures(references)) {
                if (!captured.contains(name)) {
                    fs::remove(fs::path(references) / name);
                }
            }
            for (const std::string& name : captured) {
                fs::copy_file(fs::path(captures) / name, fs::path(references) / name,
                              fs::copy_options::overwrite_existing);
            }
            std::printf("wrote %zu references into %s\n", captured.size(), references.c_str());
            return 0;
        }
        const std::set<std::string> expected = Pictures(references);
        int failed = 0;
        for (const std::string& name : expected) {
            if (!captured.contains(name)) {
                std::printf("%s: not captured\n", name.c_str());
                ++failed;
            }
        }
        for (const std::string& name : captured) {
            if (!expected.contains(name)) {
                std::printf("%s: no reference\n", name.c_str());
                ++failed;
                continue;
            }
            const fs::path actualPath = fs::path(captures) / name;
            const fs::path referencePath = fs::path(references) / name;
            TPictureImage actual = DecodePng(ReadFile(actualPath), actualPath.string());
            const TPictureImage reference =
                DecodePng(ReadFile(referencePath), referencePath.string());
            if (margin > 0 && actual.Width == reference.Width &&
                actual.Height == reference.Height) {
                // The margin takes the reference's pixels, so only the inside is compared.
                for (int32_t y = 0; y < actual.Height; ++y) {
                    for (int32_t x = 0; x < actual.Width; ++x) {
                        if (x < margin || y < margin || x >= actual.Width - margin ||
                            y >= actual.Height - margin) {
                            std::copy_n(reference.Row(y) + static_cast<std::ptrdiff_t>(x) * 4, 4,
                                        actual.Row(y) + static_cast<std::ptrdiff_t>(x) * 4);
                        }
                    }
                }
            }
            const showcase::TDifference difference = showcase::ComparePictures(actual, reference);
            if (!difference.SameSize) {
                std::printf("%s: %dx%d, the reference is %dx%d\n", name.c_str(), actual.Width,
                            actual.Height, reference.Width, reference.Height);
                ++failed;
                continue;
            }
            std::printf("%s: %lld of %lld pixels differ by more than %d, largest %d\n",
                        name.c_str(), static_cast<long long>(difference.PixelsOverSmall),
                        static_cast<long long>(difference.Pixels), showcase::SmallDifference,
                        difference.Largest);
            if (!showcase::WithinTolerance(difference)) {
                const fs::path marked =
                    fs::path(captures) / (actualPath.stem().string() + "-difference.png");
                WriteFile(marked, EncodePng(showcase::DifferencePicture(actual, reference)));
                std::printf("%s: differs beyond the tolerance, see %s\n", name.c_str(),
                            marked.c_str());
                ++failed;
            }
        }
        if (failed != 0) {
            std::printf("%d picture(s) differ from their references\n", failed);
            return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "valdmoor-compare: " << error.what() << "\n";
        return 1;
    }
}
