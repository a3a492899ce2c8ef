#include "screens/GameGuiDialogAchievement.h"

#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineTimer.h"
#include "players/EnginePlayers.h"
#include "screens/GameGuiDialogs.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "world/GameAchievement.h"

#include <cmath>
#include <numbers>

namespace valdmoor {

namespace {

constexpr float Width = 580;
constexpr float Height = 280;
constexpr float PulsePeriod = 1.6f;

} // namespace

int32_t AchievementIconFrame(const TAchievement* achievement) {
    if (achievement == nullptr) {
        return 0;
    }
    const int32_t order = achievement->Order;
    if (order < 0 || order >= AchievementIconCount || order == AchievementHiddenIcon) {
        return 0;
    }
    return order;
}

float AchievementPulse(float time) {
    const float phase = std::fmod(std::max(time, 0.0f), PulsePeriod) / PulsePeriod;
    return 0.75f + 0.25f * std::sin(2 * std::numbers::pi_v<float> * phase);
}

void TGuiDialogAchievement::Show(int32_t) {
    if (ResultTarget != nullptr) {
        Achievement = static_cast<TAchievement*>(ResultTarget);
    }
    if (Achievement == nullptr) {
        Achievement = FirstNewlyCompletedAchievement();
    }
    PulseTime = 0;
    BuildDialogBox(this, Width, Height, "G2Border580x280", Cover, CanvasControl);
    Layout = {0, -100, Width - 80, 40};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "LabelAchievementEarned"}, {9, FontGame}});

    const int32_t frame = AchievementIconFrame(Achievement);
    Layout = {-190, 5, 140, 140};
    CreateControl<TGuiControlEffect>(this, -10, {{18, "G2AchievementCompleted"}});
    Layout = {-190, 5, 120, 120};
    Pulse = CreateControl<TGuiControlPicture>(this, -5, {{12, "G2AchievementIcons"}, {15, frame}});
    SetControlScale(Pulse, 1.15f);
    Layout = {-190, 5, 96, 96};
    CreateControl<TGuiControlPicture>(this, 0, {{12, "G2AchievementIcons"}, {15, frame}});

    const std::string title =
        Achievement != nullptr ? SlotText(ssScenario, Achievement->Title(), true) : std::string();
    const std::string legend =
        Achievement != nullptr ? SlotText(ssScenario, Achievement->Legend()) : std::string();
    Layout = {70, -45, 340, 36};
    CreateControl<TGuiControlLabel>(this, 0,
                                    {{0, "Title"}, {21, title}, {9, FontGame}, {20, tfAlignLeft}});
    Layout = {70, 25, 340, 100};
    CreateControl<TGuiControlLabel>(
        this, 0, {{0, "Legend"}, {21, legend}, {20, tfAlignLeft | tfAlignTop | tfWordWrap}});

    Layout = {40, 100, 180, 44};
    TGuiControl* ok = CreateControl<TGuiControlButton>(this, 0, {{0, "OK"}, {22, "ButtonOK"}});
    Shortcuts[0] = ok;
    Shortcuts[1] = ok;
    Layout = {190, 100, 60, 60};
    CreateControl<TGuiControlButtonChoose>(
        this, 0, {{0, "Achievements"}, {12, "G2AchievementIcons"}, {24, "HintAchievements"}});
    PlaySound(this, "G8AchievementEarned", false, 0);
}

void TGuiDialogAchievement::Update() {
    PulseTime += FrameTime();
}

void TGuiDialogAchievement::Refresh(int32_t) {
    FadeDialogBox(this, Cover, CanvasControl);
    SetControlAlpha(Pulse, Fade * AchievementPulse(PulseTime));
}

void TGuiDialogAchievement::Earn() {
    if (Achievement != nullptr && CurrentPlayer() != nullptr) {
        AddAchievement(CurrentPlayer(), Achievement->Number);
    }
}

void TGuiDialogAchievement::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    if (Sender->Name() == "OK") {
        Earn();
        Achievement = nullptr;
        CloseDialog(this);
    } else if (Sender->Name() == "Achievements") {
        Earn();
        Achievement = nullptr;
        ShowDialog("Achievements");
        CloseDialog(this);
    }
}

} // namespace valdmoor
