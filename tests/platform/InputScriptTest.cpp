#include "platform/InputScript.h"

#include "app/EngineApplication.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

std::vector<TPlatformEvent> Frame(TInputScript& script, int64_t frame) {
    script.BeginFrame(frame, 1600, 900);
    std::vector<TPlatformEvent> events;
    TPlatformEvent event;
    while (script.PollEvent(event)) {
        events.push_back(event);
    }
    return events;
}

TEST(InputScript, ReplaysEventsAtTheirFrames) {
    auto script = TInputScript::Parse("# a click, a key and some text\n"
                                      "2 move 400 -450   # a comment\n"
                                      "3 down\n"
                                      "3 up 0 0\n"
                                      "5 key escape\r\n"
                                      "\n"
                                      "7 release escape\n"
                                      "8 text Gr\xc3\xbc\xc3\x9f Gott #1\n"
                                      "9 focus lost\n"
                                      "9 quit\n",
                                      "click.txt");
    EXPECT_TRUE(Frame(*script, 1).empty());
    auto events = Frame(*script, 2);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, pePointerMove);
    EXPECT_FLOAT_EQ(events[0].X, 1200);
    EXPECT_FLOAT_EQ(events[0].Y, 0);

    events = Frame(*script, 3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Kind, peButtonDown);
    EXPECT_FLOAT_EQ(events[0].X, 1200); // where the pointer last was
    EXPECT_EQ(events[1].Kind, pePointerMove);
    EXPECT_EQ(events[2].Kind, peButtonUp);
    EXPECT_FLOAT_EQ(events[2].X, 800);

    Frame(*script, 5);
    EXPECT_TRUE(script->KeyHeld(kcEscape));
    Frame(*script, 6);
    EXPECT_TRUE(script->KeyHeld(kcEscape));
    Frame(*script, 7);
    EXPECT_FALSE(script->KeyHeld(kcEscape));

    events = Frame(*script, 8);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_STREQ(events[0].Text, "Gr\xc3\xbc\xc3\x9f Gott #1"); // typed, not a comment
    events = Frame(*script, 20);                                // late frames catch up
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].Kind, peQuit);
    EXPECT_TRUE(script->Finished());
}

// The screens' side, played by the test: what rests, and where its controls are.
std::string resting;
std::string RestingNow() {
    return resting;
}
bool ControlAt(std::string_view name, float& x, float& y) {
    if (name != "OK") {
        return false;
    }
    x = -400;
    y = 225;
    return true;
}

class ScriptWithHooks : public testing::Test {
protected:
    void SetUp() override {
        resting.clear();
        SetInputScriptHooks({RestingNow, ControlAt});
    }
    void TearDown() override { SetInputScriptHooks({}); }
};

TEST_F(ScriptWithHooks, WaitsHoldEveryLaterStepUntilTheNamedFormRestsAndFramesCountFromThere) {
    auto script = TInputScript::Parse("+1 wait idle Menu Languages\n"
                                      "+2 move 0 0\n"
                                      "3 key space\n" // absolute, but behind the wait
                                      "+0 wait idle Play\n"
                                      "+1 quit\n",
                                      "waits.txt");
    EXPECT_TRUE(Frame(*script, 1).empty());
    resting = "Play"; // not one of the names
    EXPECT_TRUE(Frame(*script, 2).empty());
    resting = "";
    EXPECT_TRUE(Frame(*script, 3).empty());
    resting = "Languages";
    EXPECT_TRUE(Frame(*script, 4).empty()); // the wait ends in frame 4
    EXPECT_TRUE(Frame(*script, 5).empty());
    auto events = Frame(*script, 6);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Kind, pePointerMove);
    EXPECT_EQ(events[1].Kind, peKeyDown);
    EXPECT_TRUE(Frame(*script, 7).empty());
    resting = "Play";
    EXPECT_TRUE(Frame(*script, 8).empty());
    events = Frame(*script, 9);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, peQuit);
    EXPECT_TRUE(script->Finished());
}

TEST_F(ScriptWithHooks, ClicksByNameOrPointTakeTwoFramesAndConditionsDropSteps) {
    auto script = TInputScript::Parse("1 click OK\n"
                                      "+0 click 400 -225\n"
                                      "+1 if Languages click OK\n"
                                      "+1 click Missing\n"
                                      "+0 if Menu quit\n",
                                      "clicks.txt");
    resting = "Menu";
    auto events = Frame(*script, 1);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Kind, pePointerMove);
    EXPECT_FLOAT_EQ(events[0].X, 400);
    EXPECT_FLOAT_EQ(events[0].Y, 675);
    EXPECT_EQ(events[1].Kind, peButtonDown);
    EXPECT_FALSE(script->Finished());
    // The button goes up a frame later, and only then does the next step run.
    events = Frame(*script, 2);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Kind, peButtonUp);
    EXPECT_FLOAT_EQ(events[0].X, 400);
    EXPECT_EQ(events[2].Kind, peButtonDown);
    EXPECT_FLOAT_EQ(events[2].X, 1200);
    EXPECT_FLOAT_EQ(events[2].Y, 225);
    events = Frame(*script, 3);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, peButtonUp);
    // The Languages form does not rest, so its click is dropped; a control that is not there
    // clicks nothing; the quit runs on the menu.
    EXPECT_TRUE(Frame(*script, 4).empty());
    events = Frame(*script, 5);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, peQuit);
    EXPECT_TRUE(script->Finished());
}

TEST_F(ScriptWithHooks, CapturesAreHandedOutInOrderOnceAndOnlyWhereTheirConditionHolds) {
    auto script = TInputScript::Parse("1 capture First\n"
                                      "+0 capture second_2\n"
                                      "+1 if Languages capture Dropped\n"
                                      "+0 if Menu capture Kept-3\n",
                                      "captures.txt");
    resting = "Menu";
    EXPECT_TRUE(Frame(*script, 1).empty()); // a capture sends no event
    EXPECT_FALSE(script->Finished());       // until the frame is taken
    std::string name;
    ASSERT_TRUE(script->TakeCapture(name));
    EXPECT_EQ(name, "First");
    ASSERT_TRUE(script->TakeCapture(name));
    EXPECT_EQ(name, "second_2");
    EXPECT_FALSE(script->TakeCapture(name));
    Frame(*script, 2);
    ASSERT_TRUE(script->TakeCapture(name));
    EXPECT_EQ(name, "Kept-3");
    EXPECT_FALSE(script->TakeCapture(name));
    EXPECT_TRUE(script->Finished());
}

TEST(InputScript, WithoutHooksTheGameCountsAsResting) {
    SetInputScriptHooks({});
    auto script = TInputScript::Parse("+3 wait idle Play\n+0 if Play quit\n+0 quit\n", "x.txt");
    EXPECT_TRUE(Frame(*script, 2).empty());
    const auto events = Frame(*script, 3);
    ASSERT_EQ(events.size(), 1u); // the condition names nothing that rests
    EXPECT_EQ(events[0].Kind, peQuit);
}

TEST(InputScript, LongTextIsSplitBetweenCharacters) {
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += "\xd0\xb6"; // two bytes each
    }
    auto script = TInputScript::Parse("1 text " + text + "\n", "long.txt");
    std::string joined;
    for (const TPlatformEvent& event : Frame(*script, 1)) {
        EXPECT_EQ(event.Kind, peText);
        EXPECT_EQ(std::string(event.Text).size() % 2, 0u);
        joined += event.Text;
    }
    EXPECT_EQ(joined, text);
}

TEST(InputScript, MistakesNameTheFileAndLine) {
    auto expectError = [](const char* text, const char* message) {
        try {
            TInputScript::Parse(text, "moves.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EngineError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    };
    expectError("1 move 3\n", "Input script \"moves.txt\", line 1: expected a position in canvas "
                              "units: x y");
    expectError("# ok\n0 quit\n", "Input script \"moves.txt\", line 2: expected a frame number "
                                  "from 1 up, found \"0\"");
    expectError("2 quit\n1 quit\n", "Input script \"moves.txt\", line 2: frames must not go "
                                    "backwards");
    expectError("1 key banana\n", "Input script \"moves.txt\", line 1: unknown key \"banana\"");
    expectError("1 jump\n", "Input script \"moves.txt\", line 1: unknown action \"jump\"");
    expectError("1 quit now\n", "Input script \"moves.txt\", line 1: unexpected words at the end "
                                "of the line");
    expectError("+x quit\n", "Input script \"moves.txt\", line 1: expected a number of frames "
                             "from 0 up after \"+\", found \"+x\"");
    expectError("1 capture ../x\n", "Input script \"moves.txt\", line 1: expected a capture "
                                    "name of letters, digits, \"_\" and \"-\"");
    expectError("1 capture\n", "Input script \"moves.txt\", line 1: expected a capture name of "
                               "letters, digits, \"_\" and \"-\"");
    expectError("1 wait\n", "Input script \"moves.txt\", line 1: expected \"wait idle\"");
    expectError("1 click\n", "Input script \"moves.txt\", line 1: expected a control name or a "
                             "position in canvas units: x y");
    expectError("1 if\n", "Input script \"moves.txt\", line 1: expected the name of a form or "
                          "dialog after \"if\"");
    expectError("1 focus maybe\n", "Input script \"moves.txt\", line 1: expected \"focus lost\" or "
                                   "\"focus gained\"");
    try {
        TInputScript::Load("/nonexistent/moves.txt");
        ADD_FAILURE();
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Unable to open file \"/nonexistent/moves.txt\"");
    }
}

} // namespace
} // namespace valdmoor
