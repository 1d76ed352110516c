// What the catalogue's links mean (portable): the private schemes of a
// navigation, the default-station scheme of a completed page's links, and
// which addresses belong to the catalogue site. Texts are CP1251; every
// function is pure and may be called from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class LinkKind {
  kNew,            // "new:" + address: open the address in the default web browser
  kPlay,           // "play:" + address: play the address as a station
  kCatalogueHome,  // exactly the catalogue home address: show the please-wait box
  kOther,          // anything else: the browser navigates as usual
};

struct LinkDecision {
  LinkKind kind = LinkKind::kOther;
  std::string rest;  // kNew, kPlay: the address after the scheme, unchanged
};

// The show handler's first page, given inline: a light field with the
// header's two bands, shown while the catalogue loads.
inline constexpr char kPlaceholderPage[] =
    "about:<html><body style=\"overflow:hidden;background:#e5f7ff;margin:0;padding:0;\">"
    "<div style=\"height:52px;background:#dff6ff;\"></div>"
    "<div style=\"height:10px;background:#ffffff;\"></div></body></html>";

// The catalogue home address: "http://" + host, no trailing "/".
std::string CatalogueHomeAddress(std::string_view host);

// Classifies a navigation target. The scheme prefixes are compared byte for
// byte (case-sensitive) in the order new:, play:, then the whole address
// against `home_address`.
LinkDecision ClassifyNavigation(std::string_view address, std::string_view home_address);

// True when `address` starts with "http://" or "https://" (letters in any
// case): the only addresses a "new:" link may hand to the shell, so that a
// page cannot make the player open local files or start programs.
bool IsWebAddress(std::string_view address);

// The station address of a "playmain:" link (case-sensitive prefix), possibly
// empty; nothing for any other link.
std::optional<std::string> PlayMainRest(std::string_view link);

// True when the page at `document_address` may drive the player with the
// catalogue's private links (new:, play:, playmain:): a page of the catalogue
// on `host`, or the program's own placeholder page. Any other page (another
// site, an error page, none at all) could otherwise make the player play,
// store or open addresses of its choosing.
bool PageMayDrivePlayer(std::string_view document_address, std::string_view host);

// The address a new: link may hand to the shell: a web address (as
// IsWebAddress) with its spaces and quotation marks percent-quoted (%20,
// %22), so that it stays one argument of the program that opens it; nothing
// for any other address or one holding a control character (0..31, 127).
std::optional<std::string> ShellWebAddress(std::string_view address);

// True when `address` is an http:// or https:// address (scheme letters in
// any case) whose authority is exactly `host` (compared without regard to
// letter case, as host names are) followed by the end, "/", "?" or "#".
bool IsOnCatalogueHost(std::string_view address, std::string_view host);
