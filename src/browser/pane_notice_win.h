// The catalogue pane where the hosted browser shows nothing: the control is
// made, in place and navigating, but no document ever comes (a system
// without the HTML engine, as Wine here). Whether a page shows is watched,
// not guessed from the platform: once a while after start-up neither a
// completed document nor a current one has appeared, a short native notice
// covers the middle of the pane with a button that opens the catalogue in
// the system's browser. A document that comes later takes the notice away.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <string>

#include "browser/hosted_browser_win.h"
#include "ui/gdi_handles_win.h"

class TPaneNotice : public TComponent {
 public:
  // How long the pane has to show a document before the notice comes.
  static constexpr UINT kCheckMs = 5000;
  static constexpr int kWidthInset = 40;  // px on either side within the pane
  static constexpr int kHeight = 112;     // px

  // Owned by `browser` (freed with it); the notice is a child of `parent`
  // (the browser's form) over the browser's rectangle there. `open_address`
  // (CP1251) is what the button opens.
  TPaneNotice(THostedBrowser* browser, HWND parent, std::string open_address);
  ~TPaneNotice() override;

  // The browser completed a document: the pane shows pages.
  void DocumentCompleted();
  // The timer's step: shows the notice while the pane has shown nothing,
  // hides it (and stops watching) once it has.
  void Check();
  bool Showing() const;
  HWND Window() const { return window_.Get(); }
  HWND Button() const { return button_; }
  // What the button does: the shell opens the address.
  void OpenInBrowser();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT msg, WPARAM wparam, LPARAM lparam);

  THostedBrowser* const browser_;  // the owner: outlives this
  HWND parent_;
  std::string open_address_;
  bool document_seen_ = false;
  UniqueGdiObj<HFONT> font_;
  UniqueGdiObj<HBRUSH> background_;
  UniqueHwnd window_;
  HWND text_ = nullptr;    // child of window_
  HWND button_ = nullptr;  // child of window_
};

// Starts watching the catalogue pane `browser` on its form `parent` (once;
// later calls give the same notice). The button opens `catalogue_host`'s
// entry for an external browser: "/external" of the built-in catalogue,
// or an external catalogue site's home.
TPaneNotice* WatchPaneRendering(THostedBrowser& browser, HWND parent,
                                const std::string& catalogue_host);
// The browser completed a document (its DocumentComplete event).
void PaneDocumentCompleted(THostedBrowser& browser);
