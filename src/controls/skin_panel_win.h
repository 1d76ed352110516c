// TSkinPanel: the control strip's container. Paints its background picture at
// its top left over a fill of Color, then its non-windowed children; serves
// the same picture to transparent children through PaintBackgroundInto.
//
// Minimal so far: the picture is a BMP decoded by GDI and drawn opaque; the
// caption bar, formatted text, status bar, bevels and sizing of the full panel
// are not built (the window switches them all off).
//
// Threads: window thread only.
#pragma once

#include <string>

#include "ui/controls_win.h"

class TSkinPanel : public TCustomControl {
 public:
  explicit TSkinPanel(TComponent* owner);

  // The background picture's file bytes (BMP); repaints.
  void SetBackgroundBytes(std::string bytes);
  [[nodiscard]] bool LoadBackgroundResource(int resource_id);
  int BackgroundWidth() const { return bg_width_; }
  int BackgroundHeight() const { return bg_height_; }

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  UniqueGdiObj<HBITMAP> background_;
  int bg_width_ = 0, bg_height_ = 0;
};
