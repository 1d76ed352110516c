// ID3v2 tags (versions 2.3 and 2.4) as HLS carries them: at the start of
// packed-audio segments (.aac, .mp3), and as timed metadata in transport
// streams. Finds a tag's length, so that the audio after it can be reached,
// and reads its title, artist and station name as UTF-8. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

inline constexpr size_t kId3HeaderBytes = 10;

// The whole length of the ID3v2 tag at the start of `data` (header, frames,
// padding and the v2.4 footer), from its 10-byte header: 0 when `data` does
// not start with a tag; nullopt when fewer than 10 bytes are given and they
// could still start one.
std::optional<size_t> Id3TagLength(std::span<const uint8_t> data);

struct Id3Text {
  std::string title;   // TIT2, UTF-8, empty = none
  std::string artist;  // TPE1, UTF-8, empty = none
  std::string station;  // TRSN (internet radio station name), UTF-8, empty = none
};

// Reads the title, artist and station name of the whole tag `tag` (Id3TagLength bytes).
// Text in ISO-8859-1, UTF-16 with a byte order mark, UTF-16BE or UTF-8 comes
// out as UTF-8; of several values the first is taken. False when it is no
// ID3v2.3/2.4 tag; of a tag cut short, the frames that arrived whole are read;
// frames that are compressed, encrypted or malformed are skipped.
bool ReadId3(std::span<const uint8_t> tag, Id3Text& out);

// "StreamTitle='Artist - Title';" (or only the one of them that is known) as
// ICY metadata carries titles; empty when neither is known.
std::string StreamTitleMeta(const std::string& artist, const std::string& title);
