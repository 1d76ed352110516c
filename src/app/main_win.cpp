// Program entry: the application object, its title, the main window, the
// message loop.
#include <windows.h>

#include "app/unit1_win.h"
#include "resources/resource_ids.h"
#include "ui/ui_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The catalogue browser is an OLE control: the window thread is an STA.
  ScopedOleInit ole;
  Application.Initialize();
  Application.SetTitle(kProgramTitle);
  (void)Application.SetIconResource(IDI_VOLNAR);
  Application.CreateForm(Form1);
  Application.Run();
  Application.DestroyComponents();
  return 0;
}
