// Labels, pictures, panels and the edit box.
#include "ui/stdctrls_win.h"

#include "ui/application_win.h"
#include "base/cp1251_win.h"

// ---- TLabel -------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 13); }

void TLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TLabel::SetWordWrap(bool wrap) {
  if (wrap == word_wrap_) return;
  word_wrap_ = wrap;
  Invalidate();
}

void TLabel::Paint(TCanvas& canvas) {
  const RECT r{0, 0, Width(), Height()};
  if (!transparent_ && Color() != clNone) {
    canvas.SetBrushColor(Color());
    canvas.FillRect(r);
  }
  if (Caption().empty()) return;
  canvas.SetFont(Font());
  if (!Enabled()) ::SetTextColor(canvas.Handle(), ::GetSysColor(COLOR_GRAYTEXT));
  // Status texts come from the network: '&' is shown, not taken as an access key.
  canvas.TextInRect(r, Caption(),
                    DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS | (word_wrap_ ? DT_WORDBREAK : 0));
}

// ---- TPicture -----------------------------------------------------------------

bool TPicture::LoadFromResource(HINSTANCE instance, int resource_id) {
  HANDLE h = ::LoadImageW(instance ? instance : ::GetModuleHandleW(nullptr),
                          MAKEINTRESOURCEW(resource_id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) return false;
  SetBitmap(UniqueGdiObj<HBITMAP>(static_cast<HBITMAP>(h)));
  return true;
}

void TPicture::SetBitmap(UniqueGdiObj<HBITMAP> bitmap) {
  bitmap_ = std::move(bitmap);
  BITMAP bm{};
  if (bitmap_ && ::GetObjectW(bitmap_.Get(), sizeof(bm), &bm)) {
    width_ = bm.bmWidth;
    height_ = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  } else {
    width_ = height_ = 0;
  }
  Changed();
}

bool TPicture::CopyFrom(HBITMAP bitmap) {
  if (!bitmap) {
    Clear();
    return true;
  }
  HANDLE copy = ::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!copy) return false;
  SetBitmap(UniqueGdiObj<HBITMAP>(static_cast<HBITMAP>(copy)));
  return true;
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this) return;
  if (other.Empty()) {
    Clear();
  } else if (!CopyFrom(other.Bitmap())) {
    throw std::runtime_error("Could not copy the picture");
  }
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

// ---- TImage -------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this] { Invalidate(); };
}

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  if (picture_.Empty()) return;
  if (stretch_) {
    canvas.StretchDraw(RECT{0, 0, Width(), Height()}, picture_.Bitmap());
  } else {
    canvas.Draw(0, 0, picture_.Bitmap());
  }
}

// ---- TPanel -------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == bevel_outer_) return;
  bevel_outer_ = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == bevel_inner_) return;
  bevel_inner_ = bevel;
  Invalidate();
}

void TPanel::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  for (TBevelCut bevel : {bevel_outer_, bevel_inner_}) {
    if (bevel == bvNone) continue;
    ::DrawEdge(canvas.Handle(), &r, bevel == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    ::InflateRect(&r, -1, -1);
  }
  if (!Caption().empty()) {
    canvas.SetFont(Font());
    canvas.TextInRect(r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

// ---- TEdit --------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"EDIT";
  params.SystemClass = true;
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.Style |= ES_AUTOHSCROLL | ES_LEFT | (read_only_ ? ES_READONLY : 0);
  if (border_style_ == bsSingleBorder) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::SetBorderStyle(TBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  if (HandleAllocated()) {
    HWND h = Handle();
    LONG ex = ::GetWindowLongW(h, GWL_EXSTYLE);
    ex = style == bsSingleBorder ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE);
    ::SetWindowLongW(h, GWL_EXSTYLE, ex);
    ::SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TEdit::SetReadOnly(bool read_only) {
  if (read_only == read_only_) return;
  read_only_ = read_only;
  if (HandleAllocated()) ::SendMessageW(Handle(), EM_SETREADONLY, read_only, 0);
}

std::string TEdit::CurrentText() {
  if (!HandleAllocated()) return Caption();
  HWND h = Handle();
  std::wstring w(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  const int n = ::GetWindowTextW(h, w.data(), static_cast<int>(w.size()));
  w.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return FromWide(w);
}

void TEdit::TextChanged() {
  updating_text_ = true;
  TWinControl::TextChanged();
  updating_text_ = false;
}

void TEdit::EditChanged() {
  if (updating_text_) return;
  const std::string now = CurrentText();
  if (now == Caption()) return;
  // Keep Caption in step with what the user typed, without setting the window text again.
  updating_text_ = true;
  SetCaption(now);
  updating_text_ = false;
  FireEvent(OnChange, this);
}

HBRUSH TEdit::CtlColor(HDC dc) {
  ::SetTextColor(dc, ColorToRGB(Font().Color()));
  ::SetBkColor(dc, ColorToRGB(Color()));
  return BackgroundBrush();
}

bool TEdit::ReflectedMessage(UINT msg, WPARAM wparam, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wparam)));
      return true;
    case WM_COMMAND:
      if (HIWORD(wparam) != EN_CHANGE) return false;
      EditChanged();
      result = 0;
      return true;
    default:
      return false;
  }
}
