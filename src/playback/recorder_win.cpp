// The recording's queue, its writer thread and its files.
#include "playback/recorder_win.h"

#include <shlobj.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/cp1251_win.h"
#include "base/guarded.h"
#include "base/scoped_win.h"
#include "engine/api/stream_win.h"
#include "playback/connection_rules.h"
#include "playback/record_rules.h"

namespace {

// Bytes that may wait for the disk: minutes of any radio stream. A disk that
// falls this far behind stops the recording rather than the memory.
constexpr size_t kMaxQueuedBytes = 16u << 20;
constexpr int kMaxNameNumber = 99;  // "name (99).mp3" is the last one tried
// FOLDERID_Music, spelled out: the known-folder GUIDs of the system's headers
// pull in libuuid's object that also defines a GUID the browser host defines.
constexpr KNOWNFOLDERID kMusicFolder = {0x4BD8D571, 0x6D19, 0x48D3, {0xBE, 0x97, 0x42, 0x22, 0x20, 0x08, 0x0E, 0x43}};

RecordTime LocalRecordTime() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return RecordTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute};
}

bool IsExistingFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class Recorder final : public RecordTap {
 public:
  Recorder(HWND window, std::wstring folder, std::string station)
      : window_(window), folder_(std::move(folder)), station_(std::move(station)) {}
  ~Recorder() override { Finish(); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  bool Start() { return StartGuardedThread(thread_, [this] { Run(); }); }

  // Download thread: queued, never written here.
  // The download thread must go on whatever happens here: a failure to queue
  // ends the recording, never the stream.
  void Begin(const std::string& meta, const char* extension) override {
    std::lock_guard lock(lock_);
    if (failed_ || finishing_) return;
    try {
      Item item;
      item.begin = true;
      item.meta = meta;
      item.extension = extension;
      item.time = LocalRecordTime();
      queue_.push_back(std::move(item));
    } catch (...) {
      FailLocked(kRecordTooSlow);
      return;
    }
    wake_.notify_one();
  }

  void Write(std::span<const uint8_t> bytes) override {
    std::lock_guard lock(lock_);
    if (failed_ || finishing_) return;
    if (queued_ + bytes.size() > kMaxQueuedBytes) {
      FailLocked(kRecordTooSlow);
      return;
    }
    try {
      // Frames are small: they join the piece queued last.
      if (queue_.empty() || queue_.back().begin) queue_.emplace_back();
      queue_.back().data.insert(queue_.back().data.end(), bytes.begin(), bytes.end());
    } catch (...) {
      FailLocked(kRecordTooSlow);
      return;
    }
    queued_ += bytes.size();
    wake_.notify_one();
  }

  // Window thread: writes what is queued, closes the file, ends the thread.
  void Finish() {
    {
      std::lock_guard lock(lock_);
      finishing_ = true;
      wake_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
    file_.Reset();
  }

  std::string Note() {
    std::lock_guard lock(lock_);
    return note_;
  }

  std::wstring LastFile() {
    std::lock_guard lock(lock_);
    return last_file_;
  }

 private:
  struct Item {
    bool begin = false;          // a new file; otherwise bytes for the current one
    std::string meta;            // begin: the title's metadata text
    std::string extension;       // begin: with its dot
    RecordTime time;             // begin: when its title started
    std::vector<uint8_t> data;   // bytes
  };

  // Caller holds lock_. The first failure stops the recording; the window
  // hears of it once.
  void FailLocked(const std::string& note) {
    if (failed_) return;
    failed_ = true;
    note_ = note;
    queue_.clear();
    queued_ = 0;
    if (window_) ::PostMessageW(window_, kMsgRecordingStopped, 0, 0);
  }

  void Fail(const std::string& note) {
    std::lock_guard lock(lock_);
    FailLocked(note);
  }

  // Writer thread.
  void Run() {
    for (;;) {
      std::deque<Item> items;
      {
        std::unique_lock lock(lock_);
        wake_.wait(lock, [this] { return !queue_.empty() || finishing_ || failed_; });
        if (failed_) break;
        if (queue_.empty()) break;  // finishing, and all written
        items.swap(queue_);
        queued_ = 0;
      }
      for (Item& item : items) {
        if (!(item.begin ? Open(item) : Put(item.data))) {
          file_.Reset();
          return;
        }
      }
    }
    file_.Reset();
  }

  // A new file for `item`'s title; false when the recording must stop.
  bool Open(const Item& item) {
    file_.Reset();
    if (!IsExistingFolder(folder_)) {
      Fail(kRecordNoFolder + FromWide(folder_));
      return false;
    }
    const std::wstring station_folder = folder_ + L"\\" + ToWide(CleanFileName(station_, 100, "радио"));
    if (!::CreateDirectoryW(station_folder.c_str(), nullptr) && !IsExistingFolder(station_folder)) {
      // Not made, and not there as a folder (a file of that name, say).
      Fail(::GetLastError() == ERROR_DISK_FULL ? std::string(kRecordDiskFull)
                                                 : kRecordNoFolder + FromWide(station_folder));
      return false;
    }
    const std::string title = StationTextToCp1251(ParseStreamTitle(item.meta).value_or(""));
    for (int number = 1; number <= kMaxNameNumber; ++number) {
      const std::wstring path =
          station_folder + L"\\" + ToWide(RecordFileName(item.time, station_, title, item.extension, number));
      HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        Fail(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kRecordDiskFull : kRecordWriteFailed);
        return false;
      }
      file_.Reset(h);
      {
        std::lock_guard lock(lock_);
        last_file_ = path;
      }
      if (item.extension == ".mp3") return Put(Id3v2TitleTag(title));
      return true;
    }
    Fail(kRecordWriteFailed);
    return false;
  }

  bool Put(const std::vector<uint8_t>& data) {
    size_t done = 0;
    while (done < data.size()) {
      if (!file_) return true;  // bytes before the first file: none come
      DWORD wrote = 0;
      const DWORD n = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
      if (!::WriteFile(file_.Get(), data.data() + done, n, &wrote, nullptr) || wrote == 0) {
        const DWORD error = ::GetLastError();
        Fail(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || wrote == 0 ? kRecordDiskFull
                                                                                        : kRecordWriteFailed);
        return false;
      }
      done += wrote;
    }
    return true;
  }

  const HWND window_;
  const std::wstring folder_;
  const std::string station_;
  std::thread thread_;
  UniqueHandle file_;  // the writer thread's; closed by Finish after the join

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Item> queue_;   // protected by lock_
  size_t queued_ = 0;        // protected by lock_: bytes in queue_
  bool finishing_ = false;   // protected by lock_
  bool failed_ = false;      // protected by lock_
  std::string note_;         // protected by lock_: why it stopped
  std::wstring last_file_;   // protected by lock_
};

// The window thread's.
std::shared_ptr<Recorder> gRecorder;
HSTREAM gRecorded = 0;
std::wstring gLastFile;

}  // namespace

std::wstring DefaultRecordFolder() {
  PWSTR music = nullptr;
  if (FAILED(::SHGetKnownFolderPath(kMusicFolder, KF_FLAG_CREATE, nullptr, &music))) return {};
  std::wstring folder = std::wstring(music) + L"\\" + ToWide(kRecordFolderName);
  ::CoTaskMemFree(music);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string StartRecording(HWND window, HSTREAM stream, const std::wstring& folder, const std::string& station) {
  StopRecording();
  if (!stream) return kRecordNothing;
  if (folder.empty() || !IsExistingFolder(folder)) return kRecordNoFolder + FromWide(folder);
  auto recorder = std::make_shared<Recorder>(window, folder, station);
  if (!recorder->Start()) return kRecordWriteFailed;
  if (!StreamSetRecordTap(stream, recorder)) {
    return EngineLastError() == kErrorFormat ? kRecordCannot : kRecordNothing;
  }
  gRecorder = std::move(recorder);
  gRecorded = stream;
  return {};
}

std::string StopRecording() {
  if (!gRecorder) return {};
  // The stream may be gone already; then nothing calls the recorder anyway.
  (void)StreamSetRecordTap(gRecorded, nullptr);
  gRecorder->Finish();
  std::string note = gRecorder->Note();
  gLastFile = gRecorder->LastFile();
  gRecorder.reset();
  gRecorded = 0;
  return note;
}

bool Recording() { return gRecorder != nullptr; }

std::wstring LastRecordFile() { return gRecorder ? gRecorder->LastFile() : gLastFile; }
