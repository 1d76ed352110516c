// The browser's window integration under Wine, with real windows and
// messages: dialog supervision (a script-error dialog clicked and closed, an
// error dialog destroyed, the program's own box left standing), focus
// tracking of the browser's inner windows, focus restoration on
// re-activation, the mouse-wheel redirection and the floating-point control
// word.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <docobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/program_win.h"
#include "browser/browser_module_win.h"
#include "browser/doc_host_win.h"
#include "browser/hosted_browser_win.h"
#include "browser_test_util.h"

namespace {

// ---- Dialogs from an in-memory template -------------------------------------------

struct DialogLog {
  std::vector<UINT> messages;
  bool Saw(UINT m) const {
    for (UINT x : messages)
      if (x == m) return true;
    return false;
  }
};

INT_PTR CALLBACK LoggingDialogProc(HWND dialog, UINT msg, WPARAM, LPARAM lparam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return TRUE;
  }
  auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (log && (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_CLOSE)) {
    log->messages.push_back(msg);
    return TRUE;  // a close is noted, not acted on
  }
  return FALSE;
}

// A visible, modeless standard dialog (class "#32770") owned by `owner`;
// showing it activates it.
HWND MakeDialog(HWND owner, const std::wstring& caption, DialogLog* log, DWORD ex_style = 0) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  d->dwExtendedStyle = ex_style;
  d->cx = 120;
  d->cy = 50;
  d->x = 20;
  d->y = 20;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard class
  for (wchar_t c : caption) t.push_back(c);
  t.push_back(0);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()),
                                    owner, &LoggingDialogProc, reinterpret_cast<LPARAM>(log));
}

struct WindowSearch {
  const wchar_t* cls;
  std::vector<HWND> found;
};
BOOL CALLBACK CollectWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<WindowSearch*>(p);
  if (ClassOf(w) == s->cls && IsWindowVisible(w)) s->found.push_back(w);
  return TRUE;
}

// The visible top-level windows of this thread of `class_name`.
std::vector<HWND> ThreadWindows(const wchar_t* class_name) {
  WindowSearch search{class_name, {}};
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class SupervisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(THostedBrowser::DialogSupervisionInstalled()) << "left over from another test";
    f = std::make_unique<BrowserForm>();
    f->browser->Loaded();
    ASSERT_TRUE(THostedBrowser::DialogSupervisionInstalled());
    SetActiveWindow(f->form->Handle());
    ASSERT_EQ(GetActiveWindow(), f->form->Handle());
  }
  void TearDown() override {
    f.reset();
    EXPECT_FALSE(THostedBrowser::DialogSupervisionInstalled()) << "removed with its browser";
  }
  std::unique_ptr<BrowserForm> f;
};

TEST_F(SupervisionTest, ErrorDialogsAreDestroyedScriptErrorDialogsClickedAndClosed) {
  const struct {
    const wchar_t* caption;
    DWORD ex_style;
    bool destroyed;
    bool clicked;
    const wchar_t* caption_after;
  } cases[] = {
      {L"Script Error", 0, false, true, L"Script Error"},
      {L"Internet Explorer Script Error", 0, false, true, L" Script Error"},
      {L"Microsoft Internet Explorer - error", 0, true, false, nullptr},
      {L"Ошибка: Error on page", 0, true, false, nullptr},
      {L"Microsoft Internet Explorer", 0, false, false, L""},  // replaced, then left
      {L"Security Information", 0, false, false, L"Security Information"},
  };
  for (const auto& c : cases) {
    SetActiveWindow(f->form->Handle());
    DialogLog log;
    HWND dialog = MakeDialog(f->form->Handle(), c.caption, &log, c.ex_style);
    ASSERT_NE(dialog, nullptr);
    PumpMessages();
    EXPECT_EQ(!IsWindow(dialog), c.destroyed) << c.caption;
    EXPECT_EQ(log.Saw(WM_CLOSE), c.clicked) << c.caption;
    EXPECT_EQ(log.Saw(WM_LBUTTONDOWN), c.clicked) << c.caption;
    EXPECT_EQ(log.Saw(WM_LBUTTONUP), c.clicked) << c.caption;
    if (IsWindow(dialog)) {
      if (c.caption_after) {
        EXPECT_EQ(TextOf(dialog), c.caption_after) << c.caption;
      }
      const auto icon = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
      EXPECT_EQ(icon, reinterpret_cast<HICON>(SendMessageW(Application.Handle(), WM_GETICON, ICON_SMALL, 0)));
      DestroyWindow(dialog);
    }
  }
}

TEST_F(SupervisionTest, TheBrowsersOwnDialogFrameIsWatchedToo) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Internet Explorer_TridentDlgFrame";
  RegisterClassW(&wc);
  HWND frame = CreateWindowExW(0, wc.lpszClassName, L"Error", WS_POPUP | WS_CAPTION | WS_VISIBLE, 30,
                               30, 200, 100, f->form->Handle(), nullptr, wc.hInstance, nullptr);
  ASSERT_NE(frame, nullptr);
  PumpMessages();
  EXPECT_FALSE(IsWindow(frame));
  // Another class is not a dialog the host watches.
  wc.lpszClassName = L"VolnarTestPopup";
  RegisterClassW(&wc);
  SetActiveWindow(f->form->Handle());
  HWND other = CreateWindowExW(0, wc.lpszClassName, L"Error", WS_POPUP | WS_CAPTION | WS_VISIBLE, 30,
                               30, 200, 100, f->form->Handle(), nullptr, wc.hInstance, nullptr);
  PumpMessages();
  EXPECT_TRUE(IsWindow(other));
  DestroyWindow(other);
}

// Reads what the program's own box looks like while it is up, then presses OK.
struct OwnBoxCheck {
  bool seen = false;
  bool still_there = false;
  std::wstring caption;
  HICON icon = nullptr;
};
OwnBoxCheck g_own_box;
void CALLBACK PressOkOnOwnBox(HWND, UINT, UINT_PTR id, DWORD) {
  std::vector<HWND> boxes = ThreadWindows(L"#32770");
  if (boxes.empty()) return;
  // Let the supervision run first: one more round.
  if (!g_own_box.seen) {
    g_own_box.seen = true;
    return;
  }
  KillTimer(nullptr, id);
  HWND box = boxes.front();
  g_own_box.still_there = IsWindow(box) && IsWindowVisible(box);
  g_own_box.caption = TextOf(box);
  g_own_box.icon = reinterpret_cast<HICON>(SendMessageW(box, WM_GETICON, ICON_SMALL, 0));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(SupervisionTest, TheProgramsOwnBoxesAreLeftStanding) {
  // The system's default caption "Error", and a caption of our own with the word.
  for (const char* caption : {static_cast<const char*>(nullptr), "Error"}) {
    SetActiveWindow(f->form->Handle());
    g_own_box = {};
    MessageBoxHook = nullptr;
    const UINT_PTR t = SetTimer(nullptr, 0, 50, &PressOkOnOwnBox);
    const int pressed = ShowMessageBox(f->form->Handle(), "Не могу проиграть поток", caption, MB_OK);
    KillTimer(nullptr, t);
    EXPECT_EQ(pressed, IDOK) << "dismissed by the user, not by the supervision";
    EXPECT_TRUE(g_own_box.still_there);
    EXPECT_EQ(g_own_box.caption, L"Error");
    EXPECT_EQ(g_own_box.icon, reinterpret_cast<HICON>(SendMessageW(Application.Handle(), WM_GETICON, ICON_SMALL, 0)))
        << "only its icon is replaced";
  }
  // And the standard error box of an escaped error.
  SetActiveWindow(f->form->Handle());
  g_own_box = {};
  const std::string title = Application.Title();
  Application.SetTitle("");  // caption "Error"
  const UINT_PTR t = SetTimer(nullptr, 0, 50, &PressOkOnOwnBox);
  Application.HandleException(std::runtime_error("Error reading the stream"));
  KillTimer(nullptr, t);
  Application.SetTitle(title);
  EXPECT_TRUE(g_own_box.still_there);
  EXPECT_EQ(g_own_box.caption, L"Error");
}

// Another program's dialog (the helper foreign_dialog_win.exe beside this
// executable), named by a deactivation of the player's window, keeps its
// caption and icon and gets no clicks or close: only our own process's
// dialogs are supervised.
namespace {

struct ForeignDialog {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;

  explicit ForeignDialog(const std::wstring& caption) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path);
    exe.resize(exe.find_last_of(L"\\/") + 1);
    exe += L"foreign_dialog_win.exe";
    std::wstring command = L"\"" + exe + L"\" \"" + caption + L"\" 30";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return;
    PumpUntil([&] {
      window = FindWindowW(L"#32770", caption.c_str());
      return window != nullptr;
    }, 2000);
  }
  ~ForeignDialog() {
    if (window && IsWindow(window)) PostMessageW(window, WM_APP + 2, 0, 0);
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  // What reached the dialog: 1 press, 2 release, 4 close, 8 icon.
  LRESULT WhatHappened() const { return SendMessageW(window, WM_APP + 1, 0, 0); }
};

}  // namespace

TEST_F(SupervisionTest, AnotherProgramsDialogIsLeftAlone) {
  for (const wchar_t* caption : {L"Microsoft Internet Explorer Script Error",
                                 L"Internet Explorer error"}) {
    ForeignDialog foreign(caption);
    ASSERT_NE(foreign.window, nullptr) << "the helper's dialog did not appear";
    DWORD pid = 0;
    GetWindowThreadProcessId(foreign.window, &pid);
    ASSERT_NE(pid, GetCurrentProcessId());
    const auto icon_before = SendMessageW(foreign.window, WM_GETICON, ICON_SMALL, 0);
    // The player's window loses activation to it, as the system tells it.
    SendMessageW(f->form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(foreign.window));
    PumpMessages();
    ASSERT_TRUE(IsWindow(foreign.window));
    EXPECT_EQ(TextOf(foreign.window), caption) << "its caption is not ours to change";
    EXPECT_EQ(SendMessageW(foreign.window, WM_GETICON, ICON_SMALL, 0), icon_before);
    EXPECT_EQ(foreign.WhatHappened(), 0) << caption;
  }
  // Our own dialog with the same caption is still supervised.
  SetActiveWindow(f->form->Handle());
  DialogLog log;
  HWND own = MakeDialog(f->form->Handle(), L"Microsoft Internet Explorer Script Error", &log);
  PumpMessages();
  EXPECT_TRUE(log.Saw(WM_CLOSE));
  if (IsWindow(own)) DestroyWindow(own);
}

TEST_F(SupervisionTest, OnlyOneBrowserSupervises) {
  auto* second = new THostedBrowser(f->form);
  second->SetParent(f->form);
  second->Loaded();
  second->Free();
  EXPECT_TRUE(THostedBrowser::DialogSupervisionInstalled()) << "the first one's stays";
  // A dialog still goes after the second browser came and went.
  SetActiveWindow(f->form->Handle());
  DialogLog log;
  HWND dialog = MakeDialog(f->form->Handle(), L"Error", &log);
  PumpMessages();
  EXPECT_FALSE(IsWindow(dialog));
}

TEST(BrowserWindow, TheFilterSwallowsTheMnemonicMessageAndGoesWithItsBrowser) {
  BrowserForm f;
  std::vector<UINT> reached;
  TWindowProc inner = f.form->WindowProc;
  f.form->WindowProc = [&reached, inner](UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg >= WM_USER) reached.push_back(msg);
    return inner(msg, wparam, lparam);
  };
  f.browser->Loaded();
  EXPECT_EQ(f.form->Perform(0xB006, 0, 0), 0);
  f.form->Perform(WM_USER + 5, 0, 0);
  EXPECT_EQ(reached, std::vector<UINT>{WM_USER + 5}) << "everything else goes on";
  f.browser->Free();
  f.browser = nullptr;
  EXPECT_FALSE(THostedBrowser::DialogSupervisionInstalled());
  f.form->Perform(0xB006, 0, 0);
  EXPECT_EQ(reached, (std::vector<UINT>{WM_USER + 5, 0xB006})) << "the old procedure is back";
  f.form->WindowProc = inner;
}

TEST(BrowserWindow, WithoutSupervisionDialogsStay) {
  BrowserForm f;  // never loaded: no supervision
  SetActiveWindow(f.form->Handle());
  DialogLog log;
  HWND dialog = MakeDialog(f.form->Handle(), L"Error", &log);
  PumpMessages();
  EXPECT_TRUE(IsWindow(dialog));
  DestroyWindow(dialog);
}

// ---- Focus ---------------------------------------------------------------------------

// A child standing in for MSHTML's document window, which Wine does not have.
HWND MakeDocumentWindow(HWND parent, const wchar_t* class_name) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = class_name;
  RegisterClassW(&wc);
  RECT r{};
  GetClientRect(parent, &r);
  return CreateWindowExW(0, class_name, L"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom, parent,
                         nullptr, wc.hInstance, nullptr);
}

HRESULT WindowsReady(THostedBrowser* b) {
  auto target = SiteInterface<IOleCommandTarget>(b, IID_IOleCommandTarget);
  return target ? target->Exec(&CGID_Explorer, 39, 0, nullptr, nullptr) : E_NOINTERFACE;
}

TEST(BrowserWindow, FocusTrackingFollowsTheBrowsersWindows) {
  BrowserForm f;
  TEdit* edit = f.AddEdit();
  HWND view = f.DocView();
  ASSERT_NE(view, nullptr);
  const LONG_PTR view_proc = GetWindowLongPtrW(view, GWLP_WNDPROC);
  HWND document = MakeDocumentWindow(view, L"Internet Explorer_Server");
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(WindowsReady(f.browser), OLECMDERR_E_NOTSUPPORTED);
  ASSERT_TRUE(f.browser->FocusTrackingInstalled());
  EXPECT_NE(GetWindowLongPtrW(view, GWLP_WNDPROC), view_proc);

  SetActiveWindow(f.form->Handle());
  SetFocus(edit->Handle());
  EXPECT_FALSE(f.browser->IsActiveControl());
  SetFocus(view);  // a click into the page
  EXPECT_TRUE(f.browser->IsActiveControl());
  EXPECT_EQ(GetFocus(), view) << "the page keeps the focus it got";
  SetFocus(edit->Handle());
  EXPECT_FALSE(f.browser->IsActiveControl()) << "another control of the form took over";

  // A second request while installed changes nothing.
  EXPECT_EQ(WindowsReady(f.browser), OLECMDERR_E_NOTSUPPORTED);
  // A tracked window going lets go of all of them.
  DestroyWindow(document);
  EXPECT_TRUE(f.browser->FocusTrackingInstalled()) << "the document window is not tracked";
}

TEST(BrowserWindow, AListViewIsTrackedAndItsGoingRemovesAllTracking) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  BrowserForm f;
  HWND embedding = f.Embedding();
  HWND view = f.DocView();
  const LONG_PTR embedding_proc = GetWindowLongPtrW(embedding, GWLP_WNDPROC);
  const LONG_PTR view_proc = GetWindowLongPtrW(view, GWLP_WNDPROC);
  RECT r{};
  GetClientRect(view, &r);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                              view, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(WindowsReady(f.browser), OLECMDERR_E_NOTSUPPORTED);
  ASSERT_TRUE(f.browser->FocusTrackingInstalled());
  SetActiveWindow(f.form->Handle());
  SetFocus(list);
  EXPECT_TRUE(f.browser->IsActiveControl());
  EXPECT_EQ(GetFocus(), list);
  DestroyWindow(list);
  EXPECT_FALSE(f.browser->FocusTrackingInstalled());
  EXPECT_EQ(GetWindowLongPtrW(embedding, GWLP_WNDPROC), embedding_proc) << "procedures put back";
  EXPECT_EQ(GetWindowLongPtrW(view, GWLP_WNDPROC), view_proc);
  // Installed again on the next request.
  MakeDocumentWindow(view, L"Internet Explorer_Server");
  EXPECT_EQ(WindowsReady(f.browser), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_TRUE(f.browser->FocusTrackingInstalled());
}

// A window of another thread: switching to it is switching to another program.
class OtherProgram {
 public:
  OtherProgram() {
    thread_ = std::thread([this] {
      window_ = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE | WS_CAPTION, 700, 500,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
      ready_ = true;
      MSG m;
      while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_APP) SetForegroundWindow(window_);
        DispatchMessageW(&m);
      }
      DestroyWindow(window_);
    });
    while (!ready_) Sleep(5);
    thread_id_ = GetWindowThreadProcessId(window_, nullptr);
  }
  ~OtherProgram() {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  void Activate() {
    PostThreadMessageW(thread_id_, WM_APP, 0, 0);
    for (int i = 0; i < 100 && GetForegroundWindow() != window_; ++i) Sleep(10);
  }
  HWND Window() const { return window_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
};

TEST(BrowserWindow, ReActivationGivesThePageTheFocusBack) {
  BrowserForm f;
  TEdit* edit = f.AddEdit();
  MakeDocumentWindow(f.DocView(), L"Internet Explorer_Server");
  ASSERT_EQ(WindowsReady(f.browser), OLECMDERR_E_NOTSUPPORTED);
  SetForegroundWindow(f.form->Handle());
  SetFocus(f.DocView());
  ASSERT_TRUE(f.browser->IsActiveControl());

  OtherProgram other;
  other.Activate();
  PumpMessages();
  ASSERT_EQ(GetForegroundWindow(), other.Window());
  EXPECT_TRUE(f.browser->IsActiveControl()) << "leaving the program keeps the page the active control";
  SetForegroundWindow(f.form->Handle());
  SetFocus(f.form->Handle());  // where the system puts the focus on activation
  ASSERT_TRUE(PumpUntil([&] {
    HWND focus = GetFocus();
    return focus == f.browser->Handle() || IsChild(f.browser->Handle(), focus);
  }, 100)) << "focus is on " << reinterpret_cast<uintptr_t>(GetFocus());

  // With another control active, the focus stays where the form puts it.
  SetFocus(edit->Handle());
  ASSERT_FALSE(f.browser->IsActiveControl());
  other.Activate();
  PumpMessages();
  SetForegroundWindow(f.form->Handle());
  SetFocus(edit->Handle());
  PumpUntil([] { return false; }, 20);
  EXPECT_EQ(GetFocus(), edit->Handle());
}

TEST(BrowserWindow, TheRestoreMessageFocusesOnlyTheActiveBrowser) {
  BrowserForm f;
  TEdit* edit = f.AddEdit();
  SetActiveWindow(f.form->Handle());
  SetFocus(edit->Handle());
  ASSERT_FALSE(f.browser->IsActiveControl());
  SendMessageW(f.browser->Handle(), THostedBrowser::kMsgRestoreFocus, 0, 0);
  EXPECT_EQ(GetFocus(), edit->Handle());
  f.browser->SetFocus();
  ASSERT_TRUE(f.browser->IsActiveControl());
  SetFocus(f.form->Handle());  // the form itself: not another control
  EXPECT_TRUE(f.browser->IsActiveControl());
  SendMessageW(f.browser->Handle(), THostedBrowser::kMsgRestoreFocus, 0, 0);
  EXPECT_EQ(GetFocus(), f.browser->Handle());
  // Hidden, it cannot take the focus.
  SetFocus(f.form->Handle());
  f.browser->SetVisible(false);
  SendMessageW(f.browser->Handle(), THostedBrowser::kMsgRestoreFocus, 0, 0);
  EXPECT_EQ(GetFocus(), f.form->Handle());
}

// ---- Mouse wheel ---------------------------------------------------------------------

int g_wheel_messages = 0;
WNDPROC g_view_proc = nullptr;
LRESULT CALLBACK CountWheel(HWND w, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_MOUSEWHEEL) ++g_wheel_messages;
  return CallWindowProcW(g_view_proc, w, msg, wparam, lparam);
}

void TurnWheel() {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_WHEEL;
  in.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
  SendInput(1, &in, sizeof(in));
}

TEST(BrowserWindow, TheFirstWheelTurnOverThePageFocusesIt) {
  BrowserForm f;
  TEdit* edit = f.AddEdit();
  HWND view = f.DocView();
  g_view_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountWheel)));
  SetForegroundWindow(f.form->Handle());
  SetFocus(edit->Handle());
  RECT r{};
  GetWindowRect(view, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PumpMessages();
  ASSERT_EQ(WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}), view);

  g_wheel_messages = 0;
  TurnWheel();
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == view; }, 100)) << "the turn focuses the page";
  PumpUntil([] { return false; }, 10);
  EXPECT_EQ(g_wheel_messages, 0) << "and is discarded";

  // Focus inside the browser, not on its document view: the turn passes on.
  SetFocus(f.Embedding());
  TurnWheel();
  PumpUntil([] { return g_wheel_messages > 0; }, 50);
  EXPECT_EQ(GetFocus(), f.Embedding());
  SetWindowLongPtrW(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_view_proc));
}

// ---- Floating-point control word -----------------------------------------------------

TEST(BrowserWindow, LoadingSetsTheFloatingPointControlWord) {
  const uint16_t before = Get8087CW();
  BrowserForm f;
  EXPECT_EQ(THostedBrowser::DefaultControlWord(), BrowserModuleDefaultControlWord());
  Set8087CW(0x027F);
  f.browser->Loaded();
  EXPECT_EQ(Get8087CW(), THostedBrowser::DefaultControlWord()) << "the process's default";
  f.browser->DisableErrors().fpExceptions = false;
  f.browser->Loaded();
  // Bit 6 of the x87 control word always reads as one.
  EXPECT_EQ(Get8087CW() | 0x40, THostedBrowser::kMaskedControlWord | 0x40);
  Set8087CW(before);
}

}  // namespace
