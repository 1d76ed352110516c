// TForm1's handlers for what a listener leaves the player running for: the
// keyboard's media commands (in the window and, as global hot keys, while
// another program is in front), the system's media controls, the sleep timer
// with its fade, "Копировать название" and the window's own menu. Thin calls
// into playback/.
#include <windowsx.h>

#include <string>

#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "playback/notification_rules.h"
#include "playback/status_rules.h"
#include "playback/volume.h"
#include "playback/winrt_media_win.h"
#include "tray/tray_icon_win.h"
#include "ui/clipboard_win.h"

namespace {

constexpr char kSleepQuitSetting[] = "sleepquit";
constexpr UINT kSleepTickMs = 1000;
constexpr UINT kSleepFadeTickMs = 100;

TMenuItem* NewListeningItem(TForm1* form, const char* name, const char* caption) {
  TMenuItem* item = new TMenuItem(form);
  if (name) item->SetName(name);
  item->SetCaption(caption);
  return item;
}

}  // namespace

// ---- Menus ----

void TForm1::BuildListeningMenus() {
  Ncopy = NewListeningItem(this, "Ncopy", "Копировать название");
  Ncopy->OnClick = [this](TObject* s) { NcopyClick(s); };
  Nsleep = NewListeningItem(this, "Nsleep", "Таймер сна");
  MakeSleepMenu(Nsleep);

  PopupMenu3 = new TPopupMenu(this);
  PopupMenu3->SetName("PopupMenu3");
  Wplay = NewListeningItem(this, "Wplay", "Вкл. последнее радио");
  Wplay->OnClick = [this](TObject* s) { NplayClick(s); };
  Wstop = NewListeningItem(this, "Wstop", "Остановить");
  Wstop->OnClick = [this](TObject* s) { NstopClick(s); };
  Wrecord = NewListeningItem(this, "Wrecord", "Запись");
  Wrecord->OnClick = [this](TObject* s) { NrecordClick(s); };
  Wcopy = NewListeningItem(this, "Wcopy", "Копировать название");
  Wcopy->OnClick = [this](TObject* s) { NcopyClick(s); };
  Wsleep = NewListeningItem(this, "Wsleep", "Таймер сна");
  MakeSleepMenu(Wsleep);
  PopupMenu3->Add(Wplay);
  PopupMenu3->Add(Wstop);
  PopupMenu3->Add(Wrecord);
  PopupMenu3->Add(NewListeningItem(this, nullptr, "-"));
  PopupMenu3->Add(Wcopy);
  PopupMenu3->Add(Wsleep);

  PopupMenu1->OnPopup = [this](TObject* s) { ListeningMenuPopup(s); };
  PopupMenu3->OnPopup = [this](TObject* s) { ListeningMenuPopup(s); };

  TimerSleep = new TTimer(this);
  TimerSleep->SetName("TimerSleep");
  TimerSleep->SetEnabled(false);
  TimerSleep->SetInterval(kSleepTickMs);
  TimerSleep->OnTimer = [this](TObject* s) { TimerSleepTimer(s); };
}

void TForm1::MakeSleepMenu(TMenuItem* heading) {
  for (int minutes : kSleepChoicesMinutes) {
    TMenuItem* item = NewListeningItem(this, nullptr, (std::to_string(minutes) + " минут").c_str());
    item->OnClick = [this, minutes](TObject*) { SetSleepTimer(minutes); };
    heading->Add(item);
    sleep_items_.emplace_back(item, minutes);
  }
  TMenuItem* off = NewListeningItem(this, nullptr, "Выключен");
  off->OnClick = [this](TObject*) { SetSleepTimer(0); };
  off->SetChecked(true);
  heading->Add(off);
  sleep_items_.emplace_back(off, 0);
  heading->Add(NewListeningItem(this, nullptr, "-"));
  TMenuItem* quit = NewListeningItem(this, nullptr, "Затем выйти из программы");
  quit->OnClick = [this](TObject* s) { NsleepQuitClick(s); };
  heading->Add(quit);
  sleep_quit_items_.push_back(quit);
}

void TForm1::ListeningMenuPopup(TObject*) {
  // The window's menu offers Play and Stop as the tray's items do.
  Wplay->SetEnabled(Nplay->Enabled());
  Wstop->SetEnabled(Nstop->Enabled());
  const bool can_copy = !CopyTitleText().empty();
  Ncopy->SetEnabled(can_copy);
  Wcopy->SetEnabled(can_copy);
  const bool quits = SleepQuits();
  for (TMenuItem* item : sleep_quit_items_) item->SetChecked(quits);
}

void TForm1::ShowWindowMenu(int x, int y) {
  PopupMenu3->SetPopupComponent(this);
  PopupMenu3->Popup(x, y);
}

// ---- "Копировать название" ----

std::string TForm1::CopyTitleText() const {
  if (!Playing()) return {};
  const std::string& title = StatusLabel->Caption();
  return StationAndTitle(station_name_, title == kTitleStopped ? std::string() : title);
}

void TForm1::NcopyClick(TObject*) {
  const std::string text = CopyTitleText();
  if (!text.empty()) (void)CopyTextToClipboard(Handle(), text);
}

// ---- Media commands ----

bool TForm1::Playing() const { return Nstop->Enabled(); }

void TForm1::MediaCommand(MediaAction action) {
  if (action == MediaAction::kToggle) action = ResolveToggle(Playing());
  switch (action) {
    case MediaAction::kPlay:
      if (!Playing()) NplayClick(Nplay);
      break;
    case MediaAction::kStop:
      if (Playing()) NstopClick(Nstop);
      break;
    case MediaAction::kVolumeUp:
    case MediaAction::kVolumeDown:
      // Through the slider, so it shows the new volume and sets the engine's.
      SkinTrackBar1->SetPosition(
          VolumeAfterKey(SkinTrackBar1->Position(), action == MediaAction::kVolumeUp ? 1 : -1));
      break;
    case MediaAction::kMute:
      SkinTrackBar1->SetPosition(PositionAfterMute(SkinTrackBar1->Position(), mute_));
      break;
    case MediaAction::kRecord:
      ToggleRecording();
      break;
    default:
      break;
  }
}

void TForm1::StartListening() {
  // A key that another program already holds stays with it: no message.
  hot_keys_[kHotKeyPlayPause - 1] =
      RegisterHotKey(Handle(), kHotKeyPlayPause, MOD_NOREPEAT, VK_MEDIA_PLAY_PAUSE) != FALSE;
  hot_keys_[kHotKeyStop - 1] = RegisterHotKey(Handle(), kHotKeyStop, MOD_NOREPEAT, VK_MEDIA_STOP) != FALSE;
  // The controls go with the window of the taskbar button. Where the system
  // has none (before Windows 10, under Wine) the player goes on without them.
  (void)media_controls_.Attach(Application.Handle(), Handle(), kMsgMediaButton);
  UpdateMediaControls();
}

void TForm1::StopListening() {
  for (int id : {kHotKeyPlayPause, kHotKeyStop}) {
    if (hot_keys_[id - 1] && HandleAllocated()) UnregisterHotKey(Handle(), id);
    hot_keys_[id - 1] = false;
  }
  media_controls_.Detach();
}

bool TForm1::ListeningMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (msg) {
    case WM_APPCOMMAND: {
      const MediaAction action = ActionForAppCommand(GET_APPCOMMAND_LPARAM(lparam));
      if (action == MediaAction::kNone) return false;
      SafeCall([&] { MediaCommand(action); });
      result = TRUE;  // handled: the system does not act on it as well
      return true;
    }
    case WM_HOTKEY:
      if (wparam == kHotKeyPlayPause) SafeCall([&] { MediaCommand(MediaAction::kToggle); });
      else if (wparam == kHotKeyStop) SafeCall([&] { MediaCommand(MediaAction::kStop); });
      else return false;
      result = 0;
      return true;
    case kMsgMediaButton: {
      MediaAction action = MediaAction::kNone;
      switch (static_cast<int32_t>(wparam)) {
        case winrt_media::kButtonPlay: action = MediaAction::kPlay; break;
        case winrt_media::kButtonPause:
        case winrt_media::kButtonStop: action = MediaAction::kStop; break;
        case winrt_media::kButtonRecord: action = MediaAction::kRecord; break;
        default: break;
      }
      SafeCall([&] { MediaCommand(action); });
      result = 0;
      return true;
    }
    case WM_CONTEXTMENU: {
      // The menu belongs to the control strip (a right click on the status
      // line, the buttons or the slider) and to the keyboard's menu key. The
      // frame, the logo and the header pictures move the window with any
      // button, and the catalogue pane keeps its own menus.
      const HWND from = reinterpret_cast<HWND>(wparam);
      const HWND strip = SkinPanel1->HandleAllocated() ? SkinPanel1->Handle() : nullptr;
      if (lparam != -1 && (!strip || (from != strip && !IsChild(strip, from)))) return false;
      POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (lparam == -1) {  // the keyboard's menu key: at the status line
        at = {Label3->Left() + SkinPanel1->Left(), SkinPanel1->Top() + SkinPanel1->Height()};
        ::ClientToScreen(Handle(), &at);
      }
      SafeCall([&] { ShowWindowMenu(at.x, at.y); });
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

void TForm1::UpdateMediaControls() {
  if (!media_controls_.Active()) return;
  const std::string& title = StatusLabel->Caption();
  media_controls_.Show(Playing(), station_name_.empty() ? std::string(kProgramTitle) : station_name_,
                       title == kTitleStopped ? std::string() : title);
}

// ---- Sleep timer ----

uint32_t TForm1::SleepRemainingMs() const {
  if (sleep_minutes_ == 0) return 0;
  const uint64_t now = GetTickCount64();
  return now >= sleep_deadline_ ? 0 : static_cast<uint32_t>(sleep_deadline_ - now);
}

float TForm1::SleepShareNow() const {
  return sleep_minutes_ == 0 ? 1.0f : SleepFadeShare(SleepRemainingMs());
}

void TForm1::SetSleepTimer(int minutes) {
  for (auto& [item, choice] : sleep_items_) item->SetChecked(choice == minutes);
  if (minutes == 0) {
    const bool was_fading = SleepShareNow() < 1.0f;
    sleep_minutes_ = 0;
    TimerSleep->SetEnabled(false);
    if (was_fading) EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()));
    UpdateTrayHint();
    return;
  }
  sleep_minutes_ = minutes;
  SetSleepTimerEndingIn(static_cast<uint32_t>(minutes) * 60000u);
}

void TForm1::SetSleepTimerEndingIn(uint32_t ms) {
  if (sleep_minutes_ == 0) return;
  sleep_deadline_ = GetTickCount64() + ms;
  // A fade under way (a new choice made during it) starts over from full.
  EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()) * SleepShareNow());
  TimerSleep->SetInterval(ms <= kSleepFadeMs ? kSleepFadeTickMs : kSleepTickMs);
  TimerSleep->SetEnabled(true);
  UpdateTrayHint();
}

void TForm1::TimerSleepTimer(TObject*) {
  const uint32_t remaining = SleepRemainingMs();
  if (remaining == 0) {
    EndSleepTimer();
    return;
  }
  if (remaining <= kSleepFadeMs) {
    EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()) * SleepFadeShare(remaining));
    if (TimerSleep->Interval() != kSleepFadeTickMs) TimerSleep->SetInterval(kSleepFadeTickMs);
  }
  UpdateTrayHint();
}

void TForm1::EndSleepTimer() {
  TimerSleep->SetEnabled(false);
  sleep_minutes_ = 0;
  for (auto& [item, choice] : sleep_items_) item->SetChecked(choice == 0);
  if (Playing()) NstopClick(Nstop);
  // Silence first, then the listener's volume back for the next start.
  EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()));
  UpdateTrayHint();
  if (SleepQuits()) Close();
}

bool TForm1::SleepQuits() const {
  try {
    return ReadSetting(kSleepQuitSetting) == "1";
  } catch (const ESettingsError&) {
    return false;  // a value of the wrong type: the timer only stops
  }
}

void TForm1::NsleepQuitClick(TObject*) {
  const bool quits = !SleepQuits();
  WriteSetting(kSleepQuitSetting, quits ? "1" : "0");
  for (TMenuItem* item : sleep_quit_items_) item->SetChecked(quits);
}

void TForm1::UpdateTrayHint() {
  sleep_line_ = sleep_minutes_ == 0 ? std::string() : SleepTimerText(SleepRemainingMs());
  const std::string hint = HintWithTimer(hint_status_, sleep_line_, kTrayTipChars);
  if (hint != TrayIcon1->Hint()) TrayIcon1->SetHint(hint);
}
