// What a connection reads from the engine and how it turns it into reports
// (portable): the station headers, the track title in the stream's metadata,
// the buffering percentage, and the text encoding of everything a station sends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A station's text (header value, metadata, status line) as a program text:
// valid UTF-8 that is not plain ASCII is converted to CP1251 (characters the
// code page lacks become '?'); anything else already is CP1251.
std::string StationTextToCp1251(std::string_view text);

// The reports of one header list (consecutive zero-terminated texts ended by
// an empty one), in list order: "icy-name:" gives the station name (code 3,
// the rest of the text unchanged, a space after the colon included) and
// "icy-br:" gives "bitrate: " + the rest (code 4). Both prefixes are compared
// exactly, case included; other texts are skipped. nullptr gives nothing.
std::vector<std::pair<uint32_t, std::string>> StationHeaderReports(const char* list);

// The station name a stream's answer gives besides icy-name, for the streams
// that send none: "ice-name:" or "x-audiocast-name:" (names matched in any
// case), the value without surrounding spaces and converted as station texts
// are. Empty when the list has neither (or only blank ones).
std::string StreamOwnName(const char* list);

// The track title in a metadata text, or nothing when it holds no
// "StreamTitle=" (exact, case included). The title begins one character after
// "StreamTitle=" (past the opening quote) and ends before the next "';", or
// when there is none before the text's last "'" after its start, or else at
// the text's end. Semicolons inside the title and fields before it are kept
// apart correctly: StreamTitle='A;B'; gives A;B.
std::optional<std::string> ParseStreamTitle(std::string_view metadata);

// The buffering percentage of one pass of the wait, from the engine's file
// positions (total length, downloaded, decoded): (downloaded - decoded) x 100 /
// total in signed 64-bit arithmetic, the low 32 bits taken unsigned. Nothing
// when the total's low 32 bits are all ones (the engine reports an error):
// the wait ends. A total of 0 gives 100: with no buffer there is nothing to
// wait for.
std::optional<uint32_t> BufferPercent(uint64_t total, uint64_t downloaded, uint64_t decoded);

// The wait ends at the first percentage above 75.
inline constexpr bool BufferingDone(uint32_t percent) { return percent > 75; }
