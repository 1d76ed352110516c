// The program's own message boxes, recognisable while they are up: code that
// watches dialogs as they activate (the browser's dialog supervision) leaves
// them alone.
//
// Threads: window thread (the box belongs to the calling thread).
#pragma once

#include <windows.h>

// MessageBoxW, with the box's window recorded from its creation until it
// has gone.
int OwnMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// True while `window` is a box shown by OwnMessageBoxW.
bool IsOwnMessageBox(HWND window);
