// The audio engine's error box. UI thread.
#pragma once

#include <string>

// A message box owned by the main window handle, no caption, OK only:
// `text` + "\r\n" + "(error code: N)" with the engine's last error code N.
void ShowEngineError(const std::string& text);

// The box's text, for `text` and error `code`.
std::string EngineErrorText(const std::string& text, int code);
