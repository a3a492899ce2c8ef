#include "screens/GameGuiFormMenu.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiFormParts.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"

#include <algorithm>

namespace valdmoor {

namespace {

constexpr float ColumnX = 500;
// The game's own menu track.
constexpr std::string_view MenuMusic = "G8MusicMenu";

float LineWidth(std::string_view text) {
    int32_t lines = 0;
    float width = 0;
    float height = 0;
    MeasureText(text, lines, 1, width, height, 10000);
    return width;
}

bool HasProgress() {
    const TCustomPlayerState* state = CurrentGameState();
    return state != nullptr && state->HasEvents();
}

void AskQuestion(std::string_view textKey, TGuiCallback yes, void* data) {
    const std::string text = ScriptText(textKey);
    TDialogArguments arguments;
    arguments.Text = text;
    arguments.Callback = yes;
    arguments.CallbackData = data;
    ShowDialog("QueryCustom", arguments);
}

void StartPlay(bool beginning, TGuiCallback completion = nullptr) {
    SkipMusicWait();
    SwitchForm("Play", beginning ? "FadeBeginning" : "Fade", completion, nullptr);
}

} // namespace

void TGuiFormMenu::Show(int32_t) {
    // NOT YET BUILT: the menu region's map (TGuiControlMap at depth -100, every cell revealed)
    // goes here; until then the form's plain background stands in for it.
    CreateFormBackdrop(this, true);
    TPlayer* player = CurrentPlayer();
    if (player != nullptr && !player->Name().empty()) {
        const std::string welcome = ScriptText("LabelWelcome") + "\u00A0" + player->Name();
        const std::string wrong = ScriptText("LabelWrongProfile");
        const float width = std::max(LineWidth(welcome), LineWidth(wrong)) + 40;
        Layout = {0, -380, width, 100};
        CreateControl<TGuiControlPlate>(this, -10, {{10, 0x302010}, {11, 1.0f}, {3, false}});
        CreateControl<TGuiControlBorder>(this, -5, {{12, "G2Square28Border"}, {3, false}});
        Layout = {0, -405, width, 40};
        CreateControl<TGuiControlLabel>(this, 0, {{21, welcome}, {9, 1}, {3, false}});
        // STAND-IN for TGuiControlButtonLink.
        CreateFormButton(this, 0, -355, width - 20, "Profiles", "LabelWrongProfile");
    }
    Layout = {-250, -100, 700, 350};
    CreateControl<TGuiControlPicture>(
        this, 0, {{12, "G2LogoBack"}, {14, "G2LogoLabel"}, {8, 4}, {3, false}});
    Layout = {-250, -100, 700, 350};
    CreateControl<TGuiControlEffect>(this, -20, {{18, "G2LogoShine"}, {3, false}});
    if (Switches().Debug) {
        Layout = {0, -440, 160, 30};
        CreateControl<TGuiControlPlate>(this, 0, {{3, false}});
        CreateControl<TGuiControlLabel>(this, 1, {{21, "DEBUG"}, {3, false}});
    }
    float y = -120;
    for (const auto& [name, key] : {std::pair{"Play", "ButtonPlay"},
                                    {"NewGame", "ButtonNewGame"},
                                    {"Settings", "ButtonSettings"},
                                    {"Quit", "ButtonQuit"}}) {
        TGuiControl* button = CreateFormButton(this, ColumnX, y, FormButtonWidth, name, key);
        if (std::string_view(name) == "Quit") {
            Shortcuts[0] = button;
        }
        y += 70;
    }
    Layout = {ColumnX - 40, y + 20, 60, 60};
    CreateControl<TGuiControlButton>(this, 0,
                                     {{0, "Achievements"}, {21, "*"}, {24, "HintAchievements"}});
    Layout = {ColumnX + 40, y + 20, 60, 60};
    CreateControl<TGuiControlButton>(this, 0, {{0, "About"}, {21, "?"}, {24, "HintAbout"}});
    // NOT YET BUILT: the recommendation arrow at depth 1000.
    SetFocus(this, "Play", 0);
    PlayJingle("");
    PlayMusic(MenuMusic);
}

void TGuiFormMenu::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    const std::string& name = Sender->Name();
    if (name == "Play") {
        StartPlay(!HasProgress());
    } else if (name == "NewGame") {
        if (HasProgress()) {
            AskQuestion("QueryNewGame", NewGameConfirmed, this);
        } else {
            StartPlay(true);
        }
    } else if (name == "Settings" || name == "Achievements" || name == "About") {
        ShowDialog(name);
    } else if (name == "Quit") {
        AskQuestion("QueryQuitGame", QuitConfirmed, this);
    } else if (name == "Profiles") {
        SwitchForm("Profiles", "Fade");
    }
}

void TGuiFormMenu::NewGameConfirmed(void*) {
    StartPlay(true, ClearProgress);
}

void TGuiFormMenu::ClearProgress(void*) {
    if (TCustomPlayerState* state = CurrentGameState()) {
        state->ClearEvents();
    }
}

void TGuiFormMenu::QuitConfirmed(void*) {
    RequestQuit();
}

} // namespace valdmoor
