// What every program that runs the engine shares with the game: the engine subsystems in their
// start-up order, the hooks that tie them together, quit signals, the frame loop and the
// "-capture" picture. The game and the asset viewer both build on it, so the viewer shows
// exactly what the game would.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace valdmoor {

struct TSubsystem {
    const char* Name;
    void (*Start)();
    void (*Stop)();
};

// Storage, frame timer, main window, script slots, audio, video, texts and fonts, particle
// effects.
std::span<const TSubsystem> EngineSubsystems();

// Starts List in order; the first failure raises and leaves the rest unstarted.
void StartSubsystems(std::span<const TSubsystem> list);
// Stops List backwards, also after a failed start-up, so every stop accepts a subsystem that
// never started. A failing stop is reported on stderr under Program's name; the others still run.
void StopSubsystems(std::span<const TSubsystem> list, std::string_view program);

// The application, window and input hooks of the engine subsystems. WakeCheck is called on
// every wake of the message pump (true brings the window to the front); nil never raises it.
void SetEngineHooks(bool (*wakeCheck)());

// SIGINT and SIGTERM end the run at the next wake of the message pump.
void InstallQuitSignals();
// Requests the quit when a quit signal arrived; for wake checks.
void CheckQuitSignal();

// Draws one frame through Draw. A failure turns the per-user flag
// "UseSoftwareVertexProcessing" on, so the next start takes the safer path, and raises
// "Failed to draw image"; the drawing error's own message is not kept.
void DrawFrameOrFail(void (*draw)());

// One pass per frame until a quit is requested or the "-frames" limit is reached: pump, check
// the device, advance the frame counter, run Updates in order, draw, update audio, the
// full-screen key and the service callbacks. The limit counts the pump's passes, so a run
// that lost the focus still ends.
void RunMainLoop(std::span<void (*const)()> updates);

// The end of start-up: marks the game running, shows and activates the window, runs
// FirstScreen once (the game shows its first screen there), then the main loop.
void RunActivated(void (*firstScreen)(), std::span<void (*const)()> updates);

// "-capturedir DIR" (any case) among Args: where the input script's capture steps write their
// frames as NAME.png; without it they write nothing.
void TakeCaptureFolderSwitch(const std::vector<std::string>& args);

// "-capture": draws the last frame once more into Path as an opaque PNG picture; raises when
// the frame cannot be drawn or the file cannot be written.
void CaptureFrameToFile(const std::string& path);

} // namespace valdmoor
