// The one-shot timer that takes the please-wait box away 4 seconds after
// start-up, whether or not the catalogue page has completed.
#include "app/unit1_win.h"

void TForm1::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  pleasewait->SetVisible(false);
  FirstPage = false;
}
