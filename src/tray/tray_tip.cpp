#include "tray/tray_tip.h"

#include "base/cp1251.h"

std::u16string TrayTipText(std::string_view hint, bool show_hint) {
  if (hint.empty() || !show_hint) return {};
  // CP1251 has one UTF-16 unit per byte, so cutting the bytes cuts the text.
  return Cp1251ToUtf16(hint.substr(0, kTrayTipChars));
}
