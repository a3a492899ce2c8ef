#include "screens/GameRegistry.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "gui/EngineGui.h"
#include "gui/EngineGuiDialogs.h"
#include "players/GameState.h"
#include "screens/GameGuiCursors.h"
#include "screens/GameGuiDialogAchievement.h"
#include "screens/GameGuiDialogAchievements.h"
#include "screens/GameGuiDialogHint.h"
#include "screens/GameGuiDialogInventory.h"
#include "screens/GameGuiDialogScene.h"
#include "screens/GameGuiDialogs.h"
#include "screens/GameGuiFormLanguages.h"
#include "screens/GameGuiFormMenu.h"
#include "screens/GameGuiFormPlay.h"
#include "screens/GameGuiFormProfiles.h"
#include "screens/GameGuiFormSplash.h"
#include "screens/GameGuiHints.h"
#include "screens/GameGuiScriptHooks.h"
#include "screens/GameGuiTransitions.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "video/EngineTextures.h"
#include "world/GameAvatar.h"
#include "world/GameScenario.h"

#include <memory>
#include <string_view>

namespace valdmoor {

namespace {

struct TRegistryState {
    bool splashWanted = false;
    bool preloaded = false;
    // The preloaded textures wait until the first screen has been drawn: it loads what it shows
    // by itself, and the rest should not hold up its first picture.
    bool texturesPending = false;
    bool frameDrawn = false;
};
TRegistryState registry;

constexpr std::string_view CustomName = "Custom";
constexpr std::string_view DefaultName = "Default";

const std::string_view PreloadedSounds[] = {
    "G8InputKey", "G8ButtonFocus", "G8ButtonClick", "G8MapClose",        "G8MapOpen",
    "G8Reveal",   "G8Reward",      "G8RewardPop",   "G8SceneDialogOpen",
};

// NOT YET MADE: "G2BackgroundMap" (after "G2BackgroundForm") joins the list with the regions'
// map pictures; preloading it now would log its absence on every start.
const std::string_view PreloadedTextures[] = {
    "G2Particles", "G2Border580x280",  "G2Border1600x900", "G2BackgroundForm",
    "G2Mask",      "G2Arrows",         "G2Button60x60",    "G2Button200x60",
    "G2LogoBack",  "G2LogoLabel",      "G2Props",          "G2SiteFocusor",
    "G2SiteIcons", "G2Square09Filled", "G2Square28Border", "G2Ballon06Filled",
};

template <class TDialog>
void RegisterGameDialog(std::string_view name, float fadeIn, float fadeOut, std::string_view hint) {
    RegisterDialog(std::make_unique<TDialog>(std::string(name), fadeIn, fadeOut,
                                             std::string(CustomName), std::string(hint)));
}

void RegisterCursors(bool debug) {
    RegisterCursor(std::make_unique<TGuiCursorCustom>(std::string(CustomName)));
    if (debug) {
        RegisterCursor(std::make_unique<TGuiCursor>(std::string(DefaultName)));
    }
}

void RegisterHints(bool debug) {
    RegisterHint(std::make_unique<TGuiHintCustom>(std::string(CustomName), 0.85f, 0.25f, 0.25f));
    if (debug) {
        RegisterHint(
            std::make_unique<TGuiHintDefault>(std::string(DefaultName), 0.75f, 0.0f, 0.0f));
    }
}

void RegisterDialogs(bool debug) {
    RegisterGameDialog<TGuiDialogMessageCustom>("MessageCustom", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogQueryCustom>("QueryCustom", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogInputLineCustom>("InputLineCustom", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogSettings>("Settings", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogAbout>("About", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogAchievement>("Achievement", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogAchievements>("Achievements", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogScene>(DialogSceneName, 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogInventory>("Inventory", 0.3f, 0.3f, CustomName);
    RegisterGameDialog<TGuiDialogHint>("Hint", 0.3f, 0.3f, CustomName);
    if (debug) {
        RegisterGameDialog<TGuiDialogShowAllProps>("ShowAllProps", 0.0f, 0.0f, DefaultName);
    }
    // The engine's own dialogs stay reachable for tools and debug screens.
    RegisterStandardDialogs(CustomName, CustomName);
}

void RegisterTransitions() {
    struct TCoverValues {
        const char* Name;
        float Cover;
        float Hold;
        float Uncover;
        const char* TextKey;
        float TextScale;
    };
    constexpr TCoverValues Covers[] = {
        {"Splash", 0.75f, 0.0f, 0.75f, "", 1},
        {"Fade", 0.3f, 0.0f, 0.3f, "", 1},
        {"FadeBeginning", 0.3f, 0.0f, 1.5f, "", 1},
        {"FadeAfterWhile", 1.0f, 2.0f, 3.0f, "LabelAfterWhile", 1},
        // The ending's words stand as a title: at the body font's size they read as a caption.
        {"FadeEnding", 4.0f, 2.0f, 2.0f, "LabelTheEnd", 3},
    };
    for (const TCoverValues& cover : Covers) {
        RegisterTransition(std::make_unique<TGuiTransitionCover>(
            cover.Name, cover.Cover, cover.Hold, cover.Uncover, TColor3{}, cover.TextKey,
            cover.TextScale));
    }
}

void RegisterForms() {
    const std::string cursor(CustomName);
    const std::string hint(CustomName);
    auto* splash = static_cast<TGuiFormSplash*>(
        RegisterForm(std::make_unique<TGuiFormSplash>("Splash", cursor, hint)));
    registry.splashWanted = splash != nullptr && splash->PictureCount() > 0;
    RegisterForm(std::make_unique<TGuiFormMenu>("Menu", cursor, hint));
    RegisterForm(std::make_unique<TGuiFormProfiles>("Profiles", cursor, hint));
    RegisterForm(std::make_unique<TGuiFormLanguages>("Languages", cursor, hint));
    RegisterForm(std::make_unique<TGuiFormPlay>(std::string(FormPlayName), cursor, hint));
    PlugPlayForm();
}

} // namespace

void RegisterEngineObjects() {
    const bool debug = Switches().Debug;
    registry.splashWanted = false;
    PlugInputScriptHooks();
    RegisterCursors(debug);
    RegisterHints(debug);
    RegisterDialogs(debug);
    RegisterTransitions();
    RegisterForms();
    // The avatar's scenes open the "Scene" dialog from now on; before, none could open.
    PlugSceneDialog();
}

bool SplashWanted() {
    return registry.splashWanted;
}

void PreloadCommon() {
    if (registry.preloaded) {
        return;
    }
    registry.preloaded = true;
    // With the sound group off the samples load on first use instead.
    if (GroupEnabled(0)) {
        for (const std::string_view name : PreloadedSounds) {
            GetSample(name, 1.0f);
        }
    }
    registry.texturesPending = true;
    registry.frameDrawn = false;
    LoadScript(0, false);
    // The world is read before the game state replays its events over it, so the menu region
    // exists when the menu is shown.
    LoadScenario();
    if (TCustomPlayerState* state = CurrentGameState()) {
        state->Restart();
    }
}

void ShowFirstScreen() {
    if (registry.splashWanted) {
        SwitchForm("Splash", "Splash");
        return;
    }
    PreloadCommon();
    SwitchForm(LanguageChoicePending() ? "Languages" : "Menu", "Splash");
}

void GameDataStart() {
    registry.preloaded = false;
    registry.texturesPending = false;
    ScenarioStart();
    // The avatar's hooks (the world's reset, the replay, whether the current player earned an
    // achievement) must be in place before the profiles load and replay.
    AvatarStart();
}

void GameDataUpdate() {
    AvatarFrame();
    // Updates run before the frame is drawn: the first update that finds the first screen in
    // place comes before its first picture, the next one after it.
    if (registry.texturesPending && CurrentForm() != nullptr && CurrentTransition() == nullptr) {
        if (registry.frameDrawn) {
            PreloadTexturesNow();
        }
        registry.frameDrawn = true;
    }
}

void PreloadTexturesNow() {
    if (!registry.texturesPending) {
        return;
    }
    registry.texturesPending = false;
    for (const std::string_view name : PreloadedTextures) {
        GetTexture(name);
    }
}

bool TexturesPreloadPending() {
    return registry.texturesPending;
}

void GameDataStop() {
    registry.preloaded = false;
    registry.texturesPending = false;
    UnplugSceneDialog();
    UnplugPlayForm();
    AvatarStop();
    ScenarioStop();
}

} // namespace valdmoor
