// soak_switch SWITCHES URL_A URL_B: the main window in-process, as volnar.exe
// runs it, switched between two stations SWITCHES times. Each switch follows a
// play: link to the other station through the hosted browser (the navigation
// the catalogue's links make); every second switch then also presses Stop and
// Play. A switch is done when the station's name or title is reported, or has
// failed after 15 s. Prints the process's figures (process_figures_win.h) at the
// start, after every 50 switches and at the end (stopped, after a pause), and
// the count of switches that did not play. A figure, not a test.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_state_win.h"
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "controls/glass_button_win.h"
#include "playback/notification_rules.h"
#include "process_figures_win.h"
#include "ui/ui_win.h"
// Wine's browser control has no HTML engine and so no document: the catalogue
// page the links come from is the tests' stand-in document.
#include "../tests/win/stand_in_dispatch.h"

namespace {

enum class Heard { kNothing, kPlaying, kFailed };

Heard g_heard = Heard::kNothing;

// Handles the window's messages for `ms` or until `done`.
template <typename Done>
void Pump(DWORD ms, Done done) {
  const DWORD began = GetTickCount();
  while (!done() && GetTickCount() - began < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application.ProcessMessages();
  }
}

bool WaitPlaying() {
  Pump(15000, [] { return g_heard != Heard::kNothing; });
  return g_heard == Heard::kPlaying;
}

void Figures(const char* label) {
  ProcessFigures figures;
  if (ReadProcessFigures(GetCurrentProcessId(), figures)) PrintProcessFigures(label, figures);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: soak_switch SWITCHES URL_A URL_B\n");
    return 2;
  }
  const int switches = std::atoi(argv[1]);
  const std::string stations[2] = {argv[2], argv[3]};  // ASCII addresses
  ScopedOleInit ole;
  Application.Initialize();
  Application.SetTitle(kProgramTitle);
  Application.CreateForm(Form1);
  ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
  Form1->Show();

  TWindowProc inner = Form1->WindowProc;
  Form1->WindowProc = [&](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
    if (msg == kPlayerNotification) {
      const auto code = static_cast<uint32_t>(wparam);
      if (code == kCodeConnecting) g_heard = Heard::kNothing;
      if (code == kCodeStationName || code == kCodeTitle) g_heard = Heard::kPlaying;
      if (code == kCodeFailed) g_heard = Heard::kFailed;
    }
    return inner(msg, wparam, lparam);
  };

  StandInPage catalogue_page({}, ToWide("http://" + CatalogueHost + "/"));
  Form1->WebBrowser1->SetAutomationStandIn(catalogue_page.browser.Get());

  int failed = 0;
  auto follow_link = [&](const std::string& url) {
    g_heard = Heard::kNothing;
    Form1->WebBrowser1->Navigate("play:" + url);
    if (!WaitPlaying()) ++failed;
  };

  follow_link(stations[0]);
  Pump(3000, [] { return false; });
  Figures("start");
  for (int i = 1; i <= switches; ++i) {
    follow_link(stations[i % 2]);
    if (i % 2 == 0) {
      Form1->StopButtonClick(Form1->StopButton);
      Pump(300, [] { return false; });
      g_heard = Heard::kNothing;
      Form1->PlayButtonClick(Form1->PlayButton);
      if (!WaitPlaying()) ++failed;
    }
    Pump(500, [] { return false; });
    if (i % 50 == 0) {
      const std::string label = "after " + std::to_string(i);
      Figures(label.c_str());
    }
  }
  Form1->StopButtonClick(Form1->StopButton);
  Pump(3000, [] { return false; });
  Figures("end");
  std::printf("switches %d not playing %d\n", switches, failed);
  std::fflush(stdout);
  Form1->Free();
  Application.DestroyComponents();
  return 0;
}
