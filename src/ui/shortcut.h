// Keyboard shortcuts of menu items: a key code (the Windows virtual-key number)
// in the low byte and modifier bits above it, as the layout stores them
// ("Ctrl+X" = kScCtrl | 'X'). Portable; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using TShortCut = uint16_t;  // 0 = no shortcut

inline constexpr TShortCut kScShift = 0x2000;
inline constexpr TShortCut kScCtrl = 0x4000;
inline constexpr TShortCut kScAlt = 0x8000;

constexpr TShortCut MakeShortCut(uint8_t virtual_key, bool ctrl, bool shift = false,
                                 bool alt = false) {
  return static_cast<TShortCut>(virtual_key | (ctrl ? kScCtrl : 0) | (shift ? kScShift : 0) |
                                (alt ? kScAlt : 0));
}

// The text a menu shows right of the caption: modifiers in the order
// Ctrl, Shift, Alt, then the key ("Ctrl+X", "Shift+Del", "F5"). Empty for 0
// and for keys without a name.
std::string ShortCutToText(TShortCut shortcut);

// Access keys of captions ("&Play": Alt+P): the character after the first
// single '&' ("&&" is a literal ampersand), upper-cased, or 0 when there is none.
char16_t AccessKeyOf(std::string_view cp1251_caption);
// True when the typed character `key` is the caption's access key, compared
// without case (Latin and Cyrillic letters).
bool IsAccel(char16_t key, std::string_view cp1251_caption);
