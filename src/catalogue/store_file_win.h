// Where the user's catalogue data lives: one UTF-8 JSON file,
// %APPDATA%\Volnar\catalogue.json, replaced atomically on every change (the
// new text goes to a file beside it, flushed, then moved over the old one),
// so a crash or a power cut leaves either the old or the new document, never
// a half-written one. Any thread; callers serialise writes (UserStore does).
#pragma once

#include <optional>
#include <string>

class StoreFile {
 public:
  // `folder` empty: the user's application data folder + "\Volnar".
  explicit StoreFile(std::wstring folder = {});

  // The stored document; nullopt when there is none. A file larger than
  // `max_bytes` is read only that far (plus one byte, so that the reader
  // sees it is too large).
  std::optional<std::string> Read(size_t max_bytes) const;
  // Replaces the document; with `keep_old` the previous file is kept as
  // catalogue.json.bad first.
  [[nodiscard]] bool Write(const std::string& document, bool keep_old) const;

  const std::wstring& path() const { return path_; }

 private:
  std::wstring folder_;
  std::wstring path_;
};
