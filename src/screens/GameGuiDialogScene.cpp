#include "screens/GameGuiDialogScene.h"

#include "app/EngineApplication.h"
#include "gui/EngineGuiControls.h"
#include "platform/EngineTimer.h"
#include "screens/GameGuiControlProp.h"
#include "screens/GameGuiControls.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "video/EngineTextures.h"
#include "world/GameAvatar.h"
#include "world/GamePlayActions.h"
#include "world/GamePool.h"
#include "world/GameProp.h"
#include "world/GameSite.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

namespace valdmoor {

namespace {

TSceneHandOver* handOver = nullptr;

class TAvatarHandOver final : public TSceneHandOver {
public:
    TChoices& Choices() override { return TheAvatar().Choices; }
    void AcceptScene() override { TheAvatar().AcceptScene(); }
    void CancelVisit() override { TheAvatar().CancelVisit(); }
};
TAvatarHandOver avatarHandOver;

class TDialogScreens final : public TAvatarScreens {
public:
    void OpenSceneDialog(TScene& scene) override {
        if (valdmoor::OpenSceneDialog(scene) == nullptr) {
            Previous().OpenSceneDialog(scene);
        }
    }
    void OpenAchievementDialog(TAchievement& achievement) override {
        Previous().OpenAchievementDialog(achievement);
    }
    void SwitchForm(std::string_view form, std::string_view transition,
                    std::function<void()> completed) override {
        Previous().SwitchForm(form, transition, std::move(completed));
    }
    void PlaySceneExecutionEffects(const TScene& scene) override {
        Previous().PlaySceneExecutionEffects(scene);
    }
    void SaveProfiles() override { Previous().SaveProfiles(); }

    TAvatarScreens* previous = nullptr;

private:
    // Set whenever the dialog is plugged in.
    TAvatarScreens& Previous() { return *previous; }
};
TDialogScreens dialogScreens;
TAvatarScreens* headlessScreens = nullptr;

constexpr float FadeTime = 0.3f;
constexpr float Margin = 25;
constexpr float Gap = 12;
constexpr float LineHeight = 30;
constexpr float TextAreaHeight = 300; // the most text a dialog shows before it grows
constexpr float TileStep = 100;
constexpr float ColumnStep = 110;
constexpr float CountHeight = 30;
constexpr float ButtonSize = 60;
constexpr float PerformHeight = 50;
constexpr uint16_t ChoiceLimit = std::numeric_limits<uint16_t>::max();

// Font glyphs of the accept and cancel buttons (U+E00B, U+E00A).
constexpr std::string_view AcceptGlyph = "\xEE\x80\x8B";
constexpr std::string_view CancelGlyph = "\xEE\x80\x8A";

constexpr std::array<float, 3> PhaseTime{0.08f, 0.05f, 0.12f};
constexpr float InputRise = 4;
constexpr float OutputRise = 3;

bool ShowsSlots(const TScene& scene) {
    return scene.IsRequirements() || scene.IsLoss() || scene.IsReward() || scene.IsBarter() ||
           scene.IsMake();
}

std::string SlotName(std::string_view base, int32_t slot) {
    return std::string(base) + std::to_string(slot);
}

// The slot number after Base in Name, 0 when there is none.
int32_t SlotOf(std::string_view name, std::string_view base) {
    if (name.size() <= base.size()) {
        return 0;
    }
    const char digit = name[base.size()];
    return digit >= '1' && digit <= '8' && name.size() == base.size() + 1 ? digit - '0' : 0;
}

// The preview follows the model's rules: a prop that is held or not stays within 0..1.
void ShiftShown(TProp* prop, int64_t delta) {
    if (prop == nullptr) {
        return;
    }
    int64_t shown = static_cast<int64_t>(prop->ShownCount) + delta;
    if (!prop->IsCountable()) {
        shown = std::clamp<int64_t>(shown, 0, 1);
    }
    prop->ShownCount = static_cast<int32_t>(std::clamp<int64_t>(
        shown, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

TGuiControl* Place(TGuiForm* form, std::unique_ptr<TGuiControl> control, float x, float y, float w,
                   float h, int32_t layer = 0) {
    form->Layout = {x, y, w, h};
    return CreateControl(form, layer, std::move(control));
}

template <class T>
T* Place(TGuiForm* form, float x, float y, float w, float h, int32_t layer = 0) {
    return static_cast<T*>(Place(form, std::make_unique<T>(), x, y, w, h, layer));
}

TGuiControlProp* Tile(TGuiForm* form, std::unique_ptr<TGuiControlProp> tile, float x, float y,
                      const TPropAmount& entry, std::string_view name, const std::string& hint) {
    auto* placed = static_cast<TGuiControlProp*>(Place(form, std::move(tile), x, y, 88, 88, 10));
    placed->SetName(std::string(name));
    placed->SetEntry(entry, false);
    SetControlHint(placed, hint);
    return placed;
}

TGuiControlLabel* CountLabel(TGuiForm* form, float x, float y, std::string name) {
    auto* label = Place<TGuiControlLabel>(form, x, y, ColumnStep, CountHeight, 10);
    label->SetName(std::move(name));
    label->Font = 1;
    return label;
}

TGuiControlButtonCustom* GameButton(TGuiForm* form, float x, float y, float width,
                                    std::string_view name, std::string_view caption) {
    auto* button = Place<TGuiControlButtonCustom>(form, x, y, width, ButtonSize, 20);
    button->ChooseTexture();
    button->SetName(std::string(name));
    SetControlText(button, caption);
    return button;
}

} // namespace

void SetSceneHandOver(TSceneHandOver* receiver) {
    handOver = receiver;
}

TSceneHandOver* SceneHandOver() {
    if (handOver != nullptr) {
        return handOver;
    }
    return AvatarStarted() ? &avatarHandOver : nullptr;
}

void PlugSceneDialog() {
    if (&AvatarScreens() == &dialogScreens) {
        return;
    }
    TAvatarScreens& before = AvatarScreens();
    SetAvatarScreens(nullptr);
    headlessScreens = &AvatarScreens();
    dialogScreens.previous = &before;
    SetAvatarScreens(&dialogScreens);
}

void UnplugSceneDialog() {
    if (&AvatarScreens() != &dialogScreens) {
        return;
    }
    SetAvatarScreens(dialogScreens.previous == headlessScreens ? nullptr : dialogScreens.previous);
    dialogScreens.previous = nullptr;
}

void RegisterSceneDialog(std::string_view cursorName, std::string_view hintName) {
    if (!DialogExists(DialogSceneName)) {
        RegisterDialog(std::make_unique<TGuiDialogScene>(std::string(DialogSceneName), FadeTime,
                                                         FadeTime, std::string(cursorName),
                                                         std::string(hintName)));
    }
}

TGuiDialog* OpenSceneDialog(TScene& scene) {
    TDialogArguments arguments;
    arguments.ResultTarget = &scene;
    return ShowDialog(DialogSceneName, arguments);
}

TVector2 FitSceneText(std::string_view text, float baseWidth, float height) {
    const int32_t fit = std::max(1, static_cast<int32_t>(height / LineHeight));
    int32_t lines = 0;
    float width = 0;
    float measured = 0;
    for (int32_t wider = 0; wider <= 400; wider += 100) {
        width = baseWidth + static_cast<float>(wider);
        MeasureText(text, lines, 1, width, measured, width);
        width = baseWidth + static_cast<float>(wider);
        if (lines <= fit) {
            return {width, static_cast<float>(std::max(lines, 1)) * LineHeight};
        }
    }
    return {width, static_cast<float>(lines) * LineHeight};
}

TVector2 FitScenePicture(TVector2 box, float aspect) {
    if (!std::isfinite(aspect) || aspect <= 0 || box.Y <= 0) {
        return box;
    }
    if (aspect >= box.X / box.Y) {
        return {box.X, std::round(box.X / aspect)};
    }
    return {std::round(box.Y * aspect), box.Y};
}

TChoices& TGuiDialogScene::Choices() {
    TSceneHandOver* receiver = SceneHandOver();
    return receiver != nullptr ? receiver->Choices() : ownChoices_;
}

bool TGuiDialogScene::Exchangeable(int32_t slot) const {
    const auto i = static_cast<std::size_t>(slot - 1);
    return Scene->Inputs[i].Prop != nullptr && Scene->Outputs[i].Prop != nullptr;
}

void TGuiDialogScene::Show(int32_t) {
    Scene = static_cast<TScene*>(ResultTarget);
    Site = Scene != nullptr ? Scene->Site : nullptr;
    AutoClose = false;
    AutoCloseDelay = 0;
    AnimatedSlot = 0;
    AnimationPhase = 0;
    AnimationProgress = 0;
    activated_ = false;
    handedOver_ = false;
    main_ = nullptr;
    cover_ = nullptr;
    arrow_ = nullptr;
    inputTiles_.fill(nullptr);
    outputTiles_.fill(nullptr);
    Focus = nullptr;
    FocusStyle = 0;
    Shortcuts.fill(nullptr);
    if (Scene == nullptr) {
        return;
    }
    const TScene& scene = *Scene;
    const TSceneType& type = scene.Type();
    InputSlots = type.InputSlots;
    OutputSlots = type.OutputSlots;
    centre_ = {std::round(scene.ScreenX), std::round(scene.ScreenY)};

    text_.clear();
    if (type.ShowsText) {
        text_ = SlotText(ssScenario, scene.Legend(), true);
        if (text_.empty() && ShowsSlots(scene) && Site != nullptr) {
            text_ = SlotText(ssScenario, Site->Title(), true);
        }
    }

    if (scene.IsBarter() || scene.IsMake()) {
        Choices().fill(0);
        for (int32_t i = 0; i < SceneSlotCount; ++i) {
            for (const TPropAmount* entry : {&scene.Inputs[static_cast<std::size_t>(i)],
                                             &scene.Outputs[static_cast<std::size_t>(i)]}) {
                if (entry->Prop != nullptr) {
                    entry->Prop->ShownCount = entry->Prop->Count;
                }
            }
        }
    }

    if (scene.SceneType == 20) {
        // Floating loss: the prop alone rises off the map and goes.
        auto* tile = Tile(this, std::make_unique<TGuiControlPropLossFloat>(), centre_.X, centre_.Y,
                          scene.Inputs[0], SlotName("ChangePropA", 1),
                          scene.Inputs[0].Prop != nullptr
                              ? scene.Inputs[0].Prop->LossHint(scene.Inputs[0].Amount)
                              : std::string());
        main_ = tile;
        AutoClose = true;
        AutoCloseDelay = 0;
    } else if (scene.SceneType == 29) {
        // Floating reward: clicking the reward is accepting it.
        auto* tile = Tile(this, std::make_unique<TGuiControlPropRewardClick>(), centre_.X,
                          centre_.Y, scene.Outputs[0], "Accept",
                          scene.Outputs[0].Prop != nullptr
                              ? scene.Outputs[0].Prop->RewardHint(scene.Outputs[0].Amount)
                              : std::string());
        main_ = tile;
        Shortcuts[1] = tile;
        if (Site != nullptr && Site->ActionCode == 112) {
            Focus = tile;
            FocusStyle = 0;
        }
        PlayGuiSound("G8RewardPop");
    } else {
        // The plate: picture, text, slots and buttons from top to bottom.
        const bool picture = type.ShowsPicture && scene.Picture != nullptr;
        const bool left = scene.SceneType == 6;
        TVector2 pictureSize;
        if (picture) {
            // Beside the text a picture gets a narrower box than above it: either way it keeps
            // its own shape.
            scene.Picture->Load();
            pictureSize =
                FitScenePicture(left ? TVector2{300, 300} : TVector2{400, 260},
                                GetFrameAspect(scene.Picture->Texture, scene.PictureFrame));
        }
        float columns = 0;
        if (scene.IsBarter()) {
            for (int32_t i = 1; i <= InputSlots; ++i) {
                columns += Exchangeable(i) ? 1 : 0;
            }
        } else if (scene.IsMake()) {
            columns = static_cast<float>(std::max(InputSlots, OutputSlots));
        } else {
            columns = static_cast<float>(std::max(InputSlots, OutputSlots));
        }
        const float baseWidth = std::max(left ? 400.0f : 500.0f, columns * ColumnStep);
        textBox_ = text_.empty() ? TVector2{} : FitSceneText(text_, baseWidth, TextAreaHeight);
        float slotsHeight = 0;
        if (scene.IsBarter()) {
            slotsHeight = 2 * CountHeight + 2 * TileStep + PerformHeight + 2 * Gap;
        } else if (scene.IsMake()) {
            slotsHeight = 2 * CountHeight + 2 * TileStep + PerformHeight + 2 * Gap;
        } else if (ShowsSlots(scene)) {
            slotsHeight = TileStep;
        }
        float contentWidth = std::max(textBox_.X, columns * ColumnStep);
        float contentHeight = 0;
        if (left && picture) {
            contentWidth = pictureSize.X + Gap + std::max(textBox_.X, columns * ColumnStep);
            contentHeight = std::max(pictureSize.Y, textBox_.Y);
        } else {
            contentWidth = std::max(contentWidth, picture ? pictureSize.X : 0.0f);
            contentHeight = (picture ? pictureSize.Y + Gap : 0) + textBox_.Y;
        }
        if (slotsHeight > 0) {
            contentHeight += Gap + slotsHeight;
        }
        const float buttonsHeight = type.Dialog ? ButtonSize + Gap : 0;
        const float width = std::max(contentWidth, 3 * ButtonSize + 2 * Gap) + 2 * Margin;
        const float height = contentHeight + buttonsHeight + 2 * Margin;

        if (type.Dialog) {
            Layout = {0, 0, 1600, 900};
            cover_ = CreateControl<TGuiControlScreenCover>(this, -2000);
        }
        main_ = Place<TGuiControlPlate>(this, centre_.X, centre_.Y, width, height, -1000);
        main_->SetName("Plate");
        main_->Color = ColorDarkBrown;
        main_->Alpha = 0.9f;

        float top = centre_.Y - height / 2 + Margin;
        const float leftEdge = centre_.X - width / 2 + Margin;
        if (picture) {
            const float x = left ? leftEdge + pictureSize.X / 2 : centre_.X;
            auto* shown = Place<TGuiControlPicture>(this, x, top + pictureSize.Y / 2, pictureSize.X,
                                                    pictureSize.Y);
            shown->SetName("Picture");
            shown->TextureName = scene.Picture->Name();
            shown->Frame = scene.PictureFrame;
            if (!left) {
                top += pictureSize.Y + Gap;
            }
        }
        if (!text_.empty()) {
            const float x =
                left && picture ? leftEdge + pictureSize.X + Gap + textBox_.X / 2 : centre_.X;
            auto* label =
                Place<TGuiControlLabel>(this, x, top + textBox_.Y / 2, textBox_.X, textBox_.Y);
            label->SetName("Text");
            label->Font = 1;
            label->Option = tfWordWrap;
            SetControlText(label, text_);
        }
        top += (left && picture ? std::max(pictureSize.Y, textBox_.Y) : textBox_.Y);
        if (slotsHeight > 0) {
            BuildSlots(top + Gap, columns);
        }
        if (type.Dialog) {
            BuildButtons(centre_.Y + height / 2 - Margin - ButtonSize / 2);
        }
    }

    if (scene.SceneType == 1) {
        AutoClose = true;
        AutoCloseDelay = 3.0f;
    }
    if (AutoClose && !text_.empty()) {
        AutoCloseDelay = static_cast<float>(text_.size()) * 0.14f;
    }

    arrow_ = CreateControl<TGuiControlRecommendedArrow>(this, 100);
    if (Site != nullptr && Focus == nullptr) {
        TGuiControl* accept = FindControl(this, "Accept");
        TGuiControl* cancel = FindControl(this, "Cancel");
        const bool acceptOn = accept != nullptr && accept->Enabled;
        if (Site->ActionCode == 111 && scene.IsRequirements() && !scene.RequirementsMet() &&
            cancel != nullptr) {
            Focus = cancel;
            FocusStyle = 1;
        }
        if (acceptOn && ((Site->ActionCode == 111 && scene.IsRequirements()) ||
                         (Site->ActionCode == 110 && !scene.IsRequirements()))) {
            Focus = accept;
            FocusStyle = 0;
        }
    }
    if (type.Dialog) {
        PlayGuiSound("G8SceneDialogOpen");
    }
    AnimationPhase = 0;
    RefreshExchange();
}

void TGuiDialogScene::BuildSlots(float top, float columns) {
    const TScene& scene = *Scene;
    const auto columnX = [&](float index, float count) {
        return centre_.X + (index - (count - 1) / 2) * ColumnStep;
    };
    if (scene.IsRequirements() || scene.IsLoss() || scene.IsReward()) {
        const bool outputs = scene.IsReward();
        const auto& entries = outputs ? scene.Outputs : scene.Inputs;
        const int32_t slots = outputs ? OutputSlots : InputSlots;
        float shown = 0;
        for (int32_t i = 0; i < slots; ++i) {
            shown += entries[static_cast<std::size_t>(i)].Prop != nullptr ? 1 : 0;
        }
        float index = 0;
        for (int32_t i = 0; i < slots; ++i) {
            const TPropAmount& entry = entries[static_cast<std::size_t>(i)];
            if (entry.Prop == nullptr) {
                continue;
            }
            const float x = columnX(index++, shown);
            const float y = top + TileStep / 2;
            if (scene.IsRequirements()) {
                Tile(this, std::make_unique<TGuiControlPropRequirement>(), x, y, entry,
                     SlotName("Requirement", i + 1), entry.Prop->RequirementHint(entry.Amount));
            } else if (scene.IsLoss()) {
                Tile(this, std::make_unique<TGuiControlPropLoss>(), x, y, entry,
                     SlotName("Loss", i + 1), entry.Prop->LossHint(entry.Amount));
            } else {
                Tile(this, std::make_unique<TGuiControlPropReward>(), x, y, entry,
                     SlotName("Reward", i + 1), entry.Prop->RewardHint(entry.Amount));
            }
        }
        return;
    }
    const float countAY = top + CountHeight / 2;
    const float tileAY = top + CountHeight + TileStep / 2;
    const float performY = top + CountHeight + TileStep + Gap + PerformHeight / 2;
    const float tileBY = performY + PerformHeight / 2 + Gap + TileStep / 2;
    const float countBY = tileBY + TileStep / 2 + CountHeight / 2;
    if (scene.IsBarter()) {
        float index = 0;
        for (int32_t i = 1; i <= InputSlots; ++i) {
            if (!Exchangeable(i)) {
                continue;
            }
            const auto s = static_cast<std::size_t>(i - 1);
            const float x = columnX(index++, columns);
            CountLabel(this, x, countAY, SlotName("ChangeCountA", i));
            inputTiles_[s] = Tile(this, std::make_unique<TGuiControlPropLoss>(), x, tileAY,
                                  scene.Inputs[s], SlotName("ChangePropA", i), {});
            auto* perform = GameButton(this, x, performY, 60, SlotName("ChangePerf", i), "+");
            SetControlHintKey(perform, "HintBarter");
            outputTiles_[s] = Tile(this, std::make_unique<TGuiControlPropReward>(), x, tileBY,
                                   scene.Outputs[s], SlotName("ChangePropB", i), {});
            CountLabel(this, x, countBY, SlotName("ChangeCountB", i));
            inputY_[s] = tileAY;
            outputY_[s] = tileBY;
        }
        return;
    }
    // Make: every ingredient above, one perform button, every product below.
    float shownIn = 0;
    float shownOut = 0;
    for (int32_t i = 0; i < InputSlots; ++i) {
        shownIn += scene.Inputs[static_cast<std::size_t>(i)].Prop != nullptr ? 1 : 0;
    }
    for (int32_t i = 0; i < OutputSlots; ++i) {
        shownOut += scene.Outputs[static_cast<std::size_t>(i)].Prop != nullptr ? 1 : 0;
    }
    float index = 0;
    for (int32_t i = 1; i <= InputSlots; ++i) {
        const auto s = static_cast<std::size_t>(i - 1);
        if (scene.Inputs[s].Prop == nullptr) {
            continue;
        }
        const float x = columnX(index++, shownIn);
        CountLabel(this, x, countAY, SlotName("ChangeCountA", i));
        inputTiles_[s] = Tile(this, std::make_unique<TGuiControlPropLoss>(), x, tileAY,
                              scene.Inputs[s], SlotName("ChangePropA", i), {});
        inputY_[s] = tileAY;
    }
    auto* perform = GameButton(this, centre_.X, performY, 200, "ChangePerf", "+");
    SetControlHintKey(perform, "HintMake");
    index = 0;
    for (int32_t i = 1; i <= OutputSlots; ++i) {
        const auto s = static_cast<std::size_t>(i - 1);
        if (scene.Outputs[s].Prop == nullptr) {
            continue;
        }
        const float x = columnX(index++, shownOut);
        outputTiles_[s] = Tile(this, std::make_unique<TGuiControlPropReward>(), x, tileBY,
                               scene.Outputs[s], SlotName("ChangePropB", i), {});
        CountLabel(this, x, countBY, SlotName("ChangeCountB", i));
        outputY_[s] = tileBY;
    }
}

void TGuiDialogScene::BuildButtons(float y) {
    const TScene& scene = *Scene;
    const TSceneType& type = scene.Type();
    const bool met = scene.RequirementsMet();
    const TSceneActions offered = OfferedSceneActions(scene);
    std::vector<std::pair<std::string_view, std::string_view>> buttons;
    if (SwitchDebug() && type.HasAccept && !met) {
        buttons.emplace_back("Skip", "SKIP");
    }
    if (offered.Cancel) {
        buttons.emplace_back("Cancel", CancelGlyph);
    }
    if (type.HasAccept) {
        buttons.emplace_back("Accept", AcceptGlyph);
    }
    float total = 0;
    for (const auto& [name, caption] : buttons) {
        total += (name == "Skip" ? 120 : ButtonSize) + Gap;
    }
    float x = centre_.X - (total - Gap) / 2;
    for (const auto& [name, caption] : buttons) {
        const float width = name == "Skip" ? 120 : ButtonSize;
        TGuiControlButtonCustom* button = GameButton(this, x + width / 2, y, width, name, caption);
        x += width + Gap;
        if (name == "Skip") {
            button->HintStyle = "Default";
            SetControlHint(button, "Force to skip the requirements");
        } else if (name == "Cancel") {
            Shortcuts[0] = button;
        } else {
            SetControlEnabled(button, offered.Accept);
            Shortcuts[1] = button;
        }
    }
}

void TGuiDialogScene::RefreshExchange() {
    if (Scene == nullptr || !(Scene->IsBarter() || Scene->IsMake())) {
        return;
    }
    const TScene& scene = *Scene;
    const TChoices& choices = Choices();
    const std::string iHave = ScriptText("LabelIHave") + ColonPrefix() + ": ";
    const auto count = [](TGuiForm* form, const std::string& name, const TProp& prop,
                          const std::string& prefix) {
        if (TGuiControl* label = FindControl(form, name)) {
            SetControlText(label, prefix + FormatNumber(prop.ShownCount));
        }
    };
    const auto hint = [](TGuiForm* form, const std::string& name, const std::string& text) {
        if (TGuiControl* tile = FindControl(form, name)) {
            SetControlHint(tile, text);
        }
    };
    TGuiControl* accept = FindControl(this, "Accept");
    if (scene.IsBarter()) {
        for (int32_t i = 1; i <= InputSlots; ++i) {
            if (!Exchangeable(i)) {
                continue;
            }
            const auto s = static_cast<std::size_t>(i - 1);
            const TPropAmount& in = scene.Inputs[s];
            const TPropAmount& out = scene.Outputs[s];
            count(this, SlotName("ChangeCountA", i), *in.Prop, InputSlots == 1 ? iHave : "");
            hint(this, SlotName("ChangePropA", i), in.Prop->CostHint(in.Amount));
            if (TGuiControl* perform = FindControl(this, SlotName("ChangePerf", i))) {
                const bool busy = AnimationPhase > 0 && AnimatedSlot == i;
                SetControlEnabled(perform, !busy && in.Prop->ShownCount >= in.Amount &&
                                               choices[s] != ChoiceLimit);
            }
            hint(this, SlotName("ChangePropB", i), out.Prop->PurchaseHint(out.Amount));
            count(this, SlotName("ChangeCountB", i), *out.Prop, OutputSlots == 1 ? iHave : "");
        }
        SetControlEnabled(accept, SceneChoicesAcceptable(scene, choices));
        return;
    }
    bool short_ = false;
    for (int32_t i = 1; i <= InputSlots; ++i) {
        const TPropAmount& in = scene.Inputs[static_cast<std::size_t>(i - 1)];
        if (in.Prop == nullptr) {
            continue;
        }
        count(this, SlotName("ChangeCountA", i), *in.Prop, InputSlots == 1 ? iHave : "");
        hint(this, SlotName("ChangePropA", i), in.Prop->ResourceHint(in.Amount));
        short_ = short_ || in.Prop->ShownCount < in.Amount;
    }
    for (int32_t i = 1; i <= OutputSlots; ++i) {
        const TPropAmount& out = scene.Outputs[static_cast<std::size_t>(i - 1)];
        if (out.Prop == nullptr) {
            continue;
        }
        hint(this, SlotName("ChangePropB", i), out.Prop->ProductHint(out.Amount));
        count(this, SlotName("ChangeCountB", i), *out.Prop, OutputSlots == 1 ? iHave : "");
    }
    SetControlEnabled(FindControl(this, "ChangePerf"),
                      AnimationPhase == 0 && !short_ && choices[0] != ChoiceLimit);
    SetControlEnabled(accept, SceneChoicesAcceptable(scene, choices));
    if (accept != nullptr && accept->Enabled && Site != nullptr && Site->ActionCode == 113) {
        Focus = accept;
        FocusStyle = 0;
    }
}

void TGuiDialogScene::PlaceAnimated(float inputLift, float outputLift) {
    const bool barter = Scene->IsBarter();
    for (int32_t i = 1; i <= SceneSlotCount; ++i) {
        if (barter && i != AnimatedSlot) {
            continue;
        }
        const auto s = static_cast<std::size_t>(i - 1);
        if (inputTiles_[s] != nullptr) {
            SetControlY(inputTiles_[s], inputY_[s] - inputLift);
        }
        if (outputTiles_[s] != nullptr) {
            SetControlY(outputTiles_[s], outputY_[s] - outputLift);
        }
    }
}

void TGuiDialogScene::EndPhase() {
    const TScene& scene = *Scene;
    const bool barter = scene.IsBarter();
    const auto animated = [&](int32_t i) { return !barter || i == AnimatedSlot; };
    if (AnimationPhase == 1) {
        for (int32_t i = 1; i <= InputSlots; ++i) {
            const TPropAmount& in = scene.Inputs[static_cast<std::size_t>(i - 1)];
            if (animated(i) && (barter ? Exchangeable(i) : in.Prop != nullptr)) {
                ShiftShown(in.Prop, -static_cast<int64_t>(in.Amount));
            }
        }
        AnimationPhase = 2;
    } else if (AnimationPhase == 2) {
        for (int32_t i = 1; i <= OutputSlots; ++i) {
            const TPropAmount& out = scene.Outputs[static_cast<std::size_t>(i - 1)];
            if (animated(i) && (barter ? Exchangeable(i) : out.Prop != nullptr)) {
                ShiftShown(out.Prop, out.Amount);
            }
        }
        AnimationPhase = 3;
    } else {
        AddChoice(Choices(), barter ? AnimatedSlot : 1, 1);
        AnimationPhase = 0;
    }
    AnimationProgress = 0;
    PlaceAnimated(0, 0);
    RefreshExchange();
}

void TGuiDialogScene::StepAnimation(float dt) {
    if (AnimationPhase <= 0 || Scene == nullptr) {
        return;
    }
    const float duration = PhaseTime[static_cast<std::size_t>(AnimationPhase - 1)];
    AnimationProgress += duration > 0 ? dt / duration : 1;
    if (AnimationProgress >= 1) {
        EndPhase();
        return;
    }
    const float p = AnimationProgress;
    if (AnimationPhase == 1) {
        PlaceAnimated(InputRise * p, 0);
    } else if (AnimationPhase == 2) {
        PlaceAnimated(InputRise * (1 - p), OutputRise * p);
    } else {
        PlaceAnimated(0, OutputRise * (1 - p));
    }
}

void TGuiDialogScene::FinishAnimation() {
    while (AnimationPhase > 0) {
        EndPhase();
    }
}

void TGuiDialogScene::HandOver(bool accept) {
    // One decision per showing, whatever clicks or timers follow while the dialog fades.
    if (handedOver_) {
        return;
    }
    handedOver_ = true;
    if (accept) {
        FinishAnimation();
    }
    // Closed first: the receiver may open the next scene's dialog at once.
    CloseDialog(this);
    if (TSceneHandOver* receiver = SceneHandOver()) {
        if (accept) {
            receiver->AcceptScene();
        } else {
            receiver->CancelVisit();
        }
    }
}

void TGuiDialogScene::Activate() {
    if (activated_) {
        return;
    }
    activated_ = true;
    if (Scene != nullptr && Scene->IsReward()) {
        PlayGuiSound("G8Reward");
    }
}

void TGuiDialogScene::Update() {
    if (Scene == nullptr) {
        CloseDialog(this);
        return;
    }
    const float dt = FrameTime();
    StepAnimation(dt);
    if (AutoClose && DialogState == dsOpen && !handedOver_) {
        AutoCloseDelay -= dt;
        if (AutoCloseDelay <= 0) {
            HandOver(true);
        }
    }
}

void TGuiDialogScene::Refresh(int32_t) {
    if (Scene == nullptr || main_ == nullptr) {
        return;
    }
    const float f = std::clamp(Fade, 0.0f, 1.0f);
    float alpha = 1;
    if (Scene->SceneType == 20) {
        if (DialogState == dsFadingIn) {
            alpha = EvaluateCurve("0-1-1-1", f);
            SetControlY(main_, centre_.Y - 40 * EvaluateCurve("0-4-7-9-1", f));
        } else if (DialogState == dsFadingOut) {
            alpha = EvaluateCurve("0-7-1", f);
        }
        SetControlAlpha(main_, alpha);
        return;
    }
    if (Scene->SceneType == 29) {
        if (DialogState == dsFadingIn) {
            SetControlScale(main_, 1 + 0.15f * EvaluateCurve("0-1-6-0", f));
            alpha = EvaluateCurve("0-1-1", f);
        } else if (DialogState == dsFadingOut) {
            alpha = f;
        } else {
            SetControlScale(main_, 1);
        }
        SetControlAlpha(main_, alpha);
        return;
    }
    if (DialogState == dsFadingIn || DialogState == dsFadingOut) {
        alpha = f;
    }
    for (TGuiControl& control : Controls) {
        if (&control == arrow_) {
            continue;
        }
        SetControlAlpha(&control, &control == cover_  ? 0.5f * alpha
                                  : &control == main_ ? 0.9f * alpha
                                                      : alpha);
    }
}

void TGuiDialogScene::ControlClicked() {
    if (Sender == nullptr || Scene == nullptr) {
        return;
    }
    const std::string& name = Sender->Name();
    if (name.rfind("ChangePerf", 0) == 0) {
        if (handedOver_) {
            return;
        }
        FinishAnimation();
        if (const int32_t slot = SlotOf(name, "ChangePerf"); slot > 0) {
            AnimatedSlot = slot;
        }
        AnimationPhase = 1;
        AnimationProgress = 0;
        RefreshExchange();
    } else if (name == "Accept" || name == "Skip") {
        HandOver(true);
    } else if (name == "Cancel") {
        HandOver(false);
    }
}

} // namespace valdmoor
