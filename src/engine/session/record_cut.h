// The recording's view of a stream: its audio exactly as it arrived (ICY
// metadata already removed), cut into one run per title, each run starting at
// a whole MP3 frame, ADTS frame or Ogg page, so that every run is a file that
// plays on its own. Nothing is decoded or re-encoded. Portable.
//
// MP3 and AAC: a run starts at the first frame after the recording starts or
// after the position where a new title arrived. Ogg: a run starts at a page,
// with the header pages of its logical stream in front (a file without them
// cannot be decoded); a new chained stream (a new track of an Ogg radio) starts
// a new run at its first page, named by the title in its comments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/codecs/frame_sync.h"
#include "engine/formats/ogg_reader.h"

// Where the runs go. Called on the stream's download thread; must not block
// (the recording copies the bytes into a queue of its own).
class RecordTap {
 public:
  virtual ~RecordTap() = default;
  // A new run (file) begins; `meta` is the metadata text of its title as
  // StreamTags(kTagsMeta) gives it ("StreamTitle='...';"), empty when none;
  // `extension` the file name's (RecordExtension).
  virtual void Begin(const std::string& meta, const char* extension) = 0;
  // Bytes of the run begun last.
  virtual void Write(std::span<const uint8_t> bytes) = 0;
};

enum class RecordContainer {
  kNone,  // cannot be recorded as received (native FLAC, unknown)
  kMp3,   // MPEG audio frames: ".mp3"
  kAdts,  // AAC in ADTS frames: ".aac"
  kOgg,   // Ogg pages: ".ogg", ".opus" or ".oga" by the codec inside
};
RecordContainer RecordContainerFor(AudioCodec codec);
// The file name extension with its dot for a recording of `codec`; empty for
// kNone.
const char* RecordExtension(AudioCodec codec);
// Whether a stream of `codec` whose audio starts with `first` can be recorded
// as received (native FLAC, without Ogg pages, cannot).
bool RecordableStream(AudioCodec codec, std::span<const uint8_t> first);

// Follows one stream from its first audio byte on. Ogg streams are followed
// even while nothing records, since a recording started later needs the
// header pages that went by. One thread at a time (the download thread).
class RecordCutter {
 public:
  // `meta`: the stream's metadata text when it opened.
  RecordCutter(AudioCodec codec, std::string meta);

  // Recording starts (again): the next whole frame or page begins a run with
  // the current title. Stop: nothing more goes to any tap.
  void Start();
  void Stop();
  bool Recording() const { return recording_; }
  // Whether this stream's bytes can be recorded at all.
  bool Recordable() const { return recordable_; }

  // The stream's next bytes; runs go to `tap` while recording.
  void Feed(std::span<const uint8_t> bytes, RecordTap& tap);
  // A metadata block arrived between the bytes fed so far and the next ones.
  // A repeat of the current title (a reconnect resends it) changes nothing.
  void Title(const std::string& meta);
  // The next bytes do not continue the ones before (a reconnect without
  // overlap): frames and pages are found afresh.
  void Break();

  uint64_t fed() const { return fed_; }  // bytes fed so far

 private:
  void FeedFrames(RecordTap& tap);
  void FeedPages(RecordTap& tap);
  // The title in force for a unit starting at `position`, and whether it
  // changed since the last unit.
  bool TakeTitles(uint64_t position);
  void BeginRun(RecordTap& tap);

  const AudioCodec codec_;
  const RecordContainer container_;
  bool recordable_;            // RecordableStream, with the first bytes once they came
  bool recording_ = false;
  bool run_open_ = false;      // a run has begun since Start
  uint64_t fed_ = 0;           // bytes fed so far
  std::string meta_;           // the title of the current run (or of the stream)
  std::string last_title_;     // the newest title seen, for telling repeats
  std::deque<std::pair<uint64_t, std::string>> titles_;  // titles not yet in force: (position, meta)

  // MP3 and ADTS.
  FrameSync frames_;
  // Ogg.
  OggReader pages_;
  std::vector<uint8_t> headers_;          // header pages of the logical stream that plays
  std::vector<uint8_t> new_headers_;      // header pages being gathered (a new chained stream)
  std::optional<std::string> new_title_;  // the title in new_headers_' comments
  bool in_headers_ = false;
  bool first_bytes_ = true;  // nothing fed yet: tells Ogg from native FLAC
};
