// The frame timer: how much time the last frame took, from a monotonic clock. Time spent
// while the game is inactive never reaches the game: the first frame after reactivation has
// a frame time of zero.
#pragma once

#include "platform/PlatformBackend.h"

#include <cstdint>
#include <memory>

namespace valdmoor {

// Starts on SDL's performance counter, or on the fixed 1/60 s step when headless. Raises
// "Failed to initialize timer (zero frequency)" with error kind 1 for an unusable clock.
void TimerStart();
// Starts on the given clock (tests).
void TimerStartWith(std::unique_ptr<TClock> clock);
void TimerStop();

void TimerRestart();
void TimerUpdate();
void TimerPause();

float FrameTime();
int32_t FrameTimeMs();
// Where the present moment lies within a repeating period of Period seconds, 0 .. 1.
float FramePhase(float period);

} // namespace valdmoor
