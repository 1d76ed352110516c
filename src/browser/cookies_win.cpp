#include "browser/cookies_win.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "app/settings_win.h"
#include "browser/cookies.h"

void PutCookie(const std::string& address, const std::string& cookie) {
  // CP1251 bytes go through the A function unchanged.
  InternetSetCookieA(address.c_str(), nullptr, cookie.c_str());
}

void RestoreCookies(const std::string& host) {
  const std::string address = CookieAddress(host);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const std::string suffix = CookieExpirySuffix(now.wYear + 1);
  std::vector<std::string> items;
  SplitDelimited(';', ReadSetting("cookies"), items);
  for (const std::string& item : items) PutCookie(address, item + suffix);
}
