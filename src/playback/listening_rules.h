// Rules of the features a listener leaves the player running for (portable):
// what the keyboard's media commands do, the sleep timer's fade and its text
// in the tray hint, and which name a stream without a station header shows.
// All texts are CP1251.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// ---- Media commands ----

// What one media command asks of the player. A radio has no pause: Pause
// stops, and Play/Pause toggles between playing and stopped.
enum class MediaAction { kNone, kPlay, kStop, kToggle, kVolumeUp, kVolumeDown, kMute, kRecord };

// The action for a WM_APPCOMMAND command number (APPCOMMAND_*); kNone for
// commands the player leaves to the system.
MediaAction ActionForAppCommand(int command);

// What Play/Pause does now: kStop while playing, otherwise kPlay.
inline MediaAction ResolveToggle(bool playing) { return playing ? MediaAction::kStop : MediaAction::kPlay; }

// One press of volume up or down moves the slider (0 .. 100) this far.
inline constexpr int kVolumeKeyStep = 5;
// The slider position after one volume key press (`direction` +1 or -1),
// kept inside 0 .. 100.
int VolumeAfterKey(int position, int direction);

// Mute as a toggle on the program's own volume: the first press puts the
// slider at 0 and remembers where it was; the next press puts it back, unless
// the slider has been moved since (then it mutes again from there).
struct MuteMemory {
  int restore = -1;  // slider position to go back to; -1 = not muted
};
int PositionAfterMute(int position, MuteMemory& memory);

// ---- Sleep timer ----

inline constexpr int kSleepChoicesMinutes[] = {15, 30, 60, 90};
inline constexpr uint32_t kSleepFadeMs = 30000;  // the volume fades over the last 30 s

// The share (0 .. 1) of the listener's volume that plays with `remaining_ms`
// left on the timer: 1 until the fade starts, then falling along a square
// curve to 0 at the end, so that the loudness (heard roughly on a log scale)
// sinks steadily instead of holding and then dropping at the very end.
float SleepFadeShare(uint32_t remaining_ms);

// The timer's line in the tray hint: "Таймер сна: 15 мин" (minutes rounded
// up) from a minute on, "Таймер сна: 42 с" in the last minute.
std::string SleepTimerText(uint32_t remaining_ms);

// The tray hint with the timer's line after the status text, on a line of its
// own; the status text is shortened so that the line always fits the tray's
// `limit` characters. No timer line: the status text as it is.
std::string HintWithTimer(std::string_view status, std::string_view timer_line, size_t limit);

// ---- A name for every stream ----

// The state slot's text for a stream that has started to play when its
// answer carried no icy-name: the name the catalogue knows for the address,
// else the name its server gives it besides icy-name (`header_name`), else
// the name the stream carries in its content (`carried_name`: an Ogg
// comment, an ID3 station frame, an HLS playlist's name), else the address's
// host. The server's header goes before the content's tags: it names the
// stream as a whole, where tags travel with the audio (a relayed file's may
// name its source). Blank names do not count. Nothing when not even a host
// can be read.
std::optional<std::string> NameForNamelessStream(std::string_view catalogue_name,
                                                 std::string_view header_name,
                                                 std::string_view carried_name,
                                                 std::string_view address);

// The state slot's name of one stream without icy-name, for as long as it
// plays: the name NameForNamelessStream gives with the name the stream
// carries now, reported again when what it carries changes (an HLS station
// frame that only a later segment's ID3 tag brings). A catalogue's or a
// server's name for the stream stays above whatever it carries.
class NamelessStreamName {
 public:
  NamelessStreamName(std::string catalogue_name, std::string header_name, std::string address)
      : catalogue_name_(std::move(catalogue_name)),
        header_name_(std::move(header_name)),
        address_(std::move(address)) {}
  // The name to show now that the stream carries `carried_name`; nothing when
  // the one shown stays (the same name, or none at all to give).
  std::optional<std::string> Carried(std::string_view carried_name);

 private:
  std::string catalogue_name_, header_name_, address_;
  std::optional<std::string> shown_;
};

// The host of an address ("http://user@Host:8000/x" gives "Host"), without
// user, port, path or brackets; empty when there is none.
std::string AddressHost(std::string_view address);

// The text "Копировать название" puts on the clipboard: "station - title";
// only the one that is known when the other is empty; empty when neither is.
std::string StationAndTitle(std::string_view station, std::string_view title);
