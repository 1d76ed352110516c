// Opening an address in the user's default web browser (the "new:" links),
// behind a seam for the tests. Window thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// ShellExecute "open" of `address` (CP1251), shown normally; the result is
// not looked at.
void ShellOpen(HWND owner, const std::string& address);

// Tests: when set, ShellOpen calls this instead of the shell.
extern std::function<void(HWND owner, const std::string& address)> ShellOpenHook;
