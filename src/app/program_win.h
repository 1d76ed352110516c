// Program-wide message boxes and the immediate end of the program, behind
// replaceable hooks so the Windows tests can run the failure paths in-process.
// UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// A message box with a CP1251 text; `caption` nullptr gives the system's
// default caption ("Error"). Returns the button pressed.
int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type);

// Tests: when set, ShowMessageBox calls this instead of showing a box.
extern std::function<int(HWND owner, const std::string& text, const char* caption, UINT type)>
    MessageBoxHook;

// Ends the program at once, saving nothing (start-up failures).
[[noreturn]] void HaltProgram();

// Tests: when set, HaltProgram calls this, which must not return normally
// (it throws to leave the handler).
extern std::function<void()> HaltHook;
