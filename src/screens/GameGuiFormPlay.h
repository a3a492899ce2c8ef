// The in-game screen: the current region's map with a marker per site, the four corner buttons
// that slide in while the player may act, the debug undo button and the guide arrow. Each frame
// it drives the avatar, which runs visits, reveals and achievements.
#pragma once

#include "gui/EngineGui.h"

#include <array>
#include <string_view>

namespace valdmoor {

class TGuiControlMap;
class TGuiControl;

constexpr std::string_view FormPlayName = "Play";

// Makes the avatar's requests for form switches, execution effects and saves reach the screens.
// A scene dialog plugged in before stays in front. Unplug restores the headless answers.
void PlugPlayForm();
void UnplugPlayForm();

class TGuiFormPlay : public TGuiForm {
public:
    using TGuiForm::TGuiForm;

    void Show(int32_t arg) override;
    void Hide() override;
    void Update() override;
    // The update by a given frame time.
    void UpdateBy(float frameTime);
    void ControlClicked() override;
    void Message() override;

    TGuiControlMap* MapControl = nullptr;
    TGuiControl* ExitButton = nullptr;
    TGuiControl* HintButton = nullptr;
    TGuiControl* InventoryButton = nullptr;
    TGuiControl* MapButton = nullptr;
    TGuiControl* UndoButton = nullptr;
    bool OnWorldMap = false;
    float Slide = 0;
    float SiteDim = 1;

private:
    void PlaceCornerButtons();
    static void ExitConfirmed(void* data);
    static void SaveAfterExit(void* data);
};

} // namespace valdmoor
