// Fuzzes the splitting of the stored cookie text; the first input byte is
// the delimiter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string> items = {"left over"};
  SplitDelimited(delimiter, text, items);
  size_t total = 0;
  for (const std::string& item : items) {
    if (item.empty() || item.find('\0') != std::string::npos) __builtin_trap();
    total += item.size();
  }
  if (total > text.size()) __builtin_trap();
  // Without quotation marks every item is a trimmed piece between delimiters.
  if (text.find('"') == std::string::npos) {
    for (const std::string& item : items) {
      const auto front = static_cast<unsigned char>(item.front()), back = static_cast<unsigned char>(item.back());
      if (item.find(delimiter) != std::string::npos || (front >= 1 && front <= 32) || (back >= 1 && back <= 32)) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
