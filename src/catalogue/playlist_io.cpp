#include "catalogue/playlist_io.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/cp1251.h"
#include "catalogue/web_text.h"

namespace {

// A name on one line: line breaks and other control characters would end
// the entry early and start a line of the name's choosing.
std::string OneLine(std::string_view name) {
  std::string out;
  for (char c : name) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  return out;
}

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

std::string_view TrimLine(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The file's lines, as UTF-8 without a byte-order mark.
std::vector<std::string> PlaylistLines(std::string_view file) {
  if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
  const std::string text = ValidUtf8(file) ? std::string(file) : Cp1251ToUtf8(file);
  std::vector<std::string> lines;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(TrimLine(std::string_view(text).substr(at, end - at)));
    at = end + 1;
  }
  return lines;
}

void ReportLine(PlaylistRead& read, size_t line, std::string_view why, size_t& unlisted) {
  if (read.bad.size() < kMaxReportedLines) {
    read.bad.push_back("строка " + std::to_string(line) + ": " + std::string(why));
  } else {
    ++unlisted;
  }
}

constexpr char kNotAnAddress[] = "не адрес станции (нужен http:// или https://)";

void ReadM3u(const std::vector<std::string>& lines, PlaylistRead& read, size_t& unlisted) {
  std::string name;  // from the #EXTINF line before the address
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (line.front() == '#') {
      if (StartsWithIgnoreCase(line, "#EXTINF:")) {
        const size_t comma = line.find(',');
        name = comma == std::string::npos
                   ? std::string()
                   : std::string(TrimLine(std::string_view(line).substr(comma + 1)));
      }
      continue;  // #EXTM3U and other directives
    }
    if (!IsStationAddress(line) || line.size() > 2048) {
      ReportLine(read, i + 1, kNotAnAddress, unlisted);
    } else if (read.entries.size() >= kMaxPlaylistEntries) {
      ReportLine(read, i + 1, "слишком много станций в файле", unlisted);
    } else {
      read.entries.push_back({std::string(CutUtf8(name, 300)), line});
    }
    name.clear();
  }
}

void ReadPls(const std::vector<std::string>& lines, PlaylistRead& read, size_t& unlisted) {
  struct PlsSlot {
    std::string url, name;
    size_t line = 0;
  };
  std::map<uint32_t, PlsSlot> slots;  // by entry number: the file's order of numbers, not of lines
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      ReportLine(read, i + 1, "непонятная строка", unlisted);
      continue;
    }
    const std::string key(TrimLine(std::string_view(line).substr(0, eq)));
    const std::string value(TrimLine(std::string_view(line).substr(eq + 1)));
    const auto numbered = [&](const char* prefix) -> std::optional<uint32_t> {
      const size_t n = std::char_traits<char>::length(prefix);
      if (key.size() <= n || key.size() > n + 6 || !StartsWithIgnoreCase(key, prefix))
        return std::nullopt;
      uint32_t number = 0;
      for (char c : std::string_view(key).substr(n)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(c - '0');
      }
      return number;
    };
    if (const auto n = numbered("File")) {
      if (!IsStationAddress(value) || value.size() > 2048) {
        ReportLine(read, i + 1, kNotAnAddress, unlisted);
      } else {
        slots[*n].url = value;
        slots[*n].line = i + 1;
      }
    } else if (const auto t = numbered("Title")) {
      slots[*t].name = std::string(CutUtf8(value, 300));
    }
    // NumberOfEntries, Version, LengthN: nothing to take.
  }
  for (const auto& [number, slot] : slots) {
    if (slot.url.empty()) continue;  // a title whose address was bad or missing
    if (read.entries.size() >= kMaxPlaylistEntries) {
      ReportLine(read, slot.line, "слишком много станций в файле", unlisted);
      continue;
    }
    read.entries.push_back({slot.name, slot.url});
  }
}

}  // namespace

std::string WriteM3u(const std::vector<PlaylistEntry>& entries) {
  std::string out = "#EXTM3U\r\n";
  for (const PlaylistEntry& e : entries) {
    out += "#EXTINF:-1," + OneLine(e.name) + "\r\n" + OneLine(e.url) + "\r\n";
  }
  return out;
}

std::string WritePls(const std::vector<PlaylistEntry>& entries) {
  std::string out = "[playlist]\r\n";
  size_t n = 0;
  for (const PlaylistEntry& e : entries) {
    const std::string i = std::to_string(++n);
    out += "File" + i + "=" + OneLine(e.url) + "\r\nTitle" + i + "=" + OneLine(e.name) +
           "\r\nLength" + i + "=-1\r\n";
  }
  out += "NumberOfEntries=" + std::to_string(n) + "\r\nVersion=2\r\n";
  return out;
}

PlaylistRead ReadPlaylist(std::string_view file) {
  PlaylistRead read;
  const std::vector<std::string> lines = PlaylistLines(file);
  size_t unlisted = 0;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    read.pls = EqualsIgnoreCase(line, "[playlist]");
    break;
  }
  if (read.pls) {
    ReadPls(lines, read, unlisted);
  } else {
    ReadM3u(lines, read, unlisted);
  }
  if (unlisted) read.bad.push_back("и ещё строк с ошибками: " + std::to_string(unlisted));
  return read;
}

std::optional<std::map<std::string, std::string>> ParseMultipartForm(std::string_view content_type,
                                                                     std::string_view body) {
  if (!StartsWithIgnoreCase(content_type, "multipart/form-data")) return std::nullopt;
  const size_t b = content_type.find("boundary=");
  if (b == std::string_view::npos) return std::nullopt;
  std::string_view boundary = content_type.substr(b + 9);
  boundary = boundary.substr(0, boundary.find(';'));
  if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"') {
    boundary = boundary.substr(1, boundary.size() - 2);
  }
  if (boundary.empty() || boundary.size() > 70) return std::nullopt;
  const std::string delimiter = "--" + std::string(boundary);
  std::map<std::string, std::string> fields;
  size_t at = body.find(delimiter);
  if (at == std::string_view::npos) return std::nullopt;
  for (;;) {
    at += delimiter.size();
    if (body.substr(at, 2) == "--") return fields;  // the closing delimiter
    if (body.substr(at, 2) != "\r\n") return std::nullopt;
    at += 2;
    const size_t head_end = body.find("\r\n\r\n", at);
    if (head_end == std::string_view::npos) return std::nullopt;
    const std::string_view head = body.substr(at, head_end - at);
    const size_t content = head_end + 4;
    const size_t next = body.find("\r\n" + delimiter, content);
    if (next == std::string_view::npos) return std::nullopt;
    // The part's name from its Content-Disposition: form-data; name="..."
    std::string name;
    for (size_t line = 0; line < head.size();) {
      size_t end = head.find("\r\n", line);
      if (end == std::string_view::npos) end = head.size();
      const std::string_view h = head.substr(line, end - line);
      if (StartsWithIgnoreCase(h, "Content-Disposition:")) {
        const size_t n = h.find("name=\"");
        if (n != std::string_view::npos && (n == 0 || h[n - 1] == ' ' || h[n - 1] == ';')) {
          const size_t q = h.find('"', n + 6);
          if (q != std::string_view::npos) name = std::string(h.substr(n + 6, q - n - 6));
        }
      }
      line = end + 2;
    }
    if (!name.empty() && !fields.count(name))
      fields[name] = std::string(body.substr(content, next - content));
    at = next + 2;
  }
}
