// The built-in catalogue inside the program: the loopback server with the
// catalogue site, the directory client, and the user's stored stations,
// started at the window's creation unless the program was built with an
// external catalogue site, and stopped at its destruction.
//
// Threads: Start, Stop and StationPlayed on the window thread. Pages are
// answered on the server's own threads; the window thread never waits for
// them, and they read the program's state only through what is handed over
// here (whether a last station exists, each started play).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CatalogueSetup {
  std::wstring data_folder;     // empty: %APPDATA%\Volnar
  std::string directory;        // empty: the address the program was built with
  std::vector<uint16_t> ports;  // empty: the fixed port and its fallbacks
};

// The fixed port of the built-in catalogue (its address, and so its
// cookies, stay the same from run to run) and how many after it are tried.
inline constexpr uint16_t kCataloguePort = 47471;
inline constexpr int kCataloguePortFallbacks = 4;

// Starts the built-in catalogue once and returns the catalogue host name:
// "127.0.0.1:PORT", or the external site's host name when the program was
// built with one (nothing is started then). `station_known`: the program
// has a last station, so the home page names no default one.
std::string StartCatalogue(bool station_known, const CatalogueSetup& setup = {});
// Ends the server, its pages and its directory requests; waits for them.
void StopCatalogue();
bool CatalogueRunning();
// Complete requests the running catalogue has answered (0 when none runs).
uint64_t CatalogueRequestsAnswered();
// A station started to play (a play: link or the Play button), with its
// address as the program holds it. Queued for the catalogue's own thread,
// which adds it to the history and reports a directory station's play.
void CatalogueStationPlayed(const std::string& address);

// A title began to play on the station at `address` (the program's CP1251
// texts, as the player notification carries the title). Queued, in order
// with the plays, for the catalogue's thread, which keeps it in the titles
// heard with the time of this call. Never waits.
void CatalogueTitleHeard(const std::string& address, const std::string& title);

// Posted to the window given to SetCataloguePlayWindow when a page in an
// external browser asked to play a station; the window takes the address
// with TakeCataloguePlayRequest.
inline constexpr UINT kCataloguePlayMessage = WM_APP + 0x1A0;
// Window thread. `window` null: requests are only queued (a program without
// a window takes them itself).
void SetCataloguePlayWindow(HWND window);
// The newest play asked for since the last call (older ones are dropped:
// only one station plays); nullopt when none. The address is ASCII. Any thread.
std::optional<std::string> TakeCataloguePlayRequest();

// The name the running catalogue knows for `address` (UTF-8), empty when it
// knows none or none runs. Window thread; takes the store's lock briefly.
std::string CatalogueStationName(const std::string& address);
