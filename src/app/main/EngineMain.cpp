#include "EngineMain.h"

#include "SingleInstance.h"
#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineInput.h"
#include "platform/EngineMessageBox.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <iterator>

namespace valdmoor {

namespace {

// Subsystems whose units have not arrived yet start, tick and stop as nothing.
void Nothing() {}

struct TSubsystem {
    const char* Name;
    void (*Start)();
    void (*Stop)();
};

// Start-up order; shut-down runs the stops backwards, also after a failed start-up, so every
// stop accepts a subsystem that never started.
const TSubsystem Subsystems[] = {
    {"storage", StorageStart, StorageStop},
    {"frame timer", TimerStart, TimerStop},
    {"main window", WindowStart, WindowStop},
    {"script slots", ScriptStart, ScriptStop},
    {"audio", AudioStart, AudioStop},
    {"video", VideoStart, VideoStop},
    {"texts and fonts", TextsStart, TextsStop},
    {"particle effects", EffectsStart, EffectsStop},
    {"game data", Nothing, Nothing},
    {"player profiles", Nothing, Nothing},
    {"gui", Nothing, Nothing},
    {"engine objects", Nothing, Nothing},
};

// Per-frame updates, in order: frame timer, GUI, player profiles, game data, effects, texts.
void (*const FrameUpdates[])() = {TimerUpdate, Nothing, Nothing, Nothing, UpdateEffects, Nothing};

void DrawNextFrame() {
    DrawFrame();
}

void (*const drawFrame)() = DrawNextFrame;
void (*const audioUpdate)() = AudioUpdate;

volatile std::sig_atomic_t quitSignal = 0;

void OnQuitSignal(int) {
    quitSignal = 1;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal must wake the pump's wait.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void LinuxVersion(uint32_t& major, uint32_t& minor) {
    // Every Linux system the game builds on is supported.
    major = 10;
    minor = 0;
}

TSingleInstance* runningInstance = nullptr;

// Every wake of the message pump: a quit signal ends the game, a second copy raises the window.
bool WakeCheck() {
    if (quitSignal != 0) {
        RequestQuit();
    }
    return runningInstance != nullptr && runningInstance->TakeRaiseRequest();
}

void OnResumed() {
    ApplyDisplayMode(false);
    ScriptDebugRefresh();
}

void OnActivated() {
    WindowActivated();
    AudioResume();
    TimerRestart();
}

void OnDeactivated() {
    TimerPause();
    AudioPause();
    WindowDeactivated();
}

void OnGameTitle(std::string_view title) {
    SetWindowTitle(title);
}

// Pointer positions are measured in the main canvas's units.
void MainCanvasSize(float& width, float& height) {
    const TCanvas* canvas = MainCanvas();
    width = canvas != nullptr ? canvas->Width : 1600;
    height = canvas != nullptr ? canvas->Height : 900;
}

// "-capture": the last frame, as a picture file.
void CaptureFrameToFile(const std::string& path) {
    TCaptureImage image;
    if (!DrawFrame(&image)) {
        throw EngineError("Failed to capture the frame for \"" + path + "\"");
    }
    // The screen has no alpha of its own: the picture is opaque.
    TPictureImage picture = MakeArgbImage(image.Width, image.Height);
    for (std::size_t i = 0; i + 3 < image.Rgba.size() && i + 3 < picture.Pixels.size(); i += 4) {
        picture.Pixels[i] = image.Rgba[i + 2];
        picture.Pixels[i + 1] = image.Rgba[i + 1];
        picture.Pixels[i + 2] = image.Rgba[i];
        picture.Pixels[i + 3] = 0xFF;
    }
    const std::string bytes = EncodePng(picture);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        throw EngineError("Unable to create file \"" + path + "\"");
    }
}

// With VALDMOOR_INPUT_TRACE set, every frame's input snapshot goes to that file, one line a
// frame, so automated runs can check what the game saw.
class TInputTrace {
public:
    TInputTrace() {
        const char* path = std::getenv("VALDMOOR_INPUT_TRACE");
        if (path != nullptr && *path != '\0') {
            file_ = std::fopen(path, "w");
        }
    }
    ~TInputTrace() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    TInputTrace(const TInputTrace&) = delete;
    TInputTrace& operator=(const TInputTrace&) = delete;

    void Frame(int64_t frame) {
        if (file_ == nullptr) {
            return;
        }
        char keys[ikCount + 1] = {};
        for (int32_t i = 0; i < ikCount; ++i) {
            keys[i] = KeyPressed(i) ? 'P' : KeyDown(i) ? 'D' : '-';
        }
        float x = 0;
        float y = 0;
        PointerPosition(x, y);
        std::fprintf(file_, "%lld keys=%s inside=%d down=%d up=%d x=%.1f y=%.1f time=%.4f\n",
                     static_cast<long long>(frame), keys, PointerInWindow() ? 1 : 0,
                     PointerButtonDown() ? 1 : 0, PointerButtonUp() ? 1 : 0, x, y, FrameTime());
    }

private:
    std::FILE* file_ = nullptr;
};

void MainLoop() {
    TInputTrace trace;
    const int64_t frameLimit = Switches().Frames;
    int64_t frames = 0;
    for (;;) {
        PumpMessages();
        if (QuitRequested()) {
            break;
        }
        if (!VideoCheckDevice()) {
            DeactivateApplication();
            continue;
        }
        AdvanceFrameCounter();
        for (auto update : FrameUpdates) {
            update();
        }
        ++frames;
        trace.Frame(frames);
        DrawFrameOrFail(drawFrame);
        audioUpdate();
        if (KeyPressed(ikFullScreen)) {
            SetFullScreen(!IsFullScreen());
        }
        if ((FrameCounter() & 1) != 0) {
            ServiceRunCallbacks();
        }
        if (frameLimit > 0 && frames >= frameLimit) {
            RequestQuit();
        }
        if (QuitRequested()) {
            break;
        }
    }
}

void WriteLogFile() {
    if (!StorageReady()) {
        return;
    }
    try {
        if (LogEmpty()) {
            StorageDelete(sfUser, "Log", fkText);
            return;
        }
        std::string text;
        for (const std::string& line : LogLines()) {
            text += line;
            text += "\r\n";
        }
        std::unique_ptr<TStream> file = StorageCreate(sfUser, "Log", fkText);
        file->Write(text.data(), text.size());
        file->Close();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "valdmoor: cannot write the log file: %s\n", error.what());
    }
}

void ShowErrorBox() {
    const std::string text = ErrorBoxText();
    std::fprintf(stderr, "%s\n", UnixLineEnds(text).c_str());
    if (MessageBoxAllowed()) {
        ShowWarningBox(text);
    }
}

} // namespace

std::string UsageText() {
    return "Usage: valdmoor [switches]\n"
           "\n"
           "  -language NAME              start in the language NAME (and remember it)\n"
           "  -nosound                    run without sound\n"
           "  -windowed                   start in a window (and remember it)\n"
           "  -softwarevertexprocessing   use the software rasterizer\n"
           "  -showfps                    show the frames per second\n"
           "  -debug                      debug mode: reload changed scripts, extra screens\n"
           "  -headless                   run without a visible window or sound device\n"
           "  -frames N                   quit after N frames\n"
           "  -input FILE                 replay the input script FILE\n"
           "  -capture FILE.png           save the last frame as a picture\n"
           "  --help                      show this text\n"
           "  --version                   show the version\n"
           "\n"
           "Switches are case-insensitive. Game data is read from the folders beside the\n"
           "executable; the per-user folder is $VALDMOOR_HOME (or $XDG_DATA_HOME, or\n"
           "~/.local/share) + /Quillane/Valdmoor/.\n";
}

void CheckSystemVersion(TSystemVersionQuery query) {
    uint32_t major = 0;
    uint32_t minor = 0;
    query(major, minor);
    if (!SystemVersionSupported(major, minor)) {
        ReportErrorKind(ekSystemRequirements);
        throw EngineError("Unsupported version of Windows");
    }
}

void DrawFrameOrFail(void (*draw)()) {
    try {
        draw();
    } catch (const std::exception&) {
        StorageSetFlag(sfUser, "UseSoftwareVertexProcessing", true);
        throw EngineError("Failed to draw image");
    }
}

int RunGame(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help") {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("Valdmoor 1.01");
            return 0;
        }
    }

    // A second copy brings the first to the front and leaves without a trace.
    TSingleInstance instance;
    std::string userFolder = UserFolder();
    if (userFolder.empty()) {
        userFolder = ExecutableFolder();
    }
    if (!instance.Acquire(userFolder)) {
        return 0;
    }

    ApplicationStart();
    InstallSignalHandlers();
    runningInstance = &instance;
    SetApplicationHooks({OnResumed, OnActivated, OnDeactivated});
    SetWindowHooks(
        {VideoResize, VideoCaptureSnapshot, VideoPaintSnapshot, VideoDropSnapshot, WakeCheck});
    SetInputHooks(FontHasGlyph, PlayKeyClick, MainCanvasSize);
    SetScriptHooks(OnGameTitle, nullptr);
    try {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        CheckSystemVersion(LinuxVersion);
        SetSwitches(ParseSwitches(args));
        if (!ServiceInit(userFolder)) {
            throw EngineError("Failed to initialize Steam API");
        }
        for (const TSubsystem& subsystem : Subsystems) {
            subsystem.Start();
        }
        if (!Switches().InputScript.empty()) {
            LoadInputScript(Switches().InputScript);
        }
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
        MainLoop();
        if (!Switches().CaptureFile.empty()) {
            CaptureFrameToFile(Switches().CaptureFile);
        }
    } catch (const std::exception& error) {
        if (*error.what() != '\0') {
            LogMessage(error.what());
        }
        if (ErrorKind() == ekNone) {
            ReportErrorKind(ekGeneral);
        }
    }

    WriteLogFile();
    ResetApplicationFlags();
    for (auto subsystem = std::rbegin(Subsystems); subsystem != std::rend(Subsystems);
         ++subsystem) {
        try {
            subsystem->Stop();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "valdmoor: stopping %s failed: %s\n", subsystem->Name,
                         error.what());
        }
    }
    ServiceShutdown();
    const int exitCode = ErrorKind() == ekNone ? 0 : 1;
    if (exitCode != 0) {
        ShowErrorBox();
    }
    ApplicationStop();
    runningInstance = nullptr;
    return exitCode;
}

} // namespace valdmoor
