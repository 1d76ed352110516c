// The body of a stream answer, from received bytes to audio: the declared
// length ends it, chunked coding is removed, then ICY metadata is taken out.
// A push pipeline fed with whatever each network read returned. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/net/chunked.h"
#include "engine/net/http_answer.h"
#include "engine/net/icy_demux.h"

class StreamBody {
 public:
  // Configured from the answer head: Transfer-Encoding: chunked (HTTP only),
  // Content-Length (when not chunked), icy-metaint (when `metadata` is true).
  StreamBody(const HttpAnswer& head, bool metadata);

  // Takes received bytes; appends audio to `audio`, reports metadata blocks.
  void Feed(std::span<const uint8_t> received, std::vector<uint8_t>& audio,
            const IcyDemux::MetaHandler& on_meta);

  // The body is complete (declared length reached, last chunk seen); later
  // bytes are ignored.
  bool complete() const { return complete_; }
  // The chunked coding was malformed; later bytes are ignored.
  bool malformed() const { return malformed_; }
  // The answer declared the body's length: a file, not a live stream (a live
  // one may still be chunked).
  bool has_length() const { return has_length_; }
  // The body comes in chunks (its end is the last chunk).
  bool chunked() const { return chunked_.has_value(); }

  uint32_t metaint() const { return metaint_; }        // bytes, 0 = no metadata
  const IcyDemux& demux() const { return demux_; }

 private:
  static uint32_t MetaintOf(const HttpAnswer& head, bool metadata);

  std::optional<uint64_t> length_left_;    // bytes of body still expected, none = until close
  std::optional<ChunkedDecoder> chunked_;  // set for a chunked body
  uint32_t metaint_;
  IcyDemux demux_;
  std::vector<uint8_t> dechunked_;  // scratch
  bool has_length_ = false;
  bool complete_ = false;
  bool malformed_ = false;
};
