#include "catalogue/store_file_win.h"

#include <windows.h>
#include <shlobj.h>

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

}  // namespace

StoreFile::StoreFile(std::wstring folder) : folder_(folder.empty() ? AppDataFolder() : std::move(folder)) {
  path_ = folder_ + L"\\catalogue.json";
}

std::optional<std::string> StoreFile::Read(size_t max_bytes) const {
  UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    return std::string();  // there but unreadable: reported as damaged, not overwritten unasked
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return std::string();
  const size_t want = static_cast<size_t>(std::min<long long>(size.QuadPart, static_cast<long long>(max_bytes) + 1));
  std::string text(want, '\0');
  size_t at = 0;
  while (at < want) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(want - at, 1 << 20));
    if (!ReadFile(file.Get(), text.data() + at, chunk, &got, nullptr) || got == 0) break;
    at += got;
  }
  text.resize(at);
  return text;
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
    if (!WriteFile(file.Get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr) ||
        written != document.size() || !FlushFileBuffers(file.Get())) {
      file.Reset();
      DeleteFileW(fresh.c_str());
      return false;
    }
  }
  if (keep_old) {
    (void)MoveFileExW(path_.c_str(), (path_ + L".bad").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!MoveFileExW(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(fresh.c_str());
    return false;
  }
  return true;
}
