#include "playback/connection_win.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/api/stream_win.h"
#include "playback/connection_rules.h"
#include "playback/listening_rules.h"
#include "playback/notification_rules.h"

namespace {

// Reports of connections on their way to the window (never seen outside this
// file). wParam: the generation of the reporting connection.
// kMsgReportSent, lParam: const Report* of a sender that waits for the answer.
// kMsgReportPosted, lParam: Report* that the window frees; engine threads post,
// because a thread of the engine must never wait for the window (the window's
// thread may be waiting for that very thread while it frees the engine).
constexpr UINT kMsgReportSent = WM_APP + 0x125;
constexpr UINT kMsgReportPosted = WM_APP + 0x126;

struct Report {
  uint32_t code = 0;
  LPARAM number = 0;  // codes without a text
  std::string text;   // codes with a text
};

// What all connections share. Made once and never freed: connection threads
// may still run while the program's statics are torn down at exit.
struct Shared {
  std::mutex lock;
  HSTREAM current = 0;   // protected by lock: the stream the newest connection made
  uint32_t owner = 0;    // protected by lock: the generation that made `current`
  // Protected by lock: the state slot's name of `current` when its answer had no
  // icy-name (what it carries may name it later); null otherwise.
  std::unique_ptr<NamelessStreamName> naming;
  int running = 0;       // protected by lock: connection threads alive
  // Protected by lock: the hold on the opening of each connection alive, so a
  // newer start can end an older one that is still connecting (until the
  // engine returns, it has no handle to close).
  std::vector<std::shared_ptr<OpeningCancel>> openings;
  HANDLE idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // set while running is 0
};

Shared& State() {
  static Shared* shared = new Shared;
  return *shared;
}

// The newest connection's generation; only the window thread writes it, so it
// is what the window compares each report with. 0 = none.
std::atomic<uint32_t> g_newest{0};
// The window every report goes to (the main window), given by the newest start.
std::atomic<HWND> g_window{nullptr};
// Set by connection threads: their reports wait for the window.
thread_local bool t_connection_thread = false;

// The wait's passes are this far apart, so a slow station does not flood the
// window with thousands of synchronous reports a second.
constexpr DWORD kBufferingPollMs = 10;

bool Superseded(uint32_t generation) { return g_newest.load() != generation; }

void Send(uint32_t generation, Report report) {
  HWND window = g_window.load();
  if (!window) return;
  if (t_connection_thread) {
    SendMessageW(window, kMsgReportSent, generation, reinterpret_cast<LPARAM>(&report));
    return;
  }
  auto* owned = new (std::nothrow) Report(std::move(report));
  if (!owned) return;
  if (!PostMessageW(window, kMsgReportPosted, generation, reinterpret_cast<LPARAM>(owned)))
    delete owned;
}

void SendNumber(uint32_t generation, uint32_t code, LPARAM number) {
  Report report;
  report.code = code;
  report.number = number;
  Send(generation, std::move(report));
}

void SendText(uint32_t generation, uint32_t code, std::string text) {
  Report report;
  report.code = code;
  report.text = std::move(text);
  Send(generation, std::move(report));
}

void* GenerationTag(uint32_t generation) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(generation));
}

// Reads `stream`'s metadata and reports its track title as `generation`.
void ReportTitle(HSTREAM stream, uint32_t generation) {
  const char* metadata = StreamTags(stream, kTagsMeta);
  if (!metadata) return;
  std::optional<std::string> title = ParseStreamTitle(metadata);
  if (!title) return;
  SendText(generation, kCodeTitle, StationTextToCp1251(*title));
}

// The name `stream` carries in its content (CP1251), empty while none.
std::string CarriedName(HSTREAM stream) {
  const char* carried = StreamTags(stream, kTagsStreamName);
  return carried ? StationTextToCp1251(carried) : std::string();
}

// A stream without icy-name that now carries a name of its own: the state slot
// shows it unless a name above it in the tier stands (on the download thread).
void ENGINE_CALLBACK StreamNameChangedProc(HSYNC, HSTREAM stream, uint32_t, void*) {
  Shared& shared = State();
  std::optional<std::string> name;
  uint32_t owner = 0;
  {
    std::lock_guard lock(shared.lock);
    if (stream != shared.current || !shared.naming) return;
    name = shared.naming->Carried(CarriedName(stream));
    owner = shared.owner;
  }
  if (name) SendText(owner, kCodeStationName, std::move(*name));
}

// One start of playback, owned by its thread.
struct ConnectionAttempt {
  std::string address;  // the thread's own copy
  std::string known_name;  // the catalogue's name for the address (CP1251), or empty
  uint32_t generation = 0;
  std::shared_ptr<OpeningCancel> opening;  // abandoned once a newer connection starts
};

// Abandons the openings of every connection alive but `keep`.
void AbandonOpenings(const OpeningCancel* keep) {
  Shared& shared = State();
  std::vector<std::shared_ptr<OpeningCancel>> older;
  {
    std::lock_guard lock(shared.lock);
    for (const auto& o : shared.openings)
      if (o.get() != keep) older.push_back(o);
  }
  for (const auto& o : older) o->Abandon();
}

void ForgetOpening(const OpeningCancel* opening) {
  Shared& shared = State();
  std::lock_guard lock(shared.lock);
  std::erase_if(shared.openings, [opening](const auto& o) { return o.get() == opening; });
}

void Connect(const ConnectionAttempt& c) {
  Shared& shared = State();
  // 1. Free the current stream, unless a newer connection has started: that
  // one frees it (and may already have put its own in its place).
  HSTREAM previous = 0;
  {
    std::lock_guard lock(shared.lock);
    if (Superseded(c.generation)) return;
    previous = shared.current;
    shared.current = 0;
    shared.owner = 0;
    shared.naming.reset();
  }
  StreamClose(previous);
  uint32_t percent = 0;

  // 2, 3. Connect.
  SendNumber(c.generation, kCodeConnecting, 0);
  const HSTREAM stream = StreamOpenUrlUnder(c.address.c_str(), 0, kStreamStatusCallback, DownloadStatusProc,
                                            GenerationTag(c.generation), c.opening);
  // 4. Failure (an abandoned opening has nothing to say).
  if (!stream) {
    if (!Superseded(c.generation)) SendNumber(c.generation, kCodeFailed, EngineLastError());
    return;
  }
  bool kept = false;
  {
    std::lock_guard lock(shared.lock);
    // A newer connection frees whatever is current, now or when it starts:
    // a superseded one must not take the place.
    kept = !Superseded(c.generation);
    if (kept) {
      shared.current = stream;
      shared.owner = c.generation;
    }
  }
  if (!kept) {
    StreamClose(stream);
    return;
  }

  // 5. The buffering wait. A newer connection frees this stream; the wait
  // then has nothing more to do.
  for (;;) {
    if (Superseded(c.generation)) return;
    const std::optional<uint32_t> pass =
        BufferPercent(StreamFilePosition(stream, kFilePosTotal),
                      StreamFilePosition(stream, kFilePosDownload),
                      StreamFilePosition(stream, kFilePosDecoded));
    if (!pass) break;
    percent = *pass;
    SendNumber(c.generation, kCodeBuffering, percent);
    if (BufferingDone(percent)) break;
    Sleep(kBufferingPollMs);
  }

  // 6. Station headers: the ICY list, or the HTTP list when there is none.
  if (Superseded(c.generation)) return;
  const char* list = StreamTags(stream, kTagsIcy);
  if (!list) list = StreamTags(stream, kTagsHttp);
  std::vector<std::pair<uint32_t, std::string>> reports = StationHeaderReports(list);
  // A stream without icy-name (or with a blank one) would keep the buffering
  // text in the state slot while it plays: it gets the best name there is.
  std::erase_if(reports, [](const auto& r) {
    return r.first == kCodeStationName && r.second.find_first_not_of(" \t") == std::string::npos;
  });
  const bool named = std::any_of(reports.begin(), reports.end(),
                                 [](const auto& r) { return r.first == kCodeStationName; });
  if (!named) {
    // Set first, so that a name the stream brings from now on is not missed;
    // it reports nothing until the tier below is in place.
    StreamSetSync(stream, kSyncStreamName, 0, StreamNameChangedProc, nullptr);
    std::optional<std::string> name;
    {
      std::lock_guard lock(shared.lock);
      if (shared.owner == c.generation) {
        shared.naming =
            std::make_unique<NamelessStreamName>(c.known_name, StreamOwnName(list), c.address);
        name = shared.naming->Carried(CarriedName(stream));
      }
    }
    if (name) reports.emplace(reports.begin(), kCodeStationName, std::move(*name));
  }
  for (auto& [code, text] : reports) SendText(c.generation, code, std::move(text));

  // 7 to 9. The title now, its changes from now on, and sound. Then the
  // stream's end for good, reported as a failed connection once what was
  // buffered has played (set after the start, so a stream that is over
  // already still plays out first).
  ReportTitle(stream, c.generation);
  StreamSetSync(stream, kSyncMeta, 0, TitleChangedProc, nullptr);
  StreamPlay(stream, false);
  StreamSetSync(stream, kSyncEnd, 0, StreamEndedProc, GenerationTag(c.generation));
}

void ThreadStarting() {
  Shared& shared = State();
  std::lock_guard lock(shared.lock);
  if (shared.running++ == 0) ResetEvent(shared.idle);
}

void ThreadEnded() {
  Shared& shared = State();
  std::lock_guard lock(shared.lock);
  if (--shared.running == 0) SetEvent(shared.idle);
}

DWORD WINAPI ConnectStream(void* parameter) {
  std::unique_ptr<ConnectionAttempt> connection(static_cast<ConnectionAttempt*>(parameter));
  t_connection_thread = true;
  try {
    Connect(*connection);
  } catch (...) {
    // Nothing may leave a thread's entry; an exhausted heap ends this attempt.
  }
  ForgetOpening(connection->opening.get());
  connection.reset();
  ThreadEnded();
  return 0;
}

}  // namespace

void StartConnection(HWND window, const std::string& address, const std::string& known_name) {
  g_window = window;
  const uint32_t generation = g_newest.load() + 1;
  g_newest = generation;
  auto opening = std::make_shared<OpeningCancel>();
  auto* connection = new ConnectionAttempt{address, known_name, generation, opening};
  {
    Shared& shared = State();
    std::lock_guard lock(shared.lock);
    shared.openings.push_back(opening);
  }
  // Older connections still opening end now, with their threads and sockets.
  AbandonOpenings(opening.get());
  ThreadStarting();
  // A thread of the C++ runtime rather than a bare system thread: the engine
  // calls made on it leave thread_local objects whose destruction at the
  // thread's end hung (under Wine) when the runtime did not know the thread.
  try {
    std::thread(ConnectStream, connection).detach();  // not waited for: it ends by itself
    return;
  } catch (const std::system_error&) {
  }
  ForgetOpening(opening.get());
  delete connection;
  ThreadEnded();
  // No thread, no connection: the window hears of it as of a failed one.
  SendNumber(generation, kCodeFailed, kErrorMemory);
}

bool HandleConnectionReport(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  std::unique_ptr<Report> owned;
  const Report* report = nullptr;
  if (msg == kMsgReportSent) {
    report = reinterpret_cast<const Report*>(lparam);
  } else if (msg == kMsgReportPosted) {
    owned.reset(reinterpret_cast<Report*>(lparam));
    report = owned.get();
  } else {
    return false;
  }
  if (static_cast<uint32_t>(wparam) != g_newest.load()) return true;  // superseded
  const LPARAM param =
      CodeCarriesText(report->code) ? reinterpret_cast<LPARAM>(report->text.c_str()) : report->number;
  SendMessageW(window, kPlayerNotification, report->code, param);
  return true;
}

void RetireConnections() {
  g_newest = g_newest.load() + 1;  // a generation no connection has
  AbandonOpenings(nullptr);
  Shared& shared = State();
  HSTREAM current = 0;
  {
    std::lock_guard lock(shared.lock);
    current = shared.current;
    shared.current = 0;
    shared.owner = 0;
    shared.naming.reset();
  }
  StreamClose(current);
}

void WaitForConnections(uint32_t limit_ms) {
  Shared& shared = State();
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= limit_ms) return;
    const DWORD r = MsgWaitForMultipleObjects(1, &shared.idle, FALSE, limit_ms - waited, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) return;  // idle, time-out or failure
    // A connection is waiting in a send to this thread: answer it (the
    // reports are dropped, every generation being retired).
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

int LiveConnections() {
  Shared& shared = State();
  std::lock_guard lock(shared.lock);
  return shared.running;
}

HSTREAM CurrentStream() {
  Shared& shared = State();
  std::lock_guard lock(shared.lock);
  return shared.current;
}

void ReadStreamTitle() {
  Shared& shared = State();
  HSTREAM stream = 0;
  uint32_t owner = 0;
  {
    std::lock_guard lock(shared.lock);
    stream = shared.current;
    owner = shared.owner;
  }
  ReportTitle(stream, owner);
}

void ENGINE_CALLBACK TitleChangedProc(HSYNC, HSTREAM stream, uint32_t, void*) {
  // A stream that is no longer current has nothing to say (it is being freed).
  if (stream != CurrentStream()) return;
  ReadStreamTitle();
}

void ENGINE_CALLBACK StreamEndedProc(HSYNC, HSTREAM, uint32_t, void* user) {
  // The engine has given up reconnecting, or a stream of known length is over:
  // the window shows "Нет потока" and its retry logic decides what follows.
  const auto generation = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(user));
  SendNumber(generation, kCodeFailed, kErrorNoConnection);
}

void ENGINE_CALLBACK DownloadStatusProc(const void* buffer, uint32_t length, void* user) {
  if (!buffer || length != 0) return;
  const auto generation = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(user));
  SendText(generation, kCodeServerStatus, StationTextToCp1251(static_cast<const char*>(buffer)));
}
