// THostedBrowser: the catalogue browser's place in the window.
//
// Minimal so far: an empty child window at its laid-out place, painted in the
// placeholder page's background colour. Navigate records every address it is
// asked to show (newest last); CookieText is empty because no document is
// hosted yet. The web browser control itself is hosted later.
//
// Threads: window thread only.
#pragma once

#include <string>
#include <vector>

#include "ui/controls_win.h"

class TPopupMenu;

class THostedBrowser : public TWinControl {
 public:
  explicit THostedBrowser(TComponent* owner);

  // Asks the browser to show `address` (CP1251); the optional arguments of
  // the browser's Navigate are left empty.
  void Navigate(const std::string& address);
  // Every address asked for, in order.
  const std::vector<std::string>& Navigations() const { return navigations_; }
  const std::string& LocationURL() const { return location_; }

  // The current document's cookie text; empty without a document.
  std::string CookieText() const;

  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::vector<std::string> navigations_;
  std::string location_;
  TPopupMenu* popup_menu_ = nullptr;
};
