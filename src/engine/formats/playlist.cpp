#include "engine/formats/playlist.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

#include "base/ascii.h"
#include "engine/net/engine_error.h"
#include "engine/net/http_answer.h"

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Adds `reference` resolved against `base`; see ParsePlaylist.
void AddEntry(std::string_view reference, const Url& base, std::vector<std::string>& entries) {
  reference = Trim(reference);
  if (reference.empty()) return;
  Url url;
  int error = ResolveReference(base, reference, url);
  if (error == kErrorOk) {
    entries.push_back(UrlText(url));
  } else if (error == kErrorProtocol) {
    entries.emplace_back(reference);
  }
}

int ParsePls(std::string_view text, const Url& base, std::vector<std::string>& entries) {
  std::vector<std::pair<uint64_t, std::string_view>> files;
  for (std::string_view line : Lines(text)) {
    line = Trim(line);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = ToLowerAscii(Trim(line.substr(0, eq)));
    if (key.rfind("file", 0) != 0) continue;
    std::optional<uint64_t> n = ParseDecimal(std::string_view(key).substr(4));
    if (!n) continue;
    files.emplace_back(*n, line.substr(eq + 1));
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& f : files) AddEntry(f.second, base, entries);
  return entries.empty() ? kErrorPlaylist : kErrorOk;
}

int ParseM3u(std::string_view text, const Url& base, std::vector<std::string>& entries) {
  std::vector<std::string_view> refs;
  for (std::string_view line : Lines(text)) {
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;  // tags and comments
    refs.push_back(line);
  }
  for (std::string_view ref : refs) AddEntry(ref, base, entries);
  return entries.empty() ? kErrorPlaylist : kErrorOk;
}

}  // namespace

PlaylistKind DetectPlaylist(std::string_view content_type, std::string_view path) {
  std::string type = MediaType(content_type);
  if (type == "audio/x-scpls" || type == "audio/scpls") return PlaylistKind::kPls;
  if (type == "audio/x-mpegurl" || type == "audio/mpegurl" ||
      type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl")
    return PlaylistKind::kM3u;
  if (CodecFromContentType(type) != AudioCodec::kUnknown) return PlaylistKind::kNone;
  std::string p = ToLowerAscii(path.substr(0, path.find_first_of("?#")));
  auto ends = [&p](std::string_view ext) {
    return p.size() >= ext.size() && p.compare(p.size() - ext.size(), ext.size(), ext) == 0;
  };
  if (ends(".pls")) return PlaylistKind::kPls;
  if (ends(".m3u") || ends(".m3u8")) return PlaylistKind::kM3u;
  return PlaylistKind::kNone;
}

int ParsePlaylist(PlaylistKind kind, std::string_view text, const Url& base,
                  std::vector<std::string>& entries) {
  entries.clear();
  switch (kind) {
    case PlaylistKind::kPls: return ParsePls(text, base, entries);
    case PlaylistKind::kM3u: return ParseM3u(text, base, entries);
    case PlaylistKind::kNone: break;
  }
  return kErrorPlaylist;
}
