// Text conversion between the program's 8-bit texts (Windows code page 1251)
// and Unicode (UTF-16 for the wide Windows APIs, UTF-8 for stream metadata).
//
// Portable: no <windows.h>, so the host tests check the table byte by byte.
// Every function is pure and may be called from any thread.
#pragma once

#include <string>
#include <string_view>

// The Unicode character of one CP1251 byte. Bytes below 0x80 are ASCII; the one
// unassigned byte, 0x98, maps to U+0098 as the system's own conversion does, so
// that every byte survives a round trip.
char16_t Cp1251ToUnicode(unsigned char byte);

// The CP1251 byte of a Unicode code point, or -1 when the code page has none.
int UnicodeToCp1251(char32_t code_point);

// CP1251 -> UTF-16. Never fails: every byte has a character.
std::u16string Cp1251ToUtf16(std::string_view text);

// UTF-16 -> CP1251. A character the code page lacks becomes `replacement`
// (one byte per code point: a surrogate pair gives one replacement, and so
// does an unpaired surrogate).
std::string Utf16ToCp1251(std::u16string_view text, char replacement = '?');

// CP1251 -> UTF-8.
std::string Cp1251ToUtf8(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF). Plain ASCII is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// UTF-8 -> CP1251, with `replacement` for characters the code page lacks.
// Malformed input is not UTF-8: callers check IsValidUtf8 first; here each
// malformed byte becomes one `replacement`.
std::string Utf8ToCp1251(std::string_view text, char replacement = '?');
