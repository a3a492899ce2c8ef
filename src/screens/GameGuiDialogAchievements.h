// Every achievement of the world as a grid of medals: earned ones glow, the others are dimmed,
// hidden ones show the sealed medal until revealed (or, in debug mode, unlocked for viewing).
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>
#include <string>

namespace valdmoor {

class TAchievement;

constexpr int32_t AchievementsShownMax = 48;

// What a medal's hint says: title, description and, while incomplete with a target above 1,
// the progress.
std::string AchievementHintText(const TAchievement& achievement);

class TGuiDialogAchievements : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Update() override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    bool ShowAll = false;
    int32_t CompletedCount = 0;
    int32_t ShownCount = 0;
    int32_t HiddenCount = 0;
    TGuiControl* Cover = nullptr;
    TGuiControl* CanvasControl = nullptr;
    TGuiControl* Pulse = nullptr; // the glow behind the summary line
    float PulseTime = 0;

private:
    bool rebuild_ = false;
};

} // namespace valdmoor
