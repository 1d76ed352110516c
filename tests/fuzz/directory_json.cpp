// Fuzzes the readers of the directory's JSON answers; the first input byte
// picks the station list or the name list.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue/directory_json.h"
#include "catalogue/web_text.h"

namespace {

// A name the pages can show: not empty, clean UTF-8, bounded, no white
// space at its ends.
void CheckName(const std::string& name) {
  if (name.empty() || name.size() > kMaxFieldBytes || CleanUtf8(name) != name || TrimUnicodeSpace(name) != name) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view json(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    const auto list = ParseNamedCounts(json);
    if (!list) return 0;
    if (list->size() > kMaxAnswerEntries) __builtin_trap();
    for (const NamedCount& n : *list) {
      CheckName(n.name);
      if (n.code.size() > kMaxFieldBytes || CleanUtf8(n.code) != n.code) __builtin_trap();
    }
    return 0;
  }
  const auto stations = ParseStations(json);
  if (!stations) return 0;
  if (stations->size() > kMaxAnswerEntries) __builtin_trap();
  for (const Station& s : *stations) {
    CheckName(s.name);
    for (const std::string* field : {&s.url, &s.url_resolved, &s.homepage, &s.favicon, &s.tags, &s.uuid}) {
      if (field->size() > kMaxFieldBytes || CleanUtf8(*field) != *field) __builtin_trap();
    }
    if (s.bitrate >= 100000) __builtin_trap();
  }
  return 0;
}
