#include "app/catalogue_cookies_win.h"

#include <optional>

#include "app/settings_win.h"
#include "browser/cookies_win.h"

void RestoreCookies(const std::string& host) { PutStoredCookies(ReadSetting("cookies"), host); }

void SaveCatalogueCookies(THostedBrowser& browser, const std::string& host) {
  if (std::optional<std::string> text = CookiesToSave(browser, host)) WriteSetting("cookies", *text);
}
