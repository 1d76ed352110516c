// The audio engine's error box. UI thread.
#pragma once

#include <windows.h>

#include <string>

// A message box owned by `owner` (the main window), no caption, OK only:
// `text` + "\r\n" + "(error code: N)" with the engine's last error code N.
void ShowEngineError(HWND owner, const std::string& text);

// The box's text, for `text` and error `code`.
std::string EngineErrorText(const std::string& text, int code);
