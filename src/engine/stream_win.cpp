// Internet streams: StreamOpenUrl's connection flow (request, answer,
// redirects, playlists, format probe), the download thread that fills a
// stream's ring buffer, and the Stream* calls of engine.h.
//
// Threads: StreamOpenUrl connects on the caller's thread; each open stream has
// one download thread (network -> body pipeline -> ring, metadata -> syncs);
// the decoder reads the ring on the output thread. Any thread may close.
#include "engine/stream_win.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/decoder.h"
#include "engine/engine_state.h"
#include "engine/handle_table.h"
#include "engine/http_answer.h"
#include "engine/net_win.h"
#include "engine/pcm_source.h"
#include "engine/playlist.h"
#include "engine/ring_buffer.h"
#include "engine/stream_body.h"
#include "engine/url.h"

namespace {

constexpr int kMaxRedirects = 5;
constexpr size_t kReadBytes = 16 * 1024;     // one network read
constexpr size_t kMaxProbeBytes = 256 * 1024;  // audio searched for three agreeing frames
constexpr DWORD kSpaceWaitMs = 250;          // re-check of a full ring (the event is the fast path)

struct Sync {
  HSYNC handle;
  SyncProc* proc;
  void* user;
};

std::atomic<HSYNC> gNextSync{1};

class Stream final : public CompressedInput {
 public:
  Stream()
      : cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        space_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Stream() override {
    decoder_.reset();  // before the ring it reads
    body_.reset();
    connection_.reset();
    if (cancel_) CloseHandle(cancel_);
    if (space_) CloseHandle(space_);
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  bool Valid() const { return cancel_ && space_; }
  bool Cancelled() const { return WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0; }

  // Output thread (the decoder): takes buffered compressed audio.
  size_t Read(uint8_t* dst, size_t size) override {
    size_t n = ring_->Read(dst, size);
    if (n) SetEvent(space_);
    return n;
  }

  // Any thread, once (the caller that removed the handle): stops output and
  // download. The download thread is joined unless Close runs on it (from a
  // sync callback); then it is left to end by itself at its next check.
  void Close() {
    std::thread download;
    std::shared_ptr<PcmSource> decoder;
    {
      std::lock_guard lock(lock_);
      closed_ = true;
      syncs_.clear();
      SetEvent(cancel_);
      download = std::move(download_);
      decoder = decoder_;
    }
    if (decoder) OutputDetach(decoder.get());
    if (download.joinable()) {
      if (download.get_id() == std::this_thread::get_id()) {
        download.detach();
      } else {
        download.join();
      }
    }
  }

  // Opener thread: the connection stands; starts downloading. kErrorAborted
  // when the stream was closed meanwhile.
  int Start(std::shared_ptr<Stream> self) {
    std::lock_guard lock(lock_);
    if (closed_) return kErrorAborted;
    try {
      download_ = std::thread([self = std::move(self)] { self->Download(); });
    } catch (const std::system_error&) {
      return kErrorMemory;
    }
    ready_ = true;
    return kErrorOk;
  }

  bool Ready() {
    std::lock_guard lock(lock_);
    return ready_ && !closed_;
  }

  void OnMeta(const std::string& text) {
    std::vector<Sync> syncs;
    {
      std::lock_guard lock(lock_);
      meta_ = text;
      if (closed_ || !ready_) return;
      syncs = syncs_;
    }
    for (const Sync& s : syncs) s.proc(s.handle, handle_, 0, s.user);
  }

  // Download thread: network -> body -> ring, until the end of the stream, a
  // network error or a read time-out, or until the stream is closed. When the
  // ring is full, reading pauses until the decoder takes bytes.
  void Download() {
    std::vector<uint8_t> audio = std::move(pending_);
    std::vector<uint8_t> raw(kReadBytes);
    auto on_meta = [this](const std::string& text) { OnMeta(text); };
    for (;;) {
      size_t at = 0;
      while (at < audio.size()) {
        at += ring_->Write(std::span<const uint8_t>(audio).subspan(at));
        if (at == audio.size()) break;
        HANDLE handles[2] = {cancel_, space_};
        if (WaitForMultipleObjects(2, handles, FALSE, kSpaceWaitMs) == WAIT_OBJECT_0) return;
      }
      audio.clear();
      if (Cancelled() || body_->complete() || body_->malformed()) break;
      size_t got = 0;
      if (connection_->Receive(raw.data(), raw.size(), read_timeout_ms_, got) != kErrorOk || got == 0)
        break;
      body_->Feed(std::span<const uint8_t>(raw.data(), got), audio, on_meta);
    }
    download_ended_ = true;
    // The decoder runs dry from here; the connection is no longer needed.
    connection_.reset();
  }

  HSTREAM handle_ = 0;
  HANDLE cancel_;  // manual reset; set by Close
  HANDLE space_;   // auto reset; set when the decoder took bytes

  // Set by the opener before Start, then owned by the download thread.
  std::unique_ptr<NetConnection> connection_;
  std::unique_ptr<StreamBody> body_;
  std::vector<uint8_t> pending_;  // probed audio that did not fit the ring yet
  uint32_t read_timeout_ms_ = 0;
  // Set by the opener before Start, read-only afterwards.
  std::unique_ptr<RingBuffer> ring_;
  AudioCodec codec_ = AudioCodec::kUnknown;
  std::string http_tags_;  // HTTP answer's header list, empty for an ICY answer
  std::string icy_tags_;   // ICY answer's header list, empty for an HTTP answer
  std::atomic<bool> download_ended_{false};

  std::mutex lock_;
  bool closed_ = false;                 // protected by lock_
  bool ready_ = false;                  // protected by lock_: StreamOpenUrl succeeded
  std::thread download_;                // protected by lock_
  std::shared_ptr<PcmSource> decoder_;  // protected by lock_
  std::string meta_;                    // protected by lock_: newest metadata block
  std::vector<Sync> syncs_;             // protected by lock_
};

HandleTable<Stream> gStreams;

// One StreamOpenUrl call: connects, follows redirects, resolves playlists and
// probes the audio format, leaving the winning connection in the stream.
class Opener {
 public:
  Opener(Stream& stream, const NetOptions& options, uint32_t flags, DownloadProc* proc, void* user)
      : stream_(stream), options_(options), flags_(flags), proc_(proc), user_(user) {}

  int Open(const std::string& address, uint64_t offset, bool playlists) {
    Url url;
    if (int error = ParseUrl(address, url); error != kErrorOk) return error;
    std::unique_ptr<NetConnection> connection;
    HttpAnswer head;
    for (int redirects = 0;; ++redirects) {
      head = HttpAnswer();
      if (int error = Request(url, offset, connection, head); error != kErrorOk) return error;
      if (!IsRedirect(head.status())) break;
      std::optional<std::string_view> location = head.Header("location");
      if (!location) return kErrorHttp;
      if (redirects == kMaxRedirects) return kErrorRedirects;
      Url next;
      if (int error = ResolveReference(url, *location, next); error != kErrorOk) return error;
      url = next;
    }
    if (head.status() / 100 != 2) return kErrorHttp;

    std::string content_type(head.Header("content-type").value_or(""));
    PlaylistKind kind = DetectPlaylist(content_type, url.path);
    if (playlists && kind != PlaylistKind::kNone) {
      return OpenPlaylist(kind, url, std::move(connection), head);
    }
    return OpenAudio(CodecFromContentType(content_type), std::move(connection), head);
  }

 private:
  // Connects to the server (or the proxy), sends the request, reads the head.
  int Request(const Url& url, uint64_t offset, std::unique_ptr<NetConnection>& connection,
              HttpAnswer& head) {
    RequestOptions request;
    request.offset = offset;
    Url target = url;
    if (!options_.proxy.empty()) {
      Url proxy;
      if (int error = ParseUrl("http://" + options_.proxy, proxy); error != kErrorOk) return error;
      request.via_proxy = true;
      request.proxy_userinfo = proxy.userinfo;
      target = proxy;
    }
    connection = std::make_unique<NetConnection>(stream_.cancel_);
    if (int error = connection->Connect(target.host, target.port, options_.connect_timeout_ms);
        error != kErrorOk)
      return error;
    if (int error = connection->SendAll(BuildRequest(url, request), options_.read_timeout_ms);
        error != kErrorOk)
      return error;
    std::vector<uint8_t> buffer(4096);
    while (head.state() == HttpAnswer::State::kHead) {
      size_t got = 0;
      if (int error = connection->Receive(buffer.data(), buffer.size(), options_.read_timeout_ms, got);
          error != kErrorOk)
        return error;
      if (got == 0) return kErrorNoConnection;  // closed before answering
      head.Feed(std::span<const uint8_t>(buffer.data(), got));
    }
    if (head.state() == HttpAnswer::State::kError) return kErrorBadAnswer;
    if ((flags_ & kStreamStatusCallback) && proc_) {
      std::string line = head.status_line();  // zero-terminated by std::string
      proc_(line.c_str(), 0, user_);
    }
    return kErrorOk;
  }

  int OpenPlaylist(PlaylistKind kind, const Url& url, std::unique_ptr<NetConnection> connection,
                   HttpAnswer& head) {
    StreamBody body(head, false);
    std::vector<uint8_t> text;
    body.Feed(head.body(), text, nullptr);
    std::vector<uint8_t> buffer(kReadBytes);
    while (!body.complete() && !body.malformed() && text.size() < kMaxPlaylistBytes) {
      size_t got = 0;
      if (int error = connection->Receive(buffer.data(), buffer.size(), options_.read_timeout_ms, got);
          error != kErrorOk)
        return error;
      if (got == 0) break;
      body.Feed(std::span<const uint8_t>(buffer.data(), got), text, nullptr);
    }
    connection.reset();
    if (text.size() > kMaxPlaylistBytes) text.resize(kMaxPlaylistBytes);
    std::vector<std::string> entries;
    int error = ParsePlaylist(kind, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                              url, entries);
    if (error != kErrorOk) return error;
    // Entries are tried in order; a playlist inside a playlist is not followed,
    // which also ends playlists that name themselves.
    for (const std::string& entry : entries) {
      error = Open(entry, 0, false);
      if (error == kErrorOk || error == kErrorAborted || stream_.Cancelled()) return error;
    }
    return error;
  }

  int OpenAudio(AudioCodec hint, std::unique_ptr<NetConnection> connection, HttpAnswer& head) {
    auto body = std::make_unique<StreamBody>(head, true);
    std::vector<uint8_t> audio;
    std::string meta;
    auto on_meta = [&meta](const std::string& text) { meta = text; };
    body->Feed(head.body(), audio, on_meta);
    std::vector<uint8_t> buffer(kReadBytes);
    std::optional<StreamFormat> format = ProbeFormat(audio, hint);
    // Data that keeps coming without three agreeing frames is not audio we
    // can play; the read time-out bounds that search as it bounds silence.
    uint64_t deadline = GetTickCount64() + options_.read_timeout_ms;
    while (!format) {
      if (body->complete() || body->malformed() || audio.size() > kMaxProbeBytes ||
          GetTickCount64() > deadline)
        return kErrorFormat;
      size_t got = 0;
      if (int error = connection->Receive(buffer.data(), buffer.size(), options_.read_timeout_ms, got);
          error != kErrorOk)
        return error;
      if (got == 0) return kErrorFormat;
      body->Feed(std::span<const uint8_t>(buffer.data(), got), audio, on_meta);
      format = ProbeFormat(audio, hint);
    }
    if (!DecoderAvailable(format->codec)) return kErrorCodec;

    uint32_t bitrate = format->bitrate;
    if (bitrate == 0) {
      if (auto br = head.Header("icy-br")) {
        if (auto kbps = ParseDecimal(br->substr(0, br->find(','))); kbps && *kbps <= 10000)
          bitrate = static_cast<uint32_t>(*kbps * 1000);
      }
    }
    // Bytes before the first agreeing frame are junk (a burst's partial frame);
    // everything from there on is kept.
    audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(format->offset));
    auto ring = std::make_unique<RingBuffer>(DownloadBufferBytes(bitrate));
    size_t taken = ring->Write(audio);
    audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(taken));

    stream_.ring_ = std::move(ring);
    stream_.pending_ = std::move(audio);
    stream_.codec_ = format->codec;
    stream_.connection_ = std::move(connection);
    stream_.body_ = std::move(body);
    stream_.read_timeout_ms_ = options_.read_timeout_ms;
    (head.kind() == HttpAnswer::Kind::kIcy ? stream_.icy_tags_ : stream_.http_tags_) = head.TagList();
    std::lock_guard lock(stream_.lock_);
    stream_.meta_ = meta;
    return kErrorOk;
  }

  Stream& stream_;
  const NetOptions& options_;
  uint32_t flags_;
  DownloadProc* proc_;
  void* user_;
};

// Waits until the ring holds `percent` of its size, the download ends or the
// stream is closed.
void Prebuffer(Stream& stream, uint32_t percent) {
  uint64_t want = static_cast<uint64_t>(stream.ring_->Capacity()) * percent / 100;
  while (stream.ring_->Fill() < want && !stream.download_ended_) {
    if (WaitForSingleObject(stream.cancel_, 20) == WAIT_OBJECT_0) return;
  }
}

// The stream of `handle` once StreamOpenUrl has returned it, or null.
std::shared_ptr<Stream> Usable(HSTREAM handle) {
  std::shared_ptr<Stream> s = gStreams.Find(handle);
  return s && s->Ready() ? s : nullptr;
}

}  // namespace

std::vector<HSTREAM> StreamHandles() { return gStreams.Handles(); }

void StreamsFreeAll() {
  for (HSTREAM h : gStreams.Handles()) {
    if (std::shared_ptr<Stream> s = gStreams.Remove(h)) s->Close();
  }
}

HSTREAM StreamOpenUrl(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc,
                      void* user) {
  if (OutputRate() == 0) return FailWith(kErrorNotInit, HSTREAM{0});
  if (!url) return FailWith(kErrorBadAddress, HSTREAM{0});
  NetOptions options = CurrentNetOptions();
  std::shared_ptr<Stream> stream;
  try {
    stream = std::make_shared<Stream>();
  } catch (const std::bad_alloc&) {
    return FailWith(kErrorMemory, HSTREAM{0});
  }
  if (!stream->Valid()) return FailWith(kErrorMemory, HSTREAM{0});
  // In the table from the start, so that StreamClose can abandon the connection.
  HSTREAM handle = gStreams.Add(stream);
  if (!handle) return FailWith(kErrorMemory, HSTREAM{0});
  stream->handle_ = handle;

  int error;
  try {
    error = Opener(*stream, options, flags, proc, user).Open(url, offset, options.resolve_playlists);
    if (error == kErrorOk) error = stream->Start(stream);
  } catch (const std::bad_alloc&) {
    error = kErrorMemory;
  }
  if (error == kErrorOk && options.prebuffer_percent > 0) Prebuffer(*stream, options.prebuffer_percent);
  if (stream->Cancelled()) error = kErrorAborted;
  if (error != kErrorOk) {
    // Whoever removes the handle closes the stream; a racing StreamClose may
    // have done it already.
    if (std::shared_ptr<Stream> s = gStreams.Remove(handle)) s->Close();
    return FailWith(error, HSTREAM{0});
  }
  return handle;
}

bool StreamClose(HSTREAM stream) {
  std::shared_ptr<Stream> s = gStreams.Remove(stream);
  if (!s) return FailWith(kErrorHandle, false);
  s->Close();
  return true;
}

uint64_t StreamFilePosition(HSTREAM stream, uint32_t mode) {
  std::shared_ptr<Stream> s = Usable(stream);
  if (!s) return FailWith(kErrorHandle, kFilePosError);
  switch (mode) {
    case kFilePosDecoded: return s->ring_->TotalRead();
    case kFilePosDownload: return s->ring_->TotalWritten();
    case kFilePosTotal:
      // Once nothing more can arrive, the buffer will not fill: a caller that
      // waits for it to fill learns so here.
      if (s->download_ended_) return FailWith(kErrorNoConnection, kFilePosError);
      return s->ring_->Capacity();
    default: return FailWith(kErrorIllegalParam, kFilePosError);
  }
}

const char* StreamTags(HSTREAM stream, uint32_t type) {
  // One buffer per type, so a list read with type 4 stays valid while the
  // caller reads type 5 on the same thread.
  thread_local std::string tHttp, tIcy, tMeta;
  std::shared_ptr<Stream> s = Usable(stream);
  if (!s) return FailWith(kErrorHandle, nullptr);
  switch (type) {
    case kTagsHttp:
      if (s->http_tags_.empty()) return nullptr;
      tHttp = s->http_tags_;
      return tHttp.c_str();
    case kTagsIcy:
      if (s->icy_tags_.empty()) return nullptr;
      tIcy = s->icy_tags_;
      return tIcy.c_str();
    case kTagsMeta: {
      std::lock_guard lock(s->lock_);
      if (s->meta_.empty()) return nullptr;
      tMeta = s->meta_;
      return tMeta.c_str();
    }
    default:
      return FailWith(kErrorIllegalParam, nullptr);
  }
}

HSYNC StreamSetSync(HSTREAM stream, uint32_t type, uint64_t, SyncProc* proc, void* user) {
  std::shared_ptr<Stream> s = Usable(stream);
  if (!s) return FailWith(kErrorHandle, HSYNC{0});
  if (type != kSyncMeta || !proc) return FailWith(kErrorIllegalParam, HSYNC{0});
  HSYNC sync = gNextSync.fetch_add(1);
  if (sync == 0) sync = gNextSync.fetch_add(1);
  std::lock_guard lock(s->lock_);
  if (s->closed_) return FailWith(kErrorHandle, HSYNC{0});
  s->syncs_.push_back(Sync{sync, proc, user});
  return sync;
}

bool StreamPlay(HSTREAM stream, bool) {
  std::shared_ptr<Stream> s = Usable(stream);
  if (!s) return FailWith(kErrorHandle, false);
  std::lock_guard lock(s->lock_);
  if (s->closed_) return FailWith(kErrorHandle, false);
  if (!s->decoder_) {
    std::unique_ptr<PcmSource> decoder = MakeDecoder(s->codec_, *s);
    if (!decoder) return FailWith(kErrorCodec, false);
    s->decoder_ = std::move(decoder);
  }
  // Attaching twice is harmless: the output keeps one entry per source.
  OutputAttach(s->decoder_);
  return true;
}
