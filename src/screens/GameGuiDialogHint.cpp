#include "screens/GameGuiDialogHint.h"

#include "audio/EngineAudio.h"
#include "gui/EngineGuiControls.h"
#include "screens/GameGuiDialogInventory.h"
#include "storage/EngineLanguages.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "world/GameHint.h"
#include "world/GamePlayActions.h"
#include "world/GameProp.h"
#include "world/GameScenario.h"

#include <algorithm>

namespace valdmoor {

namespace {

constexpr float Width = 640;
constexpr float Margin = 40;
constexpr float TitleRow = 70;
constexpr float ButtonRow = 80;
constexpr float MinTextHeight = 40;
constexpr std::string_view NoBreakSpace = "\xC2\xA0";

} // namespace

std::string HintDialogText(const THint* hint, int32_t amount) {
    if (hint == nullptr) {
        return {};
    }
    std::string text = SlotText(ssScenario, hint->Legend());
    if (hint->Display[1] != 0 && amount > 0) {
        text += " " + ScriptText("LabelINeed");
        text += NoBreakSpace;
        text += FormatNumber(amount) + ".";
        if (hint->UntilProp != nullptr && hint->UntilProp->Count > 0) {
            text += " " + ScriptText("LabelIHave");
            text += NoBreakSpace;
            text += FormatNumber(hint->UntilProp->Count) + ".";
        }
    }
    return text;
}

void TGuiDialogHint::Show(int32_t) {
    TSite* site = nullptr;
    int32_t amount = 0;
    THint* hint = NextRecommendedHint(site, amount);
    ShownText = HintDialogText(hint, amount);

    const float inner = Width - 2 * Margin;
    int32_t lines = 0;
    float textWidth = 0;
    float textHeight = 0;
    MeasureText(ShownText, lines, FontGame, textWidth, textHeight, inner);
    textHeight = std::max(textHeight, MinTextHeight);
    const float height = 2 * Margin + TitleRow + textHeight + ButtonRow;
    const float top = -height / 2;

    Layout = {0, 0, Width, height};
    CanvasControl = CreateControl<TGuiControlCanvas>(this, 0);
    CreatePlateWithFrame(this);
    Layout = {0, top + Margin + TitleRow / 2, inner, TitleRow};
    CreateControl<TGuiControlLabel>(this, 0, {{22, "LabelHint"}, {9, FontGame}});
    Layout = {0, top + Margin + TitleRow + textHeight / 2, inner, textHeight};
    CreateControl<TGuiControlLabel>(
        this, 0, {{0, "Text"}, {21, ShownText}, {9, FontGame}, {20, tfWordWrap}});
    Layout = {0, height / 2 - Margin - ButtonRow / 2, 200, 44};
    TGuiControl* close =
        CreateControl<TGuiControlButton>(this, 0, {{0, "Close"}, {22, "ButtonClose"}});
    Shortcuts[0] = close;
    Shortcuts[1] = close;
    Shortcuts[2] = close;
    if (StoryStage() == 1) {
        SetFocus(this, "Close", 1);
    }
    PlaySound(this, "G8SceneDialogOpen", false, 0);
}

void TGuiDialogHint::Refresh(int32_t) {
    SetControlAlpha(CanvasControl, Fade);
}

void TGuiDialogHint::ControlClicked() {
    if (Sender == nullptr || Sender->Name() != "Close") {
        return;
    }
    CloseHintDialog();
    CloseDialog(this);
}

} // namespace valdmoor
