// Fuzzes the recording's cutter: any bytes, in chunks of any size, with titles,
// breaks, starts and stops between them. Every file it begins starts with a
// whole frame (MP3, ADTS) or page (Ogg), no bytes come before the first file,
// and from frames nothing is handed out that was not fed.
//
// Seeds (corpus/record_cut): a control byte (0 MP3, 1 ADTS, 2 Ogg Vorbis; +4
// records from the start) and a chunk byte before 0.3 s of a sine from ffmpeg
// (libmp3lame 32k, aac 32k -f adts, libvorbis -q:a 0).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "engine/session/record_cut.h"

namespace {

struct Checker final : RecordTap {
  AudioCodec codec;
  bool begun = false;
  bool fresh = false;  // a file was begun and has no bytes yet
  uint64_t written = 0;
  void Begin(const std::string&, const char*) override { begun = fresh = true; }
  void Write(std::span<const uint8_t> bytes) override {
    if (!begun || bytes.empty()) __builtin_trap();
    if (fresh) {
      fresh = false;
      if (codec == AudioCodec::kVorbis) {
        if (bytes.size() < 4 || std::memcmp(bytes.data(), "OggS", 4) != 0) __builtin_trap();
      } else if (!ParseHeader(codec, bytes.data(), bytes.size())) {
        __builtin_trap();
      }
    }
    written += bytes.size();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static constexpr AudioCodec kCodecs[] = {AudioCodec::kMp3, AudioCodec::kAac, AudioCodec::kVorbis};
  Checker tap;
  tap.codec = kCodecs[data[0] % 3];
  const size_t chunk = size_t(data[1]) * 7 + 1;
  std::span<const uint8_t> bytes(data + 2, size - 2);
  RecordCutter cutter(tap.codec, "StreamTitle='a';");
  if (data[0] & 4) cutter.Start();
  int titles = 0;
  for (size_t at = 0; at < bytes.size(); at += chunk) {
    const auto part = bytes.subspan(at, std::min(chunk, bytes.size() - at));
    cutter.Feed(part, tap);
    // The chunk's last byte says what happens between it and the next.
    switch (part.back() & 0x0F) {
      case 1: cutter.Title("StreamTitle='" + std::to_string(++titles) + "';"); break;
      case 2: cutter.Break(); break;
      case 3: cutter.Start(); break;
      case 4: cutter.Stop(); break;
      default: break;
    }
  }
  if (cutter.fed() != bytes.size()) __builtin_trap();
  if (tap.codec != AudioCodec::kVorbis && tap.written > bytes.size()) __builtin_trap();
  return 0;
}
