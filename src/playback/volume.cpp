#include "playback/volume.h"

#include "base/rounding.h"

int VolumeToPosition(float volume) {
  // float x 100 is exact in double (24 + 7 significant bits), so no second
  // rounding happens before the halves-to-even rule.
  return RoundHalfEven(static_cast<double>(volume) * 100.0);
}

float PositionToVolume(int position) { return static_cast<float>(position) / 100.0f; }
