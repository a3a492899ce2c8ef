#include "platform/EngineInput.h"

#include "app/EngineApplication.h"
#include "platform/headless/HeadlessWindow.h"

#include <string>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

class Input : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        ResumeApplication();
        ActivateApplication();
        InputReset();
        SetInputHooks(nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        EndTextEntry();
        InputReset();
        SetInputHooks(nullptr, nullptr, nullptr);
        ApplicationStop();
    }

    void Send(TPlatformEventKind kind, float x = 0, float y = 0, int64_t pointer = 0) {
        TPlatformEvent event;
        event.Kind = kind;
        event.X = x;
        event.Y = y;
        event.Pointer = pointer;
        InputEvent(event, 1600, 900);
    }
    void Key(TKeyCode key) {
        TPlatformEvent event;
        event.Kind = peKeyDown;
        event.Key = key;
        InputEvent(event, 1600, 900);
    }
    void Type(const char* text) {
        TPlatformEvent event;
        event.Kind = peText;
        std::snprintf(event.Text, sizeof event.Text, "%s", text);
        InputEvent(event, 1600, 900);
    }
    // The end of one pump pass: bookkeeping and the keyboard read, then the frame advances.
    void EndPass() {
        InputEndOfPump();
        InputReadKeyboard(keyboard);
        AdvanceFrameCounter();
    }

    THeadlessWindow keyboard;
};

TEST_F(Input, ModifiersSilenceTheKeysExceptAltEnter) {
    keyboard.Hold(kcEscape);
    keyboard.Hold(kcLeftCtrl);
    EndPass();
    EXPECT_FALSE(KeyDown(ikEscape));
    keyboard.Hold(kcLeftCtrl, false);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikEscape));
    EndPass();
    EXPECT_TRUE(KeyDown(ikEscape));
    EXPECT_FALSE(KeyPressed(ikEscape));
    keyboard.Hold(kcEscape, false);

    keyboard.Hold(kcRightAlt);
    keyboard.Hold(kcEnter);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikFullScreen));
    EXPECT_FALSE(KeyDown(ikAccept));
    keyboard.Hold(kcRightAlt, false);
    keyboard.Hold(kcEnter, false);
    keyboard.Hold(kcF1);
    keyboard.Hold(kcM);
    keyboard.Hold(kcSpace);
    EndPass();
    EXPECT_TRUE(KeyDown(ikHelp));
    EXPECT_TRUE(KeyDown(ikMap));
    EXPECT_TRUE(KeyDown(ikAccept));
    EXPECT_FALSE(KeyDown(ikFullScreen));
    EXPECT_FALSE(KeyDown(-1));
    EXPECT_FALSE(KeyDown(ikCount));
}

TEST_F(Input, TextEntryTakesSpaceAndMultiLineTakesEnter) {
    StartTextEntry(nullptr, "", 10, true, false, false);
    keyboard.Hold(kcSpace);
    keyboard.Hold(kcEnter);
    EndPass();
    EXPECT_FALSE(KeyDown(ikAccept));
    EndTextEntry();
    StartTextEntry(nullptr, "", 10, false, false, false);
    EndPass();
    EXPECT_TRUE(KeyDown(ikAccept)); // Enter accepts a single line
}

TEST_F(Input, KeyHeldWhileTheFocusReturnsIsNoPress) {
    keyboard.Hold(kcI);
    InputDeactivated();
    InputActivated(keyboard);
    EXPECT_TRUE(KeyDown(ikInventory));
    EXPECT_FALSE(KeyPressed(ikInventory));
    EndPass();
    EXPECT_FALSE(KeyPressed(ikInventory));
}

TEST_F(Input, ClickWithinOneFrameIsSeenForOneFrame) {
    Send(pePointerMove, 1200, 450);
    Send(peButtonDown, 1200, 450);
    Send(peButtonUp, 1200, 450);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikPointer));
    EXPECT_TRUE(PointerButtonUp());
    EndPass();
    EXPECT_FALSE(KeyDown(ikPointer));
    EXPECT_FALSE(PointerButtonDown());

    // A press held over frames stays down until released.
    Send(peButtonDown, 1200, 450);
    EndPass();
    EndPass();
    EXPECT_TRUE(KeyDown(ikPointer));
    EXPECT_FALSE(KeyPressed(ikPointer));
    Send(peButtonUp, 1200, 450);
    EndPass();
    EXPECT_FALSE(KeyDown(ikPointer));
}

TEST_F(Input, PointerIsInCanvasUnitsAroundTheCentre) {
    float x = 0;
    float y = 0;
    Send(pePointerMove, 1200, 0);
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, 400);
    EXPECT_FLOAT_EQ(y, -450);

    // A window twice as wide shows twice the width in units, never letterboxed.
    TPlatformEvent event;
    event.Kind = pePointerMove;
    event.X = 0;
    event.Y = 450;
    InputEvent(event, 3200, 900);
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, -1600);
    EXPECT_FLOAT_EQ(y, 0);

    SetInputHooks(nullptr, nullptr, [](float& width, float& height) {
        width = 100;
        height = 50;
    });
    Send(pePointerMove, 1600, 900);
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, 50);
    EXPECT_FLOAT_EQ(y, 25);
}

TEST_F(Input, LeavingKeepsInsideForTheFrameItHappenedIn) {
    Send(pePointerMove, 10, 10);
    EndPass();
    Send(pePointerLeave);
    EndPass();
    EXPECT_TRUE(PointerInWindow());
    EndPass();
    EXPECT_FALSE(PointerInWindow());
    // Outside the window the button is not key 0.
    Send(peButtonDown, 10, 10);
    EndPass();
    EXPECT_FALSE(KeyDown(ikPointer));
}

TEST_F(Input, TouchFollowsTheFirstContactOnly) {
    Send(peTouchDown, 800, 450, 7);
    Send(peTouchDown, 100, 100, 8); // a second finger
    EndPass();
    float x = 0;
    float y = 0;
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, 0);
    EXPECT_TRUE(KeyPressed(ikPointer));
    Send(peTouchMove, 100, 100, 8);
    Send(peTouchUp, 1600, 450, 7);
    EndPass();
    PointerPosition(x, y);
    EXPECT_FLOAT_EQ(x, 800);
    EndPass();
    EXPECT_FALSE(PointerInWindow());
    EXPECT_FALSE(KeyDown(ikPointer));
}

TEST_F(Input, PointerIsIgnoredWhileInactive) {
    DeactivateApplication();
    Send(pePointerMove, 10, 10);
    Send(peButtonDown, 10, 10);
    EXPECT_FALSE(PointerInWindow());
    EXPECT_FALSE(PointerButtonDown());
}

TEST_F(Input, TextEntryEditsAtTheCaret) {
    StartTextEntry(nullptr, "Anna", 1, false, false, false);
    EXPECT_EQ(TextEntryText(), "Ann"); // at least three characters
    EXPECT_EQ(TextEntryCaret(), 4);
    Type("x");
    EXPECT_EQ(TextEntryText(), "Ann");
    Key(kcLeft);
    Key(kcBackspace);
    EXPECT_EQ(TextEntryText(), "An");
    EXPECT_EQ(TextEntryCaret(), 2);
    Type("\xc3\xa9");
    EXPECT_EQ(TextEntryText(), "A\xc3\xa9n");
    Key(kcDelete);
    EXPECT_EQ(TextEntryText(), "A\xc3\xa9");
    Key(kcDelete); // nothing at the caret
    Key(kcRight);
    Key(kcRight);
    EXPECT_EQ(TextEntryCaret(), 3);
    for (int i = 0; i < 5; ++i) {
        Key(kcLeft);
    }
    EXPECT_EQ(TextEntryCaret(), 1);
    Key(kcBackspace); // nothing before the caret
    Key(kcEnter);     // single line
    EXPECT_EQ(TextEntryText(), "A\xc3\xa9");
    EXPECT_TRUE(TextEntryChanged());
}

int clicks = 0;

TEST_F(Input, GlyphCheckAndClickHooks) {
    clicks = 0;
    SetInputHooks([](const void* font, uint32_t c) { return font != nullptr && c != 'q'; },
                  [] { ++clicks; }, nullptr);
    static const int font = 0;
    StartTextEntry(&font, "", 20, true, true, false);
    Type("aqb\t");
    Key(kcEnter);
    EXPECT_EQ(TextEntryText(), "ab\n");
    EXPECT_EQ(clicks, 3);
    Key(kcLeft);
    EXPECT_EQ(clicks, 3);
}

TEST_F(Input, NamesOnlyFilter) {
    EXPECT_TRUE(NamesOnlyAccepts("", 1, 'a'));
    EXPECT_TRUE(NamesOnlyAccepts("", 1, 0x00C0));
    EXPECT_FALSE(NamesOnlyAccepts("", 1, 0x00D7));
    EXPECT_FALSE(NamesOnlyAccepts("", 1, '!'));
    EXPECT_FALSE(NamesOnlyAccepts("", 1, 0x2010));
    EXPECT_TRUE(NamesOnlyAccepts("", 1, 0x2070));
    EXPECT_FALSE(NamesOnlyAccepts("", 1, ' '));    // first character
    EXPECT_FALSE(NamesOnlyAccepts("a ", 3, ' '));  // second in a row
    EXPECT_FALSE(NamesOnlyAccepts("a b", 2, ' ')); // before a space
    EXPECT_TRUE(NamesOnlyAccepts("ab", 3, ' '));
    EXPECT_FALSE(NamesOnlyAccepts("a ", 3, '.')); // after a space
    EXPECT_FALSE(NamesOnlyAccepts("a.", 3, '.'));
    EXPECT_TRUE(NamesOnlyAccepts("J", 2, '.'));
    EXPECT_FALSE(NamesOnlyAccepts("a\n", 3, '.'));

    StartTextEntry(nullptr, "a. b", 20, false, false, true);
    Key(kcLeft);
    Key(kcLeft);
    Key(kcLeft); // caret after "a"
    Key(kcBackspace);
    // The period and the space now stand at the start and go with the "a".
    EXPECT_EQ(TextEntryText(), "b");
    EXPECT_EQ(TextEntryCaret(), 1);
    Type(" ");
    Type("!");
    EXPECT_EQ(TextEntryText(), "b");
}

TEST_F(Input, KeyTappedWithinOnePassIsAPress) {
    // Down and up again before the keyboard is read: only the key-down event tells.
    Key(kcEscape);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikEscape));
    EndPass();
    EXPECT_FALSE(KeyDown(ikEscape));

    // Alt and Enter tapped together toggle full screen; Enter alone then accepts.
    Key(kcLeftAlt);
    Key(kcEnter);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikFullScreen));
    EXPECT_FALSE(KeyDown(ikAccept));
    Key(kcEnter);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikAccept));

    // Taps while inactive are nobody's.
    DeactivateApplication();
    Key(kcM);
    ActivateApplication();
    InputActivated(keyboard);
    EndPass();
    EXPECT_FALSE(KeyDown(ikMap));
}

TEST_F(Input, SpaceNeverAcceptsDuringNameEntry) {
    StartTextEntry(nullptr, "Ida", 12, false, false, true);
    keyboard.Hold(kcSpace);
    EndPass();
    EXPECT_FALSE(KeyDown(ikAccept));
    keyboard.Hold(kcSpace, false);
    Key(kcSpace);
    EndPass();
    EXPECT_FALSE(KeyDown(ikAccept));
    Key(kcEnter);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikAccept));
    EXPECT_EQ(TextEntryText(), "Ida");
}

TEST_F(Input, AltEnterInMultiLineEntryOnlyTogglesFullScreen) {
    StartTextEntry(nullptr, "ab", 20, true, false, false);
    TPlatformEvent event;
    event.Kind = peKeyDown;
    event.Key = kcEnter;
    event.Alt = true;
    InputEvent(event, 1600, 900);
    Key(kcLeftAlt);
    EndPass();
    EXPECT_EQ(TextEntryText(), "ab");
    EXPECT_TRUE(KeyPressed(ikFullScreen));
    Key(kcEnter);
    EXPECT_EQ(TextEntryText(), "ab\n");
}

TEST_F(Input, StartingTextThatIsNotUtf8IsCleaned) {
    StartTextEntry(nullptr,
                   "a\xff\xc3"
                   "b\xe2\x82",
                   10, false, false, false);
    EXPECT_EQ(TextEntryText(), "ab");
    EXPECT_EQ(TextEntryLength(), 2);
    EXPECT_EQ(TextEntryCaret(), 3);
    Key(kcLeft);
    Type("\xc3\xa9");
    EXPECT_EQ(TextEntryText(), "a\xc3\xa9"
                               "b");
    Key(kcBackspace);
    Key(kcBackspace);
    EXPECT_EQ(TextEntryText(), "b");
    EXPECT_EQ(TextEntryCaret(), 1);
}

TEST_F(Input, PointerBackInTheSamePassAsItsLeaveStaysInside) {
    Send(pePointerMove, 10, 10);
    EndPass();
    Send(pePointerLeave);
    Send(pePointerMove, 12, 10);
    EndPass();
    EndPass();
    EXPECT_TRUE(PointerInWindow());
    // A leave in one pass and a move in the next: inside as well.
    Send(pePointerLeave);
    EndPass();
    Send(pePointerMove, 14, 10);
    EndPass();
    EndPass();
    EXPECT_TRUE(PointerInWindow());
    // Entering without a move counts too.
    Send(pePointerLeave);
    EndPass();
    EndPass();
    ASSERT_FALSE(PointerInWindow());
    Send(pePointerEnter);
    Send(peButtonDown, 14, 10);
    EndPass();
    EXPECT_TRUE(KeyPressed(ikPointer));
}

} // namespace
} // namespace valdmoor
