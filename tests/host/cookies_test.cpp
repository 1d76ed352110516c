// Splitting the stored cookie text and the restored cookies' expiry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/cookies.h"

using Items = std::vector<std::string>;

TEST(SplitDelimited, Table) {
  const struct { std::string text; Items items; } cases[] = {
      {"a=1; b=2", {"a=1", "b=2"}},
      {"a=x y", {"a=x", "y"}},
      {"a=1;", {"a=1", ""}},
      {"a=1; ", {"a=1"}},  // the delimiter is not the last character
      {"", {}},
      {"   \t ", {}},
      {"\"p q\";r", {"p q", "r"}},
      {"\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
      {"\"open", {"open"}},  // an unclosed quote runs to the end
      {"a;;b", {"a", "", "b"}},  // an empty run between two delimiters is an item
      {"  lead=1;trail=2  ", {"lead=1", "trail=2"}},
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
  EXPECT_EQ(CookieAddress("radio.volnar.ru"), "http://radio.volnar.ru/");
}
