#include "platform/EngineTimer.h"

#include "app/EngineApplication.h"

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

// A clock the test moves by hand: 1000 ticks a second.
struct TManualClock : TClock {
    static inline uint64_t now = 0;
    static inline uint64_t frequency = 1000;
    uint64_t Frequency() override { return frequency; }
    uint64_t Counter() override { return now; }
};

class FrameTimer : public testing::Test {
protected:
    void SetUp() override {
        ApplicationStart();
        TManualClock::now = 5000;
        TManualClock::frequency = 1000;
        TimerStartWith(std::make_unique<TManualClock>());
    }
    void TearDown() override {
        TimerStop();
        ApplicationStop();
    }
};

TEST_F(FrameTimer, MeasuresTheTimeBetweenUpdates) {
    TManualClock::now += 500;
    TimerUpdate();
    EXPECT_FLOAT_EQ(FrameTime(), 0.5f);
    EXPECT_EQ(FrameTimeMs(), 500);
    TManualClock::now += 16;
    TimerUpdate();
    EXPECT_FLOAT_EQ(FrameTime(), 0.016f);
    EXPECT_EQ(FrameTimeMs(), 16);
}

TEST_F(FrameTimer, InactiveTimeNeverReachesTheGame) {
    TManualClock::now += 20;
    TimerUpdate();
    TimerPause(); // the game loses the focus
    EXPECT_EQ(FrameTime(), 0.0f);
    TManualClock::now += 1000;
    TimerRestart(); // and gets it back a second later
    TimerUpdate();
    EXPECT_EQ(FrameTime(), 0.0f);
    TManualClock::now += 17;
    TimerUpdate();
    EXPECT_FLOAT_EQ(FrameTime(), 0.017f);
}

TEST_F(FrameTimer, PhaseIsThePlaceWithinARepeatingPeriod) {
    TManualClock::now = 2500;
    TimerUpdate();
    EXPECT_FLOAT_EQ(FramePhase(1.0f), 0.5f);
    EXPECT_FLOAT_EQ(FramePhase(2.0f), 0.25f);
    EXPECT_EQ(FramePhase(0.0f), 0.0f);
}

TEST_F(FrameTimer, UnusableClockFailsStartUp) {
    TManualClock::frequency = 0;
    try {
        TimerStartWith(std::make_unique<TManualClock>());
        ADD_FAILURE() << "no error raised";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Failed to initialize timer (zero frequency)");
    }
    EXPECT_EQ(ErrorKind(), ekGeneral);
    TimerUpdate(); // a timer that never started does nothing
    EXPECT_EQ(FrameTime(), 0.0f);
}

TEST(FixedStepClock, EveryFrameTakesASixtiethOfASecond) {
    TimerStartWith(CreateFixedStepClock());
    for (int i = 0; i < 3; ++i) {
        TimerUpdate();
        EXPECT_FLOAT_EQ(FrameTime(), 1.0f / 60.0f);
        EXPECT_EQ(FrameTimeMs(), 17);
    }
    TimerStop();
}

} // namespace
} // namespace valdmoor
