// The built-in catalogue as a web site: routing of requests to pages and
// actions, the checks that keep other pages and programs out (our own Host
// only, state changes only as POST with the run's token and, where the
// browser sends them, our own Origin or Referer), and the hand-over of plays
// from the window. Portable: the server's threads call Handle, the window's
// side calls StationPlayed/SetStationChosen.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/directory.h"
#include "catalogue/http_request.h"
#include "catalogue/pages.h"
#include "catalogue/playlist_io.h"
#include "catalogue/station.h"
#include "catalogue/user_store.h"

struct HttpResponse {
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::string location;  // for 303
  std::string disposition;  // Content-Disposition, for a file to save
  std::string set_cookie;   // one Set-Cookie value
};

// Status line, headers (length, type, the document mode, no caching, no
// sniffing, a content policy, the connection closed) and, unless
// `head_only`, the body.
std::string SerializeResponse(const HttpResponse& response, bool head_only);

struct SiteOptions {
  std::string host;   // "127.0.0.1:PORT", as the browser sends it in Host
  std::string token;  // the run's form token: long, random; empty: every change is refused
  // Why the engine cannot play a station; empty when it can.
  std::function<std::string(const Station&)> unplayable;
  // Plays a station asked for by a page in an external browser (the pane
  // uses play: links instead). Empty: such requests are refused. Called on a
  // server thread; must not wait for the window.
  std::function<void(const std::string& address)> play = {};
  // The local time of a moment (seconds since 1970 UTC) as the pages show
  // it; empty: ClockText of the UTC time.
  std::function<std::string(int64_t)> time_text = {};
};

// The page that an external browser opens first: it marks that browser (a
// cookie) so that pages play through the server, then goes to the home page.
inline constexpr char kExternalEntryPath[] = "/external";

class CatalogueSite {
 public:
  CatalogueSite(SiteOptions options, DirectoryClient& directory, UserStore& store);

  // Any server thread; may wait for the directory (about 3 s at most).
  HttpResponse Handle(const HttpRequest& request);

  // A station started to play (a play: link or the Play button): it goes
  // into the history, and a play of a directory station is reported to the
  // directory. May wait for the directory: not on the window thread.
  void StationPlayed(const std::string& address);
  // The name the catalogue knows for a played address (UTF-8): a favourite's,
  // an own station's, a directory station's shown on the pages, or one the
  // history holds; empty when it knows none.
  std::string KnownName(const std::string& address) const;
  // Whether the player has a last station. While it has none, the home page
  // names a default station with a playmain: link. Any thread.
  void SetStationChosen(bool chosen) { station_chosen_.store(chosen); }
  // A title began to play on the station at `address` (as the program
  // holds it), at `started` (seconds since 1970 UTC): kept in the titles
  // heard with the station's name as the catalogue knows it. Any thread.
  void TitleHeard(const std::string& address, const std::string& title, int64_t started);

 private:
  HttpResponse Refuse(int status, std::string_view text) const;
  HttpResponse HomePage(const std::map<std::string, std::string>& q);
  HttpResponse ListPage(const std::map<std::string, std::string>& q, const std::string& target);
  HttpResponse FavouritesPage(const std::string& target);
  HttpResponse OwnPage(const std::map<std::string, std::string>& q, const std::string& target,
                       std::string_view error, std::string_view name, std::string_view url);
  HttpResponse RecentPage(const std::string& target);
  HttpResponse Post(std::string_view path, const std::map<std::string, std::string>& form);
  PageContext Context(const std::string& target) const;
  HttpResponse Export(bool pls);
  HttpResponse Import(const std::map<std::string, std::string>& form);
  HttpResponse PlayRequest(const std::map<std::string, std::string>& form);
  std::string FilesSection(const PageContext& context) const;
  // Stations from a directory answer (nullopt: unreachable), remembered by
  // uuid and address for the favourite toggle and the history.
  std::optional<std::vector<Station>> Stations(const std::string& path);
  void Remember(const std::vector<Station>& stations);
  std::optional<Station> StationForKey(const std::string& key);
  bool SameOrigin(const HttpRequest& request) const;

  const SiteOptions options_;
  DirectoryClient& directory_;
  UserStore& store_;
  std::atomic<bool> station_chosen_{false};
  mutable std::mutex lock_;
  // All the following fields are protected by lock_.
  std::map<std::string, Station> seen_;                // by uuid
  std::map<std::string, std::string> uuid_by_address_;  // stream address -> uuid
  uint64_t play_number_ = 0;  // plays asked for by external pages so far
  std::string played_name_;   // the name of the last of them
  // The request each server thread is answering, for the pages' context. Kept
  // here rather than in a thread_local: on the Windows runtime every access to
  // one goes through its emulated thread storage, which once spun for good on
  // a short-lived connection thread.
  std::map<std::thread::id, const HttpRequest*> answering_;
};

// What the favourites page saves to a file: the favourites, then the own
// stations, each address once.
std::vector<PlaylistEntry> ExportEntries(const UserStore& store);

// A local path to return to after a form; "/" for anything else (another
// host, a scheme, control characters).
std::string SafeBackPath(std::string_view back);
