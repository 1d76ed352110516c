// Decoding the committed fixtures in tests: the bytes of a fixture, an input
// that hands them out the way a download buffer does, and a whole decode.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/codecs/decoder.h"

namespace decode_fixture {

inline std::vector<uint8_t> ReadFixture(const std::string& name) {
  std::ifstream in(std::string("../../tests/fixtures/") + name, std::ios::binary);
  if (!in) in.open(std::string("tests/fixtures/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Compressed bytes handed out in slices of varying odd sizes, as a download
// buffer would; `dry_every` reads answer 0 now and then (nothing buffered).
class MemoryInput : public CompressedInput {
 public:
  explicit MemoryInput(std::vector<uint8_t> data) : data_(std::move(data)) {}
  size_t Read(uint8_t* dst, size_t size) override {
    if (++calls_ % 5 == 0) return 0;  // momentarily dry
    static constexpr size_t kSlices[] = {1, 37, 333, 1001, 4095, 7};
    const size_t n = std::min({size, kSlices[calls_ % 6], data_.size() - pos_});
    std::copy_n(data_.begin() + ptrdiff_t(pos_), n, dst);
    pos_ += n;
    return n;
  }
  bool Done() const { return pos_ == data_.size(); }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
  size_t calls_ = 0;
};

// Decodes everything on a thread of its own: the decoders start COM in the
// multithreaded apartment, which the test thread must not be put into.
inline std::vector<int16_t> DecodeAll(AudioCodec codec, std::vector<uint8_t> data) {
  return std::async(std::launch::async, [codec, &data] {
           std::vector<int16_t> pcm;
           MemoryInput input(std::move(data));
           std::unique_ptr<PcmSource> decoder = MakeDecoder(codec, input);
           if (!decoder) return pcm;
           int16_t block[2 * 777];
           int idle = 0;
           while (idle < 20) {
             const size_t n = decoder->Render(block, 777);
             pcm.insert(pcm.end(), block, block + 2 * n);
             idle = (n == 0 && input.Done()) ? idle + 1 : 0;
           }
           return pcm;
         }).get();
}

}  // namespace decode_fixture
