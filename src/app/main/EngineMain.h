// The game's spine: single-instance guard, start-up in a fixed order, the frame loop, and
// shut-down in reverse order with the log file and the final error box.
#pragma once

#include "EngineRun.h"

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

// The text printed by --help.
std::string UsageText();

} // namespace valdmoor
