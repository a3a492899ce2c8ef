// A running framework for tests of the standard controls and dialogs: the in-memory window
// fed by input scripts, the fixed-step clock, script texts, the null video device and texts.
#pragma once

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "gui/EngineGui.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
#include "platform/EngineWindow.h"
#include "platform/headless/HeadlessWindow.h"
#include "storage/EngineScript.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"
#include "texts/EngineTexts.h"
#include "video/EngineVideo.h"
#include "video/null/NullVideoDevice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor::test {

// A form that builds whatever the test hands it at show time.
class TBuildForm : public TGuiForm {
public:
    explicit TBuildForm(std::string name) : TGuiForm(std::move(name), "", "") {}
    void Show(int32_t) override {
        if (Build) {
            Build(this);
        }
    }
    void ControlClicked() override { Clicked.push_back(Sender->Name()); }

    std::function<void(TBuildForm*)> Build;
    std::vector<std::string> Clicked;
};

class GuiFixture : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        SetApplicationHooks({nullptr, Activated, WindowDeactivated});
        ASSERT_TRUE(ServiceInit(home.Path().string() + "/"));
        SetSwitches(ParseSwitches({}));
        SetStorageFolderPath(sfOrdinary, home.Path().string() + "/");
        SetStorageFolderPath(sfLanguage, home.Path().string() + "/");
        auto backend = std::make_unique<THeadlessWindow>();
        window = backend.get();
        WindowStartWith(std::move(backend));
        TimerStartWith(CreateFixedStepClock());
        ScriptStart();
        VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
        TextsStart();
        GuiStart();
        GuiTraceStart();
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
    }
    void TearDown() override {
        GuiStop();
        GuiTraceStop();
        TextsStop();
        VideoStop();
        ScriptStop();
        TimerStop();
        WindowStop();
        SetApplicationHooks({});
        InputReset();
        ServiceShutdown();
        ApplicationStop();
    }
    static void Activated() {
        WindowActivated();
        TimerRestart();
    }

    // Frames in Script count from the next frame to run.
    void Input(const std::string& script) {
        LoadInputScript(home.Write("input.txt", ShiftedInputScript(script, passes)).string());
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            PumpMessages();
            ++passes;
            AdvanceFrameCounter();
            TimerUpdate();
            GuiFrame();
        }
    }
    TBuildForm* ShowBuiltForm(std::function<void(TBuildForm*)> build) {
        auto form = std::make_unique<TBuildForm>("Test");
        form->Build = std::move(build);
        auto* registered = static_cast<TBuildForm*>(RegisterForm(std::move(form)));
        SetCurrentForm("Test");
        Frames(1);
        return registered;
    }
    std::vector<std::string> TraceOf(const std::string& kind) const {
        std::vector<std::string> lines;
        for (std::string& line : GuiTraceLines()) {
            if (line.rfind(kind + " ", 0) == 0) {
                lines.push_back(std::move(line));
            }
        }
        return lines;
    }

    TTempFolder home;
    THeadlessWindow* window = nullptr;
    int64_t passes = 0;
};

} // namespace valdmoor::test
