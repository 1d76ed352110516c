// Fuzzes the answer-head parser and the body pipeline behind it: the first
// input byte picks a split point so that chunk boundaries vary too.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/net/http_answer.h"
#include "engine/net/stream_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t step = data[0] % 64 + 1;
  std::span<const uint8_t> input(data + 1, size - 1);
  HttpAnswer head;
  size_t at = 0;
  while (at < input.size() && head.state() == HttpAnswer::State::kHead) {
    size_t n = std::min(step, input.size() - at);
    head.Feed(input.subspan(at, n));
    at += n;
  }
  if (head.state() != HttpAnswer::State::kDone) return 0;
  std::string tags = head.TagList();
  if (tags.size() < 2 || tags.back() != '\0' || tags[tags.size() - 2] != '\0') __builtin_trap();
  (void)head.Header("content-type");
  StreamBody body(head, true);
  std::vector<uint8_t> audio;
  body.Feed(head.body(), audio, nullptr);
  while (at < input.size()) {
    size_t n = std::min(step, input.size() - at);
    body.Feed(input.subspan(at, n), audio, [](const std::string& t) {
      if (t.empty() || t.size() > 4080) __builtin_trap();
    });
    at += n;
  }
  if (audio.size() > input.size()) __builtin_trap();
  return 0;
}
