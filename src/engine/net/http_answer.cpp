#include "engine/net/http_answer.h"

#include <algorithm>
#include <cctype>

#include "base/ascii.h"
#include "engine/net/engine_error.h"

bool HttpAnswer::Feed(std::span<const uint8_t> data) {
  if (state_ != State::kHead) return false;
  for (size_t i = 0; i < data.size(); ++i) {
    char c = static_cast<char>(data[i]);
    if (++head_bytes_ > kMaxHeadBytes) {
      state_ = State::kError;
      return false;
    }
    if (c != '\n') {
      partial_ += c;
      continue;
    }
    std::string line = std::move(partial_);
    partial_.clear();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!TakeLine(std::move(line))) {
      state_ = State::kError;
      return false;
    }
    if (state_ == State::kDone) {
      body_.assign(data.begin() + static_cast<std::ptrdiff_t>(i + 1), data.end());
      return true;
    }
  }
  return true;
}

bool HttpAnswer::TakeLine(std::string line) {
  if (status_line_.empty()) {
    // Some servers send an empty line before the status line; skip a few.
    if (line.empty()) return head_bytes_ <= 8;
    return ParseStatus(line);
  }
  if (line.empty()) {
    state_ = State::kDone;
    return true;
  }
  if (line.find('\0') != std::string::npos) return false;
  if (line.front() == ' ' || line.front() == '\t') {
    // An obsolete folded continuation: it belongs to the previous header.
    if (lines_.empty()) return false;
    lines_.back() += ' ';
    lines_.back() += Trim(line);
    return true;
  }
  // Lines without a colon are odd but harmless; keep them for the list.
  lines_.push_back(std::move(line));
  return true;
}

bool HttpAnswer::ParseStatus(const std::string& line) {
  std::string_view rest;
  if (line.rfind("ICY ", 0) == 0) {
    kind_ = Kind::kIcy;
    rest = std::string_view(line).substr(4);
  } else if (line.rfind("HTTP/", 0) == 0 && line.size() >= 8 &&
             std::isdigit(static_cast<unsigned char>(line[5])) && line[6] == '.' &&
             std::isdigit(static_cast<unsigned char>(line[7]))) {
    kind_ = Kind::kHttp;
    size_t space = line.find(' ');
    if (space == std::string::npos) return false;
    rest = std::string_view(line).substr(space + 1);
  } else {
    return false;
  }
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (rest.size() < 3 || !std::all_of(rest.begin(), rest.begin() + 3, [](char c) {
        return c >= '0' && c <= '9';
      }))
    return false;
  if (rest.size() > 3 && rest[3] != ' ') return false;
  status_ = (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
  status_line_ = line;
  return true;
}

std::optional<std::string_view> HttpAnswer::Header(std::string_view name) const {
  for (const std::string& line : lines_) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (EqualsIgnoreCase(Trim(std::string_view(line).substr(0, colon)), name))
      return Trim(std::string_view(line).substr(colon + 1));
  }
  return std::nullopt;
}

std::string HttpAnswer::TagList() const {
  std::string out = status_line_;
  out += '\0';
  for (const std::string& line : lines_) {
    out += line;
    out += '\0';
  }
  out += '\0';
  return out;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int FollowRedirect(const HttpAnswer& head, int redirects, Url& url) {
  std::optional<std::string_view> location = head.Header("location");
  if (!location) return kErrorHttp;
  if (redirects == kMaxRedirects) return kErrorRedirects;
  Url next;
  if (int error = ResolveReference(url, *location, next); error != kErrorOk) return error;
  url = next;
  return kErrorOk;
}

std::string MediaType(std::string_view content_type) {
  return ToLowerAscii(Trim(content_type.substr(0, content_type.find(';'))));
}

AudioCodec CodecFromContentType(std::string_view content_type) {
  std::string type = MediaType(content_type);
  if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3" ||
      type == "audio/x-mpeg" || type == "audio/x-mp3")
    return AudioCodec::kMp3;
  if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac" ||
      type == "audio/x-aacp")
    return AudioCodec::kAac;
  // Ogg: which codec is inside is read from the stream; Vorbis is what radio sends.
  if (type == "application/ogg" || type == "audio/ogg" || type == "audio/vorbis" || type == "audio/x-ogg" ||
      type == "application/x-ogg" || type == "audio/x-vorbis+ogg" || type == "audio/x-vorbis")
    return AudioCodec::kVorbis;
  if (type == "audio/opus" || type == "audio/x-opus+ogg") return AudioCodec::kOpus;
  if (type == "audio/flac" || type == "audio/x-flac" || type == "audio/x-flac+ogg") return AudioCodec::kFlac;
  return AudioCodec::kUnknown;
}

std::optional<uint64_t> ParseDecimal(std::string_view value) {
  value = Trim(value);
  if (value.empty() || value.size() > 18) return std::nullopt;
  uint64_t out = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    out = out * 10 + static_cast<uint64_t>(c - '0');
  }
  return out;
}
