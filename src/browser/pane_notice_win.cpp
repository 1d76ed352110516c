#include "browser/pane_notice_win.h"

#include <algorithm>

#include "base/cp1251_win.h"
#include "browser/catalogue_host.h"
#include "browser/link_interception_win.h"

namespace {

constexpr wchar_t kNoticeClass[] = L"VolnarPaneNotice";
constexpr UINT_PTR kNoticeTimer = 1;
constexpr int kNoticeButtonId = 101;
constexpr COLORREF kNoticeColor = RGB(0xFF, 0xF4, 0xD6);  // the pages' notice colour
constexpr COLORREF kNoticeBorder = RGB(0xF0, 0xCF, 0x7A);
constexpr char kNoticeName[] = "PaneNotice";
constexpr char kNoticeText[] =
    "Каталог станций не может показаться в этом окне: в системе нет компонента, который "
    "показывает веб-страницы. Откройте каталог в браузере — станции, выбранные там, будут "
    "играть в этой программе.";
constexpr char kNoticeButtonText[] = "Открыть каталог в браузере";

bool RegisterNoticeClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;  // replaced by the object's procedure at creation
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kNoticeClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

TPaneNotice::TPaneNotice(THostedBrowser* browser, HWND parent, std::string open_address)
    : TComponent(browser),
      browser_(browser),
      parent_(parent),
      open_address_(std::move(open_address)) {
  SetName(kNoticeName);
  if (!RegisterNoticeClass()) return;  // then there is no notice, as before
  font_.Reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                          L"Tahoma"));
  background_.Reset(CreateSolidBrush(kNoticeColor));
  const int left = browser->Left() + kWidthInset;
  const int width = std::max(200, browser->Width() - 2 * kWidthInset);
  // Below the middle: the window's pictures and the please-wait box are above it.
  const int top = browser->Top() +
                  std::max(0, std::min(browser->Height() / 2 + 10, browser->Height() - kHeight));
  window_.Reset(CreateWindowExW(0, kNoticeClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                left, top, width, kHeight, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  if (!window_) return;
  SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_.Get(), GWLP_WNDPROC,
                    reinterpret_cast<LONG_PTR>(&TPaneNotice::WindowProc));
  text_ = CreateWindowExW(0, L"STATIC", ToWide(kNoticeText).c_str(),
                          WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 10, width - 24, 54, window_.Get(),
                          nullptr, GetModuleHandleW(nullptr), nullptr);
  button_ = CreateWindowExW(0, L"BUTTON", ToWide(kNoticeButtonText).c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, (width - 220) / 2,
                            70, 220, 28, window_.Get(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoticeButtonId)),
                            GetModuleHandleW(nullptr), nullptr);
  for (HWND child : {text_, button_}) {
    if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  }
  SetTimer(window_.Get(), kNoticeTimer, kCheckMs, nullptr);
}

TPaneNotice::~TPaneNotice() {
  if (window_) {
    KillTimer(window_.Get(), kNoticeTimer);
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);  // no message reaches a freed object
  }
  // window_ is destroyed with its children, then the font and brush.
}

void TPaneNotice::DocumentCompleted() {
  document_seen_ = true;
  Check();
}

void TPaneNotice::Check() {
  if (!window_) return;
  // A page shows once a document has completed or the browser holds one;
  // the browser without an HTML engine never has either.
  const bool renders = document_seen_ || browser_->Document() != nullptr;
  if (renders) {
    KillTimer(window_.Get(), kNoticeTimer);
    ShowWindow(window_.Get(), SW_HIDE);
    return;
  }
  if (!IsWindowVisible(window_.Get())) {
    SetWindowPos(window_.Get(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
}

bool TPaneNotice::Showing() const { return window_ && IsWindowVisible(window_.Get()); }

void TPaneNotice::OpenInBrowser() { ShellOpen(parent_, open_address_); }

LRESULT CALLBACK TPaneNotice::WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<TPaneNotice*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, msg, wparam, lparam);
  // No exception leaves a window procedure.
  try {
    return self->Handle(msg, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

LRESULT TPaneNotice::Handle(UINT msg, WPARAM wparam, LPARAM lparam) {
  HWND w = window_.Get();
  switch (msg) {
    case WM_TIMER:
      if (wparam == kNoticeTimer) Check();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kNoticeButtonId && HIWORD(wparam) == BN_CLICKED) OpenInBrowser();
      return 0;
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wparam), kNoticeColor);
      SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0x1D, 0x2A, 0x33));
      return reinterpret_cast<LRESULT>(background_.Get());
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(w, &r);
      HDC dc = reinterpret_cast<HDC>(wparam);
      FillRect(dc, &r, background_.Get());
      UniqueGdiObj<HBRUSH> border(CreateSolidBrush(kNoticeBorder));
      FrameRect(dc, &r, border.Get());
      return 1;
    }
    default:
      return DefWindowProcW(w, msg, wparam, lparam);
  }
}

TPaneNotice* WatchPaneRendering(THostedBrowser& browser, HWND parent,
                                const std::string& catalogue_host) {
  // The built-in catalogue's entry for an external browser marks it so that
  // its pages play through the server; an external site has no such entry.
  const std::string address =
      "http://" + catalogue_host + (kBuiltInCatalogue ? std::string("/external") : std::string());
  if (auto* existing = dynamic_cast<TPaneNotice*>(browser.FindComponent(kNoticeName)))
    return existing;
  return new TPaneNotice(&browser, parent, address);
}

void PaneDocumentCompleted(THostedBrowser& browser) {
  if (auto* notice = dynamic_cast<TPaneNotice*>(browser.FindComponent(kNoticeName)))
    notice->DocumentCompleted();
}
