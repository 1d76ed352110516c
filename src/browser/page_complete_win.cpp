// Page completion: the completed page's "playmain:" links name the default
// station.
#include "browser/page_complete_win.h"

#include "base/cp1251_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/link_rules.h"
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

std::optional<std::string> DefaultStation(THostedBrowser& browser, const std::string& host) {
  // Only a page that may drive the player names the default station.
  if (!PageMayDrivePlayer(browser.DocumentAddress(), host)) return std::nullopt;
  std::optional<std::string> station;
  const LONG n = LinkCount(browser);
  for (LONG i = 0; i < n; ++i) {
    std::string link;
    if (!LinkText(browser, i, link)) continue;
    if (std::optional<std::string> rest = PlayMainRest(link)) station = std::move(rest);  // the last wins
  }
  return station;
}
