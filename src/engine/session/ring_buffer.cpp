#include "engine/session/ring_buffer.h"

#include <algorithm>
#include <cstring>

RingBuffer::RingBuffer(size_t capacity)
    : capacity_(capacity ? capacity : 1), data_(new uint8_t[capacity_]) {}

size_t RingBuffer::Fill() const {
  // Read the consumer's total first: it never passes the producer's, so the
  // difference cannot go negative even when both move meanwhile.
  uint64_t read = read_.load(std::memory_order_acquire);
  uint64_t written = written_.load(std::memory_order_acquire);
  return static_cast<size_t>(written - read);
}

std::span<uint8_t> RingBuffer::AcquireWrite() {
  uint64_t written = written_.load(std::memory_order_relaxed);
  uint64_t read = read_.load(std::memory_order_acquire);
  size_t free_bytes = capacity_ - static_cast<size_t>(written - read);
  size_t at = static_cast<size_t>(written % capacity_);
  return {data_.get() + at, std::min(free_bytes, capacity_ - at)};
}

void RingBuffer::CommitWrite(size_t bytes) {
  uint64_t written = written_.load(std::memory_order_relaxed);
  written_.store(written + bytes, std::memory_order_release);
}

size_t RingBuffer::Write(std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    std::span<uint8_t> span = AcquireWrite();
    if (span.empty()) break;
    size_t n = std::min(span.size(), data.size() - done);
    std::memcpy(span.data(), data.data() + done, n);
    CommitWrite(n);
    done += n;
  }
  return done;
}

std::span<const uint8_t> RingBuffer::AcquireRead() {
  uint64_t read = read_.load(std::memory_order_relaxed);
  uint64_t written = written_.load(std::memory_order_acquire);
  size_t fill = static_cast<size_t>(written - read);
  size_t at = static_cast<size_t>(read % capacity_);
  return {data_.get() + at, std::min(fill, capacity_ - at)};
}

void RingBuffer::CommitRead(size_t bytes) {
  uint64_t read = read_.load(std::memory_order_relaxed);
  read_.store(read + bytes, std::memory_order_release);
}

size_t RingBuffer::Read(uint8_t* dst, size_t size) {
  size_t done = 0;
  while (done < size) {
    std::span<const uint8_t> span = AcquireRead();
    if (span.empty()) break;
    size_t n = std::min(span.size(), size - done);
    std::memcpy(dst + done, span.data(), n);
    CommitRead(n);
    done += n;
  }
  return done;
}

namespace {

uint64_t BytesPerSecond(uint32_t bits_per_second) { return (bits_per_second ? bits_per_second : 128000) / 8; }

}  // namespace

size_t StartBufferBytes(uint32_t bits_per_second) {
  constexpr uint64_t kMin = 4 * 1024;
  constexpr uint64_t kMax = 512 * 1024;
  const uint64_t bytes = BytesPerSecond(bits_per_second) * 3 / 4;
  return static_cast<size_t>(std::clamp(bytes, kMin, kMax));
}

size_t BridgeBufferBytes(uint32_t bits_per_second) {
  constexpr uint64_t kSeconds = 8;
  constexpr uint64_t kBurstRoom = 192 * 1024;
  constexpr uint64_t kMax = 4 * 1024 * 1024;
  const uint64_t bytes =
      std::max(BytesPerSecond(bits_per_second) * kSeconds, uint64_t(StartBufferBytes(bits_per_second)) + kBurstRoom);
  return static_cast<size_t>(std::min(bytes, kMax));
}

size_t StreamBufferBytes(uint32_t bits_per_second, bool played) {
  return played ? BridgeBufferBytes(bits_per_second) : StartBufferBytes(bits_per_second);
}

size_t GatherBytes(uint32_t bits_per_second) {
  constexpr uint64_t kMin = 8 * 1024;
  return static_cast<size_t>(std::max(BytesPerSecond(bits_per_second), kMin));
}
