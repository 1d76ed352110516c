// Link interception: every navigation the catalogue browser is about to make
// passes here first. "new:" links open in the default web browser, "play:"
// links play a station, the catalogue home address shows the please-wait box.
#include "browser/link_interception_win.h"

#include <shellapi.h>

#include "app/unit1_win.h"
#include "browser/link_rules.h"
#include "ui/ole_auto_win.h"

std::function<void(HWND, const std::string&)> ShellOpenHook;

void ShellOpen(HWND owner, const std::string& address) {
  if (ShellOpenHook) {
    ShellOpenHook(owner, address);
    return;
  }
  (void)::ShellExecuteW(owner, L"open", ToWide(address).c_str(), nullptr, nullptr, SW_SHOW);
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

void TForm1::WebBrowser0BeforeNavigate2(TObject*, IDispatch*, VARIANT* URL, VARIANT*, VARIANT*,
                                        VARIANT*, VARIANT*, VARIANT_BOOL* Cancel) {
  const std::string address = AddressOf(URL);
  const LinkDecision decision = ClassifyNavigation(address, CatalogueHomeAddress(CatalogueHost));
  switch (decision.kind) {
    case LinkKind::kNew:
      // Only web addresses: a page must not make the player open local
      // files or start programs.
      if (IsWebAddress(decision.rest)) ShellOpen(Handle(), decision.rest);
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
