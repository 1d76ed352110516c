#include "playback/status_rules.h"

void WriteSlot(StatusSlots& slots, int slot, std::string_view text) {
  switch (slot) {
    case kSlotTitle:
      slots.title = text;
      break;
    case kSlotState:
      slots.state = text;
      break;
    case kSlotDetail:
      slots.detail = text;
      if (slots.state == kStateConnecting) slots.state = kStatePlaying;
      break;
    default:
      break;
  }
}

std::string StatusLine(const StatusSlots& slots) {
  return slots.state + kStateSeparator + slots.title;
}

std::optional<std::string> MarqueeTitle(const StatusSlots& slots) {
  if (slots.state == kStateNoStream) return std::nullopt;
  return StatusLine(slots) + kMarqueeGap;
}

std::string RotateLeft(std::string_view text) {
  if (text.empty()) return {};
  std::string rotated(text.substr(1));
  rotated += text.front();
  return rotated;
}
