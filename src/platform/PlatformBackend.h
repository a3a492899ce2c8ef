// The seams between the platform shell and the system under it: a window with its events and
// keyboard, and a clock. The game uses SDL (sdl/); tests use the in-memory backend (headless/)
// that they drive event by event.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace valdmoor {

// The physical keys the game reads.
enum TKeyCode : int32_t {
    kcNone = 0,
    kcEscape,
    kcEnter,
    kcKeypadEnter,
    kcSpace,
    kcF1,
    kcF11,
    kcH,
    kcI,
    kcM,
    kcLeftCtrl,
    kcRightCtrl,
    kcLeftAlt,
    kcRightAlt,
    kcLeftSuper,
    kcRightSuper,
    kcLeft,
    kcRight,
    kcDelete,
    kcBackspace,
    kcPaste, // Ctrl+V: only ever a key-down event for text entry
    kcCount
};

enum TPlatformEventKind : int32_t {
    peNone = 0,
    peQuit, // the window's close button, or the system asks the game to end
    peFocusGained,
    peFocusLost,
    peMinimized,
    peRestored,
    peExposed,        // the window needs repainting
    peDisplayChanged, // the desktop's size may have changed
    peKeyDown,        // Key, Alt; latched for the keyboard read, and edits during text entry
    pePointerMove,    // X, Y in client pixels
    peButtonDown,
    peButtonUp,
    pePointerLeave,
    peTouchDown, // Pointer identifies the contact; X, Y in client pixels
    peTouchMove,
    peTouchUp,
    peText, // Text: UTF-8 typed by the player
    pePointerEnter,
    peResized,         // the system changed the client size: X, Y in pixels
    peAudioDeviceLost, // the sound device went away (unplugged)
};

struct TPlatformEvent {
    TPlatformEventKind Kind = peNone;
    float X = 0;
    float Y = 0;
    int64_t Pointer = 0; // also the device id of peAudioDeviceLost
    TKeyCode Key = kcNone;
    bool Alt = false;   // an Alt key was held with Key
    char Text[32] = {}; // NUL-terminated; fixed so the pump never allocates
};

// Which keys are held right now.
class TKeyboard {
public:
    virtual ~TKeyboard() = default;
    virtual bool KeyHeld(TKeyCode key) const = 0;
};

class TWindowBackend : public TKeyboard {
public:
    // Creates the window, hidden until the first Place. Raises EngineError on failure.
    virtual void Open(const std::string& title) = 0;
    virtual void Close() = 0;
    virtual void DesktopSize(int& width, int& height) = 0;
    // Shows the window: borderless over the whole desktop, or framed and centred with the
    // given client size.
    virtual void Place(bool fullScreen, int width, int height) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The size pointer events are measured in.
    virtual void WindowSize(int& width, int& height) = 0;
    // Takes the next pending event; false when there is none.
    virtual bool PollEvent(TPlatformEvent& event) = 0;
    // Sleeps until an event is pending or TimeoutMs has passed.
    virtual void WaitEvent(int timeoutMs) = 0;
    // Brings the window to the front (a second copy of the game asked for it).
    virtual void Raise() = 0;
    virtual void SetTextInput(bool on) = 0;
    // Whether the pointer is over the window now, and where (client pixels). Activation asks,
    // since the system reports no move for a pointer that stood still during a focus change.
    virtual bool PointerOver(float& /*x*/, float& /*y*/) { return false; }
    // A client size the system fixes whatever the display mode (headless runs); false when the
    // size follows the desktop.
    virtual bool FixedSize(int& /*width*/, int& /*height*/) { return false; }
    // The system clipboard's text (UTF-8); empty when it holds none.
    virtual std::string ClipboardText() { return {}; }
    // The system's window for the renderer (an SDL_Window), nil when there is none.
    virtual void* NativeHandle() { return nullptr; }
};

// A monotonic high-resolution clock.
class TClock {
public:
    virtual ~TClock() = default;
    virtual uint64_t Frequency() = 0; // ticks per second; 0 when unusable
    virtual uint64_t Counter() = 0;
    // Called once at the start of every frame's timer update.
    virtual void FrameStarted() {}
};

// SDL's window (its offscreen driver when headless) and performance counter.
std::unique_ptr<TWindowBackend> CreateSdlWindowBackend(bool headless);
std::unique_ptr<TClock> CreateSdlClock();
// A clock that advances exactly 1/60 s per frame, so headless runs repeat exactly.
std::unique_ptr<TClock> CreateFixedStepClock();

} // namespace valdmoor
