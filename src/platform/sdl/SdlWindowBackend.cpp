// The window, its events and the keyboard on SDL. Headless runs use SDL's offscreen driver
// (unless the environment already chose one), so they take the same code path without a
// display.
#include "app/EngineApplication.h"
#include "platform/PlatformBackend.h"
#include "storage/EngineStorage.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace valdmoor::sdl {

namespace {

SDL_Scancode ScancodeOf(TKeyCode key) {
    switch (key) {
        case kcEscape:
            return SDL_SCANCODE_ESCAPE;
        case kcEnter:
            return SDL_SCANCODE_RETURN;
        case kcKeypadEnter:
            return SDL_SCANCODE_KP_ENTER;
        case kcSpace:
            return SDL_SCANCODE_SPACE;
        case kcF1:
            return SDL_SCANCODE_F1;
        case kcF11:
            return SDL_SCANCODE_F11;
        case kcH:
            return SDL_SCANCODE_H;
        case kcI:
            return SDL_SCANCODE_I;
        case kcM:
            return SDL_SCANCODE_M;
        case kcLeftCtrl:
            return SDL_SCANCODE_LCTRL;
        case kcRightCtrl:
            return SDL_SCANCODE_RCTRL;
        case kcLeftAlt:
            return SDL_SCANCODE_LALT;
        case kcRightAlt:
            return SDL_SCANCODE_RALT;
        case kcLeftSuper:
            return SDL_SCANCODE_LGUI;
        case kcRightSuper:
            return SDL_SCANCODE_RGUI;
        case kcLeft:
            return SDL_SCANCODE_LEFT;
        case kcRight:
            return SDL_SCANCODE_RIGHT;
        case kcDelete:
            return SDL_SCANCODE_DELETE;
        case kcBackspace:
            return SDL_SCANCODE_BACKSPACE;
        default:
            return SDL_SCANCODE_UNKNOWN;
    }
}

// The keys the game reads, for key-down events.
TKeyCode KeyOf(SDL_Scancode code) {
    switch (code) {
        case SDL_SCANCODE_ESCAPE:
            return kcEscape;
        case SDL_SCANCODE_SPACE:
            return kcSpace;
        case SDL_SCANCODE_F1:
            return kcF1;
        case SDL_SCANCODE_F11:
            return kcF11;
        case SDL_SCANCODE_H:
            return kcH;
        case SDL_SCANCODE_I:
            return kcI;
        case SDL_SCANCODE_M:
            return kcM;
        case SDL_SCANCODE_LCTRL:
            return kcLeftCtrl;
        case SDL_SCANCODE_RCTRL:
            return kcRightCtrl;
        case SDL_SCANCODE_LALT:
            return kcLeftAlt;
        case SDL_SCANCODE_RALT:
            return kcRightAlt;
        case SDL_SCANCODE_LGUI:
            return kcLeftSuper;
        case SDL_SCANCODE_RGUI:
            return kcRightSuper;
        case SDL_SCANCODE_LEFT:
            return kcLeft;
        case SDL_SCANCODE_RIGHT:
            return kcRight;
        case SDL_SCANCODE_DELETE:
            return kcDelete;
        case SDL_SCANCODE_BACKSPACE:
            return kcBackspace;
        case SDL_SCANCODE_RETURN:
            return kcEnter;
        case SDL_SCANCODE_KP_ENTER:
            return kcKeypadEnter;
        default:
            return kcNone;
    }
}

std::string Failure(const char* what) {
    return std::string(what) + "\r(Error code: " + SDL_GetError() + ")";
}

// Headless windows have the design's size unless "-windowsize" or VALDMOOR_WINDOW_SIZE asks
// for another, so pictures and frame timings are taken at a known size.
void HeadlessSize(int& width, int& height) {
    int32_t w = 1600;
    int32_t h = 900;
    if (Switches().WindowWidth > 0 && Switches().WindowHeight > 0) {
        w = Switches().WindowWidth;
        h = Switches().WindowHeight;
    } else if (const char* size = std::getenv("VALDMOOR_WINDOW_SIZE"); size != nullptr) {
        ParseWindowSize(size, w, h);
    }
    width = w;
    height = h;
}

class TSdlWindowBackend : public TWindowBackend {
public:
    explicit TSdlWindowBackend(bool headless) {
        if (headless && std::getenv("SDL_VIDEODRIVER") == nullptr) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        }
        if (headless) {
            HeadlessSize(fixedWidth_, fixedHeight_);
        }
    }

    ~TSdlWindowBackend() override { Close(); }

    void Open(const std::string& title) override {
        // The game draws its own cursor and reads the mouse itself; keep SDL out of the way.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "0");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            ReportErrorKind(ekGeneral);
            throw EngineError(Failure("Failed to register window class"));
        }
        videoStarted_ = true;
        // After a drawing failure, or when asked, the next start draws with the software
        // rasterizer; it has to be chosen before the first OpenGL context exists.
        if (SwitchSoftwareVertexProcessing() ||
            StorageExists(sfUser, "UseSoftwareVertexProcessing", fkFlag)) {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        const Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
        // The offscreen driver keeps the drawing surface a window was created with, so a
        // headless window is born at its final size.
        const int width = fixedWidth_ > 0 ? fixedWidth_ : 640;
        const int height = fixedWidth_ > 0 ? fixedHeight_ : 360;
        window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   width, height, flags | SDL_WINDOW_OPENGL);
        if (window_ == nullptr) {
            // Without OpenGL the window still opens; the renderer then says what is missing.
            window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                       SDL_WINDOWPOS_CENTERED, width, height, flags);
        }
        if (window_ == nullptr) {
            ReportErrorKind(ekGeneral);
            throw EngineError(Failure("Failed to create window"));
        }
        SDL_StopTextInput();
    }

    void Close() override {
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
        }
        if (videoStarted_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
            videoStarted_ = false;
        }
    }

    void DesktopSize(int& width, int& height) override {
        SDL_DisplayMode mode{};
        const int display =
            window_ != nullptr ? std::max(SDL_GetWindowDisplayIndex(window_), 0) : 0;
        if (SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            width = mode.w;
            height = mode.h;
        } else {
            width = 1600;
            height = 900;
        }
    }

    void Place(bool fullScreen, int width, int height) override {
        if (window_ == nullptr) {
            return;
        }
        if (fixedWidth_ > 0) {
            // Headless: the size is fixed, and the offscreen desktop is not the one to cover.
            SDL_SetWindowFullscreen(window_, 0);
            SDL_SetWindowSize(window_, width, height);
        } else if (fullScreen) {
            // A borderless window over the desktop; the display mode is never changed.
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        } else {
            SDL_SetWindowFullscreen(window_, 0);
            SDL_SetWindowBordered(window_, SDL_TRUE);
            SDL_SetWindowSize(window_, width, height);
            SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
        SDL_ShowWindow(window_);
    }

    void SetTitle(const std::string& title) override {
        if (window_ != nullptr) {
            SDL_SetWindowTitle(window_, title.c_str());
        }
    }

    void WindowSize(int& width, int& height) override {
        width = height = 0;
        if (window_ != nullptr) {
            SDL_GetWindowSize(window_, &width, &height);
        }
    }

    bool PollEvent(TPlatformEvent& event) override {
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
            event = TPlatformEvent{};
            if (Translate(e, event)) {
                return true;
            }
        }
        return false;
    }

    void WaitEvent(int timeoutMs) override { SDL_WaitEventTimeout(nullptr, timeoutMs); }

    bool KeyHeld(TKeyCode key) const override {
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        const SDL_Scancode code = ScancodeOf(key);
        return state != nullptr && code != SDL_SCANCODE_UNKNOWN && code < count && state[code] != 0;
    }

    void Raise() override {
        if (window_ != nullptr) {
            SDL_RestoreWindow(window_);
            SDL_RaiseWindow(window_);
        }
    }

    void* NativeHandle() override { return window_; }

    bool PointerOver(float& x, float& y) override {
        if (window_ == nullptr || SDL_GetMouseFocus() != window_) {
            return false;
        }
        int mouseX = 0;
        int mouseY = 0;
        SDL_GetMouseState(&mouseX, &mouseY);
        x = static_cast<float>(mouseX);
        y = static_cast<float>(mouseY);
        return true;
    }

    bool FixedSize(int& width, int& height) override {
        if (fixedWidth_ <= 0) {
            return false;
        }
        width = fixedWidth_;
        height = fixedHeight_;
        return true;
    }

    std::string ClipboardText() override {
        if (SDL_HasClipboardText() != SDL_TRUE) {
            return {};
        }
        char* text = SDL_GetClipboardText();
        std::string result = text != nullptr ? text : "";
        SDL_free(text);
        return result;
    }

    void SetTextInput(bool on) override {
        if (on) {
            SDL_StartTextInput();
        } else {
            SDL_StopTextInput();
        }
    }

private:
    bool Translate(const SDL_Event& e, TPlatformEvent& event) {
        switch (e.type) {
            case SDL_QUIT:
                event.Kind = peQuit;
                return true;
            case SDL_WINDOWEVENT:
                return TranslateWindow(e.window, event);
            case SDL_DISPLAYEVENT:
                event.Kind = peDisplayChanged;
                return true;
            case SDL_MOUSEMOTION:
                if (e.motion.which == SDL_TOUCH_MOUSEID) {
                    return false; // touch arrives as finger events
                }
                event.Kind = pePointerMove;
                event.X = static_cast<float>(e.motion.x);
                event.Y = static_cast<float>(e.motion.y);
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) {
                    return false;
                }
                event.Kind = e.type == SDL_MOUSEBUTTONDOWN ? peButtonDown : peButtonUp;
                event.X = static_cast<float>(e.button.x);
                event.Y = static_cast<float>(e.button.y);
                return true;
            case SDL_FINGERDOWN:
            case SDL_FINGERMOTION:
            case SDL_FINGERUP: {
                int width = 0;
                int height = 0;
                WindowSize(width, height);
                event.Kind = e.type == SDL_FINGERDOWN ? peTouchDown
                             : e.type == SDL_FINGERUP ? peTouchUp
                                                      : peTouchMove;
                event.Pointer = static_cast<int64_t>(e.tfinger.fingerId);
                event.X = e.tfinger.x * static_cast<float>(width);
                event.Y = e.tfinger.y * static_cast<float>(height);
                return true;
            }
            case SDL_KEYDOWN:
                event.Kind = peKeyDown;
                event.Key =
                    e.key.keysym.scancode == SDL_SCANCODE_V && (e.key.keysym.mod & KMOD_CTRL) != 0
                        ? kcPaste
                        : KeyOf(e.key.keysym.scancode);
                event.Alt = (e.key.keysym.mod & KMOD_ALT) != 0;
                return event.Key != kcNone;
            case SDL_AUDIODEVICEREMOVED:
                // Only the output device the game opened matters; capture is never used.
                event.Kind = peAudioDeviceLost;
                event.Pointer = e.adevice.which;
                return e.adevice.iscapture == 0;
            case SDL_TEXTINPUT:
                event.Kind = peText;
                std::snprintf(event.Text, sizeof event.Text, "%s", e.text.text);
                return true;
            default:
                return false;
        }
    }

    bool TranslateWindow(const SDL_WindowEvent& e, TPlatformEvent& event) {
        switch (e.event) {
            case SDL_WINDOWEVENT_CLOSE:
                event.Kind = peQuit;
                return true;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                event.Kind = peFocusGained;
                return true;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                event.Kind = peFocusLost;
                return true;
            case SDL_WINDOWEVENT_MINIMIZED:
                event.Kind = peMinimized;
                return true;
            case SDL_WINDOWEVENT_RESTORED:
                event.Kind = peRestored;
                return true;
            case SDL_WINDOWEVENT_EXPOSED:
                event.Kind = peExposed;
                return true;
            case SDL_WINDOWEVENT_LEAVE:
                event.Kind = pePointerLeave;
                return true;
            case SDL_WINDOWEVENT_ENTER:
                event.Kind = pePointerEnter;
                return true;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                event.Kind = peResized;
                event.X = static_cast<float>(e.data1);
                event.Y = static_cast<float>(e.data2);
                return true;
            case SDL_WINDOWEVENT_DISPLAY_CHANGED:
                event.Kind = peDisplayChanged;
                return true;
            default:
                return false;
        }
    }

    SDL_Window* window_ = nullptr;
    bool videoStarted_ = false;
    int fixedWidth_ = 0; // nonzero when headless
    int fixedHeight_ = 0;
};

class TSdlClock : public TClock {
public:
    uint64_t Frequency() override { return SDL_GetPerformanceFrequency(); }
    uint64_t Counter() override { return SDL_GetPerformanceCounter(); }
};

} // namespace

} // namespace valdmoor::sdl

namespace valdmoor {

std::unique_ptr<TWindowBackend> CreateSdlWindowBackend(bool headless) {
    return std::make_unique<sdl::TSdlWindowBackend>(headless);
}

std::unique_ptr<TClock> CreateSdlClock() {
    return std::make_unique<sdl::TSdlClock>();
}

} // namespace valdmoor
