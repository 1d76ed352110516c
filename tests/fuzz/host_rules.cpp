// Fuzzes the browser host's portable rules: dialog captions and what
// becomes of a dialog, the Ctrl shortcut filter, the option flags. The
// first eight bytes are numbers; the rest is split at its first zero byte
// into a caption and a second text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "browser/host_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  uint32_t a = 0, b = 0;
  std::memcpy(&a, data, 4);
  std::memcpy(&b, data + 4, 4);
  const std::string_view input(reinterpret_cast<const char*>(data + 8), size - 8);
  const size_t zero = input.find('\0');
  const std::string_view caption = input.substr(0, zero);
  const std::string_view other = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);

  const std::string replaced = ReplaceDialogCaption(caption, other);
  if (caption.find("Microsoft ") == std::string_view::npos &&
      caption.find("Internet Explorer") == std::string_view::npos && replaced != caption) {
    __builtin_trap();
  }
  if (ReplaceDialogCaption(caption, "").size() > caption.size()) __builtin_trap();
  // The dialog's fate does not depend on the letter case of its caption.
  const auto ex_style = static_cast<int32_t>(a);
  if (DecideDialogAction(false, caption, ex_style) != DialogAction::kNone) __builtin_trap();
  if (DecideDialogAction(true, caption, ex_style) != DecideDialogAction(true, ToLowerAscii(caption), ex_style)) {
    __builtin_trap();
  }
  const bool ctrl = b & 1, shift = b & 2;
  const bool swallowed = SwallowCtrlShortcut(other, a, b >> 2, b, ctrl, shift);
  if (swallowed && (other.empty() || a != 0x100 || !ctrl || shift)) __builtin_trap();
  // No user-interface option stands for 0x8000.
  if (HostFlags(a & ((1u << 29) - 1)) & 0x8000) __builtin_trap();
  (void)DownloadFlags(b & ((1u << 19) - 1));
  (void)IsContextMenuDisabled(a, b);
  return 0;
}
