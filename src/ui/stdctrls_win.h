// The plain controls the main window uses: TLabel, TImage (with TPicture),
// TPanel, TEdit.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls_win.h"

// A text label drawn by its parent: fixed size (no automatic sizing), text at
// the top left, clipped to the box, '&' shown as it is. Transparent: only the
// text is drawn; otherwise the box is filled with Color first. Often kept
// hidden and used only to hold a text.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // Word wrapping at the box's width (off: one line per text line).
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool wrap);

  void Paint(TCanvas& canvas) override;

 private:
  bool transparent_ = true;
  bool word_wrap_ = false;
};

// A device-independent bitmap owned by a picture control. Empty when it holds none.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  bool Empty() const { return !bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Bitmap() const { return bitmap_.Get(); }

  // A bitmap resource of `instance` (nullptr = this executable) by numeric id.
  [[nodiscard]] bool LoadFromResource(HINSTANCE instance, int resource_id);
  // Takes ownership of `bitmap` (nullptr empties the picture).
  void SetBitmap(UniqueGdiObj<HBITMAP> bitmap);
  // A copy of `bitmap`, which stays the caller's.
  [[nodiscard]] bool CopyFrom(HBITMAP bitmap);
  // A copy of another picture's bitmap (an empty one empties this).
  void Assign(const TPicture& other);
  void Clear() { SetBitmap({}); }

  std::function<void()> OnChange;

 private:
  void Changed();

  UniqueGdiObj<HBITMAP> bitmap_;
  int width_ = 0, height_ = 0;
};

// A picture drawn by its parent: at the top left at its own size, or
// stretched to the control's bounds.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  void Paint(TCanvas& canvas) override;

 private:
  TPicture picture_;
  bool stretch_ = false;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A windowed container: fills with Color, draws its bevels (1 pixel each) and
// its caption centred; holds children.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut bevel);

 protected:
  void Paint(TCanvas& canvas) override;

 private:
  TBevelCut bevel_outer_ = bvRaised;
  TBevelCut bevel_inner_ = bvNone;
};

enum TBorderStyle { bsNoBorder, bsSingleBorder };

// A one-line edit box (the system's edit control), Text = its window text.
// Background Color and Font colour are applied also while it is disabled.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);

  // The text as the edit box holds it now (the user may have typed).
  std::string CurrentText();

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  // The parent's WM_CTLCOLOREDIT/STATIC (colours) and EN_CHANGE (typing).
  bool ReflectedMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void TextChanged() override;

 private:
  // The answer to the parent's WM_CTLCOLOREDIT/STATIC: colours set on `dc`.
  HBRUSH CtlColor(HDC dc);
  // EN_CHANGE from the edit box: Text follows what the user typed, OnChange.
  void EditChanged();

  TBorderStyle border_style_ = bsSingleBorder;
  bool read_only_ = false;
  bool updating_text_ = false;
};
