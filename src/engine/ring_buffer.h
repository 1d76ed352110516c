// A single-producer, single-consumer byte ring with explicit acquire/commit,
// and the rule that sizes a stream's download buffer. Portable.
//
// The producer (a stream's download thread) and the consumer (the decoder on
// the output thread) each own one 64-bit running total; the fill is their
// difference, so no lock is needed and the totals double as the stream's
// downloaded and decoded byte counts.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class RingBuffer {
 public:
  explicit RingBuffer(size_t capacity);
  RingBuffer(const RingBuffer&) = delete;
  RingBuffer& operator=(const RingBuffer&) = delete;

  size_t Capacity() const { return capacity_; }
  // Bytes committed by the producer / consumer since creation.
  uint64_t TotalWritten() const { return written_.load(std::memory_order_acquire); }
  uint64_t TotalRead() const { return read_.load(std::memory_order_acquire); }
  // Bytes written and not yet read (any thread; a snapshot).
  size_t Fill() const;

  // Producer thread only. The largest contiguous free span (may be shorter than
  // the free space when it wraps; empty when full). Commit at most its size.
  std::span<uint8_t> AcquireWrite();
  void CommitWrite(size_t bytes);
  // Copies as much of `data` as fits; returns the bytes taken.
  size_t Write(std::span<const uint8_t> data);

  // Consumer thread only. The largest contiguous readable span.
  std::span<const uint8_t> AcquireRead();
  void CommitRead(size_t bytes);
  // Copies up to `size` bytes into `dst`; returns the bytes copied.
  size_t Read(uint8_t* dst, size_t size);

 private:
  const size_t capacity_;
  std::unique_ptr<uint8_t[]> data_;
  std::atomic<uint64_t> written_{0};  // stored by the producer only
  std::atomic<uint64_t> read_{0};     // stored by the consumer only
};

// Download buffer size for a stream of `bits_per_second` (0 = unknown: taken as
// 128 kbit/s): two seconds of audio, at least 16 KiB, at most 1 MiB.
//
// Why two seconds: the program starts the output once the buffer is more than
// 75 % full. On a server that paces its stream at the bit rate, that wait is
// 1.5 s, close to the ~1 s start that listeners compare players by; a server
// that bursts on connect fills it at once. Once playing, the same 1.5-2 s of
// audio bridges a network stall of that length without a gap. Longer buffers
// would delay every start on non-bursting servers by the same factor.
size_t DownloadBufferBytes(uint32_t bits_per_second);

// The whole download buffer of a stream that plays: once playback has started
// the buffer may fill past DownloadBufferBytes, so that a server's burst on
// (re)connect is kept rather than refused, and a short outage is bridged from
// it. Eight seconds of audio, and at least the start buffer plus 192 KiB (a
// burst is a byte count: at low bit rates it holds many seconds); at most 4 MiB.
size_t BridgeBufferBytes(uint32_t bits_per_second);
