// CP1251 <-> UTF-16/UTF-8 conversion: the table against the C library's own
// CP1251 converter, every Cyrillic letter both ways, and the edge cases.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "base/cp1251.h"

namespace {

// The C library's idea of one CP1251 byte, or -1 when it has none.
long SystemCp1251(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-32LE", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* pin = in;
  char* pout = reinterpret_cast<char*>(out);
  size_t in_left = 1, out_left = 4;
  const size_t r = iconv(cd, &pin, &in_left, &pout, &out_left);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return -1;
  return out[0] | (out[1] << 8) | (out[2] << 16) | (long(out[3]) << 24);
}

TEST(TextCp1251, EveryByteMatchesTheSystemTable) {
  int checked = 0;
  for (int b = 0; b < 256; ++b) {
    const long expected = SystemCp1251(static_cast<unsigned char>(b));
    ASSERT_NE(expected, -2) << "no CP1251 converter in the C library";
    if (expected == -1) {
      // Only 0x98 is unassigned; it maps to U+0098 so it survives a round trip.
      EXPECT_EQ(b, 0x98);
      EXPECT_EQ(Cp1251ToUnicode(0x98), u'\u0098');
      continue;
    }
    EXPECT_EQ(static_cast<long>(Cp1251ToUnicode(static_cast<unsigned char>(b))), expected)
        << "byte " << b;
    ++checked;
  }
  EXPECT_EQ(checked, 255);
}

TEST(TextCp1251, EveryByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  EXPECT_TRUE(IsValidUtf8(Cp1251ToUtf8(all)));
}

struct Case {
  const char* cp1251;        // narrow literal: CP1251 by the compiler's execution charset
  const char16_t* utf16;     // the same text in UTF-16
  const char* utf8;          // and in UTF-8, written as bytes
};

// Narrow literals here are converted by the compiler (-fexec-charset=CP1251);
// the wide ones are not, so each row checks our table against the compiler's.
const Case kCases[] = {
    {"", u"", ""},
    {"Волнар-радио", u"Волнар-радио", "\xD0\x92\xD0\xBE\xD0\xBB\xD0\xBD\xD0\xB0\xD1\x80-"
                                      "\xD1\x80\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBE"},
    {"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", nullptr},
    {"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", nullptr},
    {"Ёё", u"\u0401\u0451", "\xD0\x81\xD1\x91"},
    {"№ 5", u"\u2116 5", "\xE2\x84\x96 5"},
    {"«Нет потока» — €", u"«Нет потока» — €", nullptr},
    {"ЂЃѓЉЊЌЋЏђљњќћџЎўЈҐґЄєЇїІіЅѕј", u"ЂЃѓЉЊЌЋЏђљњќћџЎўЈҐґЄєЇїІіЅѕј", nullptr},
};

TEST(TextCp1251, KnownTextsBothWays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(Cp1251ToUtf8(c.cp1251));
    EXPECT_EQ(Cp1251ToUtf16(c.cp1251), std::u16string(c.utf16));
    EXPECT_EQ(Utf16ToCp1251(c.utf16), std::string(c.cp1251));
    if (c.utf8) {
      EXPECT_EQ(Cp1251ToUtf8(c.cp1251), std::string(c.utf8));
      EXPECT_EQ(Utf8ToCp1251(c.utf8), std::string(c.cp1251));
    }
  }
}

TEST(TextCp1251, CyrillicLettersAreContiguousExceptYo) {
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(Cp1251ToUnicode(static_cast<unsigned char>(0xC0 + i)), 0x0410 + i);
    EXPECT_EQ(UnicodeToCp1251(0x0410 + i), 0xC0 + i);
  }
  EXPECT_EQ(UnicodeToCp1251(0x0401), 0xA8);  // Ё
  EXPECT_EQ(UnicodeToCp1251(0x0451), 0xB8);  // ё
  EXPECT_EQ(UnicodeToCp1251(0x2116), 0xB9);  // №
}

TEST(TextCp1251, UnmappableCharactersBecomeTheReplacement) {
  struct Row {
    std::u16string in;
    std::string out;
  } rows[] = {
      {u"caf\u00E9", "caf?"},           // é is not in CP1251
      {u"\u4E2D\u6587", "??"},          // CJK
      {u"a\U0001F600b", "a?b"},         // a surrogate pair is one character
      {u"a\xD800" u"b", "a?b"},         // an unpaired high surrogate
      {u"\xDC00", "?"},                 // an unpaired low surrogate
      {u"x\u0098y", "x\x98y"},          // the unassigned byte's stand-in maps back
  };
  for (const Row& r : rows) EXPECT_EQ(Utf16ToCp1251(r.in), r.out);
  EXPECT_EQ(Utf16ToCp1251(u"\u00E9", '_'), "_");
  EXPECT_EQ(UnicodeToCp1251(0xE9), -1);
  EXPECT_EQ(UnicodeToCp1251(0x110000), -1);
}

TEST(TextUtf8, ValidityRules) {
  struct Row {
    std::string text;
    bool valid;
  } rows[] = {
      {"plain ascii", true},
      {"\xD0\x81", true},                  // Ё
      {"\xF0\x9F\x98\x80", true},          // U+1F600
      {"\xC0\xAF", false},                 // overlong '/'
      {"\xE0\x80\xAF", false},             // overlong, 3 bytes
      {"\xED\xA0\x80", false},             // a surrogate
      {"\xF4\x90\x80\x80", false},         // above U+10FFFF
      {"\xD0", false},                     // cut short
      {"\x80", false},                     // a lone continuation byte
      {"\xC8\xE3\xF0\xE0", false},         // CP1251 text ("Игра") is not UTF-8
  };
  for (const Row& r : rows) EXPECT_EQ(IsValidUtf8(r.text), r.valid) << Cp1251ToUtf8(r.text);
}

TEST(TextUtf8, MalformedBytesAndForeignCharactersBecomeReplacements) {
  EXPECT_EQ(Utf8ToCp1251("A\x80" "B"), "A?B");
  EXPECT_EQ(Utf8ToCp1251("\xD0\x81\xD0"), "Ё?");
  EXPECT_EQ(Utf8ToCp1251("caf\xC3\xA9"), "caf?");
  EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80!", '*'), "*!");
}

}  // namespace
