#include "browser/cookies.h"

#include <string_view>

#include "base/ascii.h"
#include "browser/link_rules.h"

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
  auto add = [&](std::string item) {
    if (!item.empty()) items.push_back(std::move(item));
  };

  skip_blanks();
  while (i < n) {
    if (text[i] == '"') {
      std::string item;
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
      add(std::move(item));
    } else {
      // Up to the delimiter: a cookie value may contain spaces.
      const size_t start = i;
      while (i < n && text[i] != delimiter) ++i;
      size_t end = i;
      while (end > start && IsBlank(static_cast<unsigned char>(text[end - 1]))) --end;
      add(text.substr(start, end - start));
    }
    skip_blanks();
    if (i < n && text[i] == delimiter) {
      ++i;
      skip_blanks();
    }
  }
}

std::string CookieExpirySuffix(int year) {
  return ";expires = Mon, 20-Oct-" + std::to_string(year) + " 12:10:00 GMT";
}

std::string CookieAddress(const std::string& host) { return "http://" + host + "/"; }

std::string CookiesToStore(const std::string& document_address, const std::string& cookie_text) {
  if (StartsWithIgnoreCase(document_address, "https://")) return kSecureCookiesMark + cookie_text;
  return cookie_text;
}

CookiesToRestore CookiesFromStore(const std::string& stored, const std::string& host) {
  const std::string_view mark = kSecureCookiesMark;
  if (stored.compare(0, mark.size(), mark) == 0)
    return {stored.substr(mark.size()), "https://" + host + "/", true};
  return {stored, CookieAddress(host), false};
}

bool ShouldSaveCookies(const std::string& document_address, const std::string& host) {
  return IsOnCatalogueHost(document_address, host);
}
