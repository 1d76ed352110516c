// The browser's edit menu (cut, copy, paste), shown in place of the browser's
// own context menus: each item asks the document whether its command is
// possible now, and runs it through the browser.
#include "browser/edit_menu_win.h"

#include "browser/hosted_browser_win.h"
#include "ui/ole_auto_win.h"

// Document.queryCommandEnabled(command); false when the document cannot
// answer (none loaded, or an error).
bool BrowserCommandEnabled(THostedBrowser& browser, const wchar_t* command) {
  try {
    ComPtr<IDispatch> document = browser.Document();
    if (!document) return false;
    TVariant name{std::wstring(command)}, answer;
    bool enabled = false;
    return SUCCEEDED(CallMethod(document.Get(), L"queryCommandEnabled", {name.Get()}, answer)) &&
           answer.ToBool(enabled) && enabled;
  } catch (const EOleError&) {
    return false;
  }
}

// Runs a browser command, prompting the user where it asks; a failing
// command (nothing to paste, no document) does nothing and shows nothing.
void RunBrowserCommand(THostedBrowser& browser, OLECMDID command) {
  try {
    browser.ExecWB(command, OLECMDEXECOPT_PROMPTUSER);
  } catch (const EOleError&) {
  }
}
