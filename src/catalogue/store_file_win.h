// Where the user's catalogue data lives: one UTF-8 JSON file,
// %APPDATA%\Volnar\catalogue.json, replaced atomically on every change (the
// new text goes to a file beside it, flushed, then moved over the old one),
// so a crash or a power cut leaves either the old or the new document, never
// a half-written one. Any thread; callers serialise writes (UserStore does).
//
// A file that is there but cannot be read whole (another program holds it
// open: a backup, a sync client, a virus scanner) is read again a few times;
// if it stays unreadable the caller is told so, and must not take it for a
// damaged or an empty one. A damaged file is moved aside under a dated name
// of its own (catalogue.json.bad-YYYYMMDD-HHMMSS), which no later save
// replaces; the newest kDamagedCopiesKept of them are kept.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The file calls that a test replaces to play a full disk, a folder that
// refuses renames or a read cut short.
struct StoreFileCalls {
  decltype(&::ReadFile) read_file = &::ReadFile;
  decltype(&::WriteFile) write_file = &::WriteFile;
  decltype(&::MoveFileExW) move_file = &::MoveFileExW;
};

struct StoreFileRead {
  // The document; nullopt when there is none (first run) or when it could
  // not be read.
  std::optional<std::string> text;
  bool unreadable = false;  // there, but not readable whole after every try
};

class StoreFile {
 public:
  static constexpr int kReadTries = 8;
  static constexpr DWORD kReadPauseMs = 200;  // between tries: 1.4 s in all
  static constexpr int kDamagedCopiesKept = 5;

  // `folder` empty: the user's application data folder + "\Volnar".
  explicit StoreFile(std::wstring folder = {}, StoreFileCalls calls = {});

  // The stored document. A file larger than `max_bytes` is read only that
  // far (plus one byte, so that the reader sees it is too large).
  StoreFileRead Read(size_t max_bytes) const;
  // Replaces the document; with `keep_old` the previous file is first moved
  // aside under a dated name. False, with the stored file as it was, when
  // the new one cannot be written or the old one cannot be moved aside.
  [[nodiscard]] bool Write(const std::string& document, bool keep_old) const;

  const std::wstring& path() const { return path_; }

 private:
  // One try; false when the file could not be read whole.
  bool ReadOnce(size_t max_bytes, std::optional<std::string>* text) const;
  void PruneDamagedCopies() const;

  std::wstring folder_;
  std::wstring path_;
  StoreFileCalls calls_;
};
