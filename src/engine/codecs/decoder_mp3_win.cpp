// MP3 frames to PCM through the system's ACM MP3 codec.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>

#include <cstring>

#include "engine/codecs/decoder_win.h"

namespace {

// PCM bytes one ACM call may give back: a layer III frame is at most 1152
// samples of 2 channels; room for the codec's delayed output as well.
constexpr DWORD kDstBytes = 1152 * 2 * 2 * 4;
constexpr DWORD kSrcBytes = 4096;  // a layer III frame is at most 1441 bytes

MPEGLAYER3WAVEFORMAT Mp3Format(const FrameInfo& f) {
  MPEGLAYER3WAVEFORMAT m{};
  m.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  m.wfx.nChannels = WORD(f.channels);
  m.wfx.nSamplesPerSec = f.sample_rate;
  m.wfx.nAvgBytesPerSec = f.bitrate / 8;
  m.wfx.nBlockAlign = 1;
  m.wfx.wBitsPerSample = 0;
  m.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  m.wID = MPEGLAYER3_ID_MPEG;
  m.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
  m.nBlockSize = WORD(f.frame_bytes);
  m.nFramesPerBlock = 1;
  m.nCodecDelay = 0;
  return m;
}

WAVEFORMATEX PcmFormatOf(const FrameInfo& f) {
  WAVEFORMATEX w{};
  w.wFormatTag = WAVE_FORMAT_PCM;
  w.nChannels = WORD(f.channels);
  w.nSamplesPerSec = f.sample_rate;
  w.wBitsPerSample = 16;
  w.nBlockAlign = WORD(f.channels * 2);
  w.nAvgBytesPerSec = f.sample_rate * w.nBlockAlign;
  return w;
}

class AcmMp3Codec : public FrameCodec {
 public:
  AcmMp3Codec() : src_(kSrcBytes), dst_(kDstBytes) {}
  ~AcmMp3Codec() override { Close(); }

  bool Open(const FrameInfo& f) override {
    Close();
    MPEGLAYER3WAVEFORMAT in = Mp3Format(f);
    WAVEFORMATEX out = PcmFormatOf(f);
    if (acmStreamOpen(&stream_, nullptr, &in.wfx, &out, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
      stream_ = nullptr;
      return false;
    }
    header_ = ACMSTREAMHEADER{};
    header_.cbStruct = sizeof header_;
    header_.pbSrc = src_.data();
    header_.cbSrcLength = kSrcBytes;
    header_.pbDst = dst_.data();
    header_.cbDstLength = kDstBytes;
    if (acmStreamPrepareHeader(stream_, &header_, 0) != MMSYSERR_NOERROR) {
      acmStreamClose(stream_, 0);
      stream_ = nullptr;
      return false;
    }
    format_ = PcmFormat{f.sample_rate, f.channels, 0};
    pending_ = 0;
    first_ = true;
    return true;
  }

  bool Decode(const SyncedFrame& frame, std::vector<int16_t>& pcm, PcmFormat& format) override {
    if (!stream_ || pending_ + frame.bytes.size() > kSrcBytes) return false;
    std::memcpy(src_.data() + pending_, frame.bytes.data(), frame.bytes.size());
    pending_ += frame.bytes.size();
    format = format_;
    // The codec may keep output back (its delay) or give more than fits;
    // convert until it takes no more input and gives no more output.
    for (int pass = 0; pass < 8; ++pass) {
      header_.cbSrcLength = DWORD(pending_);
      header_.cbDstLength = kDstBytes;
      DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (first_ ? ACM_STREAMCONVERTF_START : 0);
      if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR) {
        pending_ = 0;
        return false;
      }
      first_ = false;
      const DWORD used = std::min<DWORD>(header_.cbSrcLengthUsed, DWORD(pending_));
      std::memmove(src_.data(), src_.data() + used, pending_ - used);
      pending_ -= used;
      const size_t samples = header_.cbDstLengthUsed / 2;
      const int16_t* p = reinterpret_cast<const int16_t*>(dst_.data());
      pcm.insert(pcm.end(), p, p + samples);
      if (header_.cbDstLengthUsed < kDstBytes && (used == 0 || pending_ == 0)) break;
    }
    return true;
  }

 private:
  void Close() {
    if (!stream_) return;
    header_.cbSrcLength = kSrcBytes;  // as prepared
    header_.cbDstLength = kDstBytes;
    acmStreamUnprepareHeader(stream_, &header_, 0);
    acmStreamClose(stream_, 0);
    stream_ = nullptr;
  }

  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_{};
  std::vector<uint8_t> src_;  // frames not yet taken by the codec at the front
  std::vector<uint8_t> dst_;
  size_t pending_ = 0;        // bytes waiting in src_
  bool first_ = true;
  PcmFormat format_;
};

}  // namespace

bool Mp3DecoderWorks() {
  FrameInfo f;
  f.sample_rate = 44100;
  f.channels = 2;
  f.bitrate = 128000;
  f.frame_bytes = 417;
  MPEGLAYER3WAVEFORMAT in = Mp3Format(f);
  WAVEFORMATEX out = PcmFormatOf(f);
  return acmStreamOpen(nullptr, nullptr, &in.wfx, &out, nullptr, 0, 0, ACM_STREAMOPENF_QUERY) ==
         MMSYSERR_NOERROR;
}

std::unique_ptr<FrameCodec> MakeMp3Codec() { return std::make_unique<AcmMp3Codec>(); }
