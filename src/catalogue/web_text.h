// Text rules of the catalogue's pages and addresses: HTML escaping,
// percent-encoding, form and query decoding, UTF-8 clean-up, and which
// addresses a page may hand to the player. Texts here are UTF-8 (the pages'
// charset). Pure functions; any thread. Portable.
#pragma once

#include <map>
#include <string>
#include <string_view>

// `text` with &, <, >, " and ' replaced by entities: safe inside element
// content and inside a quoted attribute value.
std::string HtmlEscape(std::string_view text);

// Every byte except unreserved ones (A-Z a-z 0-9 - . _ ~) as %XX: for a
// query parameter's name or value, a path segment, or a form field.
std::string PercentEncode(std::string_view text);

// %XX decoded (a malformed escape stays as it is); with `plus_is_space`
// (forms and queries) '+' is a space.
std::string PercentDecode(std::string_view text, bool plus_is_space);

// "a=1&b=x+y" into its fields, each name and value decoded. A name given
// twice keeps its first value. Bytes that are not valid UTF-8 are replaced.
std::map<std::string, std::string> ParseForm(std::string_view text);

// `text` with every invalid UTF-8 sequence replaced by U+FFFD, and control
// characters other than tab, line feed and carriage return removed.
std::string CleanUtf8(std::string_view text);

// At most `max_bytes` bytes of the UTF-8 `text`, cut at a character boundary.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

// `text` (valid UTF-8) without the white space at either end: ASCII white
// space, U+0085, U+00A0, U+1680, U+180E, U+2000..U+200B, U+2028, U+2029,
// U+202F, U+205F, U+2060, U+3000 and U+FEFF.
std::string_view TrimUnicodeSpace(std::string_view text);

// True when `address` is an http:// or https:// address (scheme in any
// case) with a host, and holds no control characters, spaces or quotes:
// the only station addresses the pages hand to the player.
bool IsStationAddress(std::string_view address);

// A web address for an href: bytes above 0x7E and the few ASCII characters a
// browser would not take as they are (space, quotes, <, >, backslash, ^, `,
// {, |, }) percent-encoded; everything else, including existing %XX, kept.
// The result is ASCII, so it reaches the player unchanged in any code page.
std::string LinkAddress(std::string_view address);
