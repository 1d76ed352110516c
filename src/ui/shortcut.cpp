// Shortcut texts as menus show them. Key numbers are the Windows virtual-key
// codes, written out here so the file stays portable.
#include "ui/shortcut.h"

#include "base/cp1251.h"

namespace {

const char* NamedKey(uint8_t key) {
  switch (key) {
    case 0x08: return "BkSp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x20: return "Space";
    case 0x21: return "PgUp";
    case 0x22: return "PgDn";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
    default: return nullptr;
  }
}

std::string KeyName(uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);  // VK_F1..VK_F24
  if (key >= 0x60 && key <= 0x69) return "Num " + std::to_string(key - 0x60);   // VK_NUMPAD0..9
  if (const char* name = NamedKey(key)) return name;
  return {};
}

char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);  // а..я
  if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);  // ѐ..џ, with ё
  return c;
}

}  // namespace

std::string ShortCutToText(TShortCut shortcut) {
  std::string key = KeyName(static_cast<uint8_t>(shortcut & 0xFF));
  if (key.empty()) return {};
  std::string text;
  if (shortcut & kScCtrl) text += "Ctrl+";
  if (shortcut & kScShift) text += "Shift+";
  if (shortcut & kScAlt) text += "Alt+";
  return text + key;
}

char16_t AccessKeyOf(std::string_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;  // a literal ampersand
      continue;
    }
    return UpperCase(Cp1251ToUnicode(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

bool IsAccel(char16_t key, std::string_view caption) {
  const char16_t access = AccessKeyOf(caption);
  return access != 0 && UpperCase(key) == access;
}
