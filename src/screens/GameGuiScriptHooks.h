// What a headless input script asks of the screens: whether the game rests ready for the
// player's input and what takes it, and where a named control is.
#pragma once

#include <string>
#include <string_view>

namespace valdmoor {

// The name of the form or dialog taking the input while nothing moves: no form switch or
// transition, every dialog fully open, no exchange animating in a scene dialog, and on the
// play form an idle avatar with the corner buttons fully in. Empty otherwise.
std::string RestingInputName();
// The canvas point of the named control of the form or dialog taking the input.
bool InputControlPoint(std::string_view name, float& x, float& y);
// Gives the two above to the input script.
void PlugInputScriptHooks();

} // namespace valdmoor
