#include "engine/formats/mpeg_ts.h"

#include <algorithm>

namespace {

constexpr int kPatPid = 0;
constexpr size_t kMaxSectionBytes = 1024;  // section_length is at most 1021 for PAT and PMT

// Stream types of the PMT that we take.
constexpr uint8_t kTypeMpeg1Audio = 0x03;
constexpr uint8_t kTypeMpeg2Audio = 0x04;
constexpr uint8_t kTypeAdts = 0x0F;
constexpr uint8_t kTypeMetadata = 0x15;  // metadata in PES packets: timed ID3 in HLS

uint32_t Crc32Table(uint32_t index) {
  uint32_t c = index << 24;
  for (int k = 0; k < 8; ++k) c = c & 0x80000000u ? (c << 1) ^ 0x04C11DB7u : c << 1;
  return c;
}

struct CrcTable {
  uint32_t values[256];
  CrcTable() {
    for (uint32_t i = 0; i < 256; ++i) values[i] = Crc32Table(i);
  }
};

size_t PesDeclaredBytes(const std::vector<uint8_t>& data) {
  // PES_packet_length counts the bytes after itself; 0 = open (video only by
  // the standard, but some muxers write it for audio too).
  const size_t length = (size_t(data[4]) << 8) | data[5];
  return length == 0 ? 0 : length + 6;
}

}  // namespace

uint32_t TsCrc32(std::span<const uint8_t> data) {
  static const CrcTable table;
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) crc = (crc << 8) ^ table.values[((crc >> 24) ^ b) & 0xFF];
  return crc;
}

void TsDemux::Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio, const Id3Handler& on_id3) {
  size_t i = 0;
  while (i < data.size()) {
    if (!partial_.empty()) {
      const size_t take = std::min(kTsPacketBytes - partial_.size(), data.size() - i);
      partial_.insert(partial_.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                      data.begin() + static_cast<std::ptrdiff_t>(i + take));
      i += take;
      if (partial_.size() == kTsPacketBytes) {
        Packet(partial_.data(), audio, on_id3);
        partial_.clear();
      }
      continue;
    }
    if (data[i] != kTsSyncByte) {
      // Lost sync: the next sync byte is taken as the next packet's start.
      ++skipped_bytes_;
      ++i;
      continue;
    }
    if (data.size() - i >= kTsPacketBytes) {
      Packet(data.data() + i, audio, on_id3);
      i += kTsPacketBytes;
    } else {
      partial_.assign(data.begin() + static_cast<std::ptrdiff_t>(i), data.end());
      i = data.size();
    }
  }
}

bool TsDemux::Continues(int& last_cc, int cc, bool discontinuity, bool& duplicate) {
  duplicate = false;
  if (last_cc < 0 || discontinuity) {
    last_cc = cc;
    return true;
  }
  if (cc == last_cc) {
    duplicate = true;  // sent twice: the copy carries nothing new
    return true;
  }
  const bool next = cc == ((last_cc + 1) & 0x0F);
  last_cc = cc;
  return next;
}

void TsDemux::Packet(const uint8_t* p, std::vector<uint8_t>& audio, const Id3Handler& on_id3) {
  if (p[1] & 0x80) {
    // Transport error indicator: the packet is damaged. Its PES is incomplete.
    const int pid = ((p[1] & 0x1F) << 8) | p[2];
    for (Pes* pes : {&audio_, &id3_}) {
      if (pes->pid == pid && pes->started) {
        pes->started = false;
        pes->data.clear();
        ++continuity_errors_;
      }
    }
    return;
  }
  const bool start = (p[1] & 0x40) != 0;
  const int pid = ((p[1] & 0x1F) << 8) | p[2];
  const int control = (p[3] >> 4) & 0x03;
  const int cc = p[3] & 0x0F;
  if (control == 0) return;  // reserved
  size_t pos = 4;
  bool discontinuity = false;
  if (control & 0x02) {
    const size_t length = p[4];
    if (length > kTsPacketBytes - 5) return;
    if (length > 0) discontinuity = (p[5] & 0x80) != 0;
    pos = 5 + length;
  }
  if (!(control & 0x01)) return;  // adaptation field only: the counter does not advance
  const std::span<const uint8_t> payload(p + pos, kTsPacketBytes - pos);

  Section* section = pid == kPatPid ? &pat_ : pid == pmt_pid_ ? &pmt_ : nullptr;
  if (section) {
    bool duplicate = false;
    if (!Continues(section->last_cc, cc, discontinuity, duplicate)) {
      section->started = false;
      section->data.clear();
    }
    if (!duplicate) PsiPayload(*section, start, payload, pid == kPatPid);
    return;
  }
  for (Pes* pes : {&audio_, &id3_}) {
    if (pes->pid != pid) continue;
    bool duplicate = false;
    if (!Continues(pes->last_cc, cc, discontinuity, duplicate) && pes->started) {
      // A packet was lost: the PES it belonged to is broken. The next PES
      // start (maybe this packet) begins a whole one again.
      pes->started = false;
      pes->data.clear();
      ++continuity_errors_;
    }
    if (!duplicate) PesPayload(*pes, start, payload, audio, on_id3);
    return;
  }
}

void TsDemux::PsiPayload(Section& section, bool start, std::span<const uint8_t> payload, bool pat) {
  if (start) {
    if (payload.empty()) return;
    const size_t pointer = payload[0];
    if (1 + pointer > payload.size()) {
      section.started = false;
      return;
    }
    if (section.started) {
      section.data.insert(section.data.end(), payload.begin() + 1, payload.begin() + 1 + pointer);
      if (section.data.size() >= 3) {
        const size_t total = 3 + (((section.data[1] & 0x0F) << 8) | section.data[2]);
        if (section.data.size() >= total) TakeSection(std::span(section.data).first(total), pat);
      }
    }
    section.data.assign(payload.begin() + 1 + pointer, payload.end());
    section.started = true;
  } else {
    if (!section.started) return;
    section.data.insert(section.data.end(), payload.begin(), payload.end());
  }
  if (section.data.size() < 3) return;
  if (section.data[0] == 0xFF) {  // stuffing: no section follows
    section.started = false;
    return;
  }
  const size_t total = 3 + (((section.data[1] & 0x0F) << 8) | section.data[2]);
  if (total > kMaxSectionBytes) {
    section.started = false;
    return;
  }
  if (section.data.size() < total) return;
  section.started = false;
  std::vector<uint8_t> whole(section.data.begin(), section.data.begin() + static_cast<std::ptrdiff_t>(total));
  section.data.clear();
  TakeSection(whole, pat);
}

void TsDemux::TakeSection(std::span<const uint8_t> s, bool pat) {
  // table_id, flags and length (3), table id extension (2), version (1),
  // section numbers (2), ..., CRC (4).
  if (s.size() < 12 || TsCrc32(s) != 0) return;
  if (!(s[1] & 0x80) || !(s[5] & 0x01)) return;  // not the long form, or not yet current
  const std::span<const uint8_t> body = s.subspan(8, s.size() - 12);
  if (pat) {
    if (s[0] != 0x00) return;
    for (size_t i = 0; i + 4 <= body.size(); i += 4) {
      const int program = (body[i] << 8) | body[i + 1];
      const int pid = ((body[i + 2] & 0x1F) << 8) | body[i + 3];
      if (program == 0) continue;  // the network information table
      if (pid != pmt_pid_ || program != program_) {
        pmt_pid_ = pid;
        program_ = program;
        pmt_ = Section();
      }
      return;  // the first programme is the one we play
    }
    return;
  }
  if (s[0] != 0x02 || ((s[3] << 8) | s[4]) != program_ || body.size() < 4) return;
  const size_t info = ((body[2] & 0x0F) << 8) | body[3];
  size_t i = 4 + info;
  int audio_pid = -1, id3_pid = -1;
  AudioCodec codec = AudioCodec::kUnknown;
  while (i + 5 <= body.size()) {
    const uint8_t type = body[i];
    const int pid = ((body[i + 1] & 0x1F) << 8) | body[i + 2];
    const size_t es_info = ((body[i + 3] & 0x0F) << 8) | body[i + 4];
    if (audio_pid < 0 && (type == kTypeAdts || type == kTypeMpeg1Audio || type == kTypeMpeg2Audio)) {
      audio_pid = pid;
      codec = type == kTypeAdts ? AudioCodec::kAac : AudioCodec::kMp3;
    } else if (id3_pid < 0 && type == kTypeMetadata) {
      id3_pid = pid;
    }
    i += 5 + es_info;
  }
  if (audio_pid != audio_.pid || codec != audio_.codec) {
    if (audio_.pid >= 0) ++pmt_changes_;
    audio_ = Pes();
    audio_.pid = audio_pid;
    audio_.codec = codec;
  }
  if (id3_pid != id3_.pid) {
    id3_ = Pes();
    id3_.pid = id3_pid;
  }
}

void TsDemux::PesPayload(Pes& pes, bool start, std::span<const uint8_t> payload, std::vector<uint8_t>& audio,
                         const Id3Handler& on_id3) {
  if (start) {
    // The previous PES ends here: whole if its length was open.
    if (pes.started && pes.data.size() >= 6 && PesDeclaredBytes(pes.data) == 0) {
      Emit(pes, audio, on_id3);
    } else if (pes.started) {
      ++continuity_errors_;  // declared longer than what came
    }
    pes.data.assign(payload.begin(), payload.end());
    pes.started = true;
  } else {
    if (!pes.started) return;
    pes.data.insert(pes.data.end(), payload.begin(), payload.end());
  }
  if (pes.data.size() > kMaxPesBytes) {
    pes.started = false;
    pes.data.clear();
    return;
  }
  if (pes.data.size() < 6) return;
  const size_t declared = PesDeclaredBytes(pes.data);
  if (declared != 0 && pes.data.size() >= declared) {
    pes.data.resize(declared);  // the rest of the packet is stuffing
    Emit(pes, audio, on_id3);
  }
}

void TsDemux::Emit(Pes& pes, std::vector<uint8_t>& audio, const Id3Handler& on_id3) {
  const std::vector<uint8_t>& d = pes.data;
  pes.started = false;
  if (d.size() < 6 || d[0] != 0 || d[1] != 0 || d[2] != 1) {
    pes.data.clear();
    return;
  }
  const uint8_t stream_id = d[3];
  size_t payload = 6;
  // Streams without the optional header: program stream map, padding,
  // private stream 2, ECM, EMM, directory, DSMCC, H.222.1 type E.
  const bool bare = stream_id == 0xBC || stream_id == 0xBE || stream_id == 0xBF || stream_id == 0xF0 ||
                    stream_id == 0xF1 || stream_id == 0xFF || stream_id == 0xF2 || stream_id == 0xF8;
  if (!bare) {
    if (d.size() < 9 || (d[6] & 0xC0) != 0x80) {
      pes.data.clear();
      return;
    }
    payload = 9 + size_t(d[8]);
  }
  if (payload <= d.size() && stream_id != 0xBE) {
    const std::span<const uint8_t> bytes(d.data() + payload, d.size() - payload);
    if (&pes == &audio_) {
      audio.insert(audio.end(), bytes.begin(), bytes.end());
    } else if (on_id3 && !bytes.empty()) {
      on_id3(bytes);
    }
  }
  pes.data.clear();
}

void TsDemux::EndOfSegment(std::vector<uint8_t>& audio, const Id3Handler& on_id3) {
  for (Pes* pes : {&audio_, &id3_}) {
    if (pes->started && pes->data.size() >= 6 && PesDeclaredBytes(pes->data) == 0) {
      Emit(*pes, audio, on_id3);
    } else if (pes->started) {
      ++continuity_errors_;
    }
    pes->started = false;
    pes->data.clear();
    pes->last_cc = -1;
  }
  for (Section* s : {&pat_, &pmt_}) {
    s->started = false;
    s->data.clear();
    s->last_cc = -1;
  }
  skipped_bytes_ += partial_.size();
  partial_.clear();
}

void TsDemux::Reset() {
  const uint64_t errors = continuity_errors_, skipped = skipped_bytes_;
  const int changes = pmt_changes_;
  *this = TsDemux();
  continuity_errors_ = errors;
  skipped_bytes_ = skipped;
  pmt_changes_ = changes;
}
