// TGlassButton: the Play and Stop push buttons, drawn with GDI+ as a
// translucent glass body (rounded rectangle, tinted fill, shine on the upper
// half, glow from the bottom while pressed, two 1-pixel borders) over
// whatever its parent shows behind it, with a picture and a caption on top
// (layout: picture left of the caption). Portable rules: glass_button_rules.h.
//
// Clicks: a left press and release inside the button, Space, Enter while it
// has the focus, and its caption's access key (Alt + letter). No double
// clicks: two quick clicks are two clicks.
//
// Threads: window thread only.
#pragma once

#include "controls/gdiplus_picture_win.h"
#include "controls/glass_button_rules.h"
#include "ui/controls_win.h"
#include "ui/timer_win.h"

enum TAntiAlias { aaNone, aaClearType, aaAntiAlias };

class TGlassButton : public TCustomControl {
 public:
  // 100 x 32, a tab stop, font "Tahoma", the colours below.
  explicit TGlassButton(TComponent* owner);

  TGdiPlusPicture& Picture() { return picture_; }
  TGdiPlusPicture& PictureDown() { return picture_down_; }
  TGdiPlusPicture& PictureDisabled() { return picture_disabled_; }

  // Colours; each setter repaints when the value changes.
  TColor BackColor() const { return back_color_; }
  void SetBackColor(TColor color) { ChangeAndInvalidate(back_color_, color); }
  TColor GlowColor() const { return glow_color_; }
  void SetGlowColor(TColor color) { ChangeAndInvalidate(glow_color_, color); }
  TColor ShineColor() const { return shine_color_; }
  void SetShineColor(TColor color) { ChangeAndInvalidate(shine_color_, color); }
  TColor OuterBorderColor() const { return outer_border_color_; }
  void SetOuterBorderColor(TColor color) { ChangeAndInvalidate(outer_border_color_, color); }
  TColor InnerBorderColor() const { return inner_border_color_; }
  void SetInnerBorderColor(TColor color) { ChangeAndInvalidate(inner_border_color_, color); }
  // Kept with the button; the caption is drawn in Font's colour.
  TColor ForeColor() const { return fore_color_; }
  void SetForeColor(TColor color) { ChangeAndInvalidate(fore_color_, color); }
  // Negative values are ignored.
  int CornerRadius() const { return corner_radius_; }
  void SetCornerRadius(int radius);
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool show) { ChangeAndInvalidate(show_caption_, show); }
  TAntiAlias AntiAlias() const { return anti_alias_; }
  void SetAntiAlias(TAntiAlias mode) { ChangeAndInvalidate(anti_alias_, mode); }
  // Held down: glow and PictureDown until released by the program.
  bool Down() const { return down_; }
  void SetDown(bool down) { ChangeAndInvalidate(down_, down); }

  // Internal state, for checks.
  GlassState State() const { return state_; }
  bool Pressed() const { return pressed_; }
  bool Tracking() const { return tracking_; }
  bool Hover() const { return hover_; }
  const TTimer& CursorPoll() const { return *poll_; }
  // The picture the button shows now.
  const TGdiPlusPicture& CurrentPicture() const;

  // Cursor poll tick (also called by tests): a pointer that left the button
  // without a leave message ends the hover.
  void CursorPollTick();

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
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
  bool DialogChar(wchar_t key) override;

 private:
  void SetHover(bool hover);  // fires OnMouseEnter / OnMouseLeave on a change
  void RecheckHover();        // the hover flag from the control under the cursor
  void LeftButtonUp(int x, int y);
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
  void PaintBody(HDC dc);
  void PaintContent(HDC dc);

  TGdiPlusPicture picture_, picture_down_, picture_disabled_;
  TColor back_color_ = 0;
  TColor glow_color_ = 16760205;
  TColor shine_color_ = clWhite;
  TColor outer_border_color_ = clWhite;
  TColor inner_border_color_ = 0;
  TColor fore_color_ = clWhite;
  int corner_radius_ = 4;
  bool show_caption_ = true;
  TAntiAlias anti_alias_ = aaClearType;
  bool down_ = false;

  GlassState state_ = GlassState::kNormal;
  bool pressed_ = false;   // a left press on the button, until its release
  bool tracking_ = false;  // the press is followed with the mouse
  bool hover_ = false;     // the pointer is over the button
  TTimer* poll_;           // owned; 1 ms, runs only while hovering
};
