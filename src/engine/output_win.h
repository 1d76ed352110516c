// The sound output behind the engine's start-up calls (engine_win.cpp): WASAPI for
// the default device, waveOut for a numbered one or when WASAPI cannot open.
// Every function may be called from any thread.
#pragma once

#include <cstdint>

// Opens `device` (-1 = the default) at `rate` Hz, 16-bit stereo, and starts the
// output thread. Returns kErrorOk or the engine error code.
int OutputOpen(int device, uint32_t rate);
// Stops the thread and closes the device. Attached sources stay attached.
void OutputClose();
bool OutputIsOpen();
// Running: sources are rendered and mixed. Stopped: the device plays silence
// and no source is asked for audio; audio already queued is dropped.
void OutputSetRunning(bool running);
bool OutputRunning();
void OutputSetVolume(float volume);  // 0.0 .. 1.0, applied in the mix
float OutputVolume();
