#include "screens/GameGuiFormLanguages.h"

#include "gui/EngineGuiControls.h"
#include "screens/GameGuiControls.h"
#include "screens/GameGuiFormParts.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"

#include <algorithm>

namespace valdmoor {

namespace {

constexpr std::string_view DefaultLanguage = "!";
constexpr float ColumnStep = 320;
constexpr float RowStep = 60;

} // namespace

std::string LanguageButtonCaption(std::string_view name) {
    if (name == DefaultLanguage) {
        return ScriptText("LabelDefault") + " (" + LanguageDisplayName(DefaultLanguage) + ")";
    }
    return LanguageDisplayName(name);
}

void TGuiFormLanguages::Show(int32_t) {
    CreateFormBackdrop(this, true);
    // NOT DECIDED: the title's text key is not fixed; "LabelLanguage" is ours.
    CreateFormLabel(this, 0, -370, 1200, 60, "LabelLanguage");
    TContainerOf<TLanguage>* languages = Languages();
    const int32_t count = languages != nullptr ? languages->Count() : 0;
    const int32_t columns =
        std::max(1, (count + LanguageRowsPerColumn - 1) / LanguageRowsPerColumn);
    const int32_t rows = std::min(count, LanguageRowsPerColumn);
    const float left = -ColumnStep * static_cast<float>(columns - 1) / 2;
    const float top = -RowStep * static_cast<float>(rows - 1) / 2 - 20;
    const std::string current = CurrentLanguageName();
    int32_t i = 0;
    if (languages != nullptr) {
        for (TLanguage& language : *languages) {
            Layout = {left + ColumnStep * static_cast<float>(i / LanguageRowsPerColumn),
                      top + RowStep * static_cast<float>(i % LanguageRowsPerColumn),
                      FormButtonWidth, FormButtonHeight};
            TGuiControl* button = CreateControl<TGuiControlButtonCustom>(
                this, 0,
                {{0, language.Name()},
                 {1, "Language"},
                 {5, true},
                 {9, 1},
                 {21, LanguageButtonCaption(language.Name())}});
            if (language.Name() == current) {
                SetChecked(button, true);
            }
            ++i;
        }
    }
    const float okY = top + RowStep * static_cast<float>(rows) + 40;
    Shortcuts[1] =
        CreateFormButton(this, 0, std::max(okY, 300.0f), FormButtonWidth, "OK", "ButtonOK");
}

void TGuiFormLanguages::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    if (Sender->Name() == "OK") {
        SwitchForm("Menu", "Fade");
        // Remembers the choice and ends the pending first-run question.
        ConfirmLanguage();
        return;
    }
    const std::string before = CurrentLanguageName();
    SelectLanguage(Sender->Name(), false);
    if (CurrentLanguageName() != before) {
        ReloadScripts();
        RefreshAllTexts();
    }
    SetControlText(FindControl(this, DefaultLanguage), LanguageButtonCaption(DefaultLanguage));
}

} // namespace valdmoor
