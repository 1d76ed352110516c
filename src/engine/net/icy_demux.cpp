#include "engine/net/icy_demux.h"

#include <algorithm>

void IcyDemux::Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio,
                    const MetaHandler& on_meta) {
  if (metaint_ == 0) {
    audio.insert(audio.end(), data.begin(), data.end());
    return;
  }
  size_t i = 0;
  while (i < data.size()) {
    switch (state_) {
      case State::kAudio: {
        size_t n = std::min<size_t>(audio_left_, data.size() - i);
        audio.insert(audio.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                     data.begin() + static_cast<std::ptrdiff_t>(i + n));
        audio_left_ -= static_cast<uint32_t>(n);
        i += n;
        if (audio_left_ == 0) state_ = State::kLength;
        break;
      }
      case State::kLength:
        ++blocks_;
        meta_left_ = static_cast<size_t>(data[i++]) * 16;  // at most 4080
        block_.clear();
        if (meta_left_ == 0) {
          audio_left_ = metaint_;
          state_ = State::kAudio;
        } else {
          state_ = State::kMeta;
        }
        break;
      case State::kMeta: {
        size_t n = std::min(meta_left_, data.size() - i);
        block_.append(reinterpret_cast<const char*>(data.data() + i), n);
        meta_left_ -= n;
        i += n;
        if (meta_left_ == 0) {
          EndBlock(on_meta);
          audio_left_ = metaint_;
          state_ = State::kAudio;
        }
        break;
      }
    }
  }
}

void IcyDemux::EndBlock(const MetaHandler& on_meta) {
  size_t end = block_.find_last_not_of('\0');
  if (end == std::string::npos) return;  // all padding: no news
  block_.resize(end + 1);
  if (block_ == latest_) return;
  latest_ = block_;
  if (on_meta) on_meta(latest_);
}
