#include "screens/GameGuiTransitions.h"

#include "platform/EngineTimer.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

#include <algorithm>

namespace valdmoor {

TGuiTransitionCover::TGuiTransitionCover(std::string name, float coverTime, float holdTime,
                                         float uncoverTime, TColor3 coverColor, std::string textKey,
                                         float textScale)
    : TGuiTransition(std::move(name)), UncoverTime(uncoverTime), HoldTime(holdTime),
      CoverTime(coverTime), CoverColor(coverColor), TextKey(std::move(textKey)),
      TextScale(textScale) {}

TGuiTransitionCover::~TGuiTransitionCover() {
    ReleaseText(TextObject);
    ReleaseSprite(Cover);
}

float TGuiTransitionCover::CoverAlpha() const {
    return Cover != nullptr ? Cover->Alpha : 0.0f;
}

// The window may change size while covered: the cover always fills the main canvas.
void TGuiTransitionCover::Fit() {
    const TCanvas* canvas = MainCanvas();
    if (canvas == nullptr) {
        return;
    }
    if (Cover != nullptr) {
        Cover->Width = canvas->Width;
        Cover->Height = canvas->Height;
    }
    if (TextObject != nullptr &&
        (TextObject->BoxWidth != canvas->Width || TextObject->BoxHeight != canvas->Height)) {
        // A text box is fixed at creation; a new size means a new text.
        const float alpha = TextObject->Alpha;
        ReleaseText(TextObject);
        CreateText(TextObject, MainCanvas(), BaseLayer + 1, 0, FontGame, canvas->Width,
                   canvas->Height);
        SetTextScale(TextObject, TextScale);
        SetText(TextObject, ScriptText(TextKey));
        SetTextAlpha(TextObject, alpha);
    }
}

void TGuiTransitionCover::SetAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    if (Cover != nullptr) {
        Cover->Alpha = alpha;
    }
    SetTextAlpha(TextObject, alpha);
}

void TGuiTransitionCover::Start() {
    Elapsed = 0;
    TCanvas* canvas = MainCanvas();
    CreateSprite(Cover, canvas, BaseLayer);
    if (Cover != nullptr) {
        Cover->X = 0;
        Cover->Y = 0;
        Cover->ShadingMode = smOnlyTint;
        Cover->Red = CoverColor.Red;
        Cover->Green = CoverColor.Green;
        Cover->Blue = CoverColor.Blue;
    }
    if (!TextKey.empty() && canvas != nullptr) {
        CreateText(TextObject, canvas, BaseLayer + 1, 0, FontGame, canvas->Width, canvas->Height);
        SetTextScale(TextObject, TextScale);
        SetText(TextObject, ScriptText(TextKey));
    }
    Fit();
    SetAlpha(StartedWithoutForm ? 1.0f : 0.0f);
}

void TGuiTransitionCover::Stop() {
    ReleaseText(TextObject);
    ReleaseSprite(Cover);
}

bool TGuiTransitionCover::CoverStep1() {
    Fit();
    Elapsed = 0;
    return true;
}

bool TGuiTransitionCover::CoverStep2() {
    Fit();
    if (StartedWithoutForm) {
        return true;
    }
    Elapsed += FrameTime();
    const float alpha = CoverTime > 0 ? Elapsed / CoverTime : 1.0f;
    SetAlpha(alpha);
    return alpha >= 1;
}

bool TGuiTransitionCover::CoverStep3() {
    Fit();
    Elapsed = 0;
    return true;
}

bool TGuiTransitionCover::UncoverStep1() {
    Fit();
    Elapsed += FrameTime();
    if (Elapsed >= HoldTime) {
        Elapsed = 0;
        return true;
    }
    return false;
}

bool TGuiTransitionCover::UncoverStep2() {
    Fit();
    Elapsed += FrameTime();
    const float alpha = UncoverTime > 0 ? 1 - Elapsed / UncoverTime : 0.0f;
    SetAlpha(alpha);
    return alpha <= 0;
}

bool TGuiTransitionCover::UncoverStep3() {
    Fit();
    return true;
}

} // namespace valdmoor
