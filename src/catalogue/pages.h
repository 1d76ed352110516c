// The catalogue's pages as HTML: rendered by the server, working with plain
// links and forms (the hosted browser may run no script), declaring the
// newest document mode, in Russian. Every text from the directory or the
// user's data is escaped here and nowhere else. Pure functions; any thread.
// Portable.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/station.h"
#include "catalogue/user_store.h"

enum class Tab { kHome, kList, kFavourites, kOwn, kRecent, kNone };

struct PageContext {
  std::string token;                  // the run's form token
  std::string back;                   // this page's own path and query, for the forms' return
  std::vector<std::string> problems;  // messages shown above the content
  // Why the engine cannot play a station; empty when it can.
  std::function<std::string(const Station&)> unplayable;
  std::function<bool(const std::string& key)> is_favourite;
  // The page is shown by a browser of its own rather than the player's pane,
  // which alone knows the play: and new: links: plays go to the server as a
  // form, web addresses open as ordinary links.
  bool external = false;
  std::string played;  // the station a play from this browser just started, for the note
};

// The whole document around `content`.
std::string RenderPage(std::string_view title, Tab tab, std::string_view search_text,
                       const PageContext& context, std::string_view content);

// How a station row offers itself.
enum class RowKind { kDirectory, kFavourite, kHistory };

// One station row: logo, name as a play: link, country, codec and bit
// rate, genres, homepage through new:, and the favourite toggle (or for
// favourites: up, down, remove).
std::string RenderStationRow(const Station& station, RowKind kind, const PageContext& context);

// Rows of `stations`; with `hide_unplayable` the stations the engine cannot
// play are left out and counted in `hidden`.
std::string RenderStationRows(const std::vector<Station>& stations, RowKind kind,
                              const PageContext& context, bool hide_unplayable, size_t* hidden);

// A small form with one button that POSTs `fields` to `action`.
std::string RenderPostButton(std::string_view action, const std::vector<std::pair<std::string, std::string>>& fields,
                             std::string_view label, std::string_view title, const PageContext& context,
                             std::string_view css_class = "btn");

// A station's name that plays it: a play: link, or for an external browser
// a form that asks the server to play it. `css_class` is the link's class.
std::string RenderPlayLink(std::string_view address, std::string_view name, std::string_view css_class,
                           const PageContext& context, std::string_view link_scheme = "play:");

// A web address outside the catalogue: a new: link for the pane, an
// ordinary link into a new window elsewhere.
std::string RenderWebLink(std::string_view address, std::string_view label, std::string_view title,
                          const PageContext& context);

// The titles heard, newest first, each with when it began (`time_text`),
// its station, a button that copies the title and a web search for it.
std::string RenderTitleRows(const std::vector<HeardTitle>& titles, const PageContext& context,
                            const std::function<std::string(int64_t)>& time_text);

// "DD.MM.YYYY HH:MM" of `seconds` since 1970-01-01 (already moved to the
// time zone wanted).
std::string ClockText(int64_t seconds);

// The address of a web search for `text`.
std::string TitleSearchAddress(std::string_view text);

// The "directory cannot be reached" notice.
std::string RenderUnreachable();

std::string Section(std::string_view heading, std::string_view inner);
