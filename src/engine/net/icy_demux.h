// Separates ICY metadata from the audio of a stream whose answer carried
// "icy-metaint: N": N audio bytes, one length byte L, L*16 bytes of metadata
// text (padded with zero bytes), N audio bytes again, and so on. A push parser
// in three states; feed it the body in chunks of any size. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class IcyDemux {
 public:
  // `metaint`: audio bytes between metadata blocks; 0 = the stream has none
  // and every byte is audio.
  explicit IcyDemux(uint32_t metaint) : metaint_(metaint), audio_left_(metaint) {}

  // Called with each metadata block that is not empty and differs from the one
  // before, byte for byte as sent but without its zero padding.
  using MetaHandler = std::function<void(const std::string& text)>;

  // Appends the audio bytes of `data` to `audio`; metadata goes to `on_meta`.
  void Feed(std::span<const uint8_t> data, std::vector<uint8_t>& audio,
            const MetaHandler& on_meta);

  // The newest non-empty block (padding removed); empty until one arrived.
  const std::string& latest() const { return latest_; }
  uint64_t blocks() const { return blocks_; }  // length bytes seen, 0 included

 private:
  enum class State { kAudio, kLength, kMeta };

  void EndBlock(const MetaHandler& on_meta);

  const uint32_t metaint_;  // bytes of audio between blocks, 0 = none
  State state_ = State::kAudio;
  uint32_t audio_left_;     // audio bytes before the next length byte
  size_t meta_left_ = 0;    // metadata bytes still to come in this block
  std::string block_;       // the block being received
  std::string latest_;
  uint64_t blocks_ = 0;
};
