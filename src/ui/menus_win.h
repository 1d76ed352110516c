// Popup menus: TPopupMenu holding TMenuItems (caption, enabled state, shortcut
// text, OnClick, "-" = separator). The system menu is built from the items at
// each Popup and on Handle().
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "ui/controls_win.h"
#include "ui/shortcut.h"

class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;  // leaves its menu

  // CP1251; "-" makes the item a separator; '&' marks the access key.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool IsSeparator() const { return caption_ == "-"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Default() const { return default_; }
  void SetDefault(bool is_default);
  // Shown right of the caption ("Ctrl+X"); the menu does not act on it.
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut shortcut);

  // Items of this item's submenu, in order; an item with any is a submenu
  // heading (its OnClick never runs). An item is in at most one place.
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* Parent() const { return parent_; }

  // The menu this item is in, also through the submenus above it.
  TPopupMenu* Menu() const { return parent_ ? parent_->Menu() : menu_; }
  UINT Command() const { return command_; }  // the system menu's item id

  // Runs OnClick (through SafeCall) when the item is enabled.
  virtual void Click();
  TNotifyEvent OnClick;

  // The item whose system menu id is `command`, or nullptr.
  static TMenuItem* FindByCommand(UINT command);

 private:
  friend class TPopupMenu;
  void Changed();

  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool default_ = false;
  TShortCut shortcut_ = 0;
  TPopupMenu* menu_ = nullptr;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  UINT command_ = 0;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;  // items stay with their owner; they leave the menu

  // Items in order. An item is in at most one menu.
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* FindItem(std::string_view name) const;  // by Name, or nullptr

  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool auto_popup) { auto_popup_ = auto_popup; }
  // Who opened the menu last (set by the caller before Popup).
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* c) { popup_component_ = c; }

  // Runs OnPopup, builds the system menu and shows it at (x, y) (screen
  // coordinates); returns when the menu closes. A chosen item's Click runs
  // afterwards from the message loop, so the caller finishes first.
  void Popup(int x, int y);
  TNotifyEvent OnPopup;

  // The system menu as the items are now (rebuilt after any change); owned here.
  HMENU Handle();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TMenuItem;
  void Rebuild();
  static void Append(HMENU menu, const std::vector<TMenuItem*>& items);

  std::vector<TMenuItem*> items_;
  bool auto_popup_ = true;
  bool dirty_ = true;
  TComponent* popup_component_ = nullptr;
  UniqueHmenu handle_;
};
