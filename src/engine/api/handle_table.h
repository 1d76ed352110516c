// A table of shared objects reached by 32-bit handles. Portable; every method
// may be called from any thread.
//
// A handle packs a slot index (low 12 bits, plus one so that 0 is never a
// handle) and the slot's generation (high 20 bits). Freed slots go to the back
// of a queue and are reused last, and a slot whose generation would wrap is
// retired, so a handle is never given out twice: an old handle kept by a caller
// finds nothing instead of a newer object.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

template <typename T>
class HandleTable {
 public:
  static constexpr uint32_t kIndexBits = 12;
  static constexpr uint32_t kMaxSlots = (1u << kIndexBits) - 1;  // index + 1 must fit
  static constexpr uint32_t kMaxGeneration = (1u << (32 - kIndexBits)) - 1;

  // Stores `object`; returns its handle, or 0 when every slot is taken.
  uint32_t Add(std::shared_ptr<T> object) {
    std::lock_guard lock(lock_);
    uint32_t index;
    if (!free_.empty() && (slots_.size() >= kMaxSlots || free_.size() > kReuseDelay)) {
      index = free_.front();
      free_.pop_front();
    } else if (slots_.size() < kMaxSlots) {
      index = static_cast<uint32_t>(slots_.size());
      slots_.push_back(Slot{});
    } else {
      return 0;
    }
    Slot& slot = slots_[index];
    slot.object = std::move(object);
    return (slot.generation << kIndexBits) | (index + 1);
  }

  // The object of `handle`, or null for 0, a freed or a foreign handle.
  std::shared_ptr<T> Find(uint32_t handle) const {
    std::lock_guard lock(lock_);
    const Slot* slot = SlotOf(handle);
    return slot ? slot->object : nullptr;
  }

  // Takes the object out of the table; null when `handle` is not live. Only one
  // of several racing callers gets the object.
  std::shared_ptr<T> Remove(uint32_t handle) {
    std::lock_guard lock(lock_);
    Slot* slot = const_cast<Slot*>(SlotOf(handle));
    if (!slot || !slot->object) return nullptr;
    std::shared_ptr<T> object = std::move(slot->object);
    slot->object.reset();
    if (slot->generation < kMaxGeneration) {
      ++slot->generation;
      free_.push_back((handle & kMaxSlots) - 1);
    }  // else: retired for good
    return object;
  }

  // Every live handle, in slot order.
  std::vector<uint32_t> Handles() const {
    std::lock_guard lock(lock_);
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].object) out.push_back((slots_[i].generation << kIndexBits) | (i + 1));
    }
    return out;
  }

 private:
  // New slots are made while fewer than this many are free, so that a handle
  // just freed is not the next one given out (helps catch use after close).
  static constexpr size_t kReuseDelay = 16;

  struct Slot {
    uint32_t generation = 1;
    std::shared_ptr<T> object;  // null: free
  };

  const Slot* SlotOf(uint32_t handle) const {
    uint32_t index1 = handle & kMaxSlots;
    if (index1 == 0 || index1 > slots_.size()) return nullptr;
    const Slot& slot = slots_[index1 - 1];
    if (!slot.object || slot.generation != (handle >> kIndexBits)) return nullptr;
    return &slot;
  }

  mutable std::mutex lock_;
  std::vector<Slot> slots_;    // protected by lock_
  std::deque<uint32_t> free_;  // protected by lock_: slot indexes, oldest first
};
