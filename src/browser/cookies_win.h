// Catalogue cookies: written back into the system's cookie store when the
// window is shown. UI thread.
#pragma once

#include <string>

// Stores `cookie` for `address` with InternetSetCookieA; the answer is not
// looked at (a refused item is simply lost).
void PutCookie(const std::string& address, const std::string& cookie);

// Reads the stored "cookies" setting and writes each item for
// "http://" + host + "/" with an expiry on 20 October of next year (by the
// local clock). Settings errors propagate to the caller.
void RestoreCookies(const std::string& host);
