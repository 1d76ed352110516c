// The immediate end of the program (the message boxes are in
// ui/own_message_box_win.h), behind a replaceable hook so the Windows tests can run the failure paths in-process.
// UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/own_message_box_win.h"  // ShowMessageBox

// Ends the program at once, saving nothing (start-up failures).
[[noreturn]] void HaltProgram();

// Tests: when set, HaltProgram calls this, which must not return normally
// (it throws to leave the handler).
extern std::function<void()> HaltHook;
