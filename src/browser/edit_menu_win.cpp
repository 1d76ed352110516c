// The browser's edit menu (cut, copy, paste), shown in place of the browser's
// own context menus: each item asks the document whether its command is
// possible now, and runs it through the browser.
#include "app/unit1_win.h"
#include "browser/hosted_browser_win.h"
#include "ui/ole_auto_win.h"

namespace {

// Document.queryCommandEnabled(command); false when the document cannot
// answer (none loaded, or an error).
bool CommandEnabled(THostedBrowser& browser, const wchar_t* command) {
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
void RunCommand(THostedBrowser& browser, OLECMDID command) {
  try {
    browser.ExecWB(command, OLECMDEXECOPT_PROMPTUSER);
  } catch (const EOleError&) {
  }
}

}  // namespace

void TForm1::PopupMenu2Popup(TObject*) {
  N4->SetEnabled(CommandEnabled(*WebBrowser1, L"Copy"));
  N5->SetEnabled(CommandEnabled(*WebBrowser1, L"Cut"));
  N6->SetEnabled(CommandEnabled(*WebBrowser1, L"Paste"));
}

void TForm1::N5Click(TObject*) { RunCommand(*WebBrowser1, OLECMDID_CUT); }
void TForm1::N4Click(TObject*) { RunCommand(*WebBrowser1, OLECMDID_COPY); }
void TForm1::N6Click(TObject*) { RunCommand(*WebBrowser1, OLECMDID_PASTE); }
