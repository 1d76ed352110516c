// The main window in-process: layout as loaded and at show, transport states,
// volume read-back, hide/show, close, the skinned frame and the mended faults.
// Each test makes its own TForm1 (whose creation starts the engine and whose
// destruction frees it) over a cleared HKCU\SOFTWARE\Volnar.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program_win.h"
#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "browser/cookies_win.h"
#include "catalogue/catalogue_win.h"
#include "browser/hosted_browser_win.h"
#include "controls/glass_button_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "engine_env.h"
#include "registry_guard.h"
#include "stand_in_dispatch.h"
#include "tray/tray_icon_win.h"
#include "ui_test_util.h"

namespace {

// The host of the built-in catalogue as started: its fixed port, or one of the
// fallbacks when another program (a test running beside this one) holds it;
// the site the program was built with otherwise.
bool IsOwnCatalogueHost(const std::string& host) {
  if (!kBuiltInCatalogue) return host == kCatalogueHost;
  for (int i = 0; i <= kCataloguePortFallbacks; ++i)
    if (host == "127.0.0.1:" + std::to_string(kCataloguePort + i)) return true;
  return false;
}

struct Box {
  HWND owner;
  std::string text;
  bool null_caption;
  UINT type;
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.Initialize();
    Application.ErrorBoxHook = [this](const std::string& text, const std::string&) {
      errors.push_back(text);
    };
    MessageBoxHook = [this](HWND owner, const std::string& text, const char* caption, UINT type) {
      boxes.push_back({owner, text, caption == nullptr, type});
      return IDOK;
    };
    HaltHook = [this] {
      halted = true;
      throw EAbort();
    };
    EngineFree();  // FormCreate initialises the engine itself
  }
  void TearDown() override {
    if (Form1) Form1->Free();
    EXPECT_EQ(Form1, nullptr);
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.ErrorBoxHook = nullptr;
    MessageBoxHook = nullptr;
    HaltHook = nullptr;
    EngineFree();
  }
  void Create() { Application.CreateForm(Form1); }
  void CreateAndShow() {
    Create();
    ASSERT_NE(Form1, nullptr);
    // As the message loop does: the taskbar button, then the main window.
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
    Form1->Show();
  }

  VolnarKeyGuard guard;
  std::vector<std::string> errors;
  std::vector<Box> boxes;
  bool halted = false;
};

::testing::AssertionResult HasBounds(TControl* c, int left, int top, int width, int height) {
  if (c->Left() == left && c->Top() == top && c->Width() == width && c->Height() == height)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << c->Name() << " is at " << c->Left() << ", " << c->Top()
                                       << ", " << c->Width() << " x " << c->Height();
}

// The window's client area painted into a memory bitmap.
class TestFrame {
 public:
  explicit TestFrame(HWND window) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, 600, 637);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
  }
  ~TestFrame() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

COLORREF PixelOfPicture(const TPicture& picture, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture.Bitmap());
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

}  // namespace

TEST_F(FormTest, CreationSetsTheGlobalsAndTheLoadedLayout) {
  Create();
  ASSERT_NE(Form1, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ConnectAttempts, 100);
  EXPECT_EQ(LastUrl, "");
  EXPECT_TRUE(IsOwnCatalogueHost(CatalogueHost)) << CatalogueHost;
  EXPECT_TRUE(FirstPage);
  EXPECT_FALSE(Minimised);
  EXPECT_EQ(MainWindowHandle, Form1->Handle());
  EXPECT_FALSE(Form1->Visible());

  EXPECT_TRUE(HasBounds(Form1, 372, 207, 600, 637));
  EXPECT_EQ(Form1->ClientWidth(), 600);
  EXPECT_EQ(Form1->ClientHeight(), 637);
  EXPECT_EQ(Form1->Caption(), "Волнар-радио");
  EXPECT_EQ(Form1->Color(), RgbColor(229, 247, 255));

  EXPECT_EQ(Form1->StatusLabel->Caption(), "");  // cleared by the creation handler
  EXPECT_EQ(Form1->Label1->Caption(), "Нет потока");
  EXPECT_EQ(Form1->Label2->Caption(), "status");
  for (TLabel* l : {Form1->Label1, Form1->Label2, Form1->StatusLabel}) {
    EXPECT_FALSE(l->Visible()) << l->Name();
    EXPECT_EQ(l->Font().Color(), 16439163u) << l->Name();
  }
  EXPECT_TRUE(HasBounds(Form1->WebBrowser1, 8, 120, 577, 409));
  EXPECT_TRUE(HasBounds(Form1->pleasewait, 208, 288, 161, 19));
  EXPECT_FALSE(Form1->pleasewait->Enabled());
  EXPECT_EQ(Form1->pleasewait->Text(), " Пожалуйста подождите...");
  EXPECT_EQ(Form1->pleasewait->Font().Name(), "Tahoma");
  EXPECT_EQ(Form1->pleasewait->Font().Height(), -13);
  EXPECT_TRUE(HasBounds(Form1->Panel1, 16, 112, 345, 73));
  EXPECT_TRUE(HasBounds(Form1->Panel2, 24, 201, 345, 73));
  EXPECT_TRUE(HasBounds(Form1->SkinPanel1, 27, 107, 427, 39));
  EXPECT_TRUE(HasBounds(Form1->SkinTrackBar1, 218, -4, 166, 21));
  EXPECT_TRUE(HasBounds(Form1->PlayButton, 16, 8, 52, 22));
  EXPECT_TRUE(HasBounds(Form1->StopButton, 96, 8, 52, 22));
  EXPECT_TRUE(HasBounds(Form1->Label3, 205, 19, 220, 13));
  EXPECT_TRUE(HasBounds(Form1->Image10, 180, 7, 13, 13));
  EXPECT_EQ(Form1->SkinPanel1->BackgroundWidth(), 427);
  EXPECT_EQ(Form1->SkinPanel1->BackgroundHeight(), 39);

  // The slider as loaded: 0..100 at 50 with a 23 x 8 thumb at 71.
  EXPECT_EQ(Form1->SkinTrackBar1->Min(), 0);
  EXPECT_EQ(Form1->SkinTrackBar1->Max(), 100);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 50);
  EXPECT_EQ(Form1->SkinTrackBar1->Core().ThumbRect(), (TrackRect{71, 13, 94, 21}));

  // Menus and timers.
  std::vector<std::string> tray;
  for (int i = 0; i < Form1->PopupMenu1->Count(); ++i) tray.push_back(Form1->PopupMenu1->Items(i)->Caption());
  EXPECT_EQ(tray, (std::vector<std::string>{"Вкл. последнее радио", "Остановить", "Запись",
                                            "Копировать название", "Таймер сна", "-", "Скрыть/Показать ",
                                            "Выход"}));
  EXPECT_FALSE(Form1->Nplay->Enabled());
  EXPECT_FALSE(Form1->Nstop->Enabled());
  EXPECT_EQ(Form1->N5->ShortCut(), MakeShortCut('X', true));
  EXPECT_EQ(Form1->N4->ShortCut(), MakeShortCut('C', true));
  EXPECT_EQ(Form1->N6->ShortCut(), MakeShortCut('V', true));
  EXPECT_EQ(Form1->WebBrowser1->PopupMenu(), Form1->PopupMenu2);
  EXPECT_EQ(Form1->Timer1->Interval(), 4000u);
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_EQ(Form1->TimerL->Interval(), 200u);
  EXPECT_FALSE(Form1->TimerL->Enabled());
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Волнар-радио");
  EXPECT_TRUE(Form1->TrayIcon1->IconVisible());
  EXPECT_NE(Form1->TrayIcon1->Icon(), nullptr);
  EXPECT_TRUE(Form1->TrayIcon1->MinimizeToTray());

  // Title images at the top right, made by the creation handler.
  ASSERT_NE(Form1->image13, nullptr);
  EXPECT_TRUE(HasBounds(Form1->image11, 558, 0, 14, 13));
  EXPECT_TRUE(HasBounds(Form1->image12, 572, 0, 14, 13));
  EXPECT_TRUE(HasBounds(Form1->image13, 586, 0, 14, 13));
  EXPECT_EQ(Form1->image12->Name(), "image12");
}

TEST_F(FormTest, WindowedControlsStackInLayoutOrder) {
  Create();
  // GW_CHILD is the top of the z-order: the later a control, the higher.
  std::vector<HWND> expected_top_down = {Form1->SkinPanel1->Handle(), Form1->Panel2->Handle(),
                                         Form1->Panel1->Handle(), Form1->pleasewait->Handle(),
                                         Form1->WebBrowser1->Handle()};
  std::vector<HWND> seen;
  for (HWND h = GetWindow(Form1->Handle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) seen.push_back(h);
  EXPECT_EQ(seen, expected_top_down);
}

TEST_F(FormTest, RegionHasTheStepsAndTabs) {
  Create();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Form1->Handle(), region), ERROR);
  const struct { int x, y; bool in; } points[] = {
      {0, 15, true},    {0, 14, false},  {1, 14, true},   {2, 13, true},   {300, 12, false},
      {557, 5, false},  {558, 3, true},  {561, 0, true},  {560, 0, false}, {571, 2, false},
      {571, 3, true},   {575, 0, true},  {599, 3, true},  {599, 2, false}, {599, 634, true},
      {599, 635, false}, {0, 635, false}, {2, 636, true}, {1, 636, false}, {300, 636, true},
  };
  for (const auto& p : points)
    EXPECT_EQ(PtInRegion(region, p.x, p.y) != FALSE, p.in) << p.x << ", " << p.y;
  DeleteObject(region);
}

TEST_F(FormTest, FramePaintsTheOutline) {
  CreateAndShow();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 600, 637);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(Form1->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF dark = RGB(0x92, 0xD0, 0xEB), light = RGB(0xD6, 0xF3, 0xFF);
  const struct { int x, y; COLORREF c; } pixels[] = {
      {0, 300, dark},  {0, 13, dark},   {300, 13, dark},  {558, 13, dark}, {559, 13, light},
      {590, 13, light}, {300, 14, light}, {1, 14, dark},  {599, 300, dark}, {300, 636, dark},
      {1, 635, dark},  {598, 635, dark}, {599, 5, dark},
  };
  for (const auto& p : pixels) EXPECT_EQ(GetPixel(dc, p.x, p.y), p.c) << p.x << ", " << p.y;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(FormTest, ShowLaysOutTheBrowserAndHeaderAndOpensTheCatalogue) {
  CreateAndShow();
  EXPECT_TRUE(HasBounds(Form1->WebBrowser1, 1, 15, 598, 620));
  EXPECT_TRUE(HasBounds(Form1->pleasewait, 219, 288, 161, 19));
  EXPECT_TRUE(Form1->pleasewait->Visible());
  EXPECT_TRUE(HasBounds(Form1->Panel1, 48, 14, 290, 62));
  EXPECT_TRUE(HasBounds(Form1->Image7, 0, 0, 290, 62));
  EXPECT_TRUE(HasBounds(Form1->Panel2, 338, 15, 175, 33));
  EXPECT_TRUE(HasBounds(Form1->Image8, 0, 0, 175, 33));
  EXPECT_EQ(Form1->WebBrowser1->Navigations(),
            (std::vector<std::string>{kPlaceholderPage, "http://" + CatalogueHost}));
  EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
}

TEST_F(FormTest, TransportStatesAtShow) {
  const struct { const char* stored; bool nplay, nstop, play, stop; } cases[] = {
      {nullptr, false, false, true, true},
      {"http://127.0.0.1:1/stream", true, false, true, false},
  };
  for (const auto& c : cases) {
    VolnarKeyGuard::DeleteKey();
    if (c.stored) WriteSetting("lasturl", c.stored);
    CreateAndShow();
    EXPECT_EQ(LastUrl, c.stored ? c.stored : "");
    EXPECT_EQ(Form1->Nplay->Enabled(), c.nplay) << (c.stored ? c.stored : "(none)");
    EXPECT_EQ(Form1->Nstop->Enabled(), c.nstop);
    EXPECT_EQ(Form1->PlayButton->Enabled(), c.play);
    EXPECT_EQ(Form1->StopButton->Enabled(), c.stop);
    Form1->Free();
  }
}

TEST_F(FormTest, SliderShowsTheEngineVolumeRoundedHalfToEven) {
  const struct { float volume; int position; float written_back; } cases[] = {
      {0.5f, 50, 0.5f}, {0.125f, 12, 0.12f}, {0.375f, 38, 0.38f}, {1.0f, 100, 1.0f}, {0.0f, 0, 0.0f},
  };
  for (const auto& c : cases) {
    Create();
    ASSERT_TRUE(EngineSetVolume(c.volume));
    Form1->Show();
    EXPECT_EQ(Form1->SkinTrackBar1->Position(), c.position) << c.volume;
    EXPECT_EQ(EngineGetVolume(), c.written_back) << c.volume;
    Form1->Free();
  }
}

TEST_F(FormTest, HideShowTwiceReturnsToTheStart) {
  CreateAndShow();
  HWND title = Application.Handle();
  ASSERT_TRUE(IsWindowVisible(title));
  for (int round = 0; round < 2; ++round) {
    Form1->N1Click(Form1->N1);
    EXPECT_TRUE(Minimised);
    EXPECT_FALSE(IsWindowVisible(Form1->Handle())) << "round " << round;
    EXPECT_FALSE(IsWindowVisible(title)) << "the taskbar button stays behind";
    EXPECT_TRUE(Form1->TrayIcon1->IconVisible());
    Form1->N1Click(Form1->N1);
    EXPECT_FALSE(Minimised);
    EXPECT_TRUE(IsWindowVisible(Form1->Handle())) << "round " << round;
    EXPECT_TRUE(IsWindowVisible(title));
    EXPECT_FALSE(IsIconic(title));
  }
  // The region and the layout come back intact.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(Form1->Handle(), region), COMPLEXREGION);
  DeleteObject(region);
  EXPECT_TRUE(HasBounds(Form1, 372, 207, 600, 637));
}

TEST_F(FormTest, TrayDoubleClickHidesAndShowsLikeTheMenuItem) {
  CreateAndShow();
  TTrayIcon* tray = Form1->TrayIcon1;
  const auto double_click = [tray] {
    SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_LBUTTONDOWN);
    SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_LBUTTONUP);
    SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_LBUTTONDBLCLK);
    SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_LBUTTONUP);
  };
  double_click();
  EXPECT_TRUE(Minimised);
  EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
  double_click();
  EXPECT_FALSE(Minimised);
  EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
}

TEST_F(FormTest, TitleMinimiseImageSendsTheWindowToTheTray) {
  CreateAndShow();
  Form1->MinimizeImageMouseUp(Form1->image12, mbLeft, 0, 3, 3);
  EXPECT_TRUE(Minimised);
  EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
  Form1->N1Click(Form1->N1);
  EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
}

// ---- The skinned frame's edge cases, through real messages to the real window ----

namespace {

// A plain window of ours behind the main window that counts the presses it gets.
int g_presses_behind = 0;
LRESULT CALLBACK BehindProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_LBUTTONDOWN) ++g_presses_behind;
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Clicks the real pointer at screen point p; false when the pointer cannot be moved there.
bool ClickAt(POINT p) {
  if (!SetCursorPos(p.x, p.y)) return false;
  POINT now{};
  if (!GetCursorPos(&now) || now.x != p.x || now.y != p.y) return false;
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

// Records (and swallows) the move command a title picture sends the main window.
struct MoveCommandSpy {
  TWindowProc old;
  std::vector<WPARAM> commands;
  explicit MoveCommandSpy(TForm1* form) : old(form->WindowProc) {
    form->WindowProc = [this](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      if (msg == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MOVE) {
        commands.push_back(wparam);
        return 0;  // no modal move loop in a test
      }
      return old(msg, wparam, lparam);
    };
  }
  void Remove(TForm1* form) { form->WindowProc = old; }
};

bool IsOrIsInside(HWND w, HWND top) { return w == top || IsChild(top, w); }

}  // namespace

TEST_F(FormTest, ClicksOutsideTheShapeFallThroughToTheWindowBehind) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = BehindProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VolnarBehindTest";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassW(&wc);
  HWND behind = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 372, 207, 600, 637,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(behind, nullptr);
  CreateAndShow();
  HWND main = Form1->Handle();
  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpUntil([] { return false; }, 5);
  const POINT origin = Form1->ClientToScreen(POINT{0, 0});
  const struct {
    const char* where;
    int x, y;
    bool falls_through;
  } points[] = {
      {"the notch between the move and minimise tabs", 571, 1, true},
      {"the notch between the minimise and close tabs", 585, 2, true},
      {"above the body, left of the tabs", 300, 5, true},
      {"above the body, next to the first tab", 557, 10, true},
      {"the top-left cut corner", 0, 13, true},
      {"the top-left cut corner, second step", 1, 13, true},
      {"the top-right corner of the last tab", 599, 2, true},
      {"the bottom-left cut corner", 0, 636, true},
      {"the bottom-right cut corner", 599, 636, true},
      {"inside the body", 300, 300, false},
      {"the move tab", 565, 2, false},
      {"the body's stepped edge", 1, 14, false},
  };
  for (const auto& p : points) {
    const POINT at{origin.x + p.x, origin.y + p.y};
    HWND hit = WindowFromPoint(at);
    EXPECT_EQ(IsOrIsInside(hit, main), !p.falls_through) << p.where;
    if (p.falls_through) {
      EXPECT_EQ(hit, behind) << p.where;
    }
  }
  // Real clicks where the pointer can be moved: the window behind gets them.
  g_presses_behind = 0;
  int clicked = 0;
  for (const auto& p : points) {
    if (!p.falls_through) continue;
    if (!ClickAt(POINT{origin.x + p.x, origin.y + p.y})) break;
    ++clicked;
    PumpUntil([&] { return g_presses_behind == clicked; }, 50);
    EXPECT_EQ(g_presses_behind, clicked) << p.where;
  }
  if (clicked == 0) std::printf("(the pointer cannot be moved here: real clicks not tried)\n");
  DestroyWindow(behind);
}

TEST_F(FormTest, AnyButtonPressedOnTheMoveHandleOrTheHeaderPicturesMovesTheWindow) {
  CreateAndShow();
  MoveCommandSpy spy(Form1);
  const struct {
    const char* what;
    TWinControl* window;  // the window that gets the press
    int x, y;
    UINT down, up;
    WPARAM keys;
  } presses[] = {
      {"right button on image11", Form1, 565, 6, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
      {"left button on image11", Form1, 565, 6, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON},
      {"right button on Image7", Form1->Panel1, 100, 30, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
      {"middle button on Image7", Form1->Panel1, 10, 10, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON},
      {"right button on Image8", Form1->Panel2, 50, 20, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
  };
  for (const auto& p : presses) {
    spy.commands.clear();
    SendMessageW(p.window->Handle(), p.down, p.keys, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(spy.commands, (std::vector<WPARAM>{0xF012})) << p.what;
    EXPECT_EQ(GetCapture(), nullptr) << p.what << ": the capture is released for the move";
    SendMessageW(p.window->Handle(), p.up, 0, MAKELPARAM(p.x, p.y));
  }
  // The minimise and close pictures do not move it.
  spy.commands.clear();
  SendMessageW(Form1->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(593, 6));
  SendMessageW(Form1->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(593, 6));
  EXPECT_TRUE(spy.commands.empty());
  spy.Remove(Form1);
}

TEST_F(FormTest, FromTheMoveHandleStraightToMinimiseRestoresTheMoveHandleFirst) {
  CreateAndShow();
  HWND main = Form1->Handle();
  const COLORREF normal = RGB(0xD6, 0xF3, 0xFF), hot = RGB(0x00, 0xB2, 0xEF);
  std::vector<std::string> seen;
  Form1->image12->OnMouseEnter = [&](TObject*) {
    seen.push_back(std::string("image11 ") +
                   (PixelOfPicture(Form1->image11->Picture(), 7, 12) == normal ? "normal" : "hot") +
                   ", cursor " + std::to_string(Form1->Cursor()) + "/" +
                   std::to_string(Form1->image11->Cursor()) + ", image12 " +
                   (PixelOfPicture(Form1->image12->Picture(), 7, 12) == normal ? "normal" : "hot"));
  };
  SendMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(565, 6));
  EXPECT_EQ(PixelOfPicture(Form1->image11->Picture(), 7, 12), hot);
  EXPECT_EQ(Form1->Cursor(), crSizeAll);
  SendMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(579, 6));  // no move in between
  EXPECT_EQ(seen, (std::vector<std::string>{"image11 normal, cursor 0/0, image12 normal"}));
  EXPECT_EQ(PixelOfPicture(Form1->image12->Picture(), 7, 12), hot);
  EXPECT_EQ(PixelOfPicture(Form1->image11->Picture(), 7, 12), normal);
  SendMessageW(main, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(PixelOfPicture(Form1->image12->Picture(), 7, 12), normal);
}

TEST_F(FormTest, MinimiseByItsPictureThenTheTraysHideShowBringsTheShapeAndFrameBack) {
  CreateAndShow();
  HWND main = Form1->Handle();
  SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(579, 6));
  SendMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(579, 6));
  EXPECT_TRUE(Minimised);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(Form1->TrayIcon1->IconVisible());
  // "Скрыть/Показать " chosen in the tray menu: the command arrives through the loop.
  PostMessageW(Application.UtilityWindow(), TApplication::kMsgMenuCommand, Form1->N1->Command(), 0);
  PumpUntil([main] { return IsWindowVisible(main) != FALSE; }, 50);
  ASSERT_TRUE(IsWindowVisible(main));
  EXPECT_FALSE(Minimised);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(main, region), COMPLEXREGION);
  for (POINT in : {POINT{0, 15}, POINT{561, 0}, POINT{599, 634}, POINT{300, 636}})
    EXPECT_TRUE(PtInRegion(region, in.x, in.y)) << in.x << "," << in.y;
  for (POINT out : {POINT{300, 12}, POINT{571, 2}, POINT{0, 14}, POINT{599, 635}})
    EXPECT_FALSE(PtInRegion(region, out.x, out.y)) << out.x << "," << out.y;
  DeleteObject(region);
  TestFrame frame(main);
  EXPECT_EQ(frame.At(0, 300), RGB(0x92, 0xD0, 0xEB));
  EXPECT_EQ(frame.At(300, 14), RGB(0xD6, 0xF3, 0xFF));
  EXPECT_EQ(frame.At(300, 636), RGB(0x92, 0xD0, 0xEB));
  EXPECT_EQ(frame.At(1, 14), RGB(0x92, 0xD0, 0xEB));
  EXPECT_TRUE(HasBounds(Form1, 372, 207, 600, 637));
}

TEST_F(FormTest, CloseWritesCookiesThenLasturlAndEndsTheProgram) {
  const struct { const char* lasturl; } cases[] = {{""}, {"http://127.0.0.1:8000/a.mp3"}};
  for (const auto& c : cases) {
    VolnarKeyGuard::DeleteKey();
    CreateAndShow();
    // A catalogue page without cookies is shown.
    StandInPage page({}, L"http://" + ToWide(CatalogueHost) + L"/");
    Form1->WebBrowser1->SetAutomationStandIn(page.browser.Get());
    LastUrl = c.lasturl;
    Form1->N3Click(Form1->N3);
    EXPECT_TRUE(Application.Terminated());
    EXPECT_TRUE(errors.empty());
    // Values enumerate in the order they were made: cookies first.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Volnar", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[64];
    for (DWORD i = 0;; ++i) {
      DWORD len = sizeof(name);
      if (RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name, len);
    }
    RegCloseKey(key);
    EXPECT_EQ(names, (std::vector<std::string>{"cookies", "lasturl"}));
    EXPECT_EQ(VolnarKeyGuard::GetRaw("cookies").bytes, std::string(1, '\0'));
    EXPECT_EQ(VolnarKeyGuard::GetRaw("lasturl").bytes, std::string(c.lasturl) + '\0');
    Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
}

TEST_F(FormTest, WrongTypedLasturlIsShownAndStartUpFinishes) {
  VolnarKeyGuard::PutDword("lasturl", 42);
  CreateAndShow();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Invalid data type for 'lasturl'"), std::string::npos) << errors[0];
  EXPECT_EQ(LastUrl, "");
  // Everything after the failed read still happened.
  EXPECT_TRUE(IsOwnCatalogueHost(CatalogueHost)) << CatalogueHost;
  EXPECT_EQ(Form1->StatusLabel->Caption(), "");
  EXPECT_NE(Form1->image11, nullptr);
  EXPECT_EQ(MainWindowHandle, Form1->Handle());
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(Form1->Handle(), region), COMPLEXREGION);
  DeleteObject(region);
  EXPECT_TRUE(EngineSetVolume(0.25f)) << "the engine was started";
  EXPECT_FALSE(Form1->Nplay->Enabled());
  EXPECT_TRUE(Form1->StopButton->Enabled());
}

// Windows ending the logon: the query is answered yes, the end itself saves
// what a close saves, once, while the player sits hidden in the tray.
TEST_F(FormTest, SessionEndSavesTheSettingsOnceEvenFromTheTray) {
  CreateAndShow();
  StandInPage page({}, L"http://" + ToWide(CatalogueHost) + L"/", L"s=1; t=2");
  Form1->WebBrowser1->SetAutomationStandIn(page.browser.Get());
  Form1->N1Click(Form1->N1);  // to the tray
  ASSERT_FALSE(IsWindowVisible(Form1->Handle()));
  LastUrl = "http://127.0.0.1:8000/chosen";
  HWND window = Form1->Handle();

  EXPECT_NE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  EXPECT_FALSE(VolnarKeyGuard::KeyExists()) << "the query alone saves nothing";
  // A cancelled end (another program refused) changes nothing either.
  SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(VolnarKeyGuard::KeyExists());

  EXPECT_NE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
  SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(VolnarKeyGuard::GetRaw("lasturl").bytes, std::string("http://127.0.0.1:8000/chosen") + '\0');
  EXPECT_EQ(VolnarKeyGuard::GetRaw("cookies").bytes, std::string("s=1; t=2") + '\0');
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(errors.empty());

  // Once: a second end, or the close that may follow, writes nothing more.
  VolnarKeyGuard::DeleteKey();
  SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  Form1->Close();
  EXPECT_FALSE(VolnarKeyGuard::KeyExists());
}

// A stored "cookies" value that cannot be a cookie text is shown as an error
// and skipped: the rest of the show still runs and the catalogue opens.
TEST_F(FormTest, BadStoredCookiesAreShownAndTheCatalogueStillOpens) {
  std::vector<std::string> put;
  PutCookieHook = [&put](const std::string&, const std::string& cookie) { put.push_back(cookie); };
  std::string oversized;
  while (oversized.size() <= kMaxSettingBytes) oversized += "k=1; ";
  const struct {
    const char* label;
    DWORD type;
    std::string bytes;
    const char* error;
  } cases[] = {
      {"REG_DWORD", REG_DWORD, std::string("\x2a\0\0\0", 4), "Invalid data type for 'cookies'"},
      {"REG_BINARY", REG_BINARY, std::string("a=1; b=2", 8), "Invalid data type for 'cookies'"},
      {"oversized", REG_SZ, oversized + '\0', "Invalid data size for 'cookies'"},
  };
  for (const auto& c : cases) {
    VolnarKeyGuard::DeleteKey();
    VolnarKeyGuard::PutRaw("cookies", c.type, c.bytes);
    VolnarKeyGuard::PutRaw("lasturl", REG_SZ, std::string("http://127.0.0.1:1/s") + '\0');
    errors.clear();
    put.clear();
    CreateAndShow();
    ASSERT_EQ(errors.size(), 1u) << c.label;
    EXPECT_NE(errors[0].find(c.error), std::string::npos) << c.label << ": " << errors[0];
    EXPECT_TRUE(put.empty()) << c.label << ": nothing of it reaches the cookie store";
    EXPECT_EQ(Form1->WebBrowser1->Navigations(),
              (std::vector<std::string>{kPlaceholderPage, "http://" + CatalogueHost}))
        << c.label;
    EXPECT_TRUE(Form1->Nplay->Enabled()) << c.label << ": the stored station still counts";
    EXPECT_TRUE(IsWindowVisible(Form1->Handle())) << c.label;
    Form1->Free();
  }
  PutCookieHook = nullptr;
}

// The same for "lasturl": a text too long to be an address the program
// stored is shown and dropped; start-up finishes.
TEST_F(FormTest, OversizedLasturlIsShownAndStartUpFinishes) {
  VolnarKeyGuard::PutRaw("lasturl", REG_SZ, "http://x/" + std::string(kMaxSettingBytes, 'a') + '\0');
  CreateAndShow();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Invalid data size for 'lasturl'"), std::string::npos) << errors[0];
  EXPECT_EQ(LastUrl, "");
  EXPECT_FALSE(Form1->Nplay->Enabled());
  EXPECT_EQ(Form1->WebBrowser1->Navigations().size(), 2u);
}

TEST_F(FormTest, RefusedWritesAtCloseAreShownAndTheWindowStillCloses) {
  CreateAndShow();
  StandInPage page({}, L"http://" + ToWide(CatalogueHost) + L"/", L"a=1");
  Form1->WebBrowser1->SetAutomationStandIn(page.browser.Get());
  LastUrl = "http://x/";
  {
    ReadOnlyUserHive readonly;
    ASSERT_TRUE(readonly.Ok());
    Form1->N3Click(Form1->N3);
  }
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_NE(errors[0].find("Failed to set data for 'cookies'"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("Failed to set data for 'lasturl'"), std::string::npos) << errors[1];
  EXPECT_TRUE(Application.Terminated()) << "the close must not be abandoned";
}

TEST_F(FormTest, FailedEngineInitShowsTheEngineBoxAndEndsWithoutSaving) {
  ASSERT_TRUE(EnsureEngine());  // a second EngineInit fails with "already"
  Create();
  EXPECT_TRUE(halted);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Can't initialize device\r\n(error code: 5)");
  EXPECT_EQ(boxes[0].owner, MainWindowHandle);
  EXPECT_NE(boxes[0].owner, nullptr);
  EXPECT_TRUE(boxes[0].null_caption);
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(errors.empty()) << "the halt is silent";
  EXPECT_FALSE(VolnarKeyGuard::KeyExists()) << "nothing is saved";
}

TEST_F(FormTest, TitleImagesSwapPicturesAndCursorOnHover) {
  CreateAndShow();
  const COLORREF normal = RGB(0xD6, 0xF3, 0xFF), hot = RGB(0x00, 0xB2, 0xEF);
  TImageMouse* images[3] = {Form1->image11, Form1->image12, Form1->image13};
  for (TImageMouse* image : images) {
    EXPECT_EQ(PixelOfPicture(image->Picture(), 7, 12), normal) << image->Name();
    image->MouseEnter();
    EXPECT_EQ(PixelOfPicture(image->Picture(), 7, 12), hot) << image->Name();
    EXPECT_EQ(Form1->Cursor(), image == Form1->image11 ? crSizeAll : crDefault);
    EXPECT_EQ(image->Cursor(), image == Form1->image11 ? crSizeAll : crDefault);
    image->MouseLeave();
    EXPECT_EQ(PixelOfPicture(image->Picture(), 7, 12), normal) << image->Name();
    EXPECT_EQ(Form1->Cursor(), crDefault);
  }
}

TEST_F(FormTest, OneShotTimerHidesThePleaseWaitBox) {
  CreateAndShow();
  ASSERT_TRUE(Form1->pleasewait->Visible());
  Form1->Timer1Timer(Form1->Timer1);
  EXPECT_FALSE(Form1->pleasewait->Visible());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_FALSE(FirstPage);
}

namespace {
int g_app_messages = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_APP + 7) ++g_app_messages;
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}
}  // namespace

TEST(WaitWithMessagesWin, HandlesEveryPendingMessage) {
  Application.Initialize();
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VolnarWaitTest";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  for (uint32_t ms : {0u, 9u, 25u}) {
    g_app_messages = 0;
    for (int i = 0; i < 3; ++i) PostMessageW(w, WM_APP + 7, 0, 0);
    WaitWithMessages(ms);
    EXPECT_EQ(g_app_messages, 3) << ms;
  }
  DestroyWindow(w);
}
