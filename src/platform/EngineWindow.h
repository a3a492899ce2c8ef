// The game's one window: full screen as a borderless desktop-sized window or a centred 16:9
// window, its title, the message pump and the activation transitions.
#pragma once

#include "platform/PlatformBackend.h"

#include <memory>
#include <string>
#include <string_view>

namespace valdmoor {

// Creates the window on SDL (offscreen when headless). Full screen unless "-windowed" was
// given or the remembered flag "StartWindowed" is set; "-windowed" sets that flag.
void WindowStart();
// The same on a given backend (tests).
void WindowStartWith(std::unique_ptr<TWindowBackend> backend);
// Destroys the window; accepts a window never made.
void WindowStop();
bool WindowExists();
TWindowBackend* WindowBackend();

void ApplyDisplayMode(bool force);
// The full-screen key. Remembers the choice in "StartWindowed" unless "-windowed" was given.
void SetFullScreen(bool on);
bool IsFullScreen();
void ClientSize(int& width, int& height);

// "Valdmoor" for an empty text or the bare title, else "Valdmoor | " + Text.
std::string WindowTitleFor(std::string_view text);
void SetWindowTitle(std::string_view text);
const std::string& WindowTitle();
// 80 % of the desktop in the limiting direction, 16:9, even width.
void WindowedClientSize(int desktopWidth, int desktopHeight, int& width, int& height);

// One pass of the message pump: blocks while the game is not both shown and active (waking
// now and then for WakeCheck), dispatches the pending events, then updates the input snapshot.
// Passes are counted for the input script and the "-frames" limit, each wait slice while
// inactive as one, and the pass after the limit requests the quit.
void PumpMessages();
// Passes counted so far: the frame numbers of the input script.
int64_t PumpPasses();

// Hooks of the subsystems around the window: the renderer resizes its back buffer and keeps
// the inactive snapshot; the main procedure answers second copies and quit signals.
struct TWindowHooks {
    void (*Resize)(int width, int height) = nullptr;
    void (*CaptureSnapshot)() = nullptr;
    void (*PaintSnapshot)() = nullptr;
    void (*DropSnapshot)() = nullptr;
    // Called on every wake of the pump; true asks the window to come to the front.
    bool (*WakeCheck)() = nullptr;
};
void SetWindowHooks(const TWindowHooks& hooks);

// Called when the system reports the sound device removed. The audio subsystem sits above the
// platform, so the main procedure plugs it in.
// Which: the device id of the removed output device.
using TAudioDeviceLost = void (*)(uint32_t which);
void SetAudioDeviceLostHook(TAudioDeviceLost hook);

// The window's share of the activation transitions.
void WindowActivated();
void WindowDeactivated();

// Replays input from a script file ("-input"); see the README for the format. Raises
// EngineError naming the file and line for a script it cannot read.
void LoadInputScript(const std::string& path);
// The name of a capture the input script asked for this frame, oldest first; false when none.
bool TakeScriptCapture(std::string& name);

} // namespace valdmoor
