#include "app/EngineApplication.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using Strings = std::vector<std::string>;

class EngineApplication : public testing::Test {
protected:
    void SetUp() override { ApplicationStart(); }
    void TearDown() override { ApplicationStop(); }
};

TEST_F(EngineApplication, SwitchesAreCaseInsensitiveAndLanguageIsCapitalised) {
    TSwitches s = ParseSwitches({"-LANGUAGE", "french", "-NoSound", "-Windowed", "-DEBUG",
                                 "-softwareVertexProcessing", "-showfps", "stray", "-unknown"});
    EXPECT_EQ(s.Language, "French");
    EXPECT_TRUE(s.NoSound);
    EXPECT_TRUE(s.Windowed);
    EXPECT_TRUE(s.Debug);
    EXPECT_TRUE(s.SoftwareVertexProcessing);
    EXPECT_TRUE(s.ShowFps);
    EXPECT_FALSE(s.Headless);

    EXPECT_EQ(ParseSwitches({"-language", "GERMAN"}).Language, "German");
    EXPECT_EQ(ParseSwitches({"-language", "1abc"}).Language, "");
    EXPECT_EQ(ParseSwitches({"-language", ""}).Language, "");
    EXPECT_EQ(ParseSwitches({"-language"}).Language, "");
    // The rejected argument is still consumed.
    EXPECT_FALSE(ParseSwitches({"-language", "-debug"}).Debug);
    EXPECT_TRUE(ParseSwitches({"-language", "1", "-debug"}).Debug);
}

TEST_F(EngineApplication, AutomationSwitchesTakeTheirValues) {
    TSwitches s = ParseSwitches(
        {"-headless", "-frames", "120", "-input", "moves.txt", "-capture", "last.png"});
    EXPECT_TRUE(s.Headless);
    EXPECT_EQ(s.Frames, 120);
    EXPECT_EQ(s.InputScript, "moves.txt");
    EXPECT_EQ(s.CaptureFile, "last.png");
    EXPECT_EQ(ParseSwitches({"-frames", "12x"}).Frames, 0);
    EXPECT_EQ(ParseSwitches({"-frames", "-3"}).Frames, 0);
    EXPECT_EQ(ParseSwitches({"-frames"}).Frames, 0);

    s = ParseSwitches({"-WINDOWSIZE", "1280x1024"});
    EXPECT_EQ(s.WindowWidth, 1280);
    EXPECT_EQ(s.WindowHeight, 1024);
    for (const char* bad : {"1280", "1280x", "x720", "0x720", "1280x-2", "99999x10", "12x7y"}) {
        s = ParseSwitches({"-windowsize", bad, "-debug"});
        EXPECT_EQ(s.WindowWidth, 0) << bad;
        EXPECT_EQ(s.WindowHeight, 0) << bad;
        EXPECT_TRUE(s.Debug) << bad;
    }
}

TEST_F(EngineApplication, LogAddsBlankLinesOnlyBetweenMessages) {
    LogMessage("first", true);
    LogMessage("second", true);
    LogMessage("third");
    EXPECT_EQ(LogLines(), (Strings{"first", "", "second", "third"}));
}

TEST_F(EngineApplication, ErrorBoxShowsTheKindThenTheLog) {
    ReportErrorKind(ekFilesCorrupt);
    EXPECT_EQ(
        ErrorBoxText(),
        "Some files are corrupt or missing. The game may not run. Please reinstall the game.");
    ReportErrorKind(ekGeneral);
    LogMessage("Failed to initialize Steam API");
    LogMessage("second line");
    EXPECT_EQ(ErrorBoxText(), "An error has occured during the game execution.\r\n\r\nLog "
                              "messages:\r\nFailed to initialize Steam API\r\nsecond line");
    EXPECT_EQ(ErrorKindText(ekSystemRequirements),
              "Your system does not meet the minimum system requirements to run this game.");
    EXPECT_EQ(ErrorKindText(7), "");
    EXPECT_EQ(UnixLineEnds("a\r\nb\rc\nd\r"), "a\nb\nc\nd\n");
}

TEST_F(EngineApplication, FrameCounterStartsAtTwoAndSkipsTheNeverStamp) {
    EXPECT_EQ(FrameCounter(), 2u);
    AdvanceFrameCounter();
    EXPECT_EQ(FrameCounter(), 3u);
    EXPECT_EQ(NextFrameCounter(0xFFFFFFFDu), 0xFFFFFFFEu);
    EXPECT_EQ(NextFrameCounter(0xFFFFFFFEu), 0u);
    EXPECT_EQ(NextFrameCounter(0u), 1u);
}

int resumed = 0;
int activated = 0;
int deactivated = 0;

TEST_F(EngineApplication, TransitionsRunTheirHooksOnlyOnChange) {
    resumed = activated = deactivated = 0;
    SetApplicationHooks({[] { ++resumed; }, [] { ++activated; }, [] { ++deactivated; }});
    ResumeApplication();
    ResumeApplication();
    ActivateApplication();
    ActivateApplication();
    EXPECT_TRUE(ApplicationShown());
    EXPECT_TRUE(ApplicationActive());
    DeactivateApplication();
    DeactivateApplication();
    SuspendApplication();
    EXPECT_FALSE(ApplicationShown());
    ActivateApplication();
    ResumeApplication();
    EXPECT_EQ(resumed, 2);
    EXPECT_EQ(activated, 2);
    EXPECT_EQ(deactivated, 1);
    SetApplicationRunning(true);
    ResetApplicationFlags();
    EXPECT_FALSE(ApplicationRunning() || ApplicationShown() || ApplicationActive());
    EXPECT_EQ(activated, 2);
}

TEST_F(EngineApplication, StopForgetsEverything) {
    LogMessage("line");
    ReportErrorKind(ekGeneral);
    RequestQuit();
    ApplicationStop();
    EXPECT_TRUE(LogEmpty());
    EXPECT_EQ(ErrorKind(), ekNone);
    EXPECT_FALSE(QuitRequested());
    LogMessage("ignored without a log");
    EXPECT_TRUE(LogLines().empty());
    ApplicationStop();
}

TEST(SystemVersion, OlderThanTheOldestSupportedIsRefused) {
    EXPECT_FALSE(SystemVersionSupported(4, 9));
    EXPECT_FALSE(SystemVersionSupported(5, 0));
    EXPECT_TRUE(SystemVersionSupported(5, 1));
    EXPECT_TRUE(SystemVersionSupported(6, 0));
    EXPECT_TRUE(SystemVersionSupported(10, 0));
}

} // namespace
} // namespace valdmoor
