// The sound output behind the engine's start-up calls (engine_win.cpp): WASAPI for
// the default device, following it when it changes or goes away, and waveOut for a
// numbered device or when WASAPI cannot play. Every function may be called from
// any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

// Opens `device` (-1 = the default) at `rate` Hz, 16-bit stereo, and starts the
// output thread. Returns kErrorOk or the engine error code.
int OutputOpen(int device, uint32_t rate);
// Stops the thread and closes the device. Attached sources stay attached.
void OutputClose();
bool OutputIsOpen();
// Running: sources are rendered and mixed. Stopped: the device plays silence
// and no source is asked for audio; audio already queued is dropped.
void OutputSetRunning(bool running);
bool OutputRunning();
void OutputSetVolume(float volume);  // 0.0 .. 1.0, applied in the mix
float OutputVolume();

// What the output thread has done with devices since OutputOpen.
enum class OutputPath { kNone, kWasapi, kWaveOut };
struct OutputStatus {
  OutputPath path = OutputPath::kNone;  // the device playing now
  uint32_t opens = 0;            // devices opened, the first one included
  uint32_t lost = 0;             // devices given up: invalidated, removed, or never started
  uint32_t start_failures = 0;   // Start calls that failed
  uint32_t default_changes = 0;  // the system said that the default device changed
  // While a source sounded: mixes in which the attached sources had less
  // audio ready than asked, so that silence followed (each a break in the
  // sound, or its end), and passes that found the device's queue empty (the
  // output thread came back too late).
  uint32_t short_mixes = 0;
  uint32_t late_passes = 0;
  uint32_t longest_pass_ms = 0;  // the longest time between two passes while sounding
};
OutputStatus OutputGetStatus();

// ---- The sound system as the default device's path sees it ----
// The calls the output makes on a shared-mode WASAPI stream, behind an
// interface so that tests can fail them the way Windows does. Results are the
// system's HRESULTs (AUDCLNT_E_DEVICE_INVALIDATED once the endpoint is gone).
// The output thread alone calls them.
class RenderStream {
 public:
  virtual ~RenderStream() = default;
  virtual UINT32 BufferFrames() const = 0;  // the endpoint buffer's size, frames
  [[nodiscard]] virtual HRESULT Padding(UINT32& frames) = 0;  // frames queued, not yet played
  [[nodiscard]] virtual HRESULT GetBuffer(UINT32 frames, BYTE*& data) = 0;
  [[nodiscard]] virtual HRESULT ReleaseBuffer(UINT32 frames) = 0;
  [[nodiscard]] virtual HRESULT Start() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Reset() = 0;  // drops what is queued (stopped streams only)
};

// The machine's render endpoints. Made, used and destroyed on the output
// thread, inside its COM apartment.
class RenderEndpoints {
 public:
  virtual ~RenderEndpoints() = default;
  // Opens a 16-bit stereo stream at `rate` Hz on the default render endpoint.
  [[nodiscard]] virtual HRESULT OpenDefault(uint32_t rate, std::unique_ptr<RenderStream>& out) = 0;
  // From now on calls `changed`, on a thread of the system's, when the default
  // render endpoint changes or the one opened last stops being usable.
  virtual void Watch(std::function<void()> changed) = 0;
};

// The endpoints the default device opens through from the next OutputOpen on:
// the system's (an empty function) or a test's.
void OutputUseEndpoints(std::function<std::unique_ptr<RenderEndpoints>()> make);
