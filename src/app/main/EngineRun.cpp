#include "EngineRun.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "effects/EngineEffects.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "video/PictureFiles.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace valdmoor {

namespace {

const TSubsystem Engine[] = {
    {"storage", StorageStart, StorageStop},     {"frame timer", TimerStart, TimerStop},
    {"main window", WindowStart, WindowStop},   {"script slots", ScriptStart, ScriptStop},
    {"audio", AudioStart, AudioStop},           {"video", VideoStart, VideoStop},
    {"texts and fonts", TextsStart, TextsStop}, {"particle effects", EffectsStart, EffectsStop},
};

volatile std::sig_atomic_t quitSignal = 0;

void OnQuitSignal(int) {
    quitSignal = 1;
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

// Pointer positions are measured in the main canvas's units.
void MainCanvasSize(float& width, float& height) {
    const TCanvas* canvas = MainCanvas();
    width = canvas != nullptr ? canvas->Width : 1600;
    height = canvas != nullptr ? canvas->Height : 900;
}

void DrawNextFrame() {
    DrawFrame();
}

std::string captureFolder;

// The frames the input script's capture steps ask for, into "-capturedir"; without the folder
// the steps are dropped.
void WriteScriptCaptures() {
    std::string name;
    while (TakeScriptCapture(name)) {
        const std::string& folder = captureFolder;
        if (!folder.empty()) {
            CaptureFrameToFile(folder + "/" + name + ".png");
        }
    }
}

// With VALDMOOR_INPUT_TRACE set, every frame's input snapshot goes to that file, one line a
// frame, so automated runs can check what the program saw.
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

} // namespace

std::span<const TSubsystem> EngineSubsystems() {
    return Engine;
}

void StartSubsystems(std::span<const TSubsystem> list) {
    for (const TSubsystem& subsystem : list) {
        subsystem.Start();
    }
}

void StopSubsystems(std::span<const TSubsystem> list, std::string_view program) {
    for (auto subsystem = list.rbegin(); subsystem != list.rend(); ++subsystem) {
        try {
            subsystem->Stop();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%.*s: stopping %s failed: %s\n", static_cast<int>(program.size()),
                         program.data(), subsystem->Name, error.what());
        }
    }
}

void SetEngineHooks(bool (*wakeCheck)()) {
    SetApplicationHooks({OnResumed, OnActivated, OnDeactivated});
    SetWindowHooks(
        {VideoResize, VideoCaptureSnapshot, VideoPaintSnapshot, VideoDropSnapshot, wakeCheck});
    SetInputHooks(FontHasGlyph, PlayKeyClick, MainCanvasSize);
    SetAudioDeviceLostHook(AudioDeviceLost);
}

void InstallQuitSignals() {
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal must wake the pump's wait.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void CheckQuitSignal() {
    if (quitSignal != 0) {
        RequestQuit();
    }
}

void DrawFrameOrFail(void (*draw)()) {
    try {
        draw();
    } catch (const std::exception&) {
        // The drawing failure is what the player must hear about, even when the flag for the
        // safer path cannot be written.
        try {
            StorageSetFlag(sfUser, "UseSoftwareVertexProcessing", true);
        } catch (const std::exception& error) {
            LogMessage(error.what());
        }
        throw EngineError("Failed to draw image");
    }
}

void RunActivated(void (*firstScreen)(), std::span<void (*const)()> updates) {
    SetApplicationRunning(true);
    ResumeApplication();
    ActivateApplication();
    firstScreen();
    RunMainLoop(updates);
}

void RunMainLoop(std::span<void (*const)()> updates) {
    TInputTrace trace;
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
        for (auto update : updates) {
            update();
        }
        trace.Frame(PumpPasses());
        DrawFrameOrFail(DrawNextFrame);
        WriteScriptCaptures();
        AudioUpdate();
        if (KeyPressed(ikFullScreen)) {
            SetFullScreen(!IsFullScreen());
        }
        if ((FrameCounter() & 1) != 0) {
            ServiceRunCallbacks();
        }
        if (QuitRequested()) {
            break;
        }
    }
}

void TakeCaptureFolderSwitch(const std::vector<std::string>& args) {
    captureFolder.clear();
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string_view name = "-capturedir";
        if (std::equal(arg.begin(), arg.end(), name.begin(), name.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            captureFolder = args[++i];
        }
    }
}

void CaptureFrameToFile(const std::string& path) {
    const TPictureImage picture = CaptureFramePicture();
    if (picture.Pixels.empty()) {
        throw EngineError("Failed to capture the frame for \"" + path + "\"");
    }
    const std::string bytes = EncodePng(picture);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        throw EngineError("Unable to create file \"" + path + "\"");
    }
}

} // namespace valdmoor
