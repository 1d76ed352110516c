#include "engine/formats/id3.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kFlagUnsync = 0x80;
constexpr uint8_t kFlagExtended = 0x40;
constexpr uint8_t kFlagFooter = 0x10;  // v2.4

std::optional<uint32_t> SyncSafe(const uint8_t* p) {
  if ((p[0] | p[1] | p[2] | p[3]) & 0x80) return std::nullopt;
  return (uint32_t(p[0]) << 21) | (uint32_t(p[1]) << 14) | (uint32_t(p[2]) << 7) | p[3];
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Undoes unsynchronisation: a 0x00 after 0xFF was inserted by the writer.
std::vector<uint8_t> Resynchronise(std::span<const uint8_t> data) {
  std::vector<uint8_t> out;
  out.reserve(data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    out.push_back(data[i]);
    if (data[i] == 0xFF && i + 1 < data.size() && data[i + 1] == 0x00) ++i;
  }
  return out;
}

void AppendUtf8(uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

std::string Utf16ToUtf8(std::span<const uint8_t> data, bool big_endian) {
  std::string out;
  auto unit = [&](size_t i) -> uint32_t {
    return big_endian ? (uint32_t(data[i]) << 8) | data[i + 1] : (uint32_t(data[i + 1]) << 8) | data[i];
  };
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    uint32_t c = unit(i);
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < data.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), out);
        i += 2;
        continue;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // a lone surrogate
    AppendUtf8(c, out);
  }
  return out;
}

// A text frame's first value as UTF-8.
std::string FrameText(std::span<const uint8_t> frame) {
  if (frame.empty()) return {};
  const uint8_t encoding = frame[0];
  std::span<const uint8_t> text = frame.subspan(1);
  switch (encoding) {
    case 0: {  // ISO-8859-1
      std::string out;
      for (uint8_t b : text) {
        if (b == 0) break;
        AppendUtf8(b, out);
      }
      return out;
    }
    case 1: {  // UTF-16 with a byte order mark (little-endian without one)
      bool big = false;
      if (text.size() >= 2 && text[0] == 0xFE && text[1] == 0xFF) {
        big = true;
        text = text.subspan(2);
      } else if (text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE) {
        text = text.subspan(2);
      }
      return Utf16ToUtf8(text, big);
    }
    case 2: return Utf16ToUtf8(text, true);
    case 3: {
      std::string out(reinterpret_cast<const char*>(text.data()), text.size());
      return out.substr(0, out.find('\0'));
    }
    default: return {};
  }
}

}  // namespace

std::optional<size_t> Id3TagLength(std::span<const uint8_t> data) {
  static const uint8_t kMagic[] = {'I', 'D', '3'};
  if (data.empty()) return std::nullopt;
  if (data.size() < kId3HeaderBytes) {
    if (std::memcmp(data.data(), kMagic, std::min<size_t>(data.size(), 3)) != 0) return 0;
    return std::nullopt;
  }
  if (std::memcmp(data.data(), kMagic, 3) != 0 || data[3] == 0xFF || data[4] == 0xFF) return 0;
  std::optional<uint32_t> size = SyncSafe(data.data() + 6);
  if (!size) return 0;
  const bool footer = data[3] >= 4 && (data[5] & kFlagFooter);
  return kId3HeaderBytes + *size + (footer ? kId3HeaderBytes : 0);
}

bool ReadId3(std::span<const uint8_t> tag, Id3Text& out) {
  out = Id3Text();
  std::optional<size_t> length = Id3TagLength(tag);
  if (!length || *length == 0) return false;
  const int version = tag[3];
  if (version != 3 && version != 4) return false;
  const uint8_t flags = tag[5];
  // A tag cut short (a picture larger than what the caller keeps) still has
  // whole frames before the cut: they are read.
  const size_t size = std::min<size_t>(*SyncSafe(tag.data() + 6), tag.size() - kId3HeaderBytes);
  std::vector<uint8_t> body(tag.begin() + kId3HeaderBytes, tag.begin() + kId3HeaderBytes + std::ptrdiff_t(size));
  if (version == 3 && (flags & kFlagUnsync)) body = Resynchronise(body);
  size_t pos = 0;
  if (flags & kFlagExtended) {
    if (body.size() < 4) return false;
    // Compared before it is added to: 4 + a 32-bit size wraps in a 32-bit size_t.
    if (version == 3) {
      const uint32_t ext = BigEndian32(body.data());
      if (ext > body.size() - 4) return false;
      pos = 4 + size_t(ext);
    } else {
      std::optional<uint32_t> ext = SyncSafe(body.data());
      if (!ext || *ext > body.size()) return false;
      pos = *ext;
    }
  }
  while (pos + 10 <= body.size()) {
    const uint8_t* h = body.data() + pos;
    if (h[0] == 0) break;  // padding
    uint32_t frame_size = 0;
    if (version == 4) {
      std::optional<uint32_t> s = SyncSafe(h + 4);
      if (!s) break;
      frame_size = *s;
    } else {
      frame_size = BigEndian32(h + 4);
    }
    if (frame_size > body.size() - pos - 10) break;
    const std::string id(reinterpret_cast<const char*>(h), 4);
    const uint8_t format = h[9];
    std::span<const uint8_t> data(h + 10, frame_size);
    pos += 10 + size_t(frame_size);
    std::string* field = id == "TIT2" ? &out.title : id == "TPE1" ? &out.artist : id == "TRSN" ? &out.station : nullptr;
    if (!field) continue;
    std::vector<uint8_t> frame;
    if (version == 3) {
      if (format & 0xC0) continue;  // compressed or encrypted
      if (format & 0x20) {          // a group identifier first
        if (data.empty()) continue;
        data = data.subspan(1);
      }
    } else {
      if (format & 0x0C) continue;  // compressed or encrypted
      if (format & 0x40) {          // group identifier
        if (data.empty()) continue;
        data = data.subspan(1);
      }
      if (format & 0x01) {          // data length indicator
        if (data.size() < 4) continue;
        data = data.subspan(4);
      }
      if ((format & 0x02) || (flags & kFlagUnsync)) {
        frame = Resynchronise(data);
        data = frame;
      }
    }
    *field = FrameText(data);
  }
  return true;
}

std::string StreamTitleMeta(const std::string& artist, const std::string& title) {
  if (artist.empty() && title.empty()) return {};
  std::string text = artist.empty() ? title : title.empty() ? artist : artist + " - " + title;
  return "StreamTitle='" + text + "';";
}
