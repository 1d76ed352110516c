// The playback rules that need no window: status composition and the marquee,
// the notification codes and the retry counter, the station headers, the
// track title, the buffering percentage and the station texts' encoding.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "playback/connection_rules.h"
#include "playback/notification_rules.h"
#include "playback/status_rules.h"

namespace {

using Reports = std::vector<std::pair<uint32_t, std::string>>;

// ---- Status slots, status line, application title ----

TEST(StatusRules, StationAndTitleMakeTheLineAndTheMarqueeTitle) {
  StatusSlots slots;
  WriteSlot(slots, kSlotState, "Jazz FM");
  WriteSlot(slots, kSlotTitle, "Song");
  EXPECT_EQ(StatusLine(slots), "Jazz FM   Song");
  EXPECT_EQ(MarqueeTitle(slots), std::optional<std::string>("Jazz FM   Song.  "));
  // Three marquee steps later the title starts with the station's fourth character.
  std::string title = *MarqueeTitle(slots);
  for (int i = 0; i < 3; ++i) title = RotateLeft(title);
  EXPECT_EQ(title, "z FM   Song.  Jaz");
}

TEST(StatusRules, DetailTurnsConnectingIntoPlayingOnly) {
  struct Case {
    const char* state;
    const char* expected_state;
  } cases[] = {
      {"соединение...", "Воспроизведение"},
      {"соединение... ", "соединение... "},  // whole texts compared
      {"Соединение...", "Соединение..."},    // case matters
      {"Jazz FM", "Jazz FM"},
      {"Нет потока", "Нет потока"},
  };
  for (const Case& c : cases) {
    StatusSlots slots{"t", c.state, "d"};
    WriteSlot(slots, kSlotDetail, "ICY 200 OK");
    EXPECT_EQ(slots.state, c.expected_state) << c.state;
    EXPECT_EQ(slots.detail, "ICY 200 OK");
    EXPECT_EQ(slots.title, "t");
  }
  // A state or title write never turns the state.
  StatusSlots slots{"", "соединение...", ""};
  WriteSlot(slots, kSlotTitle, "x");
  EXPECT_EQ(slots.state, "соединение...");
}

TEST(StatusRules, NoStreamLeavesTheTitleAlone) {
  StatusSlots slots{"Song", "Нет потока", ""};
  EXPECT_EQ(StatusLine(slots), "Нет потока   Song");
  EXPECT_FALSE(MarqueeTitle(slots).has_value());
  slots.state = "Нет потока.";  // anything else is an active state
  EXPECT_TRUE(MarqueeTitle(slots).has_value());
  // A reset or an unknown slot writes nothing.
  StatusSlots before{"a", "b", "c"};
  StatusSlots after = before;
  WriteSlot(after, kSlotReset, "x");
  WriteSlot(after, 3, "x");
  EXPECT_EQ(after.title, "a");
  EXPECT_EQ(after.state, "b");
  EXPECT_EQ(after.detail, "c");
}

TEST(StatusRules, StoppedTitleAndEmptySlots) {
  StatusSlots slots{"", "Jazz FM", ""};
  WriteSlot(slots, kSlotTitle, kTitleStopped);
  EXPECT_EQ(StatusLine(slots), "Jazz FM   Остановлено ");
  EXPECT_EQ(*MarqueeTitle(slots), "Jazz FM   Остановлено .  ");
  StatusSlots empty;
  EXPECT_EQ(StatusLine(empty), "   ");
}

TEST(StatusRules, RotateLeftGoesRoundAndKeepsEveryByte) {
  EXPECT_EQ(RotateLeft(""), "");
  EXPECT_EQ(RotateLeft("a"), "a");
  EXPECT_EQ(RotateLeft("ab"), "ba");
  const std::string title = "Радио   Песня.  ";  // CP1251 bytes, one per letter
  std::string t = title;
  for (size_t i = 0; i < title.size(); ++i) t = RotateLeft(t);
  EXPECT_EQ(t, title);
  EXPECT_EQ(RotateLeft(title).back(), title.front());
}

// ---- Notification codes and the retry counter ----

TEST(NotificationRules, CodesAndTexts) {
  EXPECT_EQ(kPlayerNotification, 1125u);
  EXPECT_EQ(BufferingText(0), "буфферизация... 0%");
  EXPECT_EQ(BufferingText(76), "буфферизация... 76%");
  EXPECT_EQ(BufferingText(100), "буфферизация... 100%");
  EXPECT_EQ(BufferingText(4294967295u), "буфферизация... 4294967295%");
  const bool carries[9] = {false, false, false, true, true, false, false, true, true};
  for (uint32_t code = 0; code <= kLastPlayerCode; ++code)
    EXPECT_EQ(CodeCarriesText(code), carries[code]) << code;
}

TEST(NotificationRules, PlayLinkGivesFiveRetriesThenTheBox) {
  int counter = 1;  // a play: link
  std::vector<std::string> texts;
  for (;;) {
    const RetryStep step = NextRetry(counter);
    if (step.give_up) break;
    EXPECT_EQ(step.attempt, counter);
    texts.push_back(step.text);
  }
  const std::vector<std::string> expected = {
      "Ошибка соединения. Попытка 2.", "Ошибка соединения. Попытка 3.",
      "Ошибка соединения. Попытка 4.", "Ошибка соединения. Попытка 5.",
      "Ошибка соединения. Попытка 6."};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(counter, 6);
  // The box leaves the counter alone; a later failure brings the box at once.
  EXPECT_TRUE(NextRetry(counter).give_up);
  EXPECT_EQ(counter, 6);
}

TEST(NotificationRules, CounterAtStartGoesStraightToTheBox) {
  int counter = 100;
  EXPECT_TRUE(NextRetry(counter).give_up);
  EXPECT_EQ(counter, 100);
  // Attempts used up by a play: link are not given back.
  counter = 4;
  EXPECT_EQ(NextRetry(counter).attempt, 5);
  EXPECT_EQ(NextRetry(counter).attempt, 6);
  EXPECT_TRUE(NextRetry(counter).give_up);
}

TEST(NotificationRules, NestedFailuresEachUseAnAttempt) {
  // Two failing connections whose reactions overlap advance one shared counter.
  int counter = 1;
  const RetryStep outer = NextRetry(counter);
  const RetryStep inner = NextRetry(counter);  // arrives while the outer one waits
  EXPECT_EQ(outer.attempt, 2);
  EXPECT_EQ(inner.attempt, 3);
  EXPECT_EQ(inner.text, "Ошибка соединения. Попытка 3.");
  EXPECT_EQ(counter, 3);
}

// ---- Station headers ----

Reports Walk(const std::string& list) { return StationHeaderReports(list.c_str()); }

TEST(StationHeaders, NameAndBitRateInListOrder) {
  using namespace std::string_literals;
  EXPECT_EQ(Walk("ICY 200 OK\0icy-name:Jazz FM\0icy-br:128\0\0"s),
            (Reports{{kCodeStationName, "Jazz FM"}, {kCodeBitrate, "bitrate: 128"}}));
  // A space after the colon stays; capitals give nothing; several of each are all sent.
  EXPECT_EQ(Walk("icy-br:64\0icy-name: Jazz\0ICY-NAME:X\0Icy-Br:1\0icy-name:Second\0\0"s),
            (Reports{{kCodeBitrate, "bitrate: 64"},
                     {kCodeStationName, " Jazz"},
                     {kCodeStationName, "Second"}}));
  // Prefix only: other headers and a name without a colon are skipped.
  EXPECT_EQ(Walk("icy-name\0icy-genre:Jazz\0content-type:audio/mpeg\0\0"s), Reports{});
  // Empty values are still sent.
  EXPECT_EQ(Walk("icy-name:\0icy-br:\0\0"s),
            (Reports{{kCodeStationName, ""}, {kCodeBitrate, "bitrate: "}}));
  // The walk stops at the first empty text.
  EXPECT_EQ(Walk("\0icy-name:Hidden\0\0"s), Reports{});
  EXPECT_EQ(StationHeaderReports(nullptr), Reports{});
}

TEST(StationHeaders, Utf8ValuesBecomeCp1251) {
  using namespace std::string_literals;
  // "Радио" in UTF-8.
  EXPECT_EQ(Walk("icy-name:\xD0\xA0\xD0\xB0\xD0\xB4\xD0\xB8\xD0\xBE\0\0"s),
            (Reports{{kCodeStationName, "Радио"}}));
  // CP1251 bytes that are not valid UTF-8 stay as they are.
  EXPECT_EQ(Walk("icy-name:Радио\0\0"s), (Reports{{kCodeStationName, "Радио"}}));
}

// ---- Track title ----

TEST(StreamTitle, CasesOfTheMetadataText) {
  struct Case {
    const char* metadata;
    std::optional<std::string> title;
  } cases[] = {
      {"StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song"},
      {"StreamTitle='';", ""},
      // A ';' inside the title and fields before it.
      {"StreamTitle='A;B';", "A;B"},
      {"StreamUrl='x';StreamTitle='Song';", "Song"},
      {"StreamUrl='a;b';StreamTitle='It''s';StreamUrl='';", "It''s"},
      // No "';": up to the last quote after the start, else to the end.
      {"StreamTitle='Song'", "Song"},
      {"StreamTitle='Rock 'n' Roll'", "Rock 'n' Roll"},
      {"StreamTitle='Song", "Song"},
      {"StreamTitle='", ""},
      {"StreamTitle=", ""},
      // The character after '=' is skipped whatever it is.
      {"StreamTitle=\"Song\";", "Song\";"},
      // Exact and case-sensitive: nothing to send.
      {"streamtitle='Song';", std::nullopt},
      {"StreamTitle ='Song';", std::nullopt},
      {"", std::nullopt},
      // The first field counts.
      {"StreamTitle='One';StreamTitle='Two';", "One"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStreamTitle(c.metadata), c.title) << c.metadata;
}

// ---- Buffering percentage ----

TEST(BufferPercent, Arithmetic) {
  EXPECT_EQ(BufferPercent(1000, 750, 0), 75u);
  EXPECT_FALSE(BufferingDone(75));
  EXPECT_EQ(BufferPercent(1000, 760, 0), 76u);
  EXPECT_TRUE(BufferingDone(76));
  EXPECT_EQ(BufferPercent(1000, 7599, 6840), 75u);  // truncated, downloaded minus decoded
  EXPECT_EQ(BufferPercent(65536, 65536, 0), 100u);
  // Total 0 never divides and ends the wait.
  EXPECT_EQ(BufferPercent(0, 500, 0), 100u);
  EXPECT_TRUE(BufferingDone(*BufferPercent(0, 0, 0)));
  // An error (low 32 bits all ones) ends the wait at once.
  EXPECT_EQ(BufferPercent(~0ull, 1, 0), std::nullopt);
  EXPECT_EQ(BufferPercent(0x12345678FFFFFFFFull, 1, 0), std::nullopt);
  EXPECT_EQ(BufferPercent(0xFFFFFFFF00000000ull, 0, 0), 0u);  // only the low bits count
  // Decoded past downloaded: negative, and the low 32 bits read unsigned end the wait.
  EXPECT_EQ(BufferPercent(1000, 0, 10), 4294967295u);
  EXPECT_TRUE(BufferingDone(*BufferPercent(1000, 0, 10)));
  // Large positions do not overflow into nonsense.
  EXPECT_EQ(BufferPercent(1ull << 40, (1ull << 40) + (1ull << 39), 1ull << 40), 50u);
}

// ---- Station texts ----

TEST(StationText, Utf8OrCp1251) {
  EXPECT_EQ(StationTextToCp1251("Plain ASCII"), "Plain ASCII");
  EXPECT_EQ(StationTextToCp1251(""), "");
  // UTF-8 Cyrillic becomes CP1251.
  EXPECT_EQ(StationTextToCp1251("\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"), "Песня");
  // UTF-8 characters the code page lacks become '?', known ones stay.
  EXPECT_EQ(StationTextToCp1251("Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"), "Caf? \x88 ?");
  // Not valid UTF-8: taken as CP1251 byte for byte.
  EXPECT_EQ(StationTextToCp1251("\xCF\xE5\xF1\xED\xFF"), "Песня");
  EXPECT_EQ(StationTextToCp1251("\xC3\xA9\xFF"), "\xC3\xA9\xFF");
}

}  // namespace
