// The game's spine: single-instance guard, start-up in a fixed order, the frame loop, and
// shut-down in reverse order with the log file and the final error box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valdmoor {

// Runs the game from start-up to shut-down with Args (without the program name); returns the
// process exit code: 0 after a normal quit, 1 after an error.
int RunGame(const std::vector<std::string>& args);

// The operating system's version, as the old-system rule sees it.
using TSystemVersionQuery = void (*)(uint32_t& major, uint32_t& minor);
// Reports error kind 2 and raises "Unsupported version of Windows" for a system the game does
// not support.
void CheckSystemVersion(TSystemVersionQuery query);

// Draws one frame through Draw. A failure turns the per-user flag
// "UseSoftwareVertexProcessing" on, so the next start takes the safer path, and raises
// "Failed to draw image"; the drawing error's own message is not kept.
void DrawFrameOrFail(void (*draw)());

// The text printed by --help.
std::string UsageText();

} // namespace valdmoor
