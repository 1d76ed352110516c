// The catalogue cookies between runs: the "cookies" setting written back
// into the system's cookie store when the window is shown, and the shown
// catalogue page's cookies kept when it closes. UI thread.
#pragma once

#include <string>

class THostedBrowser;

// Reads the stored "cookies" setting and writes each item back for the
// catalogue on `host` (PutStoredCookies). Settings errors propagate.
void RestoreCookies(const std::string& host);

// Writes the shown catalogue page's cookie text as the "cookies" setting
// (CookiesToSave); any other page leaves the stored value. Settings errors
// propagate.
void SaveCatalogueCookies(THostedBrowser& browser, const std::string& host);
