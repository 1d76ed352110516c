#include "browser/web_browser_win.h"

#include <exdispid.h>

#include "ui/ole_auto_win.h"
#include "base/cp1251_win.h"

namespace {

constexpr DISPID kDispidSilent = 551;

// The variant an event argument stands for: by-reference variants are
// followed, anything else is the argument itself.
VARIANT* Referenced(VARIANT& arg) {
  if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal) return arg.pvarVal;
  return &arg;
}

}  // namespace

TWebBrowserWrapper::TWebBrowserWrapper(TComponent* owner)
    : TOleControl(owner, CLSID_WebBrowser, DIID_DWebBrowserEvents2) {}

void TWebBrowserWrapper::ControlInterfacesReady() {
  OleCheck(OleObjectInterface()->QueryInterface(IID_PPV_ARGS(&browser_)));
}

void TWebBrowserWrapper::ReleaseControlInterfaces() { browser_.Reset(); }

IWebBrowser2* TWebBrowserWrapper::Browser() {
  CreateControl();
  return browser_.Get();
}

void TWebBrowserWrapper::Navigate(const std::wstring& url, VARIANT* flags, VARIANT* target_frame,
                                  VARIANT* post_data, VARIANT* headers) {
  navigations_.push_back(FromWide(url));
  IWebBrowser2* browser = Browser();
  TVariant empty[4];
  BSTR address = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
  const HRESULT hr = browser->Navigate(address, flags ? flags : empty[0].Get(),
                                       target_frame ? target_frame : empty[1].Get(),
                                       post_data ? post_data : empty[2].Get(),
                                       headers ? headers : empty[3].Get());
  ::SysFreeString(address);
  OleCheck(hr);
}

void TWebBrowserWrapper::Navigate(const std::string& url) { Navigate(ToWide(url)); }

void TWebBrowserWrapper::ExecWB(OLECMDID command, OLECMDEXECOPT option) {
  IWebBrowser2* browser = Browser();
  TVariant in, out;
  OleCheck(browser->ExecWB(command, option, in.Get(), out.Get()));
}

std::string TWebBrowserWrapper::LocationURL() {
  BSTR url = nullptr;
  if (FAILED(Browser()->get_LocationURL(&url)) || !url) return {};
  std::string text = FromWide(std::wstring_view(url, ::SysStringLen(url)));
  ::SysFreeString(url);
  return text;
}

void TWebBrowserWrapper::SetSilent(bool silent) {
  silent_ = silent;
  CreateControl();
  TVariant value(silent);
  OleCheck(PutProperty(OleObject(), kDispidSilent, *value.Get()));
}

void TWebBrowserWrapper::InvokeEvent(DISPID id, DISPPARAMS& params) {
  VARIANTARG* a = params.rgvarg;  // in reverse order
  switch (id) {
    case DISPID_BEFORENAVIGATE2: {
      if (params.cArgs < 7 || !OnBeforeNavigate2) return;
      VARIANT_BOOL ignored = VARIANT_FALSE;
      VARIANT_BOOL* cancel = a[0].vt == (VT_BYREF | VT_BOOL) && a[0].pboolVal ? a[0].pboolVal : &ignored;
      IDispatch* window = a[6].vt == VT_DISPATCH ? a[6].pdispVal : nullptr;
      OnBeforeNavigate2(this, window, Referenced(a[5]), Referenced(a[4]), Referenced(a[3]),
                        Referenced(a[2]), Referenced(a[1]), cancel);
      return;
    }
    case DISPID_DOCUMENTCOMPLETE: {
      if (params.cArgs < 2 || !OnDocumentComplete) return;
      IDispatch* window = a[1].vt == VT_DISPATCH ? a[1].pdispVal : nullptr;
      OnDocumentComplete(this, window, Referenced(a[0]));
      return;
    }
    default:
      return;
  }
}
