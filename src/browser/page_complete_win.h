// Page completion: the default station a completed catalogue page names
// with its "playmain:" links. Window thread.
#pragma once

#include <optional>
#include <string>

class THostedBrowser;

// The rest of the last "playmain:" link (possibly empty) of `browser`'s top
// document, each link looked up afresh; nothing when the page has none, has
// no link collection, or is not one that may drive the player (a catalogue
// page on `host` or the placeholder).
std::optional<std::string> DefaultStation(THostedBrowser& browser, const std::string& host);
