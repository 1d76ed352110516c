// Internet streams: the handle table and the Stream* calls of engine.h.
#include "engine/stream_win.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/decoder.h"
#include "engine/engine_state.h"
#include "engine/handle_table.h"
#include "engine/pcm_source.h"
#include "engine/ring_buffer.h"

namespace {

class Stream final : public CompressedInput {
 public:
  Stream() : cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Stream() override {
    if (cancel_) CloseHandle(cancel_);
  }

  // Output thread (the decoder): takes buffered compressed audio.
  size_t Read(uint8_t* dst, size_t size) override { return ring_ ? ring_->Read(dst, size) : 0; }

  // Any thread, once: stops output and download. The download thread is joined
  // unless Close runs on it (from a sync callback), then it is left to end.
  void Close() {
    std::thread download;
    std::shared_ptr<PcmSource> decoder;
    {
      std::lock_guard lock(lock_);
      closed_ = true;
      if (cancel_) SetEvent(cancel_);
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

  HANDLE cancel_;
  std::unique_ptr<RingBuffer> ring_;  // set before the handle is given out

  std::mutex lock_;
  bool closed_ = false;                 // protected by lock_
  std::thread download_;                // protected by lock_
  std::shared_ptr<PcmSource> decoder_;  // protected by lock_
};

HandleTable<Stream> gStreams;

}  // namespace

std::vector<HSTREAM> StreamHandles() { return gStreams.Handles(); }

void StreamsFreeAll() {
  for (HSTREAM h : gStreams.Handles()) {
    if (std::shared_ptr<Stream> s = gStreams.Remove(h)) s->Close();
  }
}

HSTREAM StreamOpenUrl(const char* url, uint32_t, uint32_t, DownloadProc*, void*) {
  if (OutputRate() == 0) return FailWith(kErrorNotInit, HSTREAM{0});
  if (!url) return FailWith(kErrorBadAddress, HSTREAM{0});
  // The connection flow is being written; until it lands no address connects.
  return FailWith(kErrorNoConnection, HSTREAM{0});
}

bool StreamClose(HSTREAM stream) {
  std::shared_ptr<Stream> s = gStreams.Remove(stream);
  if (!s) return FailWith(kErrorHandle, false);
  s->Close();
  return true;
}

uint64_t StreamFilePosition(HSTREAM stream, uint32_t mode) {
  std::shared_ptr<Stream> s = gStreams.Find(stream);
  if (!s || !s->ring_) return FailWith(kErrorHandle, kFilePosError);
  switch (mode) {
    case kFilePosDecoded: return s->ring_->TotalRead();
    case kFilePosDownload: return s->ring_->TotalWritten();
    case kFilePosTotal: return s->ring_->Capacity();
    default: return FailWith(kErrorIllegalParam, kFilePosError);
  }
}

const char* StreamTags(HSTREAM stream, uint32_t) {
  if (!gStreams.Find(stream)) return FailWith(kErrorHandle, nullptr);
  return nullptr;
}

HSYNC StreamSetSync(HSTREAM stream, uint32_t, uint64_t, SyncProc*, void*) {
  if (!gStreams.Find(stream)) return FailWith(kErrorHandle, HSYNC{0});
  return FailWith(kErrorIllegalParam, HSYNC{0});
}

bool StreamPlay(HSTREAM stream, bool) {
  if (!gStreams.Find(stream)) return FailWith(kErrorHandle, false);
  return FailWith(kErrorFormat, false);
}
