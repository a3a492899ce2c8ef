#include "screens/GameGuiScriptHooks.h"

#include "gui/EngineGui.h"
#include "platform/InputScript.h"
#include "screens/GameGuiDialogScene.h"
#include "screens/GameGuiFormPlay.h"
#include "world/GameAvatar.h"

namespace valdmoor {

std::string RestingInputName() {
    if (NextForm() != nullptr || CurrentTransition() != nullptr) {
        return {};
    }
    for (int32_t slot = 0; slot < DialogSlotCount; ++slot) {
        const TGuiDialog* dialog = DialogInSlot(slot);
        if (dialog != nullptr && dialog->DialogState != dsOpen) {
            return {};
        }
    }
    TGuiForm* target = InputTarget();
    if (target == nullptr || !target->HasInput) {
        return {};
    }
    // A scene dialog that goes by itself takes no input; one animating an exchange takes
    // none until it ends.
    if (const auto* scene = dynamic_cast<const TGuiDialogScene*>(target);
        scene != nullptr && (scene->AutoClose || scene->AnimationPhase > 0)) {
        return {};
    }
    if (const auto* play = dynamic_cast<const TGuiFormPlay*>(target)) {
        // Site markers take clicks only while the avatar is idle, and the corner buttons only
        // once they slid in.
        if (!AvatarStarted() || TheAvatar().AvatarState != asIdle || play->Slide < 1) {
            return {};
        }
    }
    return target->Name();
}

bool InputControlPoint(std::string_view name, float& x, float& y) {
    TGuiForm* target = InputTarget();
    const TGuiControl* control = target != nullptr ? FindControl(target, name) : nullptr;
    if (control == nullptr) {
        return false;
    }
    x = control->Origin.X + control->Position.X;
    y = control->Origin.Y + control->Position.Y;
    return true;
}

void PlugInputScriptHooks() {
    TInputScriptHooks hooks;
    hooks.RestingName = RestingInputName;
    hooks.ControlPoint = InputControlPoint;
    SetInputScriptHooks(hooks);
}

} // namespace valdmoor
