#ifndef RESPONSETICK_H
#define RESPONSETICK_H

#include <chrono>

// The instrument dialogue waits in ticks of the response timer: a command's reply is overdue
// after a budget of ticks, and the save steps are paced by it.
inline constexpr std::chrono::milliseconds defaultResponseTick { 1000 };
inline constexpr int replyTicks = 2; // identification, raw-mode switching and save steps
inline constexpr int measurementTicks = 15; // the sensor needs time to settle on a reference

std::chrono::milliseconds responseTick();

// Only the test programs shorten the tick, so the suite does not sit through real seconds.
void setResponseTickForTesting(std::chrono::milliseconds tick);

#endif
