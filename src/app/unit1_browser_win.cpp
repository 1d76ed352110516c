// TForm1's catalogue browser handlers: the browser's settings and events,
// link interception, page completion, the one-shot please-wait timer and the
// edit menu. Thin calls into browser/.
#include "app/app_state_win.h"
#include "app/unit1_win.h"
#include "browser/browser_setup_win.h"
#include "browser/edit_menu_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/link_interception_win.h"
#include "browser/page_complete_win.h"
#include "browser/pane_notice_win.h"
#include "controls/glass_button_win.h"

void TForm1::SetUpBrowser() {
  THostedBrowser* b = WebBrowser1;
  ConfigureCatalogueBrowser(*b, PopupMenu2);
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

void TForm1::WebBrowser0BeforeNavigate2(TObject*, IDispatch* pDisp, VARIANT* URL, VARIANT*,
                                        VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL* Cancel) {
  const NavigationOutcome outcome =
      InterceptNavigation(*WebBrowser1, pDisp, URL, Handle(), CatalogueHost);
  if (outcome.cancel) *Cancel = VARIANT_TRUE;
  if (outcome.show_please_wait) pleasewait->SetVisible(true);
  if (outcome.play) {
    LastUrl = *outcome.play;
    ConnectAttempts = 1;
    NplayClick(this);
  }
}

void TForm1::WebBrowser0DocumentComplete(TObject*, IDispatch*, VARIANT*) {
  PaneDocumentCompleted(*WebBrowser1);  // the pane shows pages: no notice
  if (FirstPage) {
    FirstPage = false;
  } else {
    pleasewait->SetVisible(false);
  }
  // Whichever document or frame completed, the top document's links are read.
  if (std::optional<std::string> station = DefaultStation(*WebBrowser1, CatalogueHost)) {
    LastUrl = *station;
    PlayButton->SetEnabled(true);
  }
}

// The one-shot timer takes the please-wait box away 4 seconds after start-up,
// whether or not the catalogue page has completed.
void TForm1::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  pleasewait->SetVisible(false);
  FirstPage = false;
}

void TForm1::PopupMenu2Popup(TObject*) {
  N4->SetEnabled(BrowserCommandEnabled(*WebBrowser1, L"Copy"));
  N5->SetEnabled(BrowserCommandEnabled(*WebBrowser1, L"Cut"));
  N6->SetEnabled(BrowserCommandEnabled(*WebBrowser1, L"Paste"));
}

void TForm1::N5Click(TObject*) { RunBrowserCommand(*WebBrowser1, OLECMDID_CUT); }
void TForm1::N4Click(TObject*) { RunBrowserCommand(*WebBrowser1, OLECMDID_COPY); }
void TForm1::N6Click(TObject*) { RunBrowserCommand(*WebBrowser1, OLECMDID_PASTE); }
