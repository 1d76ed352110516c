// The catalogue browser as the main window configures it: the settings it
// gives the browser (the rest are the component's defaults) and the handlers
// of the browser's events and of its edit menu.
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"

void TForm1::SetUpBrowser() {
  THostedBrowser* b = WebBrowser1;
  b->SetPopupMenu(PopupMenu2);
  // The browser may show its own dialog boxes; they pass the dialog supervision.
  b->SetSilent(false);
  b->SetDisableCtrlShortcuts("N");
  b->SetUserInterfaceOptions(
      OptionSet(DontUse3DBorders, EnablesFormsAutoComplete, DisableThemes, DisableFrameSetBorder));
  b->SetDisabledPopupMenus(OptionSet(rcmAll));
  b->SetDownloadOptions(OptionSet(DownloadImages, DownloadVideos, DownloadBGSounds));
  b->SetScriptErrorAction(eaContinue);

  b->OnBeforeNavigate2 = [this](TObject* s, IDispatch* d, VARIANT* url, VARIANT* flags,
                                VARIANT* frame, VARIANT* post, VARIANT* headers, VARIANT_BOOL* cancel) {
    WebBrowser0BeforeNavigate2(s, d, url, flags, frame, post, headers, cancel);
  };
  b->OnDocumentComplete = [this](TObject* s, IDispatch* d, VARIANT* url) {
    WebBrowser0DocumentComplete(s, d, url);
  };
  PopupMenu2->OnPopup = [this](TObject* s) { PopupMenu2Popup(s); };
  N5->OnClick = [this](TObject* s) { N5Click(s); };
  N4->OnClick = [this](TObject* s) { N4Click(s); };
  N6->OnClick = [this](TObject* s) { N6Click(s); };
  b->Loaded();
}
