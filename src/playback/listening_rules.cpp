#include "playback/listening_rules.h"

#include <algorithm>

namespace {

// WM_APPCOMMAND's command numbers (winuser.h), kept here so that the rule
// needs no Windows header.
constexpr int kAppVolumeMute = 8;
constexpr int kAppVolumeDown = 9;
constexpr int kAppVolumeUp = 10;
constexpr int kAppMediaStop = 13;
constexpr int kAppMediaPlayPause = 14;
constexpr int kAppMediaPlay = 46;
constexpr int kAppMediaPause = 47;
constexpr int kAppMediaRecord = 48;

constexpr std::string_view kTimerPrefix = "Таймер сна: ";

}  // namespace

MediaAction ActionForAppCommand(int command) {
  switch (command) {
    case kAppMediaPlayPause: return MediaAction::kToggle;
    case kAppMediaPlay: return MediaAction::kPlay;
    case kAppMediaPause:
    case kAppMediaStop: return MediaAction::kStop;
    case kAppVolumeUp: return MediaAction::kVolumeUp;
    case kAppVolumeDown: return MediaAction::kVolumeDown;
    case kAppVolumeMute: return MediaAction::kMute;
    case kAppMediaRecord: return MediaAction::kRecord;
    default: return MediaAction::kNone;
  }
}

int VolumeAfterKey(int position, int direction) {
  return std::clamp(position + (direction < 0 ? -kVolumeKeyStep : kVolumeKeyStep), 0, 100);
}

int PositionAfterMute(int position, MuteMemory& memory) {
  if (memory.restore >= 0 && position == 0) {
    const int back = memory.restore;
    memory.restore = -1;
    return back;
  }
  memory.restore = position;
  return 0;
}

float SleepFadeShare(uint32_t remaining_ms) {
  if (remaining_ms >= kSleepFadeMs) return 1.0f;
  const float left = static_cast<float>(remaining_ms) / static_cast<float>(kSleepFadeMs);
  return left * left;
}

std::string SleepTimerText(uint32_t remaining_ms) {
  if (remaining_ms >= 60000) {
    return std::string(kTimerPrefix) + std::to_string((remaining_ms + 59999) / 60000) + " мин";
  }
  return std::string(kTimerPrefix) + std::to_string((remaining_ms + 999) / 1000) + " с";
}

std::string HintWithTimer(std::string_view status, std::string_view timer_line, size_t limit) {
  if (timer_line.empty()) return std::string(status);
  const std::string line = "\n" + std::string(timer_line.substr(0, limit));
  if (line.size() >= limit) return line.substr(1, limit);
  return std::string(status.substr(0, limit - line.size())) + line;
}

std::string AddressHost(std::string_view address) {
  size_t start = address.find("://");
  start = start == std::string_view::npos ? 0 : start + 3;
  std::string_view rest = address.substr(start);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    return close == std::string_view::npos ? std::string() : std::string(rest.substr(1, close - 1));
  }
  return std::string(rest.substr(0, rest.find(':')));
}

std::optional<std::string> NameForNamelessStream(std::string_view catalogue_name,
                                                 std::string_view header_name,
                                                 std::string_view carried_name,
                                                 std::string_view address) {
  for (std::string_view name : {catalogue_name, header_name, carried_name}) {
    if (name.find_first_not_of(" \t") != std::string_view::npos) return std::string(name);
  }
  std::string host = AddressHost(address);
  if (host.empty()) return std::nullopt;
  return host;
}

std::optional<std::string> NamelessStreamName::Carried(std::string_view carried_name) {
  std::optional<std::string> name =
      NameForNamelessStream(catalogue_name_, header_name_, carried_name, address_);
  if (!name || name == shown_) return std::nullopt;
  shown_ = name;
  return name;
}

std::string StationAndTitle(std::string_view station, std::string_view title) {
  if (station.empty()) return std::string(title);
  if (title.empty()) return std::string(station);
  return std::string(station) + " - " + std::string(title);
}
