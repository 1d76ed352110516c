// The tray icon's tip as the shell is given it (portable).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The shell's tip holds 128 UTF-16 units with the terminating zero.
inline constexpr size_t kTrayTipChars = 127;

// The tip for a CP1251 hint: empty without a hint or while hints are off,
// otherwise the hint's first kTrayTipChars characters.
std::u16string TrayTipText(std::string_view hint, bool show_hint);
