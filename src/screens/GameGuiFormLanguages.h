// The first-run choice of language: one button per language folder, the texts switching at once.
#pragma once

#include "gui/EngineGui.h"

#include <string>

namespace valdmoor {

constexpr int32_t LanguageRowsPerColumn = 8;

// The caption of a language's button; the default language "!" says so in the current language.
std::string LanguageButtonCaption(std::string_view name);

class TGuiFormLanguages : public TGuiForm {
public:
    using TGuiForm::TGuiForm;

    void Show(int32_t arg) override;
    void ControlClicked() override;
};

} // namespace valdmoor
