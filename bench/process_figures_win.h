// A process's size and its counts of handles and threads, for the benchmarks
// that watch them over a long run.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>

struct ProcessFigures {
  uint64_t working_set_kb = 0;  // resident memory
  uint64_t private_kb = 0;      // committed private memory
  uint32_t handles = 0;         // open kernel handles (one of them this reader's, when
                                // it reads its own process one by one)
  uint32_t threads = 0;
  uint32_t gdi_objects = 0;     // of the process's windows and drawing
  uint32_t user_objects = 0;
};

// The handles open in `process`, counted one by one: every handle value that can
// be duplicated is open. Wine answers 0 to GetProcessHandleCount for another
// process, so this is the count that can be compared everywhere.
inline uint32_t CountHandlesOneByOne(HANDLE process) {
  constexpr uintptr_t kLastValue = 0x40000;  // far above what a small program opens
  uint32_t count = 0;
  for (uintptr_t value = 4; value <= kLastValue; value += 4) {
    HANDLE copy = nullptr;
    if (::DuplicateHandle(process, reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(), &copy, 0,
                          FALSE, DUPLICATE_SAME_ACCESS)) {
      ++count;
      ::CloseHandle(copy);
    }
  }
  return count;
}

// False when the process cannot be read (gone, or no access).
inline bool ReadProcessFigures(DWORD pid, ProcessFigures& out) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE,
                                 FALSE, pid);
  if (!process) return false;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  DWORD handles = 0;
  const bool ok = ::K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                            sizeof memory);
  if (!::GetProcessHandleCount(process, &handles)) handles = 0;
  out.working_set_kb = memory.WorkingSetSize / 1024;
  out.private_kb = memory.PrivateUsage / 1024;
  out.handles = handles ? handles : CountHandlesOneByOne(process);
  out.gdi_objects = ::GetGuiResources(process, GR_GDIOBJECTS);
  out.user_objects = ::GetGuiResources(process, GR_USEROBJECTS);
  ::CloseHandle(process);
  if (!ok) return false;

  out.threads = 0;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = ::Thread32First(snapshot, &thread); more; more = ::Thread32Next(snapshot, &thread))
    if (thread.th32OwnerProcessID == pid) ++out.threads;
  ::CloseHandle(snapshot);
  return true;
}

inline void PrintProcessFigures(const char* label, const ProcessFigures& f) {
  std::printf("%s working_set_kb %llu private_kb %llu handles %u threads %u gdi %u user %u\n", label,
              static_cast<unsigned long long>(f.working_set_kb),
              static_cast<unsigned long long>(f.private_kb), f.handles, f.threads, f.gdi_objects,
              f.user_objects);
  std::fflush(stdout);
}
