// The user's stations as playlist files, out and in: M3U (with #EXTINF
// names, UTF-8) and PLS, and the file part of the form that uploads one.
// Files come from anywhere: every line is checked, what cannot be used is
// reported by line, and sizes are bounded. Pure functions; any thread.
// Portable.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PlaylistEntry {
  std::string name;  // UTF-8; empty when the file gave none
  std::string url;   // an http(s) station address
};

struct PlaylistRead {
  std::vector<PlaylistEntry> entries;  // in the file's order
  std::vector<std::string> bad;        // "строка N: why", in Russian, for the page
  bool pls = false;                    // read as PLS (else as M3U)
};

inline constexpr size_t kMaxPlaylistEntries = 2000;
// Of the bad lines, only so many are listed; the rest are counted.
inline constexpr size_t kMaxReportedLines = 20;

std::string WriteM3u(const std::vector<PlaylistEntry>& entries);
std::string WritePls(const std::vector<PlaylistEntry>& entries);

// Reads an M3U/M3U8 or PLS file (told apart by its "[playlist]" section).
// Text that is not UTF-8 is taken as CP1251, as Windows programs of our
// users' region write it.
PlaylistRead ReadPlaylist(std::string_view file);

// The fields of a multipart/form-data body (the browser's upload form):
// each named part's content, files included. Nullopt when `content_type`
// is not multipart/form-data with a boundary or the body is malformed.
std::optional<std::map<std::string, std::string>> ParseMultipartForm(std::string_view content_type,
                                                                     std::string_view body);
