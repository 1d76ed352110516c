// MakeDecoder and DecoderAvailable: a DecoderPipeline around the system codec
// and the system resampler.
#include "engine/codecs/decoder_win.h"

#include <atomic>
#include <mutex>

#include "engine/codecs/decoder_flac.h"
#include "engine/codecs/decoder_opus.h"
#include "engine/codecs/decoder_vorbis.h"
#include "engine/codecs/media_win.h"

namespace {
std::atomic<bool> gAacEnabled{false};
}  // namespace

void SetAacEnabled(bool enabled) { gAacEnabled = enabled; }

bool DecoderAvailable(AudioCodec codec) {
  static std::once_flag once;
  static bool mp3 = false;
  std::call_once(once, [] { mp3 = Mp3DecoderWorks(); });
  switch (codec) {
    case AudioCodec::kMp3: return mp3;
    case AudioCodec::kAac: return gAacEnabled;  // switched on only after AacDecoderWorks()
    case AudioCodec::kVorbis:
    case AudioCodec::kOpus:
    case AudioCodec::kFlac: return true;  // built in
    default: return false;
  }
}

std::unique_ptr<PcmSource> MakeDecoder(AudioCodec codec, CompressedInput& input) {
  const uint32_t rate = OutputRate() ? OutputRate() : 44100;
  if (codec == AudioCodec::kVorbis)
    return std::make_unique<VorbisDecoder>(input, std::make_unique<MfRateConverter>(), rate);
  if (codec == AudioCodec::kOpus)
    return std::make_unique<OggOpusDecoder>(input, std::make_unique<MfRateConverter>(), rate);
  if (codec == AudioCodec::kFlac)
    return std::make_unique<FlacDecoder>(input, std::make_unique<MfRateConverter>(), rate);
  std::unique_ptr<FrameCodec> frame_codec;
  if (codec == AudioCodec::kMp3) frame_codec = MakeMp3Codec();
  if (codec == AudioCodec::kAac && gAacEnabled) frame_codec = MakeAacCodec();
  if (!frame_codec) return nullptr;
  return std::make_unique<DecoderPipeline>(codec, input, std::move(frame_codec),
                                           std::make_unique<MfRateConverter>(), rate);
}
