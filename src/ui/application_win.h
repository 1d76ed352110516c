// The application object `Application`: the hidden top-level title window that
// carries the program's taskbar button and title, minimise/restore of the whole
// program, the message loop, and the standard handling of an error that escapes
// an event handler.
//
// Threads: everything here is for the window thread (the thread that called
// Initialize), except Handle(), which any thread may read once Initialize has
// returned (to post or send to the title window).
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/controls_win.h"

class TForm;

// A silent error: it ends an event handler like any other but shows no box.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// A hook on the title window's messages: called before the application's own
// handling. Return true to mark the message handled (then `result` is returned
// and nothing else sees it); false lets it go on.
using TWindowHook = std::function<bool(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result)>;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Registers the window classes and creates the title window (hidden until
  // Run shows the main form). Safe to call more than once.
  void Initialize();

  // The title window: the program's taskbar button, owner of every form.
  HWND Handle() const { return handle_; }

  // The title window's text (the taskbar button's text). Title() reads it back
  // from the window, so it yields at most the first 255 characters.
  void SetTitle(std::string_view title);
  std::string Title() const;

  // The taskbar button's icon (big and small images of an icon resource of
  // this executable, by numeric id). False when the resource is missing.
  [[nodiscard]] bool SetIconResource(int resource_id);

  // Makes a form: `ref` is set before its OnCreate runs; the first form made
  // becomes the main form. The form is owned by the application.
  template <class F>
  void CreateForm(F*& ref) {
    ref = new F(this);
    RegisterForm(ref);
  }
  // The same for a form made elsewhere (tests): makes it the main form when
  // there is none, then runs its OnCreate.
  void RegisterForm(TForm* form);
  TForm* MainForm() const { return main_form_; }

  // Minimise / restore the whole program. Both go through the title window's
  // system command (SC_MINIMIZE / SC_RESTORE), the same path as the taskbar
  // button and the main form's own commands, so the hooks see every one:
  //   minimise: the title window is minimised (its WM_SIZE with SIZE_MINIMIZED
  //     reaches the hooks), visible forms are hidden, then OnMinimize;
  //   restore: the hooks see SC_RESTORE first, the title window is restored,
  //     the forms hidden by the minimise come back, the main form is activated,
  //     then OnRestore.
  // Nothing happens (no message, no event) when already minimised / not minimised.
  void Minimize();
  void Restore();
  bool IsMinimized() const;  // the title window is iconic
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

  // Hooks on the title window's messages (see TWindowHook). Returns an id for
  // UnhookMainWindow. Hooks may be added and removed from inside a hook.
  int HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(int id);

  // The message loop: shows the main form, then handles messages until
  // Terminate (the main form's close calls it). Returns then; free the forms
  // with DestroyComponents().
  void Run();
  // Handles every message already waiting, then returns. A WM_QUIT ends the
  // loop (Terminated() becomes true).
  void ProcessMessages();
  // Waits for one message and handles it.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Frees the forms and other components the application owns (after Run).
  void DestroyComponents();

  // The standard handling of an error that escaped an event handler: the
  // standard error box (MB_ICONERROR, caption = the title or "Error" when the
  // title is empty, owner = the thread's active window or the title window)
  // with the error's text, to which a full stop is added when its last
  // character sorts after '.' (letters, digits), as error boxes usually read.
  // EAbort shows nothing.
  void HandleException(const std::exception& error);
  void HandleException(std::exception_ptr error);
  // The text the box shows for `message` (the full-stop rule above).
  static std::string ErrorBoxText(std::string_view message);

  // Tests: when set, the error box is not shown; this gets its text and caption.
  std::function<void(const std::string& text, const std::string& caption)> ErrorBoxHook;

  // --- Used by the widget layer itself ---
  // The control under the mouse pointer; a change sends MouseLeave to the old
  // one and MouseEnter to the new one.
  TControl* MouseControl() const { return mouse_control_; }
  void SetMouseControl(TControl* control);
  void ControlDestroyed(TControl* control);  // forgets pointers to it
  void FormDestroyed(TForm* form);
  // A hidden top-level window of the layer: timers and popup menus use it.
  HWND UtilityWindow();
  // Frees `form` from the message loop, after the current message (TForm::Release).
  void QueueRelease(TForm* form);
  // Messages of the utility window.
  static constexpr UINT kMsgMenuCommand = WM_APP + 0x3F0;  // wParam: menu item command
  static constexpr UINT kMsgRelease = WM_APP + 0x3F1;      // free the queued forms

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  static LRESULT CALLBACK TitleWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT TitleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void DoMinimize();
  void DoRestore();
  void ShowErrorBox(const std::string& text);

  HWND handle_ = nullptr;
  HWND utility_ = nullptr;
  TForm* main_form_ = nullptr;
  std::vector<TForm*> hidden_by_minimize_;
  std::vector<TForm*> pending_release_;
  std::string pending_title_;  // a title set before Initialize
  static LRESULT CALLBACK UtilityWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  std::vector<TForm*> Forms() const;
  std::vector<std::pair<int, TWindowHook>> hooks_;
  int next_hook_id_ = 1;
  bool terminated_ = false;
  TControl* mouse_control_ = nullptr;
  WindowIcons icons_;
};

extern TApplication Application;

// Runs `f`, an event handler call: an exception it throws is handled by
// Application.HandleException (the rest of the handler is skipped) and never
// crosses a window procedure. Returns false when the handler threw.
template <class F>
bool SafeCall(F&& f) noexcept {
  try {
    std::forward<F>(f)();
    return true;
  } catch (...) {
    Application.HandleException(std::current_exception());
    return false;
  }
}

// Calls an event handler when one is assigned (through SafeCall).
template <class Event, class... Args>
bool FireEvent(const Event& event, Args&&... args) noexcept {
  if (!event) return true;
  return SafeCall([&] { event(std::forward<Args>(args)...); });
}
