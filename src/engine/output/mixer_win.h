// The output's mix: every attached PcmSource summed with the master volume into
// the one format the devices are fed. The sources, the volume and the running
// flag belong to the mix, not to a device, so that a device that goes away
// loses none of them.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/output/pcm_source.h"

// The one format the mix produces: 16-bit stereo PCM at `rate`.
WAVEFORMATEX MixFormat(uint32_t rate);

class Mixer {
 public:
  // The program's one mix. Made on first use: an object that uses it from a
  // thread of its own calls this in its constructor, so that the mix outlives
  // it when the program ends.
  static Mixer& Get();

  // The output thread. One buffer's worth of mixed audio. Returns how many of
  // its frames carry a source's audio (0: silence only); `attached`: whether
  // any source was asked.
  size_t Mix(int16_t* out, size_t frames, bool& attached);
  // The output thread, as it starts (its own id) and as it ends (an empty id).
  void SetMixingThread(std::thread::id id) { mixing_thread_ = id; }

  // Any thread. False: it was so already. A stop returns once no Render is in
  // progress, and none starts until the next start.
  bool SetRunning(bool running);
  bool Running() const { return running_; }
  void SetVolume(float volume) { volume_ = volume; }
  float Volume() const { return volume_; }
  // False: the source was attached already.
  bool Attach(std::shared_ptr<PcmSource> source);
  // When it returns, no mix is inside the source's Render, and none will call it.
  void Detach(const PcmSource* source);
  uint64_t SourceFrames() const { return source_frames_; }

 private:
  Mixer() = default;

  std::mutex sources_lock_;
  std::vector<std::shared_ptr<PcmSource>> sources_;  // protected by sources_lock_
  // Held by the output thread for a whole mix pass, so that Detach can wait for
  // a pass that may still be inside the source's Render.
  std::mutex render_lock_;
  std::atomic<std::thread::id> mixing_thread_{};

  std::atomic<bool> running_{true};
  std::atomic<float> volume_{1.0f};
  std::atomic<uint64_t> source_frames_{0};
};
