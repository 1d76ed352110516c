// Opening an address in the user's default web browser (the "new:" links),
// behind a seam for the tests. Window thread.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>

// ShellExecute "open" of `address` (CP1251), shown normally, when it is a
// web address: spaces and quotation marks percent-quoted, an address with a
// control character or of another kind refused (ShellWebAddress). The result
// is not looked at.
void ShellOpen(HWND owner, const std::string& address);

class THostedBrowser;

// True when a navigation that `window` (the browser itself or one of its
// frames; null when the browser names none) makes may drive the player: the
// browser's top document is a catalogue page on `host` or the placeholder,
// and a frame's own page is one too (PageMayDrivePlayer).
bool LinksMayDrivePlayer(THostedBrowser& browser, IDispatch* window, const std::string& host);

// Tests: when set, ShellOpen calls this instead of the shell.
extern std::function<void(HWND owner, const std::string& address)> ShellOpenHook;
