// MPEG transport stream (ISO 13818-1) demultiplexer for HLS segments: finds
// the program's audio through PAT and PMT, reassembles its PES packets and
// hands out the elementary audio (ADTS or MPEG audio frames, as the frame
// decoders take them) and the payloads of timed ID3 metadata. A push parser
// fed with bytes as they arrive, split anywhere. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/net/audio_codec.h"

inline constexpr size_t kTsPacketBytes = 188;
inline constexpr uint8_t kTsSyncByte = 0x47;

// CRC-32 of PSI sections (polynomial 0x04C11DB7, initial value all ones, no
// reflection); a whole section including its CRC gives 0.
uint32_t TsCrc32(std::span<const uint8_t> data);

class TsDemux {
 public:
  // Called with each complete ID3 tag carried as timed metadata.
  using Id3Handler = std::function<void(std::span<const uint8_t> tag)>;

  // Appends the audio of whole PES packets to `audio`; ID3 to `on_id3` (may
  // be empty).
  void Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio, const Id3Handler& on_id3);
  // The end of a segment: a PES of open length still being gathered is
  // complete; one whose declared length was not reached is dropped. The
  // programme tables stay, continuity counters count afresh.
  void EndOfSegment(std::vector<uint8_t>& audio, const Id3Handler& on_id3);
  // Forgets everything (a discontinuity: another producer may follow).
  void Reset();

  // The audio elementary stream's codec from the PMT, kUnknown until one is
  // known.
  AudioCodec codec() const { return audio_.codec; }
  uint64_t continuity_errors() const { return continuity_errors_; }  // PES dropped for lost packets
  uint64_t skipped_bytes() const { return skipped_bytes_; }          // bytes outside packets
  int pmt_changes() const { return pmt_changes_; }                   // audio PID or type changed

 private:
  // A PES stream being reassembled.
  struct Pes {
    int pid = -1;                 // -1 = none
    AudioCodec codec = AudioCodec::kUnknown;
    std::vector<uint8_t> data;    // the PES packet so far, from its start code
    bool started = false;         // a PES start was seen: data is usable
    int last_cc = -1;             // continuity counter of the last payload packet, -1 = none
  };
  // A PSI table (PAT or PMT) being gathered over packets.
  struct Section {
    std::vector<uint8_t> data;
    bool started = false;
    int last_cc = -1;
  };

  void Packet(const uint8_t* p, std::vector<uint8_t>& audio, const Id3Handler& on_id3);
  void PsiPayload(Section& section, bool start, std::span<const uint8_t> payload, bool pat);
  void TakeSection(std::span<const uint8_t> section, bool pat);
  void PesPayload(Pes& pes, bool start, std::span<const uint8_t> payload, std::vector<uint8_t>& audio,
                  const Id3Handler& on_id3);
  // Emits a complete PES: its payload to `audio` or `on_id3`.
  void Emit(Pes& pes, std::vector<uint8_t>& audio, const Id3Handler& on_id3);
  // Whether the packet continues `last_cc`; updates it. A repeated packet
  // (same counter) is reported through `duplicate`.
  bool Continues(int& last_cc, int cc, bool discontinuity, bool& duplicate);

  std::vector<uint8_t> partial_;  // a packet split across Feed calls
  int pmt_pid_ = -1;
  int program_ = -1;              // program number of the PMT
  Section pat_, pmt_;
  Pes audio_, id3_;
  uint64_t continuity_errors_ = 0;
  uint64_t skipped_bytes_ = 0;
  int pmt_changes_ = 0;
};

// Largest PES packet gathered; larger ones are dropped.
inline constexpr size_t kMaxPesBytes = 1024 * 1024;
