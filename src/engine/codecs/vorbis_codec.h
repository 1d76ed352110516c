// One Vorbis logical stream decoded from its Ogg pages, through stb_vorbis's
// push interface. stb_vorbis is compiled in vorbis_codec.cpp only, which is
// the one file that sees its header. Portable.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/codecs/decoder_pipeline.h"

class VorbisCodec {
 public:
  VorbisCodec() = default;
  ~VorbisCodec();
  VorbisCodec(const VorbisCodec&) = delete;
  VorbisCodec& operator=(const VorbisCodec&) = delete;

  // A new logical stream starts with the next page (its first page, holding
  // the identification header): the decoder of the old one goes.
  void Restart();
  // The next page does not continue the one before (bytes lost): the decoder
  // keeps its headers and resumes at the next whole packet.
  void Flush();
  // Takes one whole page of the stream (headers first, then audio) and
  // appends what it decodes to `pcm` as interleaved 16-bit samples laid out as
  // `format` says. `headers_complete`: the stream's three header packets have
  // all arrived with this page or before (and the caller found the comment
  // header sound); the decoder is made only then. False when the page could
  // not be used: headers that are not Vorbis or are broken (the stream stays
  // silent until the next Restart).
  bool Feed(std::span<const uint8_t> page, bool headers_complete, std::vector<int16_t>& pcm, PcmFormat& format);

  bool Open() const { return handle_ != nullptr; }
  uint32_t SampleRate() const { return rate_; }
  uint32_t Channels() const { return channels_; }

 private:
  void Close();

  void* handle_ = nullptr;  // the stb_vorbis decoder
  bool failed_ = false;     // the headers were refused
  uint32_t rate_ = 0, channels_ = 0;
  std::vector<uint8_t> pending_;  // bytes fed but not yet taken by the decoder
  std::vector<char> arena_;       // all of the decoder's memory
};
