#include "engine/formats/hls_source.h"

#include <algorithm>

#include "base/ascii.h"
#include "engine/formats/id3.h"
#include "engine/net/engine_error.h"
#include "engine/net/network.h"

namespace {

constexpr size_t kReadBytes = 16 * 1024;
constexpr int kSegmentAttempts = 2;          // a segment that fails is tried once more, then skipped
constexpr size_t kMaxId3KeptBytes = 64 * 1024;  // of a packed segment's tag, for its titles (pictures are larger)
// Hosts whose connection is kept, the least recently used let go past them: a
// CDN that spreads segments over ever new hosts would otherwise leave a
// socket open on each.
constexpr size_t kKeptHosts = 4;
// Longest a playlist, key or initialisation segment may take to fetch, from
// the request to the body's last byte: every read of a server that sends a
// byte now and then comes in time, and the reload would never end.
constexpr uint32_t kTextFetchMs = 15000;

std::string HostKey(const Url& url) {
  return (url.secure ? "https://" : "http://") + url.host + ":" + std::to_string(url.port);
}

bool IsMasterPlaylist(std::string_view text) { return text.find("#EXT-X-STREAM-INF") != std::string_view::npos; }

// Whether the server keeps the connection after this answer: HTTP/1.1 unless
// it says close, HTTP/1.0 only when it says keep-alive.
bool KeepsConnection(const HttpAnswer& head) {
  if (head.kind() != HttpAnswer::Kind::kHttp) return false;
  const std::string connection = ToLowerAscii(head.Header("connection").value_or(""));
  if (connection.find("close") != std::string::npos) return false;
  if (head.status_line().rfind("HTTP/1.0", 0) == 0) return connection.find("keep-alive") != std::string::npos;
  return true;
}

}  // namespace

// ---- HlsSegmentReader ----

void HlsSegmentReader::Begin(bool discontinuity, const Fmp4Audio* fmp4) {
  state_ = fmp4 ? State::kFmp4 : State::kDetect;
  head_.clear();
  id3_left_ = 0;
  too_large_ = false;
  if (fmp4) {
    fmp4_ = *fmp4;
  } else {
    fmp4_.reset();
  }
  if (discontinuity) ts_.Reset();
}

void HlsSegmentReader::Id3Tag(std::span<const uint8_t> tag, const TitleHandler& on_title) {
  Id3Text text;
  if (!ReadId3(tag, text)) return;
  if (!text.station.empty()) station_ = text.station;
  if (on_title) on_title(text.artist, text.title);
}

void HlsSegmentReader::Id3Done(const TitleHandler& on_title) {
  Id3Tag(head_, on_title);
  head_.clear();
  state_ = State::kDetect;  // another tag, or the audio
}

void HlsSegmentReader::Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio, const TitleHandler& on_title) {
  auto on_id3 = [this, &on_title](std::span<const uint8_t> tag) { Id3Tag(tag, on_title); };
  while (!data.empty()) {
    switch (state_) {
      case State::kTs: ts_.Feed(data, audio, on_id3); return;
      case State::kPacked: audio.insert(audio.end(), data.begin(), data.end()); return;
      case State::kFmp4:
        // Converted whole at the segment's end: its boxes give the sample sizes.
        if (head_.size() + data.size() > kMaxFmp4SegmentBytes) too_large_ = true;
        if (!too_large_) head_.insert(head_.end(), data.begin(), data.end());
        return;
      case State::kId3: {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(id3_left_, data.size()));
        const size_t keep = std::min(take, kMaxId3KeptBytes - std::min(kMaxId3KeptBytes, head_.size()));
        head_.insert(head_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(keep));
        id3_left_ -= take;
        data = data.subspan(take);
        if (id3_left_ == 0) Id3Done(on_title);
        break;
      }
      case State::kDetect: {
        const size_t take = std::min(kId3HeaderBytes - std::min(kId3HeaderBytes, head_.size()), data.size());
        head_.insert(head_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
        data = data.subspan(take);
        if (head_[0] == kTsSyncByte) {
          state_ = State::kTs;
          const std::vector<uint8_t> first = std::move(head_);
          head_.clear();
          ts_.Feed(first, audio, on_id3);
          break;
        }
        const std::optional<size_t> length = Id3TagLength(head_);
        if (!length) break;  // needs more bytes to tell
        if (*length == 0) {
          state_ = State::kPacked;
          audio.insert(audio.end(), head_.begin(), head_.end());
          head_.clear();
          break;
        }
        state_ = State::kId3;
        id3_left_ = *length - head_.size();
        if (id3_left_ == 0) Id3Done(on_title);
        break;
      }
    }
  }
}

void HlsSegmentReader::End(std::vector<uint8_t>& audio, const TitleHandler& on_title) {
  if (state_ == State::kTs) {
    ts_.EndOfSegment(audio, [this, &on_title](std::span<const uint8_t> tag) { Id3Tag(tag, on_title); });
  } else if (state_ == State::kDetect) {
    audio.insert(audio.end(), head_.begin(), head_.end());  // a segment shorter than a tag header
  } else if (state_ == State::kFmp4 && fmp4_ && !too_large_) {
    (void)Fmp4ToAdts(head_, *fmp4_, audio);  // what was whole before a fault is kept
  }
  head_.clear();
  state_ = State::kDetect;
}

// ---- HlsSource ----

struct HlsSource::Host {
  std::string key;
  std::unique_ptr<Connection> connection;  // kept between requests, null = none now
  RequestOptions request;                  // how requests go on it (proxy or not)
  bool keep = false;                       // the current answer leaves the connection open
};

HlsSource::HlsSource(Network& network, const NetOptions& options, Connector connect)
    : network_(network), options_(options), connect_(std::move(connect)), raw_(kReadBytes) {}

HlsSource::~HlsSource() = default;

int HlsSource::Begin(Url& url, uint64_t offset, HttpAnswer& head) {
  EndBody(false);
  for (int redirects = 0;; ++redirects) {
    // A playlist (or a redirect) naming the program's own loopback listener
    // would have us send it requests.
    if (options_.own_port != 0 && url.port == options_.own_port && IsLoopbackHost(url.host))
      return kErrorBadAddress;
    const std::string key = HostKey(url);
    // Most recently used last.
    auto it = std::find_if(hosts_.begin(), hosts_.end(), [&key](const auto& h) { return h->key == key; });
    if (it == hosts_.end()) {
      hosts_.push_back(std::make_unique<Host>());
      hosts_.back()->key = key;
      if (hosts_.size() > kKeptHosts) hosts_.erase(hosts_.begin());
    } else {
      std::rotate(it, it + 1, hosts_.end());
    }
    Host& host = *hosts_.back();
    int error = kErrorOk;
    for (int attempt = 0; attempt < 2; ++attempt) {
      const bool reused = host.connection != nullptr;
      if (!reused) {
        RequestOptions request;
        const uint32_t wait = WaitMs(options_.connect_timeout_ms);
        error = wait ? connect_(url, wait, request, host.connection) : kErrorTimeout;
        if (error != kErrorOk) {
          host.connection.reset();
          return error;
        }
        host.request = request;
      }
      RequestOptions request = host.request;
      request.offset = offset;
      request.keep_alive = true;
      request.icy_metadata = false;
      head = HttpAnswer();
      const uint32_t send_wait = WaitMs(options_.read_timeout_ms);
      error = send_wait ? host.connection->Send(BuildRequest(url, request), send_wait) : kErrorTimeout;
      while (error == kErrorOk && head.state() == HttpAnswer::State::kHead) {
        size_t got = 0;
        const uint32_t wait = WaitMs(options_.read_timeout_ms);
        error = wait ? host.connection->Receive(raw_.data(), raw_.size(), wait, got) : kErrorTimeout;
        if (error == kErrorOk && got == 0) error = kErrorNoConnection;  // closed before answering
        if (error == kErrorOk) head.Feed(std::span<const uint8_t>(raw_.data(), got));
      }
      if (error == kErrorOk && head.state() == HttpAnswer::State::kError) error = kErrorBadAnswer;
      if (error == kErrorOk) break;
      host.connection.reset();
      // A kept connection that the server closed while idle: once more on a new one.
      if (error == kErrorAborted || !reused || network_.Cancelled()) return error;
    }
    if (error != kErrorOk) return error;
    host.keep = KeepsConnection(head);
    if (IsRedirect(head.status())) {
      host.connection.reset();  // its body is of no use; not read, so not reusable
      if (int e = FollowRedirect(head, redirects, url); e != kErrorOk) return e;
      continue;
    }
    current_host_ = &host;
    body_ = std::make_unique<StreamBody>(head, false);
    if (head.status() / 100 != 2) {
      EndBody(false);
      return kErrorHttp;
    }
    pending_ = head.TakeBody();
    return kErrorOk;
  }
}

int HlsSource::ReadBody(std::vector<uint8_t>& out, bool& done) {
  done = false;
  if (!body_) return kErrorNoConnection;
  if (!pending_.empty()) {
    const std::vector<uint8_t> first = std::move(pending_);
    pending_.clear();
    body_->Feed(first, out, nullptr);
  } else if (!body_->complete()) {
    size_t got = 0;
    const uint32_t wait = WaitMs(options_.read_timeout_ms);
    const int error = wait ? current_host_->connection->Receive(raw_.data(), raw_.size(), wait, got) : kErrorTimeout;
    if (error != kErrorOk) return error;
    if (got == 0) {
      // Closed: the end of a body that runs until the connection closes, or
      // one cut short.
      if (body_->has_length() || body_->chunked()) return kErrorNoConnection;
      current_host_->keep = false;
      done = true;
      return kErrorOk;
    }
    body_->Feed(std::span<const uint8_t>(raw_.data(), got), out, nullptr);
  }
  if (body_->malformed()) return kErrorBadAnswer;
  done = body_->complete();
  return kErrorOk;
}

void HlsSource::EndBody(bool complete) {
  if (current_host_ && (!complete || !current_host_->keep || !body_ || !body_->complete()))
    current_host_->connection.reset();
  current_host_ = nullptr;
  body_.reset();
  pending_.clear();
}

uint32_t HlsSource::WaitMs(uint32_t timeout_ms) const {
  if (fetch_deadline_ms_ == 0) return timeout_ms;
  const uint64_t now = network_.NowMs();
  return now >= fetch_deadline_ms_ ? 0 : static_cast<uint32_t>(std::min<uint64_t>(timeout_ms, fetch_deadline_ms_ - now));
}

int HlsSource::FetchText(Url& url, std::string& text) {
  fetch_deadline_ms_ = network_.NowMs() + kTextFetchMs;
  const int error = FetchTextInTime(url, text);
  fetch_deadline_ms_ = 0;
  return error;
}

int HlsSource::FetchTextInTime(Url& url, std::string& text) {
  text.clear();
  HttpAnswer head;
  if (int error = Begin(url, 0, head); error != kErrorOk) return error;
  std::vector<uint8_t> bytes;
  for (bool done = false; !done;) {
    if (int error = ReadBody(bytes, done); error != kErrorOk) {
      EndBody(false);
      return error;
    }
    if (bytes.size() > kMaxHlsPlaylistBytes) {
      EndBody(false);
      return kErrorFormat;
    }
  }
  EndBody(true);
  text.assign(bytes.begin(), bytes.end());
  return kErrorOk;
}

int HlsSource::Open(const Url& url, std::string_view text) {
  media_address_ = UrlText(url);
  playlist_name_ = HlsPlaylistName(text);
  Url base = url;
  std::string media_text(text);
  if (IsMasterPlaylist(text)) {
    HlsMaster master;
    if (int error = ParseHlsMaster(text, url, master); error != kErrorOk) return error;
    std::optional<HlsChoice> choice = ChooseHlsMedia(master);
    if (!choice) return kErrorCodec;
    bandwidth_ = choice->bandwidth;
    media_address_ = choice->address;
    if (int error = ParseUrl(media_address_, base); error != kErrorOk) return error;
    const uint64_t began = network_.NowMs();
    if (int error = FetchText(base, media_text); error != kErrorOk) return error;
    // A master playlist that names another master playlist is not followed.
    if (IsMasterPlaylist(media_text)) return kErrorFormat;
    HlsMedia media;
    if (int error = ParseHlsMedia(media_text, base, media); error != kErrorOk) return error;
    if (playlist_name_.empty()) playlist_name_ = HlsPlaylistName(media_text);
    Apply(std::move(media), media_text, began);
    return kErrorOk;
  }
  HlsMedia media;
  if (int error = ParseHlsMedia(media_text, base, media); error != kErrorOk) return error;
  Apply(std::move(media), media_text, network_.NowMs());
  return kErrorOk;
}

void HlsSource::Apply(HlsMedia media, const std::string& text, uint64_t began_ms) {
  ++playlist_loads_;
  const bool changed = !loaded_ || text != media_text_;
  const uint64_t old_last = media_.media_sequence + media_.segments.size();
  if (!loaded_ || media.media_sequence < media_.media_sequence) {
    // The first load, or a producer that started counting again: the live
    // point of this list.
    if (loaded_) pending_discontinuity_ = true;
    next_sequence_ = media.segments.empty() ? media.media_sequence
                                            : media.segments[HlsStartIndex(media)].sequence;
    last_new_segment_ms_ = began_ms;
  } else if (next_sequence_ < media.media_sequence) {
    // Segments left the list before we had them: go on with the oldest one.
    skipped_segments_ += media.media_sequence - next_sequence_;
    next_sequence_ = media.media_sequence;
    pending_discontinuity_ = true;
  }
  if (media.media_sequence + media.segments.size() > old_last) last_new_segment_ms_ = began_ms;
  reload_at_ms_ = began_ms + (changed ? media.target_duration_ms : media.target_duration_ms / 2);
  media_ = std::move(media);
  media_text_ = text;
  loaded_ = true;
}

const HlsSegment* HlsSource::NextSegment() const {
  if (next_sequence_ < media_.media_sequence) return nullptr;
  const uint64_t index = next_sequence_ - media_.media_sequence;
  return index < media_.segments.size() ? &media_.segments[static_cast<size_t>(index)] : nullptr;
}

uint32_t HlsSource::RetryDelayMs(int attempt) const {
  // The reconnect back-off, but never longer than the wait for an unchanged
  // playlist: only a few segments are buffered, so a server that is back
  // must be found soon.
  const uint32_t cap = std::max<uint32_t>(media_.target_duration_ms / 2, 200);
  return std::min(ReconnectDelayMs(attempt), cap);
}

bool HlsSource::Reload() {
  uint64_t failing_since = 0;
  for (int attempt = 0;; ++attempt) {
    const uint64_t began = network_.NowMs();
    Url url;
    int error = ParseUrl(media_address_, url);
    std::string text;
    if (error == kErrorOk) error = FetchText(url, text);
    HlsMedia media;
    if (error == kErrorOk) error = ParseHlsMedia(text, url, media);
    if (error == kErrorOk) {
      Apply(std::move(media), text, began);
      return true;
    }
    if (error == kErrorAborted || network_.Cancelled()) return false;
    last_error_ = error;
    if (attempt == 0) failing_since = began;
    const uint32_t delay = RetryDelayMs(attempt);
    if (network_.NowMs() - failing_since + delay >= options_.reconnect_ms) return false;
    if (!network_.Sleep(delay)) return false;
  }
}

int HlsSource::StartSegment(const HlsSegment& segment, bool discontinuity) {
  // Sample encryption (inside the audio frames) and any other method are not
  // read here.
  if (segment.key() != HlsKeyMethod::kNone && segment.key() != HlsKeyMethod::kAes128) return kErrorFormat;
  if (!segment.map_address().empty() && segment.map_address() != init_address_) {
    if (int error = LoadInit(segment.map_address()); error != kErrorOk) return error;
  }
  const bool encrypted = segment.key() == HlsKeyMethod::kAes128;
  if (encrypted && (segment.key_address() != key_address_ || !cipher_)) {
    if (int error = LoadKey(segment.key_address()); error != kErrorOk) return error;
  }
  const bool retry = has_segment_ && segment_.sequence == segment.sequence;
  if (!retry) {
    std::optional<AesBlock> iv;
    if (encrypted && !(iv = HlsIv(segment.key_iv(), segment.sequence))) return kErrorFormat;
    has_segment_ = true;
    segment_ = segment;
    segment_bytes_ = 0;
    discard_bytes_ = 0;
    segment_attempts_ = 0;
    announced_ = false;
    encrypted_ = encrypted;
    // A retry resumes at the next ciphertext byte, so the chaining goes on.
    if (encrypted) decryptor_.Begin(cipher_, *iv);
    reader_.Begin(discontinuity, segment.map_address().empty() ? nullptr : &init_);
  }
  Url url;
  if (int error = ParseUrl(segment.address, url); error != kErrorOk) return error;
  HttpAnswer head;
  if (int error = Begin(url, segment_bytes_, head); error != kErrorOk) return error;
  if (segment_bytes_ > 0 && head.status() != 206) {
    // The server sent the segment from its start again: what we had is dropped.
    discard_bytes_ = segment_bytes_;
    segment_bytes_ = 0;
  }
  in_segment_ = true;
  return kErrorOk;
}

int HlsSource::LoadInit(const std::string& address) {
  Url url;
  if (int error = ParseUrl(address, url); error != kErrorOk) return error;
  std::string bytes;
  if (int error = FetchText(url, bytes); error != kErrorOk) return error;
  Fmp4Audio track;
  if (!ReadFmp4Init(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), track))
    return kErrorFormat;  // no AAC track
  init_address_ = address;
  init_ = track;
  return kErrorOk;
}

int HlsSource::LoadKey(const std::string& address) {
  key_address_.clear();
  cipher_.reset();
  Url url;
  if (int error = ParseUrl(address, url); error != kErrorOk) return error;
  std::string bytes;
  if (int error = FetchText(url, bytes); error != kErrorOk) return error;
  if (bytes.size() != kAesBlockBytes) return kErrorFormat;  // not an AES-128 key
  AesBlock key;
  std::copy(bytes.begin(), bytes.end(), key.begin());
  cipher_ = network_.MakeAes128(key);
  if (!cipher_) return kErrorFormat;
  key_address_ = address;
  return kErrorOk;
}

bool HlsSource::Decrypt(std::span<const uint8_t> bytes, bool end) {
  plain_.clear();
  return end ? decryptor_.End(plain_) : decryptor_.Feed(bytes, plain_);
}

bool HlsSource::SegmentFailed(int error) {
  EndBody(false);
  in_segment_ = false;
  last_error_ = error;
  // The server out of reach (not a missing segment): the segment is tried
  // again with the reconnect back-off, so a short outage loses nothing.
  if (!opening_ && (error == kErrorNoConnection || error == kErrorTimeout)) {
    const uint64_t now = network_.NowMs();
    if (!outage_) {
      outage_ = true;
      outage_since_ms_ = now;
      outage_attempt_ = 0;
    }
    const uint32_t delay = RetryDelayMs(outage_attempt_++);
    if (now - outage_since_ms_ + delay >= options_.reconnect_ms) return false;
    (void)network_.Sleep(delay);  // a close is seen at the top of the loop
    return true;
  }
  if (++segment_attempts_ < kSegmentAttempts) {
    (void)network_.Sleep(ReconnectDelayMs(0));  // a close is seen at the top of the loop
    return true;
  }
  return SkipSegment();
}

bool HlsSource::SkipSegment() {
  EndBody(false);
  in_segment_ = false;
  if (opening_) return false;
  ++skipped_segments_;
  ++next_sequence_;
  segment_attempts_ = 0;
  has_segment_ = false;
  pending_discontinuity_ = true;
  return true;
}

void HlsSource::Title(const std::string& artist, const std::string& title, const IcyDemux::MetaHandler& on_meta) {
  const std::string text = StreamTitleMeta(artist, title);
  if (text.empty() || text == last_meta_) return;
  last_meta_ = text;
  if (on_meta) on_meta(text);
}

HlsSource::Result HlsSource::Next(std::vector<uint8_t>& audio, bool& discontinuity,
                                  const IcyDemux::MetaHandler& on_meta) {
  const size_t start = audio.size();
  auto on_title = [this, &on_meta](const std::string& artist, const std::string& title) {
    Title(artist, title, on_meta);
  };
  for (;;) {
    if (network_.Cancelled()) return Result::kClosed;
    if (in_segment_) {
      piece_.clear();
      bool done = false;
      const int error = ReadBody(piece_, done);
      if (error == kErrorAborted) return Result::kClosed;
      if (error != kErrorOk) {
        if (!SegmentFailed(error)) return audio.size() > start ? Result::kAudio : Result::kEnd;
        if (audio.size() > start) return Result::kAudio;
        continue;
      }
      std::span<const uint8_t> bytes(piece_);
      const size_t drop = static_cast<size_t>(std::min<uint64_t>(discard_bytes_, bytes.size()));
      discard_bytes_ -= drop;
      bytes = bytes.subspan(drop);
      segment_bytes_ += bytes.size();
      if (!piece_.empty()) outage_ = false;
      if (!encrypted_) {
        reader_.Feed(bytes, audio, on_title);
      } else if (Decrypt(bytes, false)) {
        reader_.Feed(plain_, audio, on_title);
      } else {
        // The platform's cipher failed: the segment is of no use.
        last_error_ = kErrorFormat;
        if (!SkipSegment()) return audio.size() > start ? Result::kAudio : Result::kEnd;
        continue;
      }
      if (done) {
        EndBody(true);
        // A last block whose padding is wrong (a wrong key) is left out.
        if (encrypted_ && Decrypt({}, true)) reader_.Feed(plain_, audio, on_title);
        reader_.End(audio, on_title);
        in_segment_ = false;
        has_segment_ = false;
        outage_ = false;
        segment_attempts_ = 0;
        ++next_sequence_;
      }
      if (audio.size() > start) return Result::kAudio;
      continue;
    }
    if (audio.size() > start) return Result::kAudio;
    if (const HlsSegment* segment = NextSegment()) {
      const HlsSegment s = *segment;
      const bool joins = s.discontinuity || pending_discontinuity_;
      const int error = StartSegment(s, joins);
      if (error == kErrorAborted) return Result::kClosed;
      if (error != kErrorOk) {
        if (!SegmentFailed(error)) return Result::kEnd;
        continue;
      }
      if (!announced_) {
        announced_ = true;
        if (joins) discontinuity = true;
        pending_discontinuity_ = false;
        Title(s.artist, s.title, on_meta);
      }
      continue;
    }
    if (media_.ended) return Result::kEnd;
    const uint64_t now = network_.NowMs();
    // A list that stays the same for longer than a reconnection may take: the
    // producer is gone although the server still answers.
    if (now - last_new_segment_ms_ > uint64_t(options_.reconnect_ms) + 3ull * media_.target_duration_ms)
      return Result::kEnd;
    if (now < reload_at_ms_ && !network_.Sleep(static_cast<uint32_t>(reload_at_ms_ - now))) return Result::kClosed;
    if (!Reload()) return network_.Cancelled() ? Result::kClosed : Result::kEnd;
  }
}
