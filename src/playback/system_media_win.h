// The system's media transport controls (the overlay that appears with the
// volume keys, the lock screen) for the main window: they show the station
// and the current title, and their Play, Pause, Stop and Record buttons come
// back to the window as a posted message.
//
// The Windows Runtime is reached at run time: combase's functions are looked
// up with GetProcAddress, so the program starts where they are missing
// (before Windows 8), and where the controls' class cannot be activated
// (before Windows 10, under Wine: "class not registered") the object stays
// inactive and every call is a no-op.
//
// Threads: window thread, except that the system calls the button handler on
// a thread of its own, which only posts the message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace winrt_media {
struct ISystemMediaTransportControls;
struct IButtonPressedHandler;
}  // namespace winrt_media

class SystemMediaControls {
 public:
  SystemMediaControls() = default;
  ~SystemMediaControls() { Detach(); }
  SystemMediaControls(const SystemMediaControls&) = delete;
  SystemMediaControls& operator=(const SystemMediaControls&) = delete;

  // Takes the controls of `window` (the top-level window that carries the
  // taskbar button); a pressed button posts `button_message` to `notify` with
  // the button's number (winrt_media::kButton*) as wParam. `runtime_dll` is
  // the module with the WinRT functions (combase.dll; tests name one without
  // them). Failing HRESULT: the object stays inactive.
  [[nodiscard]] HRESULT Attach(HWND window, HWND notify, UINT button_message,
                               const wchar_t* runtime_dll = L"combase.dll");
  void Detach();
  bool Active() const { return controls_ != nullptr; }

  // What the controls show (CP1251 texts): playing with a station and title,
  // or stopped. Inactive: nothing happens.
  void Show(bool playing, const std::string& station, const std::string& title);

 private:
  using CreateStringFn = HRESULT(WINAPI*)(const wchar_t*, UINT32, void**);
  using DeleteStringFn = HRESULT(WINAPI*)(void*);
  using ActivationFactoryFn = HRESULT(WINAPI*)(void*, REFIID, void**);

  HMODULE module_ = nullptr;
  CreateStringFn create_string_ = nullptr;
  DeleteStringFn delete_string_ = nullptr;
  winrt_media::ISystemMediaTransportControls* controls_ = nullptr;
  winrt_media::IButtonPressedHandler* handler_ = nullptr;
  int64_t token_ = 0;
  bool token_set_ = false;
};
