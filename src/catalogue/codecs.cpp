#include "catalogue/codecs.h"

#include "base/ascii.h"
#include "catalogue/web_text.h"

std::optional<AudioCodec> CodecOfDirectoryName(std::string_view name) {
  const std::string n = ToLowerAscii(name);
  if (n.empty() || n == "unknown") return std::nullopt;
  if (n == "mp3" || n == "mpeg") return AudioCodec::kMp3;
  if (n == "aac" || n == "aac+" || n == "aacp" || n == "he-aac" || n == "heaac") return AudioCodec::kAac;
  return AudioCodec::kUnknown;
}

std::string UnplayableReason(const Station& station, const std::function<bool(AudioCodec)>& available) {
  if (station.hls) return "Потоки HLS плеер пока не проигрывает";
  const std::optional<AudioCodec> codec = CodecOfDirectoryName(station.codec);
  if (!codec) return {};
  const std::string name(CutUtf8(station.codec, 16));
  if (*codec == AudioCodec::kUnknown) return "Формат " + name + " плеер пока не проигрывает";
  if (available && !available(*codec)) return "Для формата " + name + " в системе нет декодера";
  return {};
}
