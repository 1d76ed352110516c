// Test helpers: a small MPEG transport stream writer (PAT, PMT, PES over
// packets with their continuity counters) and ID3v2 tag writer, for the
// demultiplexer's and the HLS session's tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/formats/mpeg_ts.h"

namespace testts {

inline std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

class TsWriter {
 public:
  struct Es {
    uint8_t type;
    int pid;
  };

  // PAT (programme 1 -> pmt_pid) and PMT listing `streams`.
  std::vector<uint8_t> Tables(const std::vector<Es>& streams, int pmt_pid = 0x1000, uint8_t version = 0) {
    std::vector<uint8_t> pat = {0x00, 0xB0, 0x00, 0x00, 0x01, uint8_t(0xC1 | (version << 1)), 0x00, 0x00,
                                0x00, 0x01, uint8_t(0xE0 | (pmt_pid >> 8)), uint8_t(pmt_pid & 0xFF)};
    Finish(pat);
    std::vector<uint8_t> pmt = {0x02, 0xB0, 0x00, 0x00, 0x01, uint8_t(0xC1 | (version << 1)), 0x00, 0x00,
                                0xE1, 0x00, 0xF0, 0x00};
    for (const Es& es : streams) {
      pmt.insert(pmt.end(), {es.type, uint8_t(0xE0 | (es.pid >> 8)), uint8_t(es.pid & 0xFF), 0xF0, 0x00});
    }
    Finish(pmt);
    std::vector<uint8_t> out = Section(0, pat);
    std::vector<uint8_t> second = Section(pmt_pid, pmt);
    out.insert(out.end(), second.begin(), second.end());
    return out;
  }

  // One PES packet of `payload` on `pid` (stream id 0xC0 audio, 0xBD private
  // for ID3), spread over packets; `open_length` writes PES_packet_length 0.
  std::vector<uint8_t> Pes(int pid, const std::vector<uint8_t>& payload, uint8_t stream_id = 0xC0,
                           bool open_length = false) {
    std::vector<uint8_t> pes = {0x00, 0x00, 0x01, stream_id, 0, 0, 0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01};
    pes.insert(pes.end(), payload.begin(), payload.end());
    const size_t length = open_length ? 0 : pes.size() - 6;
    pes[4] = uint8_t(length >> 8);
    pes[5] = uint8_t(length & 0xFF);
    return Packets(pid, pes);
  }

  // Splits `data` into packets of `pid`, the first with the start indicator;
  // the last is padded with an adaptation field.
  std::vector<uint8_t> Packets(int pid, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    size_t at = 0;
    bool first = true;
    do {
      const size_t room = kTsPacketBytes - 4;
      const size_t take = std::min(room, data.size() - at);
      std::vector<uint8_t> p = {kTsSyncByte, uint8_t((first ? 0x40 : 0) | (pid >> 8)), uint8_t(pid & 0xFF),
                                uint8_t(0x10 | (cc_[pid] & 0x0F))};
      if (take < room) {
        p[3] |= 0x20;
        const size_t field = room - take - 1;  // adaptation_field_length
        p.push_back(uint8_t(field));
        if (field > 0) {
          p.push_back(0x00);
          p.insert(p.end(), field - 1, 0xFF);
        }
      }
      p.insert(p.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + take));
      out.insert(out.end(), p.begin(), p.end());
      cc_[pid] = (cc_[pid] + 1) & 0x0F;
      at += take;
      first = false;
    } while (at < data.size());
    return out;
  }

 private:
  static void Finish(std::vector<uint8_t>& section) {
    const size_t length = section.size() + 4 - 3;
    section[1] = uint8_t(0xB0 | (length >> 8));
    section[2] = uint8_t(length & 0xFF);
    const uint32_t crc = TsCrc32(section);
    section.insert(section.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
  }
  std::vector<uint8_t> Section(int pid, const std::vector<uint8_t>& section) {
    std::vector<uint8_t> data = {0x00};  // pointer field
    data.insert(data.end(), section.begin(), section.end());
    return Packets(pid, data);
  }

  int cc_[8192] = {};
};

// An ID3v2 tag (version 3 or 4) with text frames {id, encoding byte + text bytes}.
inline std::vector<uint8_t> Id3Tag(int version, const std::vector<std::pair<std::string, std::string>>& frames,
                                   size_t padding = 0) {
  std::vector<uint8_t> body;
  for (const auto& [id, data] : frames) {
    body.insert(body.end(), id.begin(), id.end());
    const uint32_t n = uint32_t(data.size());
    if (version == 4) {
      body.insert(body.end(), {uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F), uint8_t((n >> 7) & 0x7F),
                               uint8_t(n & 0x7F)});
    } else {
      body.insert(body.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    }
    body.insert(body.end(), {0, 0});
    body.insert(body.end(), data.begin(), data.end());
  }
  body.insert(body.end(), padding, 0);
  const uint32_t n = uint32_t(body.size());
  std::vector<uint8_t> tag = {'I', 'D', '3', uint8_t(version), 0, 0, uint8_t((n >> 21) & 0x7F),
                              uint8_t((n >> 14) & 0x7F), uint8_t((n >> 7) & 0x7F), uint8_t(n & 0x7F)};
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

}  // namespace testts
