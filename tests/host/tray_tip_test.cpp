// The tray tip: the hint cut to the shell's 127 characters, or nothing.
#include <gtest/gtest.h>

#include <string>

#include "tray/tray_tip.h"

TEST(TrayTip, CutToTheShellsLengthOrEmpty) {
  const std::string cyrillic(200, '\xC6');  // 'Ж' in CP1251
  const struct {
    std::string hint;
    bool show;
    std::u16string tip;
  } cases[] = {
      {"Волнар-радио", true, u"Волнар-радио"},
      {"Волнар-радио", false, u""},
      {"", true, u""},
      {std::string(127, 'a'), true, std::u16string(127, u'a')},
      {std::string(128, 'a'), true, std::u16string(127, u'a')},
      {cyrillic, true, std::u16string(127, u'Ж')},
  };
  for (const auto& c : cases) EXPECT_EQ(TrayTipText(c.hint, c.show), c.tip) << c.hint.size();
}
