// valdmoor-view: shows one picture, font range, particle effect or sound of the game's data,
// started, drawn and played by the engine the way the game runs it.
#include "AssetViews.h"
#include "EngineRun.h"
#include "GuiGallery.h"
#include "SceneGallery.h"
#include "ShowcaseScene.h"
#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

namespace {

constexpr const char* Usage =
    "Usage: valdmoor-view [options] [switches] NAME\n"
    "\n"
    "Shows one asset of the game's data, drawn and played by the engine as the game would.\n"
    "NAME without an option is looked up in this order: an engine font (F0FontEngine,\n"
    "F2FontGame), a picture (Ordinary/NAME.tpx or .png, Branding/NAME.jpg or .png), an effect\n"
    "(Ordinary/NAME.emt), a sound (NAME.ogg or .wav in Ordinary, then Branding).\n"
    "\n"
    "  --picture NAME    the picture, its segments outlined and numbered, its animations\n"
    "  --font NAME       a font's glyphs of one range in a grid, and a wrapped paragraph\n"
    "  --range N         the font's code-point range, 0 to 7 (default 0)\n"
    "  --effect NAME     the particle effect, playing again a second after it ends\n"
    "  --sound NAME      the sound, played once\n"
    "  --music NAME      the track, played on the music channel\n"
    "  --gui             the standard controls in each state; keys open the standard dialogs\n"
    "  --scene CLASS     the scene dialog on a scene of one class: illustration, text, beside,\n"
    "                    stop, requirements, loss, reward, barter, make or floatreward\n"
    "  --scene-picture NAME  with --scene: the scene's picture (default G5Village)\n"
    "  --reference FILE  with -capture: compare the frame with FILE like the showcase test\n"
    "  --write-reference with --reference: write the frame to FILE instead of comparing\n"
    "  --help            show this text\n"
    "\n"
    "Keys: Enter or Space (or a click) shows or plays the asset again; Escape quits; F11\n"
    "toggles full screen.\n"
    "\n"
    "The game's switches work as in the game: -headless, -frames N, -capture FILE.png,\n"
    "-input FILE, -nosound, -language NAME, -softwarevertexprocessing. The viewer always\n"
    "starts in a window. It reads the data folders beside its executable (the game folder)\n"
    "and keeps its own settings in the per-user folder's \"Viewer\" sub-folder, apart from\n"
    "the game's. The facts it shows are printed on exit; problems the engine logged go to\n"
    "stderr. The exit code is 0 when the asset loaded cleanly, 1 for an unknown name, an\n"
    "asset the engine could not load and other errors, 2 for bad arguments.\n";

enum TAssetKind {
    akAuto,
    akPicture,
    akFont,
    akEffect,
    akSound,
    akMusic,
    akGui,
    akScene
};

struct TViewerOptions {
    TAssetKind Kind = akAuto;
    std::string Name;
    int32_t Range = 0;
    bool Help = false;
    std::string Reference;
    std::string ScenePicture;
    bool WriteReference = false;
    std::vector<std::string> Switches; // for ParseSwitches
    std::string Error;
};

// The game's switches that take a value: their value is never the asset's name.
bool SwitchTakesValue(std::string_view arg) {
    std::string lower(arg);
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower == "-language" || lower == "-frames" || lower == "-input" || lower == "-capture";
}

TViewerOptions ParseViewerArgs(const std::vector<std::string>& args) {
    TViewerOptions options;
    auto fail = [&](std::string message) {
        if (options.Error.empty()) {
            options.Error = std::move(message);
        }
    };
    auto setName = [&](TAssetKind kind, const std::string& name) {
        if (!options.Name.empty()) {
            fail("Give one asset to show, not \"" + options.Name + "\" and \"" + name + "\"");
            return;
        }
        options.Kind = kind;
        options.Name = name;
    };
    static constexpr std::pair<std::string_view, TAssetKind> KindOptions[] = {
        {"--picture", akPicture}, {"--font", akFont},   {"--effect", akEffect},
        {"--sound", akSound},     {"--music", akMusic},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help") {
            options.Help = true;
            continue;
        }
        if (arg == "--gui") {
            setName(akGui, "Standard controls and dialogs");
            continue;
        }
        if (arg == "--scene") {
            if (!hasValue) {
                fail("--scene needs a class");
            } else {
                setName(akScene, args[++i]);
            }
            continue;
        }
        if (arg == "--scene-picture") {
            if (!hasValue) {
                fail("--scene-picture needs a name");
            } else {
                options.ScenePicture = args[++i];
            }
            continue;
        }
        if (arg == "--reference") {
            if (!hasValue) {
                fail("--reference needs a file");
            } else {
                options.Reference = args[++i];
            }
            continue;
        }
        if (arg == "--write-reference") {
            options.WriteReference = true;
            continue;
        }
        if (arg == "--range") {
            const std::string value = hasValue ? args[++i] : std::string();
            int32_t range = -1;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), range);
            if (error != std::errc() || end != value.data() + value.size() || range < 0 ||
                range >= RangeCount) {
                fail("--range takes a number from 0 to " + std::to_string(RangeCount - 1) +
                     ", not \"" + value + "\"");
            }
            options.Range = range;
            continue;
        }
        bool matched = false;
        for (const auto& [option, kind] : KindOptions) {
            if (arg == option) {
                matched = true;
                if (!hasValue) {
                    fail(std::string(option) + " needs a name");
                } else {
                    setName(kind, args[++i]);
                }
            }
        }
        if (matched) {
            continue;
        }
        if (arg.starts_with("--")) {
            fail("Unknown option \"" + arg + "\" (see --help)");
        } else if (arg.starts_with("-")) {
            options.Switches.push_back(arg);
            if (SwitchTakesValue(arg) && hasValue) {
                options.Switches.push_back(args[++i]);
            }
        } else {
            setName(akAuto, arg);
        }
    }
    if (!options.ScenePicture.empty() && options.Kind != akScene) {
        fail("--scene-picture goes with --scene");
    }
    if (!options.Help && options.Name.empty()) {
        fail("Name the asset to show (see --help)");
    }
    return options;
}

std::string Folders() {
    return StorageFolderPath(sfOrdinary) + " and " + StorageFolderPath(sfBranding);
}

// The view of the asset the options name; raises naming what was looked for and where.
std::unique_ptr<TAssetView> MakeView(const TViewerOptions& options, std::string& kindName) {
    const std::string& name = options.Name;
    const std::string quoted = "\"" + name + "\"";
    TCanvas* canvas = MainCanvas();
    const int32_t fontIndex = FontIndexOf(name);
    const TAssetKind kind = options.Kind != akAuto         ? options.Kind
                            : fontIndex >= 0               ? akFont
                            : !PictureFileOf(name).empty() ? akPicture
                            : !EffectFileOf(name).empty()  ? akEffect
                            : !SoundFileOf(name).empty()   ? akSound
                                                           : akAuto;
    switch (kind) {
        case akGui:
            kindName = "gallery";
            return MakeGuiGallery();
        case akScene:
            if (auto view = MakeSceneGallery(name, options.ScenePicture)) {
                kindName = "scene dialog";
                return view;
            }
            throw EngineError("No scene class " + quoted + ": the classes are " +
                              std::string(SceneGalleryClasses()));
        case akAuto:
            throw EngineError("No picture, font, effect or sound named " + quoted + " in " +
                              Folders());
        case akFont:
            if (fontIndex < 0) {
                throw EngineError("No font named " + quoted + ": the fonts are " +
                                  Font(FontEngine)->Name + " and " + Font(FontGame)->Name);
            }
            kindName = "font";
            return MakeFontView(canvas, fontIndex, options.Range);
        case akPicture:
            if (PictureFileOf(name).empty()) {
                throw EngineError("No picture named " + quoted + " in " + Folders());
            }
            kindName = "picture";
            return MakePictureView(canvas, name);
        case akEffect:
            if (EffectFileOf(name).empty()) {
                throw EngineError("No effect named " + quoted + " in " +
                                  StorageFolderPath(sfOrdinary));
            }
            kindName = "effect";
            return MakeEffectView(canvas, name);
        case akSound:
        case akMusic:
            if (SoundFileOf(name).empty()) {
                throw EngineError("No sound named " + quoted + " in " + Folders());
            }
            kindName = kind == akMusic ? "music" : "sound";
            return MakeSoundView(canvas, name, kind == akMusic);
    }
    return nullptr;
}

// Process-wide, as the frame loop calls plain functions.
struct TViewer {
    std::unique_ptr<TAssetView> View;
    TText* Title = nullptr;
    TText* Facts = nullptr;
    TText* Keys = nullptr;
};
TViewer viewer;

void ViewerUpdate() {
    if (KeyPressed(ikEscape) && !GalleryDialogOpen()) {
        RequestQuit();
    }
    if (viewer.View == nullptr) {
        return;
    }
    if (KeyPressed(ikAccept) || KeyPressed(ikPointer)) {
        viewer.View->Restart();
    }
    viewer.View->Update();
    SetText(viewer.Facts, viewer.View->Info());
}

bool WakeCheck() {
    CheckQuitSignal();
    return false;
}

// The viewer's settings (the remembered window mode, a chosen language) live apart from the
// game's, so looking at assets never changes how the game starts.
void StartViewerService() {
    std::string folder = UserFolder();
    if (folder.empty()) {
        folder = ExecutableFolder();
    }
    folder += "Viewer";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!ServiceInit(folder)) {
        throw EngineError("Unable to create the viewer's folder \"" + folder + "\"");
    }
}

// ctest's code for a skipped test.
constexpr int SkipCode = 77;

// Compares the frame with the reference picture (or writes it there), with the showcase
// test's tolerances; on a mismatch writes the marked difference beside the capture.
bool CompareWithReference(const TPictureImage& frame, const TViewerOptions& options) {
    try {
        if (frame.Pixels.empty()) {
            throw EngineError("No frame was drawn to compare");
        }
        const std::string& reference = options.Reference;
        if (options.WriteReference) {
            std::ofstream out(reference, std::ios::binary);
            out << EncodePng(frame);
            if (!out.flush()) {
                throw EngineError("Unable to create file \"" + reference + "\"");
            }
            std::printf("wrote the reference %s\n", reference.c_str());
            return true;
        }
        std::ifstream in(reference, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const TPictureImage expected = DecodePng(bytes, reference);
        const showcase::TDifference difference = showcase::ComparePictures(frame, expected);
        std::printf("%s: %lld of %lld pixels differ by more than %d, largest difference %d\n",
                    reference.c_str(), static_cast<long long>(difference.PixelsOverSmall),
                    static_cast<long long>(difference.Pixels), showcase::SmallDifference,
                    difference.Largest);
        if (showcase::WithinTolerance(difference)) {
            return true;
        }
        const std::string capture = Switches().CaptureFile.empty()
                                        ? std::string("valdmoor-view.png")
                                        : Switches().CaptureFile;
        const std::string marked =
            std::filesystem::path(capture).replace_extension("").string() + "-difference.png";
        std::ofstream out(marked, std::ios::binary);
        out << EncodePng(showcase::DifferencePicture(frame, expected));
        std::printf("the frame differs from the reference beyond the tolerance: see %s\n",
                    marked.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "valdmoor-view: %s\n", error.what());
    }
    return false;
}

void Report(std::FILE* to, const std::string& text) {
    std::fprintf(to, "%s\n", UnixLineEnds(text).c_str());
}

int RunViewer(const std::vector<std::string>& args) {
    const TViewerOptions options = ParseViewerArgs(args);
    if (options.Help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (!options.Error.empty()) {
        std::fprintf(stderr, "valdmoor-view: %s\n", options.Error.c_str());
        return 2;
    }

    ApplicationStart();
    InstallQuitSignals();
    SetEngineHooks(WakeCheck);
    std::string failure;
    std::string facts;
    bool broken = false;
    bool started = false;
    TPictureImage frame;
    try {
        TSwitches switches = ParseSwitches(options.Switches);
        switches.Windowed = true;
        SetSwitches(switches);
        StartViewerService();
        StartSubsystems(EngineSubsystems());
        started = true;

        TCanvas* canvas = MainCanvas();
        canvas->ClearColor = 0xFF26262C;
        std::string kindName;
        // What the engine logs while loading the asset is what is wrong with it.
        const std::size_t logged = LogLines().size();
        viewer.View = MakeView(options, kindName);
        broken = LogLines().size() > logged;
        SetWindowTitle(options.Name + " (" + kindName + ")");
        CreateText(viewer.Title, canvas, 5, 0, FontGame, 1500, 50);
        SetTextPosition(viewer.Title, 0, -410);
        SetText(viewer.Title, options.Name);
        CreateText(viewer.Facts, canvas, 5, tfAlignLeft | tfAlignTop, FontEngine, 1500, 150);
        SetTextPosition(viewer.Facts, 0, -310);
        CreateText(viewer.Keys, canvas, 5, 0, FontEngine, 1500, 30);
        SetTextPosition(viewer.Keys, 0, 430);
        SetText(viewer.Keys, options.Kind == akGui || options.Kind == akScene
                                 ? "Escape: close the dialog, or quit     F11: full screen"
                                 : "Enter or Space: again     Escape: quit     F11: full screen");

        if (!Switches().InputScript.empty()) {
            LoadInputScript(Switches().InputScript);
        }
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
        static void (*const updates[])() = {TimerUpdate, ViewerUpdate, UpdateEffects};
        RunMainLoop(updates);
        if (!Switches().CaptureFile.empty()) {
            CaptureFrameToFile(Switches().CaptureFile);
        }
        if (!options.Reference.empty()) {
            frame = CaptureFramePicture();
        }
        facts = viewer.View->Info();
    } catch (const std::exception& error) {
        failure = *error.what() != '\0' ? error.what() : "Failed";
    }

    // Views and texts go back before the subsystems that made them stop.
    ReleaseText(viewer.Title);
    ReleaseText(viewer.Facts);
    ReleaseText(viewer.Keys);
    viewer.View.reset();
    ResetApplicationFlags();
    StopSubsystems(EngineSubsystems(), "valdmoor-view");
    ServiceShutdown();
    if (!facts.empty()) {
        Report(stdout, facts);
    }
    for (const std::string& line : LogLines()) {
        Report(stderr, "valdmoor-view: log: " + line);
    }
    if (failure.empty() && broken) {
        // Shown as the game would show it, but a script checking assets must hear of it.
        failure = "\"" + options.Name + "\" did not load cleanly (see the log lines above)";
    }
    if (!failure.empty()) {
        Report(stderr, "valdmoor-view: " + failure);
    }
    ApplicationStop();
    if (!options.Reference.empty()) {
        if (!started) {
            // Like the showcase test: a machine that cannot draw skips the comparison.
            std::fprintf(stderr, "valdmoor-view: cannot draw here\n");
            return SkipCode;
        }
        if (failure.empty() && !CompareWithReference(frame, options)) {
            return 1;
        }
    }
    return failure.empty() ? 0 : 1;
}

} // namespace

} // namespace valdmoor

int main(int argc, char** argv) {
    return valdmoor::RunViewer(std::vector<std::string>(argv + 1, argv + argc));
}
