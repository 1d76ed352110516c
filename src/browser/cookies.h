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

// True when the cookie text of the document shown at `document_address`
// belongs to the catalogue on `host` and so replaces the stored one. Any
// other page (the placeholder, an error page, another site) leaves the
// stored cookies as they are.
bool ShouldSaveCookies(const std::string& document_address, const std::string& host);
