// The volume slider's change handler.
#include "app/unit1_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/engine.h"
#include "playback/volume.h"

void TForm1::SkinTrackBar1Change(TObject*) {
  EngineSetVolume(PositionToVolume(SkinTrackBar1->Position()));
}
