// Drawing helpers of the widget layer: colours resolved through the system
// table, cursors, TFont (a font description with its GDI font) and TCanvas
// (pen, brush, font, lines, text and bitmaps on a device context).
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/color.h"
#include "ui/gdi_handles_win.h"

// ---- Colours ----------------------------------------------------------------

// Explicit colours as they are; system colours through GetSysColor. clNone and
// clDefault have no RGB value: callers check for them first (they give black).
COLORREF ColorToRGB(TColor color);

// ---- Cursors --------------------------------------------------------------

using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crUpArrow = -10, crHourGlass = -11, crNo = -18, crHandPoint = -21,
                         crSizeAll = -22;
// The shared system cursor of a TCursor; crDefault gives the arrow.
HCURSOR CursorHandle(TCursor cursor);

// ---- Font -----------------------------------------------------------------

using TFontStyles = uint32_t;
inline constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// A font description and its GDI font, made on demand. Height is in pixels:
// negative = the character height (the layout's -11 is "MS Sans Serif 8 pt"
// at 96 dpi), positive = the cell height. The charset is the Cyrillic one
// (RUSSIAN_CHARSET) so CP1251 texts find their glyphs.
class TFont {
 public:
  TFont();
  TFont(const TFont& other);             // copies the description, not the handle
  TFont& operator=(const TFont& other);  // the same, and notifies OnChange

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  int Height() const { return height_; }
  void SetHeight(int height);
  // The size in points at 96 pixels per inch: -Height x 72 / 96, rounded
  // (8 for the layout's -11).
  int Size() const;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t charset);

  // The GDI font, created at first use and after each change; owned here.
  HFONT Handle() const;

  // Called after each change (the owning control repaints / re-sends WM_SETFONT).
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  uint8_t charset_ = RUSSIAN_CHARSET;
  mutable UniqueGdiObj<HFONT> handle_;
};

// ---- Canvas ---------------------------------------------------------------

// Drawing on a device context it does not own: a cosmetic solid pen of
// PenColor/PenWidth, a solid brush, a font. Objects it selects go back when it
// is destroyed or re-pointed with SetHandle.
class TCanvas {
 public:
  explicit TCanvas(HDC dc = nullptr);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }
  void SetHandle(HDC dc);

  TColor PenColor() const { return pen_color_; }
  void SetPenColor(TColor color);
  int PenWidth() const { return pen_width_; }
  void SetPenWidth(int width);
  TColor BrushColor() const { return brush_color_; }
  void SetBrushColor(TColor color);  // clNone = hollow (FillRect draws nothing)
  void SetFont(const TFont& font);   // selects font.Handle() and its colour

  // Lines: as usual the end point of a LineTo is not painted.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void SetPixel(int x, int y, TColor color);
  TColor Pixel(int x, int y) const;  // 0x00BBGGRR, or clNone outside the surface
  void FillRect(const RECT& rect);   // with the brush
  void FrameRect(const RECT& rect);  // 1-pixel outline with the brush
  // Text in CP1251, transparent background, in the font's colour.
  void TextAt(int x, int y, std::string_view text);
  void TextInRect(const RECT& rect, std::string_view text, UINT draw_text_flags);
  SIZE TextExtent(std::string_view text);
  // Bitmaps: at their own size, or stretched into `dest`.
  void Draw(int x, int y, HBITMAP bitmap);
  void StretchDraw(const RECT& dest, HBITMAP bitmap);

 private:
  void Deselect();
  void UsePen();
  void UseBrush();

  HDC dc_ = nullptr;
  TColor pen_color_ = clBlack;
  int pen_width_ = 1;
  TColor brush_color_ = clWhite;
  UniqueGdiObj<HPEN> pen_;
  UniqueGdiObj<HBRUSH> brush_;
  bool pen_dirty_ = true;
  bool brush_dirty_ = true;
  HGDIOBJ old_pen_ = nullptr;
  HGDIOBJ old_brush_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
};
