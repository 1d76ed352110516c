// TForm: a top-level window owned by the application's title window (so it has
// no taskbar button of its own), with its life events.
//
// Threads: window thread only. Worker threads reach a form only by
// SendMessage/PostMessage to its Handle(); a form's WndProc override sees
// every message first.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/controls_win.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

class TForm : public TWinControl {
 public:
  // Made hidden; Left/Top are screen coordinates. Default: border bsSizeable,
  // colour clBtnFace, font "MS Sans Serif" -11.
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Runs OnCreate once (Application.CreateForm / RegisterForm call it after
  // the constructor has finished). An error in OnCreate shows the error box;
  // the form stays usable.
  void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);

  // The client area's size; the window's size follows from the border style.
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientSize(int width, int height);
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }

  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  // The window's caption is Caption() (SetCaption of TControl).

  // The window icon from an icon resource of this executable (numeric id):
  // big and small images. False when the resource is missing.
  [[nodiscard]] bool SetIconResource(int resource_id);

  // Gives the window a region (SetWindowRgn); the system owns it from then
  // on. Creates the window when needed. False when the system refused it (the
  // region is freed then).
  [[nodiscard]] bool SetRegion(UniqueGdiObj<HRGN> region, bool redraw);

  // Visible: turning hidden -> shown runs OnShow (after the window exists,
  // before it appears), shown -> hidden runs OnHide. Showing activates it.
  void SetVisible(bool visible) override;
  void BringToFront();

  // Closes as the user would: OnClose with action caHide; an error in OnClose
  // abandons the close. Then: caNone: nothing; the main form: the
  // application terminates (the program ends); caHide: hidden; caMinimize:
  // the application is minimised when this is the main form, else the form;
  // caFree: freed from the message loop (Release).
  void Close();
  // Frees the form once the current message has been handled.
  void Release();

  // The canvas of the running paint: valid inside OnPaint only.
  TCanvas& Canvas() { return canvas_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TNotifyEvent OnDestroy;  // at the start of Free(), window still there
  TNotifyEvent OnPaint;    // after the background, before the non-windowed children
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void PaintWindow(HDC dc) override;
  void BeforeDestruction() override;
  void VisibleChanged() override;

 private:
  void FireDestroy();
  SIZE FrameExtra() const;  // window size minus client size for the border style

  TFormBorderStyle border_style_ = bsSizeable;
  TCanvas canvas_;
  WindowIcons icons_;
  bool created_fired_ = false;
  bool destroy_fired_ = false;
  TWindowState pending_state_ = wsNormal;  // applied when a hidden form is shown
};
