// How the status slots make the status line and the application title, and
// how the title scrolls (portable).
//
// The window keeps three hidden labels as the slots: 0 the track title, 1 the
// state, 2 the detail (the server's status line or the bit rate). Slot -1 is
// the reset after a failure. All texts are CP1251.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr char kStateNoStream[] = "Нет потока";
inline constexpr char kStateConnecting[] = "соединение...";
inline constexpr char kStatePlaying[] = "Воспроизведение";
inline constexpr char kTitleStopped[] = "Остановлено ";  // the trailing space is part of it
inline constexpr char kResetTitle[] = "Волнар радио";   // a space, not the start-up hyphen
inline constexpr char kStateSeparator[] = "   ";         // between state and track title
inline constexpr char kMarqueeGap[] = ".  ";             // after the title, before it comes round again

inline constexpr int kSlotTitle = 0;
inline constexpr int kSlotState = 1;
inline constexpr int kSlotDetail = 2;
inline constexpr int kSlotReset = -1;

struct StatusSlots {
  std::string title;   // slot 0
  std::string state;   // slot 1
  std::string detail;  // slot 2
};

// Writes `text` into `slot` (0, 1, 2; -1 and other values write nothing). A
// detail written while the state reads exactly "соединение..." means the
// server has answered: the state becomes "Воспроизведение".
void WriteSlot(StatusSlots& slots, int slot, std::string_view text);

// The visible status line: state, three spaces, track title.
std::string StatusLine(const StatusSlots& slots);

// The application title the slots ask for: the status line followed by ".  ",
// or nothing while the state reads exactly "Нет потока" (then the title and
// the tray hint stay as they are).
std::optional<std::string> MarqueeTitle(const StatusSlots& slots);

// One marquee step: the first character moves to the end. Empty stays empty.
std::string RotateLeft(std::string_view text);
