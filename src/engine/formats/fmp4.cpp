#include "engine/formats/fmp4.h"

#include <optional>

namespace {

constexpr uint32_t Type(const char (&t)[5]) {
  return (uint32_t(uint8_t(t[0])) << 24) | (uint32_t(uint8_t(t[1])) << 16) | (uint32_t(uint8_t(t[2])) << 8) |
         uint8_t(t[3]);
}

uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return (uint32_t(d[at]) << 24) | (uint32_t(d[at + 1]) << 16) | (uint32_t(d[at + 2]) << 8) | d[at + 3];
}

struct Box {
  uint32_t type = 0;
  size_t offset = 0;  // of the box's first byte in the data walked
  std::span<const uint8_t> body;
};

// Walks the boxes of `data` one after another.
class Boxes {
 public:
  explicit Boxes(std::span<const uint8_t> data) : data_(data) {}
  // The next box; nullopt at the end or at a malformed one (bad() then tells).
  std::optional<Box> Next() {
    if (at_ == data_.size()) return std::nullopt;
    if (data_.size() - at_ < 8) return Fail();
    uint64_t size = U32(data_, at_);
    const uint32_t type = U32(data_, at_ + 4);
    size_t head = 8;
    if (size == 1) {
      if (data_.size() - at_ < 16) return Fail();
      size = (uint64_t(U32(data_, at_ + 8)) << 32) | U32(data_, at_ + 12);
      head = 16;
    } else if (size == 0) {
      size = data_.size() - at_;
    }
    if (size < head || size > data_.size() - at_) return Fail();
    Box box{type, at_, data_.subspan(at_ + head, static_cast<size_t>(size) - head)};
    at_ += static_cast<size_t>(size);
    return box;
  }
  bool bad() const { return bad_; }

 private:
  std::optional<Box> Fail() {
    bad_ = true;
    at_ = data_.size();
    return std::nullopt;
  }
  std::span<const uint8_t> data_;
  size_t at_ = 0;
  bool bad_ = false;
};

std::optional<Box> Child(std::span<const uint8_t> data, uint32_t type) {
  Boxes boxes(data);
  while (std::optional<Box> b = boxes.Next()) {
    if (b->type == type) return b;
  }
  return std::nullopt;
}

// An MPEG-4 descriptor's length: up to four bytes of seven bits.
bool DescriptorLength(std::span<const uint8_t> d, size_t& at, size_t& length) {
  length = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= d.size()) return false;
    const uint8_t b = d[at++];
    length = (length << 7) | (b & 0x7F);
    if (!(b & 0x80)) return length <= d.size() - at;
  }
  return false;
}

// The AudioSpecificConfig inside an esds box's body.
bool ReadEsds(std::span<const uint8_t> esds, Fmp4Audio& out) {
  size_t at = 4;  // version and flags
  size_t length = 0;
  if (at >= esds.size() || esds[at++] != 0x03 || !DescriptorLength(esds, at, length)) return false;
  if (at + 3 > esds.size()) return false;
  const uint8_t flags = esds[at + 2];
  at += 3;  // ES_ID, flags
  if (flags & 0x80) at += 2;  // dependsOn_ES_ID
  if (flags & 0x40) {         // URL
    if (at >= esds.size()) return false;
    at += 1 + esds[at];
  }
  if (flags & 0x20) at += 2;  // OCR_ES_Id
  if (at >= esds.size() || esds[at++] != 0x04 || !DescriptorLength(esds, at, length)) return false;
  if (at + 13 > esds.size() || esds[at] != 0x40) return false;  // object type: MPEG-4 audio
  at += 13;
  if (at >= esds.size() || esds[at++] != 0x05 || !DescriptorLength(esds, at, length) || length < 2) return false;
  // AudioSpecificConfig: 5 bits object type (31: escape), 4 bits rate index, 4 bits channels.
  uint32_t bits = 0;
  int have = 0;
  size_t next = at;
  const size_t end = at + length;
  auto read = [&](int n) -> std::optional<uint32_t> {
    while (have < n) {
      if (next >= end) return std::nullopt;
      bits = (bits << 8) | esds[next++];
      have += 8;
    }
    const uint32_t v = (bits >> (have - n)) & ((1u << n) - 1);
    have -= n;
    return v;
  };
  std::optional<uint32_t> type = read(5);
  if (type && *type == 31) {
    std::optional<uint32_t> more = read(6);
    type = more ? std::optional<uint32_t>(32 + *more) : std::nullopt;
  }
  std::optional<uint32_t> rate = read(4);
  if (rate && *rate == 15) return false;  // an explicit rate: ADTS cannot say it
  std::optional<uint32_t> channels = read(4);
  if (!type || !rate || !channels || *rate > 12 || *channels == 0 || *channels > 7) return false;
  // ADTS carries the core AAC object (SBR and PS are found by the decoder).
  out.object_type = (*type == 5 || *type == 29) ? 2 : int(*type);
  if (out.object_type < 1 || out.object_type > 4) return false;
  out.rate_index = int(*rate);
  out.channel_config = int(*channels);
  return true;
}

bool ReadTrack(std::span<const uint8_t> trak, Fmp4Audio& out) {
  std::optional<Box> tkhd = Child(trak, Type("tkhd"));
  std::optional<Box> mdia = Child(trak, Type("mdia"));
  if (!tkhd || !mdia || tkhd->body.empty()) return false;
  const size_t id_at = tkhd->body[0] == 1 ? 4 + 16 : 4 + 8;
  if (tkhd->body.size() < id_at + 4) return false;
  std::optional<Box> hdlr = Child(mdia->body, Type("hdlr"));
  if (!hdlr || hdlr->body.size() < 12 || U32(hdlr->body, 8) != Type("soun")) return false;
  std::optional<Box> minf = Child(mdia->body, Type("minf"));
  std::optional<Box> stbl = minf ? Child(minf->body, Type("stbl")) : std::nullopt;
  std::optional<Box> stsd = stbl ? Child(stbl->body, Type("stsd")) : std::nullopt;
  if (!stsd || stsd->body.size() < 8) return false;
  std::optional<Box> mp4a = Child(stsd->body.subspan(8), Type("mp4a"));
  if (!mp4a || mp4a->body.size() < 28) return false;
  std::optional<Box> esds = Child(mp4a->body.subspan(28), Type("esds"));
  if (!esds || !ReadEsds(esds->body, out)) return false;
  out.track_id = U32(tkhd->body, id_at);
  return true;
}

void AppendAdts(const Fmp4Audio& track, std::span<const uint8_t> sample, std::vector<uint8_t>& out) {
  const size_t length = sample.size() + 7;
  out.push_back(0xFF);
  out.push_back(0xF1);  // MPEG-4, no CRC
  out.push_back(uint8_t(((track.object_type - 1) << 6) | (track.rate_index << 2) | (track.channel_config >> 2)));
  out.push_back(uint8_t(((track.channel_config & 3) << 6) | ((length >> 11) & 0x03)));
  out.push_back(uint8_t((length >> 3) & 0xFF));
  out.push_back(uint8_t(((length & 0x07) << 5) | 0x1F));
  out.push_back(0xFC);
  out.insert(out.end(), sample.begin(), sample.end());
}

// One track fragment: its samples, found in `segment` from the offsets the
// fragment gives (relative to its moof by default). `taken` counts the sample
// bytes of the segment used so far: offsets may point anywhere, so a hostile
// segment could name the same bytes again and again; more sample bytes than
// the segment holds are refused. `headers` counts the ADTS header bytes
// written: tiny samples (a real AAC frame, even of silence, is several bytes)
// would each cost 7 more, so the output stays within 2.5 times the segment.
bool ReadFragment(std::span<const uint8_t> segment, size_t moof_offset, std::span<const uint8_t> traf,
                  const Fmp4Audio& track, uint64_t& taken, uint64_t& headers, std::vector<uint8_t>& out) {
  std::optional<Box> tfhd = Child(traf, Type("tfhd"));
  if (!tfhd || tfhd->body.size() < 8) return false;
  const uint32_t flags = U32(tfhd->body, 0) & 0xFFFFFF;
  if (U32(tfhd->body, 4) != track.track_id) return true;  // another track
  size_t at = 8;
  uint64_t base = moof_offset;
  uint32_t default_size = track.default_sample_size;
  auto need = [&](size_t n) { return tfhd->body.size() >= at + n; };
  if (flags & 0x01) {
    if (!need(8)) return false;
    base = (uint64_t(U32(tfhd->body, at)) << 32) | U32(tfhd->body, at + 4);
    at += 8;
  }
  if (flags & 0x02) at += 4;
  if (flags & 0x08) at += 4;
  if (flags & 0x10) {
    if (!need(4)) return false;
    default_size = U32(tfhd->body, at);
    at += 4;
  }
  Boxes boxes(traf);
  while (std::optional<Box> b = boxes.Next()) {
    if (b->type != Type("trun")) continue;
    std::span<const uint8_t> t = b->body;
    if (t.size() < 8) return false;
    const uint32_t tflags = U32(t, 0) & 0xFFFFFF;
    const uint32_t count = U32(t, 4);
    size_t p = 8;
    int64_t data_offset = 0;
    if (tflags & 0x01) {
      if (t.size() < p + 4) return false;
      data_offset = int32_t(U32(t, p));
      p += 4;
    }
    if (tflags & 0x04) p += 4;
    const size_t per = 4 * (((tflags >> 8) & 1) + ((tflags >> 9) & 1) + ((tflags >> 10) & 1) + ((tflags >> 11) & 1));
    if (per && count > (t.size() - std::min(p, t.size())) / per) return false;
    // Offsets are 64-bit and signed: only a base within reach of the segment
    // can name its bytes, and only then is the sum free of overflow.
    if (base > segment.size() + (uint64_t(1) << 31)) return false;
    int64_t data = int64_t(base) + data_offset;
    for (uint32_t i = 0; i < count; ++i) {
      if (tflags & 0x100) p += 4;
      uint32_t size = default_size;
      if (tflags & 0x200) {
        size = U32(t, p);
        p += 4;
      }
      if (tflags & 0x400) p += 4;
      if (tflags & 0x800) p += 4;
      if (size == 0 || size > 8191 - 7 || data < 0 || uint64_t(data) + size > segment.size()) return false;
      taken += size;
      headers += 7;
      if (taken > segment.size() || headers > segment.size() * 3 / 2) return false;
      AppendAdts(track, segment.subspan(size_t(data), size), out);
      data += size;
    }
  }
  return !boxes.bad();
}

}  // namespace

bool ReadFmp4Init(std::span<const uint8_t> init, Fmp4Audio& out) {
  out = Fmp4Audio();
  std::optional<Box> moov = Child(init, Type("moov"));
  if (!moov) return false;
  Boxes boxes(moov->body);
  bool found = false;
  while (std::optional<Box> b = boxes.Next()) {
    if (b->type == Type("trak") && !found) found = ReadTrack(b->body, out);
  }
  if (!found) return false;
  if (std::optional<Box> mvex = Child(moov->body, Type("mvex"))) {
    Boxes trex(mvex->body);
    while (std::optional<Box> b = trex.Next()) {
      if (b->type == Type("trex") && b->body.size() >= 24 && U32(b->body, 4) == out.track_id)
        out.default_sample_size = U32(b->body, 16);
    }
  }
  return true;
}

bool Fmp4ToAdts(std::span<const uint8_t> segment, const Fmp4Audio& track, std::vector<uint8_t>& adts) {
  uint64_t taken = 0;
  uint64_t headers = 0;
  Boxes boxes(segment);
  while (std::optional<Box> b = boxes.Next()) {
    if (b->type != Type("moof")) continue;
    Boxes trafs(b->body);
    while (std::optional<Box> traf = trafs.Next()) {
      if (traf->type == Type("traf") && !ReadFragment(segment, b->offset, traf->body, track, taken, headers, adts)) return false;
    }
    if (trafs.bad()) return false;
  }
  return !boxes.bad();
}
