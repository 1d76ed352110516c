// Controls under Wine: mouse routing with enter/leave for non-windowed
// controls, clicks, timers, popup menus, the edit box, component ownership
// and the RAII owners.
#include <type_traits>

#include "ui_test_util.h"

namespace {

// An image that logs the enter/leave notifications (as the title images do).
class LoggingImage : public TImage {
 public:
  LoggingImage(TComponent* owner, std::vector<std::string>* log) : TImage(owner), log_(log) {}
  void MouseEnter() override {
    TImage::MouseEnter();
    log_->push_back("enter " + Name());
  }
  void MouseLeave() override {
    TImage::MouseLeave();
    log_->push_back("leave " + Name());
  }

 private:
  std::vector<std::string>* log_;
};

TEST(UiMouse, EnterAndLeaveOfNonWindowedControlsComeInOrder) {
  std::vector<std::string> log;
  TForm* form = MakeForm(100, 40, clWhite);
  const char* names[] = {"image11", "image12", "image13"};
  for (int i = 0; i < 3; ++i) {
    auto* img = new LoggingImage(form, &log);
    img->SetName(names[i]);
    img->SetParent(form);
    img->SetBounds(58 + 14 * i, 0, 14, 13);
  }
  HWND h = form->Handle();
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(10, 20));   // the form itself
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(60, 5));    // image11
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(61, 6));    // still image11: nothing
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(72, 5));    // straight to image12
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(90, 12));   // image13
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(90, 13));   // below the images
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(86, 2));    // image13 again
  ::SendMessageW(h, WM_MOUSELEAVE, 0, 0);              // out of the window
  EXPECT_EQ(log, (std::vector<std::string>{"enter image11", "leave image11", "enter image12",
                                           "leave image12", "enter image13", "leave image13",
                                           "enter image13", "leave image13"}));
  form->Free();
  EXPECT_EQ(Application.MouseControl(), nullptr);
}

TEST(UiMouse, DownUpAndClickGoToTheControlPressedInItsOwnCoordinates) {
  TForm* form = MakeForm(120, 60, clWhite);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(20, 10, 40, 20);
  std::vector<std::string> log;
  label->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState shift, int x, int y) {
    EXPECT_EQ(s, label);
    log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  ((shift & ssLeft) ? " left" : ""));
  };
  label->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  label->OnClick = [&](TObject*) { log.push_back("click"); };
  form->OnMouseDown = [&](TObject* s, TMouseButton, TShiftState, int x, int y) {
    EXPECT_EQ(s, form);
    log.push_back("form down " + std::to_string(x) + "," + std::to_string(y));
  };
  HWND h = form->Handle();

  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(25, 12));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(30, 15));
  // Pressed on the label, released outside it: no click; the up still goes to it.
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(25, 12));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(100, 50));
  // The right button: no click.
  ::SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, Point(21, 11));
  ::SendMessageW(h, WM_RBUTTONUP, 0, Point(21, 11));
  // A disabled label lets the form have the press.
  label->SetEnabled(false);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(25, 12));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(25, 12));
  EXPECT_EQ(log, (std::vector<std::string>{
                     "down 0 5,2 left", "click", "up 0 10,5", "down 0 5,2 left", "up 0 80,40",
                     "down 1 1,1", "up 1 1,1", "form down 25,12"}));
  form->Free();
}

TEST(UiMouse, CursorOfTheControlUnderThePointerWins) {
  TForm* form = MakeForm(100, 60, clWhite);
  auto* img = new TImage(form);
  img->SetParent(form);
  img->SetBounds(0, 0, 50, 60);
  img->SetCursor(crSizeAll);
  form->Show();
  PumpMessages();
  POINT p{10, 10};
  ::ClientToScreen(form->Handle(), &p);
  if (!::SetCursorPos(p.x, p.y)) GTEST_SKIP() << "the pointer cannot be moved here";
  ::SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), CursorHandle(crSizeAll));
  p = POINT{80, 10};
  ::ClientToScreen(form->Handle(), &p);
  ::SetCursorPos(p.x, p.y);
  ::SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
  form->Free();
}

TEST(UiTimer, ARunningTimerKeepsRunningWhenEnabledIsSetTrueAgain) {
  Application.Initialize();
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Running());  // enabled from construction
  int ticks = 0;
  timer.OnTimer = [&](TObject* s) {
    EXPECT_EQ(s, &timer);
    ++ticks;
  };
  timer.SetInterval(300);
  // Re-enabling far more often than the interval: a timer that restarted its
  // interval on each call would never tick.
  const DWORD start = ::GetTickCount();
  while (ticks < 2 && ::GetTickCount() - start < 10000) {
    timer.SetEnabled(true);
    PumpMessages();
    ::Sleep(20);
  }
  EXPECT_GE(ticks, 2);

  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  const int at_stop = ticks;
  PumpUntil([] { return false; }, 50);  // half a second or more
  EXPECT_EQ(ticks, at_stop);

  timer.SetInterval(0);
  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Running());  // no interval, no timer
  timer.SetInterval(50);
  EXPECT_TRUE(timer.Running());
}

TEST(UiTimer, AnErrorInOnTimerIsShownAndTheTimerGoesOn) {
  ErrorBoxCatcher boxes;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 1) throw std::runtime_error("tick failed");
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  ASSERT_GE(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "tick failed.");
}

std::wstring MenuText(HMENU m, int pos) {
  wchar_t buf[128] = {};
  ::GetMenuStringW(m, pos, buf, 128, MF_BYPOSITION);
  return buf;
}

TEST(UiMenu, ItemsBuildTheSystemMenuWithStatesAndShortcutTexts) {
  Application.Initialize();
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  const struct {
    const char* name;
    const char* caption;
    TShortCut shortcut;
    bool enabled;
  } rows[] = {
      {"N5", "Вырезать", MakeShortCut('X', true), true},
      {"N4", "Копировать", MakeShortCut('C', true), false},
      {"N2", "-", 0, true},
      {"N6", "Вставить", MakeShortCut('V', true), true},
  };
  for (const auto& r : rows) {
    auto* item = new TMenuItem(&owner);
    item->SetName(r.name);
    item->SetCaption(r.caption);
    item->SetShortCut(r.shortcut);
    item->SetEnabled(r.enabled);
    menu->Add(item);
  }
  HMENU m = menu->Handle();
  ASSERT_EQ(::GetMenuItemCount(m), 4);
  EXPECT_EQ(MenuText(m, 0), L"Вырезать\tCtrl+X");
  EXPECT_EQ(MenuText(m, 1), L"Копировать\tCtrl+C");
  EXPECT_EQ(MenuText(m, 3), L"Вставить\tCtrl+V");
  EXPECT_FALSE(::GetMenuState(m, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(::GetMenuState(m, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(::GetMenuState(m, 2, MF_BYPOSITION) & MF_SEPARATOR);

  ASSERT_EQ(menu->FindItem("N4"), owner.FindComponent("N4"));
  menu->FindItem("N4")->SetEnabled(true);
  menu->FindItem("N5")->SetEnabled(false);
  m = menu->Handle();  // rebuilt after the change
  EXPECT_FALSE(::GetMenuState(m, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(::GetMenuState(m, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(::GetMenuItemID(m, 1), menu->FindItem("N4")->Command());

  // A freed item leaves the menu.
  menu->FindItem("N2")->Free();
  EXPECT_EQ(menu->Count(), 3);
  EXPECT_EQ(::GetMenuItemCount(menu->Handle()), 3);
}

TEST(UiMenu, ASubmenuIsBuiltFromItsItemsAndFollowsTheirChanges) {
  Application.Initialize();
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  auto* heading = new TMenuItem(&owner);
  heading->SetCaption("Таймер сна");
  auto* first = new TMenuItem(&owner);
  first->SetCaption("15 минут");
  auto* second = new TMenuItem(&owner);
  second->SetCaption("Выключен");
  heading->Add(first);
  heading->Add(second);
  menu->Add(heading);
  EXPECT_EQ(first->Menu(), menu);
  HMENU sub = ::GetSubMenu(menu->Handle(), 0);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(MenuText(menu->Handle(), 0), L"Таймер сна");
  ASSERT_EQ(::GetMenuItemCount(sub), 2);
  EXPECT_EQ(::GetMenuItemID(sub, 1), second->Command());
  // A change deep down rebuilds the whole menu.
  second->SetChecked(true);
  sub = ::GetSubMenu(menu->Handle(), 0);
  EXPECT_TRUE(::GetMenuState(sub, 1, MF_BYPOSITION) & MF_CHECKED);
  int clicks = 0;
  heading->OnClick = [&](TObject*) { ++clicks; };
  first->OnClick = [&](TObject*) { ++clicks; };
  heading->Click();  // a heading only opens its submenu
  EXPECT_EQ(clicks, 0);
  ::PostMessageW(Application.UtilityWindow(), TApplication::kMsgMenuCommand, first->Command(), 0);
  PumpMessages();
  EXPECT_EQ(clicks, 1);
  first->Free();
  EXPECT_EQ(heading->Count(), 1);
  EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(menu->Handle(), 0)), 1);
}

// While a popup menu is open: choose its first item with the keyboard.
void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = ::FindWindowW(L"#32768", nullptr);
  if (!popup || !::IsWindowVisible(popup)) return;
  ::KillTimer(nullptr, id);
  ::PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  ::PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}

TEST(UiMenu, AChosenItemClicksFromTheLoopOnlyWhenEnabled) {
  Application.Initialize();
  TComponent owner(nullptr);
  auto* menu = new TPopupMenu(&owner);
  auto* a = new TMenuItem(&owner);
  auto* b = new TMenuItem(&owner);
  a->SetCaption("Вкл. последнее радио");
  b->SetCaption("Выход");
  menu->Add(a);
  menu->Add(b);
  int a_clicks = 0, b_clicks = 0;
  a->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, a);
    ++a_clicks;
  };
  b->OnClick = [&](TObject*) { ++b_clicks; };
  a->SetEnabled(false);
  HWND util = Application.UtilityWindow();
  ::PostMessageW(util, TApplication::kMsgMenuCommand, a->Command(), 0);
  ::PostMessageW(util, TApplication::kMsgMenuCommand, b->Command(), 0);
  PumpMessages();
  EXPECT_EQ(a_clicks, 0);
  EXPECT_EQ(b_clicks, 1);

  // The real menu: chosen with the keyboard while it is open.
  a->SetEnabled(true);
  const UINT_PTR t = ::SetTimer(nullptr, 0, 100, &ChooseFirstMenuItem);
  ::SetForegroundWindow(util);
  menu->Popup(100, 100);
  ::KillTimer(nullptr, t);
  EXPECT_EQ(a_clicks, 0);  // not inside Popup
  PumpMessages();
  EXPECT_EQ(a_clicks, 1);
}

TEST(UiEdit, TextColoursAndTypingUnderCp1251) {
  TForm* form = MakeForm(200, 60, clWhite);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 161, 19);
  edit->SetBorderStyle(bsNoBorder);
  edit->SetColor(clInfoBk);
  edit->SetText(" Пожалуйста подождите...");
  edit->SetEnabled(false);
  HWND h = edit->Handle();
  wchar_t buf[64] = {};
  ::GetWindowTextW(h, buf, 64);
  EXPECT_STREQ(buf, L" Пожалуйста подождите...");
  EXPECT_FALSE(::IsWindowEnabled(h));
  EXPECT_FALSE(::GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  // The parent answers the colour query with the edit box's colours.
  TestSurface s(4, 4, 0);
  const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
      form->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(s.Dc()), reinterpret_cast<LPARAM>(h)));
  LOGBRUSH lb{};
  ASSERT_TRUE(::GetObjectW(brush, sizeof(lb), &lb));
  EXPECT_EQ(lb.lbColor, ::GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(::GetBkColor(s.Dc()), ::GetSysColor(COLOR_INFOBK));

  edit->SetEnabled(true);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("");
  EXPECT_EQ(changes, 0);  // the program's own change is not the user's
  ::SendMessageW(h, WM_CHAR, L'Ж', 0);
  ::SendMessageW(h, EM_SETSEL, 1, 1);  // after it: the box has no focus to move the caret
  ::SendMessageW(h, WM_CHAR, L'ё', 0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(edit->Text(), "Жё");
  EXPECT_EQ(edit->CurrentText(), "Жё");
  edit->Hide();
  EXPECT_FALSE(::IsWindowVisible(h));
  form->Free();
}

TEST(UiComponent, OwnersFreeWhatTheyOwnAndSiblingsHearOfRemovals) {
  struct Watcher : TComponent {
    using TComponent::TComponent;
    TComponent* watched = nullptr;
    void Notification(TComponent* c, TOperation op) override {
      if (op == opRemove && c == watched) watched = nullptr;
    }
  };
  static int freed;
  freed = 0;
  struct Counted : TComponent {
    using TComponent::TComponent;
    ~Counted() override { ++freed; }
  };
  auto* owner = new TComponent(nullptr);
  auto* watcher = new Watcher(owner);
  auto* a = new Counted(owner);
  auto* b = new Counted(owner);
  a->SetName("Nplay");
  b->SetName("Nstop");
  watcher->watched = b;
  EXPECT_EQ(owner->FindComponent("Nstop"), b);
  EXPECT_EQ(owner->FindComponent("nstop"), nullptr);  // exact names
  b->Free();
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(watcher->watched, nullptr);
  EXPECT_EQ(owner->ComponentCount(), 2);
  owner->Free();
  EXPECT_EQ(freed, 2);
}

TEST(UiComponent, AParentFreesItsChildrenAndTheirWindowsGo) {
  TForm* form = MakeForm(100, 100, clWhite);
  auto* panel = new TPanel(nullptr);  // no owner: the parent frees it
  panel->SetParent(form);
  auto* label = new TLabel(nullptr);
  label->SetParent(panel);
  HWND ph = panel->Handle();
  EXPECT_EQ(::GetParent(ph), form->Handle());
  EXPECT_EQ(form->ControlCount(), 1);
  form->Free();
  EXPECT_FALSE(::IsWindow(ph));
}

// A component that sees its owner form's messages first, as the tray icon
// does, and puts the old procedure back when it goes.
class Subclasser : public TComponent {
 public:
  Subclasser(TForm* form, std::vector<std::string>* log) : TComponent(form), form_(form), log_(log) {
    old_ = form_->WindowProc;
    form_->WindowProc = [this](UINT msg, WPARAM wp, LPARAM lp) {
      if (msg == WM_APP + 11) log_->push_back("seen first");
      return old_(msg, wp, lp);
    };
  }
  ~Subclasser() override {
    log_->push_back(std::string("unhooked, owner window ") +
                    (form_->HandleAllocated() ? "alive" : "gone"));
    form_->WindowProc = old_;
  }

 private:
  TForm* form_;
  std::vector<std::string>* log_;
  TWindowProc old_;
};

TEST(UiComponent, OwnedComponentsGoBeforeTheOwnersWindowAndWhileItIsWhole) {
  std::vector<std::string> log;
  TForm* form = MakeForm(50, 50, clWhite);
  form->OnDestroy = [&](TObject*) { log.push_back("OnDestroy"); };
  new Subclasser(form, &log);
  ::SendMessageW(form->Handle(), WM_APP + 11, 0, 0);
  form->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"seen first", "OnDestroy", "unhooked, owner window alive"}));
}

TEST(UiRaii, OwnersAreMoveOnlyAndReleaseOnce) {
  static_assert(!std::is_copy_constructible_v<UniqueHwnd>);
  static_assert(!std::is_copy_assignable_v<UniqueGdiObj<HBRUSH>>);
  static_assert(std::is_nothrow_move_constructible_v<UniqueHandle>);
  static_assert(!std::is_copy_constructible_v<ScopedSelectObject>);

  UniqueHwnd w(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  HWND raw = w.Get();
  ASSERT_TRUE(::IsWindow(raw));
  UniqueHwnd moved(std::move(w));
  EXPECT_FALSE(w);
  EXPECT_EQ(moved.Get(), raw);
  { UniqueHwnd sink = std::move(moved); }
  EXPECT_FALSE(::IsWindow(raw));

  UniqueGdiObj<HBRUSH> a(::CreateSolidBrush(RGB(1, 2, 3)));
  UniqueGdiObj<HBRUSH> b(::CreateSolidBrush(RGB(4, 5, 6)));
  HBRUSH old_b = b.Get();
  b = std::move(a);  // b's own brush is deleted
  EXPECT_EQ(::GetObjectType(old_b), 0u);
  EXPECT_NE(::GetObjectType(b.Get()), 0u);
  b = std::move(b);  // self-move keeps it
  EXPECT_NE(::GetObjectType(b.Get()), 0u);

  UniqueHandle ev(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE raw_ev = ev.Get();
  DWORD flags = 0;
  ASSERT_TRUE(::GetHandleInformation(raw_ev, &flags));
  HANDLE kept = ev.Release();
  EXPECT_FALSE(ev);
  UniqueHandle again(kept);
  again.Reset();
  EXPECT_FALSE(::GetHandleInformation(raw_ev, &flags));

  TestSurface s(2, 2, 0);
  HGDIOBJ before = ::GetCurrentObject(s.Dc(), OBJ_BRUSH);
  {
    UniqueGdiObj<HBRUSH> brush(::CreateSolidBrush(RGB(9, 9, 9)));
    ScopedSelectObject sel(s.Dc(), brush.Get());
    EXPECT_EQ(::GetCurrentObject(s.Dc(), OBJ_BRUSH), brush.Get());
  }
  EXPECT_EQ(::GetCurrentObject(s.Dc(), OBJ_BRUSH), before);

  {
    ScopedOleInit ole;
    EXPECT_TRUE(ole.Ok());
    ScopedOleInit nested;  // S_FALSE: also balanced by its own uninitialise
    EXPECT_EQ(nested.Result(), S_FALSE);
  }
}

}  // namespace
