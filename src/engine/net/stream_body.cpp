#include "engine/net/stream_body.h"

#include "base/ascii.h"

namespace {

bool IsChunked(const HttpAnswer& head) {
  if (head.kind() != HttpAnswer::Kind::kHttp) return false;
  std::optional<std::string_view> te = head.Header("transfer-encoding");
  if (!te) return false;
  return ToLowerAscii(*te).find("chunked") != std::string::npos;
}

}  // namespace

uint32_t StreamBody::MetaintOf(const HttpAnswer& head, bool metadata) {
  if (!metadata) return 0;
  std::optional<std::string_view> text = head.Header("icy-metaint");
  if (!text) return 0;
  std::optional<uint64_t> value = ParseDecimal(*text);
  // A value that does not fit is not a real interval: read such a stream as
  // having no metadata rather than cutting its audio at random places.
  if (!value || *value > 0x7fffffff) return 0;
  return static_cast<uint32_t>(*value);
}

StreamBody::StreamBody(const HttpAnswer& head, bool metadata)
    : metaint_(MetaintOf(head, metadata)), demux_(metaint_) {
  if (IsChunked(head)) {
    chunked_.emplace();
  } else if (head.kind() == HttpAnswer::Kind::kHttp) {
    if (std::optional<std::string_view> cl = head.Header("content-length")) length_left_ = ParseDecimal(*cl);
    has_length_ = length_left_.has_value();
    if (length_left_ && *length_left_ == 0) complete_ = true;
  }
}

void StreamBody::Feed(std::span<const uint8_t> received, std::vector<uint8_t>& audio,
                      const IcyDemux::MetaHandler& on_meta) {
  if (complete_ || malformed_) return;
  if (length_left_) {
    if (received.size() >= *length_left_) {
      received = received.first(static_cast<size_t>(*length_left_));
      complete_ = true;
    }
    *length_left_ -= received.size();
  }
  if (chunked_) {
    dechunked_.clear();
    if (!chunked_->Feed(received, dechunked_)) malformed_ = true;
    if (chunked_->done()) complete_ = true;
    demux_.Feed(dechunked_, audio, on_meta);
  } else {
    demux_.Feed(received, audio, on_meta);
  }
}
