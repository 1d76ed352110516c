// Fuzzes the rules of the catalogue's links: what a new: link may hand to
// the shell, and which pages may drive the player. The input is split at
// its first zero byte into an address and a host.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ascii.h"
#include "browser/link_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t zero = input.find('\0');
  const std::string_view address = input.substr(0, zero);
  const std::string_view host = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);

  // The shell gets one argument: an http(s) address with no quotation mark,
  // space or control character in it, or nothing at all.
  if (const auto shell = ShellWebAddress(address)) {
    if (!StartsWithIgnoreCase(*shell, "http://") && !StartsWithIgnoreCase(*shell, "https://")) __builtin_trap();
    for (char c : *shell) {
      const auto b = static_cast<unsigned char>(c);
      if (b <= 0x20 || b == 0x7F || c == '"') __builtin_trap();
    }
    if (!IsWebAddress(address)) __builtin_trap();
  }
  if (IsOnCatalogueHost(address, host) && (!IsWebAddress(address) || host.empty())) __builtin_trap();
  const LinkDecision d = ClassifyNavigation(address, CatalogueHomeAddress(host));
  if ((d.kind == LinkKind::kNew || d.kind == LinkKind::kPlay) &&
      (d.rest.size() >= address.size() || address.substr(address.size() - d.rest.size()) != d.rest)) {
    __builtin_trap();
  }
  if (const auto rest = PlayMainRest(address); rest && rest->size() >= address.size()) __builtin_trap();
  (void)PageMayDrivePlayer(address, host);
  return 0;
}
