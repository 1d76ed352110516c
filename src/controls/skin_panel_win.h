// TSkinPanel: the control strip's container. Each paint fills the panel with
// Color, draws its border and bevels, and draws its background picture (a
// TPanelImage) at the place BackgroundPosition gives; with Buffered on (the
// default) all of that is composed in a bitmap first and copied in one
// transfer. Its non-windowed children (labels, images) are painted on top,
// and transparent children get the same picture through PaintBackgroundInto.
//
// The caption bar, formatted text, status bar, collapsing, moving, sizing and
// position saving of richer panels are not built: the window has them off.
//
// Threads: window thread only.
#pragma once

#include <functional>

#include "controls/panel_image_win.h"
#include "controls/skin_panel_rules.h"
#include "ui/controls_win.h"
#include "ui/stdctrls_win.h"

// Called during each paint with the drawing target and the client rectangle.
using TPanelPaintEvent = std::function<void(TObject* sender, HDC dc, const RECT& rect)>;

class TSkinPanel : public TCustomControl {
 public:
  // Colour clBtnFace, raised outer bevel of width 1, no border, Buffered.
  explicit TSkinPanel(TComponent* owner);

  // The background picture; a change repaints the panel.
  TPanelImage& Background() { return background_; }
  // The form's stored picture (an RCDATA resource); repaints. False when the
  // resource is missing; a picture that cannot be decoded raises its error.
  [[nodiscard]] bool LoadBackgroundResource(int resource_id);
  int BackgroundWidth() const { return background_.Width(); }
  int BackgroundHeight() const { return background_.Height(); }

  TBackGroundPosition BackgroundPosition() const { return position_; }
  void SetBackgroundPosition(TBackGroundPosition position) { ChangeAndInvalidate(position_, position); }
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut bevel) { ChangeAndInvalidate(bevel_outer_, bevel); }
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut bevel) { ChangeAndInvalidate(bevel_inner_, bevel); }
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int width) { ChangeAndInvalidate(bevel_width_, width); }
  // A rectangle outline of BorderWidth pixels in BorderColor (none at width 0).
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int width) { ChangeAndInvalidate(border_width_, width); }
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor color) { ChangeAndInvalidate(border_color_, color); }
  bool Buffered() const { return buffered_; }
  void SetBuffered(bool buffered) { ChangeAndInvalidate(buffered_, buffered); }

  TPanelPaintEvent OnPaint;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void Paint(TCanvas& canvas) override;

 private:
  // The panel's picture, in the painting order, onto `dc` (client coordinates).
  void PaintPanel(HDC dc);

  TPanelImage background_;
  TBackGroundPosition position_ = bpTopLeft;
  TBevelCut bevel_outer_ = bvRaised;
  TBevelCut bevel_inner_ = bvNone;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TColor border_color_ = clBlack;
  bool buffered_ = true;
};
