// The "Scene" dialog: one step of a site visit shown to the player, with its text, picture and
// props. For barters and manufactures the player performs exchanges one unit at a time and
// sees the resulting counts before accepting. The dialog changes no prop: it fills the
// exchange counters of whoever drives the visit and tells it Accept or Cancel.
#pragma once

#include "gui/EngineGui.h"
#include "world/GameScene.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace valdmoor {

class TSite;
class TGuiControlProp;
class TGuiControlRecommendedArrow;

constexpr std::string_view DialogSceneName = "Scene";

// The receiver of the dialog's decision: the avatar in the game.
class TSceneHandOver {
public:
    virtual ~TSceneHandOver() = default;
    virtual TChoices& Choices() = 0;
    virtual void AcceptScene() = 0;
    virtual void CancelVisit() = 0;
};
// Nil: the avatar when it runs; else the dialog keeps its counters to itself and hands over
// nothing.
void SetSceneHandOver(TSceneHandOver* handOver);
TSceneHandOver* SceneHandOver();

// Makes the avatar open this dialog for its scenes. Its other requests go on to the screens
// plugged in before (the headless answers until the play form plugs in its own), and so does a
// scene whose dialog cannot open, so a visit never waits for a dialog that is not there.
void PlugSceneDialog();
void UnplugSceneDialog();

// Registers the dialog (fades of 0.3 s) unless one of that name exists. Needs the framework.
void RegisterSceneDialog(std::string_view cursorName = {}, std::string_view hintName = {});
// Opens the dialog on Scene; nil when it cannot open.
TGuiDialog* OpenSceneDialog(TScene& scene);

// Lines of 30 units; wrapped ever wider, up to 400 more, until the text fits in Height; the
// size of the box it needs.
TVector2 FitSceneText(std::string_view text, float baseWidth, float height);
// The largest size of the picture's Aspect (width / height) inside Box, so a picture is never
// stretched out of shape by the layout it is shown in; a bad aspect fills the box.
TVector2 FitScenePicture(TVector2 box, float aspect);

class TGuiDialogScene : public TGuiDialog {
public:
    using TGuiDialog::TGuiDialog;
    void Show(int32_t arg) override;
    void Activate() override;
    void Update() override;
    void Refresh(int32_t arg) override;
    void ControlClicked() override;

    TScene* Scene = nullptr;
    TSite* Site = nullptr;
    bool AutoClose = false;
    float AutoCloseDelay = 0;
    int32_t InputSlots = 0;
    int32_t OutputSlots = 0;
    int32_t AnimatedSlot = 0;
    int32_t AnimationPhase = 0;
    float AnimationProgress = 0;

private:
    TChoices& Choices();
    void BuildSlots(float top, float width);
    void BuildButtons(float y);
    void RefreshExchange();
    void StepAnimation(float dt);
    void EndPhase();
    void FinishAnimation();
    void PlaceAnimated(float inputLift, float outputLift);
    void HandOver(bool accept);
    bool Exchangeable(int32_t slot) const;

    TChoices ownChoices_{};
    bool activated_ = false;
    bool handedOver_ = false;
    std::string text_;
    TVector2 textBox_;
    TVector2 centre_;
    TGuiControl* main_ = nullptr;
    TGuiControl* cover_ = nullptr;
    TGuiControlRecommendedArrow* arrow_ = nullptr;
    std::array<TGuiControlProp*, SceneSlotCount> inputTiles_{};
    std::array<TGuiControlProp*, SceneSlotCount> outputTiles_{};
    std::array<float, SceneSlotCount> inputY_{};
    std::array<float, SceneSlotCount> outputY_{};
};

} // namespace valdmoor
