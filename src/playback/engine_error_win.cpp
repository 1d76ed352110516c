#include "playback/engine_error_win.h"

#include <windows.h>

#include "engine/api/engine.h"
#include "ui/own_message_box_win.h"

std::string EngineErrorText(const std::string& text, int code) {
  return text + "\r\n" + "(error code: " + std::to_string(code) + ")";
}

void ShowEngineError(HWND owner, const std::string& text) {
  // A null caption: the system titles the box "Error".
  ShowMessageBox(owner, EngineErrorText(text, EngineLastError()), nullptr, MB_OK);
}
