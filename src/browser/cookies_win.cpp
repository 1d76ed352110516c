#include "browser/cookies_win.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "app/settings_win.h"
#include "browser/cookies.h"
#include "browser/hosted_browser_win.h"

std::function<void(const std::string&, const std::string&)> PutCookieHook;

void PutCookie(const std::string& address, const std::string& cookie) {
  if (PutCookieHook) {
    PutCookieHook(address, cookie);
    return;
  }
  // CP1251 bytes go through the A function unchanged.
  InternetSetCookieA(address.c_str(), nullptr, cookie.c_str());
}

void RestoreCookies(const std::string& host) {
  const CookiesToRestore stored = CookiesFromStore(ReadSetting("cookies"), host);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // A secure page's cookies must never travel over the plain home address.
  const std::string suffix = CookieExpirySuffix(now.wYear + 1) + (stored.secure ? ";secure" : "");
  std::vector<std::string> items;
  SplitDelimited(';', stored.text, items);
  for (const std::string& item : items) PutCookie(stored.address, item + suffix);
}

void SaveCatalogueCookies(THostedBrowser& browser, const std::string& host) {
  // An error page (offline) or another site must not replace the catalogue's cookies.
  const std::string address = browser.DocumentAddress();
  if (!ShouldSaveCookies(address, host)) return;
  WriteSetting("cookies", CookiesToStore(address, browser.CookieText()));
}
