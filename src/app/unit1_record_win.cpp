// TForm1's recording switch: the media Record key and the system's Record
// button call it. Recording itself is built apart; until it takes this
// place, the switch leaves playback alone and does nothing.
#include "app/unit1_win.h"

void TForm1::ToggleRecording() {}
