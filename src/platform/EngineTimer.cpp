#include "platform/EngineTimer.h"

#include "app/EngineApplication.h"

#include <cmath>

namespace valdmoor {

namespace {

struct TTimerState {
    std::unique_ptr<TClock> clock;
    uint64_t frequency = 0;
    uint64_t current = 0;
    uint64_t previous = 0;
    float seconds = 0;
    int32_t milliseconds = 0;
};

TTimerState timer;

uint64_t Now() {
    return timer.clock != nullptr ? timer.clock->Counter() : 0;
}

} // namespace

void TimerStart() {
    TimerStartWith(SwitchHeadless() ? CreateFixedStepClock() : CreateSdlClock());
}

void TimerStartWith(std::unique_ptr<TClock> clock) {
    timer = TTimerState{};
    timer.clock = std::move(clock);
    timer.frequency = timer.clock != nullptr ? timer.clock->Frequency() : 0;
    if (timer.frequency == 0) {
        timer.clock.reset();
        ReportErrorKind(ekGeneral);
        throw EngineError("Failed to initialize timer (zero frequency)");
    }
    timer.current = timer.previous = Now();
}

void TimerStop() {
    timer = TTimerState{};
}

void TimerRestart() {
    timer.previous = timer.current = Now();
}

void TimerUpdate() {
    if (timer.clock == nullptr) {
        return;
    }
    timer.clock->FrameStarted();
    timer.previous = timer.current;
    timer.current = Now();
    const uint64_t ticks = timer.current >= timer.previous ? timer.current - timer.previous : 0;
    timer.seconds =
        static_cast<float>(static_cast<double>(ticks) / static_cast<double>(timer.frequency));
    timer.milliseconds = static_cast<int32_t>(std::lround(timer.seconds * 1000.0f));
}

void TimerPause() {
    timer.previous = timer.current;
    timer.seconds = 0;
    timer.milliseconds = 0;
}

float FrameTime() {
    return timer.seconds;
}

int32_t FrameTimeMs() {
    return timer.milliseconds;
}

float FramePhase(float period) {
    if (timer.frequency == 0 || !(period > 0)) {
        return 0;
    }
    const double cycles =
        static_cast<double>(timer.current) / static_cast<double>(timer.frequency) / period;
    return static_cast<float>(cycles - std::floor(cycles));
}

} // namespace valdmoor
