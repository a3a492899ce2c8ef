// Pieces the full-screen forms share: background, frame, labels and buttons.
#pragma once

#include "gui/EngineGui.h"

#include <string_view>

namespace valdmoor {

class TGuiControlButtonCustom;
class TGuiControlLabel;

constexpr float FormButtonWidth = 300;
// The height of the button pictures, so faces are not squeezed.
constexpr float FormButtonHeight = 60;

// "G2BackgroundForm" under everything and the "G2Border1600x900" frame over it.
void CreateFormBackdrop(TGuiForm* form, bool background);
TGuiControlLabel* CreateFormLabel(TGuiForm* form, float x, float y, float width, float height,
                                  std::string_view textKey, int32_t font = 1);
// The game's textured button, its picture chosen by its width.
TGuiControlButtonCustom* CreateFormButton(TGuiForm* form, float x, float y, float width,
                                          std::string_view name, std::string_view textKey);
// The bobbing arrow that points at the form's focus control, over everything but the frame.
void CreateFormArrow(TGuiForm* form);

} // namespace valdmoor
