// The clock side of the fuzzers' scripted networks: time passes only when the
// code under test connects, waits or sleeps, so a run is reproducible and a
// stuck loop shows as simulated time running past the script's limit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/net/engine_error.h"
#include "engine/net/network.h"

class SimulatedClockNetwork : public Network {
 public:
  static constexpr uint64_t kStart = 1000000;

  int StartTls(const std::string&, uint32_t, std::unique_ptr<Connection>&) override { return kErrorOk; }
  uint64_t NowMs() override { return now; }
  bool Sleep(uint32_t ms) override {
    now += ms;
    return !Cancelled();
  }
  // Past this simulated moment the code under test counts as stuck.
  bool Cancelled() override { return now > limit; }

  uint64_t now = kStart;
  uint64_t limit = kStart + 600000;
  int open = 0;  // connections handed out and not yet destroyed
};
