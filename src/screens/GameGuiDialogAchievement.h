// The announcement of one newly earned achievement, and the rule that picks a medal picture
// for an achievement.
#pragma once

#include "gui/EngineGui.h"

#include <cstdint>

namespace valdmoor {

class TAchievement;

// Frames of "G2AchievementIcons": 16 medals, frame 1 the sealed medal of a hidden entry.
constexpr int32_t AchievementIconCount = 16;
constexpr int32_t AchievementHiddenIcon = 1;

// The medal of an achievement is the frame named by its Order: 0 and 2..15 pick that medal;
// 1 (the sealed medal), any other value and a nil achievement give medal 0. The record has no
// field of its own for it, and Order is the author's to set.
int32_t AchievementIconFrame(const TAchievement* achievement);

// How strongly a pulsing part shows after Time seconds: 0.5 .. 1, one beat in 1.6 s.
float AchievementPulse(float time);

// Shown by the avatar with the achievement as ResultTarget (else the first newly completed
// one). OK or the list button earns it for the current profile.
class TGuiDialogAchievement : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Update() override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    TAchievement* Achievement = nullptr;
    TGuiControl* Cover = nullptr;
    TGuiControl* CanvasControl = nullptr;
    TGuiControl* Pulse = nullptr;
    float PulseTime = 0;

private:
    void Earn();
};

} // namespace valdmoor
