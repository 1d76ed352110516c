#include "browser/cookies_win.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

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

void PutStoredCookies(const std::string& stored_text, const std::string& host) {
  const CookiesToRestore stored = CookiesFromStore(stored_text, host);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // A secure page's cookies must never travel over the plain home address.
  const std::string suffix = CookieExpirySuffix(now.wYear + 1) + (stored.secure ? ";secure" : "");
  std::vector<std::string> items;
  SplitDelimited(';', stored.text, items);
  for (const std::string& item : items) PutCookie(stored.address, item + suffix);
}

std::optional<std::string> CookiesToSave(THostedBrowser& browser, const std::string& host) {
  // An error page (offline) or another site must not replace the catalogue's cookies.
  const std::string address = browser.DocumentAddress();
  if (!ShouldSaveCookies(address, host)) return std::nullopt;
  return CookiesToStore(address, browser.CookieText());
}
