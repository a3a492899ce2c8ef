// Up to six player profiles: create, rename (on first start), delete and select.
#pragma once

#include "gui/EngineGui.h"

#include <string>

namespace valdmoor {

class TPlayer;

constexpr int32_t MaxProfiles = 6;

class TGuiFormProfiles : public TGuiForm {
public:
    using TGuiForm::TGuiForm;

    void Show(int32_t arg) override;
    void Activate() override;
    void ControlClicked() override;

    // Profile buttons show the profiles' names, the current one checked.
    void RefreshList();

    TPlayer* ProfileAtShow = nullptr;
    // Dialogs deferred to the next Activate, so only one of them is open at a time.
    bool AskName = false;
    bool ShowExists = false;
    bool AskNameAgain = false;

private:
    static void NameForFirstProfile(void* data, const std::string& text);
    static void NameForNewProfile(void* data, const std::string& text);
    static void ExistsMessageClosed(void* data);
    static void DeleteConfirmed(void* data);
    static void RestartChosenProfile(void* data);
    void AskNewName(std::string_view initialText, int32_t option);
};

} // namespace valdmoor
