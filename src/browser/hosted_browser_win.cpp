#include "browser/hosted_browser_win.h"

#include "ui/menus_win.h"

THostedBrowser::THostedBrowser(TComponent* owner) : TWinControl(owner) {
  SetColor(RgbColor(0xE5, 0xF7, 0xFF));  // the placeholder page's background
}

void THostedBrowser::Navigate(const std::string& address) {
  navigations_.push_back(address);
  location_ = address;
}

std::string THostedBrowser::CookieText() const { return {}; }

void THostedBrowser::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
}
