// The rules behind media keys, the sleep timer and the names of streams
// without a station header.
#include <gtest/gtest.h>

#include <string>

#include "playback/connection_rules.h"
#include "playback/listening_rules.h"

namespace {

TEST(MediaRules, AppCommandsAndTheToggle) {
  // APPCOMMAND_ numbers as winuser.h has them.
  EXPECT_EQ(ActionForAppCommand(14), MediaAction::kToggle);    // MEDIA_PLAY_PAUSE
  EXPECT_EQ(ActionForAppCommand(46), MediaAction::kPlay);      // MEDIA_PLAY
  EXPECT_EQ(ActionForAppCommand(47), MediaAction::kStop);      // MEDIA_PAUSE: a radio has no pause
  EXPECT_EQ(ActionForAppCommand(13), MediaAction::kStop);      // MEDIA_STOP
  EXPECT_EQ(ActionForAppCommand(10), MediaAction::kVolumeUp);
  EXPECT_EQ(ActionForAppCommand(9), MediaAction::kVolumeDown);
  EXPECT_EQ(ActionForAppCommand(8), MediaAction::kMute);
  EXPECT_EQ(ActionForAppCommand(48), MediaAction::kRecord);
  EXPECT_EQ(ActionForAppCommand(11), MediaAction::kNone);      // next track: left to the system
  EXPECT_EQ(ActionForAppCommand(1), MediaAction::kNone);       // browser back
  EXPECT_EQ(ResolveToggle(true), MediaAction::kStop);
  EXPECT_EQ(ResolveToggle(false), MediaAction::kPlay);
}

TEST(MediaRules, VolumeKeysAndMuteStayOnTheSlider) {
  EXPECT_EQ(VolumeAfterKey(50, 1), 55);
  EXPECT_EQ(VolumeAfterKey(98, 1), 100);
  EXPECT_EQ(VolumeAfterKey(3, -1), 0);
  EXPECT_EQ(VolumeAfterKey(0, -1), 0);

  MuteMemory memory;
  EXPECT_EQ(PositionAfterMute(40, memory), 0);
  EXPECT_EQ(PositionAfterMute(0, memory), 40);  // back where it was
  EXPECT_EQ(PositionAfterMute(40, memory), 0);
  // Moved while muted: the next press mutes from the new place.
  EXPECT_EQ(PositionAfterMute(25, memory), 0);
  EXPECT_EQ(PositionAfterMute(0, memory), 25);
  // Muting at 0 and coming back gives 0, not a stale place.
  MuteMemory quiet;
  EXPECT_EQ(PositionAfterMute(0, quiet), 0);
  EXPECT_EQ(PositionAfterMute(0, quiet), 0);
}

TEST(SleepTimerRules, TheFadeFallsSteadilyOverTheLastThirtySeconds) {
  EXPECT_FLOAT_EQ(SleepFadeShare(15 * 60000), 1.0f);
  EXPECT_FLOAT_EQ(SleepFadeShare(30000), 1.0f);
  EXPECT_FLOAT_EQ(SleepFadeShare(15000), 0.25f);
  EXPECT_FLOAT_EQ(SleepFadeShare(0), 0.0f);
  float last = 1.0f;
  for (uint32_t left = 30000; left != 0; left -= 100) {
    const float share = SleepFadeShare(left);
    EXPECT_LE(share, last) << left;  // never louder again
    EXPECT_GT(share, 0.0f) << left;  // silent only at the end
    last = share;
  }
}

TEST(SleepTimerRules, TheHintLine) {
  EXPECT_EQ(SleepTimerText(15 * 60000), "Таймер сна: 15 мин");
  EXPECT_EQ(SleepTimerText(14 * 60000 + 1), "Таймер сна: 15 мин");  // rounded up
  EXPECT_EQ(SleepTimerText(60000), "Таймер сна: 1 мин");
  EXPECT_EQ(SleepTimerText(59999), "Таймер сна: 60 с");
  EXPECT_EQ(SleepTimerText(41001), "Таймер сна: 42 с");
  EXPECT_EQ(SleepTimerText(1), "Таймер сна: 1 с");

  EXPECT_EQ(HintWithTimer("Jazz FM   Song.  ", "", 127), "Jazz FM   Song.  ");
  EXPECT_EQ(HintWithTimer("Jazz FM   Song.  ", "Таймер сна: 5 мин", 127), "Jazz FM   Song.  \nТаймер сна: 5 мин");
  // A long status gives way: the timer's line is always seen whole.
  const std::string hint = HintWithTimer(std::string(200, 'x'), "Таймер сна: 5 мин", 127);
  EXPECT_EQ(hint.size(), 127u);
  EXPECT_EQ(hint, std::string(127 - 18, 'x') + "\nТаймер сна: 5 мин");
  EXPECT_EQ(HintWithTimer("abc", std::string(300, 't'), 127), std::string(127, 't'));
}

TEST(StreamNameRules, CatalogueThenHeaderThenCarriedThenHost) {
  EXPECT_EQ(NameForNamelessStream("Радио Ёлка", "Header", "Carried", "http://a.example/x"), "Радио Ёлка");
  EXPECT_EQ(NameForNamelessStream("", "Header", "Carried", "http://a.example/x"), "Header");
  EXPECT_EQ(NameForNamelessStream("", " \t", "Carried", "http://a.example/x"), "Carried");
  EXPECT_EQ(NameForNamelessStream("", "", " ", "http://a.example:8000/live.m3u8"), "a.example");
  EXPECT_EQ(NameForNamelessStream("", "", "", "/relative"), std::nullopt);

  struct Case {
    const char* address;
    const char* host;
  } cases[] = {
      {"http://radio.example.org/stream", "radio.example.org"},
      {"https://user:pw@Host.example:8443/a?b#c", "Host.example"},
      {"http://127.0.0.1:47490", "127.0.0.1"},
      {"http://[::1]:8000/live", "::1"},
      {"http://h.example?x=1", "h.example"},
      {"radio.example/x", "radio.example"},
      {"http://", ""},
      {"http://[::1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(AddressHost(c.address), c.host) << c.address;
}

TEST(StreamNameRules, ANameTheStreamCarriesOnlyLaterReplacesTheHost) {
  NamelessStreamName unknown("", "", "http://cdn.example/live/index.m3u8");
  EXPECT_EQ(unknown.Carried(""), "cdn.example");
  EXPECT_EQ(unknown.Carried(""), std::nullopt);
  EXPECT_EQ(unknown.Carried("Wave"), "Wave");  // a later segment's station frame
  EXPECT_EQ(unknown.Carried("Wave"), std::nullopt);
  EXPECT_EQ(unknown.Carried("Wave Two"), "Wave Two");
  // A name from the catalogue or the server's answer stays.
  NamelessStreamName known("Радио Ёлка", "", "http://cdn.example/live/index.m3u8");
  EXPECT_EQ(known.Carried(""), "Радио Ёлка");
  EXPECT_EQ(known.Carried("Wave"), std::nullopt);
  NamelessStreamName headed("", "Header", "http://cdn.example/live/index.m3u8");
  EXPECT_EQ(headed.Carried(""), "Header");
  EXPECT_EQ(headed.Carried("Wave"), std::nullopt);
  // No host to show: nothing until the stream names itself.
  NamelessStreamName hostless("", "", "/relative");
  EXPECT_EQ(hostless.Carried(""), std::nullopt);
  EXPECT_EQ(hostless.Carried("Wave"), "Wave");
}

TEST(StreamNameRules, TheStreamsOwnNameFromItsAnswer) {
  using namespace std::string_literals;
  EXPECT_EQ(StreamOwnName(nullptr), "");
  EXPECT_EQ(StreamOwnName("HTTP/1.0 200 OK\0Content-Type: application/ogg\0\0"), "");
  EXPECT_EQ(StreamOwnName(("HTTP/1.0 200 OK\0ice-name:  Ogg FM \0\0"s).c_str()), "Ogg FM");
  EXPECT_EQ(StreamOwnName(("HTTP/1.1 200 OK\0X-Audiocast-Name:Old Cast\0\0"s).c_str()), "Old Cast");
  // A blank one does not count; the next one does. UTF-8 comes as CP1251.
  EXPECT_EQ(StreamOwnName(("OK\0ice-name:   \0x-audiocast-name: \xD0\xA0\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBE\0\0"s).c_str()),
            "Радио");
  // Only the answer's lines up to the empty one are read.
  EXPECT_EQ(StreamOwnName(("OK\0\0ice-name: After\0\0"s).c_str()), "");
}

TEST(StreamNameRules, CopiedTitle) {
  EXPECT_EQ(StationAndTitle("Jazz FM", "Artist - Song"), "Jazz FM - Artist - Song");
  EXPECT_EQ(StationAndTitle("Jazz FM", ""), "Jazz FM");
  EXPECT_EQ(StationAndTitle("", "Song"), "Song");
  EXPECT_EQ(StationAndTitle("", ""), "");
}

}  // namespace
