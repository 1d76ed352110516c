// THostedBrowser: the catalogue browser. Adds to the document host the
// settings groups DisableErrors and DialogBoxes, the Enter-key handling, the
// cookie reader, and the window integration: dialog supervision on its owner
// window, focus tracking of the browser's inner windows, focus restoration
// when the program is re-activated, the first mouse-wheel turn focusing the
// page, and the floating-point control word.
//
// Some of it is per process (OLE for the window thread, the saved control
// word, the focus restoration hook on the application window, the mouse
// hook): set up when the first THostedBrowser is made, undone when the
// program ends.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "browser/doc_host_win.h"

struct TDisableErrors {
  bool EnableDDE = true;
  bool fpExceptions = true;           // loading restores the process's default control word
  bool ScriptErrorsSuppressed = true;  // script errors continue; error dialogs are closed
};

struct TDialogBoxes {
  bool DisableAll = false;      // every supervised dialog is sent WM_CLOSE
  bool ReplaceCaption = true;   // "Microsoft " removed, "Internet Explorer" -> NewCaption
  bool ReplaceIcon = true;      // the application's small icon
  std::string NewCaption;
};

class THostedBrowser : public TCustomHostedBrowser {
 public:
  // Message 1092: give the page the keyboard focus back (posted by the
  // focus restoration).
  static constexpr UINT kMsgRestoreFocus = WM_USER + 68;
  // The floating-point control word with every exception masked.
  static constexpr uint16_t kMaskedControlWord = 0x133F;

  explicit THostedBrowser(TComponent* owner);
  ~THostedBrowser() override;

  TDisableErrors& DisableErrors() { return disable_errors_; }
  TDialogBoxes& DialogBoxes() { return dialog_boxes_; }
  bool EnableMessageHandler() const { return enable_message_handler_; }
  void SetEnableMessageHandler(bool enable) { enable_message_handler_ = enable; }

  // The form's settings are all in: forces the message handler on (and the
  // continue action when script errors are suppressed), applies the
  // floating-point setting and installs dialog supervision on the owner.
  void Loaded();

  // The automation object late-bound calls go to: the control's OleObject,
  // or the stand-in set for tests (the real control has no document under
  // Wine).
  IDispatch* Automation();
  void SetAutomationStandIn(IDispatch* stand_in) { stand_in_ = stand_in; }  // held until replaced
  // True when `window` (a browser event's window argument) is this browser
  // itself rather than one of its frames: the same object as the control or
  // the stand-in.
  bool IsTopWindow(IDispatch* window);
  // Automation().Document, or null.
  ComPtr<IDispatch> Document();

  // The current document's cookie text; empty without a document or on any
  // error (never raises).
  std::string CookieText();
  // The current document's own address (its URL property); empty without one.
  std::string DocumentAddress();

  // The browser counts as its form's focused control: set when the page got
  // the focus, cleared when the focus moved to another control of the form.
  bool IsActiveControl() const { return active_control_; }
  // Makes it so, focusing this control's window when the focus is elsewhere
  // in an active form.
  void MakeActiveControl();
  // Focusable: visible and enabled, on a visible, enabled form.
  bool CanFocus();

  // Per-process state, for tests.
  static bool DialogSupervisionInstalled();
  static uint16_t DefaultControlWord();
  bool FocusTrackingInstalled() const { return !tracked_.empty(); }
  // Posts message 1092 when this browser is the active control of the
  // active form and the focus is not inside it (the focus restoration).
  void RestoreFocusIfActive();

  bool PreTranslateKey(MSG& msg) override;
  void ControlFocusChanged(bool got_focus) override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void FocusTrackingRequested() override;
  void BeforeDestruction() override;

 private:
  friend LRESULT CALLBACK TrackedWindowProc(HWND, UINT, WPARAM, LPARAM);
  void InstallDialogSupervision();
  void RemoveDialogSupervision();
  LRESULT SuperviseOwnerMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void SuperviseDialog(HWND dialog);
  void RemoveFocusTracking();
  void TrackedWindowFocused(bool list_view);
  void FocusMovedTo(HWND window);
  bool FocusInside() const;
  void Shutdown();

  TDisableErrors disable_errors_;
  TDialogBoxes dialog_boxes_;
  bool enable_message_handler_ = false;
  ComPtr<IDispatch> stand_in_;
  bool active_control_ = false;
  bool in_focus_tracking_ = false;
  // Dialog supervision: the owner's procedure before ours.
  TWinControl* supervised_owner_ = nullptr;
  TWindowProc owner_previous_proc_;
  // Focus tracking: the subclassed browser windows.
  std::vector<HWND> tracked_;
};
