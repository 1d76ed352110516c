#include "engine/codecs/media_win.h"

#include <mferror.h>
#include <wmcodecdsp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "base/scoped_win.h"
#include "base/thread_owned_win.h"
#include "engine/output/pcm_convert.h"

bool EnsureMediaFoundation() {
  // COM for this thread until it ends (RPC_E_CHANGED_MODE: the thread has an STA;
  // MF objects work there too).
  static ThreadOwned<ScopedComInit> com;
  (void)com.Get();
  static std::once_flag once;
  static bool started = false;
  // Never shut down: decoders may live until the process ends.
  std::call_once(once, [] { started = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE)); });
  return started;
}

HRESULT MakePcmType(uint32_t rate, uint32_t channels, bool is_float, ComPtr<IMFMediaType>& type) {
  HRESULT hr = MFCreateMediaType(&type);
  if (FAILED(hr)) return hr;
  const uint32_t bits = is_float ? 32 : 16;
  const uint32_t block = channels * bits / 8;
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  type->SetGUID(MF_MT_SUBTYPE, is_float ? MFAudioFormat_Float : MFAudioFormat_PCM);
  type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels);
  type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate);
  type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, bits);
  type->SetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, block);
  type->SetUINT32(MF_MT_AUDIO_AVG_BYTES_PER_SECOND, block * rate);
  return type->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE);
}

HRESULT MakeSample(const void* data, DWORD size, DWORD capacity, ComPtr<IMFSample>& sample) {
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = MFCreateMemoryBuffer(std::max(size, capacity), &buffer);
  if (FAILED(hr)) return hr;
  if (data && size) {
    BYTE* p = nullptr;
    hr = buffer->Lock(&p, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    std::memcpy(p, data, size);
    buffer->Unlock();
  }
  hr = buffer->SetCurrentLength(data ? size : 0);
  if (FAILED(hr)) return hr;
  hr = MFCreateSample(&sample);
  if (FAILED(hr)) return hr;
  return sample->AddBuffer(buffer.Get());
}

HRESULT AppendSamplePcm(IMFSample* sample, bool is_float, std::vector<int16_t>& out) {
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = sample->ConvertToContiguousBuffer(&buffer);
  if (FAILED(hr)) return hr;
  BYTE* p = nullptr;
  DWORD length = 0;
  hr = buffer->Lock(&p, nullptr, &length);
  if (FAILED(hr)) return hr;
  if (is_float) {
    const size_t n = length / sizeof(float);
    const size_t base = out.size();
    out.resize(base + n);
    for (size_t i = 0; i < n; ++i) {
      float f;
      std::memcpy(&f, p + i * sizeof(float), sizeof f);
      out[base + i] = FloatToSample(f * 32768.f);
    }
  } else {
    const size_t n = length / sizeof(int16_t);
    const size_t base = out.size();
    out.resize(base + n);
    std::memcpy(out.data() + base, p, n * sizeof(int16_t));
  }
  buffer->Unlock();
  return S_OK;
}

bool MfRateConverter::Configure(uint32_t in_rate, uint32_t out_rate) {
  mft_.Reset();
  in_rate_ = in_rate;
  out_rate_ = out_rate;
  if (!EnsureMediaFoundation()) return false;
  ComPtr<IUnknown> unknown;
  if (FAILED(CoCreateInstance(CLSID_CResamplerMediaObject, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&unknown))) ||
      FAILED(unknown.As(&mft_))) {
    return false;
  }
  ComPtr<IMFMediaType> in, out;
  if (FAILED(MakePcmType(in_rate, 2, false, in)) || FAILED(MakePcmType(out_rate, 2, false, out)) ||
      FAILED(mft_->SetInputType(0, in.Get(), 0)) || FAILED(mft_->SetOutputType(0, out.Get(), 0))) {
    mft_.Reset();
    return false;
  }
  mft_->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
  return true;
}

bool MfRateConverter::Convert(const int16_t* stereo, size_t frames, std::vector<int16_t>& out) {
  if (!mft_) return false;
  ComPtr<IMFSample> sample;
  const DWORD bytes = DWORD(frames * 4);
  if (FAILED(MakeSample(stereo, bytes, bytes, sample))) return false;
  bool is_float = false;
  HRESULT hr = mft_->ProcessInput(0, sample.Get(), 0);
  if (hr == MF_E_NOTACCEPTING) {
    if (FAILED(DrainTransform(mft_.Get(), is_float, out, [] { return false; }))) return false;
    hr = mft_->ProcessInput(0, sample.Get(), 0);
  }
  if (FAILED(hr)) return false;
  return SUCCEEDED(DrainTransform(mft_.Get(), is_float, out, [] { return false; }));
}
