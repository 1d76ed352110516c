// The waveOut path: a numbered device, and the default one when WASAPI cannot
// play. The device signals an event (CALLBACK_EVENT: a waveOut callback may not
// call wave functions), and the output thread, woken by it, refills each buffer
// the device has finished with.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/output/output_timing.h"

// One open waveOut device; the output thread's.
class WaveDevice {
 public:
  WaveDevice() = default;
  WaveDevice(const WaveDevice&) = delete;
  WaveDevice& operator=(const WaveDevice&) = delete;
  ~WaveDevice() { Close(); }

  // Opens device `id` (WAVE_MAPPER: the default) for the mix's format at
  // `rate`; the device sets `event` as it finishes each buffer.
  bool Open(UINT id, uint32_t rate, HANDLE event);
  void Close();
  bool IsOpen() const { return wave_ != nullptr; }
  void Drop();  // every queued buffer back, unplayed
  // Refills each buffer the device is done with from `produce`. False when a
  // write failed (MMSYSERR_NODRIVER: the device was removed); that buffer's
  // audio goes back to `unplayed`.
  template <typename Produce>
  bool Fill(Produce&& produce, std::vector<int16_t>& unplayed);

 private:
  HWAVEOUT wave_ = nullptr;
  size_t frames_per_buffer_ = 0;
  std::vector<int16_t> samples_[kWaveBufferCount];
  WAVEHDR headers_[kWaveBufferCount]{};
  bool queued_[kWaveBufferCount]{};
};

template <typename Produce>
bool WaveDevice::Fill(Produce&& produce, std::vector<int16_t>& unplayed) {
  for (int i = 0; i < kWaveBufferCount && wave_; ++i) {
    if (queued_[i] && !(headers_[i].dwFlags & WHDR_DONE)) continue;
    produce(samples_[i].data(), frames_per_buffer_);
    const MMRESULT r = waveOutWrite(wave_, &headers_[i], sizeof(WAVEHDR));
    queued_[i] = r == MMSYSERR_NOERROR;
    if (r != MMSYSERR_NOERROR) {
      unplayed.insert(unplayed.begin(), samples_[i].begin(), samples_[i].end());
      return false;
    }
  }
  return true;
}
