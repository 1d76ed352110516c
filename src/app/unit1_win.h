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

#include "app/app_state_win.h"
#include "browser/link_rules.h"  // kPlaceholderPage
#include "ui/ui_win.h"

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
  TTrayIcon* TrayIcon1;
  TTimer* Timer1;
  TTimer* TimerL;
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
};

// Waits `ms` milliseconds while handling the thread's window messages:
// (ms div 10) + 1 alertable 1 ms sleeps, each followed by handling all pending
// messages, then handling messages until ms mod 10 more milliseconds have
// passed on the tick count (or the tick count wrapped). Any handler, including
// the window's close, may run inside; callers re-check their state after it.
void WaitWithMessages(uint32_t ms);

inline constexpr char kProgramTitle[] = "Волнар-радио";
