// Keeps one notification-area icon of the test program's own for the whole
// run. Under Wine without a tray manager, explorer shows the icons in a
// window of its own and hides that window when its last icon goes, which
// waits about 2 s for the X server's answer; every test window whose tray
// icon is deleted would pay it. With this icon standing, none does.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

namespace {

constexpr UINT kHolderId = 0x7e57;

class TrayHolder final : public testing::Environment {
 public:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VolnarTestTrayHolder";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window_) return;
    NOTIFYICONDATAW icon = Data();
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(icon.szTip, L"tests", ARRAYSIZE(icon.szTip));
    added_ = Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
  }
  void TearDown() override {
    if (added_) {
      NOTIFYICONDATAW icon = Data();
      Shell_NotifyIconW(NIM_DELETE, &icon);
    }
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    added_ = false;
  }

 private:
  NOTIFYICONDATAW Data() const {
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window_;
    icon.uID = kHolderId;
    return icon;
  }

  HWND window_ = nullptr;
  bool added_ = false;
};

[[maybe_unused]] testing::Environment* const kTrayHolder = testing::AddGlobalTestEnvironment(new TrayHolder);

}  // namespace
