// The engine's internet streams: one Stream per StreamOpenUrl, reached through
// a handle table. The public calls are in engine.h; this header adds what the
// rest of the engine and the tests need.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "engine/api/engine.h"
#include "engine/session/record_cut.h"

// Every live stream handle, also those of streams still connecting inside
// StreamOpenUrl (so another thread can abandon such a connection with
// StreamClose). Any thread.
std::vector<HSTREAM> StreamHandles();

// A caller's hold on its openings before they have a handle to close: an
// opening made with StreamOpenUrlUnder ends, with kErrorAborted, as soon as
// Abandon is called (whether it is looking the host up, connecting, waiting
// for the answer, resolving a playlist or probing), and one that starts after
// Abandon fails at once. What the opening made is freed by the opener's thread.
// Any thread; Abandon never waits for a connection.
class OpeningCancel {
 public:
  void Abandon();
  bool Abandoned();

 private:
  friend class OpeningEntry;
  std::mutex lock_;
  bool abandoned_ = false;        // protected by lock_
  std::vector<HSTREAM> openings_; // protected by lock_: handles being opened under it
};

// StreamOpenUrl, abandoned when `cancel` (may be null) is.
HSTREAM StreamOpenUrlUnder(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user,
                           const std::shared_ptr<OpeningCancel>& cancel);

// Recording: from the next whole frame or page on, the stream's audio as it
// arrives (no metadata, nothing re-encoded) goes to `tap` in one run per
// title, on the stream's download thread; a null tap ends it. Once this has
// returned, a tap given before is called no more. kErrorFormat for a
// stream that cannot be recorded as received (native FLAC). Any thread.
bool StreamSetRecordTap(HSTREAM stream, std::shared_ptr<RecordTap> tap);
