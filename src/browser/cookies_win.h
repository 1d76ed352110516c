// Catalogue cookies: written back into the system's cookie store when the
// window is shown, kept from the catalogue page when it closes. UI thread.
#pragma once

#include <functional>
#include <string>

class THostedBrowser;

// Stores `cookie` for `address` with InternetSetCookie; the answer is not
// looked at (a refused item is simply lost).
void PutCookie(const std::string& address, const std::string& cookie);

// Tests: when set, PutCookie calls this instead of the cookie store.
extern std::function<void(const std::string& address, const std::string& cookie)> PutCookieHook;

// Reads the stored "cookies" setting and writes each item for
// "http://" + host + "/" with an expiry on 20 October of next year (by the
// local clock); the cookies of a secure page go to "https://" + host + "/",
// marked secure. Settings errors propagate to the caller.
void RestoreCookies(const std::string& host);

// Writes the shown document's cookie text as the "cookies" setting (also
// when it is empty; marked as a secure page's for https) when that document
// is a page of the catalogue on `host`; otherwise the stored value stays.
// Settings errors propagate.
void SaveCatalogueCookies(THostedBrowser& browser, const std::string& host);
