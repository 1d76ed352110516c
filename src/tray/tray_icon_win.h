// TTrayIcon: the program's icon in the taskbar notification area, with its
// hint, the tray menu on a right button press, double click, and
// minimise-to-tray (minimising the application hides the main window and the
// taskbar button and keeps the icon; restoring shows them again).
//
// Only what the window's settings reach is built: no icon cycling, balloon
// tips, pointer enter/exit events or left-button menus.
//
// Threads: window thread only.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tray/tray_tip.h"
#include "ui/controls_win.h"

class TForm;
class TPopupMenu;

class TTrayIcon : public TComponent {
 public:
  // The callback message of the shell: first user message + 1024.
  static constexpr UINT kCallbackMessage = WM_USER + 1024;
  static constexpr size_t kTipChars = kTrayTipChars;

  // `owner` is the main window when it is a form: its window procedure is
  // watched for programmatic shows, and it is what the tray hides.
  explicit TTrayIcon(TComponent* owner);
  ~TTrayIcon() override;

  // CP1251; the tray shows the first 127 characters.
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show);
  // The icon: an icon resource of this executable (small size); replaces any
  // earlier one.
  [[nodiscard]] bool SetIconResource(int resource_id);
  HICON Icon() const { return icons_.small.Get(); }
  bool IconVisible() const { return icon_visible_; }
  void SetIconVisible(bool visible);
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }
  bool MinimizeToTray() const { return minimize_to_tray_; }
  void SetMinimizeToTray(bool on) { minimize_to_tray_ = on; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  TNotifyEvent OnDblClick;

  // Shell calls (add, delete, modify); false when the shell refused.
  bool AddTrayIcon();
  bool RemoveTrayIcon();
  bool UpdateTrayIcon();
  void HideToTray();
  void ShowTrayMenu();

  // The tip as the shell is given it (empty when none), for checks.
  std::wstring TipText() const;
  // The tray message window (receives kCallbackMessage).
  HWND MessageWindow() const { return message_window_; }
  UINT Identifier() const { return reinterpret_cast<UINT_PTR>(this) & 0xFFFFFFFF; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  NOTIFYICONDATAW Record() const;
  LRESULT OnCallback(WPARAM wparam, LPARAM lparam);
  bool ApplicationHook(UINT msg, WPARAM wparam, LPARAM lparam);
  void HideMainWindow();
  static LRESULT CALLBACK MessageWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  std::string hint_;
  bool show_hint_ = true;
  bool icon_visible_ = false;
  bool minimize_to_tray_ = false;
  bool enabled_ = true;
  WindowIcons icons_;  // the tray shows the small one
  TPopupMenu* popup_menu_ = nullptr;
  TForm* form_ = nullptr;
  TWindowProc old_form_proc_;
  HWND message_window_ = nullptr;
  int hook_id_ = 0;
};

// "TaskbarCreated" when comctl32's file version is above 4.70, else 0.
UINT TaskbarRestartMessage();
