// The seam between streams and the output: a stream that plays hands the output
// a PcmSource, and the output thread pulls mixed audio from every attached one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Output format of the engine: 16-bit signed, interleaved stereo, at the rate
// given to EngineInit (44100 Hz in the program).
class PcmSource {
 public:
  virtual ~PcmSource() = default;
  // Called on the output thread only. Writes up to `frames` stereo frames into
  // `out` and returns how many it wrote; fewer means nothing more is ready now
  // (the output fills the rest with silence). Never blocks on the network.
  virtual size_t Render(int16_t* out, size_t frames) = 0;
};

// Implemented by the output (output_win.cpp). Any thread.
// Adds a source to the mix; a source already attached is not added twice.
void OutputAttach(std::shared_ptr<PcmSource> source);
// Removes a source; when it returns, the output thread is not inside its Render
// and will never call it again.
void OutputDetach(const PcmSource* source);
// The output rate in Hz (0 before EngineInit).
uint32_t OutputRate();
// Frames written to the device that carry audio rendered by a source (frames of
// silence while nothing plays or while stopped are not counted). For tests and
// benchmarks: the moment this moves is the moment the first sample plays.
uint64_t OutputSourceFramesWritten();
