// Saves HKCU\SOFTWARE\Volnar when a test starts and puts it back when it ends,
// so tests that write settings leave the registry as they found it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class VolnarKeyGuard {
 public:
  // With `clear`, the key is deleted at the start: the test begins from a
  // machine that has never run the program.
  explicit VolnarKeyGuard(bool clear = true) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      existed_ = true;
      for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD name_len = sizeof(name);
        DWORD type = 0;
        BYTE data[16384];
        DWORD size = sizeof(data);
        if (RegEnumValueA(key, i, name, &name_len, nullptr, &type, data, &size) != ERROR_SUCCESS)
          break;
        saved_.push_back({std::string(name, name_len), type, std::string(reinterpret_cast<char*>(data), size)});
      }
      RegCloseKey(key);
    }
    if (clear) DeleteKey();
  }
  ~VolnarKeyGuard() {
    DeleteKey();
    if (!existed_) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    for (const auto& v : saved_)
      RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
    RegCloseKey(key);
  }
  VolnarKeyGuard(const VolnarKeyGuard&) = delete;
  VolnarKeyGuard& operator=(const VolnarKeyGuard&) = delete;

  static void DeleteKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

  // Writes a raw value (any type, exact bytes), creating the key.
  static void PutRaw(const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  static void PutDword(const char* name, DWORD value) {
    PutRaw(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof(value)));
  }

  struct Raw {
    bool found = false;
    DWORD type = 0;
    std::string bytes;
  };
  // The value exactly as stored.
  static Raw GetRaw(const char* name) {
    Raw raw;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return raw;
    BYTE data[16384];
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &raw.type, data, &size) == ERROR_SUCCESS) {
      raw.found = true;
      raw.bytes.assign(reinterpret_cast<char*>(data), size);
    }
    RegCloseKey(key);
    return raw;
  }
  static bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

 private:
  static constexpr char kKey[] = "SOFTWARE\\Volnar";
  struct Saved {
    std::string name;
    DWORD type;
    std::string data;
  };
  bool existed_ = false;
  std::vector<Saved> saved_;
};

// Points HKEY_CURRENT_USER of this process at a read-only handle of an empty
// key for one scope: SOFTWARE\Volnar can then be neither opened nor created,
// so every settings write is refused by the system.
class ReadOnlyUserHive {
 public:
  ReadOnlyUserHive() {
    HKEY made = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &made, nullptr);
    if (made) RegCloseKey(made);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &readonly_) == ERROR_SUCCESS)
      ok_ = RegOverridePredefKey(HKEY_CURRENT_USER, readonly_) == ERROR_SUCCESS;
  }
  ~ReadOnlyUserHive() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (readonly_) RegCloseKey(readonly_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratch);
  }
  ReadOnlyUserHive(const ReadOnlyUserHive&) = delete;
  ReadOnlyUserHive& operator=(const ReadOnlyUserHive&) = delete;
  bool Ok() const { return ok_; }

 private:
  static constexpr char kScratch[] = "SOFTWARE\\VolnarTestReadOnly";
  HKEY readonly_ = nullptr;
  bool ok_ = false;
};
