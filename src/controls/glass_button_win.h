// TGlassButton: the Play and Stop push buttons.
//
// Minimal so far: a windowed control that shows its parent's picture under it,
// a white rounded outline and its face picture (Picture, PictureDown while
// pressed with the pointer over it, PictureDisabled while disabled), with the
// bottom-left colour transparent. Clicks come from a left press and release
// inside the button, and from Space or Enter while it has the focus. The
// translucent glass body with shine and glow is not drawn yet.
//
// Threads: window thread only.
#pragma once

#include "controls/gdiplus_picture_win.h"
#include "ui/controls_win.h"

class TGlassButton : public TCustomControl {
 public:
  explicit TGlassButton(TComponent* owner);

  TGdiPlusPicture& Picture() { return picture_; }
  TGdiPlusPicture& PictureDown() { return picture_down_; }
  TGdiPlusPicture& PictureDisabled() { return picture_disabled_; }

  int CornerRadius() const { return corner_radius_; }
  void SetCornerRadius(int radius);

  bool Pressed() const { return pressed_; }
  // The picture the button shows now.
  const TGdiPlusPicture& CurrentPicture() const;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  // Fires OnClick while the button is enabled.
  void Click() override;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void CreateParams(TCreateParams& params) override;
  void EraseBackground(HDC dc) override;
  void PaintWindow(HDC dc) override;
  void EnabledChanged() override;

 private:
  TGdiPlusPicture picture_, picture_down_, picture_disabled_;
  int corner_radius_ = 4;
  bool pressed_ = false;
  bool hover_ = false;
};
