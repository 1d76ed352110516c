#include "controls/skin_panel_win.h"

#include "controls/gdiplus_picture_win.h"

TSkinPanel::TSkinPanel(TComponent* owner) : TCustomControl(owner) {}

void TSkinPanel::SetBackgroundBytes(std::string bytes) {
  background_.Reset(BitmapFromBmpBytes(bytes));
  BITMAP info{};
  if (background_ && GetObject(background_.Get(), sizeof(info), &info)) {
    bg_width_ = info.bmWidth;
    bg_height_ = info.bmHeight;
  } else {
    bg_width_ = bg_height_ = 0;
  }
  Invalidate();
}

bool TSkinPanel::LoadBackgroundResource(int resource_id) {
  TGdiPlusPicture bytes;
  if (!bytes.LoadFromResource(resource_id)) return false;
  SetBackgroundBytes(bytes.Bytes());
  return static_cast<bool>(background_);
}

void TSkinPanel::Paint(TCanvas& canvas) {
  // The background (Color) is already erased; the picture covers it.
  if (background_) canvas.Draw(0, 0, background_.Get());
}
