#include "engine/output/wave_device_win.h"

#include "engine/output/mixer_win.h"

bool WaveDevice::Open(UINT id, uint32_t rate, HANDLE event) {
  Close();
  if (waveOutGetNumDevs() == 0) return false;
  frames_per_buffer_ = rate * kWaveBufferMs / 1000;
  for (auto& s : samples_) s.assign(frames_per_buffer_ * 2, 0);
  const WAVEFORMATEX format = MixFormat(rate);
  if (waveOutOpen(&wave_, id, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    wave_ = nullptr;
    return false;
  }
  for (int i = 0; i < kWaveBufferCount; ++i) {
    headers_[i] = WAVEHDR{};
    headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
    headers_[i].dwBufferLength = DWORD(frames_per_buffer_ * 4);
    queued_[i] = false;
    if (waveOutPrepareHeader(wave_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
      Close();
      return false;
    }
  }
  return true;
}

void WaveDevice::Close() {
  if (!wave_) return;
  waveOutReset(wave_);  // returns every queued buffer
  for (auto& h : headers_) {
    if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave_, &h, sizeof(WAVEHDR));
  }
  waveOutClose(wave_);
  wave_ = nullptr;
}

void WaveDevice::Drop() {
  if (!wave_) return;
  waveOutReset(wave_);
  for (bool& q : queued_) q = false;
}
