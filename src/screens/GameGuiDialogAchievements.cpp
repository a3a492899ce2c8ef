#include "screens/GameGuiDialogAchievements.h"

#include "app/EngineApplication.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineTimer.h"
#include "screens/GameGuiDialogAchievement.h"
#include "screens/GameGuiDialogs.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "world/GameAchievement.h"
#include "world/GameScenario.h"

#include <algorithm>

namespace valdmoor {

namespace {

constexpr float Width = 1020;
constexpr float Height = 670;
constexpr int32_t Columns = 8;
constexpr float PitchX = 112;
constexpr float PitchY = 78;
constexpr float Icon = 68;
constexpr float GridTop = -215; // centre of the first row
constexpr int32_t DimColor = 0x909090;
constexpr int32_t GlowColor = 0xD0AC80;
constexpr float GlowAlpha = 0.35f;

constexpr std::string_view NoBreakSpace = "\xC2\xA0";

} // namespace

std::string AchievementHintText(const TAchievement& achievement) {
    std::string text;
    const std::string title = SlotText(ssScenario, achievement.Title(), true);
    if (!title.empty()) {
        text = title + "\n";
    }
    text += SlotText(ssScenario, achievement.Legend());
    if (!achievement.Completed() && achievement.Target > 1) {
        const int32_t progress = std::clamp(achievement.Value(), 0, achievement.Target);
        text += "\n" + ScriptText("LabelProgress") + ColonPrefix() + ": " + FormatNumber(progress) +
                "/" + FormatNumber(achievement.Target);
    }
    return text;
}

void TGuiDialogAchievements::Show(int32_t) {
    PulseTime = 0;
    CompletedCount = 0;
    ShownCount = 0;
    HiddenCount = 0;
    BuildDialogBox(this, Width, Height, "G2Border1020x670", Cover, CanvasControl);
    Layout = {0, -280, Width - 120, 44};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "LabelAchievements"}, {9, FontGame}});

    for (TAchievement& achievement : ScenarioAchievements()) {
        if (ShownCount == AchievementsShownMax) {
            break;
        }
        const int32_t column = ShownCount % Columns;
        const int32_t row = ShownCount / Columns;
        ++ShownCount;
        const float x = (static_cast<float>(column) - (Columns - 1) / 2.0f) * PitchX;
        const float y = GridTop + static_cast<float>(row) * PitchY;
        const bool completed = achievement.Completed();
        const bool revealed = achievement.Hidden == 0 || achievement.IsVisible();
        const bool open = completed || revealed || ShowAll;
        if (completed) {
            ++CompletedCount;
            Layout = {x, y, Icon + 24, Icon + 24};
            CreateControl<TGuiControlEffect>(this, -10, {{18, "G2AchievementCompleted"}});
        }
        if (!completed && !revealed) {
            ++HiddenCount;
        }
        Layout = {x, y, Icon, Icon};
        TGuiControl* icon = CreateControl<TGuiControlPicture>(
            this, 0,
            {{12, "G2AchievementIcons"},
             {15, open ? AchievementIconFrame(&achievement) : AchievementHiddenIcon}});
        if (!completed) {
            SetControlProperty(icon, 8, smSepia);
            SetControlProperty(icon, 10, DimColor);
        }
        if (open) {
            SetControlProperty(icon, 23, AchievementHintText(achievement));
        }
    }

    // A soft gold glow behind the summary line beats slowly; the line itself stays put, so a
    // beat costs no text layout.
    Layout = {0, 225, 440, 50};
    Pulse = CreateControl<TGuiControlPlate>(this, -20, {{10, GlowColor}, {3, false}});
    Layout = {0, 225, Width - 120, 40};
    auto* summary = CreateControl<TGuiControlLabelSuffix>(
        this, 0, {{0, "Summary"}, {22, "LabelEarnedAchievements"}, {9, FontGame}});
    std::string suffix = ColonPrefix() + ":";
    suffix += NoBreakSpace;
    suffix += std::to_string(CompletedCount);
    suffix += NoBreakSpace;
    suffix += ScriptText("LabelOf");
    suffix += NoBreakSpace;
    suffix += std::to_string(ShownCount);
    summary->SetSuffix(suffix);

    Layout = {0, 285, 200, 44};
    TGuiControl* close =
        CreateControl<TGuiControlButton>(this, 0, {{0, "Close"}, {22, "ButtonClose"}});
    Shortcuts[0] = close;
    Shortcuts[1] = close;
    if (SwitchDebug() && !ShowAll && HiddenCount > 0) {
        Layout = {360, 285, 160, 44};
        CreateControl<TGuiControlButton>(
            this, 1010,
            {{0, "Unlock"}, {21, "UNLOCK"}, {23, "Unlock all achievements"}, {26, "Default"}});
    }
}

void TGuiDialogAchievements::Update() {
    PulseTime += FrameTime();
    // Rebuilt here, not in the click, so the clicked button outlives its own event.
    if (rebuild_) {
        rebuild_ = false;
        ReloadForm(this);
    }
}

void TGuiDialogAchievements::Refresh(int32_t) {
    FadeDialogBox(this, Cover, CanvasControl);
    SetControlAlpha(Pulse, Fade * GlowAlpha * AchievementPulse(PulseTime));
}

void TGuiDialogAchievements::ControlClicked() {
    if (Sender == nullptr) {
        return;
    }
    if (Sender->Name() == "Close") {
        CloseDialog(this);
    } else if (Sender->Name() == "Unlock") {
        ShowAll = true;
        rebuild_ = true;
    }
}

} // namespace valdmoor
