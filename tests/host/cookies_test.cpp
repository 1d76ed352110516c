// Splitting the stored cookie text, the restored cookies' expiry, and which
// page's cookies are kept at close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/cookies.h"

using Items = std::vector<std::string>;

TEST(SplitDelimited, Table) {
  const struct { std::string text; Items items; } cases[] = {
      {"a=1; b=2", {"a=1", "b=2"}},
      {"a=x y", {"a=x y"}},  // a value with a space stays one cookie
      {"name=Иван Петров; k=v", {"name=Иван Петров", "k=v"}},
      {"a=1;", {"a=1"}},     // empty items are skipped
      {"a=1; ", {"a=1"}},
      {"", {}},
      {"   \t ", {}},
      {";;", {}},
      {"a;;b", {"a", "b"}},
      {"a; ;b", {"a", "b"}},
      {"  lead=1;trail=2  ", {"lead=1", "trail=2"}},
      {"a=1 \t\r\n; b=2\x01", {"a=1", "b=2"}},  // blanks and control characters trimmed
      {"\"p q\";r", {"p q", "r"}},
      {"\"p q\" ; r", {"p q", "r"}},
      {"\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
      {"\"a;b\";c", {"a;b", "c"}},  // the delimiter inside quotes is text
      {"\"open", {"open"}},          // an unclosed quote runs to the end
      {"\"\";x", {"x"}},             // an empty quoted item is skipped too
      {"\"q\"tail;z", {"q", "tail", "z"}},
      {"x=\"q\";z", {"x=\"q\"", "z"}},  // a mark inside an item is plain text
      {std::string("a=1\0; b=2", 9), {"a=1"}},  // the text ends at its zero byte
      {"\xC8\xEC\xFF=\xE7\xED\xE0\xF7; k=v", {"\xC8\xEC\xFF=\xE7\xED\xE0\xF7", "k=v"}},  // CP1251 bytes
  };
  for (const auto& c : cases) {
    Items items = {"stale"};
    SplitDelimited(';', c.text, items);
    EXPECT_EQ(items, c.items) << c.text;
  }
}

TEST(CookieText, ExpiryAndAddress) {
  EXPECT_EQ(CookieExpirySuffix(2026), ";expires = Mon, 20-Oct-2026 12:10:00 GMT");
  EXPECT_EQ(CookieExpirySuffix(2100), ";expires = Mon, 20-Oct-2100 12:10:00 GMT");
  EXPECT_EQ(CookieAddress("radio.volnar.ru"), "http://radio.volnar.ru/");
  EXPECT_EQ(CookieAddress("127.0.0.1:8760"), "http://127.0.0.1:8760/");
}

TEST(CookieText, OnlyTheCataloguePagesCookiesAreSaved) {
  const struct { const char* address; bool save; } cases[] = {
      {"http://radio.volnar.ru", true},
      {"http://radio.volnar.ru/", true},
      {"https://radio.volnar.ru/genre/rock?page=2", true},
      {"HTTP://Radio.Volnar.RU/", true},
      {"http://radio.volnar.ru#top", true},
      {"about:<html><body></body></html>", false},  // the placeholder page
      {"res://ieframe.dll/dnserror.htm#http://radio.volnar.ru/", false},  // the offline page
      {"http://example.com/", false},
      {"http://radio.volnar.ru.example.com/", false},
      {"http://evil.example/http://radio.volnar.ru/", false},
      {"http://user@radio.volnar.ru/", false},
      {"http://radio.volnar.ru:8080/", false},
      {"ftp://radio.volnar.ru/", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShouldSaveCookies(c.address, "radio.volnar.ru"), c.save) << c.address;
  }
  EXPECT_TRUE(ShouldSaveCookies("http://127.0.0.1:8760/", "127.0.0.1:8760"));
  EXPECT_FALSE(ShouldSaveCookies("http://127.0.0.1:8761/", "127.0.0.1:8760"));
  EXPECT_FALSE(ShouldSaveCookies("http://", ""));
}

TEST(CookieText, SecurePagesCookiesAreStoredMarkedAndComeBackForHttps) {
  EXPECT_EQ(CookiesToStore("http://radio.volnar.ru/", "a=1; b=2"), "a=1; b=2");
  EXPECT_EQ(CookiesToStore("HTTPS://radio.volnar.ru/x", "a=1; b=2"), "https:a=1; b=2");
  EXPECT_EQ(CookiesToStore("https://radio.volnar.ru/", ""), "https:");

  const CookiesToRestore plain = CookiesFromStore("a=1; b=2", "radio.volnar.ru");
  EXPECT_EQ(plain.text, "a=1; b=2");
  EXPECT_EQ(plain.address, "http://radio.volnar.ru/");
  EXPECT_FALSE(plain.secure);
  const CookiesToRestore secure = CookiesFromStore("https:a=1; b=2", "radio.volnar.ru");
  EXPECT_EQ(secure.text, "a=1; b=2");
  EXPECT_EQ(secure.address, "https://radio.volnar.ru/");
  EXPECT_TRUE(secure.secure);
  // Written and read back, a secure page's text is the same text.
  EXPECT_EQ(CookiesFromStore(CookiesToStore("https://h/", "s=1"), "h").text, "s=1");
}
