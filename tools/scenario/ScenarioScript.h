// The winning path as an input script for the game ("-input"), played through the real
// screens: every step waits until the game rests ready for input, so no animation's length
// is written into it.
#pragma once

#include "ScenarioProve.h"

#include <string>

namespace valdmoor::scenario {

// From the first start on a fresh per-user folder (the language form's OK when the choice is
// pending, the menu's New game) through every action of the path to the ending, back on the
// menu, then Quit and Yes. Site clicks go to the site markers' points; buttons are clicked by
// name. On the way it captures the first resting frame of each screen it meets (the language
// form, the menu, each region, each kind of scene dialog, the hint, inventory and achievement
// dialogs), the ending half-way through its cover and the menu after it, for "-capturedir".
// The world must be loaded.
std::string PlayInputScript(const TProveReport& report);

} // namespace valdmoor::scenario
