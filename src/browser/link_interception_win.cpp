// Link interception: every navigation the catalogue browser is about to make
// passes here first.
#include "browser/link_interception_win.h"

#include <shellapi.h>

#include "base/cp1251_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/link_rules.h"
#include "ui/ole_auto_win.h"

std::function<void(HWND, const std::string&)> ShellOpenHook;

void ShellOpen(HWND owner, const std::string& address) {
  // Only web addresses, and each one a single argument of the program that
  // opens it: a page must not make the player open local files, start
  // programs or add arguments of its own.
  const std::optional<std::string> safe = ShellWebAddress(address);
  if (!safe) return;
  if (ShellOpenHook) {
    ShellOpenHook(owner, *safe);
    return;
  }
  (void)::ShellExecuteW(owner, L"open", ToWide(*safe).c_str(), nullptr, nullptr, SW_SHOW);
}

namespace {

std::string AddressOf(const VARIANT* url) {
  if (!url) return {};
  if (url->vt == VT_BSTR) {
    return FromWide(std::wstring_view(url->bstrVal ? url->bstrVal : L"", ::SysStringLen(url->bstrVal)));
  }
  TVariant copy;
  if (FAILED(::VariantCopy(copy.Get(), const_cast<VARIANT*>(url)))) return {};
  std::wstring text;
  return copy.ToText(text) ? FromWide(text) : std::string();
}

}  // namespace

bool LinksMayDrivePlayer(THostedBrowser& browser, IDispatch* window, const std::string& host) {
  if (!PageMayDrivePlayer(browser.DocumentAddress(), host)) return false;
  if (!window || browser.IsTopWindow(window)) return true;
  // A frame: its own page must be the catalogue's as well (an advertiser's
  // frame inside a catalogue page is not).
  TVariant location;
  std::wstring text;
  if (FAILED(GetProperty(window, L"LocationURL", location)) || !location.ToText(text)) return false;
  return PageMayDrivePlayer(FromWide(text), host);
}

NavigationOutcome InterceptNavigation(THostedBrowser& browser, IDispatch* window,
                                      const VARIANT* url, HWND owner, const std::string& host) {
  NavigationOutcome outcome;
  const LinkDecision decision = ClassifyNavigation(AddressOf(url), CatalogueHomeAddress(host));
  switch (decision.kind) {
    case LinkKind::kNew:
      // Another site's page or frame is not obeyed, and not navigated to either.
      outcome.cancel = true;
      if (LinksMayDrivePlayer(browser, window, host)) ShellOpen(owner, decision.rest);
      break;
    case LinkKind::kPlay:
      // Cancelled before playback starts, so that a failing start cannot
      // leave the browser navigating to the play: address.
      outcome.cancel = true;
      if (LinksMayDrivePlayer(browser, window, host)) outcome.play = decision.rest;
      break;
    case LinkKind::kCatalogueHome:
      outcome.show_please_wait = true;
      break;
    case LinkKind::kOther:
      break;
  }
  return outcome;
}
