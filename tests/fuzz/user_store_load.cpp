// Fuzzes the loading of the stored catalogue document: whatever is read,
// the document written back loads again without a problem and is written
// the same (a second start never finds fault with what the first stored).
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue/user_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UserStore store(nullptr);
  store.Load(std::string(reinterpret_cast<const char*>(data), size));
  if (store.Favourites().size() > kMaxFavourites || store.OwnStations().size() > kMaxOwnStations ||
      store.History().size() > kMaxHistory) {
    __builtin_trap();
  }
  const std::string stored = store.Serialize();
  UserStore again(nullptr);
  again.Load(stored);
  if (!again.Problems().empty() || again.Serialize() != stored) __builtin_trap();
  for (const OwnStation& o : again.OwnStations()) {
    if (o.name.size() > kMaxNameBytes || !CheckStationAddress(o.url).empty()) __builtin_trap();
  }
  return 0;
}
