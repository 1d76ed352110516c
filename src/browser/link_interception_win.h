// Link interception: what a navigation the catalogue browser is about to
// make asks of the player ("new:" links open in the default web browser,
// "play:" links play a station, the catalogue home address shows the
// please-wait box), and the shell seam behind "new:". Window thread.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <optional>
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

// What the window does about one navigation.
struct NavigationOutcome {
  bool cancel = false;              // the browser must not go there
  bool show_please_wait = false;    // the catalogue home address is loading
  std::optional<std::string> play;  // a play: link's station address (possibly empty)
};

// Looks at a navigation of `browser` to `url` made by `window` (the
// BeforeNavigate2 arguments): a new: link that may drive the player is
// opened with the shell, owned by `owner`; play: links are handed back; both
// are cancelled whether obeyed or not. `host` is the catalogue host name.
NavigationOutcome InterceptNavigation(THostedBrowser& browser, IDispatch* window,
                                      const VARIANT* url, HWND owner, const std::string& host);

// Tests: when set, ShellOpen calls this instead of the shell.
extern std::function<void(HWND owner, const std::string& address)> ShellOpenHook;
