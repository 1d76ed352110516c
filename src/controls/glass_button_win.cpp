#include "controls/glass_button_win.h"

#include <windowsx.h>
#include <objidl.h>
#include <gdiplus.h>

#include "controls/image_bytes_win.h"
#include "ui/application_win.h"
#include "ui/shortcut.h"
#include "base/cp1251_win.h"

namespace {

constexpr unsigned kCursorPollMs = 1;
constexpr COLORREF kDisabledCaption = RGB(0x80, 0x80, 0x80);

// Colours resolved through the system table (so clWindow is the real window
// colour), with the alpha given.
Gdiplus::Color GdiColor(TColor color, BYTE alpha = 255) {
  const COLORREF rgb = ColorToRGB(color);
  return Gdiplus::Color(alpha, GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

Gdiplus::RectF GdiRect(const GlassRect& r) { return Gdiplus::RectF(r.x, r.y, r.w, r.h); }

void AddOutline(Gdiplus::GraphicsPath& path, const GlassPath& outline) {
  for (const GlassSegment& s : outline) {
    if (s.kind == GlassSegment::kArc) {
      path.AddArc(GdiRect(s.box), s.start, s.sweep);
    } else {
      path.AddLine(s.from.x, s.from.y, s.to.x, s.to.y);
    }
  }
  path.CloseFigure();
}

}  // namespace

TGlassButton::TGlassButton(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 100, 32);
  Font().SetName("Tahoma");
  const auto repaint = [this] { Invalidate(); };
  picture_.OnChange = repaint;
  picture_down_.OnChange = repaint;
  picture_disabled_.OnChange = repaint;
  poll_ = new TTimer(this);
  poll_->SetEnabled(false);
  poll_->SetInterval(kCursorPollMs);
  poll_->OnTimer = [this](TObject*) { CursorPollTick(); };
}

void TGlassButton::SetCornerRadius(int radius) {
  if (radius < 0) return;
  ChangeAndInvalidate(corner_radius_, radius);
}

void TGlassButton::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
}

const TGdiPlusPicture& TGlassButton::CurrentPicture() const {
  switch (ChooseGlassPicture(Enabled(), pressed_, hover_, down_, !picture_disabled_.Empty(),
                             !picture_down_.Empty())) {
    case GlassPicture::kDisabled: return picture_disabled_;
    case GlassPicture::kDown: return picture_down_;
    case GlassPicture::kNormal: break;
  }
  return picture_;
}

void TGlassButton::EraseBackground(HDC) {
  // Transparent: PaintWindow asks the parent for what lies under the button.
}

void TGlassButton::PaintWindow(HDC dc) {
  state_ = FixUpState(state_, Enabled(), down_, false, false);
  if (!Enabled()) tracking_ = false;
  if (TWinControl* parent = Parent()) parent->PaintBackgroundInto(dc, this);
  if (!GdiPlusReady()) return;
  PaintBody(dc);
  PaintContent(dc);
}

void TGlassButton::PaintBody(HDC dc) {
  // Every paint makes its own GDI+ objects and frees them at once.
  const GlassBody body = GlassBodyGeometry(Width(), Height(), corner_radius_);
  Gdiplus::Graphics g(dc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);

  Gdiplus::GraphicsPath outer;
  AddOutline(outer, body.outer);
  Gdiplus::Pen outer_pen(GdiColor(outer_border_color_), 1);
  g.DrawPath(&outer_pen, &outer);

  Gdiplus::GraphicsPath inner;
  AddOutline(inner, body.inner);
  Gdiplus::SolidBrush fill(GdiColor(back_color_, kGlassBackAlpha));
  g.FillPath(&fill, &inner);

  if (DrawsGlow(pressed_, down_, state_)) {
    g.SetClip(&inner);
    Gdiplus::GraphicsPath ellipse;
    ellipse.AddEllipse(GdiRect(body.glow));
    Gdiplus::PathGradientBrush glow(&ellipse);
    glow.SetCenterColor(GdiColor(glow_color_, kGlassGlowCentreAlpha));
    Gdiplus::Color edge = GdiColor(glow_color_, 0);
    int count = 1;
    glow.SetSurroundColors(&edge, &count);
    g.FillPath(&glow, &ellipse);
    g.ResetClip();
  }

  if (body.has_shine) {
    Gdiplus::GraphicsPath shine;
    AddOutline(shine, body.shine);
    Gdiplus::LinearGradientBrush gradient(GdiRect(body.shine_gradient),
                                          GdiColor(shine_color_, kGlassShineTopAlpha),
                                          GdiColor(shine_color_, kGlassShineBottomAlpha),
                                          Gdiplus::LinearGradientModeVertical);
    g.FillPath(&gradient, &shine);
  }

  Gdiplus::Pen inner_pen(GdiColor(inner_border_color_), 1);
  g.DrawPath(&inner_pen, &inner);
}

void TGlassButton::PaintContent(HDC dc) {
  const TGdiPlusPicture& picture = CurrentPicture();
  const SIZE glyph = picture.Size();
  const int gw = glyph.cx, gh = glyph.cy, w = Width(), h = Height();
  GlassSpot spot = GlassPictureCentred(gw, gh, w, h);
  if (show_caption_ && !Caption().empty()) {
    const std::wstring text = ToWide(Caption());
    const COLORREF colour = Enabled() ? ColorToRGB(Font().Color()) : kDisabledCaption;
    const GlassRect caption = GlassCaptionRect(gw, w, h);
    const TFontStyles styles = Font().Style();
    const INT style = ((styles & fsBold) ? Gdiplus::FontStyleBold : 0) |
                      ((styles & fsItalic) ? Gdiplus::FontStyleItalic : 0) |
                      ((styles & fsUnderline) ? Gdiplus::FontStyleUnderline : 0);
    Gdiplus::Graphics g(dc);
    Gdiplus::Font font(ToWide(Font().Name()).c_str(), static_cast<Gdiplus::REAL>(Font().Size()),
                       style, Gdiplus::UnitPoint);
    if (font.GetLastStatus() == Gdiplus::Ok) {
      g.SetTextRenderingHint(anti_alias_ == aaClearType   ? Gdiplus::TextRenderingHintClearTypeGridFit
                             : anti_alias_ == aaAntiAlias ? Gdiplus::TextRenderingHintAntiAliasGridFit
                                                          : Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
      Gdiplus::StringFormat format;  // wrapping allowed
      format.SetAlignment(Gdiplus::StringAlignmentCenter);
      format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
      format.SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
      format.SetTrimming(Gdiplus::StringTrimmingNone);
      Gdiplus::SolidBrush brush(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)));
      Gdiplus::RectF bounds;
      g.MeasureString(text.c_str(), -1, &font, Gdiplus::RectF(0, 0, w, h), &format, &bounds);
      // A rectangle of no width would not bound the text at all: GDI+ would
      // centre it on the right edge and its glyphs would show through the
      // picture's transparent corners. The picture fills the button then.
      if (caption.w > 0) g.DrawString(text.c_str(), -1, &font, GdiRect(caption), &format, &brush);
      spot = GlassPicturePlace(bounds.X, gw, gh, h);
    } else {
      // Not a font GDI+ can use: the system's plain text drawing.
      g.Flush();
      ScopedSaveDC save(dc);
      ScopedSelectObject select(dc, Font().Handle());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, colour);
      RECT all{0, 0, w, h};
      RECT measured = all;
      DrawTextW(dc, text.c_str(), -1, &measured, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_CALCRECT);
      const int text_w = measured.right - measured.left;
      RECT r{static_cast<LONG>(caption.x), 0, w, h};
      if (caption.w > 0) DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
      spot = GlassPicturePlace((w - text_w) / 2.0, gw, gh, h);
    }
  }
  // After the caption: the picture covers it where they overlap.
  picture.Draw(dc, spot.x, spot.y);
}

void TGlassButton::SetHover(bool hover) {
  if (hover == hover_) return;
  hover_ = hover;
  poll_->SetEnabled(hover);
  FireEvent(hover ? OnMouseEnter : OnMouseLeave, this);
}

void TGlassButton::MouseEnter() { SetHover(true); }

void TGlassButton::MouseLeave() { SetHover(false); }

void TGlassButton::CursorPollTick() {
  POINT p{};
  if (!HandleAllocated() || !GetCursorPos(&p)) return;
  ::ScreenToClient(Handle(), &p);
  if (Inside(p.x, p.y)) return;
  SetHover(false);
  if (Enabled()) Invalidate();
}

void TGlassButton::RecheckHover() {
  POINT p{};
  if (!HandleAllocated() || !GetCursorPos(&p)) return;
  SetHover(WindowFromPoint(p) == Handle());
}

void TGlassButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    if (!down_) {
      state_ = GlassState::kPressed;
      Invalidate();
    }
    if (HandleAllocated()) SetFocus();
    tracking_ = true;
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TGlassButton::MouseMove(TShiftState shift, int x, int y) {
  if (tracking_) {
    const GlassState now = Inside(x, y) ? GlassState::kPressed : GlassState::kNormal;
    if (now != state_) {
      state_ = now;
      Invalidate();
    }
  } else if (!hover_) {
    RecheckHover();
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TGlassButton::LeftButtonUp(int x, int y) {
  pressed_ = false;
  Invalidate();
  if (!tracking_) return;
  tracking_ = false;
  state_ = GlassState::kNormal;
  SetHover(false);
  if (Inside(x, y)) Invalidate();
  RecheckHover();
}

void TGlassButton::Click() {
  if (Enabled()) TCustomControl::Click();
}

bool TGlassButton::DialogChar(wchar_t key) {
  if (!IsAccel(static_cast<char16_t>(key), Caption()) || !CanFocus()) return false;
  Click();
  return true;
}

LRESULT TGlassButton::WndProc(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    case WM_LBUTTONUP: {
      // The button's own release steps first, then the ordinary release
      // handling (Click when the press began here and ends inside), then a repaint.
      SafeCall([&] { LeftButtonUp(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); });
      const LRESULT r = TCustomControl::WndProc(msg, wparam, lparam);
      Invalidate();
      return r;
    }
    case WM_CHAR:
      if (wparam == L' ') {
        Click();
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
          GetKeyState(VK_MENU) >= 0) {
        Click();
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  return TCustomControl::WndProc(msg, wparam, lparam);
}
