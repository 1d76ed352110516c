// wine_session: stays until its standard input ends, holding one notification-
// area icon; prints "ready" once the icon is up. The end-to-end checks keep it
// running beside the programs they start, for two costs of Wine without a
// window manager:
// - A program that is the session's only one starts the session's system
//   processes and, when it ends, waits for them to be shut down: a second or
//   more each time. With this program running the session stays.
// - Explorer shows the icons in a window of its own and hides that window
//   when its last icon goes, which waits about 2 s for the X server; every
//   player that deletes its tray icon at exit would pay it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

namespace {

constexpr UINT kIconId = 1;

DWORD WINAPI WaitForInputEnd(void* main_thread) {
  char buffer[256];
  DWORD got = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
  }
  PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(main_thread)), WM_QUIT, 0, 0);
  return 0;
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VolnarWineSession";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = kIconId;
  icon.uFlags = NIF_ICON | NIF_TIP;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"test session", ARRAYSIZE(icon.szTip));
  const bool added = window != nullptr && Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
  // The session is up: whoever started this may start its programs now.
  std::fputs("ready\n", stdout);
  std::fflush(stdout);

  // The queue exists before the reader can post to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  void* self = reinterpret_cast<void*>(static_cast<UINT_PTR>(GetCurrentThreadId()));
  HANDLE reader = CreateThread(nullptr, 0, WaitForInputEnd, self, 0, nullptr);
  if (reader == nullptr) return 1;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  CloseHandle(reader);

  if (added) Shell_NotifyIconW(NIM_DELETE, &icon);
  if (window) DestroyWindow(window);
  return 0;
}
