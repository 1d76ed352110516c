// The catalogue cookies' text rules (portable): splitting the stored cookie
// text into items and the expiry every restored cookie gets.
#pragma once

#include <string>
#include <vector>

// Fills `items` from `text` (cleared first). Items are separated by
// `delimiter` and, outside double quotation marks, also by any character of
// code 1..32; a quoted item keeps its spaces ("" inside stands for one mark).
// A text ending in the delimiter adds one empty item. The text ends at its
// first zero byte.
void SplitDelimited(char delimiter, const std::string& text, std::vector<std::string>& items);

// ";expires = Mon, 20-Oct-<year> 12:10:00 GMT" for `year` (the current year + 1).
std::string CookieExpirySuffix(int year);

// "http://" + host + "/": the address the cookies are stored for.
std::string CookieAddress(const std::string& host);
