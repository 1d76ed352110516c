// The browser's edit menu (cut, copy, paste): whether the document can do a
// command now, and running it. Window thread.
#pragma once

#include <windows.h>
#include <docobj.h>

class THostedBrowser;

// Document.queryCommandEnabled(command) ("Cut", "Copy", "Paste"); false when
// the document cannot answer (none loaded, or an error).
bool BrowserCommandEnabled(THostedBrowser& browser, const wchar_t* command);

// Runs a browser command, prompting the user where it asks; a failing
// command (nothing to paste, no document) does nothing and shows nothing.
void RunBrowserCommand(THostedBrowser& browser, OLECMDID command);
