// Unit1: the main window TForm1 with its fixed layout and its life
// (creation, show, close, destruction), the hide/show and exit commands, the
// skinned frame (region, frame lines, title images, dragging) and
// WaitWithMessages.
//
// The playback handlers are in unit1_playback_win.cpp, the browser's in
// unit1_browser_win.cpp: thin calls into playback/ and browser/, which never
// see the form.
//
// Threads: window thread only, except where app_state_win.h says otherwise.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state_win.h"
#include "browser/link_rules.h"  // kPlaceholderPage
#include "playback/listening_rules.h"
#include "playback/system_media_win.h"
#include "ui/ui_win.h"

inline constexpr char kProgramTitle[] = "Волнар-радио";

class TGlassButton;
class THostedBrowser;
class TSkinPanel;
class TSkinTrackBar;
class TTrayIcon;

// A picture control that swaps its picture (and for the move handle the
// cursor) while the pointer is over it; acts on its Name.
class TImageMouse : public TImage {
 public:
  explicit TImageMouse(TComponent* owner) : TImage(owner) {}
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void ShowHover(bool hover);
};

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // ---- Layout, in stacking order ----
  TImage* Image1;
  TImage* Image2;
  TImage* Image3;
  TImage* Image4;
  TImage* Image5;
  TImage* Image6;
  TLabel* Label2;
  TLabel* Label1;
  TLabel* StatusLabel;
  THostedBrowser* WebBrowser1;
  TEdit* pleasewait;
  TPanel* Panel1;
  TImage* Image7;
  TPanel* Panel2;
  TImage* Image8;
  TSkinPanel* SkinPanel1;
  TLabel* Label3;
  TImage* Image10;
  TSkinTrackBar* SkinTrackBar1;
  TGlassButton* PlayButton;
  TGlassButton* StopButton;
  // ---- Non-visual components ----
  TPopupMenu* PopupMenu1;
  TMenuItem* Nplay;
  TMenuItem* Nstop;
  TMenuItem* Ncopy;   // "Копировать название"
  TMenuItem* Nsleep;  // "Таймер сна", a submenu
  TMenuItem* N2;
  TMenuItem* N1;
  TMenuItem* N3;
  TPopupMenu* PopupMenu2;
  TMenuItem* N5;
  TMenuItem* N4;
  TMenuItem* N6;
  TMenuItem* Nrecord;   // the tray menu's "Запись"
  TMenuItem* N7;        // the window's menu: separator
  TMenuItem* Nrecord2;  // the window's menu's "Запись"
  // The window's own menu (a right click on the control strip, or the
  // keyboard's menu key).
  TPopupMenu* PopupMenu3;
  TMenuItem* Wplay;
  TMenuItem* Wstop;
  TMenuItem* Wrecord;
  TMenuItem* Wcopy;
  TMenuItem* Wsleep;
  TTrayIcon* TrayIcon1;
  TTimer* Timer1;
  TTimer* TimerL;
  TTimer* TimerSleep;  // the sleep timer's ticks: 1 s, 100 ms while it fades
  // Made by FormCreate.
  TImageMouse* image11 = nullptr;
  TImageMouse* image12 = nullptr;
  TImageMouse* image13 = nullptr;

  // ---- Life ----
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormDestroy(TObject* sender);
  void FormPaint(TObject* sender);

  // ---- Commands ----
  void N1Click(TObject* sender);  // hide/show
  void N3Click(TObject* sender);  // exit
  void TrayIcon1DblClick(TObject* sender);
  void ApplicationEvents1Minimize(TObject* sender);
  void ApplicationEvents1Restore(TObject* sender);

  // ---- Skinned frame ----
  void TitleImageMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void Image7MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void Image8MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MinimizeImageMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void CloseImageMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

  // ---- Playback (unit1_playback_win.cpp) ----
  void NplayClick(TObject* sender);   // play the last station address
  void NstopClick(TObject* sender);   // silence the output
  void PlayButtonClick(TObject* sender);
  void StopButtonClick(TObject* sender);
  // Status slots: 0 track title, 1 state, 2 detail, -1 reset. Recomposes the
  // status line, the application title and the tray hint.
  void SetStatus(int slot, const std::string& text);
  void TimerLTimer(TObject* sender);  // the title marquee
  void SkinTrackBar1Change(TObject* sender);

  // ---- Recording (unit1_record_win.cpp) ----
  // Record: starts recording what plays, or stops the recording. The menus'
  // items and the media Record key call it.
  void ToggleRecording();
  void NrecordClick(TObject* sender);
  void RecordingStopped();  // a recording stopped by itself: its note shows
  // The recording's mark or note in the status line and the tray hint, and
  // the menus' checks.
  void ShowRecordState();
  // ---- Media keys, system media controls, sleep timer (unit1_listening_win.cpp) ----
  // One media command: from WM_APPCOMMAND, a global hot key or the system's
  // media controls.
  void MediaCommand(MediaAction action);
  // Playing as the transport sees it: Stop is what can be pressed.
  bool Playing() const;
  void NcopyClick(TObject* sender);  // "station - title" to the clipboard
  // Sleep timer: `minutes` from now (0 = off). At its end the volume has
  // faded out over the last 30 s; the player stops, the volume comes back
  // for the next start, and with the setting "sleepquit" = "1" the program ends.
  void SetSleepTimer(int minutes);
  // Moves a running timer's end to `ms` from now (the choice stays checked).
  void SetSleepTimerEndingIn(uint32_t ms);
  int SleepMinutes() const { return sleep_minutes_; }
  uint32_t SleepRemainingMs() const;
  void TimerSleepTimer(TObject* sender);
  void NsleepQuitClick(TObject* sender);
  bool SleepQuits() const;
  // Shows the window's menu at (x, y), screen coordinates.
  void ShowWindowMenu(int x, int y);
  const std::string& StationName() const { return station_name_; }
  SystemMediaControls& MediaControls() { return media_controls_; }
  // The hot keys this run holds (a key another program holds is not ours).
  bool HoldsHotKey(int id) const { return id >= 1 && id <= 2 && hot_keys_[id - 1]; }
  // Posted by the system's media controls: wParam = the button.
  static constexpr UINT kMsgMediaButton = WM_APP + 0x140;
  static constexpr int kHotKeyPlayPause = 1;
  static constexpr int kHotKeyStop = 2;

  // ---- Catalogue browser (unit1_browser_win.cpp) ----
  void WebBrowser0BeforeNavigate2(TObject* sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                  VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                  VARIANT_BOOL* Cancel);
  void WebBrowser0DocumentComplete(TObject* sender, IDispatch* pDisp, VARIANT* URL);
  void Timer1Timer(TObject* sender);
  void PopupMenu2Popup(TObject* sender);  // the edit menu's enabled states
  void N5Click(TObject* sender);          // cut
  void N4Click(TObject* sender);          // copy
  void N6Click(TObject* sender);          // paste

 protected:
  // Every message goes to the form's normal handling first; then connection
  // reports and the player notification are acted on (unit1_playback_win.cpp).
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;

 private:
  // Windows ends the logon: what a close saves is saved now (the process may
  // end at any moment after WM_ENDSESSION returns), once.
  void SessionEnded();
  void PlayerNotification(uint32_t code, LPARAM param);
  void RetryAfterFailure();  // the reaction to a failed connection
  bool closed_ = false;      // FormClose has run: the program is ending
  std::string record_note_;  // why the last recording stopped by itself, or could not start
  void BuildLayout();
  void MakeRegion();       // creation step 7
  void MakeTitleImages();  // creation step 8
  void StartEngine();      // creation step 10
  void MoveWindowByMouse();
  void SetUpBrowser();     // the browser's settings and handlers
  // unit1_listening_win.cpp
  void BuildListeningMenus();
  void MakeSleepMenu(TMenuItem* heading);
  void ListeningMenuPopup(TObject* sender);
  void StartListening();   // hot keys and the system's media controls
  void StopListening();
  bool ListeningMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  void UpdateTrayHint();   // the status text and the sleep timer's line
  void UpdateMediaControls();
  void EndSleepTimer();
  float SleepShareNow() const;
  std::string CopyTitleText() const;

  std::string station_name_;     // the current station's name (CP1251), empty when none
  std::string hint_status_ = kProgramTitle;  // the status part of the tray hint
  std::string sleep_line_;       // the timer's line now in the tray hint
  MuteMemory mute_;
  SystemMediaControls media_controls_;
  bool hot_keys_[2] = {false, false};
  int sleep_minutes_ = 0;        // the chosen timer, 0 = off
  uint64_t sleep_deadline_ = 0;  // GetTickCount64 at its end
  std::vector<std::pair<TMenuItem*, int>> sleep_items_;  // choice items with their minutes
  std::vector<TMenuItem*> sleep_quit_items_;
};

// Waits `ms` milliseconds while handling the thread's window messages:
// (ms div 10) + 1 alertable 1 ms sleeps, each followed by handling all pending
// messages, then handling messages until ms mod 10 more milliseconds have
// passed on the tick count (or the tick count wrapped). Any handler, including
// the window's close, may run inside; callers re-check their state after it.
void WaitWithMessages(uint32_t ms);

