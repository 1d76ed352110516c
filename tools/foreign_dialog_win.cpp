// foreign_dialog CAPTION [SECONDS]: shows a standard dialog (class "#32770")
// with that caption in a process of its own and keeps it up until asked to
// end or SECONDS (default 30) have passed. The Windows tests use it as
// another program's dialog that the player must leave alone.
//
// While it runs, the dialog answers kMsgWhatHappened with a bit set of what
// reached it (1 WM_LBUTTONDOWN, 2 WM_LBUTTONUP, 4 WM_CLOSE, 8 WM_SETICON); a
// close is noted, not acted on. kMsgEnd ends the program (exit code 0).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kMsgWhatHappened = WM_APP + 1;
constexpr UINT kMsgEnd = WM_APP + 2;
LRESULT g_seen = 0;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_LBUTTONDOWN:
      g_seen |= 1;
      return TRUE;
    case WM_LBUTTONUP:
      g_seen |= 2;
      return TRUE;
    case WM_CLOSE:
      g_seen |= 4;
      return TRUE;
    case WM_SETICON:
      g_seen |= 8;
      return FALSE;
    case kMsgWhatHappened:
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, g_seen);
      return TRUE;
    case kMsgEnd:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) return 2;
  const std::wstring caption = argv[1];
  const int seconds = argc > 2 ? _wtoi(argv[2]) : 30;

  // An in-memory template: a small captioned popup of the standard class.
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  d->cx = 120;
  d->cy = 50;
  d->x = 30;
  d->y = 30;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard class
  for (wchar_t c : caption) t.push_back(c);
  t.push_back(0);
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                           reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                           &DialogProc, 0);
  if (!dialog) return 1;
  SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, nullptr);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER && m.hwnd == nullptr) break;
    if (!IsDialogMessageW(dialog, &m)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  DestroyWindow(dialog);
  return 0;
}
