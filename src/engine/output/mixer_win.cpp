#include "engine/output/mixer_win.h"

#include <algorithm>

#include "base/thread_owned_win.h"
#include "engine/output/pcm_convert.h"

WAVEFORMATEX MixFormat(uint32_t rate) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate * 4;
  return format;
}

Mixer& Mixer::Get() {
  static Mixer mixer;
  return mixer;
}

size_t Mixer::Mix(int16_t* out, size_t frames, bool& attached) {
  std::lock_guard render(render_lock_);
  attached = false;
  if (!running_) {
    std::fill(out, out + frames * 2, int16_t{0});
    return 0;
  }
  std::vector<std::shared_ptr<PcmSource>> sources;
  {
    std::lock_guard lock(sources_lock_);
    sources = sources_;
  }
  attached = !sources.empty();
  struct Buffers {
    std::vector<int32_t> acc;
    std::vector<int16_t> one;
  };
  static ThreadOwned<Buffers> buffers;
  Buffers* held = buffers.Get();
  if (!held) {
    std::fill(out, out + frames * 2, int16_t{0});
    return 0;
  }
  std::vector<int32_t>& acc = held->acc;
  std::vector<int16_t>& one = held->one;
  acc.assign(frames * 2, 0);
  one.resize(frames * 2);
  size_t most = 0;
  for (const auto& source : sources) {
    const size_t n = std::min(source->Render(one.data(), frames), frames);
    MixAdd(one.data(), n, acc.data());
    most = std::max(most, n);
  }
  sources.clear();  // before the render lock goes: a detached source dies with its owner
  MixOut(acc.data(), frames, volume_, out);
  source_frames_ += most;
  return most;
}

bool Mixer::SetRunning(bool running) {
  if (running == running_.exchange(running)) return false;
  if (!running) std::lock_guard render(render_lock_);
  return true;
}

bool Mixer::Attach(std::shared_ptr<PcmSource> source) {
  std::lock_guard lock(sources_lock_);
  if (std::find(sources_.begin(), sources_.end(), source) != sources_.end()) return false;
  sources_.push_back(std::move(source));
  return true;
}

void Mixer::Detach(const PcmSource* source) {
  {
    std::lock_guard lock(sources_lock_);
    std::erase_if(sources_, [source](const auto& s) { return s.get() == source; });
  }
  // Wait out a mix pass that took its list before the removal (not on the
  // output thread itself, which is never inside Render when it detaches).
  if (std::this_thread::get_id() != mixing_thread_.load()) std::lock_guard render(render_lock_);
}
