// Fuzzes the text conversions that stream metadata goes through: any bytes,
// read as UTF-8 when valid and as CP1251 otherwise, must convert without a
// fault, and the conversions must agree with each other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // CP1251 -> UTF-16 -> CP1251 gives the bytes back: each byte stands for one
  // character that maps back to it.
  std::u16string wide = Cp1251ToUtf16(bytes);
  if (wide.size() != bytes.size()) __builtin_trap();
  std::string back = Utf16ToCp1251(wide);
  if (back != bytes) __builtin_trap();

  // CP1251 text always becomes valid UTF-8, which reads back as the same text.
  std::string utf8 = Cp1251ToUtf8(bytes);
  if (!IsValidUtf8(utf8)) __builtin_trap();
  if (Utf8ToCp1251(utf8) != Utf16ToCp1251(Cp1251ToUtf16(bytes))) __builtin_trap();

  // Arbitrary bytes taken as UTF-8 never yield more characters than bytes.
  if (IsValidUtf8(bytes) && Utf8ToCp1251(bytes).size() > bytes.size()) __builtin_trap();
  return 0;
}
