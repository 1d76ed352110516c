// Media commands, hot keys, the system's media controls (their absence under
// Wine), the sleep timer, "Копировать название", the window's own menu and the
// names of streams without icy-name: in-process, with the real window, the
// real engine and the local test station (VOLNAR_STATION).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/program_win.h"
#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "base/cp1251_win.h"
#include "browser/hosted_browser_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "playback/connection_win.h"
#include "playback/notification_rules.h"
#include "playback/system_media_win.h"
#include "playback/volume.h"
#include "playback/winrt_media_win.h"
#include "registry_guard.h"
#include "tray/tray_icon_win.h"
#include "ui_test_util.h"

namespace {

std::string TestStation() {
  const char* s = std::getenv("VOLNAR_STATION");
  return s ? s : "";
}

LRESULT AppCommand(HWND window, int command) {
  return SendMessageW(window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(window),
                      MAKELPARAM(0, static_cast<WORD>(command) | FAPPCOMMAND_KEY));
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<no clipboard>";
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* w = static_cast<const wchar_t*>(GlobalLock(h))) {
      text = FromWide(w);
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

class ListeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestStation().empty()) GTEST_SKIP() << "VOLNAR_STATION is not set";
    Application.Initialize();
    Application.ErrorBoxHook = [this](const std::string& text, const std::string&) { errors.push_back(text); };
    MessageBoxHook = [this](HWND, const std::string& text, const char*, UINT) {
      errors.push_back(text);
      return IDOK;
    };
    EngineFree();
    Application.SetTitle(kProgramTitle);
  }
  void TearDown() override {
    if (Form1) Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.ErrorBoxHook = nullptr;
    MessageBoxHook = nullptr;
    EngineFree();
  }
  void Open(const std::string& lasturl) {
    WriteSetting("lasturl", lasturl);
    Application.CreateForm(Form1);
    ASSERT_NE(Form1, nullptr);
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
    Form1->Show();
  }
  bool WaitFor(const std::function<bool()>& done) { return PumpUntil(done, 2000); }
  std::string Tone(const std::string& query) {
    return TestStation() + "/stream/tone440-44k-128.mp3?burst=65536&" + query;
  }

  VolnarKeyGuard guard;
  std::vector<std::string> errors;
};

}  // namespace

TEST_F(ListeningTest, MediaCommandsPlayStopAndSetTheProgramsOwnVolume) {
  Open(Tone("name=Keys&titles=K&title_every=1000"));
  HWND w = Form1->Handle();
  // Play/Pause starts the last station, and again stops it: no pause on a radio.
  EXPECT_EQ(AppCommand(w, APPCOMMAND_MEDIA_PLAY_PAUSE), TRUE);
  EXPECT_TRUE(Form1->Playing());
  ASSERT_TRUE(WaitFor([] { return Form1->Label3->Caption() == "Keys   K"; })) << Form1->Label3->Caption();
  AppCommand(w, APPCOMMAND_MEDIA_PLAY);  // already playing: no new connection
  EXPECT_EQ(Form1->Label3->Caption(), "Keys   K");
  AppCommand(w, APPCOMMAND_MEDIA_PLAY_PAUSE);
  EXPECT_FALSE(Form1->Playing());
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");
  AppCommand(w, APPCOMMAND_MEDIA_PLAY);
  EXPECT_TRUE(Form1->Playing());
  AppCommand(w, APPCOMMAND_MEDIA_PAUSE);
  EXPECT_FALSE(Form1->Playing());
  AppCommand(w, APPCOMMAND_MEDIA_PLAY_PAUSE);
  AppCommand(w, APPCOMMAND_MEDIA_STOP);
  EXPECT_FALSE(Form1->Playing());

  // The slider follows the volume keys and sets the engine's volume.
  Form1->SkinTrackBar1->SetPosition(50);
  AppCommand(w, APPCOMMAND_VOLUME_UP);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 55);
  EXPECT_FLOAT_EQ(EngineGetVolume(), 0.55f);
  AppCommand(w, APPCOMMAND_VOLUME_DOWN);
  AppCommand(w, APPCOMMAND_VOLUME_DOWN);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 45);
  AppCommand(w, APPCOMMAND_VOLUME_MUTE);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 0);
  EXPECT_FLOAT_EQ(EngineGetVolume(), 0.0f);
  AppCommand(w, APPCOMMAND_VOLUME_MUTE);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 45);

  // A command the player does not take goes on to the system's handling.
  EXPECT_EQ(AppCommand(w, APPCOMMAND_MEDIA_NEXTTRACK), FALSE);
  // The record key reaches the recording's switch and leaves playback alone.
  AppCommand(w, APPCOMMAND_MEDIA_RECORD);
  EXPECT_FALSE(Form1->Playing());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ListeningTest, AHotKeyHeldElsewhereIsLeftToItAndTheOtherStillWorks) {
  // Another program holds the stop key already.
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHotKey(other, 7, MOD_NOREPEAT, VK_MEDIA_STOP));
  Open(Tone("name=Hot"));
  EXPECT_FALSE(Form1->HoldsHotKey(TForm1::kHotKeyStop));
  EXPECT_TRUE(Form1->HoldsHotKey(TForm1::kHotKeyPlayPause));
  EXPECT_TRUE(errors.empty()) << "no message for a key held elsewhere";
  SendMessageW(Form1->Handle(), WM_HOTKEY, TForm1::kHotKeyPlayPause, MAKELPARAM(0, VK_MEDIA_PLAY_PAUSE));
  EXPECT_TRUE(Form1->Playing());
  SendMessageW(Form1->Handle(), WM_HOTKEY, TForm1::kHotKeyPlayPause, MAKELPARAM(0, VK_MEDIA_PLAY_PAUSE));
  EXPECT_FALSE(Form1->Playing());
  // The window lets go of its key when it goes, so it is free for others.
  Form1->Free();
  EXPECT_TRUE(RegisterHotKey(other, 8, MOD_NOREPEAT, VK_MEDIA_PLAY_PAUSE));
  UnregisterHotKey(other, 8);
  UnregisterHotKey(other, 7);
  DestroyWindow(other);
}

TEST_F(ListeningTest, WithoutTheSystemsMediaControlsThePlayerGoesOn) {
  // No module, a module without the WinRT functions, and (under Wine) a
  // runtime that cannot activate the controls' class: each fails cleanly.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SystemMediaControls none;
  EXPECT_FALSE(SUCCEEDED(none.Attach(window, window, WM_APP, L"volnar-no-such-runtime.dll")));
  EXPECT_FALSE(none.Active());
  EXPECT_EQ(none.Attach(window, window, WM_APP, L"kernel32.dll"), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
  EXPECT_FALSE(none.Active());
  none.Show(true, "Station", "Title");  // inactive: nothing happens
  SystemMediaControls real;
  const HRESULT hr = real.Attach(window, window, WM_APP);
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (wine) EXPECT_FALSE(SUCCEEDED(hr)) << "this Wine has no media controls to activate";
  if (SUCCEEDED(hr)) {
    EXPECT_TRUE(real.Active());
    real.Show(true, "Станция", "Песня");
    real.Detach();
  } else {
    EXPECT_FALSE(real.Active()) << std::hex << hr;
  }
  DestroyWindow(window);

  // The window started all the same, and its buttons' message still acts.
  Open(Tone("name=Smtc"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Form1->MediaControls().Active(), SUCCEEDED(hr));
  PostMessageW(Form1->Handle(), TForm1::kMsgMediaButton, winrt_media::kButtonPlay, 0);
  PumpMessages();
  EXPECT_TRUE(Form1->Playing());
  PostMessageW(Form1->Handle(), TForm1::kMsgMediaButton, winrt_media::kButtonStop, 0);
  PumpMessages();
  EXPECT_FALSE(Form1->Playing());
}

TEST_F(ListeningTest, SleepTimerShowsInTheHintFadesStopsAndGivesTheVolumeBack) {
  Open(Tone("name=Sleep&titles=S&title_every=1000"));
  Form1->SkinTrackBar1->SetPosition(80);
  Form1->SetSleepTimer(30);
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Волнар-радио\nТаймер сна: 30 мин");
  std::vector<std::string> checked;
  for (int i = 0; i < Form1->Nsleep->Count(); ++i)
    if (Form1->Nsleep->Items(i)->Checked()) checked.push_back(Form1->Nsleep->Items(i)->Caption());
  EXPECT_EQ(checked, std::vector<std::string>{"30 минут"});
  // The window's menu shows the same choice.
  EXPECT_TRUE(Form1->Wsleep->Items(1)->Checked());
  Form1->Wsleep->Items(4)->Click();  // "Выключен"
  EXPECT_EQ(Form1->SleepMinutes(), 0);
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Волнар-радио");

  // A timer about to run out: the sound fades, then the player stops and the
  // listener's volume is back. The program stays (the setting says so).
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([] { return Form1->Label3->Caption() == "Sleep   S"; }));
  WriteSetting("sleepquit", "0");
  Form1->SetSleepTimer(15);
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Sleep   S.  \nТаймер сна: 15 мин");
  // Fast-forward to the fade: the end is what the test waits for.
  ASSERT_TRUE(Form1->SleepRemainingMs() > 0);
  Form1->SetSleepTimerEndingIn(1500);
  float quietest = 1.0f;
  ASSERT_TRUE(WaitFor([&] {
    if (Form1->Playing()) quietest = std::min(quietest, EngineGetVolume());
    return !Form1->Playing();
  }));
  EXPECT_LT(quietest, 0.8f) << "the volume faded before the stop";
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");
  EXPECT_FLOAT_EQ(EngineGetVolume(), 0.8f);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 80);
  EXPECT_EQ(Form1->SleepMinutes(), 0);
  EXPECT_FALSE(Form1->TimerSleep->Enabled());
  EXPECT_EQ(Form1->TrayIcon1->Hint().find("Таймер сна"), std::string::npos);
  ASSERT_NE(Form1, nullptr);

  // With the setting on (the menu item writes it), the program ends too.
  Form1->Nsleep->Items(6)->Click();  // "Затем выйти из программы"
  EXPECT_EQ(ReadSetting("sleepquit"), "1");
  Form1->SetSleepTimer(15);
  Form1->SetSleepTimerEndingIn(200);
  // The window's close has run once its hot keys are let go.
  ASSERT_TRUE(Form1->HoldsHotKey(TForm1::kHotKeyPlayPause));
  EXPECT_TRUE(WaitFor([] { return !Form1->HoldsHotKey(TForm1::kHotKeyPlayPause); }));
}

TEST_F(ListeningTest, CopyTitleAndNamesForStreamsWithoutIcyName) {
  // A blank icy-name: once it plays, the state shows the address's host.
  Open(Tone("name=&titles=Artist%20-%20Song&title_every=1000"));
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([] { return Form1->StatusLabel->Caption() == "Artist - Song"; }));
  ASSERT_TRUE(WaitFor([] { return Form1->Label1->Caption() == "127.0.0.1"; })) << Form1->Label1->Caption();
  Form1->PopupMenu1->OnPopup(Form1->PopupMenu1);
  EXPECT_TRUE(Form1->Ncopy->Enabled());
  Form1->Ncopy->Click();
  EXPECT_EQ(ClipboardText(), "127.0.0.1 - Artist - Song");

  // The catalogue's name for the address comes before the host.
  StartConnection(Form1->Handle(), LastUrl, "Радио из каталога");
  ASSERT_TRUE(WaitFor([] { return Form1->Label1->Caption() == "Радио из каталога"; }))
      << Form1->Label1->Caption();
  // A nameless Ogg stream: the station named in its comments (UTF-8 there).
  LastUrl = TestStation() + "/stream/tone580-44k-station.ogg?burst=20000&name=";
  StartConnection(Form1->Handle(), LastUrl, "");
  ASSERT_TRUE(WaitFor([] { return Form1->Label1->Caption() == "Радио Волна"; })) << Form1->Label1->Caption();
  // A stream's own icy-name stays first.
  LastUrl = Tone("name=Own");
  StartConnection(Form1->Handle(), LastUrl, "Радио из каталога");
  ASSERT_TRUE(WaitFor([] { return Form1->Label1->Caption() == "Own"; })) << Form1->Label1->Caption();

  // Stopped, nothing plays: nothing to copy.
  Form1->NstopClick(Form1->Nstop);
  Form1->PopupMenu1->OnPopup(Form1->PopupMenu1);
  EXPECT_FALSE(Form1->Ncopy->Enabled());
}

namespace {
bool g_window_menu_seen = false;
void CALLBACK CloseTheWindowMenu(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND popup = FindWindowW(L"#32768", nullptr); popup && IsWindowVisible(popup)) {
    KillTimer(nullptr, id);
    g_window_menu_seen = true;
    EndMenu();
  }
}
}  // namespace

TEST_F(ListeningTest, TheWindowsMenuOpensOnTheControlStripOnly) {
  Open(Tone("name=Menu"));
  g_window_menu_seen = false;
  const UINT_PTR t = SetTimer(nullptr, 0, 50, &CloseTheWindowMenu);
  SendMessageW(Form1->SkinPanel1->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Form1->SkinPanel1->Handle()),
               MAKELPARAM(300, 300));
  PumpUntil([] { return g_window_menu_seen; }, 300);
  KillTimer(nullptr, t);
  EXPECT_TRUE(g_window_menu_seen);
  EXPECT_TRUE(Form1->Wplay->Enabled());
  EXPECT_FALSE(Form1->Wstop->Enabled());

  // Elsewhere a press moves the window, and the catalogue pane keeps its own menus.
  for (TWinControl* from : {static_cast<TWinControl*>(Form1), static_cast<TWinControl*>(Form1->Panel1),
                            static_cast<TWinControl*>(Form1->WebBrowser1)}) {
    g_window_menu_seen = false;
    const UINT_PTR t2 = SetTimer(nullptr, 0, 50, &CloseTheWindowMenu);
    SendMessageW(Form1->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(from->Handle()), MAKELPARAM(300, 300));
    PumpUntil([] { return false; }, 10);
    KillTimer(nullptr, t2);
    EXPECT_FALSE(g_window_menu_seen) << from->Name();
  }
}
