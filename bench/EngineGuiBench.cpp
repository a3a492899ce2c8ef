// One frame of the GUI and its drawing for a busy form: 300 controls (a sprite each, every
// third also a label), the pointer resting on one of them and its hint balloon shown. In a
// steady frame nothing changes, so it should cost little and allocate nothing.
#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "gui/EngineGui.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "storage/EngineScript.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <string>

#include <benchmark/benchmark.h>

namespace valdmoor {
namespace {

constexpr int ControlCount = 300;

class TBenchControl : public TGuiControl {
public:
    void Refresh(bool visible) override {
        if (!visible) {
            ReleaseSprite(sprite_);
            ReleaseText(label_);
            return;
        }
        if (sprite_ == nullptr) {
            CreateSprite(sprite_, Canvas, Layer);
        }
        sprite_->X = Origin.X + Position.X;
        sprite_->Y = Origin.Y + Position.Y;
        sprite_->Width = Size.X;
        sprite_->Height = Size.Y;
        sprite_->Red = Hovered ? 1 : Color.Red;
        sprite_->Alpha = Alpha;
        if (!Text.empty()) {
            if (label_ == nullptr) {
                CreateText(label_, Canvas, Layer + 6, tfWordWrap, 0, Size.X, Size.Y);
            }
            SetTextPosition(label_, Origin.X + Position.X, Origin.Y + Position.Y);
            SetText(label_, Text);
        }
    }

private:
    TSprite* sprite_ = nullptr;
    TText* label_ = nullptr;
};

class TBenchHint : public TGuiHint {
public:
    using TGuiHint::TGuiHint;
    void Render(bool visible) override {
        if (!visible) {
            ReleaseBallon(ballon_);
            ReleaseText(text_);
            return;
        }
        if (ballon_ == nullptr) {
            PlaceHint(this, 0, 300, 40, 40, 20, 20, 10, 10);
            CreateBallon(ballon_, MainCanvas(), BaseLayer, "G2Ballon06Filled", Side, BoxCentre.X,
                         BoxCentre.Y, 6, 12, BoxSize.X, BoxSize.Y);
            CreateText(text_, MainCanvas(), BaseLayer + 1, 3, 0, BoxSize.X, BoxSize.Y);
            SetTextPosition(text_, BoxCentre.X, BoxCentre.Y);
            SetText(text_, HintText);
        }
        SetBallonAlpha(ballon_, 0.8f * Fade);
        SetTextAlpha(text_, Fade);
    }

private:
    TBallon* ballon_ = nullptr;
    TText* text_ = nullptr;
};

class TBenchForm : public TGuiForm {
public:
    TBenchForm() : TGuiForm("Bench", "", "Balloon") {}
    void Show(int32_t) override {
        // A 20 x 15 grid of 70 x 50 cells.
        for (int i = 0; i < ControlCount; ++i) {
            Layout = {-760 + 80.0f * static_cast<float>(i % 20),
                      -420 + 60.0f * static_cast<float>(i / 20), 70, 50};
            TGuiControl* control = CreateControl<TBenchControl>(this, i % 4);
            if (i % 3 == 0) {
                SetControlText(control, "Item " + std::to_string(i));
            }
            SetControlHint(control, "Salt, wool and copper for the river road");
        }
    }
};

// The engine on a device that draws nothing, with the pointer on the control at (0, 0).
class TBenchGui {
public:
    TBenchGui() {
        ApplicationStart();
        SetSwitches(ParseSwitches({"-headless"}));
        TimerStartWith(CreateFixedStepClock());
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        TextsStart();
        ScriptStart();
        GuiStart();
        RegisterHint(std::make_unique<TBenchHint>("Balloon", 0.5f, 0.25f, 0.25f));
        RegisterForm(std::make_unique<TBenchForm>());
        SetCurrentForm("Bench");
        InputReset();
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
        TPlatformEvent move;
        move.Kind = pePointerMove;
        move.X = 800 + 40;
        move.Y = 450 + 60;
        InputEvent(move, 1600, 900);
        InputEndOfPump();
        // Past the hint's delay and fade.
        for (int i = 0; i < 120; ++i) {
            Frame();
        }
    }
    ~TBenchGui() {
        GuiStop();
        ScriptStop();
        TextsStop();
        VideoStop();
        TimerStop();
        InputReset();
        ApplicationStop();
    }
    TBenchGui(const TBenchGui&) = delete;
    TBenchGui& operator=(const TBenchGui&) = delete;

    static void Frame() {
        TimerUpdate();
        GuiFrame();
        DrawFrame();
    }
};

void BM_GuiFrameWithHoverAndHint(benchmark::State& state) {
    TBenchGui gui;
    if (HoveredControl() == nullptr || CurrentHint() == nullptr) {
        state.SkipWithError("no hovered control or hint");
        return;
    }
    const int64_t before = test::AllocationCount();
    for (auto _ : state) {
        TBenchGui::Frame();
    }
    state.counters["allocations"] = benchmark::Counter(
        static_cast<double>(test::AllocationCount() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GuiFrameWithHoverAndHint);

} // namespace
} // namespace valdmoor
