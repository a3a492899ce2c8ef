#include "screens/GameGuiFormMenu.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiControlMap.h"
#include "screens/GameGuiControls.h"
#include "screens/GameGuiDialogInventory.h"
#include "screens/GameGuiFormParts.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"

#include <algorithm>
#include <tuple>

namespace valdmoor {

namespace {

constexpr float ColumnX = 500;
// The game's own menu track.
constexpr std::string_view MenuMusic = "G8MusicMenu";
// Icons of the game font: a star for the achievements, the information sign for about.
constexpr std::string_view AchievementsGlyph = "\xEE\x80\x82";
constexpr std::string_view AboutGlyph = "\xEE\x80\x8F";
constexpr float IconButtonSize = 60;

float LineWidth(std::string_view text) {
    int32_t lines = 0;
    float width = 0;
    float height = 0;
    MeasureText(text, lines, 1, width, height, 10000);
    return width;
}

bool IsPainted(const TRegion& region) {
    if (region.Picture != nullptr) {
        return true;
    }
    for (const TTile& cell : region.Map.Cells) {
        if (cell.Terrain != nullptr) {
            return true;
        }
    }
    return false;
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
    // The menu lies over the whole of the menu region's map; a world without one, or with one
    // that has nothing painted on it, gets the plain background instead.
    TRegion* region = MenuRegion();
    if (region != nullptr && !IsPainted(*region)) {
        region = nullptr;
    }
    CreateFormBackdrop(this, region == nullptr);
    if (region != nullptr) {
        region->Reset();
        region->PrepareAssets();
        Layout = {0, 0, 2 * ScreenHalfWidth, 2 * ScreenHalfHeight};
        auto* map = CreateControl<TGuiControlMap>(this, -100);
        map->SetMap(region);
        map->RevealAll();
    }
    TPlayer* player = CurrentPlayer();
    if (player != nullptr && !player->Name().empty()) {
        const std::string welcome = ScriptText("LabelWelcome") + "\u00A0" + player->Name();
        const std::string wrong = ScriptText("LabelWrongProfile");
        const float width = std::max(LineWidth(welcome), LineWidth(wrong)) + 80;
        Layout = {0, -378, width, 110};
        CreateControl<TGuiControlPlate>(this, -10, {{10, 0x302010}, {11, 1.0f}, {3, false}});
        CreateControl<TGuiControlPlateFrame>(this, -5, {{12, "G2Square28Border"}, {3, false}});
        Layout = {0, -400, width, 40};
        CreateControl<TGuiControlLabel>(this, 0, {{21, welcome}, {9, 1}, {3, false}});
        Layout = {0, -355, width - 20, 40};
        CreateControl<TGuiControlButtonLink>(this, 0,
                                             {{0, "Profiles"}, {22, "LabelWrongProfile"}, {9, 1}});
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
    for (const auto& [name, glyph, hintKey, offset] :
         {std::tuple{"Achievements", AchievementsGlyph, "HintAchievements", -40.0f},
          std::tuple{"About", AboutGlyph, "HintAbout", 40.0f}}) {
        Layout = {ColumnX + offset, y + 20, IconButtonSize, IconButtonSize};
        CreateControl<TGuiControlButtonCustom>(this, 0,
                                               {{0, name}, {21, glyph}, {24, hintKey}, {9, 1}});
    }
    CreateFormArrow(this);
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
