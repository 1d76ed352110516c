// The engine's start-up and output calls: version, device, plug-ins, options,
// volume, start/stop and release.
#include <windows.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/ascii.h"
#include "base/guarded.h"
#include "engine/api/engine.h"
#include "engine/api/engine_state.h"
#include "engine/codecs/decoder_win.h"
#include "engine/output/output_win.h"

namespace {

std::mutex gEngineLock;  // serialises EngineInit and EngineFree
bool gInitialised = false;  // protected by gEngineLock

constexpr uint32_t kPluginHandleAac = 1;

// The name after the last path separator. Our codecs are built in, so the
// plug-in's folder locates nothing and nothing is ever loaded from it.
std::string_view FileName(std::string_view path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool Initialised() {
  std::lock_guard lock(gEngineLock);
  return gInitialised;
}

}  // namespace

uint32_t EngineVersion() { return kEngineVersion; }

bool EngineInit(int device, uint32_t freq, uint32_t /*flags*/, void* /*window*/, const void* /*clsid*/) {
  return GuardedCall(false, [&] {
    std::lock_guard lock(gEngineLock);
    if (gInitialised) return FailWith(kErrorAlready, false);
    if (device < kEngineDefaultDevice || freq < 8000 || freq > 192000) return FailWith(kErrorIllegalParam, false);
    const int error = OutputOpen(device, freq);
    if (error != kErrorOk) return FailWith(error, false);
    OutputSetRunning(true);
    gInitialised = true;
    SetEngineError(kErrorOk);
    return true;
  });
}

uint32_t EngineLoadPlugin(const char* file, uint32_t /*flags*/) {
  return GuardedCall(0u, [&] {
    if (!file) return FailWith(kErrorFileOpen, 0u);
    const std::string_view name = FileName(file);
    if (EqualsIgnoreCase(name, kPluginAac)) {
      // Checked on a thread of its own: the check starts COM and Media
      // Foundation, and the caller's thread may want a single-threaded
      // apartment for windows later.
      bool works = false;
      std::thread check;
      if (!StartGuardedThread(check, [&works] { works = AacDecoderWorks(); })) return FailWith(kErrorMemory, 0u);
      check.join();
      if (!works) return FailWith(kErrorCodec, 0u);
      SetAacEnabled(true);
      SetEngineError(kErrorOk);
      return kPluginHandleAac;
    }
    // No decoder for WMA streams exists here.
    if (EqualsIgnoreCase(name, kPluginWma)) return FailWith(kErrorCodec, 0u);
    return FailWith(kErrorFileOpen, 0u);
  });
}

bool EngineSetOption(uint32_t option, uint32_t value) {
  return GuardedCall(false, [&] {
    if (!StoreOption(option, value)) return false;
    SetEngineError(kErrorOk);
    return true;
  });
}

bool EngineSetOptionText(uint32_t option, const char* value) {
  return GuardedCall(false, [&] {
    if (!StoreOptionText(option, value)) return false;
    SetEngineError(kErrorOk);
    return true;
  });
}

float EngineGetVolume() {
  SetEngineError(kErrorOk);
  return OutputVolume();
}

bool EngineSetVolume(float volume) {
  if (!(volume >= 0.0f && volume <= 1.0f)) return FailWith(kErrorIllegalParam, false);  // NaN too
  OutputSetVolume(volume);
  SetEngineError(kErrorOk);
  return true;
}

bool EngineStart() {
  return GuardedCall(false, [&] {
    if (!Initialised()) return FailWith(kErrorNotInit, false);
    OutputSetRunning(true);
    SetEngineError(kErrorOk);
    return true;
  });
}

bool EngineStop() {
  return GuardedCall(false, [&] {
    if (!Initialised()) return FailWith(kErrorNotInit, false);
    OutputSetRunning(false);
    SetEngineError(kErrorOk);
    return true;
  });
}

bool EngineFree() {
  return GuardedCall(false, [&] {
    std::lock_guard lock(gEngineLock);
    if (!gInitialised) return FailWith(kErrorNotInit, false);
    StreamsFreeAll();
    OutputClose();
    OutputSetRunning(true);
    gInitialised = false;
    SetEngineError(kErrorOk);
    return true;
  });
}

int EngineLastError() { return GetEngineError(); }
