// Restoring the stored catalogue cookies into the system cookie store.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/settings_win.h"
#include "app/catalogue_cookies_win.h"
#include "browser/cookies_win.h"
#include "registry_guard.h"

namespace {

std::string StoredCookies(const char* address) {
  char buffer[4096];
  DWORD size = sizeof(buffer);
  if (!InternetGetCookieA(address, nullptr, buffer, &size)) return {};
  return std::string(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
}

}  // namespace

TEST(CookieRestore, EachStoredItemGoesToTheCatalogueAddress) {
  VolnarKeyGuard guard;
  WriteSetting("cookies", "vtest1=1; vtest2=two words");
  RestoreCookies("cookies.volnar.test");
  const std::string got = StoredCookies("http://cookies.volnar.test/");
  EXPECT_NE(got.find("vtest1=1"), std::string::npos) << got;
  EXPECT_NE(got.find("vtest2=two words"), std::string::npos) << got << ": one cookie, space and all";
  EXPECT_EQ(got.find("words="), std::string::npos) << got;
}

TEST(CookieRestore, NothingStoredRestoresNothing) {
  VolnarKeyGuard guard;
  RestoreCookies("empty.volnar.test");
  EXPECT_EQ(StoredCookies("http://empty.volnar.test/"), "");
}
