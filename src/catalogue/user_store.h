// The user's own catalogue data: favourites (in the user's order), stations
// entered by hand, the history of played stations and the titles heard. Kept as one JSON
// document that the platform side writes by replacing a file atomically on
// every change (not only at exit), so a crash loses nothing that a page
// already showed as done.
//
// Stored data is untrusted too: a document that is not JSON, of the wrong
// shape, with broken text, oversized, or with bad entries loads whatever can
// be read, reports each problem as a message for the pages, and is not
// written back until the user changes something (the first write then asks
// the platform to keep the old file beside the new one). A document that is
// there but could not be read at all (another program holds the file) is not
// a damaged one: nothing is written in that run, so it is not replaced.
//
// Any thread: every member takes the store's lock. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/station.h"

struct OwnStation {
  std::string id;  // stable within the document, "1", "2" ...
  std::string name;
  std::string url;
};

inline constexpr size_t kMaxFavourites = 2000;
inline constexpr size_t kMaxOwnStations = 500;
inline constexpr size_t kMaxHistory = 50;
inline constexpr size_t kMaxTitles = 500;
inline constexpr size_t kMaxTitleBytes = 500;
inline constexpr size_t kMaxStoreBytes = 4 * 1024 * 1024;
inline constexpr size_t kMaxNameBytes = 300;
inline constexpr size_t kMaxAddressBytes = 2048;

// A title heard: what a stream named its programme or song (ICY, HLS or Ogg
// metadata) while the station played.
struct HeardTitle {
  std::string title;    // UTF-8, as the stream sent it (cut to kMaxTitleBytes)
  std::string station;  // the station's name as the catalogue knows it
  std::string url;      // the station's address
  int64_t started = 0;  // when it began to play: seconds since 1970-01-01 UTC
};

class UserStore {
 public:
  // Writes `document` in place of the stored one; with `keep_old` the
  // current stored document is kept aside first (it held data we could not
  // read). False when it could not be written.
  using Writer = std::function<bool(const std::string& document, bool keep_old)>;

  explicit UserStore(Writer writer) : writer_(std::move(writer)) {}

  // Loads the stored document; nullopt when there is none yet (first run).
  void Load(const std::optional<std::string>& document);
  // The stored document is there but could not be read: the store starts
  // empty, says so in Problems, and writes nothing for the rest of the run.
  void LoadUnreadable();

  // Problems found while loading or saving, as Russian sentences for the pages.
  std::vector<std::string> Problems() const;

  // ---- Favourites: keyed by FavouriteKey ----
  std::vector<Station> Favourites() const;
  bool IsFavourite(std::string_view key) const;
  // Adds at the end, or removes when it is there already. False when the
  // list is full (nothing changes).
  bool ToggleFavourite(const Station& station);
  bool RemoveFavourite(std::string_view key);
  // Moves one place towards the start (-1) or the end (+1).
  bool MoveFavourite(std::string_view key, int step);

  // Adds stations from a file to the end of the favourites, in one write. A
  // station whose address is already a favourite or an own station (or came
  // earlier in the same file) is skipped; so are those past a full list.
  struct ImportCount {
    size_t added = 0, duplicates = 0, no_room = 0;
  };
  ImportCount ImportFavourites(const std::vector<Station>& stations);

  // ---- Own stations ----
  std::vector<OwnStation> OwnStations() const;
  std::optional<OwnStation> FindOwn(std::string_view id) const;
  // Empty result: done (`id_out` names the new station); otherwise the
  // message why not (an address that is not http(s), an empty name ...).
  std::string AddOwn(std::string_view name, std::string_view url, std::string* id_out = nullptr);
  std::string EditOwn(std::string_view id, std::string_view name, std::string_view url);
  bool RemoveOwn(std::string_view id);

  // ---- History: newest first ----
  std::vector<Station> History() const;
  // A station was played: moved to (or put at) the front.
  void NotePlayed(const Station& station);

  // ---- Titles heard: newest first, at most kMaxTitles ----
  std::vector<HeardTitle> Titles() const;
  // A title began to play. An empty title is no title; the same title
  // again from the same station (a reconnect repeats it) is not a new one.
  // False when nothing was added.
  bool NoteTitle(const HeardTitle& heard);

  // The document as it would be stored now.
  std::string Serialize() const;

 private:
  std::string SerializeLocked() const;
  // Writes after a change; the lock is held.
  void SaveLocked();
  std::string CheckOwn(std::string_view name, std::string_view url) const;

  const Writer writer_;
  mutable std::mutex lock_;
  // All the following fields are protected by lock_.
  std::vector<Station> favourites_;
  std::vector<OwnStation> own_;
  std::vector<Station> history_;
  std::vector<HeardTitle> titles_;
  uint64_t next_own_id_ = 1;
  std::vector<std::string> load_problems_;
  std::string save_problem_;
  bool keep_old_on_save_ = false;  // the stored document held data we could not read
  bool unread_ = false;            // the stored document could not be read: never write
};

// The key of a station in the favourites: "u:" + stationuuid for the
// directory's stations, "a:" + address for any other.
std::string FavouriteKey(const Station& station);

// Why an address cannot be an own station, empty when it can.
std::string CheckStationAddress(std::string_view url);
