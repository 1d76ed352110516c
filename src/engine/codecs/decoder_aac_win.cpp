// AAC frames in ADTS to PCM through the Media Foundation AAC decoder.
#include <windows.h>
#include <mferror.h>
#include <mmreg.h>

#include <cstring>

#include "engine/codecs/decoder_win.h"
#include "engine/codecs/media_win.h"

namespace {

// The system's AAC decoder transform; not in every SDK's headers.
constexpr CLSID kClsidAacDecoder = {0x32d186a7, 0x218f, 0x4c75, {0x88, 0x76, 0xdd, 0x77, 0x27, 0x3a, 0x89, 0x99}};

HRESULT CreateAacDecoder(ComPtr<IMFTransform>& mft) {
  HRESULT hr = CoCreateInstance(kClsidAacDecoder, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mft));
  if (SUCCEEDED(hr)) return hr;
  // Not registered under its usual class: ask for any decoder of AAC.
  MFT_REGISTER_TYPE_INFO input = {MFMediaType_Audio, MFAudioFormat_AAC};
  IMFActivate** found = nullptr;
  UINT32 count = 0;
  hr = MFTEnumEx(MFT_CATEGORY_AUDIO_DECODER, MFT_ENUM_FLAG_SYNCMFT | MFT_ENUM_FLAG_SORTANDFILTER, &input,
                 nullptr, &found, &count);
  if (FAILED(hr)) return hr;
  hr = count ? found[0]->ActivateObject(IID_PPV_ARGS(&mft)) : MF_E_TOPO_CODEC_NOT_FOUND;
  for (UINT32 i = 0; i < count; ++i) found[i]->Release();
  CoTaskMemFree(found);
  return hr;
}

// The input type: ADTS frames (payload type 1). The user data is what follows
// WAVEFORMATEX in HEAACWAVEINFO (payload type, profile-level, struct type,
// reserved: 12 bytes) and then the 2-byte AudioSpecificConfig.
HRESULT MakeAdtsType(const FrameInfo& f, ComPtr<IMFMediaType>& type) {
  HRESULT hr = MFCreateMediaType(&type);
  if (FAILED(hr)) return hr;
  uint8_t user[14] = {};
  user[0] = 1;     // wPayloadType = ADTS
  user[2] = 0xFE;  // wAudioProfileLevelIndication: not specified
  const int object_type = f.profile + 1;
  user[12] = uint8_t(object_type << 3 | f.rate_index >> 1);
  user[13] = uint8_t((f.rate_index & 1) << 7 | f.channel_config << 3);
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC);
  type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, f.channels);
  type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, f.sample_rate);
  type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
  type->SetUINT32(MF_MT_AAC_PAYLOAD_TYPE, 1);
  type->SetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, 0xFE);
  return type->SetBlob(MF_MT_USER_DATA, user, sizeof user);
}

class MfAacCodec : public FrameCodec {
 public:
  bool Open(const FrameInfo& f) override {
    mft_.Reset();
    if (!EnsureMediaFoundation() || FAILED(CreateAacDecoder(mft_))) return false;
    ComPtr<IMFMediaType> in;
    if (FAILED(MakeAdtsType(f, in)) || FAILED(mft_->SetInputType(0, in.Get(), 0)) || !ChooseOutput()) {
      mft_.Reset();
      return false;
    }
    mft_->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0);
    return true;
  }

  bool Decode(const SyncedFrame& frame, std::vector<int16_t>& pcm, PcmFormat& format) override {
    if (!mft_) return false;
    ComPtr<IMFSample> sample;
    const DWORD size = DWORD(frame.bytes.size());
    if (FAILED(MakeSample(frame.bytes.data(), size, size, sample))) return false;
    auto on_change = [this] { return ChooseOutput(); };
    HRESULT hr = mft_->ProcessInput(0, sample.Get(), 0);
    if (hr == MF_E_NOTACCEPTING) {
      if (FAILED(DrainTransform(mft_.Get(), is_float_, pcm, on_change))) return false;
      hr = mft_->ProcessInput(0, sample.Get(), 0);
    }
    if (FAILED(hr)) return false;
    // Read the format after draining: a stream change (HE-AAC's doubled rate,
    // parametric stereo) sets a new one on the way.
    hr = DrainTransform(mft_.Get(), is_float_, pcm, on_change);
    format = format_;
    return SUCCEEDED(hr);
  }

 private:
  // Picks the decoder's 16-bit PCM output (float when that is all it offers)
  // and reads the format from it.
  bool ChooseOutput() {
    ComPtr<IMFMediaType> chosen;
    for (DWORD i = 0;; ++i) {
      ComPtr<IMFMediaType> type;
      if (FAILED(mft_->GetOutputAvailableType(0, i, &type))) break;
      GUID subtype{};
      type->GetGUID(MF_MT_SUBTYPE, &subtype);
      const UINT32 bits = MFGetAttributeUINT32(type.Get(), MF_MT_AUDIO_BITS_PER_SAMPLE, 0);
      if (subtype == MFAudioFormat_PCM && bits == 16) {
        chosen = type;
        break;
      }
      if (!chosen && subtype == MFAudioFormat_Float && bits == 32) chosen = type;
    }
    if (!chosen || FAILED(mft_->SetOutputType(0, chosen.Get(), 0))) return false;
    GUID subtype{};
    chosen->GetGUID(MF_MT_SUBTYPE, &subtype);
    is_float_ = subtype == MFAudioFormat_Float;
    format_.rate = MFGetAttributeUINT32(chosen.Get(), MF_MT_AUDIO_SAMPLES_PER_SECOND, 0);
    format_.channels = MFGetAttributeUINT32(chosen.Get(), MF_MT_AUDIO_NUM_CHANNELS, 0);
    format_.mask = MFGetAttributeUINT32(chosen.Get(), MF_MT_AUDIO_CHANNEL_MASK, 0);
    return format_.rate > 0 && format_.channels > 0;
  }

  ComPtr<IMFTransform> mft_;
  PcmFormat format_;
  bool is_float_ = false;
};

}  // namespace

bool AacDecoderWorks() {
  if (!EnsureMediaFoundation()) return false;
  ComPtr<IMFTransform> mft;
  return SUCCEEDED(CreateAacDecoder(mft));
}

std::unique_ptr<FrameCodec> MakeAacCodec() { return std::make_unique<MfAacCodec>(); }
