#include "browser/host_rules.h"

#include <cstdlib>

namespace {

constexpr uint32_t kWmKeyDown = 0x100;
constexpr uint32_t kAltBit = 1u << 29;  // key data: the Alt key was down

uint32_t FlagsOf(TOptionSet set, int members, int shift_low, int split, int shift_high) {
  uint32_t flags = 0;
  for (int k = 0; k < members; ++k) {
    if (InSet(set, k)) flags |= uint32_t{1} << (k < split ? k + shift_low : k + shift_high);
  }
  return flags;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  size_t at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

uint32_t HostFlags(TOptionSet ui_options) {
  return FlagsOf(ui_options, ForceUserActivationOnActiveXJava + 1, 0, 15, 1);
}

uint32_t DownloadFlags(TOptionSet download_options) {
  return FlagsOf(download_options, WorkOffline + 1, 4, 15, 13);
}

bool IsContextMenuDisabled(TOptionSet disabled_menus, uint32_t menu_id) {
  if (InSet(disabled_menus, rcmAll)) return true;
  return menu_id < 10 && InSet(disabled_menus, static_cast<int>(menu_id));
}

bool SwallowCtrlShortcut(std::string_view disabled_keys, uint32_t message, uint32_t virtual_key,
                         uint32_t key_data, bool ctrl_down, bool shift_down) {
  if (disabled_keys.empty() || message != kWmKeyDown) return false;
  if (!ctrl_down || shift_down || (key_data & kAltBit)) return false;
  const char key = static_cast<char>(virtual_key & 0xFF);
  return disabled_keys.find(key) != std::string_view::npos;
}

std::string ReplaceDialogCaption(std::string_view caption, std::string_view new_caption) {
  std::string text(caption);
  ReplaceAll(text, "Microsoft ", "");
  ReplaceAll(text, "Internet Explorer", new_caption);
  return text;
}

DialogAction DecideDialogAction(bool script_errors_suppressed, std::string_view caption,
                                int32_t ex_style) {
  if (!script_errors_suppressed) return DialogAction::kNone;
  const std::string upper = AsciiUpper(caption);
  if (upper.find("SCRIPT") != std::string::npos) return DialogAction::kClickAndClose;
  const long long magnitude = std::llabs(static_cast<long long>(ex_style));
  if (upper.find("ERROR") != std::string::npos || magnitude == 4260097) {
    return DialogAction::kDestroy;
  }
  return DialogAction::kNone;
}

bool IsSupervisedDialogClass(std::string_view class_name) {
  return class_name == "#32770" || class_name == "Internet Explorer_TridentDlgFrame";
}

bool RedirectWheelToFocus(bool over_browser, bool focus_in_browser, bool focus_on_doc_view) {
  return over_browser && (!focus_in_browser || focus_on_doc_view);
}
