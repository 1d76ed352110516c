// The application object under Wine: title read-back, minimise/restore events
// and hooks, the standard error handling, and the forms' life events.
#include <stdexcept>
#include <string>
#include <vector>

#include "ui_test_util.h"

namespace {

class UiApplication : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Initialize();
    saved_title_ = Application.Title();
  }
  void TearDown() override {
    if (Application.IsMinimized()) Application.Restore();
    Application.OnMinimize = nullptr;
    Application.OnRestore = nullptr;
    Application.SetTitle(saved_title_);
    PumpMessages();
  }
  std::string saved_title_;
};

TEST_F(UiApplication, TitleIsTheWindowTextAndReadsBackAtMost255Characters) {
  Application.SetTitle("Волнар-радио");
  EXPECT_EQ(Application.Title(), "Волнар-радио");
  wchar_t buf[64] = {};
  ::GetWindowTextW(Application.Handle(), buf, 64);
  EXPECT_STREQ(buf, L"Волнар-радио");  // the taskbar shows Unicode whatever the code page

  std::string long_title;
  for (int i = 0; i < 300; ++i) long_title += static_cast<char>(i % 2 ? 'a' + i % 26 : 0xC0 + i % 64);
  Application.SetTitle(long_title);
  EXPECT_EQ(Application.Title(), long_title.substr(0, 255));

  Application.SetTitle(std::string(255, 'x'));
  EXPECT_EQ(Application.Title().size(), 255u);
  Application.SetTitle("");
  EXPECT_EQ(Application.Title(), "");
}

TEST_F(UiApplication, MinimiseAndRestoreFireOnceForEveryCauseAndHooksSeeTheMessages) {
  TForm* form = new TForm(&Application);  // owned by the application, as the program's forms
  form->SetBorderStyle(bsNone);
  form->SetBounds(60, 60, 100, 80);
  form->Show();
  PumpMessages();
  ASSERT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), Application.Handle());

  std::vector<std::string> log;
  Application.OnMinimize = [&](TObject* sender) {
    EXPECT_EQ(sender, &Application);
    log.push_back("OnMinimize");
  };
  Application.OnRestore = [&](TObject*) { log.push_back("OnRestore"); };
  const int hook = Application.HookMainWindow([&](UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg == WM_SIZE && wp == SIZE_MINIMIZED) log.push_back("hook size minimised");
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_RESTORE) log.push_back("hook restore");
    return false;
  });

  // The taskbar button's command, as the system sends it.
  ::SendMessageW(Application.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(Application.IsMinimized());
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
  EXPECT_TRUE(form->Visible());  // hidden with the application, not by the program
  EXPECT_EQ(log, (std::vector<std::string>{"hook size minimised", "OnMinimize"}));

  log.clear();
  ::SendMessageW(Application.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);  // already minimised
  Application.Minimize();
  EXPECT_TRUE(log.empty());

  ::SendMessageW(Application.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(Application.IsMinimized());
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"hook restore", "OnRestore"}));

  // The program's own calls take the same path.
  log.clear();
  Application.Restore();  // not minimised: nothing
  Application.Minimize();
  Application.Restore();
  EXPECT_EQ(log, (std::vector<std::string>{"hook size minimised", "OnMinimize", "hook restore",
                                           "OnRestore"}));

  Application.UnhookMainWindow(hook);
  log.clear();
  Application.Minimize();
  Application.Restore();
  EXPECT_EQ(log, (std::vector<std::string>{"OnMinimize", "OnRestore"}));
  form->Free();
}

TEST_F(UiApplication, TheMainFormsMinimiseCommandMinimisesTheApplication) {
  TForm* form = MakeForm(80, 60, clWhite);
  const bool becomes_main = Application.MainForm() == nullptr;
  Application.RegisterForm(form);
  if (!becomes_main) GTEST_SKIP() << "another test's form is the main form";
  form->Show();
  int minimised = 0, restored = 0;
  Application.OnMinimize = [&](TObject*) { ++minimised; };
  Application.OnRestore = [&](TObject*) { ++restored; };
  ::SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(minimised, 1);
  EXPECT_TRUE(Application.IsMinimized());
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
  ::SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(restored, 1);
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  form->Free();
  EXPECT_EQ(Application.MainForm(), nullptr);
}

TEST_F(UiApplication, AHookCanConsumeAMessageAndHooksMayUnhookThemselves) {
  int minimised = 0;
  Application.OnMinimize = [&](TObject*) { ++minimised; };
  int calls = 0;
  int id = 0;
  id = Application.HookMainWindow([&](UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_SYSCOMMAND || (wp & 0xFFF0) != SC_MINIMIZE) return false;
    ++calls;
    Application.UnhookMainWindow(id);  // from inside itself
    result = 0;
    return true;
  });
  Application.Minimize();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(minimised, 0);
  EXPECT_FALSE(Application.IsMinimized());
  Application.Minimize();  // the hook is gone
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(minimised, 1);
}

TEST_F(UiApplication, ErrorBoxTextGetsAFullStopAfterLettersAndDigitsOnly) {
  const struct {
    const char* message;
    const char* shown;
  } rows[] = {
      {"Can't initialize device", "Can't initialize device."},
      {"Не могу проиграть поток", "Не могу проиграть поток."},
      {"Invalid data type for 'lasturl'", "Invalid data type for 'lasturl'"},
      {"Done.", "Done."},
      {"Stop!", "Stop!"},
      {"code 42", "code 42."},
      {"(none)", "(none)"},
      {"", ""},
  };
  for (const auto& r : rows) EXPECT_EQ(TApplication::ErrorBoxText(r.message), r.shown);
}

TEST_F(UiApplication, AnErrorInAClickHandlerShowsTheBoxSkipsTheRestAndTheLoopGoesOn) {
  ErrorBoxCatcher boxes;
  Application.SetTitle("Волнар-радио");
  TForm* form = MakeForm(120, 80, clWhite);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 50, 20);
  bool rest_ran = false;
  int clicks = 0;
  label->OnClick = [&](TObject*) {
    ++clicks;
    if (clicks == 1) throw std::runtime_error("Нет потока");
    rest_ran = true;
  };
  form->Show();
  HWND h = form->Handle();

  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 15));
  ::PostMessageW(h, WM_LBUTTONUP, 0, Point(20, 15));
  // A message queued behind the failing click is still handled by the loop.
  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(21, 16));
  ::PostMessageW(h, WM_LBUTTONUP, 0, Point(21, 16));
  PumpMessages();

  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(rest_ran);  // the second click ran to its end
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Нет потока.");
  EXPECT_EQ(boxes.captions[0], "Волнар-радио");
  form->Free();
}

TEST_F(UiApplication, SilentAbortAndNonStandardErrorsAreHandledToo) {
  ErrorBoxCatcher boxes;
  EXPECT_FALSE(SafeCall([] { throw EAbort(); }));
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_FALSE(SafeCall([] { throw 42; }));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Unknown error.");
  EXPECT_TRUE(SafeCall([] {}));
}

// A form whose message handling fails on one message: the error must not
// cross the window procedure (the sender gets an answer, the box shows).
class ThrowingForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (msg == WM_APP + 7) throw std::runtime_error("boom");
    if (msg == WM_APP + 8) return 1234;
    return TForm::WndProc(msg, wparam, lparam);
  }
};

TEST_F(UiApplication, AnErrorInsideAWindowProcedureNeverCrossesIt) {
  ErrorBoxCatcher boxes;
  auto* form = new ThrowingForm(nullptr);
  HWND h = form->Handle();
  EXPECT_EQ(::SendMessageW(h, WM_APP + 7, 0, 0), 0);
  EXPECT_EQ(::SendMessageW(h, WM_APP + 8, 0, 0), 1234);  // the override sees every message first
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "boom.");
  form->Free();
}

std::wstring g_box_text, g_box_caption;
HHOOK g_cbt_hook;

// Catches the real box when it activates, reads it and closes it.
LRESULT CALLBACK CloseErrorBox(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wp);
    wchar_t buf[256] = {};
    ::GetClassNameW(box, buf, 256);
    if (std::wstring(buf) == L"#32770") {
      ::GetDlgItemTextW(box, 0xFFFF, buf, 256);
      g_box_text = buf;
      ::GetWindowTextW(box, buf, 256);
      g_box_caption = buf;
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(g_cbt_hook, code, wp, lp);
}

TEST_F(UiApplication, TheRealErrorBoxShowsTheTextWithTheTitleAsCaption) {
  g_box_text.clear();
  g_box_caption.clear();
  g_cbt_hook = ::SetWindowsHookExW(WH_CBT, &CloseErrorBox, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(g_cbt_hook, nullptr);
  Application.SetTitle("Волнар радио");
  Application.HandleException(std::runtime_error("Не могу проиграть поток"));
  ::UnhookWindowsHookEx(g_cbt_hook);
  EXPECT_EQ(g_box_text, L"Не могу проиграть поток.");
  EXPECT_EQ(g_box_caption, L"Волнар радио");
}

TEST_F(UiApplication, FormEventsCreateShowCloseDestroy) {
  ErrorBoxCatcher boxes;
  std::vector<std::string> log;
  auto* form = MakeForm(100, 60, clWhite);
  form->OnCreate = [&](TObject*) { log.push_back("create"); };
  form->OnShow = [&](TObject* s) {
    log.push_back(std::string("show, handle ") + (static_cast<TForm*>(s)->HandleAllocated() ? "yes" : "no"));
  };
  form->OnHide = [&](TObject*) { log.push_back("hide"); };
  bool fail_close = true;
  form->OnClose = [&](TObject*, TCloseAction& action) {
    log.push_back("close");
    EXPECT_EQ(action, caHide);
    if (fail_close) throw std::runtime_error("Failed to set data for 'cookies'");
  };
  form->OnDestroy = [&](TObject* s) {
    log.push_back(std::string("destroy, window ") +
                  (static_cast<TForm*>(s)->HandleAllocated() ? "yes" : "no"));
  };
  form->AfterConstruction();
  form->AfterConstruction();  // once only
  form->Show();
  form->Show();  // already shown: no second OnShow
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));

  ::SendMessageW(form->Handle(), WM_CLOSE, 0, 0);  // OnClose fails: the close is abandoned
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Failed to set data for 'cookies'");

  fail_close = false;
  form->Close();  // not the main form: hidden
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
  form->Show();
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"create", "show, handle yes", "close", "close", "hide",
                                           "show, handle yes", "destroy, window yes"}));
}

TEST_F(UiApplication, CloseActionNoneKeepsTheFormAndFreeReleasesItFromTheLoop) {
  auto* form = MakeForm(50, 50, clWhite);
  TCloseAction next = caNone;
  form->OnClose = [&](TObject*, TCloseAction& action) { action = next; };
  bool destroyed = false;
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->Show();
  form->Close();
  EXPECT_TRUE(form->Visible());
  next = caFree;
  form->Close();
  EXPECT_FALSE(destroyed);  // not inside the caller's code
  PumpUntil([&] { return destroyed; });
  EXPECT_TRUE(destroyed);
}

TEST_F(UiApplication, ProcessMessagesHandlesWhatIsWaitingAndReturns) {
  TForm* form = MakeForm(50, 50, clWhite);
  int seen = 0;
  form->WindowProc = [&, old = form->WindowProc](UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 3) ++seen;
    return old(msg, wp, lp);
  };
  for (int i = 0; i < 5; ++i) ::PostMessageW(form->Handle(), WM_APP + 3, 0, 0);
  Application.ProcessMessages();
  EXPECT_EQ(seen, 5);
  Application.ProcessMessages();  // nothing waiting: returns at once
  EXPECT_EQ(seen, 5);
  form->Free();
}

}  // namespace
