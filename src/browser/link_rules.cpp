#include "browser/link_rules.h"

#include "base/ascii.h"
#include "engine/api/engine.h"  // kErrorOk
#include "engine/net/url.h"

namespace {

// The address without its "http://" or "https://", or nothing.
std::optional<std::string_view> AfterWebScheme(std::string_view address) {
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (StartsWithIgnoreCase(address, scheme)) return address.substr(scheme.size());
  }
  return std::nullopt;
}

}  // namespace

std::string CatalogueHomeAddress(std::string_view host) { return "http://" + std::string(host); }

LinkDecision ClassifyNavigation(std::string_view address, std::string_view home_address) {
  constexpr std::string_view kNew = "new:";
  constexpr std::string_view kPlay = "play:";
  if (address.substr(0, kNew.size()) == kNew) {
    return {LinkKind::kNew, std::string(address.substr(kNew.size()))};
  }
  if (address.substr(0, kPlay.size()) == kPlay) {
    return {LinkKind::kPlay, std::string(address.substr(kPlay.size()))};
  }
  if (address == home_address) return {LinkKind::kCatalogueHome, {}};
  return {};
}

bool IsWebAddress(std::string_view address) { return AfterWebScheme(address).has_value(); }

std::optional<std::string> PlayMainRest(std::string_view link) {
  constexpr std::string_view kPlayMain = "playmain:";
  if (link.substr(0, kPlayMain.size()) != kPlayMain) return std::nullopt;
  return std::string(link.substr(kPlayMain.size()));
}

bool PageMayDrivePlayer(std::string_view document_address, std::string_view host) {
  return document_address == kPlaceholderPage || IsOnCatalogueHost(document_address, host);
}

std::optional<std::string> ShellWebAddress(std::string_view address) {
  if (!IsWebAddress(address)) return std::nullopt;
  std::string quoted;
  quoted.reserve(address.size());
  for (char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
    if (c == ' ') {
      quoted += "%20";
    } else if (c == '"') {
      quoted += "%22";
    } else {
      quoted += c;
    }
  }
  return quoted;
}

bool IsOnCatalogueHost(std::string_view address, std::string_view host) {
  if (host.empty() || !AfterWebScheme(address)) return false;
  // The engine's parser reads the authority as a request would; an address
  // carrying credentials is nobody's catalogue page.
  Url url;
  if (ParseUrl(address, url) != kErrorOk || !url.userinfo.empty()) return false;
  return EqualsIgnoreCase(HostHeader(url), host);
}
