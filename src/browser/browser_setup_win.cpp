#include "browser/browser_setup_win.h"

#include "browser/hosted_browser_win.h"
#include "ui/menus_win.h"

void ConfigureCatalogueBrowser(THostedBrowser& b, TPopupMenu* edit_menu) {
  b.SetPopupMenu(edit_menu);
  // The browser may show its own dialog boxes; they pass the dialog supervision.
  b.SetSilent(false);
  b.SetDisableCtrlShortcuts("N");
  b.SetUserInterfaceOptions(
      OptionSet(DontUse3DBorders, EnablesFormsAutoComplete, DisableThemes, DisableFrameSetBorder));
  b.SetDisabledPopupMenus(OptionSet(rcmAll));
  b.SetDownloadOptions(OptionSet(DownloadImages, DownloadVideos, DownloadBGSounds));
  b.SetScriptErrorAction(eaContinue);
}
