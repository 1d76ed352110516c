// Play and Stop: the glass buttons and the tray menu's first two items.
#include "app/app_state_win.h"
#include "app/unit1_win.h"
#include "catalogue/catalogue_win.h"
#include "controls/glass_button_win.h"
#include "engine/engine.h"
#include "playback/connection_win.h"
#include "playback/status_rules.h"

void TForm1::NplayClick(TObject*) {
  if (LastUrl.empty()) return;
  EngineStart();  // a stop may have silenced the output
  StartConnection(LastUrl);
  CatalogueStationPlayed(LastUrl);  // the history; never waits
  Nstop->SetEnabled(true);
  Nplay->SetEnabled(false);
  StopButton->SetEnabled(true);
  PlayButton->SetEnabled(false);
}

void TForm1::NstopClick(TObject*) {
  // The stream stays; the next start frees it.
  EngineStop();
  Nstop->SetEnabled(false);
  Nplay->SetEnabled(true);
  StopButton->SetEnabled(false);
  PlayButton->SetEnabled(true);
  SetStatus(kSlotTitle, kTitleStopped);
  TimerL->SetEnabled(false);
}

void TForm1::PlayButtonClick(TObject* sender) { NplayClick(sender); }

void TForm1::StopButtonClick(TObject* sender) { NstopClick(sender); }
