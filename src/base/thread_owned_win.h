// One object of a type per thread, destroyed when its thread ends. Windows only.
//
// A C++ `thread_local` object with a destructor cannot be used in this program:
// with the mingw runtime's emulated thread-local storage, the storage of a
// thread's objects is freed at the thread's end before their destructors run, so
// the destructors work on freed memory (a std::vector frees its buffer twice, and
// the heap breaks later somewhere else). Thread-local objects without a
// destructor (ints, flags, raw pointers) are fine. This one keeps its object in a
// fiber-local slot whose callback, run by the system at the thread's end, deletes it.
#pragma once

#include <windows.h>

template <class T>
class ThreadOwned {
 public:
  // The slot is never given back: freeing it would delete the objects of threads
  // that may still be using them while the process ends.
  ThreadOwned() noexcept : slot_(FlsAlloc(&Destroy)) {}
  ThreadOwned(const ThreadOwned&) = delete;
  ThreadOwned& operator=(const ThreadOwned&) = delete;

  // The calling thread's object, made on first use; null when there is no slot
  // or no memory.
  T* Get() noexcept {
    if (slot_ == FLS_OUT_OF_INDEXES) return nullptr;
    if (void* held = FlsGetValue(slot_)) return static_cast<T*>(held);
    T* made = nullptr;
    try {
      made = new T();
    } catch (...) {
      return nullptr;
    }
    if (!FlsSetValue(slot_, made)) {
      delete made;
      return nullptr;
    }
    return made;
  }

 private:
  static void WINAPI Destroy(void* held) noexcept { delete static_cast<T*>(held); }

  DWORD slot_;
};
