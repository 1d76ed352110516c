// THostedBrowser: settings, loading, the cookie reader, document access, the
// control's own messages and keys. The window integration is in
// window_integration_win.cpp.
#include "browser/hosted_browser_win.h"

#include "browser/browser_module_win.h"
#include "ui/menus_win.h"
#include "ui/ole_auto_win.h"
#include "base/cp1251_win.h"

namespace {

// The document's text property `name` (CP1251); empty on any failure.
std::string DocumentText(THostedBrowser& browser, const wchar_t* name) {
  try {
    ComPtr<IDispatch> document = browser.Document();
    if (!document) return {};
    TVariant value;
    if (FAILED(GetProperty(document.Get(), name, value))) return {};
    std::wstring text;
    if (!value.ToText(text)) return {};
    return FromWide(text);
  } catch (...) {
    return {};
  }
}

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (::GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

}  // namespace

THostedBrowser::THostedBrowser(TComponent* owner) : TCustomHostedBrowser(owner) {
  SetColor(RgbColor(0xE5, 0xF7, 0xFF));  // the placeholder page's background
  BrowserModuleAttach(this);
}

THostedBrowser::~THostedBrowser() {
  Shutdown();
  BrowserModuleDetach(this);
}

void THostedBrowser::BeforeDestruction() {
  Shutdown();
  TCustomHostedBrowser::BeforeDestruction();
}

void THostedBrowser::Shutdown() {
  RemoveFocusTracking();
  RemoveDialogSupervision();
}

void THostedBrowser::Loaded() {
  enable_message_handler_ = true;
  if (disable_errors_.ScriptErrorsSuppressed) SetScriptErrorAction(eaContinue);
  Set8087CW(disable_errors_.fpExceptions ? DefaultControlWord() : kMaskedControlWord);
  InstallDialogSupervision();
}

IDispatch* THostedBrowser::Automation() { return stand_in_ ? stand_in_.Get() : OleObject(); }

bool THostedBrowser::IsTopWindow(IDispatch* window) {
  if (!window) return false;
  // COM identity: the IUnknown of each object.
  auto identity = [](IUnknown* object) {
    ComPtr<IUnknown> unknown;
    if (object) (void)object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    return unknown;
  };
  const ComPtr<IUnknown> target = identity(window);
  if (!target) return false;
  for (IDispatch* top : {static_cast<IDispatch*>(stand_in_.Get()), OleObject()}) {
    if (top && identity(top).Get() == target.Get()) return true;
  }
  return false;
}

ComPtr<IDispatch> THostedBrowser::Document() {
  IDispatch* automation = Automation();
  if (!automation) return {};
  TVariant document;
  if (FAILED(GetProperty(automation, L"Document", document))) return {};
  return document.AsDispatch();
}

std::string THostedBrowser::CookieText() { return DocumentText(*this, L"cookie"); }

std::string THostedBrowser::DocumentAddress() { return DocumentText(*this, L"URL"); }

bool THostedBrowser::PreTranslateKey(MSG& msg) {
  // The page first (its accelerators and our Ctrl filter), then the
  // shortcuts of the browser's menu.
  if (TCustomHostedBrowser::PreTranslateKey(msg)) return true;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TPopupMenu* menu = PopupMenu();
  if (!menu) return false;
  const TShiftState shift = KeyboardShiftState();
  const TShortCut pressed = MakeShortCut(static_cast<uint8_t>(msg.wParam), (shift & ssCtrl) != 0,
                                         (shift & ssShift) != 0, (shift & ssAlt) != 0);
  for (int i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    if (item->ShortCut() != 0 && item->ShortCut() == pressed && item->Enabled() && item->Visible()) {
      item->Click();
      return true;
    }
  }
  return false;
}

void THostedBrowser::ControlFocusChanged(bool got_focus) {
  if (got_focus) active_control_ = true;
}

LRESULT THostedBrowser::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS;
    case WM_KEYDOWN:
      if (enable_message_handler_ && wparam == VK_RETURN) {
        TCustomHostedBrowser::WndProc(msg, wparam, lparam);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      active_control_ = true;
      break;
    case WM_KILLFOCUS:
      FocusMovedTo(reinterpret_cast<HWND>(wparam));
      break;
    case kMsgRestoreFocus:
      if (active_control_ && CanFocus()) {
        MakeActiveControl();
        if (Document() && UIActivate()) MakeActiveControl();
      }
      return 0;
    default:
      break;
  }
  return TCustomHostedBrowser::WndProc(msg, wparam, lparam);
}
