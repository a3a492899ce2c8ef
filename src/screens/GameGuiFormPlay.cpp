#include "screens/GameGuiFormPlay.h"

#include "app/EngineApplication.h"
#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineTimer.h"
#include "players/EnginePlayers.h"
#include "players/GameState.h"
#include "screens/GameGuiControlMap.h"
#include "screens/GameGuiControlSite.h"
#include "screens/GameGuiControls.h"
#include "screens/GameGuiDialogScene.h"
#include "storage/EngineScript.h"
#include "world/GameAchievement.h"
#include "world/GameAvatar.h"
#include "world/GamePlayActions.h"
#include "world/GamePool.h"
#include "world/GameRegion.h"
#include "world/GameScenario.h"
#include "world/GameScene.h"
#include "world/GameSite.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace valdmoor {

namespace {

// Corner button glyphs of the game font: exit, hint, inventory, world map.
constexpr std::string_view ExitGlyph = "\xEE\x80\x8D";
constexpr std::string_view HintGlyph = "\xEE\x80\x8E";
constexpr std::string_view InventoryGlyph = "\xEE\x80\x89";
constexpr std::string_view MapGlyph = "\xEE\x80\x8F";

constexpr float ButtonSize = 60;
constexpr float CornerX = 800 - 30;
constexpr float CornerY = 450 - 30;
constexpr float SlideDistance = 33;
constexpr float SlideSpeed = 2; // per second: half a second in or out
constexpr float ButtonsShownAt = 0.05f;
constexpr float FocusDim = 0.4f;

// The avatar's requests the play form answers; scene dialogs and achievements go on to the
// answers that were there before (the headless ones unless a dialog took them).
class TPlayScreens final : public TAvatarScreens {
public:
    void OpenSceneDialog(TScene& scene) override { Previous().OpenSceneDialog(scene); }
    void OpenAchievementDialog(TAchievement& achievement) override {
        if (DialogExists("Achievement")) {
            TDialogArguments arguments;
            arguments.ResultTarget = &achievement;
            if (ShowDialog("Achievement", arguments) != nullptr) {
                return;
            }
        }
        Previous().OpenAchievementDialog(achievement);
    }
    void SwitchForm(std::string_view form, std::string_view transition,
                    std::function<void()> completed) override {
        if (FindForm(form) == nullptr) {
            // Nothing to show: the world must still move on.
            if (completed) {
                completed();
            }
            return;
        }
        // One switch at a time: a later request replaces the completion of an earlier one
        // that has not run, as the framework replaces the form it will show.
        pending = std::move(completed);
        valdmoor::SwitchForm(form, transition, RunPending, this);
    }
    void PlaySceneExecutionEffects(const TScene& scene) override {
        PostFormMessage(FormPlayName, "PlaySceneExecutionEffects", const_cast<TScene*>(&scene));
    }
    void SaveProfiles() override { valdmoor::SaveProfiles(); }

    TAvatarScreens* previous = nullptr;
    std::function<void()> pending;

private:
    TAvatarScreens& Previous() { return previous != nullptr ? *previous : *this; }
    static void RunPending(void* data) {
        auto* self = static_cast<TPlayScreens*>(data);
        std::function<void()> completed = std::move(self->pending);
        self->pending = nullptr;
        if (completed) {
            completed();
        }
    }
};
TPlayScreens playScreens;
bool plugged = false;

TGuiControl* CornerButton(TGuiForm* form, std::string_view name, std::string_view glyph,
                          std::string_view hintKey) {
    form->Layout = {0, 0, ButtonSize, ButtonSize};
    auto* button = CreateControl<TGuiControlButtonCustom>(form, 0);
    button->ChooseTexture();
    button->SetName(std::string(name));
    button->Font = 1;
    SetControlText(button, glyph);
    SetControlHintKey(button, hintKey);
    return button;
}

void PlaceButton(TGuiControl* button, float signX, float signY, bool shown, float slide) {
    const float m = shown ? SlideDistance * slide : 0;
    SetControlPosition(button, signX * (CornerX - m), signY * (CornerY - m));
    // A button out of play is neither clickable nor drawn.
    const bool enabled = shown && slide > ButtonsShownAt;
    SetControlEnabled(button, enabled);
    SetControlVisible(button, enabled);
}

} // namespace

void PlugPlayForm() {
    if (plugged) {
        return;
    }
    // A scene dialog in front keeps its place: it goes back on top of the play form's answers.
    TAvatarScreens* before = &AvatarScreens();
    UnplugSceneDialog();
    const bool sceneDialog = &AvatarScreens() != before;
    SetAvatarScreens(nullptr);
    TAvatarScreens& headless = AvatarScreens();
    TAvatarScreens* under = sceneDialog ? &AvatarScreens() : before;
    playScreens.previous = under != &playScreens ? under : &headless;
    SetAvatarScreens(&playScreens);
    if (sceneDialog) {
        PlugSceneDialog();
    }
    plugged = true;
}

void UnplugPlayForm() {
    if (!plugged) {
        return;
    }
    TAvatarScreens* before = &AvatarScreens();
    UnplugSceneDialog();
    const bool sceneDialog = &AvatarScreens() != before;
    SetAvatarScreens(nullptr);
    if (sceneDialog) {
        PlugSceneDialog();
    }
    playScreens.previous = nullptr;
    playScreens.pending = nullptr;
    plugged = false;
}

void TGuiFormPlay::Show(int32_t) {
    TRegion* region = CurrentRegion();
    if (region != nullptr) {
        region->PrepareAssets();
    }
    Slide = 0;
    Layout = {0, 0, 1600, 900};
    CreateControl<TGuiControlPicture>(this, 990, {{12, "G2Border1600x900"}, {3, false}});
    UndoButton = nullptr;
    if (Switches().Debug) {
        Layout = {-560, -420, 140, 30};
        UndoButton = CreateControl<TGuiControlButton>(
            this, 1010,
            {{0, "Undo"}, {21, "UNDO"}, {23, "Undo last game action"}, {26, "Default"}});
    }
    OnWorldMap = region != nullptr && region == WorldMapRegion();
    Layout = {0, 0, 1560, 860};
    MapControl = CreateControl<TGuiControlMap>(this, -100);
    MapControl->SetMap(region);
    if (OnWorldMap) {
        MapControl->RevealAll();
    } else {
        MapControl->ApplyReveals();
    }
    if (region != nullptr) {
        for (TSite& site : region->Sites) {
            Layout = {0, 0, 60, 60};
            auto* control = CreateControl<TGuiControlSite>(this, -40, {{0, "SiteControl"}});
            control->SetSite(&site);
            SetControlHint(control, SlotText(ssScenario, site.Title(), true));
        }
    }
    SiteDim = 0;
    TSiteControlWorld world;
    world.SiteDim = SiteDim;
    SetSiteControlWorld(world);
    ExitButton = CornerButton(this, "Exit", ExitGlyph, "HintExit");
    HintButton = CornerButton(this, "Hint", HintGlyph, "HintHint");
    InventoryButton = CornerButton(this, "Inventory", InventoryGlyph, "HintInventory");
    MapButton = CornerButton(this, "Map", MapGlyph, OnWorldMap ? "HintMap2" : "HintMap1");
    PlaceCornerButtons();
    Layout = {0, 0, 60, 60};
    CreateControl<TGuiControlRecommendedArrow>(this, 1000);
    if (OnWorldMap) {
        PlayGuiSound("G8MapOpen");
    }
}

void TGuiFormPlay::Hide() {
    MapControl = nullptr;
    ExitButton = HintButton = InventoryButton = MapButton = UndoButton = nullptr;
    SetSiteControlWorld({});
}

void TGuiFormPlay::Update() {
    UpdateBy(FrameTime());
}

void TGuiFormPlay::UpdateBy(float frameTime) {
    if (MapControl == nullptr) {
        return;
    }
    TAvatar* avatar = AvatarStarted() ? &TheAvatar() : nullptr;
    if (avatar != nullptr) {
        avatar->UpdateBy(HasInput, MapControl, frameTime);
        MapControl->SetReveal(avatar->AvatarState == asRevealSites ? avatar->Site : nullptr,
                              avatar->Progress);
    }
    switch (StoryStage()) {
        case 1:
            Focus = HintButton;
            break;
        case 2:
            Focus = InventoryButton;
            break;
        case 3:
            Focus = MapButton;
            break;
        default:
            Focus = nullptr;
            break;
    }
    if (Focus != nullptr) {
        FocusStyle = StoryStage() - 1;
    }
    const bool idle = avatar == nullptr || avatar->AvatarState == asIdle;
    if (HasInput && idle) {
        Slide = std::min(1.0f, Slide + SlideSpeed * frameTime);
    } else {
        Slide = std::max(0.0f, Slide - SlideSpeed * frameTime);
    }
    SiteDim = Focus != nullptr ? FocusDim : FocusDim + (1 - FocusDim) * Slide;
    TSiteControlWorld world;
    world.SiteDim = SiteDim;
    if (avatar != nullptr) {
        world.AvatarState = avatar->AvatarState;
        world.AvatarSite = avatar->Site;
        world.AvatarProgress = avatar->Progress;
    }
    SetSiteControlWorld(world);
    PlaceCornerButtons();
    if (UndoButton != nullptr) {
        SetControlVisible(UndoButton, Slide > ButtonsShownAt);
    }
    if (TSound* music = MusicNow()) {
        PlayMusic(music->Name());
    } else if (TRegion* region = CurrentRegion(); region != nullptr && region->CurrentMusic) {
        QueueMusic(region->CurrentMusic->Name());
    }
}

void TGuiFormPlay::PlaceCornerButtons() {
    PlaceButton(ExitButton, 1, -1, true, Slide);
    PlaceButton(HintButton, 1, 1, StoryFlag(1), Slide);
    PlaceButton(InventoryButton, -1, 1, StoryFlag(2), Slide);
    PlaceButton(MapButton, -1, -1, StoryFlag(3), Slide);
}

void TGuiFormPlay::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    // What a click may do is what the world offers now, asked where the world checker asks.
    const TPlayActions offered =
        AvatarStarted() ? OfferedPlayActions(TheAvatar(), HasInput) : TPlayActions{};
    const std::string& name = Sender->Name();
    if (name == "SiteControl") {
        auto* control = static_cast<TGuiControlSite*>(Sender);
        if (std::find(offered.Sites.begin(), offered.Sites.end(), control->Site) !=
            offered.Sites.end()) {
            TheAvatar().GoToSite(control->Site, true);
        }
    } else if (Sender == HintButton) {
        if (offered.HintButton) {
            ShowDialog("Hint");
        }
    } else if (Sender == InventoryButton) {
        if (offered.InventoryButton) {
            ShowDialog("Inventory");
        }
    } else if (Sender == MapButton) {
        if (offered.MapTarget == nullptr) {
            return;
        }
        TheAvatar().TravelTo(offered.MapTarget);
        if (OnWorldMap) {
            PlayGuiSound("G8MapClose");
        }
    } else if (Sender == ExitButton) {
        const std::string text = ScriptText("QueryExitToMenu");
        TDialogArguments arguments;
        arguments.Text = text;
        arguments.Callback = ExitConfirmed;
        arguments.CallbackData = this;
        ShowDialog("QueryCustom", arguments);
    } else if (Sender == UndoButton && Switches().Debug) {
        if (TCustomPlayerState* state = CurrentGameState()) {
            playScreens.pending = nullptr;
            state->UndoLastMove();
            state->Restart();
            valdmoor::SwitchForm(FormPlayName, "Fade");
        }
    }
}

void TGuiFormPlay::Message() {
    if (MessageText == "PlaySceneExecutionEffects" && MapControl != nullptr) {
        MapControl->PlaySceneEffects(static_cast<const TScene*>(MessageObject));
    }
}

void TGuiFormPlay::ExitConfirmed(void*) {
    valdmoor::SwitchForm("Menu", "Fade", SaveAfterExit, nullptr);
}

void TGuiFormPlay::SaveAfterExit(void*) {
    SaveProfiles();
}

} // namespace valdmoor
