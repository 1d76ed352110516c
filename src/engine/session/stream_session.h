// The connection policy of one internet stream, over a small connection
// interface so that it runs (and is tested) without a network: the request and
// its answer, redirects, playlists, the format probe and the bit-rate fallback
// while opening; then the one receive loop that feeds the download buffer,
// with reconnection after a drop and the splice that keeps a server's burst
// from repeating audio. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/codecs/decoder.h"
#include "engine/formats/hls_source.h"
#include "engine/formats/playlist.h"
#include "engine/net/http_answer.h"
#include "engine/net/icy_demux.h"
#include "engine/net/network.h"
#include "engine/net/stream_body.h"
#include "engine/net/url.h"
#include "engine/session/splice.h"

// How long a new connection's audio is held while its burst may still bring
// the tail of the old audio.
inline constexpr uint64_t kSpliceWaitMs = 600;
// How much longer it is held when, by then, too little has come to tell old
// audio from new (kSpliceProbeBytes).
inline constexpr uint64_t kSpliceSlowWaitMs = 1200;
// Audio kept for matching: more than any server's burst on connect.
inline constexpr size_t kSpliceHistoryBytes = 256 * 1024;
// A live stream's bytes arrive all the time: a connection silent this long is
// taken as stalled (a dead link that sends neither data nor a reset), and a
// new connection is made beside it long before the buffer runs dry. The old
// one is closed once the new one delivers; the read time-out still ends it
// when no new connection can be made. A server seen to pause longer between
// its pieces is allowed twice its longest pause, up to twice this.
inline constexpr uint32_t kStallMs = 2000;

class StreamSession {
 public:
  // Called with the status line of each answer while opening (not on
  // reconnects: the program hears of the stream once).
  using StatusProc = std::function<void(const std::string& line)>;

  // Whether a decoder for a codec exists here.
  using CodecCheck = std::function<bool(AudioCodec)>;

  StreamSession(Network& network, const NetOptions& options, CodecCheck codec_available);

  // ---- Opening, on the opener's thread ----
  // Connects to `address`, follows redirects, resolves playlists when the
  // options say so, and probes the audio format. kErrorOk or the error code.
  [[nodiscard]] int Open(const std::string& address, uint64_t offset, const StatusProc& status);
  const StreamFormat& format() const { return format_; }
  uint32_t bitrate() const { return bitrate_; }  // bits/s; icy-br when the frames don't say; 0 unknown
  const std::string& http_tags() const { return http_tags_; }  // empty for an ICY answer
  const std::string& icy_tags() const { return icy_tags_; }    // empty for an HTTP answer
  const std::string& first_meta() const { return first_meta_; }  // newest metadata seen while opening
  // The name the stream gives itself in what it carries, UTF-8, empty = none:
  // an HLS stream's (HlsSource::name, which its download may still find),
  // else the station name (TRSN) of an ID3 tag at the start of a plain stream.
  // The opener's thread while opening, then the download thread's.
  const std::string& own_name() const { return hls_ ? hls_->name() : own_name_; }
  // The probed audio from the first agreeing frame on (once).
  std::vector<uint8_t> TakeAudio() { return std::move(audio_); }
  const Url& url() const { return url_; }  // where the audio came from, after redirects and playlists

  // ---- Downloading, on the download thread ----
  enum class Next {
    kAudio,   // bytes were appended
    kEnd,     // the stream ended for good: a clean end, or reconnection gave up
    kClosed,  // the stream was closed
  };
  // The receive loop: appends the next audio to `audio`; `discontinuity` is set
  // when it does not continue the audio before it byte for byte (a reconnect
  // without overlap), so the decoder resynchronises there. Metadata blocks go
  // to `on_meta` as they arrive.
  Next Receive(std::vector<uint8_t>& audio, bool& discontinuity, const IcyDemux::MetaHandler& on_meta);
  // While Receive calls `on_meta`: where in its `audio` the block stands (the
  // number of audio bytes before it). Exact for audio that passes straight
  // on; while a reconnect's audio is being matched, the end of `audio` so far.
  size_t meta_at() const { return meta_at_; }
  int reconnects() const { return reconnects_; }
  uint64_t repeated_bytes() const { return splicer_.RepeatedBytes(); }

 private:
  // One request: connects (through the proxy, TLS when the address says so),
  // sends, reads the answer's head. Then the redirects.
  int Request(const Url& url, uint64_t offset, uint32_t connect_timeout_ms, HttpAnswer& head,
              std::unique_ptr<Connection>& connection);
  // Connects for `url`: directly or to the proxy (a tunnel for https), TLS
  // when the address says so; `request` says how the request is then written.
  int Connect(const Url& url, uint32_t connect_timeout_ms, RequestOptions& request,
              std::unique_ptr<Connection>& connection);
  int RequestFollowingRedirects(Url& url, uint64_t offset, uint32_t connect_timeout_ms,
                                const StatusProc* status, HttpAnswer& head,
                                std::unique_ptr<Connection>& connection);
  int OpenAt(const std::string& address, uint64_t offset, bool playlists, const StatusProc& status);
  // `playlists`: a PLS or plain M3U list is followed (an HLS one always is).
  int OpenPlaylist(PlaylistKind kind, const Url& url, std::unique_ptr<Connection> connection,
                   HttpAnswer& head, bool playlists, const StatusProc& status);
  int OpenAudio(AudioCodec hint, const Url& url, std::unique_ptr<Connection> connection, HttpAnswer& head);
  // The HLS playlist `text` that `url` answered with `head`: becomes the stream.
  int OpenHls(const Url& url, std::string_view text, const HttpAnswer& head);
  // Reads the rest of a playlist body into `text` (up to the largest size
  // taken, plus a byte to tell that it is larger).
  int ReadText(Connection& connection, StreamBody& body, std::vector<uint8_t>& text);
  static bool StartsAsM3u(std::span<const uint8_t> data);
  // The one read: waits for bytes on `connection` (at most `timeout_ms`) and
  // passes them through `body`; audio to `audio`, metadata to `on_meta`.
  int ReceiveBody(Connection& connection, StreamBody& body, uint32_t timeout_ms,
                  std::vector<uint8_t>& audio, const IcyDemux::MetaHandler& on_meta, size_t& got);
  // A new connection after a drop; false when the attempts are used up or the
  // stream was closed.
  bool Reconnect(std::vector<uint8_t>& audio, bool& discontinuity, const IcyDemux::MetaHandler& on_meta);
  // One request to the address that played, for a reconnect; kErrorOk only
  // with an answer that still sends the same kind of audio.
  int RequestAgain(uint32_t connect_timeout_ms, HttpAnswer& head, std::unique_ptr<Connection>& connection);
  // Takes `connection` as the current one and starts matching its audio.
  void Adopt(std::unique_ptr<Connection> connection, const HttpAnswer& head, std::vector<uint8_t>& audio,
             bool& discontinuity, const IcyDemux::MetaHandler& on_meta);
  // The current connection went silent: a new one beside it. False when none
  // could be made now (the next try is due at side_retry_ms_).
  bool ConnectBeside(std::vector<uint8_t>& audio, bool& discontinuity, const IcyDemux::MetaHandler& on_meta);
  void DropStalled();

  Network& network_;
  const NetOptions options_;
  const CodecCheck codec_available_;
  std::vector<uint8_t> raw_;  // the receive buffer

  // Found while opening.
  Url url_;
  StreamFormat format_;
  uint32_t bitrate_ = 0;
  std::string http_tags_, icy_tags_, first_meta_;
  std::string own_name_;  // a plain stream's: TRSN of the ID3 tag it starts with
  std::vector<uint8_t> audio_;

  // An HLS stream: it downloads on its own, and the rest below is unused.
  std::unique_ptr<HlsSource> hls_;

  // The current connection while downloading.
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<StreamBody> body_;
  bool live_ = true;              // no declared length: a drop is reconnected
  uint64_t last_data_ms_ = 0;     // when bytes last arrived
  uint64_t dropped_ms_ = 0;       // when the connection was lost
  bool outage_ = false;           // lost, and no new audio since
  int attempt_ = 0;               // reconnection attempts in this outage
  // A connection that stalled, kept open while the one made beside it has
  // not delivered new audio yet.
  std::unique_ptr<Connection> stalled_;
  std::unique_ptr<StreamBody> stalled_body_;
  int side_attempt_ = 0;          // connections tried beside a stalled one
  uint64_t side_retry_ms_ = 0;    // when the next may be tried
  uint64_t longest_quiet_ms_ = 0;  // the longest wait for bytes that ended with bytes
  uint64_t splice_deadline_ms_ = 0;
  uint64_t splice_limit_ms_ = 0;  // the deadline while too little has come to decide
  Splicer splicer_{kSpliceHistoryBytes};
  std::vector<uint8_t> piece_;    // scratch: one read's audio
  int reconnects_ = 0;
  size_t meta_at_ = 0;  // see meta_at()
};
