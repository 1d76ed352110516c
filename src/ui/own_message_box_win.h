// The program's own message boxes, recognisable while they are up: code that
// watches dialogs as they activate (the browser's dialog supervision) leaves
// them alone.
//
// Threads: window thread (the box belongs to the calling thread).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// MessageBoxW, with the box's window recorded from its creation until it
// has gone.
int OwnMessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// True while `window` is a box shown by OwnMessageBoxW.
bool IsOwnMessageBox(HWND window);

// The program's message box with a CP1251 text (through OwnMessageBoxW);
// `caption` nullptr gives the system's default caption ("Error"). Returns
// the button pressed.
int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type);

// Tests: when set, ShowMessageBox calls this instead of showing a box.
extern std::function<int(HWND owner, const std::string& text, const char* caption, UINT type)>
    MessageBoxHook;
