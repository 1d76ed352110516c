#include "catalogue/web_text.h"

#include <cstdint>

#include "base/ascii.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendEscape(std::string& out, unsigned char b) {
  out += '%';
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

// Length of the valid UTF-8 sequence at `s[i]`, 0 when it is not one.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t n;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF.
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += ch;
    } else {
      AppendEscape(out, c);
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text, bool plus_is_space) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+' && plus_is_space) {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::map<std::string, std::string> ParseForm(std::string_view text) {
  std::map<std::string, std::string> fields;
  while (!text.empty()) {
    const size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    std::string name = CleanUtf8(PercentDecode(pair.substr(0, eq), true));
    std::string value =
        eq == std::string_view::npos ? std::string() : CleanUtf8(PercentDecode(pair.substr(eq + 1), true));
    fields.emplace(std::move(name), std::move(value));
  }
  return fields;
}

std::string CleanUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (n == 1 && (c < 0x20 || c == 0x7F) && c != '\t' && c != '\n' && c != '\r') {
      ++i;
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

namespace {

// The length of the white-space character that `text` starts with (0 when
// it starts with another one).
size_t LeadingSpaceBytes(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b = byte(0);
  if (b == ' ' || (b >= 0x09 && b <= 0x0D)) return 1;
  if (b == 0xC2 && text.size() >= 2) return byte(1) == 0x85 || byte(1) == 0xA0 ? 2 : 0;
  if (text.size() < 3 || (b != 0xE1 && b != 0xE2 && b != 0xE3 && b != 0xEF)) return 0;
  if ((byte(1) & 0xC0) != 0x80 || (byte(2) & 0xC0) != 0x80) return 0;
  const uint32_t c = (uint32_t{b & 0x0Fu} << 12) | (uint32_t{byte(1) & 0x3Fu} << 6) | (byte(2) & 0x3Fu);
  const bool space = c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200B) || c == 0x2028 ||
                     c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x2060 || c == 0x3000 || c == 0xFEFF;
  return space ? 3 : 0;
}

}  // namespace

std::string_view TrimUnicodeSpace(std::string_view text) {
  for (size_t n; (n = LeadingSpaceBytes(text)) > 0;) text.remove_prefix(n);
  for (;;) {
    size_t start = text.size();  // the last character's first byte
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0) --start;
    const size_t n = LeadingSpaceBytes(text.substr(start));
    if (n == 0 || start + n != text.size()) return text;
    text.remove_suffix(n);
  }
}

std::string_view CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

bool IsStationAddress(std::string_view address) {
  size_t scheme;
  if (StartsWithIgnoreCase(address, "http://")) {
    scheme = 7;
  } else if (StartsWithIgnoreCase(address, "https://")) {
    scheme = 8;
  } else {
    return false;
  }
  if (address.size() == scheme || address[scheme] == '/' || address[scheme] == '?' ||
      address[scheme] == '#') {
    return false;  // no host
  }
  for (char ch : address) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c == 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '\\' ||
        c == '`') {
      return false;
    }
  }
  return true;
}

std::string LinkAddress(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (char ch : address) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c >= 0x7F || std::string_view("\"'<>\\^`{|}").find(ch) != std::string_view::npos) {
      AppendEscape(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}
