#include "playback/record_rules.h"

#include <array>
#include <cstdio>

#include "base/cp1251.h"
#include "engine/net/url.h"
#include "playback/status_rules.h"

namespace {

bool IsForbiddenInName(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '\\' || c == '|' ||
         c == '?' || c == '*';
}

char AsciiUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM1..9, LPT1..9, alone or before an extension.
bool IsReservedDeviceName(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string up;
  for (char c : stem) up += AsciiUpperChar(c);
  while (!up.empty() && up.back() == ' ') up.pop_back();
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view r : kPlain)
    if (up == r) return true;
  return up.size() == 4 && (up.starts_with("COM") || up.starts_with("LPT")) && up[3] >= '1' && up[3] <= '9';
}

void PutId3Text(std::vector<uint8_t>& out, std::string_view text) {
  out.push_back(1);  // UTF-16 with a byte order mark
  out.push_back(0xFF);
  out.push_back(0xFE);
  for (char16_t u : Cp1251ToUtf16(text)) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
}

void PutId3Frame(std::vector<uint8_t>& out, const char (&id)[5], std::string_view text) {
  std::vector<uint8_t> body;
  PutId3Text(body, text);
  out.insert(out.end(), id, id + 4);
  const uint32_t size = static_cast<uint32_t>(body.size());  // v2.3: a plain 32-bit size
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(size >> shift));
  out.push_back(0);  // flags
  out.push_back(0);
  out.insert(out.end(), body.begin(), body.end());
}

std::string RecordTrim(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && text[a] == ' ') ++a;
  while (b > a && text[b - 1] == ' ') --b;
  return std::string(text.substr(a, b - a));
}

}  // namespace

std::string CleanFileName(std::string_view text, size_t limit, std::string_view fallback) {
  std::string out;
  for (char c : text) out += IsForbiddenInName(static_cast<unsigned char>(c)) ? '_' : c;
  if (out.size() > limit) out.resize(limit);
  // Windows drops trailing dots and spaces itself, so two names would meet.
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(out.begin());
  if (out.empty()) out = std::string(fallback);
  if (IsReservedDeviceName(out)) out.insert(out.find('.') == std::string::npos ? out.size() : out.find('.'), "_");
  return out;
}

std::string RecordFileName(const RecordTime& t, std::string_view station, std::string_view title,
                           std::string_view extension, int number) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d ", t.year, t.month, t.day, t.hour, t.minute);
  std::string name = stamp + RecordTrim(station);
  const std::string clean_title = RecordTrim(title);
  if (!clean_title.empty()) name += " - " + clean_title;
  if (number > 1) name += " (" + std::to_string(number) + ")";
  // Room for the folders in front within the classic 260-character path.
  constexpr size_t kNameLimit = 150;
  const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : "";
  if (name.size() > kNameLimit) name = name.substr(0, kNameLimit - suffix.size()) + suffix;
  return CleanFileName(name, kNameLimit, "запись") + std::string(extension);
}

std::string RecordStationName(std::string_view state, std::string_view address) {
  const bool is_state = state.empty() || state == kStatePlaying || state == kStateConnecting ||
                        state == kStateNoStream || state.starts_with("буфферизация") ||
                        state.starts_with("Ошибка соединения.");
  if (!is_state) return std::string(state);
  Url url;
  if (ParseUrl(address, url) == 0 && !url.host.empty()) return url.host;
  return "радио";
}

std::vector<uint8_t> Id3v2TitleTag(std::string_view title) {
  const std::string whole = RecordTrim(title);
  if (whole.empty()) return {};
  std::vector<uint8_t> frames;
  const size_t dash = whole.find(" - ");
  if (dash != std::string::npos && dash > 0 && dash + 3 < whole.size()) {
    PutId3Frame(frames, "TPE1", RecordTrim(whole.substr(0, dash)));
    PutId3Frame(frames, "TIT2", RecordTrim(whole.substr(dash + 3)));
  } else {
    PutId3Frame(frames, "TIT2", whole);
  }
  std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0};  // v2.3.0, no flags
  const uint32_t size = static_cast<uint32_t>(frames.size());  // synchsafe: 7 bits a byte
  for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<uint8_t>((size >> shift) & 0x7F));
  tag.insert(tag.end(), frames.begin(), frames.end());
  return tag;
}

std::string WithRecordMark(std::string_view line, bool recording, std::string_view note) {
  std::string out;
  if (recording) out = kRecordMark;
  else if (!note.empty()) out = std::string(note) + "  ";
  return out + std::string(line);
}
