// The program's CP1251 texts as wide strings for the W APIs, and back.
// Thin wrappers over text.h (wchar_t is 16 bits on Windows). Any thread.
#pragma once

#include <string>
#include <string_view>

#include "base/cp1251.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

inline std::wstring ToWide(std::string_view cp1251) {
  std::u16string u = Cp1251ToUtf16(cp1251);
  return std::wstring(u.begin(), u.end());
}

inline std::string FromWide(std::wstring_view wide, char replacement = '?') {
  std::u16string u(wide.begin(), wide.end());
  return Utf16ToCp1251(u, replacement);
}
