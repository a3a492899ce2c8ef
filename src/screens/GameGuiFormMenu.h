// The main menu: play, new game, settings, quit, the profile greeting and the logo.
#pragma once

#include "gui/EngineGui.h"

namespace valdmoor {

class TGuiFormMenu : public TGuiForm {
public:
    using TGuiForm::TGuiForm;

    void Show(int32_t arg) override;
    void ControlClicked() override;

private:
    static void NewGameConfirmed(void* data);
    static void ClearProgress(void* data);
    static void QuitConfirmed(void* data);
};

} // namespace valdmoor
