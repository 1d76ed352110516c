// State shared by the engine's parts: the per-thread last error and the options.
// Portable; every function may be called from any thread.
#pragma once

#include <cstdint>
#include <string>

// Sets the calling thread's last error (EngineLastError reads it).
void SetEngineError(int code);
int GetEngineError();

// Returns `result` after recording `code`; for one-line failure returns.
template <typename T>
T FailWith(int code, T result) {
  SetEngineError(code);
  return result;
}

struct NetOptions {
  uint32_t connect_timeout_ms = 5000;  // option 11
  uint32_t read_timeout_ms = 5000;     // option 37
  uint32_t prebuffer_percent = 75;     // option 15
  bool resolve_playlists = false;      // option 21
  std::string proxy;                   // option 17, empty = direct
};

NetOptions CurrentNetOptions();
// Stores a numeric option; false for an unknown option or a value out of range.
bool StoreOption(uint32_t option, uint32_t value);
bool StoreOptionText(uint32_t option, const char* value);

// Implemented by the stream side: frees every stream (EngineFree).
void StreamsFreeAll();
