// FLAC frames found in a native FLAC byte stream (audio/flac over HTTP), which
// has no page structure: a frame header starts with a 14-bit sync code and
// ends with a CRC-8, and a frame ends where the next header starts, which its
// CRC-16 confirms. A stream joined mid-frame, or cut by a reconnect, syncs on
// the next header whose CRC-8 is good and whose frame's CRC-16 is. The stream
// headers ("fLaC" and its metadata blocks) are read wherever they come (at the
// start, and again when a server starts a new track). Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/formats/ogg_reader.h"

// CRC-8 of frame headers (polynomial 0x07) and CRC-16 of whole frames
// (polynomial 0x8005), both MSB first from 0.
uint8_t FlacCrc8(std::span<const uint8_t> data);
uint16_t FlacCrc16(std::span<const uint8_t> data);

struct FlacFrameHeader {
  uint32_t block_size = 0;    // samples per channel
  uint32_t sample_rate = 0;   // Hz
  uint32_t channels = 0;      // 1..8
  uint32_t bits = 0;          // bits per sample
  bool variable = false;      // variable block sizes (the header numbers samples, not frames)
  size_t bytes = 0;           // of the header, CRC-8 included
};

enum class FlacHeaderResult { kValid, kInvalid, kNeedMore };
// Reads the frame header at the start of `data`. Rate and bits that the header
// leaves to STREAMINFO come from `info`; without one, such a header is invalid.
FlacHeaderResult ParseFlacFrameHeader(std::span<const uint8_t> data, const FlacStreamInfo* info,
                                      FlacFrameHeader& out);

// The most bytes a frame of `header` can take: FLAC never codes a subframe
// larger than its samples stored verbatim.
size_t FlacMaxFrameBytes(const FlacFrameHeader& header);

struct FlacFrame {
  FlacFrameHeader header;
  std::span<const uint8_t> bytes;  // header to CRC-16; valid until the next Push, Next or Reset
};

// Push parser: Push arbitrary chunks, take whole checked frames with Next.
// One thread at a time.
class FlacFrameSync {
 public:
  void Push(std::span<const uint8_t> data);
  std::optional<FlacFrame> Next();
  // Forgets buffered bytes (a break in the byte stream); STREAMINFO stays.
  void Reset();

  uint64_t SkippedBytes() const { return skipped_; }
  const std::optional<FlacStreamInfo>& info() const { return info_; }

 private:
  void Skip(size_t n);
  // Where the frame whose header is at pos_ ends, once its CRC-16 confirms it:
  // nullopt with `need_more` when the buffer ends first.
  std::optional<size_t> FindEnd(const FlacFrameHeader& header, bool& need_more);

  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t scan_ = 0;  // where the search for the end of the frame at pos_ goes on, 0 = from its start
  std::optional<FlacStreamInfo> info_;
  uint64_t skipped_ = 0;
};
