// The component and control model of the widget layer:
//
//   TObject            root with a virtual destructor; copying deleted
//   TComponent         owner and owned components, Name; an owner frees what it owns
//   TControl           a child control: parent, bounds, Visible, Enabled, Color, Font,
//                      Caption, Cursor, mouse events and Click
//   TGraphicControl    a control without a window: its parent paints it and routes
//                      the mouse to it (labels, images)
//   TWinControl        a control with a window (HWND), owned from WM_NCCREATE to
//                      WM_NCDESTROY; children; painting; the WindowProc chain
//   TCustomControl     a windowed control that paints itself through Paint(TCanvas&)
//
// Threads: every function of every class here is for the window thread only
// (the thread that called Application.Initialize). Other threads talk to a
// window only through SendMessage/PostMessage of its Handle().
//
// Lifetime: components are made with `new T(owner)` and belong to their owner,
// which frees them (last made, first freed) when it goes. Free a component
// yourself with Free(), which runs BeforeDestruction() while the object is
// still whole (a form's OnDestroy, then the owned components, then the window)
// and then deletes it.
// A windowed control also frees the child controls it still holds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/color.h"
#include "ui/scoped_win.h"

class TComponent;
class TControl;
class TWinControl;

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

// ---- Events -------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = uint32_t;  // set of the flags below
inline constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16,
                             ssMiddle = 32, ssDouble = 64;

using TNotifyEvent = std::function<void(TObject* sender)>;
// X, Y: pointer position in the sender's client coordinates.
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// Shift state from a mouse message's wParam (MK_ flags) plus the Alt key.
TShiftState MouseShiftState(WPARAM wparam);

// ---- Cursors --------------------------------------------------------------

using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crUpArrow = -10, crHourGlass = -11, crNo = -18, crHandPoint = -21,
                         crSizeAll = -22;
// The shared system cursor of a TCursor; crDefault gives the arrow.
HCURSOR CursorHandle(TCursor cursor);

// ---- Colours ----------------------------------------------------------------

// Explicit colours as they are; system colours through GetSysColor. clNone and
// clDefault have no RGB value: callers check for them first (they give black).
COLORREF ColorToRGB(TColor color);

// ---- Component ------------------------------------------------------------

enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;  // frees owned components, leaves the owner's list

  // BeforeDestruction(), then delete. The way to destroy a component.
  void Free();

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component of this exact name (case-sensitive), or nullptr.
  TComponent* FindComponent(std::string_view name) const;

  // True from the start of Free()/destruction on.
  bool Destroying() const { return destroying_; }

  // Told about components joining (opInsert) and leaving (opRemove) this
  // component's owner: the owner and every component it owns hear it, so a
  // reference to a sibling can be dropped before the sibling is gone.
  virtual void Notification(TComponent* component, TOperation operation);

 protected:
  // Runs at the start of Free() while the object is whole; the base version
  // frees the owned components (last made first). Overrides call it.
  virtual void BeforeDestruction();

 private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  bool destroying_ = false;
};

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

// ---- Control --------------------------------------------------------------

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;  // leaves its parent

  TWinControl* Parent() const { return parent_; }
  // Moves the control into `parent`'s child list (top of its z-order) and, for
  // a windowed control whose new parent has a window, creates its window.
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // Left/Top are in the parent's client coordinates (screen ones for forms).
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  RECT ClientRect() const { return RECT{0, 0, ClientWidth(), ClientHeight()}; }
  // Client coordinates of this control <-> screen.
  POINT ClientToScreen(POINT p) const;
  POINT ScreenToClient(POINT p) const;

  // Visible is the control's own flag; Showing() also needs every parent visible.
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // The font starts as a copy of the parent's when the control is first given a
  // parent and its own font was not set before ("parent font").
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }

  // Caption and Text are the same CP1251 text (the window text of windowed controls).
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string text);
  const std::string& Text() const { return Caption(); }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  // Schedules a repaint of the control's area.
  virtual void Invalidate();
  // Repaints at once.
  virtual void Repaint();

  virtual bool IsWindowed() const { return false; }

  // Events. Handlers run through SafeCall: an exception shows the standard
  // error box and the rest of the handler is skipped.
  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;  // the pointer came over the control
  TNotifyEvent OnMouseLeave;  // the pointer left it

  // Input entry points, called by the window that routes the mouse (the
  // control's own window, or for a graphic control its parent's). Overrides
  // call the base version to keep the events. Coordinates are client ones.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();  // the pointer entered (sent once per entry)
  virtual void MouseLeave();  // the pointer left (sent once per exit)
  virtual void Click();

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void BoundsChanged(const RECT& old_bounds);
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  virtual void ColorChanged();
  virtual void FontChanged();
  virtual void TextChanged();

  bool clicked_ = false;  // left button went down on the control: its up is a click

 private:
  friend class TWinControl;
  friend class TForm;

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  TFont font_;
  bool font_set_ = false;  // the font was changed before a parent was set
  std::string caption_;
  TCursor cursor_ = crDefault;
};

// A control without a window: painted by its parent in z-order, with the mouse
// routed to it by its parent.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);

  // Paints the control; the canvas origin is the control's top-left and
  // drawing is clipped to its bounds.
  virtual void Paint(TCanvas& canvas) = 0;

  void Invalidate() override;
  void Repaint() override;
};

// How a windowed control's window is made. CreateParams fills it; a control
// that wraps a system class (the edit box) names it in ClassName and is
// subclassed after creation.
struct TCreateParams {
  std::wstring ClassName;       // empty = the layer's own class
  bool SystemClass = false;     // ClassName is a system class: subclass it
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::wstring Caption;
};

using TWindowProc = std::function<LRESULT(UINT msg, WPARAM wparam, LPARAM lparam)>;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;  // frees the child controls it still holds, destroys the window

  // The window, created when first asked for (its parent's first).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();

  bool IsWindowed() const override { return true; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(index); }
  // The topmost visible non-windowed child at `p` (client coordinates), or
  // nullptr; disabled ones only when `allow_disabled`.
  TControl* ControlAtPos(POINT p, bool allow_disabled) const;

  // Every message of the window goes through WindowProc. It starts as a call
  // of WndProc; a component that needs to see the window's messages first
  // keeps the old value, installs its own and calls the old one (and puts it
  // back when it goes).
  TWindowProc WindowProc;
  // Calls WindowProc directly (no window needed).
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam) { return WindowProc(msg, wparam, lparam); }

  // Painting through the parent (transparent children). Asks this control to
  // paint, into `dc` belonging to `child` (a direct child), what lies under the
  // child: the background (WM_ERASEBKGND with wParam = dc), the own surface
  // (WM_PAINT with wParam = dc) and the non-windowed children. The child's
  // origin maps to its place here; drawing is clipped to the child's size.
  void PaintBackgroundInto(HDC dc, const TControl* child);
  // Paints the visible non-windowed children, in z-order, into `dc` whose
  // logical origin is this control's client origin.
  void PaintGraphicChildren(HDC dc);

  void Invalidate() override;
  void Repaint() override;
  void SetFocus();
  bool Focused() const;

 protected:
  // The control's message handling; overrides call the base version for what
  // they do not handle. Handles: mouse routing (to graphic children, enter and
  // leave, capture, Click), WM_SETCURSOR, painting (below), WM_CTLCOLOR*
  // reflected to the child edit boxes, WM_NCDESTROY.
  //
  // Painting of the layer's own windows: WM_PAINT without a DC composes
  // EraseBackground + PaintWindow + PaintGraphicChildren off-screen and copies
  // it in one transfer; WM_PAINT with wParam = DC runs PaintWindow only;
  // WM_ERASEBKGND with a DC runs EraseBackground (the system's own erase
  // during BeginPaint is skipped: the paint covers it); WM_PRINTCLIENT runs all
  // three into its DC.
  virtual LRESULT WndProc(UINT msg, WPARAM wparam, LPARAM lparam);
  // The default handling: DefWindowProc, or the system class's procedure.
  LRESULT DefaultHandler(UINT msg, WPARAM wparam, LPARAM lparam);

  virtual void CreateParams(TCreateParams& params);
  // After the window exists: font, text, enabled state are applied. Overrides
  // call the base version.
  virtual void HandleCreated();
  // At WM_NCDESTROY, when the window is already gone.
  virtual void HandleDestroyed();

  // Fills the client area with Color (nothing for clNone).
  virtual void EraseBackground(HDC dc);
  // The control's own surface above the background (nothing here).
  virtual void PaintWindow(HDC dc);

  void BeforeDestruction() override;
  void BoundsChanged(const RECT& old_bounds) override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void ColorChanged() override;
  void FontChanged() override;
  void TextChanged() override;

  // The solid brush of Color, for WM_CTLCOLOR* answers; made on demand.
  HBRUSH BackgroundBrush();

 private:
  friend class TControl;
  friend class TForm;
  static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateWnd();
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  LRESULT RouteMouse(UINT msg, WPARAM wparam, LPARAM lparam);
  void PaintComposed();
  TControl* ChildByHandle(HWND hwnd) const;

  HWND handle_ = nullptr;
  WNDPROC system_proc_ = nullptr;  // the system class's procedure when subclassed
  std::vector<TControl*> controls_;  // z-order: later = above
  TControl* capture_control_ = nullptr;  // graphic child holding the mouse
  bool in_own_begin_paint_ = false;
  bool tracking_leave_ = false;
  TColor brush_color_ = clNone;
  UniqueGdiObj<HBRUSH> brush_;
};

// A windowed control that paints itself: override Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);

 protected:
  // Paints the control's own surface (the background is already erased).
  virtual void Paint(TCanvas& canvas);
  // The canvas of the running paint (valid inside Paint only).
  TCanvas& Canvas() { return canvas_; }

  void PaintWindow(HDC dc) override;

 private:
  TCanvas canvas_;
};
