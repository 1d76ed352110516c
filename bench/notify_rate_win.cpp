// notify_rate URL [SECONDS]: plays URL through the main window's Play, as the
// player does, and counts what the window thread handles while the connection
// buffers: the player notifications (by code) and every message that reaches
// the main window's procedure, from the connecting report to the end of the
// buffering wait (the first report after the last buffering one). Prints the
// figures and the rate per second. A figure, not a test.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_state_win.h"
#include "app/unit1_win.h"
#include "playback/notification_rules.h"
#include "ui/ui_win.h"

namespace {

struct Counts {
  DWORD start = 0;         // tick of the connecting report
  DWORD end = 0;           // tick of the first report after the wait
  int buffering = 0;       // buffering reports
  int window = 0;          // messages through the window procedure meanwhile
  int failed = 0;
  uint32_t last_percent = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: notify_rate URL [SECONDS]\n");
    return 1;
  }
  const std::string url = argv[1];  // an ASCII address
  const DWORD limit_ms = argc > 2 ? DWORD(std::atoi(argv[2]) * 1000) : 60000;
  ScopedOleInit ole;
  Application.Initialize();
  Application.CreateForm(Form1);
  ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
  Form1->Show();

  Counts counts;
  bool buffering_over = false;
  TWindowProc inner = Form1->WindowProc;
  Form1->WindowProc = [&](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
    if (counts.start && !buffering_over) ++counts.window;
    if (msg == kPlayerNotification) {
      const uint32_t code = static_cast<uint32_t>(wparam);
      if (code == kCodeConnecting) counts.start = GetTickCount();
      if (code == kCodeBuffering && !buffering_over) {
        ++counts.buffering;
        counts.last_percent = static_cast<uint32_t>(lparam);
      }
      if (code == kCodeFailed) ++counts.failed;
      if ((code == kCodeStationName || code == kCodeBitrate || code == kCodeTitle) && counts.start &&
          !buffering_over) {
        buffering_over = true;
        counts.end = GetTickCount();
      }
    }
    return inner(msg, wparam, lparam);
  };

  LastUrl = url;
  const DWORD began = GetTickCount();
  Form1->NplayClick(Form1->Nplay);
  while (!buffering_over && counts.failed == 0 && GetTickCount() - began < limit_ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Application.ProcessMessages();
  }
  const double seconds = (counts.end - counts.start) / 1000.0;
  if (!buffering_over) {
    std::printf("the buffering wait did not end (%d buffering reports, %s)\n", counts.buffering,
                counts.failed ? "connection failed" : "time limit");
  } else {
    std::printf("buffering: %.2f s, %d buffering reports (%.0f/s, last %u %%), %d messages through the "
                "window procedure (%.0f/s)\n",
                seconds, counts.buffering, counts.buffering / seconds, counts.last_percent, counts.window,
                counts.window / seconds);
  }
  std::fflush(stdout);
  Form1->Free();
  Application.DestroyComponents();
  return buffering_over ? 0 : 2;
}
