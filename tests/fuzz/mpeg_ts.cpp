// Fuzzes the transport stream demultiplexer behind valid programme tables
// (the CRC would otherwise keep the fuzzer out of the PES paths), fed in
// chunks of a size the input chooses: no crash, no audio larger than its input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/formats/mpeg_ts.h"

namespace {

// One packet of PID `pid` carrying `section` (with its CRC appended here).
void SectionPacket(int pid, std::vector<uint8_t> section, std::vector<uint8_t>& out) {
  const size_t length = section.size() + 4 - 3;
  section[1] = uint8_t(0xB0 | (length >> 8));
  section[2] = uint8_t(length & 0xFF);
  const uint32_t crc = TsCrc32(section);
  section.insert(section.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
  std::vector<uint8_t> p = {kTsSyncByte, uint8_t(0x40 | (pid >> 8)), uint8_t(pid & 0xFF), 0x10, 0x00};
  p.insert(p.end(), section.begin(), section.end());
  p.resize(kTsPacketBytes, 0xFF);
  out.insert(out.end(), p.begin(), p.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t step = data[0] % 200 + 1;
  const uint8_t type = data[1] & 1 ? 0x0F : 0x03;
  std::vector<uint8_t> stream;
  SectionPacket(0, {0x00, 0, 0, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00}, stream);
  SectionPacket(0x1000, {0x02, 0, 0, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00,
                         type, 0xE1, 0x01, 0xF0, 0x00, 0x15, 0xE1, 0x02, 0xF0, 0x00},
                stream);
  TsDemux demux;
  std::vector<uint8_t> audio;
  size_t id3_bytes = 0;
  auto on_id3 = [&id3_bytes](std::span<const uint8_t> tag) {
    if (tag.empty()) __builtin_trap();
    id3_bytes += tag.size();
  };
  demux.Feed(stream, audio, on_id3);
  if (demux.codec() == AudioCodec::kUnknown || !audio.empty()) __builtin_trap();
  const std::span<const uint8_t> input(data + 2, size - 2);
  for (size_t at = 0; at < input.size(); at += step) {
    demux.Feed(input.subspan(at, std::min(step, input.size() - at)), audio, on_id3);
    if (at <= input.size() / 2 && at + step > input.size() / 2) demux.EndOfSegment(audio, on_id3);
  }
  demux.EndOfSegment(audio, on_id3);
  if (audio.size() + id3_bytes > input.size()) __builtin_trap();
  return 0;
}
