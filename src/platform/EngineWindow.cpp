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
// still heard.
constexpr int InactiveWaitMs = 100;

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
    int desktopWidth = 0;
    int desktopHeight = 0;
    window.backend->DesktopSize(desktopWidth, desktopHeight);
    int width = desktopWidth;
    int height = desktopHeight;
    if (!window.fullScreen) {
        WindowedClientSize(desktopWidth, desktopHeight, width, height);
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
    ++window.pass;
    if (window.script != nullptr) {
        window.script->BeginFrame(window.pass, window.clientWidth, window.clientHeight);
    }
    for (;;) {
        const bool running = ApplicationShown() && ApplicationActive();
        if (!running && !QuitRequested()) {
            window.backend->WaitEvent(InactiveWaitMs);
        }
        Wake();
        DispatchPending();
        if ((ApplicationShown() && ApplicationActive()) || QuitRequested()) {
            break;
        }
    }
    if (window.textInput != TextEntryActive()) {
        window.textInput = TextEntryActive();
        window.backend->SetTextInput(window.textInput);
    }
    InputEndOfPump();
    if (!QuitRequested()) {
        InputReadKeyboard(window.keyboard);
    }
}

void SetWindowHooks(const TWindowHooks& windowHooks) {
    hooks = windowHooks;
}

void WindowActivated() {
    Call(hooks.DropSnapshot);
    InputActivated(window.keyboard);
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

} // namespace valdmoor
