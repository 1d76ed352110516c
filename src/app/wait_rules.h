// The arithmetic of WaitWithMessages, apart from the platform (portable).
//
// WaitWithMessages(ms) sleeps 1 ms alertably and handles the pending messages,
// (ms div 10) + 1 times; then it handles messages in a loop until the tick
// count shows (ms mod 10) more milliseconds, or until the tick count wraps
// (now < start). Messages are handled at least once in that second loop.
#pragma once

#include <cstdint>
#include <functional>

struct WaitHooks {
  std::function<void()> sleep_one_ms;   // an alertable 1 ms sleep
  std::function<void()> pump;           // handle every pending message of the thread
  std::function<uint32_t()> tick_count; // the system's millisecond tick count
};

inline constexpr uint32_t SleepCount(uint32_t ms) { return ms / 10 + 1; }
inline constexpr uint32_t RemainderMs(uint32_t ms) { return ms % 10; }

void RunWait(uint32_t ms, const WaitHooks& hooks);
