// Popup menus: system menus built from the items; choices run from the loop.
#include "ui/menus_win.h"

#include <algorithm>
#include <map>

#include "ui/application_win.h"
#include "base/cp1251_win.h"

namespace {

std::map<UINT, TMenuItem*>& CommandTable() {
  // Never destroyed: items freed during the program's exit still find it.
  static auto* items = new std::map<UINT, TMenuItem*>;
  return *items;
}
UINT g_next_command = 100;

}  // namespace

// ---- TMenuItem ------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(g_next_command++) {
  CommandTable()[command_] = this;
}

TMenuItem::~TMenuItem() {
  CommandTable().erase(command_);
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  if (parent_) parent_->Remove(this);
  if (menu_) menu_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->menu_) item->menu_->Remove(item);
  if (item->parent_) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  if (item->parent_ == this) item->parent_ = nullptr;
  Changed();
}

TMenuItem* TMenuItem::FindByCommand(UINT command) {
  auto it = CommandTable().find(command);
  return it == CommandTable().end() ? nullptr : it->second;
}

void TMenuItem::Changed() {
  if (TPopupMenu* menu = Menu()) menu->dirty_ = true;
}

void TMenuItem::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}
void TMenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}
void TMenuItem::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}
void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  Changed();
}
void TMenuItem::SetDefault(bool is_default) {
  default_ = is_default;
  Changed();
}
void TMenuItem::SetShortCut(TShortCut shortcut) {
  shortcut_ = shortcut;
  Changed();
}

void TMenuItem::Click() {
  if (!enabled_ || !items_.empty()) return;
  FireEvent(OnClick, this);
}

// ---- TPopupMenu -----------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) item->menu_ = nullptr;
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item->menu_) item->menu_->Remove(item);
  if (item->parent_) item->parent_->Remove(item);
  items_.push_back(item);
  item->menu_ = this;
  dirty_ = true;
}

void TPopupMenu::Remove(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  if (item->menu_ == this) item->menu_ = nullptr;
  dirty_ = true;
}

TMenuItem* TPopupMenu::FindItem(std::string_view name) const {
  for (TMenuItem* item : items_) {
    if (!name.empty() && item->Name() == name) return item;
  }
  return nullptr;
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::Append(HMENU menu, const std::vector<TMenuItem*>& items) {
  for (TMenuItem* item : items) {
    if (!item->visible_) continue;
    if (item->IsSeparator()) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string text = item->caption_;
    const std::string keys = ShortCutToText(item->shortcut_);
    if (!keys.empty()) text += "\t" + keys;
    const UINT flags = MF_STRING | (item->enabled_ ? MF_ENABLED : MF_GRAYED) |
                       (item->checked_ ? MF_CHECKED : MF_UNCHECKED);
    if (!item->items_.empty()) {
      // The submenu belongs to this menu from here on and goes with it.
      HMENU sub = ::CreatePopupMenu();
      if (!sub) throw std::runtime_error("Could not create the menu");
      Append(sub, item->items_);
      ::AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), ToWide(text).c_str());
      continue;
    }
    ::AppendMenuW(menu, flags, item->command_, ToWide(text).c_str());
    if (item->default_) ::SetMenuDefaultItem(menu, item->command_, FALSE);
  }
}

void TPopupMenu::Rebuild() {
  UniqueHmenu menu(::CreatePopupMenu());
  if (!menu) throw std::runtime_error("Could not create the menu");
  Append(menu.Get(), items_);
  handle_ = std::move(menu);
  dirty_ = false;
}

HMENU TPopupMenu::Handle() {
  if (dirty_ || !handle_) Rebuild();
  return handle_.Get();
}

void TPopupMenu::Popup(int x, int y) {
  FireEvent(OnPopup, this);
  Handle();
  // The shown menu is ours alone while it is open: a change of an item
  // meanwhile builds a new one instead of destroying this one.
  UniqueHmenu shown = std::move(handle_);
  dirty_ = true;
  HWND owner = Application.UtilityWindow();
  const UINT command = static_cast<UINT>(::TrackPopupMenuEx(
      shown.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, owner,
      nullptr));
  if (command != 0) ::PostMessageW(owner, TApplication::kMsgMenuCommand, command, 0);
}
