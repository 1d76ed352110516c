// TForm1's playback handlers: the player notification and the retries after
// a failed connection, Play and Stop, the status setter with the title
// marquee, and the volume slider. Thin calls into playback/.
#include <string>

#include "app/app_state_win.h"
#include "app/program_win.h"
#include "app/unit1_win.h"
#include "catalogue/catalogue_win.h"
#include "controls/glass_button_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "playback/connection_rules.h"
#include "playback/connection_win.h"
#include "playback/notification_rules.h"
#include "playback/recorder_win.h"
#include "playback/record_rules.h"
#include "playback/status_rules.h"
#include "playback/volume.h"
#include "tray/tray_icon_win.h"

namespace {
constexpr uint32_t kRetryWaitMs = 3000;
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_QUERYENDSESSION) return TRUE;  // the player never holds up a logoff
  // Media commands, hot keys and the window's menu: a media command left to
  // the default handling would also reach the system (which would, for one,
  // change the system's volume as well as ours).
  if (LRESULT handled = 0; ListeningMessage(msg, wparam, lparam, handled)) return handled;
  if (msg == WM_ENDSESSION) {
    if (wparam) SafeCall([&] { SessionEnded(); });
    return 0;
  }
  const LRESULT result = TForm::WndProc(msg, wparam, lparam);
  if (msg == kCataloguePlayMessage) {
    // A page in an external browser asked to play a station: as a play: link does.
    if (std::optional<std::string> address = TakeCataloguePlayRequest(); address && !closed_) {
      SafeCall([&] {
        LastUrl = *address;
        ConnectAttempts = 1;
        NplayClick(this);
      });
    }
  } else if (msg == kPlayerNotification) {
    // Compared at the message's full width: a 64-bit WPARAM whose low half is a
    // code is not that code.
    if (wparam <= kLastPlayerCode)
      SafeCall([&] { PlayerNotification(static_cast<uint32_t>(wparam), lparam); });
  } else if (msg == kMsgRecordingStopped) {
    SafeCall([&] { RecordingStopped(); });
  } else {
    HandleConnectionReport(Handle(), msg, wparam, lparam);
  }
  return result;
}

void TForm1::PlayerNotification(uint32_t code, LPARAM param) {
  // The sender's text lives only while this message is handled: copy it first.
  const std::string text =
      CodeCarriesText(code) && param ? std::string(reinterpret_cast<const char*>(param)) : std::string();
  switch (code) {
    case kCodeConnecting:
      station_name_.clear();
      SetStatus(kSlotTitle, "");
      SetStatus(kSlotDetail, "");
      SetStatus(kSlotState, kStateConnecting);
      break;
    case kCodeFailed:
      RetryAfterFailure();
      break;
    case kCodeBuffering:
      SetStatus(kSlotState, BufferingText(static_cast<uint32_t>(param)));
      break;
    case kCodeStationName:
      station_name_ = text;
      SetStatus(kSlotState, text);
      break;
    case kCodeBitrate:
    case kCodeServerStatus:
      SetStatus(kSlotDetail, text);
      break;
    case kCodeTitle:
      SetStatus(kSlotTitle, text);
      CatalogueTitleHeard(LastUrl, text);  // the titles heard; never waits
      if (Label1->Caption() == kStateConnecting) SetStatus(kSlotState, kStatePlaying);
      break;
    default:
      break;  // 5 and 6 are not used
  }
}

void TForm1::RetryAfterFailure() {
  if (closed_) return;  // the program is ending: no more attempts, no box
  SetStatus(kSlotState, kStateNoStream);
  SetStatus(kSlotReset, "");
  const RetryStep step = NextRetry(ConnectAttempts);
  if (step.give_up) {
    ShowMessageBox(MainWindowHandle, kNoPlayText, nullptr, MB_OK);
    return;
  }
  SetStatus(kSlotState, step.text);
  TForm1* const self = this;
  WaitWithMessages(kRetryWaitMs);
  // The window may have been closed meanwhile: then the program is ending and
  // nothing more is started (nor is the window touched if it is gone).
  if (Form1 != self || closed_) return;
  NplayClick(this);
}

// ---- Play and Stop: the glass buttons and the tray menu's first two items ----

void TForm1::NplayClick(TObject*) {
  if (LastUrl.empty()) return;
  if (Recording()) ToggleRecording();  // a recording is of one station's stream
  record_note_.clear();
  EngineStart();  // a stop may have silenced the output
  // A stream without icy-name shows the name the catalogue knows for it.
  StartConnection(Handle(), LastUrl, StationTextToCp1251(CatalogueStationName(LastUrl)));
  CatalogueStationPlayed(LastUrl);  // the history; never waits
  Nstop->SetEnabled(true);
  Nplay->SetEnabled(false);
  StopButton->SetEnabled(true);
  PlayButton->SetEnabled(false);
  UpdateMediaControls();
}

void TForm1::NstopClick(TObject*) {
  // The stream stays; the next start frees it.
  EngineStop();
  if (Recording()) ToggleRecording();
  Nstop->SetEnabled(false);
  Nplay->SetEnabled(true);
  StopButton->SetEnabled(false);
  PlayButton->SetEnabled(true);
  SetStatus(kSlotTitle, kTitleStopped);
  TimerL->SetEnabled(false);
}

void TForm1::PlayButtonClick(TObject* sender) { NplayClick(sender); }

void TForm1::StopButtonClick(TObject* sender) { NstopClick(sender); }

// ---- The status setter and the title marquee ----

void TForm1::SetStatus(int slot, const std::string& text) {
  StatusSlots slots{StatusLabel->Caption(), Label1->Caption(), Label2->Caption()};
  WriteSlot(slots, slot, text);
  if (slots.title != StatusLabel->Caption()) StatusLabel->SetCaption(slots.title);
  if (slots.state != Label1->Caption()) Label1->SetCaption(slots.state);
  if (slots.detail != Label2->Caption()) Label2->SetCaption(slots.detail);
  Label3->SetCaption(WithRecordMark(StatusLine(slots), Recording(), record_note_));

  // The tray hint takes the title as the application's window reads it back
  // (at most 255 characters).
  if (slot == kSlotReset) {
    TimerL->SetEnabled(false);
    Application.SetTitle(kResetTitle);
    hint_status_ = WithRecordMark(Application.Title(), Recording(), {});
    UpdateTrayHint();
  }
  if (std::optional<std::string> title = MarqueeTitle(slots)) {
    Application.SetTitle(*title);
    hint_status_ = WithRecordMark(Application.Title(), Recording(), {});
    UpdateTrayHint();
    TimerL->SetEnabled(true);
  }
  UpdateMediaControls();
}

void TForm1::TimerLTimer(TObject*) { Application.SetTitle(RotateLeft(Application.Title())); }

// ---- The volume slider ----

void TForm1::SkinTrackBar1Change(TObject*) {
  // While the sleep timer fades, the new volume fades with it.
  EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()) * SleepShareNow());
}
