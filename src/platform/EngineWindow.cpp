#include "platform/EngineWindow.h"

#include "app/EngineApplication.h"
#include "platform/EngineInput.h"
#include "platform/InputScript.h"
#include "storage/EngineStorage.h"

#include <cmath>

namespace valdmoor {

namespace {

constexpr char GameTitle[] = "Valdmoor";
constexpr char StartWindowedFlag[] = "StartWindowed";
// While inactive the pump sleeps in slices this long, so second copies and quit signals are
// still heard. Headless runs have nothing to wait for but their input script, which moves on
// one frame a slice.
constexpr int InactiveWaitMs = 100;
constexpr int HeadlessInactiveWaitMs = 16;

// Keys held on the keyboard or by the input script.
class TCombinedKeyboard : public TKeyboard {
public:
    const TKeyboard* Backend = nullptr;
    const TKeyboard* Script = nullptr;
    bool KeyHeld(TKeyCode key) const override {
        return (Backend != nullptr && Backend->KeyHeld(key)) ||
               (Script != nullptr && Script->KeyHeld(key));
    }
};

struct TWindowState {
    std::unique_ptr<TWindowBackend> backend;
    std::unique_ptr<TInputScript> script;
    TCombinedKeyboard keyboard;
    bool fullScreen = false;
    int clientWidth = 0;
    int clientHeight = 0;
    std::string title = GameTitle;
    int64_t pass = 0;
    bool textInput = false;
};

TWindowState window;
TWindowHooks hooks;
TAudioDeviceLost audioDeviceLost = nullptr;

void Call(void (*hook)()) {
    if (hook != nullptr) {
        hook();
    }
}

void Dispatch(const TPlatformEvent& event) {
    switch (event.Kind) {
        case peQuit:
            RequestQuit();
            break;
        case peFocusLost:
        case peMinimized:
            if (ApplicationRunning()) {
                DeactivateApplication();
                SuspendApplication();
            }
            break;
        case peFocusGained:
        case peRestored:
            if (ApplicationRunning()) {
                ResumeApplication();
                ActivateApplication();
            }
            break;
        case peExposed:
            Call(hooks.PaintSnapshot);
            break;
        case peResized: {
            // The window manager (or a desktop change in full screen) chose another size: the
            // picture follows it instead of stretching.
            const int width = static_cast<int>(event.X);
            const int height = static_cast<int>(event.Y);
            if (width > 0 && height > 0 &&
                (width != window.clientWidth || height != window.clientHeight)) {
                window.clientWidth = width;
                window.clientHeight = height;
                if (hooks.Resize != nullptr) {
                    hooks.Resize(width, height);
                }
            }
            break;
        }
        case peAudioDeviceLost:
            if (audioDeviceLost != nullptr) {
                audioDeviceLost(static_cast<uint32_t>(event.Pointer));
            }
            break;
        case peDisplayChanged:
            if (ApplicationRunning()) {
                ApplyDisplayMode(false);
                if (ApplicationShown()) {
                    ActivateApplication();
                }
            }
            break;
        default: {
            int width = 0;
            int height = 0;
            window.backend->WindowSize(width, height);
            if (event.Kind == peKeyDown && event.Key == kcPaste) {
                // Read only when asked: some systems fetch the clipboard from another program.
                PasteIntoTextEntry(TextEntryActive() ? window.backend->ClipboardText() : "");
                break;
            }
            InputEvent(event, width, height);
            break;
        }
    }
}

void DispatchPending() {
    TPlatformEvent event;
    if (window.script != nullptr) {
        while (!QuitRequested() && window.script->PollEvent(event)) {
            Dispatch(event);
        }
    }
    while (!QuitRequested() && window.backend->PollEvent(event)) {
        Dispatch(event);
    }
}

void Wake() {
    if (hooks.WakeCheck != nullptr && hooks.WakeCheck()) {
        window.backend->Raise();
    }
}

// One pass for the input script and the "-frames" limit: each pump pass while the game runs,
// each wait slice while it is inactive, so a script can give the focus back and a limited run
// ends even when it never does.
void BeginPass() {
    ++window.pass;
    const int64_t limit = Switches().Frames;
    if (limit > 0 && window.pass > limit) {
        RequestQuit();
        return;
    }
    if (window.script != nullptr) {
        window.script->BeginFrame(window.pass, window.clientWidth, window.clientHeight);
    }
}

// Before the pass's events are read, so keys typed right after text entry starts arrive as
// text.
void SyncTextInput() {
    if (window.textInput != TextEntryActive()) {
        window.textInput = TextEntryActive();
        window.backend->SetTextInput(window.textInput);
    }
}

} // namespace

void WindowStart() {
    WindowStartWith(CreateSdlWindowBackend(SwitchHeadless()));
}

void WindowStartWith(std::unique_ptr<TWindowBackend> backend) {
    WindowStop();
    if (SwitchWindowed()) {
        window.fullScreen = false;
        StorageSetFlag(sfCloud, StartWindowedFlag, true);
    } else {
        window.fullScreen = !StorageFlag(sfCloud, StartWindowedFlag);
    }
    window.backend = std::move(backend);
    window.keyboard.Backend = window.backend.get();
    window.backend->Open(window.title);
    ApplyDisplayMode(false);
    window.backend->Raise();
}

void WindowStop() {
    if (window.backend != nullptr) {
        window.backend->Close();
    }
    window = TWindowState{};
    InputReset();
}

bool WindowExists() {
    return window.backend != nullptr;
}

TWindowBackend* WindowBackend() {
    return window.backend.get();
}

void WindowedClientSize(int desktopWidth, int desktopHeight, int& width, int& height) {
    const double design = 1600.0 / 900.0;
    const double desktop =
        desktopHeight > 0 ? static_cast<double>(desktopWidth) / desktopHeight : design;
    long w = design >= desktop ? std::lround(desktopWidth * 0.8)
                               : std::lround(desktopHeight * 0.8 * design);
    if (w % 2 != 0) {
        ++w;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(std::lround(static_cast<double>(w) * 900.0 / 1600.0));
}

void ApplyDisplayMode(bool force) {
    if (window.backend == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    if (!window.backend->FixedSize(width, height)) {
        window.backend->DesktopSize(width, height);
        if (!window.fullScreen) {
            WindowedClientSize(width, height, width, height);
        }
    }
    if (!force && width == window.clientWidth && height == window.clientHeight) {
        return;
    }
    window.clientWidth = width;
    window.clientHeight = height;
    window.backend->Place(window.fullScreen, width, height);
    if (hooks.Resize != nullptr) {
        hooks.Resize(width, height);
    }
}

void SetFullScreen(bool on) {
    if (on == window.fullScreen) {
        return;
    }
    window.fullScreen = on;
    ApplyDisplayMode(true);
    // A run started with "-windowed" keeps later starts windowed, whatever it switches to.
    if (!SwitchWindowed()) {
        StorageSetFlag(sfCloud, StartWindowedFlag, !on);
    }
}

bool IsFullScreen() {
    return window.fullScreen;
}

void ClientSize(int& width, int& height) {
    width = window.clientWidth;
    height = window.clientHeight;
}

std::string WindowTitleFor(std::string_view text) {
    if (text.empty() || text == GameTitle) {
        return GameTitle;
    }
    return std::string(GameTitle) + " | " + std::string(text);
}

void SetWindowTitle(std::string_view text) {
    window.title = WindowTitleFor(text);
    if (window.backend != nullptr) {
        window.backend->SetTitle(window.title);
    }
}

const std::string& WindowTitle() {
    return window.title;
}

void PumpMessages() {
    if (window.backend == nullptr) {
        return;
    }
    SyncTextInput();
    BeginPass();
    for (;;) {
        if (!(ApplicationShown() && ApplicationActive()) && !QuitRequested()) {
            window.backend->WaitEvent(SwitchHeadless() ? HeadlessInactiveWaitMs : InactiveWaitMs);
            BeginPass();
        }
        Wake();
        DispatchPending();
        if ((ApplicationShown() && ApplicationActive()) || QuitRequested()) {
            break;
        }
    }
    SyncTextInput();
    InputEndOfPump();
    if (!QuitRequested()) {
        InputReadKeyboard(window.keyboard);
    }
}

int64_t PumpPasses() {
    return window.pass;
}

void SetWindowHooks(const TWindowHooks& windowHooks) {
    hooks = windowHooks;
}

void SetAudioDeviceLostHook(TAudioDeviceLost hook) {
    audioDeviceLost = hook;
}

void WindowActivated() {
    Call(hooks.DropSnapshot);
    InputActivated(window.keyboard);
    // A pointer that stood still over the window while the focus went and came back sends no
    // move; without asking, clicks would be dropped until it moved.
    float x = 0;
    float y = 0;
    if (window.backend != nullptr && window.backend->PointerOver(x, y)) {
        int width = 0;
        int height = 0;
        window.backend->WindowSize(width, height);
        InputPointerOver(x, y, width, height);
    }
}

void WindowDeactivated() {
    InputDeactivated();
    Call(hooks.CaptureSnapshot);
    Call(hooks.PaintSnapshot);
}

void LoadInputScript(const std::string& path) {
    window.script = TInputScript::Load(path);
    window.keyboard.Script = window.script.get();
}

bool TakeScriptCapture(std::string& name) {
    return window.script != nullptr && window.script->TakeCapture(name);
}

} // namespace valdmoor
