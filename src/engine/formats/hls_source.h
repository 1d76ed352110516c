// An HLS live or on-demand stream as one byte stream of elementary audio:
// the media playlist reloaded on the schedule RFC 8216 asks for, segments
// followed by media sequence number and fetched over one kept-alive HTTP/1.1
// connection per host (of the last few used), their transport stream
// demultiplexed (or packed audio freed of its ID3 tags), and titles (EXTINF
// attributes, ID3 frames) turned into ICY-style metadata text. Runs over the
// stream's Network; the request setup (proxy, TLS) is the session's. Portable.
//
// Threads: made and opened on the opener's thread, then used by the download
// thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/formats/fmp4.h"
#include "engine/formats/hls_crypt.h"
#include "engine/formats/hls_playlist.h"
#include "engine/formats/mpeg_ts.h"
#include "engine/net/chunked.h"
#include "engine/net/http_answer.h"
#include "engine/net/icy_demux.h"
#include "engine/net/network.h"
#include "engine/net/stream_body.h"
#include "engine/net/url.h"

class Connection;
class Network;

// A segment's bytes to audio: a transport stream demultiplexed, packed audio
// (ADTS, MPEG audio) after the ID3 tags that start it, or fragmented MP4 (whole
// segments, given their initialisation) as ADTS. A push reader for one
// segment after another.
class HlsSegmentReader {
 public:
  using TitleHandler = std::function<void(const std::string& artist, const std::string& title)>;

  // A new segment starts; `discontinuity`: it need not continue the one before.
  // `fmp4`: the segment is fragmented MP4 of this track (null: it is not).
  void Begin(bool discontinuity, const Fmp4Audio* fmp4 = nullptr);
  void Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio, const TitleHandler& on_title);
  // The segment's last byte has come.
  void End(std::vector<uint8_t>& audio, const TitleHandler& on_title);
  // The codec the container says, kUnknown for packed audio (found in its frames).
  AudioCodec codec_hint() const { return fmp4_ ? AudioCodec::kAac : ts_.codec(); }
  // The station name (TRSN) of the newest ID3 tag that gave one, empty until one did.
  const std::string& station() const { return station_; }

 private:
  enum class State { kDetect, kId3, kTs, kPacked, kFmp4 };
  void Id3Tag(std::span<const uint8_t> tag, const TitleHandler& on_title);
  void Id3Done(const TitleHandler& on_title);

  State state_ = State::kDetect;
  std::vector<uint8_t> head_;  // bytes held until the segment's kind is known, or an ID3 tag
  size_t id3_left_ = 0;        // bytes of the ID3 tag still to come
  TsDemux ts_;
  std::optional<Fmp4Audio> fmp4_;  // the current segment's track when it is fragmented MP4
  bool too_large_ = false;         // an fMP4 segment past kMaxFmp4SegmentBytes: dropped
  std::string station_;            // TRSN of the newest ID3 tag that had one
};

class HlsSource {
 public:
  enum class Result { kAudio, kEnd, kClosed };
  // Opens a connection for `url` (through the proxy, TLS when the address
  // says so) and fills in how the request must be written.
  using Connector = std::function<int(const Url& url, uint32_t connect_timeout_ms, RequestOptions& request,
                                      std::unique_ptr<Connection>& connection)>;

  HlsSource(Network& network, const NetOptions& options, Connector connect);
  ~HlsSource();
  HlsSource(const HlsSource&) = delete;
  HlsSource& operator=(const HlsSource&) = delete;

  // Starts from the HLS playlist `text` received from `url`: a master playlist
  // leads to the media playlist chosen; then where to start. kErrorOk or why not.
  [[nodiscard]] int Open(const Url& url, std::string_view text);

  // Appends the next audio to `audio` (at most one segment's worth of reads,
  // never past a segment that starts a discontinuity, which is then reported
  // with the audio that follows it). Titles go to `on_meta` when they change.
  Result Next(std::vector<uint8_t>& audio, bool& discontinuity, const IcyDemux::MetaHandler& on_meta);

  // While opening, a segment that cannot be had ends the stream (Next returns
  // kEnd) instead of being skipped; off once the format is known.
  void set_opening(bool opening) { opening_ = opening; }
  int last_error() const { return last_error_; }
  AudioCodec codec_hint() const { return reader_.codec_hint(); }
  uint64_t bandwidth() const { return bandwidth_; }                 // bits/s of the variant chosen, 0 unknown
  const std::string& media_address() const { return media_address_; }
  // The name the stream gives itself: its playlist's (the master playlist's,
  // else the media playlist's, HlsPlaylistName), else the station name of its
  // segments' ID3 tags. UTF-8; empty when it gives none.
  const std::string& name() const { return playlist_name_.empty() ? reader_.station() : playlist_name_; }
  uint64_t next_sequence() const { return next_sequence_; }        // the next segment to fetch
  uint64_t skipped_segments() const { return skipped_segments_; }  // failed or expired, never heard
  uint64_t playlist_loads() const { return playlist_loads_; }

 private:
  struct Host;
  // One request and its answer's head, on the host's kept connection (made
  // when there is none, or again when the server closed it), following
  // redirects. The body is then read with ReadBody.
  int Begin(Url& url, uint64_t offset, HttpAnswer& head);
  // One read of the current answer's body; `done` once it is complete.
  int ReadBody(std::vector<uint8_t>& out, bool& done);
  // Ends the current answer: its connection is kept when the body ended where
  // the answer said and the server keeps connections.
  void EndBody(bool complete);
  // The whole body of `url` (updated to where redirects led) as text, within
  // kTextFetchMs of the request (kErrorTimeout after it).
  int FetchText(Url& url, std::string& text);
  int FetchTextInTime(Url& url, std::string& text);
  // The wait allowed for one network step of at most `timeout_ms`: less when
  // the current fetch's deadline comes sooner, 0 once it has passed.
  uint32_t WaitMs(uint32_t timeout_ms) const;
  // Loads the media playlist again, retrying with the reconnect back-off;
  // false when it could not be had in the time allowed or the stream closed.
  bool Reload();
  // Fetches and reads the fMP4 initialisation segment at `address`.
  int LoadInit(const std::string& address);
  // Fetches the AES-128 key at `address` and makes its cipher.
  int LoadKey(const std::string& address);
  // Decrypts `bytes` of an encrypted segment (or, `end`, its last block) to
  // plain_; false when they cannot be.
  bool Decrypt(std::span<const uint8_t> bytes, bool end);
  // The wait before retry `attempt` (0 = the first) of a server out of reach.
  uint32_t RetryDelayMs(int attempt) const;
  // Takes a media playlist loaded at `began_ms` (when its request began).
  void Apply(HlsMedia media, const std::string& text, uint64_t began_ms);
  const HlsSegment* NextSegment() const;
  // Requests `segment` (again, resuming where it broke off, after a failure).
  int StartSegment(const HlsSegment& segment, bool discontinuity);
  // The current segment could not be had (at `error`): tried once more, then
  // skipped. False when the stream ends here (while opening).
  bool SegmentFailed(int error);
  // Goes on with the segment after the current one, never heard; false when
  // the stream ends here (while opening).
  bool SkipSegment();
  void Title(const std::string& artist, const std::string& title, const IcyDemux::MetaHandler& on_meta);

  Network& network_;
  const NetOptions options_;
  Connector connect_;
  std::vector<std::unique_ptr<Host>> hosts_;  // kept connections, one per scheme, host and port, by last use
  Host* current_host_ = nullptr;              // the one whose answer is being read
  std::unique_ptr<StreamBody> body_;          // that answer's body
  std::vector<uint8_t> pending_;              // body bytes that came with its head, not yet read
  uint64_t fetch_deadline_ms_ = 0;            // when the current FetchText gives up, 0 = no such fetch

  std::string media_address_;
  std::string playlist_name_;    // HlsPlaylistName of the playlist opened, empty = none
  uint64_t bandwidth_ = 0;
  HlsMedia media_;
  std::string media_text_;       // the last playlist text loaded
  bool loaded_ = false;          // the media playlist was loaded once
  uint64_t next_sequence_ = 0;
  uint64_t reload_at_ms_ = 0;    // when the playlist is loaded again
  uint64_t last_new_segment_ms_ = 0;  // when a load last brought a new segment
  bool pending_discontinuity_ = false;
  bool opening_ = false;
  int last_error_ = kErrorOk;

  // The segment being read.
  bool in_segment_ = false;
  HlsSegment segment_;
  uint64_t segment_bytes_ = 0;   // body bytes of it taken so far (a retry resumes there)
  uint64_t discard_bytes_ = 0;   // bytes to drop of a retried answer that started from the beginning
  bool has_segment_ = false;     // segment_ is begun and not yet done or skipped
  int segment_attempts_ = 0;     // failed tries of it (the server answering)
  bool outage_ = false;          // the server was out of reach at the last try
  uint64_t outage_since_ms_ = 0;
  int outage_attempt_ = 0;
  bool announced_ = false;       // its discontinuity and title were given out
  HlsSegmentReader reader_;
  std::string init_address_;     // the fMP4 initialisation segment read, empty = none
  Fmp4Audio init_;               // what it said
  std::string key_address_;      // the AES-128 key fetched, empty = none
  std::shared_ptr<BlockDecryptor> cipher_;  // for that key; decryptor_ shares it
  bool encrypted_ = false;       // the current segment is AES-128
  SegmentDecryptor decryptor_;   // its chaining
  std::vector<uint8_t> plain_;   // one read's bytes decrypted
  std::string last_meta_;

  uint64_t skipped_segments_ = 0;
  uint64_t playlist_loads_ = 0;
  std::vector<uint8_t> raw_;     // one network read
  std::vector<uint8_t> piece_;   // one read's body bytes
};
