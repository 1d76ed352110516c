#include "engine/session/stream_session.h"

#include <algorithm>

#include "engine/formats/hls_playlist.h"
#include "engine/formats/id3.h"
#include "engine/formats/playlist.h"
#include "engine/net/engine_error.h"

namespace {

constexpr size_t kSessionReadBytes = 16 * 1024;       // one network read
constexpr size_t kMaxProbeBytes = 256 * 1024;  // audio searched for three agreeing frames
constexpr uint32_t kMinAttemptMs = 1000;       // a reconnect attempt's connect time-out, at least

}  // namespace

StreamSession::StreamSession(Network& network, const NetOptions& options, CodecCheck codec_available)
    : network_(network), options_(options), codec_available_(std::move(codec_available)), raw_(kSessionReadBytes) {}

int StreamSession::Open(const std::string& address, uint64_t offset, const StatusProc& status) {
  return OpenAt(address, offset, options_.resolve_playlists, status);
}

int StreamSession::Request(const Url& url, uint64_t offset, uint32_t connect_timeout_ms, HttpAnswer& head,
                           std::unique_ptr<Connection>& connection) {
  RequestOptions request;
  if (int error = Connect(url, connect_timeout_ms, request, connection); error != kErrorOk) return error;
  request.offset = offset;
  const uint32_t timeout = options_.read_timeout_ms;
  if (int error = connection->Send(BuildRequest(url, request), timeout); error != kErrorOk) return error;
  while (head.state() == HttpAnswer::State::kHead) {
    size_t got = 0;
    if (int error = connection->Receive(raw_.data(), raw_.size(), timeout, got); error != kErrorOk) return error;
    if (got == 0) return kErrorNoConnection;  // closed before answering
    head.Feed(std::span<const uint8_t>(raw_.data(), got));
  }
  if (head.state() == HttpAnswer::State::kError) return kErrorBadAnswer;
  return kErrorOk;
}

int StreamSession::Connect(const Url& url, uint32_t connect_timeout_ms, RequestOptions& request,
                           std::unique_ptr<Connection>& connection) {
  Url target = url;
  Url proxy;
  const bool via_proxy = !options_.proxy.empty();
  if (via_proxy) {
    if (int error = ParseUrl("http://" + options_.proxy, proxy); error != kErrorOk) return error;
    target = proxy;
  }
  connection.reset();
  if (int error = network_.Connect(target.host, target.port, connect_timeout_ms, connection); error != kErrorOk)
    return error;
  const uint32_t timeout = options_.read_timeout_ms;
  if (via_proxy && url.secure) {
    // A tunnel through the proxy; the request itself then goes inside TLS.
    if (int error = connection->Send(BuildConnectRequest(url, proxy.userinfo), timeout); error != kErrorOk)
      return error;
    HttpAnswer tunnel;
    while (tunnel.state() == HttpAnswer::State::kHead) {
      size_t got = 0;
      if (int error = connection->Receive(raw_.data(), raw_.size(), timeout, got); error != kErrorOk) return error;
      if (got == 0) return kErrorNoConnection;
      tunnel.Feed(std::span<const uint8_t>(raw_.data(), got));
    }
    if (tunnel.state() == HttpAnswer::State::kError) return kErrorBadAnswer;
    if (tunnel.status() / 100 != 2) return kErrorNoConnection;
  } else if (via_proxy) {
    request.via_proxy = true;
    request.proxy_userinfo = proxy.userinfo;
  }
  if (url.secure) {
    if (int error = network_.StartTls(url.host, connect_timeout_ms, connection); error != kErrorOk) return error;
  }
  return kErrorOk;
}

int StreamSession::RequestFollowingRedirects(Url& url, uint64_t offset, uint32_t connect_timeout_ms,
                                             const StatusProc* status, HttpAnswer& head,
                                             std::unique_ptr<Connection>& connection) {
  for (int redirects = 0;; ++redirects) {
    head = HttpAnswer();
    if (int error = Request(url, offset, connect_timeout_ms, head, connection); error != kErrorOk) return error;
    if (status && *status) (*status)(head.status_line());
    if (!IsRedirect(head.status())) break;
    if (int error = FollowRedirect(head, redirects, url); error != kErrorOk) return error;
  }
  return head.status() / 100 == 2 ? kErrorOk : kErrorHttp;
}

int StreamSession::OpenAt(const std::string& address, uint64_t offset, bool playlists, const StatusProc& status) {
  Url url;
  if (int error = ParseUrl(address, url); error != kErrorOk) return error;
  std::unique_ptr<Connection> connection;
  HttpAnswer head;
  if (int error = RequestFollowingRedirects(url, offset, options_.connect_timeout_ms, &status, head, connection);
      error != kErrorOk)
    return error;
  std::string content_type(head.Header("content-type").value_or(""));
  PlaylistKind kind = DetectPlaylist(content_type, url.path);
  // An M3U answer may be HLS, which is a stream, not a list of streams: it is
  // read even inside a playlist.
  if ((playlists && kind != PlaylistKind::kNone) || kind == PlaylistKind::kM3u)
    return OpenPlaylist(kind, url, std::move(connection), head, playlists, status);
  url_ = url;
  return OpenAudio(CodecFromContentType(content_type), url, std::move(connection), head);
}

int StreamSession::ReceiveBody(Connection& connection, StreamBody& body, uint32_t timeout_ms,
                               std::vector<uint8_t>& audio, const IcyDemux::MetaHandler& on_meta, size_t& got) {
  got = 0;
  if (int error = connection.Receive(raw_.data(), raw_.size(), timeout_ms, got); error != kErrorOk) return error;
  body.Feed(std::span<const uint8_t>(raw_.data(), got), audio, on_meta);
  return kErrorOk;
}

int StreamSession::ReadText(Connection& connection, StreamBody& body, std::vector<uint8_t>& text) {
  while (!body.complete() && !body.malformed() && text.size() <= kMaxHlsPlaylistBytes) {
    size_t got = 0;
    if (int error = ReceiveBody(connection, body, options_.read_timeout_ms, text, nullptr, got); error != kErrorOk)
      return error;
    if (got == 0) break;
  }
  return kErrorOk;
}

int StreamSession::OpenPlaylist(PlaylistKind kind, const Url& url, std::unique_ptr<Connection> connection,
                                HttpAnswer& head, bool playlists, const StatusProc& status) {
  StreamBody body(head, false);
  std::vector<uint8_t> text;
  body.Feed(head.body(), text, nullptr);
  if (int error = ReadText(*connection, body, text); error != kErrorOk) return error;
  connection.reset();
  const std::string_view whole(reinterpret_cast<const char*>(text.data()), text.size());
  if (kind == PlaylistKind::kM3u && IsHlsPlaylist(whole)) return OpenHls(url, whole, head);
  if (!playlists) return kErrorFormat;  // a playlist inside a playlist is not followed
  if (text.size() > kMaxPlaylistBytes) text.resize(kMaxPlaylistBytes);
  std::vector<std::string> entries;
  int error = ParsePlaylist(kind, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), url,
                            entries);
  if (error != kErrorOk) return error;
  // Entries are tried in order; a playlist inside a playlist is not followed,
  // which also ends playlists that name themselves.
  for (const std::string& entry : entries) {
    error = OpenAt(entry, 0, false, status);
    if (error == kErrorOk || error == kErrorAborted || network_.Cancelled()) return error;
  }
  return error;
}

int StreamSession::OpenAudio(AudioCodec hint, const Url& url, std::unique_ptr<Connection> connection,
                             HttpAnswer& head) {
  auto body = std::make_unique<StreamBody>(head, true);
  std::vector<uint8_t> audio;
  std::string meta;
  auto on_meta = [&meta](const std::string& text) { meta = text; };
  body->Feed(head.body(), audio, on_meta);
  std::optional<StreamFormat> format = ProbeFormat(audio, hint);
  // Data that keeps coming without three agreeing frames is not audio we can
  // play; the read time-out bounds that search as it bounds silence.
  const uint64_t deadline = network_.NowMs() + options_.read_timeout_ms;
  while (!format) {
    // An HLS playlist under a name and type that do not say so.
    if (StartsAsM3u(audio)) {
      if (int error = ReadText(*connection, *body, audio); error != kErrorOk) return error;
      const std::string_view text(reinterpret_cast<const char*>(audio.data()), audio.size());
      if (!IsHlsPlaylist(text)) return kErrorFormat;
      connection.reset();
      return OpenHls(url, text, head);
    }
    if (body->complete() || body->malformed() || audio.size() > kMaxProbeBytes || network_.NowMs() > deadline)
      return kErrorFormat;
    size_t got = 0;
    if (int error = ReceiveBody(*connection, *body, options_.read_timeout_ms, audio, on_meta, got);
        error != kErrorOk)
      return error;
    if (got == 0) return kErrorFormat;
    format = ProbeFormat(audio, hint);
  }
  if (codec_available_ && !codec_available_(format->codec)) return kErrorCodec;

  bitrate_ = format->bitrate;
  if (bitrate_ == 0) {
    if (auto br = head.Header("icy-br")) {
      if (auto kbps = ParseDecimal(br->substr(0, br->find(','))); kbps && *kbps <= 10000)
        bitrate_ = static_cast<uint32_t>(*kbps * 1000);
    }
  }
  // A file served as a stream may start with an ID3 tag; whatever of it came
  // with the probe is read for the station's name.
  if (const std::optional<size_t> tag = Id3TagLength(audio); tag && *tag > 0) {
    Id3Text text;
    if (ReadId3(std::span<const uint8_t>(audio).first(std::min(*tag, audio.size())), text)) own_name_ = text.station;
  }
  // Bytes before the first agreeing frame are junk (a burst's partial frame);
  // everything from there on is kept.
  audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(format->offset));
  splicer_.Keep(audio);
  format_ = *format;
  audio_ = std::move(audio);
  (head.kind() == HttpAnswer::Kind::kIcy ? icy_tags_ : http_tags_) = head.TagList();
  first_meta_ = meta;
  live_ = !body->has_length();
  connection_ = std::move(connection);
  body_ = std::move(body);
  last_data_ms_ = network_.NowMs();
  return kErrorOk;
}

bool StreamSession::StartsAsM3u(std::span<const uint8_t> data) {
  static constexpr std::string_view kTag = "#EXTM3U";
  std::string_view text(reinterpret_cast<const char*>(data.data()), std::min<size_t>(data.size(), 64));
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
  return text.size() >= kTag.size() && text.substr(0, kTag.size()) == kTag;
}

int StreamSession::OpenHls(const Url& url, std::string_view text, const HttpAnswer& head) {
  auto connector = [this](const Url& to, uint32_t timeout_ms, RequestOptions& request,
                          std::unique_ptr<Connection>& connection) {
    return Connect(to, timeout_ms, request, connection);
  };
  auto hls = std::make_unique<HlsSource>(network_, options_, connector);
  if (int error = hls->Open(url, text); error != kErrorOk) return error;
  // The format is found in the first segment's audio, as in a plain stream's.
  hls->set_opening(true);
  std::vector<uint8_t> audio;
  std::string meta;
  auto on_meta = [&meta](const std::string& t) { meta = t; };
  std::optional<StreamFormat> format;
  while (!format) {
    if (audio.size() > kMaxProbeBytes) return kErrorFormat;
    bool discontinuity = false;
    const HlsSource::Result result = hls->Next(audio, discontinuity, on_meta);
    if (result == HlsSource::Result::kClosed) return kErrorAborted;
    if (result == HlsSource::Result::kEnd) {
      format = ProbeFormat(audio, hls->codec_hint());
      if (format) break;
      return hls->last_error() != kErrorOk ? hls->last_error() : kErrorFormat;
    }
    format = ProbeFormat(audio, hls->codec_hint());
  }
  hls->set_opening(false);
  if (codec_available_ && !codec_available_(format->codec)) return kErrorCodec;
  bitrate_ = format->bitrate ? format->bitrate : static_cast<uint32_t>(std::min<uint64_t>(hls->bandwidth(), 10000000));
  audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(format->offset));
  format_ = *format;
  audio_ = std::move(audio);
  http_tags_ = head.TagList();
  first_meta_ = meta;
  url_ = url;
  live_ = true;
  hls_ = std::move(hls);
  return kErrorOk;
}

StreamSession::Next StreamSession::Receive(std::vector<uint8_t>& audio, bool& discontinuity,
                                           const IcyDemux::MetaHandler& given_meta) {
  // Each block is placed in the audio: the bytes of this read before it pass
  // on to `audio` unless a reconnect's audio is being matched.
  IcyDemux::MetaHandler on_meta;
  if (given_meta) {
    on_meta = [&](const std::string& text) {
      meta_at_ = audio.size() + (hls_ || splicer_.Matching() ? 0 : piece_.size());
      given_meta(text);
    };
  }
  if (hls_) {
    switch (hls_->Next(audio, discontinuity, on_meta)) {
      case HlsSource::Result::kAudio: return Next::kAudio;
      case HlsSource::Result::kEnd: return Next::kEnd;
      case HlsSource::Result::kClosed: return Next::kClosed;
    }
  }
  const size_t start = audio.size();
  // Silence counts from here at the earliest: time the caller spent elsewhere
  // (a full buffer) is not the connection's.
  uint64_t waiting_since = network_.NowMs();
  for (;;) {
    if (network_.Cancelled()) return Next::kClosed;
    if (!connection_) {
      if (!Reconnect(audio, discontinuity, on_meta)) return network_.Cancelled() ? Next::kClosed : Next::kEnd;
      if (audio.size() > start) return Next::kAudio;
      continue;
    }
    if (body_->complete()) {
      // A clean end (declared length, last chunk): nothing to reconnect to.
      splicer_.GiveUp(audio, discontinuity);
      connection_.reset();
      DropStalled();
      if (audio.size() > start) return Next::kAudio;
      return Next::kEnd;
    }
    uint64_t now = network_.NowMs();
    const uint64_t quiet_from = std::max(last_data_ms_, waiting_since);
    uint64_t until = quiet_from + options_.read_timeout_ms;
    if (splicer_.Matching()) {
      // Too little to tell old audio from new yet (a slow link): the wait
      // goes on, up to a limit.
      const uint64_t deadline =
          splicer_.HeldBytes() < kSpliceProbeBytes ? splice_limit_ms_ : splice_deadline_ms_;
      if (now >= deadline) {
        splicer_.GiveUp(audio, discontinuity);
        if (audio.size() > start) {
          DropStalled();
          return Next::kAudio;
        }
        continue;
      }
      until = std::min(until, deadline);
    }
    // One connection beside a stalled one at a time, and only while the read
    // time-out has not ended the stalled one anyway.
    if (live_ && !stalled_) {
      // A server that sends in larger, sparser pieces is allowed its own pace.
      const uint64_t stall_ms = std::clamp<uint64_t>(2 * longest_quiet_ms_, kStallMs, 2 * kStallMs);
      const uint64_t stall_at = std::max(quiet_from + stall_ms, side_retry_ms_);
      if (stall_at < quiet_from + options_.read_timeout_ms) {
        if (now >= stall_at) {
          if (ConnectBeside(audio, discontinuity, on_meta)) {
            waiting_since = network_.NowMs();
            if (audio.size() > start) {
              DropStalled();
              return Next::kAudio;
            }
          }
          if (network_.Cancelled()) return Next::kClosed;
          continue;
        }
        until = std::min(until, stall_at);
      }
    }
    const uint32_t wait = static_cast<uint32_t>(until > now ? until - now : 0);
    size_t got = 0;
    piece_.clear();
    const int error = ReceiveBody(*connection_, *body_, wait, piece_, on_meta, got);
    if (error == kErrorAborted) return Next::kClosed;
    now = network_.NowMs();
    if (error == kErrorOk && got > 0) {
      longest_quiet_ms_ = std::max(longest_quiet_ms_, now - quiet_from);
      last_data_ms_ = now;
      side_attempt_ = 0;
      side_retry_ms_ = 0;
      splicer_.Feed(piece_, audio, discontinuity);
      if (audio.size() > start) {
        outage_ = false;  // new audio: the next drop starts a new outage
        DropStalled();    // the new connection delivers: the stalled one is of no use
        return Next::kAudio;
      }
      continue;
    }
    // A read time-out while matching or before a stall is only the end of a wait.
    if (error == kErrorTimeout && now - std::max(last_data_ms_, waiting_since) < options_.read_timeout_ms) continue;
    // Closed, reset or silent past the read time-out.
    if (body_->complete()) continue;  // ended cleanly with this read
    splicer_.GiveUp(audio, discontinuity);
    connection_.reset();
    DropStalled();
    if (!live_) return audio.size() > start ? Next::kAudio : Next::kEnd;  // a file cut short
    // A server that takes the listener back but drops it again before sending
    // anything new is one outage: the back-off and the time limit go on.
    if (!outage_) {
      outage_ = true;
      dropped_ms_ = now;
      attempt_ = 0;
    }
    if (audio.size() > start) return Next::kAudio;
  }
}

void StreamSession::DropStalled() {
  stalled_.reset();
  stalled_body_.reset();
}

int StreamSession::RequestAgain(uint32_t connect_timeout_ms, HttpAnswer& head,
                                std::unique_ptr<Connection>& connection) {
  Url url = url_;
  const int error = RequestFollowingRedirects(url, 0, connect_timeout_ms, nullptr, head, connection);
  if (error != kErrorOk) return error;
  // The same station must still send the same kind of audio.
  const std::string_view type = head.Header("content-type").value_or("");
  const AudioCodec codec = CodecFromContentType(type);
  if (codec != AudioCodec::kUnknown && codec != format_.codec) return kErrorFormat;
  if (DetectPlaylist(type, url.path) != PlaylistKind::kNone && codec == AudioCodec::kUnknown) return kErrorFormat;
  return kErrorOk;
}

void StreamSession::Adopt(std::unique_ptr<Connection> connection, const HttpAnswer& head, std::vector<uint8_t>& audio,
                          bool& discontinuity, const IcyDemux::MetaHandler& on_meta) {
  connection_ = std::move(connection);
  body_ = std::make_unique<StreamBody>(head, true);  // the metadata interval counts afresh
  live_ = !body_->has_length();
  splicer_.Restart();
  last_data_ms_ = network_.NowMs();
  splice_deadline_ms_ = last_data_ms_ + kSpliceWaitMs;
  splice_limit_ms_ = splice_deadline_ms_ + kSpliceSlowWaitMs;
  ++reconnects_;
  piece_.clear();
  body_->Feed(head.body(), piece_, on_meta);
  splicer_.Feed(piece_, audio, discontinuity);
}

bool StreamSession::ConnectBeside(std::vector<uint8_t>& audio, bool& discontinuity,
                                  const IcyDemux::MetaHandler& on_meta) {
  // What the buffer holds bridges the attempt: at most the usual connect
  // time-out, and no longer than the stalled connection has left.
  const uint64_t now = network_.NowMs();
  const uint64_t dead_at = last_data_ms_ + options_.read_timeout_ms;
  const uint32_t timeout = static_cast<uint32_t>(std::clamp<uint64_t>(
      dead_at > now ? dead_at - now : 0, kMinAttemptMs, std::max<uint32_t>(options_.connect_timeout_ms, kMinAttemptMs)));
  HttpAnswer head;
  std::unique_ptr<Connection> connection;
  const int error = RequestAgain(timeout, head, connection);
  if (error == kErrorAborted || network_.Cancelled()) return false;
  if (error != kErrorOk) {
    side_retry_ms_ = network_.NowMs() + ReconnectDelayMs(side_attempt_++);
    return false;
  }
  // Whatever the stalled connection already gave is in the splicer's history;
  // it stays open (unread) until the new one has delivered.
  if (splicer_.Matching()) {
    // Stalled while its own burst was being matched: that ends here.
    splicer_.GiveUp(audio, discontinuity);
  }
  stalled_ = std::move(connection_);
  stalled_body_ = std::move(body_);
  side_retry_ms_ = 0;
  Adopt(std::move(connection), head, audio, discontinuity, on_meta);
  return true;
}

bool StreamSession::Reconnect(std::vector<uint8_t>& audio, bool& discontinuity,
                              const IcyDemux::MetaHandler& on_meta) {
  if (!live_) return false;
  const uint64_t budget = options_.reconnect_ms;
  for (;; ++attempt_) {
    const uint32_t delay = ReconnectDelayMs(attempt_);
    const uint64_t spent = network_.NowMs() - dropped_ms_;
    if (spent + delay >= budget) return false;
    if (!network_.Sleep(delay)) return false;
    const uint64_t left = budget - std::min(budget, network_.NowMs() - dropped_ms_);
    const uint32_t connect_timeout = static_cast<uint32_t>(
        std::clamp<uint64_t>(left, kMinAttemptMs, std::max<uint32_t>(options_.connect_timeout_ms, kMinAttemptMs)));
    HttpAnswer head;
    std::unique_ptr<Connection> connection;
    const int error = RequestAgain(connect_timeout, head, connection);
    if (error == kErrorAborted || network_.Cancelled()) return false;
    if (error != kErrorOk) continue;
    ++attempt_;
    Adopt(std::move(connection), head, audio, discontinuity, on_meta);
    return true;
  }
}
