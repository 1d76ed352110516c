// TWebBrowserWrapper: the system web browser control (IWebBrowser2) hosted
// by TOleControl, with its operations and its two events the program uses.
//
// Threads: window thread only.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ole_site_win.h"

// OnBeforeNavigate2: URL and the other variants as the browser passes them
// (by reference); setting *Cancel to VARIANT_TRUE stops the navigation.
using TBeforeNavigate2Event =
    std::function<void(TObject* sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                       VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                       VARIANT_BOOL* Cancel)>;
// OnDocumentComplete: once per completed document, frames included.
using TDocumentCompleteEvent = std::function<void(TObject* sender, IDispatch* pDisp, VARIANT* URL)>;

class TWebBrowserWrapper : public TOleControl {
 public:
  explicit TWebBrowserWrapper(TComponent* owner);

  // The browser's interface, creating the control first if needed (raises
  // EOleError when it cannot be made).
  IWebBrowser2* Browser();

  // Navigate with the four optional arguments as given (null = empty).
  // Raises EOleError when the browser answers a failing code.
  void Navigate(const std::wstring& url, VARIANT* flags = nullptr, VARIANT* target_frame = nullptr,
                VARIANT* post_data = nullptr, VARIANT* headers = nullptr);
  // The same for a CP1251 address.
  void Navigate(const std::string& url);
  // Every address asked for through Navigate, in order (CP1251).
  const std::vector<std::string>& Navigations() const { return navigations_; }

  // ExecWB with empty input and output; raises EOleError on a failing code.
  void ExecWB(OLECMDID command, OLECMDEXECOPT option);

  // The browser's current address (CP1251); empty when it has none.
  std::string LocationURL();

  // Written to the browser's Silent property (dispatch identifier 551).
  bool Silent() const { return silent_; }
  void SetSilent(bool silent);

  TBeforeNavigate2Event OnBeforeNavigate2;
  TDocumentCompleteEvent OnDocumentComplete;

  void InvokeEvent(DISPID id, DISPPARAMS& params) override;

 protected:
  void ControlInterfacesReady() override;
  void ReleaseControlInterfaces() override;

 private:
  ComPtr<IWebBrowser2> browser_;
  std::vector<std::string> navigations_;
  bool silent_ = true;
};
