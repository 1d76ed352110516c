// Fragmented MP4 (CMAF) audio as HLS carries it (EXT-X-MAP): the AAC track's
// AudioSpecificConfig from the initialisation segment, and the samples of a
// media segment (moof + mdat) wrapped as ADTS frames, which the AAC decoder
// takes like any other AAC stream. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct Fmp4Audio {
  uint32_t track_id = 0;
  int object_type = 0;      // MPEG-4 audio object type (2 = AAC LC, 5 = SBR, 29 = PS)
  int rate_index = 0;       // sampling frequency index, 0..12
  int channel_config = 0;   // 1..7
  uint32_t default_sample_size = 0;  // bytes (mvex/trex), 0 = none
};

// Reads the first AAC audio track of an initialisation segment (ftyp + moov).
// False when there is none or it is malformed.
bool ReadFmp4Init(std::span<const uint8_t> init, Fmp4Audio& out);

// Appends the samples of `track`'s fragments in the media segment `segment`
// to `adts`, each behind its ADTS header. False when the segment is malformed
// (what was whole before the fault is kept), or when its fragments name more
// sample bytes than it holds.
bool Fmp4ToAdts(std::span<const uint8_t> segment, const Fmp4Audio& track, std::vector<uint8_t>& adts);

// Largest media segment gathered for conversion.
inline constexpr size_t kMaxFmp4SegmentBytes = 16 * 1024 * 1024;
