#include "playback/engine_error_win.h"

#include <windows.h>

#include "app/app_state_win.h"
#include "app/program_win.h"
#include "engine/engine.h"

std::string EngineErrorText(const std::string& text, int code) {
  return text + "\r\n" + "(error code: " + std::to_string(code) + ")";
}

void ShowEngineError(const std::string& text) {
  // A null caption: the system titles the box "Error".
  ShowMessageBox(MainWindowHandle, EngineErrorText(text, EngineLastError()), nullptr, MB_OK);
}
