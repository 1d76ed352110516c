#include "engine/api/engine_state.h"

#include <mutex>

#include "engine/api/engine.h"

namespace {

thread_local int tLastError = kErrorOk;

std::mutex gOptionsLock;
NetOptions gOptions;  // protected by gOptionsLock

}  // namespace

void SetEngineError(int code) { tLastError = code; }
int GetEngineError() { return tLastError; }

NetOptions CurrentNetOptions() {
  std::lock_guard lock(gOptionsLock);
  return gOptions;
}

bool StoreOption(uint32_t option, uint32_t value) {
  std::lock_guard lock(gOptionsLock);
  switch (option) {
    case kOptionNetTimeout:
      gOptions.connect_timeout_ms = value;
      return true;
    case kOptionNetReadTimeout:
      gOptions.read_timeout_ms = value;
      return true;
    case kOptionNetPrebuffer:
      if (value > 100) return FailWith(kErrorIllegalParam, false);
      gOptions.prebuffer_percent = value;
      return true;
    case kOptionNetPlaylist:
      if (value > 2) return FailWith(kErrorIllegalParam, false);
      gOptions.resolve_playlists = value != 0;
      return true;
    case kOptionWmaPrebuffer:
      return true;
    case kOptionNetReconnect:
      gOptions.reconnect_ms = value;
      return true;
    default:
      return FailWith(kErrorIllegalParam, false);
  }
}

void SetOwnListeningPort(uint16_t port) {
  std::lock_guard lock(gOptionsLock);
  gOptions.own_port = port;
}

bool StoreOptionText(uint32_t option, const char* value) {
  if (option != kOptionNetProxy) return FailWith(kErrorIllegalParam, false);
  std::lock_guard lock(gOptionsLock);
  gOptions.proxy = value ? value : "";
  return true;
}
