// Ogg pages and packets (RFC 3533), and what the engine reads from the Vorbis
// headers inside them. Portable.
//
// An Ogg stream is a run of pages, each with a capture pattern "OggS", a CRC
// over the whole page, the serial number of the logical stream it belongs to
// and a lacing table that cuts its body into packets; a packet may go on over
// several pages. Internet radio sends chained streams: each new track starts a
// new logical stream (a page flagged "beginning of stream", usually a new
// serial) with its own headers, so rate, channels and comments may change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/formats/stream_format.h"

inline constexpr size_t kOggHeaderBytes = 27;  // before the lacing table
inline constexpr size_t kOggMaxPageBytes = kOggHeaderBytes + 255 + 255 * 255;
// A packet longer than this is dropped (a comment header with pictures can be
// large; audio packets are a few kilobytes).
inline constexpr size_t kOggMaxPacketBytes = 1 << 20;
// Logical streams followed at once (grouped streams of one file); more are ignored.
inline constexpr size_t kOggMaxStreams = 8;

// The page CRC: polynomial 0x04c11db7, no reflection, initial value 0, over the
// page with its CRC field taken as zero.
uint32_t OggCrc(std::span<const uint8_t> page);

struct OggPacket {
  std::vector<uint8_t> data;
  // The first packet of its logical stream (it began on the stream's first page).
  bool first = false;
};

struct OggPage {
  uint32_t serial = 0;
  uint32_t sequence = 0;
  int64_t granule = -1;  // -1: no packet ends on this page
  bool continued = false;  // the body starts with the rest of a packet of the previous page
  bool bos = false;        // first page of a logical stream
  bool eos = false;        // last page of a logical stream
  std::span<const uint8_t> bytes;  // the whole page; valid until the next Push, Next or Reset
  uint64_t position = 0;           // offset of its first byte in all the bytes pushed
  // Packets completed on this page, of this page's stream.
  std::vector<OggPacket> packets;
};

// Push parser: Push arbitrary chunks, take whole CRC-checked pages with Next.
// Bytes that are not part of a valid page (junk, a page cut by a reconnect, a
// page whose CRC fails) are skipped. One thread at a time.
class OggReader {
 public:
  void Push(std::span<const uint8_t> data);
  std::optional<OggPage> Next();
  // Forgets buffered bytes and partial packets (a break in the byte stream).
  void Reset();

  uint64_t SkippedBytes() const { return skipped_; }
  uint64_t BadCrcPages() const { return bad_crc_; }
  size_t Buffered() const { return buffer_.size() - pos_; }

 private:
  struct Partial {
    std::vector<uint8_t> data;  // the open packet so far
    bool open = false;          // a packet goes on on the next page
    bool dropping = false;      // the open packet is too long or lost its start: dropped
    bool first = false;         // the open packet is the stream's first
    bool has_sequence = false;  // a page of the stream was seen
    uint32_t next_sequence = 0;
    uint64_t last_page = 0;     // when its last page came, in pages read
  };
  void Assemble(OggPage& page, std::span<const uint8_t> lacing, std::span<const uint8_t> body);
  void Skip(size_t n);
  void Compact();

  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  uint64_t base_ = 0;  // bytes pushed before buffer_[0]
  std::map<uint32_t, Partial> streams_;  // at most kOggMaxStreams
  uint64_t pages_ = 0;                   // pages assembled so far
  uint64_t skipped_ = 0;
  uint64_t bad_crc_ = 0;
};

// The Vorbis identification header (the first packet of a Vorbis stream).
struct VorbisId {
  uint32_t sample_rate = 0;
  uint32_t channels = 0;
  uint32_t bitrate = 0;  // nominal, else maximum; 0 when the stream says neither
};
std::optional<VorbisId> ParseVorbisId(std::span<const uint8_t> packet);

// The Opus identification header (OpusHead, the first packet of an Opus
// stream). Channel mapping families 0 (mono, stereo) and 1 (Vorbis order, up to
// eight channels) are taken; others are not.
struct OpusHead {
  uint32_t channels = 0;         // output channels
  uint32_t pre_skip = 0;         // samples at 48 kHz to drop at the start of the stream
  uint32_t input_rate = 0;       // Hz of the encoder's input, 0 = not said; informational
  int32_t output_gain = 0;       // Q7.8 dB, applied by the decoder
  uint32_t mapping_family = 0;
  uint32_t streams = 1;          // Opus streams in each packet
  uint32_t coupled = 0;          // of them, stereo ones
  uint8_t mapping[8] = {0, 1};   // decoded channel of each output channel (255 = silence)
};
std::optional<OpusHead> ParseOpusHead(std::span<const uint8_t> packet);

// FLAC's STREAMINFO metadata block (its 34-byte body).
struct FlacStreamInfo {
  uint32_t min_block = 0, max_block = 0;  // samples per frame
  uint32_t min_frame = 0, max_frame = 0;  // bytes per frame, 0 = not said
  uint32_t sample_rate = 0;               // Hz
  uint32_t channels = 0;                  // 1..8
  uint32_t bits = 0;                      // bits per sample, 4..32
};
inline constexpr size_t kFlacStreamInfoBytes = 34;
// What a FLAC stream costs, for sizing buffers before any frame is seen: five
// eighths of its PCM's bits (music keeps a half to two thirds of them).
constexpr uint32_t FlacBitrateEstimate(uint32_t sample_rate, uint32_t channels, uint32_t bits) {
  const uint64_t pcm = uint64_t(sample_rate) * channels * bits;
  return uint32_t(pcm * 5 / 8 > 0xffffffffu ? 0xffffffffu : pcm * 5 / 8);
}
std::optional<FlacStreamInfo> ParseFlacStreamInfo(std::span<const uint8_t> body);

// The first packet of a FLAC stream in Ogg: the mapping's head, then "fLaC"
// and the STREAMINFO block. The header packets after it are metadata blocks
// (one each, with its 4-byte block header), then each packet is one frame.
struct OggFlacHead {
  FlacStreamInfo info;
  uint32_t header_packets = 0;  // metadata packets that follow, 0 = not said
};
std::optional<OggFlacHead> ParseOggFlacHead(std::span<const uint8_t> packet);

// The metadata blocks at the start of a native FLAC stream ("fLaC", then
// blocks, the last one flagged).
struct FlacHeaders {
  FlacStreamInfo info;
  std::optional<std::vector<std::pair<std::string, std::string>>> comments;  // VORBIS_COMMENT
  size_t bytes = 0;  // from "fLaC" to the first frame
};
enum class FlacHeadersResult { kDone, kNeedMore, kInvalid };
// Reads the headers at the start of `data` (which starts with "fLaC"). Blocks
// longer than `max_bytes` in all are refused (kInvalid), so that a hostile
// length cannot make the caller gather without end.
FlacHeadersResult ParseFlacHeaders(std::span<const uint8_t> data, size_t max_bytes, FlacHeaders& out);

// Which codec a logical stream's first packet starts (Vorbis, Opus, FLAC);
// kUnknown for any other (Speex, Theora, Skeleton ...).
AudioCodec OggStreamCodec(std::span<const uint8_t> first_packet);

// The comments of a Vorbis comment header (the second packet): "KEY=value"
// entries with upper-cased keys, in order; nullopt when it is not one.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseVorbisComments(
    std::span<const uint8_t> packet);

// The same comments from an Opus stream's OpusTags packet, and from the body of
// a FLAC VORBIS_COMMENT block (no prefix, no framing bit).
std::optional<std::vector<std::pair<std::string, std::string>>> ParseOpusTags(std::span<const uint8_t> packet);
std::optional<std::vector<std::pair<std::string, std::string>>> ParseCommentList(std::span<const uint8_t> body);

// The metadata text the program reads for a stream with these comments:
// "StreamTitle='Artist - Title';" (just the title, or just the artist, when the
// other is missing; empty quotes when both are).
std::string VorbisTitleMeta(const std::vector<std::pair<std::string, std::string>>& comments);

// The station's name in a stream's comments: STATION, STATIONNAME or
// STATION_NAME, else ORGANIZATION (the first non-blank one, control characters
// as spaces, trimmed); empty when there is none.
std::string VorbisStationName(const std::vector<std::pair<std::string, std::string>>& comments);

// Looks for an Ogg stream in `data`: the first logical stream whose first page
// is found and whose codec is known. For Vorbis the format comes from its
// identification header (Opus: 48 kHz and OpusHead's channels; FLAC: its
// STREAMINFO); `offset` is where that stream's first page starts. Also
// recognises a native FLAC stream ("fLaC" at the start). Portable.
std::optional<StreamFormat> ProbeOgg(std::span<const uint8_t> data);

// Follows the titles of a chained Ogg stream (Vorbis, Opus or FLAC) on the
// download side: fed the stream's bytes, it reports the metadata text of each
// new logical stream's comments. A native FLAC stream (one that starts with
// "fLaC") has its comments in the metadata blocks it starts with. One thread
// at a time.
class OggTitles {
 public:
  // Takes bytes; returns the metadata text of the newest comment header among
  // them, if any arrived.
  std::optional<std::string> Feed(std::span<const uint8_t> data);
  // The station name of the newest comments that named one (VorbisStationName),
  // empty until some did. A later stream that names none leaves it.
  const std::string& station() const { return station_; }
  // A break in the bytes: what follows is read afresh.
  void Reset() {
    reader_.Reset();
    head_.clear();
    decided_ = native_ = false;
  }

 private:
  std::optional<std::string> FeedOgg(std::span<const uint8_t> data);
  void Comments(const std::vector<std::pair<std::string, std::string>>& comments);

  bool decided_ = false;       // the first bytes said whether it is native FLAC
  bool native_ = false;        // native FLAC whose headers are still being gathered
  std::vector<uint8_t> head_;  // the first bytes, until decided; native FLAC's headers so far
  OggReader reader_;
  struct Followed {
    AudioCodec codec = AudioCodec::kUnknown;
    uint32_t packets = 0;  // seen so far, the first one included
    uint32_t headers = 0;  // FLAC: header packets after the first, 0 = not said
  };
  std::map<uint32_t, Followed> streams_;  // serial -> a stream whose comments are awaited
  std::string station_;
};
