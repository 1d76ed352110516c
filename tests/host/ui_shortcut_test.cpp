// Menu shortcut texts.
#include <gtest/gtest.h>

#include "ui/shortcut.h"

namespace {

TEST(UiShortCut, TextsAsMenusShowThem) {
  struct Row {
    TShortCut shortcut;
    const char* text;
  } rows[] = {
      {MakeShortCut('X', true), "Ctrl+X"},
      {MakeShortCut('C', true), "Ctrl+C"},
      {MakeShortCut('V', true), "Ctrl+V"},
      {kScCtrl | 'X', "Ctrl+X"},
      {MakeShortCut('Z', true, true), "Ctrl+Shift+Z"},
      {MakeShortCut('4', false, false, true), "Alt+4"},
      {MakeShortCut(0x2E, false, true), "Shift+Del"},
      {MakeShortCut(0x74, false), "F5"},
      {MakeShortCut(0x87, true), "Ctrl+F24"},
      {MakeShortCut(0x0D, false), "Enter"},
      {MakeShortCut(0x62, false), "Num 2"},
      {MakeShortCut(0x21, true), "Ctrl+PgUp"},
      {0, ""},
      {kScCtrl, ""},                       // no key: nothing to show
      {MakeShortCut(0xFF, true), ""},      // a key without a name
  };
  for (const Row& r : rows) EXPECT_EQ(ShortCutToText(r.shortcut), r.text) << r.shortcut;
}

TEST(UiShortCut, ModifierBitsAreTheStoredOnes) {
  EXPECT_EQ(MakeShortCut('X', true), 0x4058);
  EXPECT_EQ(MakeShortCut('A', true, true, true), 0xE041);
}

}  // namespace

TEST(UiAccessKey, TheLetterAfterASingleAmpersandWithoutCase) {
  const struct {
    const char* caption;
    char16_t key;
    bool accel;
  } cases[] = {
      {"&Play", u'p', true},      {"&Play", u'P', true},     {"&Play", u'l', false},
      {"St&op", u'o', true},      {"PlayButton", u'p', false}, {"GlassButton1", u'g', false},
      {"A&&B", u'b', false},      {"A&&&B", u'b', true},     {"End&", u'd', false},
      {"&Вкл.", u'в', true},      {"&Вкл.", u'В', true},     {"&ёлка", u'Ё', true},
      {"", u'a', false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsAccel(c.key, c.caption), c.accel) << c.caption;
  EXPECT_EQ(AccessKeyOf("&play"), u'P');
  EXPECT_EQ(AccessKeyOf("none"), 0);
}
