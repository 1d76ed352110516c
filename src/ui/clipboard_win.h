// Plain text onto the clipboard. Window thread.
#pragma once

#include <windows.h>

#include <string>

// Puts `cp1251` on the clipboard as Unicode text, owned by `owner`; false
// when the clipboard could not be had (another program holds it open).
[[nodiscard]] bool CopyTextToClipboard(HWND owner, const std::string& cp1251);
