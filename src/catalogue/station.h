// A station as the catalogue knows it: from the public directory's answers
// (field names as its server defines them) or entered by the user. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Station {
  std::string uuid;        // the directory's stationuuid; empty for the user's own stations
  std::string name;        // UTF-8, cleaned
  std::string url;         // as the directory lists it
  std::string url_resolved;  // the directory's resolved stream address, may be empty
  std::string homepage;
  std::string favicon;     // logo address, may be empty
  std::string tags;        // comma-separated genres
  std::string country;     // country name
  std::string countrycode; // ISO 3166-1 alpha-2
  std::string language;    // comma-separated
  std::string codec;       // "MP3", "AAC", "AAC+", "OGG" ... as the directory says
  uint32_t bitrate = 0;    // kbit/s, 0 unknown
  bool hls = false;        // the address is an HLS playlist
  bool lastcheckok = true; // the directory's last check reached the stream
  int64_t votes = 0;
  int64_t clickcount = 0;

  // The address to play: url_resolved, else url.
  const std::string& StreamAddress() const { return url_resolved.empty() ? url : url_resolved; }
};

// One entry of the directory's tag, country or language lists.
struct NamedCount {
  std::string name;   // tag / country / language name
  std::string code;   // iso_3166_1 for countries, iso_639 for languages, empty for tags
  int64_t stationcount = 0;
};
