// The one place where the program registers its window classes.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

// Registers the window class `name` of this executable with procedure `proc`,
// an arrow cursor, no background brush (every window of ours paints its whole
// background) and no double clicks (a quick second press arrives as a press),
// once per process. `icon` is the class icon (nullptr: none). True when the
// class is there, also when an earlier call registered it.
[[nodiscard]] bool RegisterWindowClass(const wchar_t* name, WNDPROC proc, HICON icon = nullptr);
