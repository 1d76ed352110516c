// Popup menus: system menus built from the items; choices run from the loop.
#include "ui/menus_win.h"

#include <algorithm>
#include <map>

#include "ui/application_win.h"
#include "base/cp1251_win.h"

namespace {

std::map<UINT, TMenuItem*>& Items() {
  // Never destroyed: items freed during the program's exit still find it.
  static auto* items = new std::map<UINT, TMenuItem*>;
  return *items;
}
UINT g_next_command = 100;

}  // namespace

// ---- TMenuItem ------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(g_next_command++) {
  Items()[command_] = this;
}

TMenuItem::~TMenuItem() {
  Items().erase(command_);
  if (menu_) menu_->Remove(this);
}

TMenuItem* TMenuItem::FindByCommand(UINT command) {
  auto it = Items().find(command);
  return it == Items().end() ? nullptr : it->second;
}

void TMenuItem::Changed() {
  if (menu_) menu_->dirty_ = true;
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
  if (!enabled_) return;
  FireEvent(OnClick, this);
}

// ---- TPopupMenu -----------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  for (TMenuItem* item : items_) item->menu_ = nullptr;
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item->menu_) item->menu_->Remove(item);
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

void TPopupMenu::Rebuild() {
  UniqueHmenu menu(::CreatePopupMenu());
  if (!menu) throw std::runtime_error("Could not create the menu");
  for (TMenuItem* item : items_) {
    if (!item->visible_) continue;
    if (item->IsSeparator()) {
      ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string text = item->caption_;
    const std::string keys = ShortCutToText(item->shortcut_);
    if (!keys.empty()) text += "\t" + keys;
    const UINT flags = MF_STRING | (item->enabled_ ? MF_ENABLED : MF_GRAYED) |
                       (item->checked_ ? MF_CHECKED : MF_UNCHECKED);
    ::AppendMenuW(menu.Get(), flags, item->command_, ToWide(text).c_str());
    if (item->default_) ::SetMenuDefaultItem(menu.Get(), item->command_, FALSE);
  }
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
