// The game's spine: single-instance guard, start-up in a fixed order, the frame loop, and
// shut-down in reverse order with the log file and the final error box.
#pragma once

#include "EngineRun.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace valdmoor {

// Runs the game from start-up to shut-down with Args (without the program name); returns the
// process exit code: 0 after a normal quit, 1 after an error.
int RunGame(const std::vector<std::string>& args);

// Shut-down, also after a failed start-up: writes the log file (when storage knew its
// folders), stops Game's subsystems and then Engine's, each list backwards, and shows the error
// box when the run failed. A stop that raises is handled like any error of the run: its message
// reaches the log, the log file and the box, the exit code is 1, and the other stops still run.
// Returns the exit code.
int ShutDown(std::span<const TSubsystem> game, std::span<const TSubsystem> engine);

// The operating system's version, as the old-system rule sees it.
using TSystemVersionQuery = void (*)(uint32_t& major, uint32_t& minor);
// Reports error kind 2 and raises "Unsupported version of Windows" for a system the game does
// not support.
void CheckSystemVersion(TSystemVersionQuery query);

// The text printed by --help.
std::string UsageText();

} // namespace valdmoor
