#include "screens/GameGuiDialogs.h"

#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineInput.h"
#include "platform/EngineWindow.h"
#include "players/EnginePlayers.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"

#include <array>
#include <climits>

namespace valdmoor {

namespace {

constexpr float SmallWidth = 580;
constexpr float SmallHeight = 280;
constexpr float SettingsWidth = 700;
constexpr float SettingsHeight = 760;
constexpr float AboutWidth = 580;
constexpr float AboutHeight = 660;
constexpr float ButtonWidth = 200;
constexpr float ButtonHeight = 44;
constexpr int32_t NameMaxLength = 20;
constexpr std::string_view BuiltInTitle = "Valdmoor";
constexpr std::string_view NoBreakSpace = "\xC2\xA0";

struct TVolumeRow {
    int32_t Group;
    int32_t Bit;
    std::string_view Name;
    std::string_view Key;
};
constexpr std::array<TVolumeRow, 3> VolumeRows{{
    {0, spEffects, "Effects", "LabelVolumeEffects"},
    {1, spEnvironment, "Environment", "LabelVolumeEnvironment"},
    {MusicGroup, spMusic, "Music", "LabelVolumeMusic"},
}};

void Prompt(TGuiForm* form, std::string_view key, float y, float height) {
    form->Layout = {0, y, SmallWidth - 100, height};
    CreateControl<TGuiControlLabel>(form, 0,
                                    {{0, "Prompt"}, {22, key}, {9, FontGame}, {20, tfWordWrap}});
}

TGuiControl* Button(TGuiForm* form, float x, float y, float width, std::string_view name,
                    std::string_view key) {
    form->Layout = {x, y, width, ButtonHeight};
    return CreateControl<TGuiControlButton>(form, 0, {{0, name}, {22, key}});
}

TGuiControl* Find(TGuiForm* form, std::string_view name) {
    return static_cast<TGuiControl*>(form->Controls.Find(name));
}

} // namespace

void BuildDialogBox(TGuiForm* form, float width, float height, std::string_view border,
                    TGuiControl*& cover, TGuiControl*& canvas) {
    form->Layout = {0, 0, 1600, 900};
    cover = CreateControl<TGuiControlScreenCover>(form, -2000);
    form->Layout = {0, 0, width, height};
    canvas = CreateControl<TGuiControlCanvas>(form, 0);
    // Parchment and frame take no pointer: the frame lies above the buttons it surrounds.
    CreateControl<TGuiControlPicture>(form, -1000, {{12, "G2BackgroundForm"}, {3, false}});
    CreateControl<TGuiControlPicture>(form, 1000, {{12, border}, {3, false}});
}

void FadeDialogBox(const TGuiDialog* dialog, TGuiControl* cover, TGuiControl* canvas) {
    SetControlAlpha(canvas, dialog->Fade);
    SetControlAlpha(cover, 0.5f * dialog->Fade);
}

std::string VolumeSuffix(int32_t volume) {
    if (volume <= 0) {
        return ColonPrefix() + ": " + ScriptText("LabelOff");
    }
    return ColonPrefix() + ": " + std::to_string(10 * volume) + ColonPrefix() + "%";
}

// ---- message, question, name entry ----

void TGuiDialogMessageCustom::BuildLook() {
    BuildDialogBox(this, SmallWidth, SmallHeight, "G2Border580x280", cover_, canvas_);
    Prompt(this, Text, -35, 150);
}

void TGuiDialogMessageCustom::Show(int32_t) {
    BuildLook();
    TGuiControl* ok = Button(this, 0, 85, ButtonWidth, "OK", "ButtonOK");
    Shortcuts[0] = ok;
    Shortcuts[1] = ok;
}

void TGuiDialogMessageCustom::Refresh(int32_t) {
    FadeDialogBox(this, cover_, canvas_);
}

void TGuiDialogQueryCustom::Show(int32_t) {
    BuildDialogBox(this, SmallWidth, SmallHeight, "G2Border580x280", cover_, canvas_);
    Prompt(this, Text, -35, 150);
    Shortcuts[1] = Button(this, -115, 85, ButtonWidth, "Yes", "ButtonYes");
    Shortcuts[0] = Button(this, 115, 85, ButtonWidth, "", "ButtonNo");
}

void TGuiDialogQueryCustom::Refresh(int32_t) {
    FadeDialogBox(this, cover_, canvas_);
}

void TGuiDialogInputLineCustom::Show(int32_t) {
    BuildDialogBox(this, SmallWidth, SmallHeight, "G2Border580x280", cover_, canvas_);
    Prompt(this, Text, -75, 70);
    Layout = {0, 0, SmallWidth - 120, 48};
    CreateControl<TGuiControlInput>(this, 0, {{0, "Input"}, {9, FontGame}});
    if ((OptionValue & InputLineSingleButton) != 0) {
        Shortcuts[1] = Button(this, 0, 85, ButtonWidth, "OK", "ButtonOK");
    } else {
        Shortcuts[1] = Button(this, -115, 85, ButtonWidth, "OK", "ButtonOK");
        Shortcuts[0] = Button(this, 115, 85, ButtonWidth, "Cancel", "ButtonCancel");
    }
    EditButtons = false;
    EntryFont = FontGame;
    EntryMaxLength = NameMaxLength;
    EntryClickSound = true;
    EntryNamesOnly = (OptionValue & InputLineNamesOnly) != 0;
    StartEntry(Caption);
    EntryEmpty = TrimEntry(TextEntryText()).empty();
    UpdateButtons();
}

void TGuiDialogInputLineCustom::Refresh(int32_t) {
    FadeDialogBox(this, cover_, canvas_);
}

// ---- settings ----

void TGuiDialogSettings::Show(int32_t) {
    BuildDialogBox(this, SettingsWidth, SettingsHeight, "G2Border700x760", cover_, canvas_);
    constexpr float LabelX = -150;
    constexpr float ControlX = 150;
    constexpr float RowHeight = 80;
    float y = -300;
    Layout = {0, y, SettingsWidth - 120, 50};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "LabelSettings"}, {9, FontGame}});
    const auto label = [this, &y](std::string_view key) {
        Layout = {LabelX, y, 280, 44};
        CreateControl<TGuiControlLabel>(this, 0, {{22, key}, {9, FontGame}});
    };

    y += RowHeight;
    label("LabelLanguage");
    const std::string current = CurrentLanguageName();
    std::string shown = LanguageDisplayName(current);
    if (current == "!") {
        shown = ScriptText("LabelDefault") + " (" + shown + ")";
    }
    Layout = {ControlX, y, 240, ButtonHeight};
    TGuiControl* language =
        CreateControl<TGuiControlButton>(this, 0, {{0, "Language"}, {21, shown}});
    SetControlEnabled(language, Languages() != nullptr && Languages()->Count() > 1);

    y += RowHeight;
    label("LabelUserProfiles");
    Button(this, ControlX, y, 160, "UserProfiles", "LabelDisabled");

    y += RowHeight;
    label("LabelDisplayMode");
    Button(this, ControlX, y, 240, "DisplayMode", "LabelWindowed");

    for (const TVolumeRow& row : VolumeRows) {
        y += RowHeight;
        Layout = {LabelX, y, 280, 44};
        CreateControl<TGuiControlLabelSuffix>(this, 0,
                                              {{0, row.Name}, {22, row.Key}, {9, FontGame}});
        const std::string name(row.Name);
        Layout = {ControlX - 150, y, 48, 48};
        CreateControl<TGuiControlButton>(this, 0, {{0, name + "Down"}, {21, "-"}});
        for (int32_t i = 1; i <= 10; ++i) {
            Layout = {ControlX - 125 + 22.7f * static_cast<float>(i), y, 22, 22};
            CreateControl<TGuiControlPicture>(
                this, 0, {{0, "Dot" + name + std::to_string(i)}, {12, "G2Dots"}});
        }
        Layout = {ControlX + 150, y, 48, 48};
        CreateControl<TGuiControlButton>(this, 0, {{0, name + "Up"}, {21, "+"}});
    }

    TGuiControl* close = Button(this, 0, 300, ButtonWidth, "Close", "ButtonClose");
    Shortcuts[0] = close;
    Shortcuts[1] = close;
    RefreshParts(spAll);
}

void TGuiDialogSettings::RefreshParts(int32_t bits) {
    if ((bits & spProfiles) != 0) {
        const TPlayer* player = CurrentPlayer();
        const bool named = player != nullptr && !player->Name().empty();
        TGuiControl* button = Find(this, "UserProfiles");
        SetControlTextKey(button, named ? "LabelEnabled" : "LabelDisabled");
        SetControlEnabled(button, !(named && PlayerCount() > 1));
    }
    if ((bits & spDisplayMode) != 0) {
        FullScreenShown = IsFullScreen();
        SetControlTextKey(Find(this, "DisplayMode"),
                          FullScreenShown ? "LabelFullScreen" : "LabelWindowed");
    }
    for (const TVolumeRow& row : VolumeRows) {
        if ((bits & row.Bit) == 0) {
            continue;
        }
        const std::string name(row.Name);
        const int32_t volume = GroupVolume(row.Group);
        if (auto* label = dynamic_cast<TGuiControlLabelSuffix*>(Find(this, name))) {
            label->SetSuffix(VolumeSuffix(volume));
        }
        SetControlEnabled(Find(this, name + "Down"), volume >= 1);
        SetControlEnabled(Find(this, name + "Up"), volume < 10);
        for (int32_t i = 1; i <= 10; ++i) {
            SetControlProperty(Find(this, "Dot" + name + std::to_string(i)), 15,
                               i <= volume ? 1 : 0);
        }
    }
}

void TGuiDialogSettings::Update() {
    if (IsFullScreen() != FullScreenShown) {
        RefreshParts(spDisplayMode);
    }
}

void TGuiDialogSettings::Refresh(int32_t) {
    FadeDialogBox(this, cover_, canvas_);
}

void TGuiDialogSettings::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    const std::string name = Sender->Name();
    if (name == "Close") {
        CloseDialog(this);
    } else if (name == "Language") {
        SwitchForm("Languages", "Fade");
        CloseDialog(this);
    } else if (name == "UserProfiles") {
        TPlayer* player = CurrentPlayer();
        if (player != nullptr && !player->Name().empty()) {
            player->SetName("");
            RefreshParts(spProfiles);
            SetCurrentForm("Menu");
        } else {
            SetControlTextKey(Sender, "LabelEnabled");
            SwitchForm("Profiles", "Fade");
            CloseDialog(this);
        }
    } else if (name == "DisplayMode") {
        SetFullScreen(!IsFullScreen());
        RefreshParts(spDisplayMode);
    } else {
        for (const TVolumeRow& row : VolumeRows) {
            const std::string rowName(row.Name);
            const int32_t step = name == rowName + "Down" ? -1 : name == rowName + "Up" ? 1 : 0;
            if (step != 0) {
                SetGroupVolume(row.Group, GroupVolume(row.Group) + step);
                RefreshParts(row.Bit);
            }
        }
    }
}

// ---- about ----

void TGuiDialogAbout::Show(int32_t) {
    BuildDialogBox(this, AboutWidth, AboutHeight, "G2Border580x660", cover_, canvas_);
    Layout = {0, -230, 360, 140};
    CreateControl<TGuiControlPicture>(this, 0, {{0, "Logo"}, {12, "G2LogoBack"}});
    CreateControl<TGuiControlPicture>(this, 1, {{0, "LogoLabel"}, {12, "G2LogoLabel"}});
    float y = -140;
    if (ScriptText("GameTitle") != BuiltInTitle) {
        Layout = {0, y, AboutWidth - 100, 40};
        CreateControl<TGuiControlLabel>(this, 0, {{0, "Title"}, {22, "GameTitle"}, {9, FontGame}});
        y += 40;
    }
    Layout = {0, y, AboutWidth - 100, 36};
    auto* version =
        CreateControl<TGuiControlLabelSuffix>(this, 0, {{0, "Version"}, {22, "LabelVersion"}});
    version->SetSuffix(std::string(NoBreakSpace) + VersionText(GameVersion));
    Layout = {0, 60, 360, 300};
    CreateControl<TGuiControlLabel>(
        this, 0, {{0, "Credits"}, {22, "TextCredits"}, {9, FontGame}, {20, tfWordWrap}});
    TGuiControl* close = Button(this, 0, 270, ButtonWidth, "Close", "ButtonClose");
    Shortcuts[0] = close;
    Shortcuts[1] = close;
}

void TGuiDialogAbout::Refresh(int32_t) {
    FadeDialogBox(this, cover_, canvas_);
}

void TGuiDialogAbout::ControlClicked() {
    CloseDialog(this);
}

} // namespace valdmoor
