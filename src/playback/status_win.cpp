// The status setter and the title marquee of the main window.
#include "app/unit1_win.h"
#include "playback/status_rules.h"
#include "tray/tray_icon_win.h"

void TForm1::SetStatus(int slot, const std::string& text) {
  StatusSlots slots{StatusLabel->Caption(), Label1->Caption(), Label2->Caption()};
  WriteSlot(slots, slot, text);
  if (slots.title != StatusLabel->Caption()) StatusLabel->SetCaption(slots.title);
  if (slots.state != Label1->Caption()) Label1->SetCaption(slots.state);
  if (slots.detail != Label2->Caption()) Label2->SetCaption(slots.detail);
  Label3->SetCaption(StatusLine(slots));

  // The tray hint takes the title as the application's window reads it back
  // (at most 255 characters).
  if (slot == kSlotReset) {
    TimerL->SetEnabled(false);
    Application.SetTitle(kResetTitle);
    TrayIcon1->SetHint(Application.Title());
  }
  if (std::optional<std::string> title = MarqueeTitle(slots)) {
    Application.SetTitle(*title);
    TrayIcon1->SetHint(Application.Title());
    TimerL->SetEnabled(true);
  }
}

void TForm1::TimerLTimer(TObject*) { Application.SetTitle(RotateLeft(Application.Title())); }
