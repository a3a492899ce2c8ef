// The game's own look for the engine's message, question and name-entry dialogs, and the
// settings and about dialogs. The game hands these dialogs script text names, not texts: a
// dialog's Text is the key of its prompt.
#pragma once

#include "gui/EngineGuiDialogs.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TGuiControlLabelSuffix;

// The program's version number: 101 is shown as 1.01 (VersionText).
constexpr int32_t GameVersion = 101;

// Bits of the name-entry option value (bit 1, the required text, is the engine's).
constexpr int32_t InputLineSingleButton = 4; // "OK" alone, no "Cancel"
constexpr int32_t InputLineNamesOnly = 8;

// The look the game's dialogs share: the dimmed screen (Cover), one canvas for the whole
// dialog (Canvas), the parchment and the named frame.
void BuildDialogBox(TGuiForm* form, float width, float height, std::string_view border,
                    TGuiControl*& cover, TGuiControl*& canvas);
// Canvas alpha := the dialog's fade, cover alpha := half of it.
void FadeDialogBox(const TGuiDialog* dialog, TGuiControl* cover, TGuiControl* canvas);

// A volume label's suffix: ": Off" at 0, else ": 10 x V%", with the language's colon prefix.
std::string VolumeSuffix(int32_t volume);

class TGuiDialogMessageCustom : public TGuiDialogMessage {
public:
    using TGuiDialogMessage::TGuiDialogMessage;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;

protected:
    // Cover, canvas, parchment and frame of a 580 x 280 dialog, and the prompt.
    void BuildLook();
    TGuiControl* cover_ = nullptr;
    TGuiControl* canvas_ = nullptr;
};

class TGuiDialogQueryCustom : public TGuiDialogQuery {
public:
    using TGuiDialogQuery::TGuiDialogQuery;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;

private:
    TGuiControl* cover_ = nullptr;
    TGuiControl* canvas_ = nullptr;
};

class TGuiDialogInputLineCustom : public TGuiDialogInputLine {
public:
    using TGuiDialogInputLine::TGuiDialogInputLine;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;

private:
    TGuiControl* cover_ = nullptr;
    TGuiControl* canvas_ = nullptr;
};

// Refresh bits of the settings dialog.
enum TSettingsPart : int32_t {
    spProfiles = 1,
    spDisplayMode = 2,
    spEffects = 4,
    spEnvironment = 8,
    spMusic = 16,
    spAll = 31,
};

class TGuiDialogSettings : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Update() override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    // Brings the parts named by Bits up to date.
    void RefreshParts(int32_t bits);

    bool FullScreenShown = false;

private:
    TGuiControl* cover_ = nullptr;
    TGuiControl* canvas_ = nullptr;
};

class TGuiDialogAbout : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

private:
    TGuiControl* cover_ = nullptr;
    TGuiControl* canvas_ = nullptr;
};

} // namespace valdmoor
