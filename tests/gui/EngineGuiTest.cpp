#include "gui/EngineGui.h"

#include "TestSupport.h"
#include "app/EngineApplication.h"
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

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Lines = std::vector<std::string>;

// What the test forms and controls were told, in order, beside the framework's own trace.
Lines calls;

class TTestControl : public TGuiControl {
public:
    void Initialize() override { calls.push_back("init " + Name()); }
    void Finalize() override { calls.push_back("finalize " + Name()); }
    void Click() override { calls.push_back("click " + Name()); }
    void Refresh(bool visible) override {
        ++Refreshes;
        LastVisible = visible;
        if (!visible) {
            calls.push_back("refresh-off " + Name());
        }
    }
    int Refreshes = 0;
    bool LastVisible = false;
};

class TTestForm : public TGuiForm {
public:
    TTestForm(std::string name, std::string cursor = "Arrow", std::string hint = "Plain")
        : TGuiForm(std::move(name), std::move(cursor), std::move(hint)) {}

    // Builds the controls the test asked for, each from the form's Layout at Show time.
    void Show(int32_t) override {
        calls.push_back("show " + Name());
        for (const TGuiRect& place : Places) {
            Layout = place;
            CreateControl<TTestControl>(this, 0, {{0, "C" + std::to_string(&place - &Places[0])}});
        }
        if (OnShow != nullptr) {
            OnShow(this);
        }
    }
    void Hide() override { calls.push_back("hide " + Name()); }
    void Activate() override { calls.push_back("activate " + Name()); }
    void Deactivate() override { calls.push_back("deactivate " + Name()); }
    void ControlPressed(TVector2) override { calls.push_back("pressed " + Sender->Name()); }
    void ControlReleased(TVector2) override { calls.push_back("released " + Sender->Name()); }
    void ControlClicked() override { calls.push_back("clicked " + Sender->Name()); }
    void Message() override { calls.push_back("message " + MessageText); }
    void Finalize() override { calls.push_back("finalize " + Name()); }

    std::vector<TGuiRect> Places;
    void (*OnShow)(TTestForm* form) = nullptr;
};

class TTestDialog : public TGuiDialog {
public:
    TTestDialog(std::string name, float fadeIn, float fadeOut)
        : TGuiDialog(std::move(name), fadeIn, fadeOut, "Arrow", "Plain") {}
    void Show(int32_t) override {
        Layout = {0, 0, 400, 200};
        CreateControl<TTestControl>(this, 0, {{0, "D" + Name()}});
    }
    void ControlClicked() override { calls.push_back("clicked " + Sender->Name()); }
};

// Covers in Steps frames per phase.
class TTestTransition : public TGuiTransition {
public:
    explicit TTestTransition(std::string name, int steps = 2)
        : TGuiTransition(std::move(name)), steps_(steps) {}
    void Start() override { calls.push_back("start " + Name()); }
    void Stop() override { calls.push_back("stop " + Name()); }
    bool CoverStep1() override { return Step(); }
    bool CoverStep2() override { return Step(); }
    bool CoverStep3() override { return Step(); }
    bool UncoverStep1() override { return Step(); }
    bool UncoverStep2() override { return Step(); }
    bool UncoverStep3() override { return Step(); }

private:
    bool Step() {
        if (++count_ < steps_) {
            return false;
        }
        count_ = 0;
        return true;
    }
    int steps_;
    int count_ = 0;
};

class TTestHint : public TGuiHint {
public:
    using TGuiHint::TGuiHint;
    void Render(bool visible) override { Visible = visible; }
    bool Visible = false;
};

class TTestCursor : public TGuiCursor {
public:
    using TGuiCursor::TGuiCursor;
    void Render(bool visible) override {
        if (!visible) {
            calls.push_back("cursor-off " + Name());
        }
    }
};

class Gui : public testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        ApplicationStart();
        SetApplicationHooks({nullptr, Activated, WindowDeactivated});
        ASSERT_TRUE(ServiceInit(home.Path().string() + "/"));
        SetSwitches(ParseSwitches({}));
        auto backend = std::make_unique<THeadlessWindow>();
        window = backend.get();
        WindowStartWith(std::move(backend));
        TimerStartWith(CreateFixedStepClock());
        ScriptStart();
        GuiStart();
        GuiTraceStart();
        RegisterCursor(std::make_unique<TTestCursor>("Arrow"));
        RegisterCursor(std::make_unique<TTestCursor>("Hand"));
        RegisterHint(std::make_unique<TTestHint>("Plain", 0.5f, 0.25f, 0.25f));
        SetApplicationRunning(true);
        ResumeApplication();
        ActivateApplication();
    }
    void TearDown() override {
        GuiStop();
        GuiTraceStop();
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
        LoadInputScript(home.Write("input.txt", test::ShiftedInputScript(script, passes)).string());
    }
    // One pass of the main loop's share: input, frame time, GUI.
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            PumpMessages();
            ++passes;
            AdvanceFrameCounter();
            TimerUpdate();
            GuiFrame();
        }
    }
    TTestForm* AddForm(const std::string& name, std::vector<TGuiRect> places) {
        auto form = std::make_unique<TTestForm>(name);
        form->Places = std::move(places);
        return static_cast<TTestForm*>(RegisterForm(std::move(form)));
    }
    // The trace without the kinds a test does not care about.
    static Lines Trace(std::set<std::string> skip = {"hold", "cursor"}) {
        Lines lines;
        for (std::string& line : GuiTraceLines()) {
            if (!skip.contains(line.substr(0, line.find(' ')))) {
                lines.push_back(std::move(line));
            }
        }
        return lines;
    }
    static int Count(const Lines& lines, const std::string& line) {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    static Lines Calls(const std::string& prefix) {
        Lines result;
        for (const std::string& call : calls) {
            if (call.rfind(prefix, 0) == 0) {
                result.push_back(call);
            }
        }
        return result;
    }

    test::TTempFolder home;
    THeadlessWindow* window = nullptr;
    int64_t passes = 0;
};

// ---- mouse events ----

TEST_F(Gui, ClickGivesEnterPressReleaseClickInOrder) {
    AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    Input("2 move 0 0\n3 down\n4 up\n6 move 500 300\n");
    Frames(7);
    EXPECT_EQ(Trace({"hold", "cursor", "show"}), (Lines{"activate Menu", "enter C0", "press C0",
                                                        "release C0", "click C0", "leave C0"}));
    EXPECT_EQ(Calls("p"), (Lines{"pressed C0"}));
    EXPECT_EQ(Calls("cl"), (Lines{"click C0", "clicked C0"}));
}

TEST_F(Gui, PressHeldPastTheHoldTimeGivesNoClick) {
    AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    // One second down: press, holds, release, and no click.
    Input("2 move 0 0\n3 down\n63 up\n");
    Frames(65);
    const Lines trace = Trace({"cursor"});
    EXPECT_EQ(Count(trace, "press C0"), 1);
    EXPECT_EQ(Count(trace, "hold C0"), 59);
    EXPECT_EQ(Count(trace, "release C0"), 1);
    EXPECT_EQ(Count(trace, "click C0"), 0);
    EXPECT_TRUE(Calls("clicked").empty());

    // Half a second is still a click.
    GuiTraceClear();
    Input("1 down 0 0\n31 up\n");
    Frames(32);
    EXPECT_EQ(Count(Trace(), "click C0"), 1);
}

TEST_F(Gui, LeavingWhilePressedDropsThePress) {
    AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    Input("2 move 0 0\n3 down\n4 move 400 0\n5 up\n");
    Frames(6);
    EXPECT_EQ(Trace({"hold", "cursor", "show", "activate"}),
              (Lines{"enter C0", "press C0", "leave C0"}));
    EXPECT_FALSE(FindControl(CurrentForm(), "C0")->Pressed);
}

TEST_F(Gui, PointerOutsideTheWindowHoversNothing) {
    AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    Frames(3);
    EXPECT_EQ(HoveredControl(), nullptr);
    Input("1 move 0 0\n");
    Frames(1);
    EXPECT_EQ(HoveredControl(), FindControl(CurrentForm(), "C0"));
}

// ---- hit test ----

TEST_F(Gui, HitTestPrefersHigherLayersThenLaterControls) {
    TTestForm* form = AddForm("Menu", {{0, 0, 200, 200}, {0, 0, 200, 200}, {300, 0, 100, 100}});
    form->OnShow = [](TTestForm* shown) {
        // C3 lies under C0 and C1 but on a higher layer; C4 covers C2 but is disabled.
        shown->Layout = {0, 0, 50, 50};
        CreateControl<TTestControl>(shown, 5, {{0, "C3"}});
        shown->Layout = {300, 0, 100, 100};
        CreateControl<TTestControl>(shown, 9, {{0, "C4"}, {3, false}});
    };
    SetCurrentForm("Menu");
    Input("2 move 80 80\n3 move 0 0\n4 move 300 0\n5 move 80 -99\n");
    Frames(5);
    EXPECT_EQ(Trace({"hold", "cursor", "show", "activate", "leave"}),
              (Lines{"enter C1", "enter C3", "enter C2", "enter C1"}));
    // Edges belong to the control.
    EXPECT_TRUE(FindControl(form, "C0")->HitTest(100, 100));
    EXPECT_FALSE(FindControl(form, "C0")->HitTest(100.5f, 0));
}

TEST_F(Gui, TopDialogTakesTheInputOnceOpen) {
    AddForm("Menu", {{0, 0, 600, 400}});
    RegisterDialog(std::make_unique<TTestDialog>("Low", 0, 0));
    RegisterDialog(std::make_unique<TTestDialog>("High", 0.1f, 0));
    SetCurrentForm("Menu");
    Input("1 move 0 0\n");
    Frames(2);
    ShowDialog("Low");
    Frames(1);
    EXPECT_EQ(HoveredControl()->Name(), "DLow");
    ShowDialog("High");
    Frames(1);
    // Fading in: nothing takes input, the lower dialog lets go.
    EXPECT_EQ(InputTarget(), nullptr);
    EXPECT_EQ(HoveredControl(), nullptr);
    Frames(6);
    EXPECT_EQ(InputTarget(), FindDialog("High"));
    EXPECT_EQ(HoveredControl()->Name(), "DHigh");
    EXPECT_EQ(HoveredControl()->Layer, 2 * DialogLayerStep);
    EXPECT_EQ(Trace({"hold", "cursor", "show", "dialog", "hide"}),
              (Lines{"activate Menu", "enter C0", "open Low", "leave C0", "deactivate Menu",
                     "activate Low", "enter DLow", "leave DLow", "deactivate Low", "open High",
                     "activate High", "enter DHigh"}));
}

// ---- checkable controls and shortcuts ----

TEST_F(Gui, CheckedRadioControlIsNotClickedAgain) {
    TTestForm* form = AddForm("Menu", {{-300, 0, 200, 100}, {0, 0, 200, 100}, {300, 0, 200, 100}});
    SetCurrentForm("Menu");
    for (const char* name : {"C0", "C1", "C2"}) {
        TGuiControl* control = FindControl(form, name);
        control->Checkable = true;
        control->Group = name[1] == '2' ? "Other" : "Sides";
    }
    SetChecked(FindControl(form, "C2"), true);
    Input("1 move -300 0\n2 down\n3 up\n5 down\n6 up\n8 move 0 0\n9 down\n10 up\n");
    Frames(11);
    EXPECT_EQ(Calls("cl"), (Lines{"click C0", "clicked C0", "click C1", "clicked C1"}));
    EXPECT_FALSE(FindControl(form, "C0")->Checked);
    EXPECT_TRUE(FindControl(form, "C1")->Checked);
    EXPECT_TRUE(FindControl(form, "C2")->Checked); // another group
    CheckByGroup(form, "C0", "Sides");
    EXPECT_TRUE(FindControl(form, "C0")->Checked);
    EXPECT_FALSE(FindControl(form, "C1")->Checked);
}

TEST_F(Gui, ShortcutsFireTheFirstUsableSlotOnly) {
    TTestForm* form = AddForm("Menu", {{-300, 0, 100, 100}, {0, 0, 100, 100}, {300, 0, 100, 100}});
    SetCurrentForm("Menu");
    Frames(1);
    TGuiControl* back = FindControl(form, "C0");
    TGuiControl* accept = FindControl(form, "C1");
    TGuiControl* tab = FindControl(form, "C2");
    form->Shortcuts = {back, accept, nullptr, tab, nullptr};
    tab->Checkable = true;

    // Escape and Enter in one frame: only Escape's control.
    Input("1 key escape\n1 key enter\n2 release escape\n2 release enter\n"
          "3 key i\n4 release i\n5 key i\n6 release i\n"
          "7 key escape\n7 key enter\n8 release escape\n8 release enter\n");
    Frames(2);
    EXPECT_EQ(Calls("cl"), (Lines{"click C0", "clicked C0"}));
    // I checks the tab and clicks it once; pressed again it does nothing.
    calls.clear();
    Frames(4);
    EXPECT_EQ(Calls("cl"), (Lines{"click C2", "clicked C2"}));
    EXPECT_TRUE(tab->Checked);
    // A disabled slot is passed over.
    calls.clear();
    SetControlEnabled(back, false);
    Frames(2);
    EXPECT_EQ(Calls("cl"), (Lines{"click C1", "clicked C1"}));

    // A checked checkable slot stops the search.
    calls.clear();
    form->Shortcuts = {tab, accept, nullptr, nullptr, nullptr};
    Input("1 key escape\n1 key space\n");
    Frames(1);
    EXPECT_TRUE(Calls("cl").empty());
}

// ---- forms, transitions, dialogs ----

TEST_F(Gui, TransitionSwapsFormsWhenCoveredAndTakesTheInputMeanwhile) {
    AddForm("Menu", {{0, 0, 200, 100}});
    AddForm("Play", {{0, 0, 200, 100}});
    RegisterTransition(std::make_unique<TTestTransition>("Fade", 2));
    SetCurrentForm("Menu");
    Input("1 move 0 0\n");
    Frames(1);
    static int swaps = 0;
    swaps = 0;
    SwitchForm(
        "Play", "Fade", [](void* data) { ++*static_cast<int*>(data); }, &swaps);
    EXPECT_TRUE(CurrentTransition()->StartedWithoutForm == false);
    Frames(1);
    EXPECT_EQ(InputTarget(), nullptr);
    EXPECT_EQ(HoveredControl(), nullptr);
    // Three cover phases of two frames each, then the swap.
    Frames(4);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
    EXPECT_EQ(swaps, 0);
    Frames(1);
    EXPECT_EQ(CurrentForm()->Name(), "Play");
    EXPECT_EQ(swaps, 1);
    EXPECT_EQ(CurrentTransition()->Phase, 3);
    // Phase 3 passes in one frame without a call; the uncover phases take two each.
    Frames(5);
    EXPECT_EQ(CurrentTransition()->Phase, 6);
    EXPECT_EQ(InputTarget(), nullptr);
    Frames(2);
    EXPECT_EQ(CurrentTransition(), nullptr);
    Frames(1);
    EXPECT_EQ(InputTarget(), CurrentForm());
    EXPECT_EQ(Trace({"hold", "cursor", "enter", "leave"}),
              (Lines{"show Menu", "activate Menu", "transition Fade", "deactivate Menu",
                     "phase Fade 1", "phase Fade 2", "phase Fade 3", "hide Menu", "swap Play",
                     "show Play", "phase Fade 4", "phase Fade 5", "phase Fade 6", "phase Fade 7",
                     "ended Fade", "activate Play"}));
    EXPECT_EQ(Calls("st"), (Lines{"start Fade", "stop Fade"}));
}

TEST_F(Gui, SetCurrentFormEndsATransitionAndHidesTheOldForm) {
    AddForm("Menu", {{0, 0, 200, 100}});
    AddForm("Play", {});
    RegisterTransition(std::make_unique<TTestTransition>("Fade", 3));
    SwitchForm("Menu", "Fade");
    EXPECT_TRUE(CurrentTransition()->StartedWithoutForm);
    Frames(12);
    ASSERT_EQ(CurrentForm()->Name(), "Menu");
    SetCurrentForm("Play");
    EXPECT_EQ(CurrentTransition(), nullptr);
    EXPECT_EQ(Calls("").back(), "show Play");
    EXPECT_EQ(Count(calls, "stop Fade"), 1);
    EXPECT_EQ(Count(calls, "refresh-off C0"), 1);
    EXPECT_EQ(Count(calls, "finalize C0"), 1);
    EXPECT_EQ(CurrentForm()->Controls.Count(), 0);
    EXPECT_FALSE(FindForm("Menu")->Shown);
}

TEST_F(Gui, DialogFadesWithZeroAndNonZeroTimes) {
    AddForm("Menu", {});
    SetCurrentForm("Menu");
    TGuiDialog* quick = RegisterDialog(std::make_unique<TTestDialog>("Quick", 0, 0));
    TGuiDialog* slow = RegisterDialog(std::make_unique<TTestDialog>("Slow", 0.3f, 0.5f));
    EXPECT_EQ(ShowDialog("Quick", "Sure?", "", nullptr, nullptr, nullptr), quick);
    EXPECT_EQ(quick->Text, "Sure?");
    Frames(1);
    EXPECT_EQ(quick->DialogState, dsOpen);
    EXPECT_EQ(quick->Fade, 1);
    EXPECT_TRUE(quick->Accepting);

    ShowDialog("Slow");
    EXPECT_EQ(DialogInSlot(1), slow);
    EXPECT_EQ(slow->BaseLayer, 2 * DialogLayerStep);
    Frames(17);
    EXPECT_EQ(slow->DialogState, dsFadingIn);
    EXPECT_NEAR(slow->Fade, 17.0f / 18, 1e-4);
    Frames(2);
    EXPECT_EQ(slow->DialogState, dsOpen);

    CloseDialog(quick);
    EXPECT_FALSE(quick->Accepting);
    Frames(1);
    EXPECT_EQ(quick->DialogState, dsClosed);
    EXPECT_FALSE(quick->Shown);
    EXPECT_EQ(DialogInSlot(0), nullptr);
    EXPECT_EQ(DialogInSlot(1), slow);

    CloseDialog(slow);
    Frames(29);
    EXPECT_EQ(slow->DialogState, dsFadingOut);
    Frames(2);
    EXPECT_EQ(slow->DialogState, dsClosed);
    EXPECT_EQ(DialogInSlot(1), nullptr);
}

TEST_F(Gui, AFourthDialogAndTheSameDialogTwiceTakeNoSlot) {
    AddForm("Menu", {});
    SetCurrentForm("Menu");
    for (const char* name : {"A", "B", "C", "D"}) {
        RegisterDialog(std::make_unique<TTestDialog>(name, 0, 0));
    }
    EXPECT_NE(ShowDialog("A"), nullptr);
    EXPECT_NE(ShowDialog("B"), nullptr);
    TDialogArguments again;
    again.Text = "again";
    EXPECT_EQ(ShowDialog("A", again), FindDialog("A"));
    EXPECT_EQ(FindDialog("A")->Text, "again");
    EXPECT_NE(ShowDialog("C"), nullptr);
    EXPECT_EQ(ShowDialog("D"), nullptr);
    EXPECT_FALSE(FindDialog("D")->Shown);
    EXPECT_EQ(DialogInSlot(2)->Name(), "C");
    CloseAllDialogs();
    for (int32_t slot = 0; slot < DialogSlotCount; ++slot) {
        EXPECT_EQ(DialogInSlot(slot), nullptr);
    }
    EXPECT_FALSE(FindDialog("A")->Shown);
    EXPECT_EQ(FindDialog("A")->DialogState, dsClosed);
}

TEST_F(Gui, UnknownNamesAreLoggedOnceAndIgnored) {
    AddForm("Menu", {});
    SetCurrentForm("Menu");
    SetCurrentForm("Nowhere");
    SetCurrentForm("Nowhere");
    SwitchForm("Menu", "Swirl");
    EXPECT_EQ(ShowDialog("Ghost"), nullptr);
    SetCursor("Sword");
    SetCursor("Arrow");
    SetCursor("Sword");
    PostFormMessage("Nobody", "hello", nullptr);
    PostFormMessage("Menu", "hello", nullptr);
    Frames(2);
    EXPECT_EQ(CurrentForm()->Name(), "Menu");
    EXPECT_EQ(CurrentTransition(), nullptr);
    EXPECT_EQ(LogLines(), (Lines{"Unknown form \"Nowhere\"", "Unknown transition \"Swirl\"",
                                 "Unknown dialog \"Ghost\"", "Unknown cursor \"Sword\"",
                                 "Unknown form \"Nobody\""}));
    EXPECT_EQ(Calls("message"), (Lines{"message hello"}));
}

// ---- hints and cursor ----

TEST_F(Gui, HintAppearsAfterItsDelayAndRestartsOnANewControl) {
    TTestForm* form = AddForm("Menu", {{-300, 0, 200, 100}, {0, 0, 200, 100}, {300, 0, 200, 100}});
    SetCurrentForm("Menu");
    SetControlHint(FindControl(form, "C0"), "Left");
    SetControlHint(FindControl(form, "C1"), "Middle");
    // 0.5 s is 30 frames: leave C0 after 20, stay on C1 for 29 and then one more.
    Input("1 move -300 0\n21 move 0 0\n");
    Frames(49);
    EXPECT_EQ(CurrentHint(), nullptr);
    Frames(1);
    ASSERT_NE(CurrentHint(), nullptr);
    EXPECT_EQ(CurrentHint()->HintText, "Middle");
    EXPECT_EQ(CurrentHint()->Anchor.X, 0);
    EXPECT_EQ(CurrentHint()->Reach.X, 100);
    EXPECT_TRUE(static_cast<TTestHint*>(CurrentHint())->Visible);
    // Fades in over 0.25 s, and out once the pointer moves to a control without a hint.
    Frames(15);
    EXPECT_EQ(CurrentHint()->HintState, hsShown);
    Input("1 move 300 0\n");
    Frames(10);
    EXPECT_EQ(CurrentHint()->HintState, hsFadingOut);
    Frames(6);
    EXPECT_EQ(CurrentHint(), nullptr);
    Frames(60);
    EXPECT_EQ(Trace({"hold", "cursor", "show", "activate"}),
              (Lines{"enter C0", "leave C0", "enter C1", "hint C1", "leave C1", "hintfade Plain",
                     "enter C2", "hintgone Plain"}));
}

TEST_F(Gui, HintSetterRenewsTheShownHint) {
    TTestForm* form = AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    TGuiControl* control = FindControl(form, "C0");
    SetControlHint(control, "One");
    Input("1 move 0 0\n");
    Frames(31);
    ASSERT_NE(CurrentHint(), nullptr);
    CurrentHint()->Reach.X += 10; // as placing it would
    SetControlHint(control, "Two");
    EXPECT_EQ(CurrentHint()->HintText, "Two");
    EXPECT_EQ(CurrentHint()->Reach.X, 100);
    SetControlHint(control, "");
    EXPECT_EQ(CurrentHint()->HintState, hsFadingOut);
}

TEST_F(Gui, CursorFollowsTheHoveredControlThenTheTarget) {
    TTestForm* form = AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    FindControl(form, "C0")->CursorName = "Hand";
    Frames(1);
    EXPECT_EQ(CurrentCursor()->Name(), "Arrow");
    Input("1 move 0 0\n2 move 500 0\n");
    Frames(1);
    EXPECT_EQ(CurrentCursor()->Name(), "Hand");
    Frames(1);
    EXPECT_EQ(CurrentCursor()->Name(), "Arrow");
    // Drawn off while the pointer was outside the window, then at each change.
    EXPECT_EQ(Calls("cursor-off"),
              (Lines{"cursor-off Arrow", "cursor-off Arrow", "cursor-off Hand"}));
}

struct TPlaceCase {
    TVector2 Anchor;
    bool Sideways;
    int32_t Side;
};

TEST(HintPlacement, SideDependsOnTheRoomNearEachEdge) {
    // A 200 x 60 box (text 180 x 40 plus padding) beside a 100 x 40 control, margin 10,
    // screen margin 5.
    const TPlaceCase cases[] = {
        {{0, 0}, false, psTop},      {{0, -400}, false, psLeft},   {{-700, -400}, false, psRight},
        {{0, -400}, true, psLeft},   {{-700, 0}, true, psRight},   {{0, 0}, true, psLeft},
        {{-10, -380}, true, psLeft}, {{700, -400}, false, psLeft}, {{700, 430}, false, psTop},
        {{0, 380}, false, psTop},
    };
    for (const TPlaceCase& c : cases) {
        TGuiHint hint("Plain", 0, 0, 0);
        hint.Anchor = c.Anchor;
        hint.Reach = {50, 20};
        hint.PreferSideways = c.Sideways;
        PlaceHintBox(&hint, 180, 40, 0, 0, 20, 20, 10, 5);
        EXPECT_EQ(hint.Side, c.Side) << c.Anchor.X << ", " << c.Anchor.Y << " " << c.Sideways;
        EXPECT_EQ(hint.Reach.X, 60);
    }
    // Wider than either side and no room above: below, and in a corner the larger room wins.
    TGuiHint hint("Plain", 0, 0, 0);
    hint.Anchor = {0, -420};
    hint.Reach = {700, 20};
    PlaceHintBox(&hint, 180, 40, 0, 0, 20, 20, 10, 5);
    EXPECT_EQ(hint.Side, psBottom);
    EXPECT_EQ(hint.BoxCentre.Y, -420 + 30 + 30);
    hint.Anchor = {0, -20};
    hint.Reach = {700, 430};
    PlaceHintBox(&hint, 180, 40, 0, 0, 20, 20, 0, 5);
    EXPECT_EQ(hint.Side, psBottom); // 15 below the anchor against 5 above it
}

TEST(HintPlacement, BoxNearAnEdgeShiftsAndRemembersTheShift) {
    TGuiHint hint("Plain", 0, 0, 0);
    hint.Anchor = {-780, 0};
    hint.Reach = {10, 10};
    // Too wide to go left of a control at the very edge; above it, kept inside the margin.
    PlaceHintBox(&hint, 100, 20, 150, 0, 0, 0, 0, 5);
    EXPECT_EQ(hint.Side, psTop);
    EXPECT_EQ(hint.BoxSize.X, 150); // raised to the minimum across
    EXPECT_EQ(hint.PointerShift.X, -795 + 75 + 780);
    EXPECT_EQ(hint.BoxCentre.X, -795 + 75);
    EXPECT_EQ(hint.BoxCentre.Y, -10 - 10);

    hint.Anchor = {0, 440};
    hint.Reach = {10, 5};
    hint.PreferSideways = true;
    PlaceHintBox(&hint, 100, 40, 0, 0, 0, 0, 0, 5);
    EXPECT_EQ(hint.Side, psLeft);
    EXPECT_EQ(hint.PointerShift.Y, 445 - 20 - 440);
    EXPECT_EQ(hint.PointerShift.X, 0);
    EXPECT_EQ(hint.BoxSize, (TVector2{100, 40}));
}

// ---- layout and properties ----

TEST(GuiLayout, RulesMoveAndResizeTheRectangle) {
    struct TCase {
        int32_t Rule;
        float Value;
        TGuiRect Expected;
    };
    // Each starts from (100, 50, 200, 80).
    const TCase cases[] = {
        {2, 7, {7, 50, 200, 80}},      {3, -7, {100, -7, 200, 80}},   {4, 5, {105, 50, 200, 80}},
        {5, 5, {100, 55, 200, 80}},    {6, 300, {200, 50, 200, 80}},  {7, 60, {100, 10, 200, 80}},
        {8, 10, {-90, 50, 200, 80}},   {9, 10, {310, 50, 200, 80}},   {10, -4, {100, -34, 200, 80}},
        {11, 4, {100, 134, 200, 80}},  {12, -40, {-20, 50, 40, 80}},  {13, 40, {220, 50, 40, 80}},
        {14, 20, {100, 0, 200, 20}},   {15, 20, {100, 100, 200, 20}}, {16, -30, {100, 50, 30, 30}},
        {17, 30, {100, 50, 30, 80}},   {18, 30, {100, 50, 200, 30}},  {19, 100, {150, 50, 100, 80}},
        {20, 100, {50, 50, 100, 80}},  {21, 40, {100, 70, 200, 40}},  {22, 40, {100, 30, 200, 40}},
        {23, -500, {100, 50, 0, 0}},   {24, 20, {100, 50, 220, 80}},  {25, -20, {100, 50, 200, 60}},
        {26, 20, {90, 50, 220, 80}},   {27, 20, {110, 50, 220, 80}},  {28, -20, {100, 60, 200, 60}},
        {29, -20, {100, 40, 200, 60}}, {30, 150, {125, 50, 250, 80}}, {31, 150, {75, 50, 250, 80}},
        {32, 0, {100, 30, 200, 40}},   {33, -100, {100, 90, 200, 0}}, {99, 1, {100, 50, 200, 80}},
        {-1, 1, {100, 50, 200, 80}},
    };
    for (const TCase& c : cases) {
        TGuiRect rect{100, 50, 200, 80};
        std::array<TGuiRect, 3> saved{};
        ApplyLayoutRuleTo(rect, saved, c.Rule, c.Value);
        EXPECT_EQ(rect, c.Expected) << "rule " << c.Rule;
    }
}

TEST(GuiLayout, SavedRectanglesClampTheirSlot) {
    TTestForm form("Menu");
    form.Layout = {1, 2, 3, 4};
    ApplyLayoutRule(&form, 0, 7.4f, 2, 50, 0, 0.6f, 3, 60);
    EXPECT_EQ(form.SavedLayouts[2], (TGuiRect{1, 2, 3, 4}));
    EXPECT_EQ(form.SavedLayouts[1], (TGuiRect{50, 2, 3, 4}));
    ApplyLayoutRule(&form, 1, -3, 17, 9);
    EXPECT_EQ(form.Layout, (TGuiRect{0, 0, 9, 900})); // slot 0 still holds the start
    ApplyLayoutRule(&form, 1, 2);
    EXPECT_EQ(form.Layout, (TGuiRect{1, 2, 3, 4}));
}

TEST(GuiControls, CreationTakesTheLayoutAndConvertsProperties) {
    TTestForm form("Menu");
    form.BaseLayer = 1000;
    form.ScreenOffset = {10, 20};
    form.Layout = {110, 70, 40, 30};
    calls.clear();
    TGuiControl* control = CreateControl<TTestControl>(
        &form, 7, {{0, "OK"}, {10, 0xFF8000}, {22, "ButtonOK"}, {13, "G2Button"}});
    EXPECT_EQ(calls, (Lines{"init "})); // properties come after Initialize
    EXPECT_EQ(control->Layer, 1007);
    EXPECT_EQ(control->Origin, (TVector2{10, 20}));
    EXPECT_EQ(control->Position, (TVector2{100, 50}));
    EXPECT_EQ(control->Size, (TVector2{40, 30}));
    EXPECT_EQ(control->Name(), "OK");
    EXPECT_EQ(control->Color.Red, 1);
    EXPECT_NEAR(control->Color.Green, 128.0f / 255, 1e-6);
    EXPECT_EQ(control->Color.Blue, 0);
    EXPECT_EQ(control->TextKey, "ButtonOK");
    EXPECT_EQ(control->Text, "ButtonOK"); // a missing text shows its identifier
    EXPECT_EQ(control->TextureName, "G2Button");

    SetControlProperty(control, 21, "Plain");
    EXPECT_TRUE(control->TextKey.empty());
    SetControlProperty(control, 2, "false");
    SetControlProperty(control, 5, 1);
    SetControlProperty(control, 6, "1.5");
    SetControlProperty(control, 20, 18);
    SetControlProperty(control, 40, 3.5);
    EXPECT_FALSE(control->Visible);
    EXPECT_TRUE(control->Checkable);
    EXPECT_EQ(control->Scale, 1.5f);
    EXPECT_EQ(control->Option, 18);
    EXPECT_EQ(control->TextureName, "3.5");
    EXPECT_EQ(FindControl(&form, "OK"), control);
    EXPECT_EQ(form.Sender, control);
    SetFocus(&form, "OK", 9);
    EXPECT_EQ(form.Focus, control);
    EXPECT_EQ(form.FocusStyle, 3);
}

TEST_F(Gui, SettersMarkDirtyOnlyOnChangeAndTheRefreshPassClearsIt) {
    TTestForm* form = AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    auto* control = static_cast<TTestControl*>(FindControl(form, "C0"));
    Frames(1);
    EXPECT_EQ(control->Refreshes, 1);
    EXPECT_TRUE(control->LastVisible);
    SetControlPosition(control, 0, 0);
    SetControlSize(control, 200, 100);
    SetControlScale(control, 1);
    SetControlAlpha(control, 1);
    SetControlText(control, "");
    SetControlHint(control, "");
    EXPECT_FALSE(control->Dirty);
    Frames(1);
    EXPECT_EQ(control->Refreshes, 1);
    SetControlX(control, 5);
    EXPECT_TRUE(control->Dirty);
    SetControlVisible(control, false);
    Frames(1);
    EXPECT_EQ(control->Refreshes, 2);
    EXPECT_FALSE(control->LastVisible);
    EXPECT_FALSE(control->Dirty);
    // Reload: every control refreshed off (last first), freed, and built again.
    form->Places.push_back({0, 0, 10, 10});
    calls.clear();
    ReloadForm(form);
    EXPECT_EQ(calls, (Lines{"deactivate Menu", "refresh-off C0", "hide Menu", "finalize C0",
                            "show Menu", "init ", "init "}));
    EXPECT_EQ(form->Controls.Count(), 2);
}

TEST_F(Gui, HidingTheHoveredFormForgetsItsControls) {
    TTestForm* form = AddForm("Menu", {{0, 0, 200, 100}});
    SetCurrentForm("Menu");
    Input("1 move 0 0\n2 down\n");
    SetControlHint(nullptr, "x");
    Frames(2);
    TGuiControl* control = FindControl(form, "C0");
    form->Shortcuts[0] = control;
    form->Focus = control;
    ASSERT_EQ(HoveredControl(), control);
    ReloadForm(form);
    EXPECT_EQ(HoveredControl(), nullptr);
    EXPECT_EQ(form->Sender, nullptr);
    EXPECT_EQ(form->Focus, nullptr);
    EXPECT_EQ(form->Shortcuts[0], nullptr);
    Input("1 up\n");
    Frames(2); // the release finds the new control unpressed: no click
    EXPECT_TRUE(Calls("cl").empty());
}

TEST_F(Gui, StopHidesEverythingAndFinalizesOnce) {
    AddForm("Menu", {{0, 0, 200, 100}});
    RegisterDialog(std::make_unique<TTestDialog>("Ask", 0, 0));
    RegisterTransition(std::make_unique<TTestTransition>("Fade", 2));
    SetCurrentForm("Menu");
    ShowDialog("Ask");
    SwitchForm("Menu", "Fade");
    Frames(1);
    calls.clear();
    GuiStop();
    EXPECT_EQ(calls,
              (Lines{"stop Fade", "refresh-off C0", "hide Menu", "finalize C0", "refresh-off DAsk",
                     "finalize DAsk", "cursor-off Arrow", "finalize Menu"}));
    EXPECT_FALSE(GuiStarted());
    GuiStop();
    Frames(1);
}

TEST_F(Gui, TraceKeepsTheLatestEventsInOrder) {
    GuiTraceStart(3);
    AddForm("Menu", {});
    AddForm("Play", {});
    SetCurrentForm("Menu");
    SetCurrentForm("Play");
    EXPECT_EQ(GuiTraceLines(), (Lines{"show Menu", "hide Menu", "show Play"}));
    GuiTraceClear();
    EXPECT_TRUE(GuiTraceLines().empty());
    GuiTraceStop();
    SetCurrentForm("Menu");
    EXPECT_TRUE(GuiTraceLines().empty());
}

TEST(GuiFps, BoxCountsFramesOverEachSecond) {
    ApplicationStart();
    SetSwitches(ParseSwitches({"-showfps", "-headless"}));
    TimerStartWith(CreateFixedStepClock());
    VideoStartWith(std::make_unique<TNullVideoDevice>(), 1600, 900);
    TextsStart();
    GuiStart();
    for (int i = 0; i < 59; ++i) {
        TimerUpdate();
        GuiFrame();
    }
    EXPECT_EQ(FpsText(), "");
    TimerUpdate();
    GuiFrame();
    EXPECT_EQ(FpsText(), "60 FPS");
    for (int i = 0; i < 60; ++i) {
        TimerUpdate();
        GuiFrame();
    }
    EXPECT_EQ(FpsText(), "60 FPS");
    GuiStop();
    TextsStop();
    VideoStop();
    TimerStop();
    SetSwitches(ParseSwitches({}));
    ApplicationStop();
}

} // namespace
} // namespace valdmoor
