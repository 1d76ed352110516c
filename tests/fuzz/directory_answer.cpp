// Fuzzes the reader of the directory's HTTP answers: the first input byte
// picks the chunk size (so split points vary) and whether the connection
// closes at the end.
#include <cstddef>
#include <cstdint>
#include <span>

#include "catalogue/directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t step = data[0] % 64 + 1;
  const bool close = data[0] & 0x80;
  std::span<const uint8_t> input(data + 1, size - 1);
  DirectoryAnswer answer;
  DirectoryAnswer::State state = DirectoryAnswer::State::kReading;
  for (size_t at = 0; at < input.size() && state == DirectoryAnswer::State::kReading; at += step) {
    state = answer.Feed(input.subspan(at, std::min(step, input.size() - at)));
  }
  if (close && state == DirectoryAnswer::State::kReading) state = answer.Closed();
  if (state != answer.state()) __builtin_trap();
  // A body never outgrows its bound nor the bytes that came in.
  if (answer.body().size() > DirectoryAnswer::kMaxBodyBytes || answer.body().size() > input.size()) __builtin_trap();
  if (state == DirectoryAnswer::State::kDone && (answer.status() < 0 || answer.status() > 999)) __builtin_trap();
  // Once ended, more bytes change nothing.
  if (state != DirectoryAnswer::State::kReading) {
    const std::string body = answer.body();
    if (answer.Feed(input) != state || answer.body() != body) __builtin_trap();
  }
  return 0;
}
