#include "browser/cookies.h"

namespace {

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

}  // namespace

void SplitDelimited(char delimiter, const std::string& full_text, std::vector<std::string>& items) {
  items.clear();
  // The text is read as a zero-terminated string.
  const std::string text = full_text.substr(0, full_text.find('\0'));
  const size_t n = text.size();
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < n && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  };

  skip_blanks();
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {  // a doubled mark stands for one
            item += '"';
            i += 2;
            continue;
          }
          ++i;  // the closing mark
          break;
        }
        item += text[i++];
      }
    } else {
      const size_t start = i;
      while (i < n && static_cast<unsigned char>(text[i]) > 32 && text[i] != delimiter) ++i;
      item = text.substr(start, i - start);
    }
    items.push_back(std::move(item));
    skip_blanks();
    if (i < n && text[i] == delimiter) {
      if (i + 1 == n) items.emplace_back();
      ++i;
      skip_blanks();
    }
  }
}

std::string CookieExpirySuffix(int year) {
  return ";expires = Mon, 20-Oct-" + std::to_string(year) + " 12:10:00 GMT";
}

std::string CookieAddress(const std::string& host) { return "http://" + host + "/"; }
