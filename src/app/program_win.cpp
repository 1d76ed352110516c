#include "app/program_win.h"

#include <stdexcept>

#include "ui/own_message_box_win.h"
#include "ui/text_win.h"

std::function<int(HWND, const std::string&, const char*, UINT)> MessageBoxHook;
std::function<void()> HaltHook;

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  if (MessageBoxHook) return MessageBoxHook(owner, text, caption, type);
  const std::wstring wide_text = ToWide(text);
  const std::wstring wide_caption = caption ? ToWide(caption) : std::wstring();
  return OwnMessageBoxW(owner, wide_text.c_str(), caption ? wide_caption.c_str() : nullptr, type);
}

void HaltProgram() {
  if (HaltHook) {
    HaltHook();
    throw std::logic_error("HaltHook returned");
  }
  // No handler, no destructor of ours runs: nothing is saved.
  ExitProcess(1);
}
