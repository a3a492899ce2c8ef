// The hint dialog: what to do next, from the first recommended site's hint tree.
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>
#include <string>

namespace valdmoor {

class THint;

// The hint's scenario text, with "I need" and "I have" sentences when the hint asks for them;
// empty without a hint.
std::string HintDialogText(const THint* hint, int32_t amount);

class TGuiDialogHint : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    TGuiControl* CanvasControl = nullptr;
    std::string ShownText;
};

} // namespace valdmoor
