#include "engine/session/record_cut.h"

#include <algorithm>
#include <cstring>

namespace {

// A logical stream's header pages are a few kilobytes; a comment header with
// pictures can be large. Past this, pages are taken as audio.
constexpr size_t kMaxHeaderRunBytes = 4u << 20;

}  // namespace

RecordContainer RecordContainerFor(AudioCodec codec) {
  switch (codec) {
    case AudioCodec::kMp3: return RecordContainer::kMp3;
    case AudioCodec::kAac: return RecordContainer::kAdts;
    case AudioCodec::kVorbis:
    case AudioCodec::kOpus:
    case AudioCodec::kFlac: return RecordContainer::kOgg;
    case AudioCodec::kUnknown: break;
  }
  return RecordContainer::kNone;
}

const char* RecordExtension(AudioCodec codec) {
  switch (codec) {
    case AudioCodec::kMp3: return ".mp3";
    case AudioCodec::kAac: return ".aac";
    case AudioCodec::kVorbis: return ".ogg";
    case AudioCodec::kOpus: return ".opus";
    case AudioCodec::kFlac: return ".oga";
    case AudioCodec::kUnknown: break;
  }
  return "";
}

bool RecordableStream(AudioCodec codec, std::span<const uint8_t> first) {
  if (RecordContainerFor(codec) == RecordContainer::kNone) return false;
  return codec != AudioCodec::kFlac || (first.size() >= 4 && std::memcmp(first.data(), "OggS", 4) == 0);
}

RecordCutter::RecordCutter(AudioCodec codec, std::string meta)
    : codec_(codec),
      container_(RecordContainerFor(codec)),
      recordable_(container_ != RecordContainer::kNone),
      meta_(std::move(meta)),
      last_title_(meta_),
      frames_(codec == AudioCodec::kAac ? AudioCodec::kAac : AudioCodec::kMp3) {}

void RecordCutter::Start() {
  recording_ = Recordable();
  run_open_ = false;
  // A fresh lock: the first run starts at a frame that three agreeing
  // headers confirm, wherever the stream stands.
  frames_.Reset();
}

void RecordCutter::Stop() {
  recording_ = false;
  run_open_ = false;
  frames_.Reset();
}

void RecordCutter::Title(const std::string& meta) {
  if (meta == last_title_) return;
  last_title_ = meta;
  // While nothing records, an MP3 or ADTS stream's bytes are not followed:
  // the title is in force at once.
  if (!recording_ && container_ != RecordContainer::kOgg) {
    meta_ = meta;
    titles_.clear();
    return;
  }
  titles_.emplace_back(fed_, meta);
}

void RecordCutter::Break() {
  frames_.Reset();
  pages_.Reset();
  // A reconnect's headers are gathered afresh; if they are the ones that
  // played, nothing is cut.
  in_headers_ = false;
  new_headers_.clear();
  new_title_.reset();
}

bool RecordCutter::TakeTitles(uint64_t position) {
  bool changed = false;
  while (!titles_.empty() && titles_.front().first <= position) {
    changed = changed || titles_.front().second != meta_;
    meta_ = std::move(titles_.front().second);
    titles_.pop_front();
  }
  return changed;
}

void RecordCutter::BeginRun(RecordTap& tap) {
  tap.Begin(meta_, RecordExtension(codec_));
  run_open_ = true;
}

void RecordCutter::Feed(std::span<const uint8_t> bytes, RecordTap& tap) {
  if (bytes.empty()) return;
  if (first_bytes_) {
    first_bytes_ = false;
    recordable_ = RecordableStream(codec_, bytes);
    if (!recordable_) recording_ = false;
  }
  fed_ += bytes.size();
  if (!Recordable()) return;
  if (container_ == RecordContainer::kOgg) {
    pages_.Push(bytes);
    FeedPages(tap);
  } else if (recording_) {
    frames_.Push(bytes);
    FeedFrames(tap);
  }
}

void RecordCutter::FeedFrames(RecordTap& tap) {
  while (std::optional<SyncedFrame> frame = frames_.Next()) {
    const uint64_t start = fed_ - frames_.Buffered() - frame->bytes.size();
    if (TakeTitles(start) || !run_open_) BeginRun(tap);
    tap.Write(frame->bytes);
  }
}

void RecordCutter::FeedPages(RecordTap& tap) {
  while (std::optional<OggPage> page = pages_.Next()) {
    const bool header_page =
        page->bos || (in_headers_ && page->granule <= 0 && new_headers_.size() < kMaxHeaderRunBytes);
    if (header_page) {
      if (page->bos && !in_headers_) {
        in_headers_ = true;
        new_headers_.clear();
        new_title_.reset();
      }
      new_headers_.insert(new_headers_.end(), page->bytes.begin(), page->bytes.end());
      for (const OggPacket& packet : page->packets) {
        if (auto comments = ParseVorbisComments(packet.data)) new_title_ = VorbisTitleMeta(*comments);
      }
      continue;
    }
    bool cut = false;
    if (in_headers_) {
      in_headers_ = false;
      // The same headers again are the same stream resent (a reconnect):
      // the run goes on. Other headers are a new track.
      if (new_headers_ != headers_) {
        cut = !headers_.empty();
        headers_ = std::move(new_headers_);
        if (new_title_) {
          // Its comments name it; a title that came as metadata before it
          // belongs to it as well.
          titles_.clear();
          meta_ = *new_title_;
          last_title_ = meta_;
        }
      }
      new_headers_.clear();
      new_title_.reset();
    }
    if (TakeTitles(page->position)) cut = true;
    if (!recording_) continue;
    if (headers_.empty()) continue;  // no file can start before its headers have been seen
    if (cut || !run_open_) {
      BeginRun(tap);
      tap.Write(headers_);
    }
    tap.Write(page->bytes);
  }
}
