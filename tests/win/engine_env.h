// The audio engine for tests that need it: initialised on the default device
// at the engine's output rate when it is not already, with the AAC plug-in, as
// the program starts it. Idempotent, and safe after another test freed it (the
// main window's tests free it when their window is destroyed).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/api/engine.h"

namespace engine_env {

inline constexpr uint32_t kRate = 44100;  // Hz, the output rate every test opens

// True when the engine is up (false: no output device here; see EngineLastError).
inline bool EnsureEngine() {
  const bool up = EngineInit(kEngineDefaultDevice, kRate, 0, nullptr, nullptr) ||
                  EngineLastError() == kErrorAlready;
  static const bool aac = EngineLoadPlugin(kPluginAac, 0) != 0;  // decoders work without a device too
  (void)aac;
  return up;
}

// The network options the program sets at start-up (its proxy aside).
inline void UseProgramNetOptions() {
  EngineSetOption(kOptionNetPlaylist, 1);
  EngineSetOption(kOptionNetPrebuffer, 0);
  EngineSetOption(kOptionNetReadTimeout, 15000);
  EngineSetOption(kOptionNetTimeout, 15000);
}

// The captured output file (VOLNAR_AUDIO_OUT, a Unix path) as a Windows path
// through Wine's Z: drive; empty when not capturing.
inline std::wstring CapturePath() {
  const char* unix_path = std::getenv("VOLNAR_AUDIO_OUT");
  if (!unix_path || !*unix_path) return {};
  std::wstring path = L"Z:";
  for (const char* p = unix_path; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(uint8_t(*p));
  return path;
}

inline uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Waits (without asserting any time) until the captured file has grown by
// `bytes` beyond `from`, up to `limit_ms`; returns the size reached.
inline uint64_t WaitForCapture(const std::wstring& path, uint64_t from, uint64_t bytes, int limit_ms = 20000) {
  uint64_t size = FileSize(path);
  for (int waited = 0; size < from + bytes && waited < limit_ms; waited += 20) {
    Sleep(20);
    size = FileSize(path);
  }
  return size;
}

}  // namespace engine_env

using engine_env::EnsureEngine;
