#include "platform/EngineWindow.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "platform/EngineInput.h"
#include "platform/headless/HeadlessWindow.h"
#include "storage/EngineStorage.h"
#include "storage/LocalService.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

TEST(WindowRules, WindowedSizeKeepsTheDesignShapeAtFourFifths) {
    int w = 0;
    int h = 0;
    WindowedClientSize(1920, 1080, w, h);
    EXPECT_EQ(w, 1536);
    EXPECT_EQ(h, 864);
    WindowedClientSize(1280, 1024, w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 576);
    WindowedClientSize(2560, 1080, w, h);
    EXPECT_EQ(w, 1536);
    EXPECT_EQ(h, 864);
    WindowedClientSize(1366, 1024, w, h); // 1092.8 rounds to 1093, odd, so 1094
    EXPECT_EQ(w, 1094);
    EXPECT_EQ(h, 615);
}

TEST(WindowRules, TitleNamesTheGameAndWhatIsShown) {
    EXPECT_EQ(WindowTitleFor(""), "Valdmoor");
    EXPECT_EQ(WindowTitleFor("Valdmoor"), "Valdmoor");
    EXPECT_EQ(WindowTitleFor("The Salt Road"), "Valdmoor | The Salt Road");
}

class Window : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        // The window's share of the activation transitions, wired as the game wires them.
        SetApplicationHooks({nullptr, WindowActivated, WindowDeactivated});
        ASSERT_TRUE(ServiceInit(home.Path().string() + "/"));
    }
    void TearDown() override {
        WindowStop();
        SetWindowHooks({});
        ServiceShutdown();
        ApplicationStop();
    }
    THeadlessWindow& Start(const std::vector<std::string>& args = {}) {
        SetSwitches(ParseSwitches(args));
        auto backend = std::make_unique<THeadlessWindow>();
        THeadlessWindow& result = *backend;
        WindowStartWith(std::move(backend));
        return result;
    }
    void Run() {
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
    }

    test::TTempFolder home;
};

TEST_F(Window, StartsFullScreenUnlessWindowedIsRemembered) {
    THeadlessWindow& first = Start();
    EXPECT_TRUE(first.FullScreen);
    EXPECT_EQ(first.Width, 1920);
    EXPECT_EQ(first.Title, "Valdmoor");
    EXPECT_FALSE(StorageFlag(sfCloud, "StartWindowed"));
    WindowStop();

    THeadlessWindow& second = Start({"-windowed"});
    EXPECT_FALSE(second.FullScreen);
    EXPECT_EQ(second.Width, 1536);
    EXPECT_TRUE(StorageFlag(sfCloud, "StartWindowed"));
    SetFullScreen(true); // not remembered in a "-windowed" run
    EXPECT_TRUE(second.FullScreen);
    EXPECT_TRUE(StorageFlag(sfCloud, "StartWindowed"));
    WindowStop();

    THeadlessWindow& third = Start();
    EXPECT_FALSE(third.FullScreen); // the flag keeps later starts windowed
    SetFullScreen(true);
    EXPECT_FALSE(StorageFlag(sfCloud, "StartWindowed"));
    int w = 0;
    int h = 0;
    ClientSize(w, h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
}

int resized = 0;

TEST_F(Window, DisplayModeIsAppliedOnlyWhenItChanges) {
    resized = 0;
    SetWindowHooks({[](int, int) { ++resized; }, nullptr, nullptr, nullptr, nullptr});
    THeadlessWindow& window = Start({"-windowed"});
    EXPECT_EQ(resized, 1);
    ApplyDisplayMode(false);
    EXPECT_EQ(window.Placed, 1);
    ApplyDisplayMode(true);
    EXPECT_EQ(window.Placed, 2);
    window.DesktopWidth = 1280;
    window.DesktopHeight = 1024;
    Run();
    window.Push(peDisplayChanged);
    PumpMessages();
    EXPECT_EQ(window.Width, 1024);
    EXPECT_EQ(resized, 3);
}

TEST_F(Window, TitleFollowsTheScriptText) {
    THeadlessWindow& window = Start();
    SetWindowTitle("Chapter One");
    EXPECT_EQ(window.Title, "Valdmoor | Chapter One");
    EXPECT_EQ(WindowTitle(), "Valdmoor | Chapter One");
}

TEST_F(Window, FocusLossPausesThePumpUntilTheGameIsBack) {
    THeadlessWindow& window = Start();
    Run();
    window.Push(peFocusLost);
    // While inactive the pump waits; the focus returns during the third wait.
    window.OnWait = [](THeadlessWindow& w) {
        if (w.Waits == 3) {
            w.Push(peFocusGained);
        }
    };
    PumpMessages();
    EXPECT_EQ(window.Waits, 3);
    EXPECT_TRUE(ApplicationActive());
    EXPECT_TRUE(ApplicationShown());

    window.Push(peMinimized);
    window.OnWait = [](THeadlessWindow& w) { w.Push(peQuit); };
    PumpMessages();
    EXPECT_TRUE(QuitRequested());
    EXPECT_FALSE(ApplicationActive());
}

TEST_F(Window, SecondCopyRaisesTheWindow) {
    static bool asked = false;
    asked = true;
    SetWindowHooks({nullptr, nullptr, nullptr, nullptr, [] {
                        const bool answer = asked;
                        asked = false;
                        return answer;
                    }});
    THeadlessWindow& window = Start();
    const int before = window.Raised;
    Run();
    PumpMessages();
    EXPECT_EQ(window.Raised, before + 1);
    PumpMessages();
    EXPECT_EQ(window.Raised, before + 1);
}

TEST_F(Window, KeyHeldWhileFocusReturnsIsNotAPress) {
    THeadlessWindow& window = Start();
    Run();
    window.Hold(kcEscape);
    window.Push(peFocusLost);
    window.OnWait = [](THeadlessWindow& w) { w.Push(peFocusGained); };
    PumpMessages();
    EXPECT_TRUE(KeyDown(ikEscape));
    EXPECT_FALSE(KeyPressed(ikEscape));
    window.Hold(kcEscape, false);
    PumpMessages();
    window.Hold(kcEscape);
    PumpMessages();
    EXPECT_TRUE(KeyPressed(ikEscape));
}

TEST_F(Window, CloseRequestsQuit) {
    THeadlessWindow& window = Start();
    Run();
    window.Push(peQuit);
    window.Push(pePointerMove, 5, 5); // not looked at after the quit
    PumpMessages();
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(window.Events.size(), 1u);
}

TEST_F(Window, TextEntryTurnsTheSystemsTextInputOnAndOff) {
    THeadlessWindow& window = Start();
    Run();
    StartTextEntry(nullptr, "", 8, false, false, false);
    window.PushText("Ida");
    PumpMessages();
    EXPECT_TRUE(window.TextInput);
    EXPECT_EQ(TextEntryText(), "Ida");
    EndTextEntry();
    PumpMessages();
    EXPECT_FALSE(window.TextInput);
}

} // namespace
} // namespace valdmoor
