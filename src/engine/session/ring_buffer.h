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

// The download buffer of a stream, as it grows: what it may hold, which is
// also the total length it reports (kFilePosTotal), before and during playback.
// A bit rate of 0 (unknown) is taken as 128 kbit/s.
//
// Before playback: the start buffer, three quarters of a second of audio at the
// bit rate, at least 4 KiB, at most 512 KiB. The program starts the output once
// the buffer is more than 75 % full; on a server that paces its stream at the
// bit rate that wait is about 0.56 s, and a server that bursts on connect fills
// it at once. The download holds back while it is full, so the reported fill
// never passes it.
size_t StartBufferBytes(uint32_t bits_per_second);

// Once playback runs: the bridging buffer, the whole ring. Whatever the server
// sends faster than real time (a burst on connect beyond the start buffer, the
// burst of a reconnection, a backlog after a stall) is kept rather than held
// back, and a later outage is bridged from it. Eight seconds of audio, and at
// least the start buffer plus 192 KiB (a burst is a byte count: at low bit
// rates it holds many seconds); at most 4 MiB.
size_t BridgeBufferBytes(uint32_t bits_per_second);

// The buffer's size now: the start buffer until playback starts, the bridging
// buffer from then on. It only grows: a stream that stops playing keeps what
// it has.
size_t StreamBufferBytes(uint32_t bits_per_second, bool played);

// While this much is buffered (one second of audio, at least 8 KiB) the
// download thread may let bytes gather in the socket between reads; below it
// every packet is taken as it comes, so a thin cushion is never left to drain.
size_t GatherBytes(uint32_t bits_per_second);
