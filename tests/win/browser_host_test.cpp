// The browser control hosted by our site, under Wine: in place in the
// laid-out rectangle, one COM identity with one count, the document host's
// answers (called through our own interfaces), ambient properties, Silent,
// raising operations, window re-creation and tear-down.
#include <gtest/gtest.h>

#include <windows.h>
#include <docobj.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <servprov.h>

#include <stdexcept>
#include <string>

#include "browser/doc_host_win.h"
#include "browser/hosted_browser_win.h"
#include "browser_test_util.h"
#include "ui/ole_auto_win.h"

namespace {

HRESULT Ambient(THostedBrowser* b, DISPID id, TVariant& out, EXCEPINFO* error = nullptr) {
  ComPtr<IDispatch> ambient = SiteInterface<IDispatch>(b, IID_IDispatch);
  if (!ambient) return E_NOINTERFACE;
  DISPPARAMS none{};
  return ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, out.Reset(), error, nullptr);
}

RECT ScreenRectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

TEST(BrowserHost, TheControlIsInPlaceInTheLaidOutRectangle) {
  BrowserForm f;
  HWND embedding = f.Embedding();
  ASSERT_NE(embedding, nullptr) << "no Shell Embedding window";
  EXPECT_EQ(GetParent(embedding), f.browser->Handle());
  EXPECT_TRUE(f.browser->InPlaceActive());
  EXPECT_EQ(f.browser->ControlWindow(), embedding);
  RECT r = ScreenRectOf(embedding);
  EXPECT_EQ(r.left, 60 + 10);
  EXPECT_EQ(r.top, 60 + 20);
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 280);
  // A new layout moves and sizes the control with it.
  f.browser->SetBounds(1, 15, 300, 200);
  r = ScreenRectOf(embedding);
  EXPECT_EQ(r.left, 61);
  EXPECT_EQ(r.top, 75);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_TRUE(IsWindowVisible(embedding));
}

TEST(BrowserHost, EveryInterfaceIsOneObjectWithOneCount) {
  BrowserForm f;
  IOleClientSite* site = f.browser->Site();
  ASSERT_NE(site, nullptr);
  const IID iids[] = {IID_IOleClientSite,      IID_IOleInPlaceSite,  IID_IOleWindow,
                      IID_IOleInPlaceFrame,    IID_IOleInPlaceUIWindow, IID_IOleControlSite,
                      IID_IDispatch,           DIID_DWebBrowserEvents2, __uuidof(IDocHostUIHandler),
                      __uuidof(IDocHostUIHandler2), __uuidof(IDocHostShowUI), IID_IOleCommandTarget,
                      IID_IServiceProvider,    __uuidof(IProtectFocus)};
  ComPtr<IUnknown> identity;
  ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  for (const IID& iid : iids) {
    ComPtr<IUnknown> p;
    ASSERT_EQ(site->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf())), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(p->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
    EXPECT_EQ(back.Get(), identity.Get()) << "IUnknown from every interface is the same";
    // One count: a reference taken through this interface shows through the site.
    const ULONG before = site->AddRef();
    p->AddRef();
    const ULONG after = site->AddRef();
    EXPECT_EQ(after, before + 2);
    p->Release();
    site->Release();
    site->Release();
  }
  ComPtr<IUnknown> none;
  EXPECT_EQ(site->QueryInterface(IID_IPersist, reinterpret_cast<void**>(none.GetAddressOf())),
            E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST(BrowserHost, AmbientProperties) {
  BrowserForm f;
  THostedBrowser* b = f.browser;
  TVariant v;
  ASSERT_EQ(Ambient(b, -5512, v), S_OK);
  ASSERT_EQ(v.Type(), VT_I4);
  EXPECT_EQ(v.Get()->lVal, 0x70) << "the default download options";
  ASSERT_EQ(Ambient(b, DISPID_AMBIENT_USERMODE, v), S_OK);
  ASSERT_EQ(v.Type(), VT_BOOL);
  EXPECT_EQ(v.Get()->boolVal, VARIANT_TRUE);
  EXPECT_EQ(Ambient(b, -5513, v), DISP_E_MEMBERNOTFOUND) << "the browser's own user agent";
  // The standard ones come from the generic site.
  ASSERT_EQ(Ambient(b, DISPID_AMBIENT_LOCALEID, v), S_OK);
  EXPECT_EQ(static_cast<LCID>(v.Get()->lVal), GetUserDefaultLCID());
  ASSERT_EQ(Ambient(b, DISPID_AMBIENT_UIDEAD, v), S_OK);
  EXPECT_EQ(v.Get()->boolVal, VARIANT_FALSE);
  b->SetName("WebBrowser1");
  ASSERT_EQ(Ambient(b, DISPID_AMBIENT_DISPLAYNAME, v), S_OK);
  EXPECT_STREQ(v.Get()->bstrVal, L"WebBrowser1");
  EXPECT_EQ(Ambient(b, 12345, v), DISP_E_MEMBERNOTFOUND);

  // The flag sums follow their settings at once.
  b->SetDownloadOptions(OptionSet(DownloadImages, DontExecuteScripts, WorkOffline));
  ASSERT_EQ(Ambient(b, -5512, v), S_OK);
  EXPECT_EQ(static_cast<uint32_t>(v.Get()->lVal), 0x80000090u);
  b->SetUserAgentMode(uaInternal);
  b->SetUserAgent("VolnarTest/1");
  ASSERT_EQ(Ambient(b, -5513, v), S_OK);
  EXPECT_STREQ(v.Get()->bstrVal, L"VolnarTest/1\r\n");
  b->SetUserAgent("");
  EXPECT_EQ(Ambient(b, -5513, v), DISP_E_MEMBERNOTFOUND);
}

// A control whose ambient answers fail: the error comes back as an exception.
class FailingSite final : public TOleSite {
 public:
  using TOleSite::TOleSite;
  HRESULT GetAmbientProperty(DISPID, VARIANT*) override { throw std::runtime_error("no answer"); }
};
class FailingControl final : public TOleControl {
 public:
  explicit FailingControl(TComponent* owner)
      : TOleControl(owner, CLSID_WebBrowser, DIID_DWebBrowserEvents2) {}

 protected:
  TOleSite* CreateSite() override { return new FailingSite(this, Events()); }
};

TEST(BrowserHost, AnAmbientErrorBecomesADispatchException) {
  Application.Initialize();
  auto* owner = new TComponent(nullptr);
  auto* control = new FailingControl(owner);
  ASSERT_NE(control->OleObject(), nullptr);
  ComPtr<IDispatch> ambient;
  ASSERT_EQ(control->Site()->QueryInterface(IID_PPV_ARGS(&ambient)), S_OK);
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO error{};
  EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                            &result, &error, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(error.wCode, 9999);
  EXPECT_STREQ(error.bstrDescription, L"no answer");
  EXPECT_STREQ(error.bstrSource, L"std::runtime_error");
  EXPECT_EQ(result.vt, VT_EMPTY);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrSource);
  owner->Free();
}

TEST(BrowserHost, HostInformationFollowsTheOptions) {
  BrowserForm f;
  auto ui = SiteInterface<IDocHostUIHandler2>(f.browser, __uuidof(IDocHostUIHandler2));
  ASSERT_TRUE(ui);
  DOCHOSTUIINFO info;
  memset(&info, 0xCC, sizeof(info));
  info.cbSize = sizeof(info);
  ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0x44000u) << "the component's default options";
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(info.pchHostCss, nullptr);
  EXPECT_EQ(info.pchHostNS, nullptr);
  f.browser->SetUserInterfaceOptions(
      OptionSet(DontUse3DBorders, EnablesFormsAutoComplete, DisableThemes, DisableFrameSetBorder));
  ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x284004u);
}

TEST(BrowserHost, ContextMenusAreReplacedByThePopupMenuAtTheCursor) {
  BrowserForm f;
  auto* menu = new TPopupMenu(f.form);
  auto* item = new TMenuItem(f.form);
  item->SetCaption("Копировать");
  menu->Add(item);
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  f.browser->SetPopupMenu(menu);
  auto ui = SiteInterface<IDocHostUIHandler2>(f.browser, __uuidof(IDocHostUIHandler2));
  ASSERT_TRUE(ui);

  // Not suppressed: the browser shows its own.
  POINT elsewhere{5, 5};
  EXPECT_EQ(ui->ShowContextMenu(0, &elsewhere, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(popups, 0);

  f.browser->SetDisabledPopupMenus(OptionSet(rcmAll));
  SetCursorPos(250, 230);
  POINT cursor{};
  GetCursorPos(&cursor);
  for (DWORD id : {0u, 4u, 5u, 0x20u}) {  // page, selection, link, an unknown kind
    g_closed_menus = 0;
    const UINT_PTR t = SetTimer(nullptr, 0, 30, &CloseMenuWhenShown);
    EXPECT_EQ(ui->ShowContextMenu(id, &elsewhere, nullptr, nullptr), S_OK) << id;
    KillTimer(nullptr, t);
    EXPECT_EQ(g_closed_menus, 1) << id;
    EXPECT_EQ(g_closed_menu_rect.left, cursor.x) << "at the cursor, not the browser's point";
    EXPECT_EQ(g_closed_menu_rect.top, cursor.y);
  }
  EXPECT_EQ(popups, 4) << "the menu's pop-up handler runs first, every time";
  EXPECT_EQ(menu->PopupComponent(), f.browser);

  // Only some kinds suppressed: the others are the browser's.
  f.browser->SetDisabledPopupMenus(OptionSet(rcmAnchor));
  EXPECT_EQ(ui->ShowContextMenu(0, &elsewhere, nullptr, nullptr), E_NOTIMPL);
  // Without a menu the browser's is only suppressed.
  f.browser->SetDisabledPopupMenus(OptionSet(rcmAll));
  menu->Free();
  EXPECT_EQ(f.browser->PopupMenu(), nullptr) << "the freed menu is forgotten";
  EXPECT_EQ(ui->ShowContextMenu(0, &elsewhere, nullptr, nullptr), S_OK);
  EXPECT_EQ(popups, 4);
}

TEST(BrowserHost, CtrlNIsSwallowedOtherShortcutsReachThePage) {
  BrowserForm f;
  auto ui = SiteInterface<IDocHostUIHandler2>(f.browser, __uuidof(IDocHostUIHandler2));
  ASSERT_TRUE(ui);
  const struct { bool ctrl, shift, alt; UINT msg; WPARAM key; HRESULT answer; } cases[] = {
      {true, false, false, WM_KEYDOWN, 'N', S_OK},
      {true, true, false, WM_KEYDOWN, 'N', S_FALSE},
      {true, false, true, WM_KEYDOWN, 'N', S_FALSE},
      {true, false, false, WM_KEYDOWN, 'C', S_FALSE},
      {true, false, false, WM_KEYDOWN, 'V', S_FALSE},
      {true, false, false, WM_KEYDOWN, 'A', S_FALSE},
      {false, false, false, WM_KEYDOWN, 'N', S_FALSE},
      {true, false, false, WM_KEYUP, 'N', S_FALSE},
  };
  for (const auto& c : cases) {
    SetModifiers(c.ctrl, c.shift, false);
    MSG m{f.DocView(), c.msg, c.key, c.alt ? (1 << 29) | 1 : 1, 0, {}};
    EXPECT_EQ(ui->TranslateAccelerator(&m, nullptr, 0), c.answer)
        << "ctrl " << c.ctrl << " shift " << c.shift << " alt " << c.alt << " key " << char(c.key);
  }
  SetModifiers(false, false, false);
}

TEST(BrowserHost, ScriptErrorsAndCommands) {
  BrowserForm f;
  auto target = SiteInterface<IOleCommandTarget>(f.browser, IID_IOleCommandTarget);
  ASSERT_TRUE(target);
  const struct { TScriptErrorAction action; HRESULT answer; VARTYPE vt; VARIANT_BOOL keep; } cases[] = {
      {eaContinue, S_OK, VT_BOOL, VARIANT_TRUE},
      {eaCancel, S_OK, VT_BOOL, VARIANT_FALSE},
      {eaAskUser, S_FALSE, VT_EMPTY, 0},
  };
  for (const auto& c : cases) {
    f.browser->SetScriptErrorAction(c.action);
    TVariant out;
    EXPECT_EQ(target->Exec(&CGID_DocHostCommandHandler, 40, 0, nullptr, out.Get()), c.answer);
    EXPECT_EQ(out.Type(), c.vt);
    if (c.vt == VT_BOOL) {
      EXPECT_EQ(out.Get()->boolVal, c.keep);
    }
  }
  TVariant out;
  EXPECT_EQ(target->Exec(&CGID_DocHostCommandHandler, 41, 0, nullptr, out.Get()),
            OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(target->Exec(nullptr, 40, 0, nullptr, out.Get()), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(target->Exec(&CGID_Explorer, 39, 0, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_FALSE(f.browser->FocusTrackingInstalled()) << "no document window to track";
  OLECMD cmd{OLECMDID_COPY, 0};
  EXPECT_EQ(target->QueryStatus(nullptr, 1, &cmd, nullptr), S_OK);
  EXPECT_EQ(cmd.cmdf, 0u) << "nothing filled in";
}

TEST(BrowserHost, TheOtherAnswers) {
  BrowserForm f;
  auto ui = SiteInterface<IDocHostUIHandler2>(f.browser, __uuidof(IDocHostUIHandler2));
  auto show = SiteInterface<IDocHostShowUI>(f.browser, __uuidof(IDocHostShowUI));
  auto services = SiteInterface<IServiceProvider>(f.browser, IID_IServiceProvider);
  ASSERT_TRUE(ui && show && services);
  EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(ui->HideUI(), S_FALSE);
  EXPECT_EQ(ui->UpdateUI(), S_FALSE);
  EXPECT_EQ(ui->EnableModeless(TRUE), S_OK);
  EXPECT_EQ(ui->OnDocWindowActivate(TRUE), S_OK);
  EXPECT_EQ(ui->OnFrameWindowActivate(TRUE), S_OK);
  RECT r{};
  EXPECT_EQ(ui->ResizeBorder(&r, nullptr, TRUE), S_OK);
  LPOLESTR key = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(ui->GetOptionKeyPath(&key, 0), S_FALSE);
  EXPECT_EQ(key, nullptr);
  key = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(ui->GetOverrideKeyPath(&key, 0), S_FALSE);
  EXPECT_EQ(key, nullptr);
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(ui->GetExternal(&external), S_FALSE);
  EXPECT_EQ(external, nullptr);
  wchar_t url[] = L"http://x/";
  LPWSTR translated = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(ui->TranslateUrl(0, url, &translated), S_FALSE);
  EXPECT_EQ(translated, nullptr);
  IDataObject* filtered = reinterpret_cast<IDataObject*>(1);
  EXPECT_EQ(ui->FilterDataObject(nullptr, &filtered), S_FALSE);
  EXPECT_EQ(filtered, nullptr);
  // Drag and drop stays the browser's own.
  IDropTarget* drop = reinterpret_cast<IDropTarget*>(1);
  EXPECT_EQ(ui->GetDropTarget(nullptr, &drop), E_NOTIMPL);
  EXPECT_EQ(drop, nullptr);
  // (Wine's control keeps no drop-target registration to read back.)
  // The browser's own message boxes and help.
  LRESULT result = 0;
  wchar_t text[] = L"x";
  EXPECT_EQ(show->ShowMessage(nullptr, text, text, MB_OK, nullptr, 0, &result), S_FALSE);
  EXPECT_EQ(show->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_FALSE);
  // Services: only focus protection, which always allows.
  ComPtr<IProtectFocus> focus;
  ASSERT_EQ(services->QueryService(__uuidof(IProtectFocus), __uuidof(IProtectFocus),
                                   reinterpret_cast<void**>(focus.GetAddressOf())),
            S_OK);
  BOOL allow = FALSE;
  EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
  EXPECT_TRUE(allow);
  const GUID refused[] = {IID_IOleCommandTarget, IID_IDispatch, __uuidof(IDocHostUIHandler)};
  for (const GUID& sid : refused) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(services->QueryService(sid, IID_IUnknown, reinterpret_cast<void**>(p.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
  }
}

TEST(BrowserHost, SilentIsWrittenToTheBrowser) {
  BrowserForm f;
  VARIANT_BOOL silent = VARIANT_FALSE;
  EXPECT_TRUE(f.browser->Silent()) << "the component's default";
  f.browser->SetSilent(false);
  ASSERT_EQ(f.browser->Browser()->get_Silent(&silent), S_OK);
  EXPECT_EQ(silent, VARIANT_FALSE);
  f.browser->SetSilent(true);
  ASSERT_EQ(f.browser->Browser()->get_Silent(&silent), S_OK);
  EXPECT_EQ(silent, VARIANT_TRUE);
}

TEST(BrowserHost, FailingBrowserCommandsRaise) {
  BrowserForm f;
  // No document under Wine: the browser refuses clipboard commands.
  EXPECT_THROW(f.browser->ExecWB(OLECMDID_COPY, OLECMDEXECOPT_PROMPTUSER), EOleError);
  try {
    f.browser->ExecWB(OLECMDID_PASTE, OLECMDEXECOPT_PROMPTUSER);
  } catch (const EOleError& e) {
    EXPECT_TRUE(FAILED(e.Code()));
    EXPECT_STRNE(e.what(), "");
  }
}

TEST(BrowserHost, EnterAndCharacterKeysBelongToTheControl) {
  BrowserForm f;
  EXPECT_EQ(SendMessageW(f.browser->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS);
  f.browser->Loaded();
  EXPECT_TRUE(f.browser->EnableMessageHandler()) << "forced on when loading";
  EXPECT_EQ(f.browser->ScriptErrorAction(), eaContinue) << "script errors are suppressed";
  EXPECT_EQ(SendMessageW(f.browser->Handle(), WM_KEYDOWN, VK_RETURN, 1), 0);
}

TEST(BrowserHost, ReCreatingTheWindowKeepsTheBrowserWindow) {
  BrowserForm f;
  HWND embedding = f.Embedding();
  ASSERT_NE(embedding, nullptr);
  f.browser->DestroyHandle();
  ASSERT_TRUE(IsWindow(embedding)) << "kept while our window is gone";
  EXPECT_EQ(GetParent(embedding), Application.Handle());
  HWND fresh = f.browser->Handle();
  EXPECT_EQ(GetParent(embedding), fresh);
  RECT r{};
  GetWindowRect(embedding, &r);
  POINT origin{0, 0};
  ClientToScreen(fresh, &origin);
  EXPECT_EQ(r.left, origin.x);
  EXPECT_EQ(r.top, origin.y);
  EXPECT_EQ(r.right - r.left, f.browser->ClientWidth());
  EXPECT_EQ(r.bottom - r.top, f.browser->ClientHeight());
  // Still the same working control.
  f.browser->Navigate(std::string("about:blank"));
}

TEST(BrowserHost, TearDownLetsTheSiteOutliveTheControl) {
  BrowserForm f;
  HWND embedding = f.Embedding();
  IOleClientSite* site = f.browser->Site();
  ASSERT_NE(site, nullptr);
  site->AddRef();
  f.browser->Free();
  f.browser = nullptr;
  EXPECT_FALSE(IsWindow(embedding)) << "the control's windows went with it";
  // The site answers without its control and goes with its last reference.
  ComPtr<IOleInPlaceSite> in_place;
  ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&in_place)), S_OK);
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(in_place->GetWindow(&window), E_FAIL);
  EXPECT_EQ(in_place->CanInPlaceActivate(), S_FALSE);
  ComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(site->QueryInterface(__uuidof(IDocHostUIHandler), reinterpret_cast<void**>(ui.GetAddressOf())), S_OK);
  DOCHOSTUIINFO info{};
  EXPECT_EQ(ui->GetHostInfo(&info), E_FAIL);
  in_place.Reset();
  ui.Reset();
  EXPECT_EQ(site->Release(), 0u);
}

TEST(BrowserHost, EventsReachTheHandlers) {
  BrowserForm f;
  std::vector<std::wstring> urls;
  f.browser->OnBeforeNavigate2 = [&](TObject* sender, IDispatch*, VARIANT* url, VARIANT*, VARIANT*,
                                     VARIANT*, VARIANT*, VARIANT_BOOL* cancel) {
    EXPECT_EQ(sender, f.browser);
    urls.push_back(url->vt == VT_BSTR ? url->bstrVal : L"?");
    if (urls.back().rfind(L"stop:", 0) == 0) *cancel = VARIANT_TRUE;
  };
  f.browser->Navigate(std::string("about:blank"));
  ASSERT_TRUE(PumpUntil([&] { return !urls.empty(); }));
  EXPECT_EQ(urls[0], L"about:blank");
  f.browser->Navigate(std::string("stop:here"));
  ASSERT_TRUE(PumpUntil([&] { return urls.size() == 2; }));
  PumpUntil([] { return false; }, 20);
  EXPECT_EQ(f.browser->LocationURL(), "about:blank") << "a cancelled navigation goes nowhere";

  // Completion events, decoded from what the browser's event interface carries.
  int completions = 0;
  std::wstring completed;
  f.browser->OnDocumentComplete = [&](TObject*, IDispatch*, VARIANT* url) {
    ++completions;
    completed = url->vt == VT_BSTR ? url->bstrVal : L"?";
  };
  EXPECT_EQ(FireDocumentComplete(f.browser, L"http://x/"), S_OK);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(completed, L"http://x/");
  // Malformed events are ignored.
  EXPECT_EQ(FireDocumentComplete(f.browser, L"http://x/", 1), S_OK);
  EXPECT_EQ(completions, 1);
}

}  // namespace
