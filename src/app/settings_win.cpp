#include "app/settings_win.h"

#include <windows.h>

#include <vector>

namespace {

constexpr REGSAM kKeyRead = 0x20019;   // KEY_READ
constexpr REGSAM kKeyWrite = 0x20006;  // KEY_WRITE
static_assert(kKeyRead == KEY_READ && kKeyWrite == KEY_WRITE);

// Closes the key on every way out, also when an error is raised.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Put() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string WithName(const char* format, const std::string& name) {
  // The messages carry the value name in place of %s.
  std::string text(format);
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  return text;
}

}  // namespace

std::string ReadSetting(const std::string& name) {
  RegKey key;
  // Opening without creating; a failed open leaves no key and so no value.
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, kKeyRead, key.Put()) != ERROR_SUCCESS)
    return {};

  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size == 0)
    return {};

  // The value may grow between the two queries; ask again with the new size.
  std::vector<char> data;
  LONG rc = ERROR_MORE_DATA;
  while (rc == ERROR_MORE_DATA) {
    data.assign(size + 1, '\0');
    rc = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (rc != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ESettingsError(WithName("Invalid data type for '%s'", name));

  // Cut at the first zero byte (data has one spare zero after `size` bytes).
  std::string text(data.data(), size);
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  if (text.size() > kMaxSettingBytes) throw ESettingsError(WithName("Invalid data size for '%s'", name));
  return text;
}

void WriteSetting(const std::string& name, const std::string& value) {
  RegKey key;
  // RegCreateKeyEx opens an existing key or creates it with any missing parent.
  RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyWrite,
                  nullptr, key.Put(), nullptr);
  const LONG rc =
      key.Get() == nullptr
          ? ERROR_INVALID_HANDLE
          : RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  if (rc != ERROR_SUCCESS) throw ESettingsError(WithName("Failed to set data for '%s'", name));
}
