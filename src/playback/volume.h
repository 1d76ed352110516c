// Volume slider <-> engine master volume (portable).
#pragma once

// The slider position that shows an engine volume (0.0 .. 1.0): volume x 100
// rounded to the nearest integer, halves to the even neighbour. The product is
// formed exactly from the stored float (in double precision), so 0.125f shows
// 12 and 0.375f shows 38, and 0.015f (stored just below 0.015) shows 1.
int VolumeToPosition(float volume);

// The engine volume for a slider position: position / 100 in single precision.
float PositionToVolume(int position);
