// Frame headers of MP3 (MPEG-1/2/2.5 layer III) and AAC in ADTS, and a push
// synchroniser that cuts a byte stream into whole frames. Portable.
//
// Radio streams start mid-frame (a server's burst on connect), carry junk after
// a reconnect, and junk often contains bytes that look like a frame header. The
// synchroniser therefore locks only after three consecutive headers that agree,
// each at the position the previous one's length predicts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/codecs/decoder.h"

// One parsed frame header, MP3 or ADTS.
struct FrameInfo {
  AudioCodec codec = AudioCodec::kUnknown;
  uint32_t sample_rate = 0;   // Hz, as coded (AAC: the core rate, before SBR)
  uint32_t channels = 0;      // 1 or 2 for MP3; 1..8 for ADTS
  uint32_t bitrate = 0;       // bits per second; ADTS: this frame's size over its duration
  size_t frame_bytes = 0;     // whole frame, header included
  size_t header_bytes = 0;    // 4 for MP3, 7 or 9 (with CRC) for ADTS
  uint32_t samples = 0;       // PCM samples per channel that the frame decodes to
  // MP3 only.
  int mpeg_version = 0;       // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
  int layer = 0;              // always 3: the system codec decodes layer III only
  int channel_mode = 0;       // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  bool padding = false;       // one extra byte in this frame
  // ADTS only.
  int profile = 0;            // audio object type - 1 (1 = AAC LC)
  int rate_index = 0;         // index into the MPEG-4 sampling rate table
  int channel_config = 0;     // 1..7
  bool crc = false;           // a 16-bit CRC follows the 7 header bytes
};

inline constexpr size_t kMp3HeaderBytes = 4;
inline constexpr size_t kAdtsHeaderBytes = 7;  // without the optional CRC
// Enough bytes for any header either parser reads.
inline constexpr size_t kMaxHeaderBytes = 9;

// Parses an MP3 header from 4 bytes. Layers I and II, free-format bit rates and
// reserved fields give nullopt.
std::optional<FrameInfo> ParseMp3Header(const uint8_t* p);
// Parses an ADTS header from 7 bytes. Channel configuration 0 (layout in a
// program config element) is refused: the system decoder needs it in the header.
std::optional<FrameInfo> ParseAdtsHeader(const uint8_t* p);
// The parser for `codec` (kMp3 or kAac); `avail` bytes are readable at `p`.
std::optional<FrameInfo> ParseHeader(AudioCodec codec, const uint8_t* p, size_t avail);

// Whether two headers belong to the same stream: same codec parameters, rate
// and channel layout. Bit rate and padding may differ from frame to frame.
bool SameStream(const FrameInfo& a, const FrameInfo& b);

// Looks in `data` for `codec`'s first run of three agreeing headers; the first
// header of the run with its offset, or nullopt.
std::optional<std::pair<FrameInfo, size_t>> FindLock(AudioCodec codec,
                                                      std::span<const uint8_t> data);

struct SyncedFrame {
  FrameInfo info;
  std::span<const uint8_t> bytes;  // the whole frame; valid until the next Push or Next
  // True on the first frame, and on the first frame after a lock whose
  // format (rate, channels, codec parameters) differs from the previous one.
  bool format_changed = false;
};

// Push synchroniser: Push arbitrary chunks, take whole frames with Next. A frame
// is handed out when the header after it has arrived and is valid (of any
// format), so the last frame before the end of the input stays buffered.
// One thread at a time.
class FrameSync {
 public:
  explicit FrameSync(AudioCodec codec);

  void Push(std::span<const uint8_t> data);
  // The next whole frame, or nullopt when more bytes are needed.
  std::optional<SyncedFrame> Next();
  // Forgets buffered bytes and the lock (the format is remembered, so a
  // relock on the same format does not report a change).
  void Reset();

  bool Locked() const { return locked_; }
  uint64_t SkippedBytes() const { return skipped_; }  // junk dropped so far
  size_t Buffered() const { return buffer_.size() - pos_; }

 private:
  void Compact();
  // Drops one byte of junk at pos_.
  void Skip(size_t n);

  AudioCodec codec_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;          // first byte not yet consumed
  bool locked_ = false;
  FrameInfo lock_;          // the header the current lock agreed on
  std::optional<FrameInfo> last_format_;  // format of the last frame handed out
  uint64_t skipped_ = 0;
};
