// Feeds arbitrary bytes, cut into chunks chosen by the input itself, to the
// frame synchroniser of both codecs and to ProbeFormat, and checks what they
// promise: every frame handed out is whole and starts with a header that parses
// to the same frame, and no byte is lost or counted twice.
#include <cstdlib>

#include "engine/codecs/frame_sync.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

void Run(AudioCodec codec, const uint8_t* data, size_t size) {
  if (size == 0) return;
  const size_t chunk = 1 + data[0] % 97;
  FrameSync sync(codec);
  uint64_t out = 0;
  for (size_t pos = 1; pos < size; pos += chunk) {
    const size_t n = std::min(chunk, size - pos);
    sync.Push({data + pos, n});
    while (auto f = sync.Next()) {
      Check(f->bytes.size() == f->info.frame_bytes);
      auto again = ParseHeader(codec, f->bytes.data(), f->bytes.size());
      Check(again && again->frame_bytes == f->info.frame_bytes && SameStream(*again, f->info));
      out += f->bytes.size();
    }
  }
  Check(out + sync.SkippedBytes() + sync.Buffered() == size - 1);
  auto probe = ProbeFormat({data, size}, codec);
  if (probe && (probe->codec == AudioCodec::kMp3 || probe->codec == AudioCodec::kAac)) {
    Check(probe->offset < size && probe->sample_rate > 0 && probe->channels > 0);
    auto head = ParseHeader(probe->codec, data + probe->offset, size - probe->offset);
    Check(head && head->sample_rate == probe->sample_rate);
  } else if (probe) {
    // Ogg pages and FLAC's stream marker are recognised whatever the hint; the
    // frame headers above are not theirs.
    Check(probe->codec != AudioCodec::kUnknown && probe->offset < size);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(AudioCodec::kMp3, data, size);
  Run(AudioCodec::kAac, data, size);
  return 0;
}
