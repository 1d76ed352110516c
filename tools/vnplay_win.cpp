// vnplay: plays one internet stream through the engine the way the player does,
// and prints every event with the milliseconds since the driver started.
//
//   vnplay URL SECONDS [--volume V] [--stop-at S] [--close-after MS] [--reconnect MS]
//          [--record FOLDER]
//
//   --volume V        master volume 0.0 .. 1.0 before opening
//   --stop-at S       S seconds into playback, stop the output (the Stop button)
//   --close-after MS  close the stream from another thread MS ms after opening
//                     starts, to see that a connection in progress is abandoned
//   --reconnect MS    how long a dropped live stream is tried again (engine default 30 s)
//   --record FOLDER   record the stream, as the player's Record does, into FOLDER (a
//                     Windows path that exists) from the moment it plays until the end
//
// Besides the player's calls it registers the end sync and prints "ended" when
// the stream ends for good, and prints "output: ..." whenever the output changes
// device or hears of a device change.
//
// Output lines read "<ms> ms: <event>", flushed one by one, so a test or a benchmark
// can follow them live. Exit codes: 0 played, 2 the stream did not open, 3 another
// engine call failed, 4 the buffer did not fill within a minute, 1 bad usage.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/engine.h"
#include "engine/api/stream_win.h"
#include "engine/output/output_win.h"
#include "engine/output/pcm_source.h"
#include "base/cp1251_win.h"
#include "playback/record_rules.h"
#include "playback/recorder_win.h"

namespace {

const auto kStart = std::chrono::steady_clock::now();
std::mutex g_print_lock;
std::atomic<HSTREAM> g_stream{0};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kStart)
      .count();
}

void Print(const char* format, ...) {
  char text[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::lock_guard<std::mutex> lock(g_print_lock);
  printf("%lld ms: %s\n", NowMs(), text);
  fflush(stdout);
}

const char* ErrorName(int code) {
  switch (code) {
    case kErrorOk: return "ok";
    case kErrorMemory: return "memory";
    case kErrorFileOpen: return "file open";
    case kErrorNoDevice: return "no device";
    case kErrorNotInit: return "not initialised";
    case kErrorAlready: return "already initialised";
    case kErrorHandle: return "bad handle";
    case kErrorBadAddress: return "bad address";
    case kErrorProtocol: return "unsupported protocol";
    case kErrorNoConnection: return "no connection";
    case kErrorTimeout: return "time-out";
    case kErrorHttp: return "http error";
    case kErrorRedirects: return "too many redirects";
    case kErrorBadAnswer: return "bad answer";
    case kErrorFormat: return "unsupported format";
    case kErrorCodec: return "codec missing";
    case kErrorPlaylist: return "playlist without a playable entry";
    case kErrorAborted: return "aborted";
    case kErrorIllegalParam: return "illegal parameter";
    case kErrorCertificate: return "certificate failed verification";
    case kErrorTls: return "no TLS session";
    default: return "unknown";
  }
}

// The title as the player cuts it from the metadata text: from 13 characters after
// "StreamTitle=" up to the character before the first ';' of the whole text.
std::string TitleOf(const std::string& meta) {
  const size_t found = meta.find("StreamTitle=");
  if (found == std::string::npos) return std::string();
  const long long start = static_cast<long long>(found) + 1 + 13;  // 1-based, as the player counts
  const size_t semi = meta.find(';');
  const long long semi_pos = semi == std::string::npos ? 0 : static_cast<long long>(semi) + 1;
  const long long length = semi_pos - start - 1;
  if (length <= 0 || start - 1 >= static_cast<long long>(meta.size())) return std::string();
  return meta.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
}

void ReadStreamTitle() {
  const char* meta = StreamTags(g_stream.load(), kTagsMeta);
  if (meta == nullptr) return;
  const std::string text(meta);
  Print("meta: %s", text.c_str());
  Print("title: %s", TitleOf(text).c_str());
}

void ENGINE_CALLBACK DownloadStatusProc(const void* buffer, uint32_t length, void*) {
  if (buffer != nullptr && length == 0) Print("status: %s", static_cast<const char*>(buffer));
}

void ENGINE_CALLBACK TitleChangedProc(HSYNC, HSTREAM, uint32_t, void*) { ReadStreamTitle(); }

void ENGINE_CALLBACK EndProc(HSYNC, HSTREAM stream, uint32_t, void*) {
  Print("ended: downloaded %llu, decoded %llu",
        static_cast<unsigned long long>(StreamFilePosition(stream, kFilePosDownload)),
        static_cast<unsigned long long>(StreamFilePosition(stream, kFilePosDecoded)));
}

// (downloaded - decoded) * 100 / total, in the player's arithmetic; -1 when the
// engine reports an error for the total.
long long FillPercent(HSTREAM stream) {
  const uint64_t total = StreamFilePosition(stream, kFilePosTotal);
  if (static_cast<uint32_t>(total) == 0xFFFFFFFFu) return -1;
  const int64_t downloaded = static_cast<int64_t>(StreamFilePosition(stream, kFilePosDownload));
  const int64_t decoded = static_cast<int64_t>(StreamFilePosition(stream, kFilePosDecoded));
  if (total == 0) return 0;
  return static_cast<uint32_t>((downloaded - decoded) * 100 / static_cast<int64_t>(total));
}

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  const size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

const char* PathName(OutputPath path) {
  switch (path) {
    case OutputPath::kWasapi: return "wasapi";
    case OutputPath::kWaveOut: return "waveout";
    default: return "none";
  }
}

// Prints the output's device state when it differs from `last`.
void ReportOutput(OutputStatus& last) {
  const OutputStatus now = OutputGetStatus();
  if (now.path == last.path && now.opens == last.opens && now.lost == last.lost &&
      now.start_failures == last.start_failures && now.default_changes == last.default_changes)
    return;
  last = now;
  Print("output: %s, opens %u, lost %u, start failures %u, default changes %u", PathName(now.path),
        static_cast<unsigned>(now.opens), static_cast<unsigned>(now.lost), static_cast<unsigned>(now.start_failures),
        static_cast<unsigned>(now.default_changes));
}

// The output's own account of the sound it could not keep going.
void ReportOutputFigures() {
  const OutputStatus now = OutputGetStatus();
  Print("output figures: short mixes %u, late passes %u, longest pass %u ms",
        static_cast<unsigned>(now.short_mixes), static_cast<unsigned>(now.late_passes),
        static_cast<unsigned>(now.longest_pass_ms));
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int Usage() {
  fprintf(stderr, "usage: vnplay URL SECONDS [--volume V] [--stop-at S] [--close-after MS] [--reconnect MS]"
                  " [--record FOLDER]\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const char* url = argv[1];
  const double seconds = atof(argv[2]);
  double volume = -1;
  double stop_at = -1;
  int close_after = -1;
  int reconnect = -1;
  const char* record = nullptr;
  for (int i = 3; i < argc; ++i) {
    if (i + 1 >= argc) return Usage();
    if (strcmp(argv[i], "--volume") == 0) {
      volume = atof(argv[++i]);
    } else if (strcmp(argv[i], "--stop-at") == 0) {
      stop_at = atof(argv[++i]);
    } else if (strcmp(argv[i], "--close-after") == 0) {
      close_after = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--reconnect") == 0) {
      reconnect = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--record") == 0) {
      record = argv[++i];
    } else {
      return Usage();
    }
  }

  Print("vnplay %s for %.1f s", url, seconds);
  const uint32_t version = EngineVersion();
  Print("engine version %08x", static_cast<unsigned>(version));
  if (!EngineInit(kEngineDefaultDevice, 44100, 0, nullptr, nullptr)) {
    Print("init failed: error %d (%s)", EngineLastError(), ErrorName(EngineLastError()));
    return 3;
  }
  const std::string folder = ExeFolder();
  EngineLoadPlugin((folder + kPluginWma).c_str(), 0);
  if (EngineLoadPlugin((folder + kPluginAac).c_str(), 0) == 0)
    Print("aac plug-in not loaded: error %d (%s)", EngineLastError(), ErrorName(EngineLastError()));
  // The player's options: playlists resolved, no pre-buffering inside the open call,
  // 15 s read and connect time-outs, no proxy.
  EngineSetOption(kOptionNetPlaylist, 1);
  EngineSetOption(kOptionNetPrebuffer, 0);
  EngineSetOption(kOptionWmaPrebuffer, 0);
  EngineSetOption(kOptionNetReadTimeout, 15000);
  EngineSetOption(kOptionNetTimeout, 15000);
  if (reconnect >= 0) EngineSetOption(kOptionNetReconnect, static_cast<uint32_t>(reconnect));
  static char proxy[100] = {};
  EngineSetOptionText(kOptionNetProxy, proxy);
  if (volume >= 0 && !EngineSetVolume(static_cast<float>(volume)))
    Print("volume %.2f refused: error %d", volume, EngineLastError());
  EngineStart();

  std::thread closer;
  std::atomic<bool> opened{false};
  if (close_after >= 0) {
    closer = std::thread([close_after, &opened] {
      SleepMs(close_after);
      // While the open call runs its handle is known only to the engine's own list.
      const bool connecting = !opened.load();
      std::vector<HSTREAM> handles;
      if (g_stream.load() != 0) handles.push_back(g_stream.load());
      else handles = StreamHandles();
      for (HSTREAM h : handles) {
        Print("closing %u while %s", static_cast<unsigned>(h), connecting ? "connecting" : "open");
        StreamClose(h);
        Print("close returned");
      }
    });
  }

  // Watches the output's counter of stream frames: its first move is the moment
  // the first decoded sample goes to the device.
  std::atomic<bool> watching{true};
  std::thread first_sample([&watching] {
    const uint64_t before = OutputSourceFramesWritten();
    while (watching.load()) {
      if (OutputSourceFramesWritten() != before) {
        Print("first sample");
        return;
      }
      SleepMs(1);
    }
  });
  auto stop_watching = [&watching, &first_sample] {
    watching = false;
    if (first_sample.joinable()) first_sample.join();
  };

  Print("opening");
  const HSTREAM stream = StreamOpenUrl(url, 0, kStreamStatusCallback, DownloadStatusProc, nullptr);
  opened = true;
  if (stream == 0) {
    const int error = EngineLastError();
    Print("failed: error %d (%s)", error, ErrorName(error));
    if (closer.joinable()) closer.join();
    stop_watching();
    EngineFree();
    Print("freed");
    return 2;
  }
  g_stream = stream;
  Print("opened: stream %u", static_cast<unsigned>(stream));

  // The buffering wait of the player, with a small pause between passes so the
  // output stays readable (the player is paced by its notifications instead).
  long long last = -2;
  const long long wait_end = NowMs() + 60000;
  for (;;) {
    const long long percent = FillPercent(stream);
    if (percent != last) Print("fill %lld%%", percent);
    last = percent;
    if (percent < 0 || percent > 75) break;
    if (NowMs() > wait_end) {
      Print("buffer did not fill in 60 s");
      StreamClose(stream);
      stop_watching();
      EngineFree();
      return 4;
    }
    SleepMs(5);
  }

  // Station headers, as the player reads them: the ICY list, else the HTTP list.
  const char* tags = StreamTags(stream, kTagsIcy);
  const char* kind = "icy";
  if (tags == nullptr) {
    tags = StreamTags(stream, kTagsHttp);
    kind = "http";
  }
  if (tags == nullptr) Print("tags: none");
  std::string station;
  for (const char* t = tags; t != nullptr && *t != '\0'; t += strlen(t) + 1) {
    Print("tag %s: %s", kind, t);
    if (strncmp(t, "icy-name:", 9) == 0) Print("name: %s", t + 9), station = t + 9;
    else if (strncmp(t, "icy-br:", 7) == 0) Print("bitrate: %s", t + 7);
  }
  ReadStreamTitle();
  if (StreamSetSync(stream, kSyncMeta, 0, TitleChangedProc, nullptr) == 0)
    Print("sync failed: error %d (%s)", EngineLastError(), ErrorName(EngineLastError()));
  StreamSetSync(stream, kSyncEnd, 0, EndProc, nullptr);
  int rc = 0;
  if (!StreamPlay(stream, false)) {
    Print("play failed: error %d (%s)", EngineLastError(), ErrorName(EngineLastError()));
    rc = 3;
  } else {
    Print("playing");
  }
  if (record) {
    const std::string note = StartRecording(nullptr, stream, ToWide(record), RecordStationName(station, url));
    if (note.empty()) Print("recording into %s", record);
    else Print("recording refused: %s", note.c_str());
  }

  const long long play_start = NowMs();
  const long long play_end = play_start + static_cast<long long>(seconds * 1000);
  const long long stop_ms = stop_at >= 0 ? play_start + static_cast<long long>(stop_at * 1000) : -1;
  long long next_report = play_start + 1000;
  bool decoding_seen = false;
  OutputStatus output{};
  output.opens = ~0u;  // the first pass reports
  while (NowMs() < play_end) {
    ReportOutput(output);
    const uint64_t decoded = StreamFilePosition(stream, kFilePosDecoded);
    if (!decoding_seen && decoded > 0 && decoded != kFilePosError) {
      decoding_seen = true;
      Print("decoding");
    }
    if (stop_ms >= 0 && NowMs() >= stop_ms) {
      EngineStop();
      Print("stopped output");
      break;
    }
    if (NowMs() >= next_report) {
      Print("fill %lld%% (downloaded %llu, decoded %llu)", FillPercent(stream),
            static_cast<unsigned long long>(StreamFilePosition(stream, kFilePosDownload)),
            static_cast<unsigned long long>(StreamFilePosition(stream, kFilePosDecoded)));
      ReportOutputFigures();
      next_report += 1000;
    }
    // Coarse: the driver's own polling must not weigh on the CPU figures of the engine.
    SleepMs(50);
  }
  if (stop_ms >= 0) {
    while (NowMs() < play_end) SleepMs(100);  // silence is what the capture should hear now
  }
  if (closer.joinable()) closer.join();
  if (Recording()) {
    const std::string note = StopRecording();
    Print("recording ended%s%s", note.empty() ? "" : ": ", note.c_str());
  }
  StreamClose(stream);
  Print("closed");
  stop_watching();
  EngineFree();
  Print("freed");
  return rc;
}
