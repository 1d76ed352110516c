#include "app/wait_rules.h"

void RunWait(uint32_t ms, const WaitHooks& hooks) {
  for (uint32_t i = 0, n = SleepCount(ms); i < n; ++i) {
    hooks.sleep_one_ms();
    hooks.pump();
  }
  const uint32_t start = hooks.tick_count();
  const uint32_t remainder = RemainderMs(ms);
  for (;;) {
    hooks.pump();
    const uint32_t now = hooks.tick_count();
    if (now - start >= remainder || now < start) return;
  }
}
