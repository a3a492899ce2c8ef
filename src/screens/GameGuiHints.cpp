#include "screens/GameGuiHints.h"

#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"

namespace valdmoor {

namespace {

constexpr int32_t BallonBorder = 6;
constexpr float MaxTextWidth = 420;
constexpr float BallonAlpha = 0.8f;
constexpr uint8_t HintTextFlags = tfAlignLeft | tfAlignTop;

} // namespace

TGuiHintDefault::~TGuiHintDefault() {
    ReleaseText(TextObject);
    ReleaseBallon(Ballon);
}

void TGuiHintDefault::Render(bool visible) {
    if (!visible) {
        ReleaseText(TextObject);
        ReleaseBallon(Ballon);
        return;
    }
    if (Ballon == nullptr) {
        const TMargins m = Margins();
        PlaceHint(this, m.Font, MaxTextWidth, 2 * (BallonBorder + m.Control), 0, 2 * m.Text,
                  2 * m.Text, m.Control, m.Screen);
        // The box lies on Side of the control, so its pointer sits on the opposite edge.
        const int32_t pointerSide = (Side + 4) % 8;
        CreateBallon(Ballon, MainCanvas(), BaseLayer, "G2Ballon06Filled", pointerSide, BoxCentre.X,
                     BoxCentre.Y, BallonBorder, static_cast<int32_t>(m.Control), BoxSize.X,
                     BoxSize.Y);
        if (Ballon == nullptr) {
            return;
        }
        SetBallonColor(Ballon, 0, 0, 0);
        SetBallonPointer(Ballon, Anchor.X - BoxCentre.X, Anchor.Y - BoxCentre.Y);
        CreateText(TextObject, MainCanvas(), BaseLayer + 1, HintTextFlags, m.Font, TextSize.X,
                   TextSize.Y);
        SetText(TextObject, HintText);
        SetTextPosition(TextObject, BoxCentre.X, BoxCentre.Y);
    }
    SetBallonAlpha(Ballon, BallonAlpha * Fade);
    SetTextAlpha(TextObject, Fade);
}

} // namespace valdmoor
