// Catalogue cookies: the stored cookie text written back into the system's
// cookie store, and the text of the shown catalogue page worth keeping. The
// settings store itself is the caller's (app/catalogue_cookies_win.h). UI
// thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

class THostedBrowser;

// Stores `cookie` for `address` with InternetSetCookie; the answer is not
// looked at (a refused item is simply lost).
void PutCookie(const std::string& address, const std::string& cookie);

// Tests: when set, PutCookie calls this instead of the cookie store.
extern std::function<void(const std::string& address, const std::string& cookie)> PutCookieHook;

// Writes each item of the stored cookie text `stored` for "http://" + host +
// "/" with an expiry on 20 October of next year (by the local clock); the
// cookies of a secure page go to "https://" + host + "/", marked secure.
void PutStoredCookies(const std::string& stored, const std::string& host);

// The text to store for the shown document's cookies (also when empty;
// marked as a secure page's for https) when that document is a page of the
// catalogue on `host`; nothing otherwise (the stored value stays).
std::optional<std::string> CookiesToSave(THostedBrowser& browser, const std::string& host);
