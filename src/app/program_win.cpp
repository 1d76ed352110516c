#include "app/program_win.h"

#include <stdexcept>

std::function<void()> HaltHook;

void HaltProgram() {
  if (HaltHook) {
    HaltHook();
    throw std::logic_error("HaltHook returned");
  }
  // No handler, no destructor of ours runs: nothing is saved.
  ExitProcess(1);
}
