// Playback in the main window, in-process, with the real engine against the
// local test station (VOLNAR_STATION): Play and Stop, the player notification
// with its status texts, the retries and the final box, overlapping
// connections, closing during a retry, the marquee, the volume slider and the
// tray menu's commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/program_win.h"
#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "base/cp1251_win.h"
#include "controls/glass_button_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "engine/api/stream_win.h"
#include "engine/output/output_win.h"
#include "engine_env.h"
#include "pcm_analysis.h"
#include "playback/connection_win.h"
#include "playback/notification_rules.h"
#include "playback/record_rules.h"
#include "playback/recorder_win.h"
#include "registry_guard.h"
#include "silent_server.h"
#include "tray/tray_icon_win.h"
#include "ui_test_util.h"

namespace {

struct Note {
  uint32_t code;
  LPARAM number;
  std::string text;
};

struct Box {
  HWND owner;
  std::string text;
  bool null_caption;
  UINT type;
};

std::string Station() {
  const char* s = std::getenv("VOLNAR_STATION");
  return s ? s : "";
}

// Nothing listens there: connections are refused at once.
constexpr char kDeadStation[] = "http://127.0.0.1:9/stream";

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Station().empty()) GTEST_SKIP() << "VOLNAR_STATION is not set";
    Application.Initialize();
    Application.ErrorBoxHook = [this](const std::string& text, const std::string&) {
      errors.push_back(text);
    };
    MessageBoxHook = [this](HWND owner, const std::string& text, const char* caption, UINT type) {
      boxes.push_back({owner, text, caption == nullptr, type});
      if (on_box) on_box();
      return IDOK;
    };
    EngineFree();
    Application.SetTitle(kProgramTitle);  // as the program's entry leaves it
    sampler = new TTimer(nullptr);
    sampler->SetInterval(15);
    sampler->OnTimer = [this](TObject*) { SampleState(); };
  }

  // Starts the window as the program does, with `lasturl` stored from the last run.
  void Open(const std::string& lasturl = "") {
    if (!lasturl.empty()) WriteSetting("lasturl", lasturl);
    Application.CreateForm(Form1);
    ASSERT_NE(Form1, nullptr);
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
    Form1->Show();
    // Every player notification the window handles, and the state slot as
    // it changes (sampled, so retry texts set inside a handler are seen).
    TWindowProc inner = Form1->WindowProc;
    Form1->WindowProc = [this, inner](UINT msg, WPARAM wparam, LPARAM lparam) -> LRESULT {
      if (msg == kPlayerNotification) {
        Note n{static_cast<uint32_t>(wparam), lparam, {}};
        if (wparam <= kLastPlayerCode && CodeCarriesText(static_cast<uint32_t>(wparam)))
          n.text = reinterpret_cast<const char*>(lparam);
        notes.push_back(n);
      }
      if (msg == WM_NULL) ++null_messages;
      const LRESULT r = inner(msg, wparam, lparam);
      if (msg == kPlayerNotification) SampleState();
      return r;
    };
  }

  void TearDown() override {
    delete sampler;
    sampler = nullptr;
    if (Form1) Form1->Free();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    Application.ErrorBoxHook = nullptr;
    MessageBoxHook = nullptr;
    EngineFree();
  }

  void SampleState() {
    if (!Form1) return;
    const std::string& state = Form1->Label1->Caption();
    if (states.empty() || states.back() != state) states.push_back(state);
    if (on_state) on_state(state);
  }

  bool WaitFor(const std::function<bool()>& done, int seconds = 20) {
    return PumpUntil(done, seconds * 100);
  }

  // What the window heard, for failure messages.
  std::string Heard() const {
    std::string out;
    for (const Note& n : notes)
      out += std::to_string(n.code) + ":" + (n.text.empty() ? std::to_string(n.number) : n.text) + " ";
    out += "| states:";
    for (const std::string& s : states) out += " [" + s + "]";
    return out;
  }

  std::vector<Note> NotesWithCode(uint32_t code) const {
    std::vector<Note> out;
    for (const Note& n : notes)
      if (n.code == code) out.push_back(n);
    return out;
  }

  bool SawState(const std::string& s) const {
    for (const std::string& x : states)
      if (x == s) return true;
    return false;
  }

  VolnarKeyGuard guard;
  std::vector<Note> notes;
  std::vector<std::string> states;
  std::vector<std::string> errors;
  std::vector<Box> boxes;
  std::function<void()> on_box;
  std::function<void(const std::string&)> on_state;
  int null_messages = 0;
  TTimer* sampler = nullptr;
};

void ClickControl(TWinControl* control) {
  SendMessageW(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
  SendMessageW(control->Handle(), WM_LBUTTONUP, 0, Point(10, 10));
}

struct Transport {
  bool nplay, nstop, play, stop;
  bool operator==(const Transport&) const = default;
};
Transport StatesOf(TForm1* f) {
  return {f->Nplay->Enabled(), f->Nstop->Enabled(), f->PlayButton->Enabled(), f->StopButton->Enabled()};
}
std::ostream& operator<<(std::ostream& os, const Transport& t) {
  return os << "Nplay " << t.nplay << ", Nstop " << t.nstop << ", PlayButton " << t.play
            << ", StopButton " << t.stop;
}

// How much of the captured output since `from` is the tone at `hz`, against
// the tone at `other_hz`.
double ToneRatio(const std::wstring& capture, uint64_t from, double hz, double other_hz) {
  const std::vector<int16_t> pcm = pcm::ReadRaw(capture, from);
  const std::vector<int16_t> left = pcm::Channel(pcm, 2, 0);
  return (pcm::GoertzelPower(left, engine_env::kRate, hz) + 1e-9) /
         (pcm::GoertzelPower(left, engine_env::kRate, other_hz) + 1e-9);
}

}  // namespace

// ---- The whole way: Play, buffering, station, title, title change, Stop ----

TEST_F(PlaybackTest, PlayReportsTheStationAndTitlesAndStopStillsTheTitle) {
  // Station name and titles in UTF-8, as most servers send them.
  Open(Station() +
       "/stream/tone440-44k-128.mp3?status=icy&name=%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE%20Jazz"
       "&br=128&titles=One|%D0%9F%D0%B5%D1%81%D0%BD%D1%8F&title_every=3&metaint=4000");
  ASSERT_EQ(StatesOf(Form1), (Transport{true, false, true, false})) << "shown with a station";
  ClickControl(Form1->PlayButton);
  EXPECT_EQ(StatesOf(Form1), (Transport{false, true, false, true}));

  ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "One"; })) << Heard();
  EXPECT_EQ(Form1->Label1->Caption(), "Радио Jazz");
  EXPECT_EQ(Form1->Label2->Caption(), "bitrate: 128");
  EXPECT_EQ(Form1->Label3->Caption(), "Радио Jazz   One");
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Радио Jazz   One.  ");
  EXPECT_TRUE(Form1->TimerL->Enabled());

  // The order of the reports: connecting first, then the server's answer and
  // the buffering passes, the wait ending at the first value above 75.
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front().code, kCodeConnecting);
  std::vector<uint32_t> codes;
  for (const Note& n : notes) codes.push_back(n.code);
  const auto buffering = NotesWithCode(kCodeBuffering);
  ASSERT_FALSE(buffering.empty());
  for (size_t i = 0; i + 1 < buffering.size(); ++i) EXPECT_LE(buffering[i].number, 75) << i;
  EXPECT_GT(buffering.back().number, 75);
  EXPECT_TRUE(SawState("соединение...") || SawState("Воспроизведение"));
  EXPECT_TRUE(SawState("буфферизация... " + std::to_string(buffering.back().number) + "%"));
  const auto status = NotesWithCode(kCodeServerStatus);
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].text, "ICY 200 OK");
  const auto names = NotesWithCode(kCodeStationName);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].text, "Радио Jazz");

  // The title scrolls: each tick moves one character to the end.
  const std::string full = "Радио Jazz   One.  ";
  ASSERT_TRUE(WaitFor([&] { return Application.Title() != full; }, 5));
  const std::string rotated = Application.Title();
  EXPECT_NE((full + full).find(rotated), std::string::npos) << rotated;

  // The station's next title, converted from UTF-8.
  ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "Песня"; }));
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Радио Jazz   Песня.  ");

  // Stop: the title slot, the transport states, and a title that stands still.
  ClickControl(Form1->StopButton);
  EXPECT_EQ(StatesOf(Form1), (Transport{true, false, true, false}));
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");
  EXPECT_EQ(Form1->Label3->Caption(), "Радио Jazz   Остановлено ");
  EXPECT_FALSE(Form1->TimerL->Enabled());
  const std::string still = Application.Title();
  EXPECT_EQ(still, "Радио Jazz   Остановлено .  ");
  Sleep(450);
  PumpMessages();
  EXPECT_EQ(Application.Title(), still);
  EXPECT_NE(CurrentStream(), 0u) << "Stop does not free the stream";
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(PlaybackTest, HttpHeadersAreReadWhenThereAreNoIcyOnes) {
  Open(Station() + "/stream/tone660-44k-lc.aac?status=http11&chunked=1&name=Jazz%20FM&br=96"
                   "&hdrspace=1&titles=Song");
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "Song"; }));
  // A space after each colon: the name keeps it, the bit rate too.
  EXPECT_EQ(Form1->Label1->Caption(), " Jazz FM");
  EXPECT_EQ(Form1->Label2->Caption(), "bitrate:  96");
  EXPECT_EQ(NotesWithCode(kCodeServerStatus).at(0).text, "HTTP/1.1 200 OK");
}

TEST_F(PlaybackTest, ADownloadThatEndsBeforeTheBufferFillsEndsTheWait) {
  // A stream of 8000 bytes fills a quarter of a 128 kbit/s station's buffer, then it is over.
  Open(Station() + "/stream/tone440-44k-128.mp3?status=http11&length=8000&name=Short");
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return !NotesWithCode(kCodeStationName).empty(); })) << Heard();
  for (const Note& n : NotesWithCode(kCodeBuffering)) EXPECT_LE(n.number, 75);
  EXPECT_TRUE(SawState("Short"));
  // Then the end is reported: no station is left to try.
  ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); })) << Heard();
  EXPECT_EQ(Form1->Label1->Caption(), "Нет потока");
}

TEST_F(PlaybackTest, AStreamThatEndsForGoodReachesTheWindowAsAFailure) {
  // A stream of known length: once it has played out it is over, and the
  // window hears of it as of a failed connection, with the attempts left.
  Open(Station() + "/stream/tone440-44k-128.mp3?status=http11&length=48000&burst=48000&name=Ends");
  ConnectAttempts = 5;
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return SawState("Ends"); })) << Heard();
  ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }, 40)) << Heard();
  EXPECT_EQ(boxes[0].text, "Не могу проиграть поток");
  EXPECT_TRUE(SawState("Ошибка соединения. Попытка 6."));
  EXPECT_EQ(NotesWithCode(kCodeConnecting).size(), 2u) << "one more attempt, then the box";
  EXPECT_EQ(NotesWithCode(kCodeFailed).size(), 2u);
  EXPECT_EQ(Form1->Label1->Caption(), "Нет потока");
  EXPECT_EQ(Application.Title(), "Волнар радио");
}

// ---- Failures, retries and the box ----

TEST_F(PlaybackTest, AFailingStationIsTriedSixTimesThenTheBoxShows) {
  Open(kDeadStation);
  ConnectAttempts = 1;  // as a play: link sets it
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }, 60));
  EXPECT_EQ(ConnectAttempts, 6);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Не могу проиграть поток");
  EXPECT_EQ(boxes[0].owner, MainWindowHandle);
  EXPECT_TRUE(boxes[0].null_caption);
  EXPECT_EQ(boxes[0].type, UINT(MB_OK));

  // Each failure: connecting, then the attempt to come, 2 up to 6.
  std::vector<std::string> retries;
  for (const std::string& s : states)
    if (s.rfind("Ошибка", 0) == 0) retries.push_back(s);
  EXPECT_EQ(retries, (std::vector<std::string>{
                         "Ошибка соединения. Попытка 2.", "Ошибка соединения. Попытка 3.",
                         "Ошибка соединения. Попытка 4.", "Ошибка соединения. Попытка 5.",
                         "Ошибка соединения. Попытка 6."}));
  EXPECT_EQ(NotesWithCode(kCodeConnecting).size(), 6u);
  EXPECT_EQ(NotesWithCode(kCodeFailed).size(), 6u);
  EXPECT_TRUE(NotesWithCode(kCodeBuffering).empty()) << "a failed creation sends nothing more";
  EXPECT_EQ(Form1->Label1->Caption(), "Нет потока");
  EXPECT_EQ(Application.Title(), "Волнар радио");
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Волнар радио");
  EXPECT_FALSE(Form1->TimerL->Enabled());
  // The failure leaves the transport as Play made it: Stop is the way back.
  EXPECT_EQ(StatesOf(Form1), (Transport{false, true, false, true}));
}

TEST_F(PlaybackTest, WithoutAPlayLinkTheFirstFailureBringsTheBox) {
  Open(kDeadStation);
  ASSERT_EQ(ConnectAttempts, 100);
  Form1->PlayButtonClick(Form1->PlayButton);
  ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
  PumpUntil([] { return false; }, 20);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(ConnectAttempts, 100);
  EXPECT_EQ(NotesWithCode(kCodeConnecting).size(), 1u);
  EXPECT_FALSE(SawState("Ошибка соединения. Попытка 101."));
  EXPECT_EQ(Form1->Label1->Caption(), "Нет потока");
}

TEST_F(PlaybackTest, ClosingDuringARetryWaitStartsNothingMoreAndSavesBothValues) {
  Open(kDeadStation);
  ConnectAttempts = 1;
  bool closed = false;
  on_state = [&](const std::string& state) {
    if (!closed && state == "Ошибка соединения. Попытка 2.") {
      closed = true;
      Form1->N3Click(Form1->N3);  // "Выход" from the tray while the retry waits
    }
  };
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return closed; }));
  // The wait runs out inside the handler; then nothing is started.
  PumpUntil([] { return false; }, 450);
  on_state = nullptr;
  EXPECT_EQ(NotesWithCode(kCodeConnecting).size(), 1u);
  EXPECT_EQ(ConnectAttempts, 2);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(ReadSetting("lasturl"), kDeadStation);
  // No catalogue page was shown: the stored cookies stay as they were (none).
  EXPECT_EQ(ReadSetting("cookies"), "");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Volnar", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "cookies", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(PlaybackTest, ClosingWhileTheBoxIsUpEndsWithoutAnotherAttempt) {
  Open(kDeadStation);
  on_box = [&] { Form1->N3Click(Form1->N3); };
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(NotesWithCode(kCodeConnecting).size(), 1u);
  EXPECT_EQ(ReadSetting("lasturl"), kDeadStation);
}

// ---- Overlapping connections ----

TEST_F(PlaybackTest, ASecondPlayLeavesOnlyTheNewestStreamAliveAndReporting) {
  const std::wstring capture = engine_env::CapturePath();
  const struct {
    const char* what;
    std::string first;
    bool wait_for_buffering;  // start the second while the first buffers, else while it connects
  } cases[] = {
      {"first still connecting", Station() + "/stream/tone440-44k-128.mp3?fault=slowheaders&name=First", false},
      {"first buffering", Station() + "/stream/tone440-44k-128.mp3?name=First&titles=Old", true},
      // Playing, with a title change every second that must not reach the window any more.
      {"first playing", Station() + "/stream/tone440-44k-128.mp3?name=First&titles=Old|Old&title_every=1"
                                    "&burst=65536&metaint=2000", true},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    notes.clear();
    states.clear();
    LastUrl = c.first;
    Form1->NplayClick(Form1->Nplay);
    if (c.first.find("title_every") != std::string::npos) {
      ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "Old"; }));
    } else if (c.wait_for_buffering) {
      ASSERT_TRUE(WaitFor([&] { return !NotesWithCode(kCodeBuffering).empty(); }));
    } else {
      ASSERT_TRUE(WaitFor([&] { return !NotesWithCode(kCodeConnecting).empty(); }));
    }
    LastUrl = Station() + "/stream/tone660-44k-lc.aac?name=Second&titles=New&burst=65536";
    notes.clear();
    Form1->NplayClick(Form1->Nplay);
    ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "New"; }));
    const HSTREAM newest = CurrentStream();
    ASSERT_NE(newest, 0u);
    // Long enough for the first connection to have finished whatever it did.
    const uint64_t from = engine_env::FileSize(capture);
    PumpUntil([] { return false; }, 250);
    EXPECT_EQ(CurrentStream(), newest);
    EXPECT_EQ(Form1->Label1->Caption(), "Second");
    for (const Note& n : notes) {
      EXPECT_NE(n.text, "First");
      EXPECT_NE(n.text, "Old");
    }
    if (!capture.empty()) {
      engine_env::WaitForCapture(capture, from, 44100 * 4);
      EXPECT_GT(ToneRatio(capture, from, 660, 440), 100.0) << "only the newest station plays";
    }
  }
}

// ---- Openings that a newer Play supersedes ----

// The engine's time-outs far beyond the tests' waits: an opening that a test
// sees end was ended by the program, not by a time-out.
void UseLongTimeOuts() {
  EngineSetOption(kOptionNetTimeout, 600000);
  EngineSetOption(kOptionNetReadTimeout, 600000);
}

TEST_F(PlaybackTest, TenQuickPlaysOnAStationThatNeverAnswersLeaveOneConnection) {
  SilentServer station;
  ASSERT_TRUE(station.Ok());
  Open();
  UseLongTimeOuts();
  LastUrl = station.Url();
  for (int i = 0; i < 10; ++i) {
    Form1->NplayClick(Form1->Nplay);
    PumpUntil([] { return false; }, 2);
  }
  // Every superseded opening lets go of its thread and its socket; the newest
  // one still waits for its answer.
  const DWORD clicked = GetTickCount();
  const bool one_left = WaitFor([&] {
    return station.Accepted() >= 1 && LiveConnections() == 1 && station.Open() == 1 && StreamHandles().size() == 1;
  }, 10);
  std::printf("superseded openings ended %lu ms after the last click\n", GetTickCount() - clicked);
  EXPECT_TRUE(one_left) << "threads " << LiveConnections() << ", sockets open " << station.Open()
                        << ", engine streams " << StreamHandles().size();
  EXPECT_LE(station.Accepted(), 10);
  EXPECT_TRUE(NotesWithCode(kCodeFailed).empty()) << "a superseded opening reported: " << Heard();
  EXPECT_EQ(CurrentStream(), 0u);
  // The newest goes when the window does.
  Form1->Free();
  EXPECT_EQ(LiveConnections(), 0);
  EXPECT_TRUE(WaitFor([&] { return station.Open() == 0; }, 10));
}

TEST_F(PlaybackTest, ClosingTheWindowWhileAnOpeningHangsEndsItAtOnce) {
  SilentServer station;
  ASSERT_TRUE(station.Ok());
  Open();
  UseLongTimeOuts();
  LastUrl = station.Url();
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return station.Accepted() == 1; }));
  Form1->N3Click(Form1->N3);  // "Выход"
  PumpUntil([] { return false; }, 20);
  if (Form1) Form1->Free();
  // The window's end waited for the connection thread, which was no longer
  // held by its opening.
  EXPECT_EQ(LiveConnections(), 0);
  EXPECT_TRUE(StreamHandles().empty());
  EXPECT_TRUE(WaitFor([&] { return station.Open() == 0; }, 10)) << "the socket stays open";
}

// ---- The notification table, sent as any sender would ----

TEST_F(PlaybackTest, EachCodeWritesItsSlot) {
  Open();
  HWND w = Form1->Handle();
  auto send_text = [w](uint32_t code, const char* text) {
    SendMessageW(w, kPlayerNotification, code, reinterpret_cast<LPARAM>(text));
  };
  SendMessageW(w, kPlayerNotification, kCodeConnecting, 0);
  EXPECT_EQ(Form1->Label1->Caption(), "соединение...");
  EXPECT_EQ(Form1->StatusLabel->Caption(), "");
  EXPECT_EQ(Form1->Label2->Caption(), "");
  // A title while connecting also turns the state.
  send_text(kCodeTitle, "Song");
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Song");
  EXPECT_EQ(Form1->Label1->Caption(), "Воспроизведение");
  SendMessageW(w, kPlayerNotification, kCodeBuffering, 100);
  EXPECT_EQ(Form1->Label1->Caption(), "буфферизация... 100%");
  // Any other state: a title changes only the title slot.
  send_text(kCodeTitle, "Next");
  EXPECT_EQ(Form1->Label1->Caption(), "буфферизация... 100%");
  send_text(kCodeStationName, "Jazz FM");
  send_text(kCodeBitrate, "bitrate: 128");
  EXPECT_EQ(Form1->Label2->Caption(), "bitrate: 128");
  send_text(kCodeServerStatus, "ICY 200 OK");
  EXPECT_EQ(Form1->Label2->Caption(), "ICY 200 OK");
  EXPECT_EQ(Form1->Label3->Caption(), "Jazz FM   Next");
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Jazz FM   Next.  ");
  // Empty texts empty their slots.
  send_text(kCodeStationName, "");
  send_text(kCodeTitle, "");
  EXPECT_EQ(Form1->Label3->Caption(), "   ");
  // Unused and out-of-range codes change nothing.
  std::vector<WPARAM> ignored = {5, 6, 9, 0xFFFFFFFF};
  // The 64-bit build's WPARAM has a high half: a code whose low half names a title
  // is still out of range. The 32-bit build has no such values.
  if constexpr (sizeof(WPARAM) == 8) ignored.push_back((WPARAM(1) << 32) | kCodeTitle);
  for (WPARAM code : ignored) SendMessageW(w, kPlayerNotification, code, reinterpret_cast<LPARAM>("x"));
  EXPECT_EQ(Form1->Label3->Caption(), "   ");
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(errors.empty());
}

// ---- Status setter and marquee ----

TEST_F(PlaybackTest, TitleReadBackResetAndNoStream) {
  Open();
  // Nothing played yet: a stop leaves the start-up title.
  Form1->NstopClick(Form1->Nstop);
  EXPECT_EQ(Application.Title(), "Волнар-радио");
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");

  const std::string long_name(300, 'x');
  Form1->SetStatus(1, long_name);
  const std::string title = Application.Title();
  EXPECT_EQ(title, std::string(255, 'x')) << "the window reads back 255 characters";
  EXPECT_EQ(Form1->TrayIcon1->Hint(), title);
  EXPECT_EQ(Form1->TrayIcon1->TipText().size(), 127u);
  EXPECT_TRUE(Form1->TimerL->Enabled());

  Form1->SetStatus(1, "ab");
  Form1->SetStatus(0, "c");
  EXPECT_EQ(Application.Title(), "ab   c.  ");
  Form1->TimerLTimer(Form1->TimerL);
  EXPECT_EQ(Application.Title(), "b   c.  a");
  // A new status puts the unrotated text back.
  Form1->SetStatus(2, "detail");
  EXPECT_EQ(Application.Title(), "ab   c.  ");
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "ab   c.  ");

  // "Нет потока" changes the line but not the title; the marquee goes on.
  Form1->SetStatus(1, "Нет потока");
  EXPECT_EQ(Form1->Label3->Caption(), "Нет потока   c");
  EXPECT_EQ(Application.Title(), "ab   c.  ");
  EXPECT_TRUE(Form1->TimerL->Enabled());
  Form1->TimerLTimer(Form1->TimerL);
  EXPECT_EQ(Application.Title(), "b   c.  a");
  // The reset stops it.
  Form1->SetStatus(-1, "ignored");
  EXPECT_EQ(Application.Title(), "Волнар радио");
  EXPECT_EQ(Form1->TrayIcon1->Hint(), "Волнар радио");
  EXPECT_FALSE(Form1->TimerL->Enabled());
  EXPECT_EQ(Form1->Label3->Caption(), "Нет потока   c");
  // A stop after a failure leaves the reset title.
  Form1->NstopClick(Form1->Nstop);
  EXPECT_EQ(Application.Title(), "Волнар радио");
  // An empty title stays empty on a tick.
  Application.SetTitle("");
  Form1->TimerLTimer(Form1->TimerL);
  EXPECT_EQ(Application.Title(), "");
}

// ---- Transport and volume ----

TEST_F(PlaybackTest, PlayWithoutAStationDoesNothingAndStopAlwaysSwitches) {
  Open();
  ASSERT_EQ(StatesOf(Form1), (Transport{false, false, true, true})) << "as loaded: no station";
  const Transport before = StatesOf(Form1);
  EngineStop();
  Form1->NplayClick(Form1->Nplay);
  EXPECT_EQ(StatesOf(Form1), before);
  EXPECT_FALSE(OutputRunning()) << "no engine call: the output stays stopped";
  PumpUntil([] { return false; }, 20);
  EXPECT_TRUE(notes.empty()) << "no connection";

  EngineStart();
  Form1->NstopClick(Form1->Nstop);
  EXPECT_FALSE(OutputRunning()) << "Stop silences the output even when nothing plays";
  EXPECT_EQ(StatesOf(Form1), (Transport{true, false, true, false}));
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");
  EXPECT_FALSE(Form1->TimerL->Enabled());

  // Play after a stop starts the output again.
  LastUrl = kDeadStation;
  Form1->NplayClick(Form1->Nplay);
  EXPECT_TRUE(OutputRunning());
}

TEST_F(PlaybackTest, SliderSetsTheMasterVolume) {
  Open();
  const struct {
    int position;
    float volume;
  } cases[] = {{0, 0.0f}, {37, 0.37f}, {100, 1.0f}, {50, 0.5f}};
  for (const auto& c : cases) {
    Form1->SkinTrackBar1->SetPosition(c.position);
    EXPECT_EQ(EngineGetVolume(), c.volume) << c.position;
  }
  // By the keyboard, as the user would.
  Form1->SkinTrackBar1->SetPosition(36);
  SendMessageW(Form1->SkinTrackBar1->Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(Form1->SkinTrackBar1->Position(), 37);
  EXPECT_EQ(EngineGetVolume(), 0.37f);
}

TEST_F(PlaybackTest, BackFromTheTrayEverythingIsAsItWas) {
  Open(Station() + "/stream/tone440-44k-128.mp3?name=Kept&titles=Song&burst=65536");
  Form1->NplayClick(Form1->Nplay);
  ASSERT_TRUE(WaitFor([&] { return Form1->Label3->Caption() == "Kept   Song"; })) << Heard();
  const Transport playing = StatesOf(Form1);
  Form1->pleasewait->SetVisible(false);
  Form1->N1Click(Form1->N1);
  ASSERT_FALSE(IsWindowVisible(Form1->Handle()));
  Form1->N1Click(Form1->N1);
  ASSERT_TRUE(IsWindowVisible(Form1->Handle()));
  // No new show: the transport, the status and the page stay as they were.
  EXPECT_EQ(StatesOf(Form1), playing);
  EXPECT_EQ(Form1->Label3->Caption(), "Kept   Song");
  EXPECT_FALSE(Form1->pleasewait->Visible());
  EXPECT_TRUE(OutputRunning());
}

// ---- The tray menu ----

namespace {
// While the tray menu is open: note where it is and choose its first item.
RECT g_menu_rect;
void CALLBACK ChooseFirstTrayItem(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  KillTimer(nullptr, id);
  GetWindowRect(popup, &g_menu_rect);
  PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}
}  // namespace

TEST_F(PlaybackTest, TrayMenuOpensAtThePointerAndPlaysAndStops) {
  Open(Station() + "/stream/tone440-44k-128.mp3?name=Tray&burst=65536&titles=T&title_every=1000");
  TTrayIcon* tray = Form1->TrayIcon1;
  SetCursorPos(300, 400);
  POINT at{};
  GetCursorPos(&at);
  g_menu_rect = {};
  null_messages = 0;
  const UINT_PTR t = SetTimer(nullptr, 0, 50, &ChooseFirstTrayItem);
  SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_RBUTTONDOWN);
  KillTimer(nullptr, t);
  EXPECT_EQ(g_menu_rect.left, at.x) << "the menu opens at the pointer";
  EXPECT_EQ(g_menu_rect.top, at.y);
  PumpMessages();
  EXPECT_GE(null_messages, 1) << "a null message follows the menu";
  // The first item is "Вкл. последнее радио".
  EXPECT_EQ(StatesOf(Form1), (Transport{false, true, false, true}));
  ASSERT_TRUE(WaitFor([&] { return Form1->Label3->Caption() == "Tray   T"; })) << Heard();
  Form1->Nstop->Click();
  EXPECT_EQ(StatesOf(Form1), (Transport{true, false, true, false}));
  EXPECT_EQ(Form1->StatusLabel->Caption(), "Остановлено ");
  // A disabled item does nothing when chosen.
  Form1->Nstop->Click();
  EXPECT_EQ(StatesOf(Form1), (Transport{true, false, true, false}));
}

namespace {
// While the tray menu is open: click somewhere else, as a user leaving it would.
bool g_forced_closed = false;
void CALLBACK ClickOutsideTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  KillTimer(nullptr, id);
  INPUT in[3] = {};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in[0].mi.dx = 20 * 65535 / w;
  in[0].mi.dy = 20 * 65535 / h;
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, in, sizeof(INPUT));
}
void CALLBACK ForceTheMenuClosed(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND popup = FindWindowW(L"#32768", nullptr); popup && IsWindowVisible(popup)) {
    g_forced_closed = true;
    EndMenu();
  }
}
}  // namespace

TEST_F(PlaybackTest, TrayMenuClosesWhenTheUserClicksElsewhere) {
  Open();
  TTrayIcon* tray = Form1->TrayIcon1;
  SetCursorPos(300, 400);
  g_forced_closed = false;
  const UINT_PTR click = SetTimer(nullptr, 0, 50, &ClickOutsideTheMenu);
  const UINT_PTR force = SetTimer(nullptr, 0, 5000, &ForceTheMenuClosed);
  SendMessageW(tray->MessageWindow(), TTrayIcon::kCallbackMessage, tray->Identifier(), WM_RBUTTONDOWN);
  KillTimer(nullptr, click);
  KillTimer(nullptr, force);
  EXPECT_FALSE(g_forced_closed) << "the click outside closed the menu";
  EXPECT_EQ(StatesOf(Form1), (Transport{false, false, true, true})) << "no item chosen";
}

TEST_F(PlaybackTest, TaskbarRestartPutsTheIconBackWithItsHint) {
  Open();
  TTrayIcon* tray = Form1->TrayIcon1;
  const UINT restart = TaskbarRestartMessage();
  ASSERT_NE(restart, 0u) << "comctl32 is new enough here";
  Form1->SetStatus(1, "Jazz FM");
  // The taskbar went away and took the icon with it.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = tray->MessageWindow();
  data.uID = tray->Identifier();
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_FALSE(tray->UpdateTrayIcon()) << "no icon to modify";
  SendMessageW(Application.Handle(), restart, 0, 0);
  EXPECT_TRUE(tray->UpdateTrayIcon()) << "the icon is back";
  EXPECT_EQ(tray->TipText(), L"Jazz FM   .  ");
  // At exit the icon goes.
  const HWND window = tray->MessageWindow();
  const UINT id = tray->Identifier();
  Form1->Free();
  data.hWnd = window;
  data.uID = id;
  data.uFlags = NIF_TIP;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "removed at exit";
}

// ---- Record from the menus ----

TEST_F(PlaybackTest, RecordMarksTheStatusAndAFolderThatCannotBeMadeStopsItWhileTheSoundGoesOn) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"volnar-record-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  WriteSetting(kRecordDirSetting, FromWide(folder));
  Open(Station() + "/stream/tone440-44k-128.mp3?status=icy&name=Jazz&titles=One&title_every=60&metaint=4000");
  ClickControl(Form1->PlayButton);
  ASSERT_TRUE(WaitFor([&] { return Form1->StatusLabel->Caption() == "One"; })) << Heard();

  // The tray menu's item starts it; the window's menu shows it checked too.
  Form1->Nrecord->Click();
  ASSERT_TRUE(Recording());
  EXPECT_TRUE(Form1->Nrecord->Checked());
  EXPECT_TRUE(Form1->Nrecord2->Checked());
  EXPECT_EQ(Form1->Label3->Caption(), "[Запись] Jazz   One");
  EXPECT_EQ(Form1->TrayIcon1->Hint().substr(0, 9), "[Запись] ");
  ASSERT_TRUE(WaitFor([&] { return !LastRecordFile().empty(); })) << Heard();
  const std::wstring first = LastRecordFile();
  EXPECT_EQ(first.substr(0, folder.size() + 6), folder + L"\\Jazz\\") << FromWide(first);
  EXPECT_EQ(first.substr(first.size() - 10), L" - One.mp3") << FromWide(first);

  auto size_of = [](const std::wstring& path) -> uint64_t {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  };
  ASSERT_TRUE(WaitFor([&] { return size_of(first) > 32000; })) << "two seconds of 128 kbit/s";

  // The window's menu's item stops it: the file is complete and closed.
  Form1->Nrecord2->Click();
  EXPECT_FALSE(Recording());
  EXPECT_FALSE(Form1->Nrecord->Checked());
  EXPECT_EQ(Form1->Label3->Caption(), "Jazz   One");
  EXPECT_TRUE(DeleteFileW(first.c_str())) << "the file was left open";
  RemoveDirectoryW((folder + L"\\Jazz").c_str());

  // A file where the station's folder would be: the writer cannot go on. The
  // recording stops with the reason in the status line; the stream plays on.
  const std::wstring blocker = folder + L"\\Jazz";
  CloseHandle(CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const HSTREAM stream = CurrentStream();
  Form1->ToggleRecording();
  ASSERT_TRUE(WaitFor([&] { return !Recording(); })) << Heard();
  const std::string note = std::string(kRecordNoFolder) + FromWide(blocker);
  EXPECT_EQ(Form1->Label3->Caption().substr(0, note.size()), note);
  EXPECT_FALSE(Form1->Nrecord->Checked());
  EXPECT_EQ(CurrentStream(), stream);
  EXPECT_TRUE(Form1->Nstop->Enabled());
  const uint64_t decoded = StreamFilePosition(stream, kFilePosDecoded);
  ASSERT_TRUE(WaitFor([&] { return StreamFilePosition(stream, kFilePosDecoded) > decoded + 16000; })) << Heard();

  // A folder that is not there: refused at once, with the same kind of note.
  WriteSetting(kRecordDirSetting, FromWide(folder + L"\\missing"));
  Form1->ToggleRecording();
  EXPECT_FALSE(Recording());
  EXPECT_EQ(Form1->Label3->Caption().substr(0, sizeof kRecordNoFolder - 1), kRecordNoFolder);
  DeleteFileW(blocker.c_str());
  RemoveDirectoryW(folder.c_str());
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(boxes.empty());
}
