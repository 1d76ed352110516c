#include "engine/net/network.h"

#include <algorithm>
#include <iterator>

uint32_t ReconnectDelayMs(int attempt) {
  static constexpr uint32_t kDelays[] = {200, 500, 1000, 2000, 4000};
  constexpr int kCount = static_cast<int>(std::size(kDelays));
  return kDelays[std::clamp(attempt, 0, kCount - 1)];
}
