// Colours, cursors, fonts and the canvas.
#include "ui/graphics_win.h"

#include "base/cp1251_win.h"

HCURSOR CursorHandle(TCursor cursor) {
  const wchar_t* id = IDC_ARROW;
  switch (cursor) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return ::LoadCursorW(nullptr, id);
}

COLORREF ColorToRGB(TColor color) {
  if (color == clNone || color == clDefault) return RGB(0, 0, 0);
  if (IsSystemColor(color)) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFF;
}

// ---- TFont ------------------------------------------------------------------

TFont::TFont() = default;

TFont::TFont(const TFont& o)
    : name_(o.name_), height_(o.height_), color_(o.color_), style_(o.style_),
      charset_(o.charset_) {}

TFont& TFont::operator=(const TFont& o) {
  if (this == &o) return *this;
  name_ = o.name_;
  height_ = o.height_;
  color_ = o.color_;
  style_ = o.style_;
  charset_ = o.charset_;
  Changed();
  return *this;
}

void TFont::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed();
}
void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}
void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}
int TFont::Size() const {
  // MulDiv rounds halves away from zero: -11 gives 8 points.
  return -::MulDiv(height_, 72, 96);
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TFont::SetCharset(uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = ToWide(name_);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    handle_.Reset(::CreateFontIndirectW(&lf));
  }
  return handle_.Get();
}

void TFont::Changed() {
  // The old font stays alive until the owner has switched to the new one.
  UniqueGdiObj<HFONT> old = std::move(handle_);
  if (OnChange) OnChange();
}

// ---- TCanvas ----------------------------------------------------------------

TCanvas::TCanvas(HDC dc) : dc_(dc) {}

TCanvas::~TCanvas() { Deselect(); }

void TCanvas::SetHandle(HDC dc) {
  Deselect();
  dc_ = dc;
  pen_dirty_ = brush_dirty_ = true;
}

void TCanvas::Deselect() {
  if (dc_) {
    if (old_pen_) ::SelectObject(dc_, old_pen_);
    if (old_font_) ::SelectObject(dc_, old_font_);
  }
  old_pen_ = old_brush_ = old_font_ = nullptr;
  pen_dirty_ = brush_dirty_ = true;
}

void TCanvas::SetPenColor(TColor color) {
  pen_color_ = color;
  pen_dirty_ = true;
}
void TCanvas::SetPenWidth(int width) {
  pen_width_ = width;
  pen_dirty_ = true;
}
void TCanvas::SetBrushColor(TColor color) {
  brush_color_ = color;
  brush_dirty_ = true;
}

void TCanvas::UsePen() {
  if (!pen_dirty_ || !dc_) return;
  UniqueGdiObj<HPEN> pen(pen_color_ == clNone
                             ? ::CreatePen(PS_NULL, 0, 0)
                             : ::CreatePen(PS_SOLID, pen_width_, ColorToRGB(pen_color_)));
  HGDIOBJ prev = ::SelectObject(dc_, pen.Get());
  if (!old_pen_) old_pen_ = prev;
  pen_ = std::move(pen);  // the previous pen of ours is no longer selected
  pen_dirty_ = false;
}

void TCanvas::UseBrush() {
  if (!brush_dirty_) return;
  brush_.Reset(brush_color_ == clNone ? nullptr : ::CreateSolidBrush(ColorToRGB(brush_color_)));
  brush_dirty_ = false;
}

void TCanvas::SetFont(const TFont& font) {
  if (!dc_) return;
  HGDIOBJ prev = ::SelectObject(dc_, font.Handle());
  if (!old_font_) old_font_ = prev;
  ::SetTextColor(dc_, ColorToRGB(font.Color()));
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(dc_, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  UsePen();
  ::LineTo(dc_, x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(dc_, x, y, ColorToRGB(color)); }

TColor TCanvas::Pixel(int x, int y) const {
  const COLORREF c = ::GetPixel(dc_, x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::FillRect(const RECT& rect) {
  UseBrush();
  if (brush_) ::FillRect(dc_, &rect, brush_.Get());
}

void TCanvas::FrameRect(const RECT& rect) {
  UseBrush();
  if (brush_) ::FrameRect(dc_, &rect, brush_.Get());
}

void TCanvas::TextAt(int x, int y, std::string_view text) {
  const std::wstring w = ToWide(text);
  ::SetBkMode(dc_, TRANSPARENT);
  ::TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
}

void TCanvas::TextInRect(const RECT& rect, std::string_view text, UINT flags) {
  std::wstring w = ToWide(text);
  RECT r = rect;
  ::SetBkMode(dc_, TRANSPARENT);
  ::DrawTextW(dc_, w.data(), static_cast<int>(w.size()), &r, flags);
}

SIZE TCanvas::TextExtent(std::string_view text) {
  const std::wstring w = ToWide(text);
  SIZE s{};
  ::GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &s);
  return s;
}

void TCanvas::Draw(int x, int y, HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return;
  UniqueHdc mem(::CreateCompatibleDC(dc_));
  ScopedSelectObject sel(mem.Get(), bitmap);
  ::BitBlt(dc_, x, y, bm.bmWidth, bm.bmHeight, mem.Get(), 0, 0, SRCCOPY);
}

void TCanvas::StretchDraw(const RECT& dest, HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return;
  UniqueHdc mem(::CreateCompatibleDC(dc_));
  ScopedSelectObject sel(mem.Get(), bitmap);
  const int old_mode = ::SetStretchBltMode(dc_, COLORONCOLOR);
  ::StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               mem.Get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  ::SetStretchBltMode(dc_, old_mode);
}
