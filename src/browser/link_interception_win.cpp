// Link interception: every navigation the catalogue browser is about to make
// passes here first. "new:" links open in the default web browser, "play:"
// links play a station, the catalogue home address shows the please-wait box.
#include "browser/link_interception_win.h"

#include <shellapi.h>

#include "app/unit1_win.h"
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

void TForm1::WebBrowser0BeforeNavigate2(TObject*, IDispatch* pDisp, VARIANT* URL, VARIANT*,
                                        VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL* Cancel) {
  const std::string address = AddressOf(URL);
  const LinkDecision decision = ClassifyNavigation(address, CatalogueHomeAddress(CatalogueHost));
  if ((decision.kind == LinkKind::kNew || decision.kind == LinkKind::kPlay) &&
      !LinksMayDrivePlayer(*WebBrowser1, pDisp, CatalogueHost)) {
    // Another site's page or frame: not obeyed, and not navigated to either.
    *Cancel = VARIANT_TRUE;
    return;
  }
  switch (decision.kind) {
    case LinkKind::kNew:
      ShellOpen(Handle(), decision.rest);
      *Cancel = VARIANT_TRUE;
      return;
    case LinkKind::kPlay:
      LastUrl = decision.rest;
      ConnectAttempts = 1;
      // Cancelled before playback starts, so that a failing start cannot
      // leave the browser navigating to the play: address.
      *Cancel = VARIANT_TRUE;
      NplayClick(this);
      return;
    case LinkKind::kCatalogueHome:
      pleasewait->SetVisible(true);
      return;
    case LinkKind::kOther:
      return;
  }
}
