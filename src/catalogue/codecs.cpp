#include "catalogue/codecs.h"

#include "base/ascii.h"
#include "catalogue/web_text.h"
#include "engine/api/engine.h"

std::optional<AudioCodec> CodecOfDirectoryName(std::string_view name) {
  const std::string n = ToLowerAscii(name);
  if (n.empty() || n == "unknown") return std::nullopt;
  // The engine's list says what plays; a codec it names but cannot play is
  // shown as not played yet, whatever decoder the system has.
  for (const EngineCodec& c : kEngineCodecs)
    if (ToLowerAscii(c.name) == n && !c.plays) return AudioCodec::kUnknown;
  if (n == "mp3" || n == "mpeg") return AudioCodec::kMp3;
  if (n == "aac" || n == "aac+" || n == "aacp" || n == "he-aac" || n == "heaac") return AudioCodec::kAac;
  if (n == "ogg" || n == "vorbis") return AudioCodec::kVorbis;
  if (n == "opus") return AudioCodec::kOpus;
  if (n == "flac") return AudioCodec::kFlac;
  return AudioCodec::kUnknown;
}

std::string UnplayableReason(const Station& station, const std::function<bool(AudioCodec)>& available) {
  // An HLS station plays when its codec does (the engine's list says so).
  if (station.hls && !kEnginePlaysHls) return "Потоки HLS плеер пока не проигрывает";
  const std::optional<AudioCodec> codec = CodecOfDirectoryName(station.codec);
  if (!codec) return {};
  const std::string name(CutUtf8(station.codec, 16));
  // HLS segments carry MP3 or AAC here, never Opus or FLAC.
  const bool ogg_only = *codec == AudioCodec::kOpus || *codec == AudioCodec::kFlac;
  if (*codec == AudioCodec::kUnknown || (station.hls && ogg_only)) return "Формат " + name + " плеер пока не проигрывает";
  if (available && !available(*codec)) return "Для формата " + name + " в системе нет декодера";
  return {};
}
