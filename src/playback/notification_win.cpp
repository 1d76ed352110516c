// The main window's side of the player notification: the status texts of
// each code and the retry logic after a failed connection.
#include <string>

#include "app/app_state_win.h"
#include "app/program_win.h"
#include "app/unit1_win.h"
#include "playback/connection_win.h"
#include "playback/notification_rules.h"
#include "playback/status_rules.h"

namespace {
constexpr uint32_t kRetryWaitMs = 3000;
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_QUERYENDSESSION) return TRUE;  // the player never holds up a logoff
  if (msg == WM_ENDSESSION) {
    if (wparam) SafeCall([&] { SessionEnded(); });
    return 0;
  }
  const LRESULT result = TForm::WndProc(msg, wparam, lparam);
  if (msg == kPlayerNotification) {
    if (static_cast<uint32_t>(wparam) <= kLastPlayerCode)
      SafeCall([&] { PlayerNotification(static_cast<uint32_t>(wparam), lparam); });
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
      SetStatus(kSlotState, text);
      break;
    case kCodeBitrate:
    case kCodeServerStatus:
      SetStatus(kSlotDetail, text);
      break;
    case kCodeTitle:
      SetStatus(kSlotTitle, text);
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
