#include "platform/EngineWindow.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
#include "platform/EngineInput.h"
#include "platform/EngineTimer.h"
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

TEST_F(Window, TextInputIsOnBeforeThePassReadsItsEvents) {
    THeadlessWindow& window = Start();
    Run();
    PumpMessages();
    // Entry starts during a frame; what the player types next is already waiting, and becomes
    // text only if text input is on when the pass reads it.
    StartTextEntry(nullptr, "", 8, false, false, false);
    window.PushText("A");
    PumpMessages();
    EXPECT_EQ(TextEntryText(), "A");
}

// A clock the test moves by hand: 1000 ticks a second.
struct TManualClock : TClock {
    static inline uint64_t now = 0;
    uint64_t Frequency() override { return 1000; }
    uint64_t Counter() override { return now; }
};

class FocusRoundTrip : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        TManualClock::now = 1000;
        TimerStartWith(std::make_unique<TManualClock>());
        // Activation and deactivation as the game wires them: timer and window.
        SetApplicationHooks({nullptr,
                             [] {
                                 WindowActivated();
                                 TimerRestart();
                             },
                             [] {
                                 TimerPause();
                                 WindowDeactivated();
                             }});
    }
    void TearDown() override {
        TimerStop();
        Window::TearDown();
    }
    // One pass of the main loop as far as input and time go.
    void Frame() {
        PumpMessages();
        AdvanceFrameCounter();
        TimerUpdate();
        TManualClock::now += 16;
    }
};

TEST_F(FocusRoundTrip, NothingHeldSurvivesAndTheClockStartsAfresh) {
    THeadlessWindow& window = Start();
    window.FixedWidth = 1600; // pointer pixels are canvas units plus the centre
    window.FixedHeight = 900;
    ApplyDisplayMode(true);
    Run();
    window.Push(pePointerMove, 1000, 450);
    window.Push(peButtonDown, 1000, 450);
    window.Push(peTouchDown, 1000, 450, 7);
    Frame();
    ASSERT_TRUE(KeyPressed(ikPointer));

    // The focus goes; the button is released and the finger lifted meanwhile, and five seconds
    // pass before the focus comes back.
    window.Push(peFocusLost);
    window.OnWait = [](THeadlessWindow& w) {
        if (w.Waits == 1) {
            w.Push(peButtonUp, 1000, 450);
            w.Push(peTouchUp, 1000, 450, 7);
        }
        TManualClock::now += 2500;
        if (w.Waits == 3) {
            w.Push(peFocusGained);
        }
    };
    Frame();
    EXPECT_EQ(window.Waits, 3);
    EXPECT_TRUE(ApplicationActive());
    EXPECT_LT(FrameTime(), 0.001f);
    EXPECT_FALSE(KeyDown(ikPointer));
    EXPECT_FALSE(PointerButtonDown());

    // The first move is no phantom press.
    window.Push(pePointerMove, 1100, 450);
    Frame();
    EXPECT_TRUE(PointerInWindow());
    EXPECT_FALSE(KeyDown(ikPointer));
    EXPECT_FALSE(PointerButtonDown());
    EXPECT_NEAR(FrameTime(), 0.016f, 1e-6f);

    // A new contact is the primary one: the lock on the lifted finger is gone.
    window.Push(peTouchDown, 600, 300, 9);
    Frame();
    EXPECT_TRUE(KeyPressed(ikPointer));
    float x = 0;
    float y = 0;
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, -200);
    EXPECT_FLOAT_EQ(y, -150);
    window.Push(peTouchUp, 600, 300, 9);
    Frame();
    Frame();
    EXPECT_FALSE(KeyDown(ikPointer));

    // And a second mouse tap is a press of its own, not the end of an old hold.
    window.Push(pePointerMove, 800, 450);
    window.Push(peButtonDown, 800, 450);
    window.Push(peButtonUp, 800, 450);
    Frame();
    EXPECT_TRUE(KeyPressed(ikPointer));
    Frame();
    EXPECT_FALSE(KeyDown(ikPointer));
}

TEST_F(FocusRoundTrip, PointerStandingStillOverTheWindowStillClicks) {
    THeadlessWindow& window = Start();
    Run();
    window.Push(pePointerMove, 100, 100);
    Frame();
    window.PointerInside = true; // the system says the pointer is over the window
    window.PointerX = 100;
    window.PointerY = 100;
    window.Push(peFocusLost);
    window.OnWait = [](THeadlessWindow& w) { w.Push(peFocusGained); };
    Frame();
    EXPECT_TRUE(PointerInWindow());
    window.Push(peButtonDown, 100, 100);
    Frame();
    EXPECT_TRUE(KeyPressed(ikPointer));

    // Without it the pointer counts as outside until it moves or enters.
    window.PointerInside = false;
    window.Push(peFocusLost);
    Frame();
    EXPECT_FALSE(PointerInWindow());
    window.Push(pePointerEnter);
    window.Push(peButtonDown, 100, 100);
    Frame();
    EXPECT_TRUE(KeyPressed(ikPointer));
}

TEST_F(Window, SizeImposedBySystemIsFollowed) {
    static int width = 0;
    static int height = 0;
    SetWindowHooks({[](int w, int h) {
                        width = w;
                        height = h;
                    },
                    nullptr, nullptr, nullptr, nullptr});
    THeadlessWindow& window = Start({"-windowed"});
    Run();
    EXPECT_EQ(width, 1536);
    window.Push(peResized, 1200, 800);
    PumpMessages();
    int w = 0;
    int h = 0;
    ClientSize(w, h);
    EXPECT_EQ(w, 1200);
    EXPECT_EQ(h, 800);
    EXPECT_EQ(width, 1200);
    EXPECT_EQ(height, 800);
    EXPECT_EQ(window.Placed, 1); // followed, not fought
}

TEST_F(Window, FixedSizeHoldsInFullScreenAndWindowed) {
    auto backend = std::make_unique<THeadlessWindow>();
    backend->FixedWidth = 1600;
    backend->FixedHeight = 900;
    THeadlessWindow& window = *backend;
    SetSwitches(ParseSwitches({"-windowed"}));
    WindowStartWith(std::move(backend));
    EXPECT_EQ(window.Width, 1600);
    EXPECT_EQ(window.Height, 900);
    SetFullScreen(true);
    EXPECT_EQ(window.Width, 1600);
    EXPECT_EQ(window.Height, 900);
}

int audioLost = 0;
uint32_t audioLostDevice = 0;

TEST_F(Window, AudioDeviceLossReachesItsHook) {
    audioLost = 0;
    SetAudioDeviceLostHook([](uint32_t which) {
        ++audioLost;
        audioLostDevice = which;
    });
    THeadlessWindow& window = Start();
    Run();
    window.Push(peAudioDeviceLost, 0, 0, 7);
    PumpMessages();
    SetAudioDeviceLostHook(nullptr);
    EXPECT_EQ(audioLost, 1);
    EXPECT_EQ(audioLostDevice, 7u); // the audio side ignores devices that are not its own
}

} // namespace
} // namespace valdmoor
