#include "catalogue/store_file_win.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "base/scoped_win.h"

namespace {

// By CSIDL: the known-folder GUIDs would pull in libuuid's object that
// also defines a GUID the browser host defines itself.
std::wstring AppDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return {};
  }
  return std::wstring(path) + L"\\Volnar";
}

constexpr wchar_t kDamagedMark[] = L".bad-";

// "YYYYMMDD-HHMMSS" with an optional "-N" (N one digit): the names this
// file gives damaged copies, in the order they were made when sorted.
bool IsDamagedCopyStamp(const std::wstring& stamp) {
  if (stamp.size() != 15 && stamp.size() != 17) return false;
  for (size_t i = 0; i < stamp.size(); ++i) {
    const bool dash = i == 8 || i == 15;
    if (dash ? stamp[i] != L'-' : (stamp[i] < L'0' || stamp[i] > L'9')) return false;
  }
  return true;
}

}  // namespace

StoreFile::StoreFile(std::wstring folder, StoreFileCalls calls)
    : folder_(folder.empty() ? AppDataFolder() : std::move(folder)), calls_(calls) {
  path_ = folder_ + L"\\catalogue.json";
}

bool StoreFile::ReadOnce(size_t max_bytes, std::optional<std::string>* text) const {
  text->reset();
  UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;  // nothing stored yet
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return false;
  const size_t want = static_cast<size_t>(std::min<long long>(size.QuadPart, static_cast<long long>(max_bytes) + 1));
  std::string bytes(want, '\0');
  size_t at = 0;
  while (at < want) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(want - at, 1 << 20));
    if (!calls_.read_file(file.Get(), bytes.data() + at, chunk, &got, nullptr) || got == 0) break;
    at += got;
  }
  if (at < want) return false;  // cut short: a lock on a range, a file being rewritten
  *text = std::move(bytes);
  return true;
}

StoreFileRead StoreFile::Read(size_t max_bytes) const {
  StoreFileRead result;
  for (int attempt = 0; attempt < kReadTries; ++attempt) {
    if (attempt) Sleep(kReadPauseMs);
    if (ReadOnce(max_bytes, &result.text)) return result;
  }
  result.text.reset();
  result.unreadable = true;
  return result;
}

void StoreFile::PruneDamagedCopies() const {
  const std::wstring prefix = path_ + kDamagedMark;
  const std::wstring name_prefix = prefix.substr(prefix.rfind(L'\\') + 1);
  std::vector<std::wstring> stamps;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name.size() <= name_prefix.size() || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::wstring stamp = name.substr(name_prefix.size());
    if (_wcsnicmp(name.c_str(), name_prefix.c_str(), name_prefix.size()) == 0 && IsDamagedCopyStamp(stamp)) {
      stamps.push_back(stamp);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (stamps.size() <= static_cast<size_t>(kDamagedCopiesKept)) return;
  std::sort(stamps.begin(), stamps.end());
  for (size_t i = 0; i + kDamagedCopiesKept < stamps.size(); ++i) DeleteFileW((prefix + stamps[i]).c_str());
}

bool StoreFile::Write(const std::string& document, bool keep_old) const {
  if (folder_.empty()) return false;
  CreateDirectoryW(folder_.c_str(), nullptr);  // fails harmlessly when it exists
  const std::wstring fresh = path_ + L".new";
  {
    UniqueHandle file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!calls_.write_file(file.Get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr) ||
        written != document.size() || !FlushFileBuffers(file.Get())) {
      file.Reset();
      DeleteFileW(fresh.c_str());
      return false;
    }
  }
  // The damaged file goes to a name no other file has; a rename needs no
  // room on the disk. When it cannot be moved it is not replaced either.
  std::wstring aside;
  if (keep_old && GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32] = {};
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    for (int n = 0; n <= 9 && aside.empty(); ++n) {
      std::wstring name = path_ + kDamagedMark + stamp;
      if (n) name += L"-" + std::to_wstring(n);
      if (calls_.move_file(path_.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
        aside = name;
        break;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    if (aside.empty()) {
      DeleteFileW(fresh.c_str());
      return false;
    }
  }
  if (!calls_.move_file(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    // The old document goes back where the next start looks for it.
    if (!aside.empty()) calls_.move_file(aside.c_str(), path_.c_str(), MOVEFILE_WRITE_THROUGH);
    DeleteFileW(fresh.c_str());
    return false;
  }
  if (!aside.empty()) PruneDamagedCopies();
  return true;
}
