#include "screens/GameGuiFormParts.h"

#include "gui/EngineGuiControls.h"
#include "screens/GameGuiControls.h"

namespace valdmoor {

// Pictures and labels take no clicks: the frame lies over the whole screen.
void CreateFormBackdrop(TGuiForm* form, bool background) {
    form->Layout = {0, 0, 2 * ScreenHalfWidth, 2 * ScreenHalfHeight};
    if (background) {
        CreateControl<TGuiControlPicture>(form, -1000, {{12, "G2BackgroundForm"}, {3, false}});
    }
    CreateControl<TGuiControlPicture>(form, 990, {{12, "G2Border1600x900"}, {3, false}});
}

TGuiControlLabel* CreateFormLabel(TGuiForm* form, float x, float y, float width, float height,
                                  std::string_view textKey, int32_t font) {
    form->Layout = {x, y, width, height};
    return CreateControl<TGuiControlLabel>(form, 0, {{22, textKey}, {9, font}, {3, false}});
}

TGuiControlButtonCustom* CreateFormButton(TGuiForm* form, float x, float y, float width,
                                          std::string_view name, std::string_view textKey) {
    form->Layout = {x, y, width, FormButtonHeight};
    return CreateControl<TGuiControlButtonCustom>(form, 0, {{0, name}, {22, textKey}, {9, 1}});
}

void CreateFormArrow(TGuiForm* form) {
    form->Layout = {0, 0, 64, 64};
    CreateControl<TGuiControlRecommendedArrow>(form, 1000);
}

} // namespace valdmoor
