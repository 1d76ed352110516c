// Internet streams: one Stream per StreamOpenUrl, reached through a handle
// table, and the Stream* calls of engine.h. The connection policy (answers,
// redirects, playlists, probing, reconnection, splicing) is StreamSession's;
// a Stream holds what plays: the download buffer, the decoder, the syncs and
// the download thread.
//
// Threads: StreamOpenUrl connects on the caller's thread; each open stream has
// one download thread (session -> ring, metadata -> syncs, the end sync); the
// decoder reads the ring on the output thread. Any thread may close.
#include "engine/api/stream_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/guarded.h"
#include "base/scoped_win.h"
#include "base/thread_owned_win.h"
#include "base/wait_win.h"
#include "engine/api/engine_state.h"
#include "engine/api/handle_table.h"
#include "engine/codecs/decoder.h"
#include "engine/formats/ogg_reader.h"
#include "engine/net/net_win.h"
#include "engine/session/record_cut.h"
#include "engine/session/ring_buffer.h"
#include "engine/session/stream_session.h"

namespace {

constexpr DWORD kSpaceWaitMs = 250;   // re-check of a full ring (the event is the fast path)
constexpr DWORD kDrainPollMs = 100;   // checks of the ring running dry at the end
constexpr DWORD kTailMs = 250;        // the last decoded audio reaching the device
// While a second or more is buffered, the download thread lets bytes gather
// in the socket between reads: fewer, larger reads (under Wine every read and
// wait is a round trip to its server; a paced server sends a packet every few
// tens of milliseconds).
constexpr DWORD kGatherMs = 200;

struct Sync {
  HSYNC handle;
  uint32_t type;
  SyncProc* proc;
  void* user;
  bool told = false;  // an end sync that has been called (it is called once)
};

std::atomic<HSYNC> gNextSync{1};

// Where the cutter's runs go while nothing records.
class NoTap final : public RecordTap {
 public:
  void Begin(const std::string&, const char*) override {}
  void Write(std::span<const uint8_t>) override {}
};

class Stream final : public CompressedInput {
 public:
  Stream()
      : space_(MakeEvent(false)), exited_(MakeEvent(true)), end_sync_added_(MakeEvent(false)),
        network_(cancel_) {}
  ~Stream() override { decoder_.reset(); }  // before the ring it reads
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  bool Valid() const { return cancel_.Valid() && space_ && exited_ && end_sync_added_; }
  bool Cancelled() const { return cancel_.IsSet(); }
  // Any thread: ends every wait of the opening; the opener's thread then
  // fails the open and frees the stream.
  void Abandon() { cancel_.Set(); }

  // Opener thread, once: connects and starts downloading. kErrorAborted when
  // the stream was closed meanwhile.
  int Open(const std::shared_ptr<Stream>& self, HSTREAM handle, const char* url, uint64_t offset,
           const NetOptions& options, uint32_t flags, DownloadProc* proc, void* user) {
    handle_ = handle;
    session_ = std::make_unique<StreamSession>(network_, options, DecoderAvailable);
    StreamSession::StatusProc status;
    if ((flags & kStreamStatusCallback) && proc) {
      status = [proc, user](const std::string& line) { proc(line.c_str(), 0, user); };
    }
    if (int error = session_->Open(url, offset, status); error != kErrorOk) return error;
    codec_ = session_->format().codec;
    bitrate_ = session_->bitrate();
    ring_ = std::make_unique<RingBuffer>(StreamBufferBytes(bitrate_, true));
    http_tags_ = session_->http_tags();
    icy_tags_ = session_->icy_tags();
    first_audio_ = session_->TakeAudio();
    // An Ogg stream's titles are in its own headers: the first ones count as
    // what the stream carried when it opened.
    std::optional<std::string> ogg_title;
    if (codec_ == AudioCodec::kVorbis || codec_ == AudioCodec::kOpus || codec_ == AudioCodec::kFlac) {
      ogg_titles_ = std::make_unique<OggTitles>();
      ogg_title = ogg_titles_->Feed(first_audio_);
    }
    recordable_ = RecordableStream(codec_, first_audio_);
    name_seen_ = OwnName();
    std::lock_guard lock(lock_);
    name_ = name_seen_;
    meta_ = ogg_title ? *ogg_title : session_->first_meta();
    cutter_ = std::make_unique<RecordCutter>(codec_, meta_);
    if (closed_) return kErrorAborted;
    if (!StartGuardedThread(download_, [self] { self->Download(); })) return kErrorMemory;
    ready_ = true;
    return kErrorOk;
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
      cancel_.Set();
      download = std::move(download_);
      decoder = decoder_;
    }
    if (decoder) OutputDetach(decoder.get());
    if (!download.joinable()) return;
    if (download.get_id() == std::this_thread::get_id()) {
      download.detach();
      return;
    }
    // A sync callback may be sending a message to this very thread's window
    // (the program's notifications are synchronous): handle sent messages
    // while waiting, or both threads would wait for each other.
    WaitHandlingSentMessages(exited_.Get());
    download.join();
  }

  bool Ready() {
    std::lock_guard lock(lock_);
    return ready_ && !closed_;
  }

  // Waits until the ring holds `percent` of the start buffer, the download
  // ends or the stream is closed.
  void Prebuffer(uint32_t percent) {
    const uint64_t want = static_cast<uint64_t>(StreamBufferBytes(bitrate_, false)) * percent / 100;
    while (ring_->Fill() < want && !download_ended_) {
      if (WaitForSingleObject(cancel_.Event(), 20) == WAIT_OBJECT_0) return;
    }
  }

  uint64_t Position(uint32_t mode) const {
    switch (mode) {
      case kFilePosDecoded: return ring_->TotalRead();
      case kFilePosDownload: return ring_->TotalWritten();
      case kFilePosTotal:
        // Once nothing more can arrive (the stream ended for good), the buffer
        // will not fill: a caller that waits for it to fill learns so here.
        if (download_ended_) return FailWith(kErrorNoConnection, kFilePosError);
        return BufferBytes();
      default: return FailWith(kErrorIllegalParam, kFilePosError);
    }
  }

  // The list or text of `type`, copied into `out`; false when there is none.
  bool Tags(uint32_t type, std::string& out) {
    switch (type) {
      case kTagsHttp: out = http_tags_; break;
      case kTagsIcy: out = icy_tags_; break;
      case kTagsMeta: {
        std::lock_guard lock(lock_);
        out = meta_;
        break;
      }
      case kTagsStreamName: {
        std::lock_guard lock(lock_);
        out = name_;
        break;
      }
      default: return false;
    }
    return !out.empty();
  }

  HSYNC AddSync(uint32_t type, SyncProc* proc, void* user) {
    HSYNC sync = gNextSync.fetch_add(1);
    if (sync == 0) sync = gNextSync.fetch_add(1);
    std::lock_guard lock(lock_);
    if (closed_) return FailWith(kErrorHandle, HSYNC{0});
    syncs_.push_back(Sync{sync, type, proc, user});
    if (type == kSyncEnd) SetEvent(end_sync_added_.Get());  // the end may have come already
    return sync;
  }

  int Play() {
    std::shared_ptr<PcmSource> decoder;
    {
      std::lock_guard lock(lock_);
      if (closed_) return kErrorHandle;
      if (!decoder_) {
        std::unique_ptr<PcmSource> made = MakeDecoder(codec_, *this);
        if (!made) return kErrorCodec;
        decoder_ = std::move(made);
      }
      decoder = decoder_;
    }
    // Playing: the buffer grows from the start size to the whole ring, so a
    // burst is kept.
    playing_ = true;
    SetEvent(space_.Get());
    // Attaching twice is harmless: the output keeps one entry per source.
    OutputAttach(decoder);
    // A Close that ran since the check above may have detached before this
    // attach: the decoder would then be mixed on after its stream is gone.
    bool closed;
    {
      std::lock_guard lock(lock_);
      closed = closed_;
    }
    if (closed) {
      OutputDetach(decoder.get());
      return kErrorHandle;
    }
    return kErrorOk;
  }

  // Output thread (the decoder): takes buffered compressed audio, never across
  // a join where the decoder has to resynchronise.
  size_t Read(uint8_t* dst, size_t size) override {
    {
      std::lock_guard lock(marks_lock_);
      if (!marks_.empty()) {
        const uint64_t at = ring_->TotalRead();
        size = static_cast<size_t>(std::min<uint64_t>(size, marks_.front() - std::min(marks_.front(), at)));
      }
    }
    const size_t n = ring_->Read(dst, size);
    if (n) SetEvent(space_.Get());
    return n;
  }

  // Any thread: the stream's audio goes to `tap` from its next whole frame or
  // page on, in one run per title (null: the recording ends). Once this has
  // returned, the tap given before hears nothing more.
  int SetRecordTap(std::shared_ptr<RecordTap> tap) {
    if (tap && !recordable_) return kErrorFormat;
    std::lock_guard lock(record_lock_);
    tap_ = std::move(tap);
    record_restart_ = true;
    return kErrorOk;
  }

  bool TakeDiscontinuity() override {
    std::lock_guard lock(marks_lock_);
    if (marks_.empty() || marks_.front() > ring_->TotalRead()) return false;
    marks_.pop_front();
    return true;
  }

 private:
  // Download thread.
  void Download() {
    RunGuarded([this] { DownloadLoop(); });
    session_.reset();  // the connection goes as soon as it is of no use
    SetEvent(exited_.Get());
  }

  void DownloadLoop() {
    Record(first_audio_, {});
    if (!WriteAudio(first_audio_)) return;
    first_audio_ = {};
    // Each block with its place in the audio received, for the recording's cuts.
    std::vector<std::pair<size_t, std::string>> metas;
    auto on_meta = [this, &metas](const std::string& text) {
      metas.emplace_back(session_->meta_at(), text);
      OnMeta(text);
    };
    std::vector<uint8_t> audio;
    for (;;) {
      audio.clear();
      metas.clear();
      bool discontinuity = false;
      const StreamSession::Next next = session_->Receive(audio, discontinuity, on_meta);
      if (next == StreamSession::Next::kClosed) return;
      if (next == StreamSession::Next::kEnd) break;
      if (discontinuity) {
        std::lock_guard lock(marks_lock_);
        marks_.push_back(ring_->TotalWritten());
      }
      if (ogg_titles_) {
        if (discontinuity) ogg_titles_->Reset();
        // A new chained stream's comments: a repeat of the current title (the
        // headers a server sends again on reconnect) is no change.
        if (std::optional<std::string> title = ogg_titles_->Feed(audio)) OnMeta(*title);
      }
      if (const std::string& name = OwnName(); name != name_seen_) {
        name_seen_ = name;
        {
          std::lock_guard lock(lock_);
          name_ = name_seen_;
        }
        Fire(kSyncStreamName);
      }
      if (discontinuity) cutter_->Break();
      Record(audio, metas);
      if (!WriteAudio(audio)) return;
      if (playing_ && ring_->Fill() >= GatherBytes(bitrate_) &&
          WaitForSingleObject(cancel_.Event(), kGatherMs) == WAIT_OBJECT_0)
        return;
    }
    download_ended_ = true;
    // Ended for good: each end sync hears of it once what was buffered has
    // played (at once while the stream does not play). One set after the end
    // hears of it too, so the thread stays until the stream is closed.
    for (;;) {
      while (playing_ && ring_->Fill() > 0) {
        if (WaitForSingleObject(cancel_.Event(), kDrainPollMs) == WAIT_OBJECT_0) return;
      }
      if (playing_ && WaitForSingleObject(cancel_.Event(), kTailMs) == WAIT_OBJECT_0) return;
      FireEnd();
      HANDLE handles[2] = {cancel_.Event(), end_sync_added_.Get()};
      if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    }
  }

  // Download thread: the audio received, with the metadata blocks placed in
  // it, to the recording's cutter (which follows Ogg streams even while
  // nothing records).
  void Record(std::span<const uint8_t> audio, const std::vector<std::pair<size_t, std::string>>& metas) {
    std::lock_guard lock(record_lock_);
    if (record_restart_) {
      record_restart_ = false;
      if (tap_) cutter_->Start();
      else cutter_->Stop();
    }
    NoTap none;
    RecordTap& tap = tap_ ? *tap_ : static_cast<RecordTap&>(none);
    try {
      size_t at = 0;
      for (const auto& [place, text] : metas) {
        const size_t to = std::clamp(place, at, audio.size());
        cutter_->Feed(audio.subspan(at, to - at), tap);
        cutter_->Title(text);
        at = to;
      }
      cutter_->Feed(audio.subspan(at), tap);
    } catch (...) {
      // Out of memory in the recording's own bookkeeping: the recording goes,
      // the sound stays (the download loop must not end for it).
      tap_.reset();
      cutter_->Stop();
    }
  }

  // Calls each end sync not called yet.
  void FireEnd() {
    std::vector<Sync> syncs;
    {
      std::lock_guard lock(lock_);
      if (closed_ || !ready_) return;
      for (Sync& s : syncs_) {
        if (s.type != kSyncEnd || s.told) continue;
        s.told = true;
        syncs.push_back(s);
      }
    }
    for (const Sync& s : syncs) s.proc(s.handle, handle_, 0, s.user);
  }

  // The buffer's size now, as the program sees it and as the download fills it.
  size_t BufferBytes() const { return StreamBufferBytes(bitrate_, playing_); }

  // Writes all of `audio` into the ring, waiting while it is full: full means
  // the start size until playback starts, the whole ring afterwards. False
  // when the stream was closed.
  bool WriteAudio(std::span<const uint8_t> audio) {
    while (!audio.empty()) {
      const size_t limit = std::min(BufferBytes(), ring_->Capacity());
      const size_t fill = ring_->Fill();
      const size_t room = limit > fill ? limit - fill : 0;
      audio = audio.subspan(ring_->Write(audio.first(std::min(room, audio.size()))));
      if (audio.empty()) break;
      HANDLE handles[2] = {cancel_.Event(), space_.Get()};
      if (WaitForMultipleObjects(2, handles, FALSE, kSpaceWaitMs) == WAIT_OBJECT_0) return false;
    }
    return !Cancelled();
  }

  // Opener, then download thread: the stream's own name (kTagsStreamName).
  const std::string& OwnName() const {
    return ogg_titles_ && !ogg_titles_->station().empty() ? ogg_titles_->station() : session_->own_name();
  }

  void OnMeta(const std::string& text) {
    {
      std::lock_guard lock(lock_);
      // A reconnection repeats the current block: that is no change.
      if (text == meta_) return;
      meta_ = text;
    }
    Fire(kSyncMeta);
  }

  void Fire(uint32_t type) {
    std::vector<Sync> syncs;
    {
      std::lock_guard lock(lock_);
      if (closed_ || !ready_) return;
      for (const Sync& s : syncs_) {
        if (s.type == type) syncs.push_back(s);
      }
    }
    for (const Sync& s : syncs) s.proc(s.handle, handle_, 0, s.user);
  }

  CancelSignal cancel_;  // set by Close
  UniqueHandle space_;   // auto reset; set when the decoder took bytes or playback started
  UniqueHandle exited_;  // manual reset; set when the download thread is done
  UniqueHandle end_sync_added_;  // auto reset; set when an end sync is set
  StreamNetwork network_;
  HSTREAM handle_ = 0;

  // Made by the opener before the download thread starts, then the download
  // thread's own.
  std::unique_ptr<StreamSession> session_;
  std::vector<uint8_t> first_audio_;         // the probed audio, until written
  std::unique_ptr<OggTitles> ogg_titles_;    // Ogg, FLAC: titles from the stream's own headers
  std::string name_seen_;                    // OwnName as name_ last took it
  // Set by the opener before the download thread starts, read-only afterwards.
  std::unique_ptr<RingBuffer> ring_;
  uint32_t bitrate_ = 0;  // bits/s, 0 unknown: sizes the buffer
  AudioCodec codec_ = AudioCodec::kUnknown;
  std::string http_tags_;  // HTTP answer's header list, empty for an ICY answer
  std::string icy_tags_;   // ICY answer's header list, empty for an HTTP answer
  std::atomic<bool> download_ended_{false};
  std::atomic<bool> playing_{false};

  bool recordable_ = false;  // set by the opener: RecordableStream
  std::mutex record_lock_;
  std::unique_ptr<RecordCutter> cutter_;  // protected by record_lock_; made by the opener
  std::shared_ptr<RecordTap> tap_;        // protected by record_lock_: the recording, or null
  bool record_restart_ = false;           // protected by record_lock_: tap_ changed

  std::mutex marks_lock_;
  std::deque<uint64_t> marks_;  // protected by marks_lock_: ring positions where a new run of audio starts

  std::mutex lock_;
  bool closed_ = false;                 // protected by lock_
  bool ready_ = false;                  // protected by lock_: StreamOpenUrl succeeded
  std::thread download_;                // protected by lock_
  std::shared_ptr<PcmSource> decoder_;  // protected by lock_
  std::string meta_;                    // protected by lock_: newest metadata block
  std::string name_;                    // protected by lock_: the stream's own name, empty = none
  std::vector<Sync> syncs_;             // protected by lock_
};

HandleTable<Stream> gStreams;

// The stream of `handle` once StreamOpenUrl has returned it, or null.
std::shared_ptr<Stream> Usable(HSTREAM handle) {
  std::shared_ptr<Stream> s = gStreams.Find(handle);
  return s && s->Ready() ? s : nullptr;
}

}  // namespace

// One opening's place in its OpeningCancel, for the time StreamOpenUrlUnder runs.
class OpeningEntry {
 public:
  OpeningEntry(const std::shared_ptr<OpeningCancel>& cancel, HSTREAM handle) : cancel_(cancel.get()), handle_(handle) {}
  ~OpeningEntry() {
    if (!cancel_ || !entered_) return;
    std::lock_guard lock(cancel_->lock_);
    std::erase(cancel_->openings_, handle_);
  }
  OpeningEntry(const OpeningEntry&) = delete;
  OpeningEntry& operator=(const OpeningEntry&) = delete;
  // False when the caller has abandoned its openings already.
  bool Enter() {
    if (!cancel_) return true;
    std::lock_guard lock(cancel_->lock_);
    if (cancel_->abandoned_) return false;
    cancel_->openings_.push_back(handle_);
    entered_ = true;
    return true;
  }

 private:
  OpeningCancel* cancel_;
  HSTREAM handle_;
  bool entered_ = false;
};

void OpeningCancel::Abandon() {
  std::lock_guard lock(lock_);
  abandoned_ = true;
  for (HSTREAM h : openings_) {
    if (std::shared_ptr<Stream> s = gStreams.Find(h)) s->Abandon();
  }
}

bool OpeningCancel::Abandoned() {
  std::lock_guard lock(lock_);
  return abandoned_;
}

std::vector<HSTREAM> StreamHandles() { return gStreams.Handles(); }

void StreamsFreeAll() {
  for (HSTREAM h : gStreams.Handles()) {
    if (std::shared_ptr<Stream> s = gStreams.Remove(h)) s->Close();
  }
}

HSTREAM StreamOpenUrl(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user) {
  return StreamOpenUrlUnder(url, offset, flags, proc, user, nullptr);
}

HSTREAM StreamOpenUrlUnder(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user,
                           const std::shared_ptr<OpeningCancel>& cancel) {
  return GuardedCall(HSTREAM{0}, [&]() -> HSTREAM {
    if (OutputRate() == 0) return FailWith(kErrorNotInit, HSTREAM{0});
    if (!url) return FailWith(kErrorBadAddress, HSTREAM{0});
    const NetOptions options = CurrentNetOptions();
    auto stream = std::make_shared<Stream>();
    if (!stream->Valid()) return FailWith(kErrorMemory, HSTREAM{0});
    // In the table from the start, so that StreamClose can abandon the connection.
    const HSTREAM handle = gStreams.Add(stream);
    if (!handle) return FailWith(kErrorMemory, HSTREAM{0});
    int error = kErrorAborted;
    {
      // Left before the last look at the cancel signal below, so an Abandon
      // either ends this opening or comes too late to touch the stream.
      OpeningEntry entry(cancel, handle);
      if (entry.Enter()) {
        error = kErrorMemory;
        RunGuarded([&] { error = stream->Open(stream, handle, url, offset, options, flags, proc, user); },
                   [&](std::exception_ptr) { error = kErrorMemory; });
      }
      if (error == kErrorOk && options.prebuffer_percent > 0) stream->Prebuffer(options.prebuffer_percent);
    }
    if (stream->Cancelled()) error = kErrorAborted;
    if (error != kErrorOk) {
      // Whoever removes the handle closes the stream; a racing StreamClose may
      // have done it already.
      if (std::shared_ptr<Stream> s = gStreams.Remove(handle)) s->Close();
      return FailWith(error, HSTREAM{0});
    }
    return handle;
  });
}

bool StreamClose(HSTREAM stream) {
  return GuardedCall(false, [&] {
    std::shared_ptr<Stream> s = gStreams.Remove(stream);
    if (!s) return FailWith(kErrorHandle, false);
    s->Close();
    return true;
  });
}

uint64_t StreamFilePosition(HSTREAM stream, uint32_t mode) {
  return GuardedCall(kFilePosError, [&] {
    std::shared_ptr<Stream> s = Usable(stream);
    if (!s) return FailWith(kErrorHandle, kFilePosError);
    return s->Position(mode);
  });
}

const char* StreamTags(HSTREAM stream, uint32_t type) {
  return GuardedCall(static_cast<const char*>(nullptr), [&]() -> const char* {
    // One buffer per type, so a list read with type 4 stays valid while the
    // caller reads type 5 (or the stream's name) on the same thread.
    struct Texts {
      std::string http, icy, meta, name;
    };
    static ThreadOwned<Texts> texts;
    std::shared_ptr<Stream> s = Usable(stream);
    if (!s) return FailWith(kErrorHandle, nullptr);
    Texts* held = texts.Get();
    if (!held) return FailWith(kErrorMemory, nullptr);
    std::string* out = type == kTagsHttp         ? &held->http
                       : type == kTagsIcy        ? &held->icy
                       : type == kTagsMeta       ? &held->meta
                       : type == kTagsStreamName ? &held->name
                                                 : nullptr;
    if (!out) return FailWith(kErrorIllegalParam, nullptr);
    if (!s->Tags(type, *out)) return nullptr;
    return out->c_str();
  });
}

HSYNC StreamSetSync(HSTREAM stream, uint32_t type, uint64_t, SyncProc* proc, void* user) {
  return GuardedCall(HSYNC{0}, [&] {
    std::shared_ptr<Stream> s = Usable(stream);
    if (!s) return FailWith(kErrorHandle, HSYNC{0});
    const bool known = type == kSyncMeta || type == kSyncEnd || type == kSyncStreamName;
    if (!known || !proc) return FailWith(kErrorIllegalParam, HSYNC{0});
    return s->AddSync(type, proc, user);
  });
}

bool StreamSetRecordTap(HSTREAM stream, std::shared_ptr<RecordTap> tap) {
  return GuardedCall(false, [&] {
    std::shared_ptr<Stream> s = Usable(stream);
    if (!s) return FailWith(kErrorHandle, false);
    const int error = s->SetRecordTap(std::move(tap));
    return error == kErrorOk ? true : FailWith(error, false);
  });
}

bool StreamPlay(HSTREAM stream, bool) {
  return GuardedCall(false, [&] {
    std::shared_ptr<Stream> s = Usable(stream);
    if (!s) return FailWith(kErrorHandle, false);
    const int error = s->Play();
    return error == kErrorOk ? true : FailWith(error, false);
  });
}
