// Media Foundation plumbing shared by the AAC decoder and the rate converter:
// per-thread COM, process-wide MF start-up, PCM media types and samples.
#pragma once

#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mftransform.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/scoped_win.h"
#include "engine/codecs/decoder_pipeline.h"

// Initialises COM (multithreaded) on the calling thread once, for the thread's
// life; a thread that already runs an apartment keeps it. Then starts Media
// Foundation once per process. False when Media Foundation is not there.
[[nodiscard]] bool EnsureMediaFoundation();

// An audio media type: 16-bit integer PCM when `is_float` is false, else 32-bit float.
[[nodiscard]] HRESULT MakePcmType(uint32_t rate, uint32_t channels, bool is_float, ComPtr<IMFMediaType>& type);
// A sample whose one buffer holds a copy of `data` (or `capacity` empty bytes when data is null).
[[nodiscard]] HRESULT MakeSample(const void* data, DWORD size, DWORD capacity, ComPtr<IMFSample>& sample);
// Appends a sample's bytes to `out`, as 16-bit PCM (converting 32-bit float when `is_float`).
[[nodiscard]] HRESULT AppendSamplePcm(IMFSample* sample, bool is_float, std::vector<int16_t>& out);

// Pulls every pending output of `mft` into `out`; `on_stream_change` is called
// on MF_E_TRANSFORM_STREAM_CHANGE and must set a new output type (returns false
// to give up). Ends at MF_E_TRANSFORM_NEED_MORE_INPUT.
template <typename OnChange>
HRESULT DrainTransform(IMFTransform* mft, bool& is_float, std::vector<int16_t>& out, OnChange on_stream_change);

// Stereo 16-bit rate conversion with the system's audio resampler DSP.
class MfRateConverter : public RateConverter {
 public:
  bool Configure(uint32_t in_rate, uint32_t out_rate) override;
  bool Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& out) override;

 private:
  ComPtr<IMFTransform> mft_;
  uint32_t in_rate_ = 0;
  uint32_t out_rate_ = 0;
};

// ---- template body ----
template <typename OnChange>
HRESULT DrainTransform(IMFTransform* mft, bool& is_float, std::vector<int16_t>& out, OnChange on_stream_change) {
  for (int guard = 0; guard < 64; ++guard) {
    MFT_OUTPUT_STREAM_INFO info{};
    HRESULT hr = mft->GetOutputStreamInfo(0, &info);
    if (FAILED(hr)) return hr;
    MFT_OUTPUT_DATA_BUFFER buffer{};
    ComPtr<IMFSample> ours;
    if (!(info.dwFlags & (MFT_OUTPUT_STREAM_PROVIDES_SAMPLES | MFT_OUTPUT_STREAM_CAN_PROVIDE_SAMPLES))) {
      // cbSize is a minimum (one block for the resampler): give room for a
      // whole decoded frame of 8 channels, or a converted block.
      hr = MakeSample(nullptr, 0, std::max<DWORD>(info.cbSize, 65536), ours);
      if (FAILED(hr)) return hr;
      buffer.pSample = ours.Get();
    }
    DWORD status = 0;
    hr = mft->ProcessOutput(0, 1, &buffer, &status);
    ComPtr<IMFSample> produced;
    if (buffer.pSample) produced = buffer.pSample;
    if (!ours && buffer.pSample) buffer.pSample->Release();  // the transform's sample, now ours to drop
    if (buffer.pEvents) buffer.pEvents->Release();
    if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) return S_OK;
    if (hr == MF_E_TRANSFORM_STREAM_CHANGE) {
      if (!on_stream_change()) return hr;
      continue;
    }
    if (FAILED(hr)) return hr;
    if (produced) {
      hr = AppendSamplePcm(produced.Get(), is_float, out);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}
