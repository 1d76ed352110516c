// Page completion: the please-wait box goes (after the first page of the
// run), and the page's "playmain:" links name the default station.
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/link_rules.h"
#include "controls/glass_button_win.h"
#include "ui/ole_auto_win.h"

namespace {

// Document.links.Length, or 0 when there is no document or collection.
LONG LinkCount(THostedBrowser& browser) {
  ComPtr<IDispatch> document = browser.Document();
  if (!document) return 0;
  TVariant links;
  if (FAILED(GetProperty(document.Get(), L"links", links))) return 0;
  ComPtr<IDispatch> collection = links.AsDispatch();
  TVariant length;
  LONG n = 0;
  if (!collection || FAILED(GetProperty(collection.Get(), L"Length", length)) || !length.ToLong(n)) {
    return 0;
  }
  return n;
}

// Document.Links.Item(index) as text (an anchor's default value is its
// href), looked up afresh; false when it cannot be read.
bool LinkText(THostedBrowser& browser, LONG index, std::string& text) {
  ComPtr<IDispatch> document = browser.Document();
  if (!document) return false;
  TVariant links;
  if (FAILED(GetProperty(document.Get(), L"Links", links))) return false;
  ComPtr<IDispatch> collection = links.AsDispatch();
  if (!collection) return false;
  TVariant at(index), item;
  if (FAILED(CallMethod(collection.Get(), L"Item", {at.Get()}, item))) return false;
  std::wstring wide;
  if (!item.ToText(wide)) return false;
  text = FromWide(wide);
  return true;
}

}  // namespace

void TForm1::WebBrowser0DocumentComplete(TObject*, IDispatch*, VARIANT*) {
  if (FirstPage) {
    FirstPage = false;
  } else {
    pleasewait->SetVisible(false);
  }
  // Whichever document or frame completed, the top document's links are
  // read, when that document may name the default station.
  if (!PageMayDrivePlayer(WebBrowser1->DocumentAddress(), CatalogueHost)) return;
  const LONG n = LinkCount(*WebBrowser1);
  for (LONG i = 0; i < n; ++i) {
    std::string link;
    if (!LinkText(*WebBrowser1, i, link)) continue;
    if (std::optional<std::string> rest = PlayMainRest(link)) {
      LastUrl = *rest;  // the last such link wins
      PlayButton->SetEnabled(true);
    }
  }
}
