#include "playback/connection_rules.h"

#include <algorithm>
#include <cstring>

#include "playback/notification_rules.h"
#include "base/cp1251.h"

namespace {

constexpr std::string_view kNamePrefix = "icy-name:";
constexpr std::string_view kBitratePrefix = "icy-br:";
constexpr std::string_view kTitleField = "StreamTitle=";

bool IsPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string StationTextToCp1251(std::string_view text) {
  if (IsPlainAscii(text) || !IsValidUtf8(text)) return std::string(text);
  return Utf8ToCp1251(text, '?');
}

std::vector<std::pair<uint32_t, std::string>> StationHeaderReports(const char* list) {
  std::vector<std::pair<uint32_t, std::string>> reports;
  if (!list) return reports;
  for (const char* line = list; *line; line += std::strlen(line) + 1) {
    const std::string_view text(line);
    if (text.substr(0, kNamePrefix.size()) == kNamePrefix) {
      reports.emplace_back(kCodeStationName, StationTextToCp1251(text.substr(kNamePrefix.size())));
    } else if (text.substr(0, kBitratePrefix.size()) == kBitratePrefix) {
      reports.emplace_back(kCodeBitrate,
                           "bitrate: " + StationTextToCp1251(text.substr(kBitratePrefix.size())));
    }
  }
  return reports;
}

std::string StreamOwnName(const char* list) {
  if (!list) return {};
  for (const char* line = list; *line; line += std::strlen(line) + 1) {
    const std::string_view text(line);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) continue;
    std::string key(text.substr(0, colon));
    for (char& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (key != "ice-name" && key != "x-audiocast-name") continue;
    std::string_view value = text.substr(colon + 1);
    const size_t first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    return StationTextToCp1251(value);
  }
  return {};
}

std::optional<std::string> ParseStreamTitle(std::string_view metadata) {
  const size_t field = metadata.find(kTitleField);
  if (field == std::string_view::npos) return std::nullopt;
  const size_t start = field + kTitleField.size() + 1;  // past the opening quote
  if (start >= metadata.size()) return std::string();
  size_t end = metadata.find("';", start);
  if (end == std::string_view::npos) {
    end = metadata.rfind('\'');
    if (end == std::string_view::npos || end < start) end = metadata.size();
  }
  return std::string(metadata.substr(start, end - start));
}

std::optional<uint32_t> BufferPercent(uint64_t total, uint64_t downloaded, uint64_t decoded) {
  if (static_cast<uint32_t>(total) == 0xFFFFFFFFu) return std::nullopt;
  if (total == 0) return 100;
  // Two's complement arithmetic done unsigned, so no overflow is undefined;
  // the division is signed, as the positions are.
  const int64_t pending = static_cast<int64_t>((downloaded - decoded) * 100u);
  const int64_t percent = pending / static_cast<int64_t>(total);
  return static_cast<uint32_t>(static_cast<uint64_t>(percent));
}
