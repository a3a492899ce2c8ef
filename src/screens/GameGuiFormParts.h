// Pieces the full-screen forms share: background, frame, labels and buttons.
#pragma once

#include "gui/EngineGui.h"

#include <string_view>

namespace valdmoor {

class TGuiControlButton;
class TGuiControlLabel;

constexpr float FormButtonWidth = 300;
constexpr float FormButtonHeight = 50;

// "G2BackgroundForm" under everything and the "G2Border1600x900" frame over it.
void CreateFormBackdrop(TGuiForm* form, bool background);
TGuiControlLabel* CreateFormLabel(TGuiForm* form, float x, float y, float width, float height,
                                  std::string_view textKey, int32_t font = 1);
// STAND-IN: the game's own button (TGuiControlButtonCustom) takes over here when it arrives.
TGuiControlButton* CreateFormButton(TGuiForm* form, float x, float y, float width,
                                    std::string_view name, std::string_view textKey);

} // namespace valdmoor
