// The settings store against the real registry (HKCU\SOFTWARE\Volnar, saved
// and restored around each test).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/settings_win.h"
#include "registry_guard.h"

namespace {

std::string Raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const ESettingsError& e) {
    return e.what();
  }
  return "(nothing raised)";
}

}  // namespace

TEST(SettingsStore, MissingKeyReadsEmptyAndFirstWriteCreatesIt) {
  VolnarKeyGuard guard;
  ASSERT_FALSE(VolnarKeyGuard::KeyExists());
  EXPECT_EQ(ReadSetting("lasturl"), "");
  EXPECT_EQ(ReadSetting("cookies"), "");
  EXPECT_FALSE(VolnarKeyGuard::KeyExists()) << "a read must not create the key";
  WriteSetting("cookies", "a=1");
  EXPECT_TRUE(VolnarKeyGuard::KeyExists());
  EXPECT_EQ(ReadSetting("cookies"), "a=1");
  EXPECT_EQ(ReadSetting("lasturl"), "");  // key present, value missing
}

TEST(SettingsStore, RoundTripsStoreTheTextWithItsZeroByte) {
  VolnarKeyGuard guard;
  const struct { const char* name; std::string text; } cases[] = {
      {"lasturl", "http://127.0.0.1:8000/stream"},
      {"cookies", "a=1; b=2; name=\"p q\""},
      {"lasturl", "\xD0\xE0\xE4\xE8\xEE \xC2\xEE\xEB\xED\xE0\xF0"},  // "Радио Волнар" in CP1251
      {"cookies", std::string(5000, 'x')},
      {"lasturl", ""},
  };
  for (const auto& c : cases) {
    WriteSetting(c.name, c.text);
    const auto raw = VolnarKeyGuard::GetRaw(c.name);
    ASSERT_TRUE(raw.found) << c.name;
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    // The bytes as given (not re-encoded) followed by exactly one zero byte.
    EXPECT_EQ(raw.bytes, c.text + std::string(1, '\0')) << c.name;
    EXPECT_EQ(ReadSetting(c.name), c.text);
  }
}

TEST(SettingsStore, EmptyTextIsOneZeroByte) {
  VolnarKeyGuard guard;
  WriteSetting("cookies", "");
  const auto raw = VolnarKeyGuard::GetRaw("cookies");
  ASSERT_TRUE(raw.found);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw.bytes, std::string(1, '\0'));
  EXPECT_EQ(ReadSetting("cookies"), "");
}

TEST(SettingsStore, WriteReplacesAValueOfAnotherType) {
  VolnarKeyGuard guard;
  VolnarKeyGuard::PutDword("lasturl", 7);
  WriteSetting("lasturl", "http://x/");
  EXPECT_EQ(VolnarKeyGuard::GetRaw("lasturl").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ReadSetting("lasturl"), "http://x/");
}

TEST(SettingsStore, ReadCutsAtTheFirstZeroAndTakesExpandUnexpanded) {
  VolnarKeyGuard guard;
  const struct { DWORD type; std::string bytes; std::string text; } cases[] = {
      {REG_SZ, std::string("abc\0def\0", 8), "abc"},
      {REG_SZ, std::string("no terminator"), "no terminator"},
      {REG_SZ, std::string("\0tail\0", 6), ""},
      {REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11), "%WINDIR%\\x"},
      {REG_SZ, std::string(1, '\0'), ""},
  };
  for (const auto& c : cases) {
    VolnarKeyGuard::PutRaw("lasturl", c.type, c.bytes);
    EXPECT_EQ(ReadSetting("lasturl"), c.text);
  }
}

TEST(SettingsStore, WrongTypesRaiseWithTheValueName) {
  VolnarKeyGuard guard;
  VolnarKeyGuard::PutDword("lasturl", 12345);
  EXPECT_EQ(Raised([] { ReadSetting("lasturl"); }), "Invalid data type for 'lasturl'");
  VolnarKeyGuard::PutRaw("cookies", REG_BINARY, "ab");
  EXPECT_EQ(Raised([] { ReadSetting("cookies"); }), "Invalid data type for 'cookies'");
  VolnarKeyGuard::PutRaw("cookies", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  EXPECT_EQ(Raised([] { ReadSetting("cookies"); }), "Invalid data type for 'cookies'");
  // A value of the wrong type but no data is still "missing": size 0.
  VolnarKeyGuard::PutRaw("cookies", REG_BINARY, "");
  EXPECT_EQ(ReadSetting("cookies"), "");
}

TEST(SettingsStore, RefusedWriteRaisesWithTheValueName) {
  VolnarKeyGuard guard;
  // An over-long value name (the registry allows 16383 characters) is refused.
  const std::string name(20000, 'n');
  EXPECT_EQ(Raised([&] { WriteSetting(name, "v"); }), "Failed to set data for '" + name + "'");
}

TEST(SettingsStore, WriteWithoutAKeyRaisesAndReadGivesEmpty) {
  VolnarKeyGuard guard;
  ReadOnlyUserHive readonly;
  ASSERT_TRUE(readonly.Ok());
  EXPECT_EQ(Raised([] { WriteSetting("cookies", "a=1"); }), "Failed to set data for 'cookies'");
  EXPECT_EQ(Raised([] { WriteSetting("lasturl", ""); }), "Failed to set data for 'lasturl'");
  EXPECT_EQ(ReadSetting("lasturl"), "");
}
