// The settings store: two texts kept between runs under
// HKEY_CURRENT_USER\SOFTWARE\Volnar ("lasturl" and "cookies").
//
// Each call opens the key, does one read or one write and closes it again;
// nothing is cached. Texts are CP1251 bytes, stored as the system's 8-bit code
// page through the A registry functions. UI thread only (not that it matters:
// the registry itself is thread-safe).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

// Raised by ReadSetting/WriteSetting; what() is the message shown to the user.
class ESettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr char kSettingsKey[] = "SOFTWARE\\Volnar";

// The longest text a value may hold when read back (bytes, without the
// terminating zero). A station address or the catalogue's cookie text is a
// few kilobytes at most; anything longer was not stored by this program, and
// a huge cookie text would tie up the start-up for minutes of cookie-store
// calls.
inline constexpr size_t kMaxSettingBytes = 64 * 1024;

// The value's text, cut at its first zero byte; empty when the key or value is
// missing. A value that is not REG_SZ or REG_EXPAND_SZ raises
// ESettingsError("Invalid data type for '<name>'"); a text longer than
// kMaxSettingBytes raises ESettingsError("Invalid data size for '<name>'").
// REG_EXPAND_SZ is returned as stored, unexpanded.
std::string ReadSetting(const std::string& name);

// Stores `value` as REG_SZ with its terminating zero byte, creating the key
// (and its parents) when needed. A refused write raises
// ESettingsError("Failed to set data for '<name>'").
void WriteSetting(const std::string& name, const std::string& value);
