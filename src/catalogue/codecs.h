// Which directory stations the engine can play, by the directory's codec
// name and HLS flag. The codecs themselves are the engine's (AudioCodec and
// whether a decoder exists here); this maps the directory's names onto
// them. Pure; any thread. Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/station.h"
#include "engine/codecs/decoder.h"

// The engine's codec for a directory codec name: kMp3, kAac, kVorbis, kOpus,
// kFlac; kUnknown for a codec the engine does not play ("WMA" ...);
// nullopt when the directory does not know the codec ("", "UNKNOWN"): the
// stream is tried.
std::optional<AudioCodec> CodecOfDirectoryName(std::string_view name);

// Why `station` cannot be played, in Russian; empty when it can (or may).
// `available` tells whether the engine can decode a codec here.
std::string UnplayableReason(const Station& station, const std::function<bool(AudioCodec)>& available);
