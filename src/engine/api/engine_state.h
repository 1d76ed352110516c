// State shared by the engine's parts: the per-thread last error and the options.
// Portable; every function may be called from any thread.
#pragma once

#include <cstdint>
#include <new>
#include <string>

#include "engine/api/engine.h"
#include "engine/net/network.h"

// Sets the calling thread's last error (EngineLastError reads it).
void SetEngineError(int code);
int GetEngineError();

// Returns `result` after recording `code`; for one-line failure returns.
template <typename T>
T FailWith(int code, T result) {
  SetEngineError(code);
  return result;
}

// Runs the body of an engine call: an exception from inside becomes the
// calling thread's error code (kErrorMemory for an allocation failure,
// kErrorUnknown otherwise) and the call returns `failed`. No exception crosses
// the engine's interface.
template <typename T, typename Body>
T GuardedCall(T failed, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return FailWith(kErrorMemory, failed);
  } catch (...) {
    return FailWith(kErrorUnknown, failed);
  }
}

// Stores a numeric option; false for an unknown option or a value out of range.
bool StoreOption(uint32_t option, uint32_t value);
bool StoreOptionText(uint32_t option, const char* value);
// Sets NetOptions::own_port for the streams opened from now on (0: none).
void SetOwnListeningPort(uint16_t port);

// Implemented by the stream side: frees every stream (EngineFree).
void StreamsFreeAll();
