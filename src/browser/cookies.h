// The catalogue cookies' text rules (portable): splitting the stored cookie
// text into items, the expiry every restored cookie gets, and which page's
// cookies are worth keeping.
#pragma once

#include <string>
#include <vector>

// Fills `items` from `text` (cleared first). An item ends only at
// `delimiter`; characters of code 1..32 around an item are trimmed and empty
// items are skipped, so "a=x y; b=2" gives "a=x y" and "b=2". An item that
// begins with a double quotation mark is the quoted text up to the matching
// closing mark ("" inside stands for one mark); whatever follows the closing
// mark before the next delimiter is an item of its own. The text ends at its
// first zero byte.
void SplitDelimited(char delimiter, const std::string& text, std::vector<std::string>& items);

// ";expires = Mon, 20-Oct-<year> 12:10:00 GMT" for `year` (the current year + 1).
std::string CookieExpirySuffix(int year);

// "http://" + host + "/": the address the cookies are stored for.
std::string CookieAddress(const std::string& host);

// The stored text of a secure catalogue page's cookies begins with this, so
// that they come back for the secure address only. No cookie name holds a
// colon, so no plain cookie text begins with it.
inline constexpr char kSecureCookiesMark[] = "https:";

// The settings text for the cookie text of the page at `document_address`:
// the text itself, or kSecureCookiesMark + text for an https page.
std::string CookiesToStore(const std::string& document_address, const std::string& cookie_text);

// What a stored settings text restores: the items' text, the address they
// are stored for ("http://host/", or "https://host/" for a secure page's)
// and whether they are marked secure (sent over https only).
struct CookiesToRestore {
  std::string text;
  std::string address;
  bool secure = false;
};
CookiesToRestore CookiesFromStore(const std::string& stored, const std::string& host);

// True when the cookie text of the document shown at `document_address`
// belongs to the catalogue on `host` and so replaces the stored one. Any
// other page (the placeholder, an error page, another site) leaves the
// stored cookies as they are.
bool ShouldSaveCookies(const std::string& document_address, const std::string& host);
