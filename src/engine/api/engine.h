// The audio engine's public interface: start-up and output, internet streams,
// their positions, header lists and metadata.
//
// Every function may be called from any thread. None of them blocks on the
// window's thread for longer than a lock hand-over, except StreamOpenUrl, which
// connects and is meant to be called from a worker thread.
#pragma once

#include <cstdint>

#include "engine/net/engine_error.h"

#ifdef _WIN32
#define ENGINE_CALLBACK __stdcall
#else
#define ENGINE_CALLBACK
#endif

using HSTREAM = uint32_t;  // 0 = no stream
using HSYNC = uint32_t;    // 0 = no sync

// Version: high word major.minor (0x0204), low word the build.
inline constexpr uint32_t kEngineVersion = 0x02040001;

// EngineInit
inline constexpr int kEngineDefaultDevice = -1;

// Options (EngineSetOption / EngineSetOptionText).
inline constexpr uint32_t kOptionNetTimeout = 11;       // connect time-out, ms
inline constexpr uint32_t kOptionNetPrebuffer = 15;     // % of the buffer filled before StreamOpenUrl returns
inline constexpr uint32_t kOptionNetProxy = 17;         // text: "[user:pass@]host:port", empty = direct
inline constexpr uint32_t kOptionNetPlaylist = 21;      // 1 = resolve playlists given as stream addresses
inline constexpr uint32_t kOptionNetReadTimeout = 37;   // time-out of one network read, ms
inline constexpr uint32_t kOptionWmaPrebuffer = 0x10101;  // accepted, no effect: no WMA streams
// How long a dropped live stream is tried again, ms after the drop (default
// 30000; 0 = never). The program leaves it at the default.
inline constexpr uint32_t kOptionNetReconnect = 0x10200;

// StreamOpenUrl flags.
inline constexpr uint32_t kStreamStatusCallback = 0x800000;  // call the download proc with the status line

// StreamFilePosition modes and error value.
inline constexpr uint32_t kFilePosDecoded = 0;   // bytes taken by the decoder
inline constexpr uint32_t kFilePosDownload = 1;  // bytes downloaded (audio only, metadata removed)
inline constexpr uint32_t kFilePosTotal = 2;     // live stream: size of the download buffer (the
                                                 // start buffer, 0.75 s of audio, until the stream
                                                 // plays; the whole buffer from then on);
                                                 // kFilePosError once the stream has ended for good
inline constexpr uint64_t kFilePosError = ~0ull;

// StreamTags types.
inline constexpr uint32_t kTagsHttp = 3;  // HTTP answer lines: texts ended by an empty one
inline constexpr uint32_t kTagsIcy = 4;   // ICY answer lines: texts ended by an empty one
inline constexpr uint32_t kTagsMeta = 5;  // newest non-empty ICY metadata block, as sent
// The name the stream gives itself in what it carries (UTF-8, as found): an
// Ogg stream's station comment (STATION, STATIONNAME, STATION_NAME, else
// ORGANIZATION), an HLS playlist's name (EXT-X-SESSION-DATA with a DATA-ID
// ending in ".title" or ".name", else "#PLAYLIST:"), or the station frame
// (TRSN) of the ID3 tags in HLS segments or at a plain stream's start. The
// newest one found; null while there is none. Not the header names of the
// answer (kTagsHttp, kTagsIcy).
inline constexpr uint32_t kTagsStreamName = 0x10300;

// StreamSetSync types. Sync procs are called on the stream's download thread,
// with the sync's handle, the stream's handle, data 0 and the user value given;
// a stream that has been closed calls none of its syncs any more.
inline constexpr uint32_t kSyncMeta = 4;  // a new metadata block arrived
// The stream's own name (kTagsStreamName) changed after the stream opened: a
// name that its content brings only later (an HLS segment's ID3 station frame,
// a chained Ogg stream's comment).
inline constexpr uint32_t kSyncStreamName = 0x10300;
// The stream has ended for good: a live stream whose reconnection attempts are
// used up (kOptionNetReconnect, 30 s after the drop), or the clean end of a stream of known
// length. Called once, after the audio buffered until then has been played (at
// once while the stream is not playing); a sync set after the end is called as
// well, the same way. The stream stays open until closed.
inline constexpr uint32_t kSyncEnd = 2;

// EngineLastError codes: engine/net/engine_error.h.

// Download proc: with kStreamStatusCallback, called once with the server's
// status line (buffer = the zero-terminated line, length 0) as soon as the answer
// arrives, on a thread that is not the window's.
using DownloadProc = void ENGINE_CALLBACK(const void* buffer, uint32_t length, void* user);
// Sync proc: called on an engine thread.
using SyncProc = void ENGINE_CALLBACK(HSYNC sync, HSTREAM stream, uint32_t data, void* user);

// ---- Start-up and output ----
uint32_t EngineVersion();
// Opens the output device (-1 = default) at `freq` Hz, 16-bit stereo.
// `window` and `clsid` are accepted for compatibility and not used.
bool EngineInit(int device, uint32_t freq, uint32_t flags, void* window, const void* clsid);
// Enables one of the engine's codec plug-ins by file name; returns a non-zero
// handle, or 0 (kErrorFileOpen for an unknown name, kErrorCodec when the system
// decoder it needs is missing).
uint32_t EngineLoadPlugin(const char* file, uint32_t flags);
bool EngineSetOption(uint32_t option, uint32_t value);
bool EngineSetOptionText(uint32_t option, const char* value);
float EngineGetVolume();            // master volume 0.0 .. 1.0
bool EngineSetVolume(float volume);  // out of range: false, kErrorIllegalParam
bool EngineStart();                  // resumes the output
bool EngineStop();                   // silences the whole output; streams pause
bool EngineFree();                   // frees every stream and closes the device
int EngineLastError();               // for the calling thread

// Plug-in file names that EngineLoadPlugin knows.
inline constexpr char kPluginAac[] = "vnaac.dll";
inline constexpr char kPluginWma[] = "vnwma.dll";

// ---- What the engine plays ----
// Streams over HTTP, ICY and HTTPS (live or of known length), reached directly
// or through PLS/M3U playlists, carrying one of these codecs; and HLS streams
// (live or on demand, master or media playlist, found by the playlist's own
// tags) whose segments are MPEG transport streams or packed audio carrying MP3
// or AAC (ADTS), or fragmented MP4 (CMAF) carrying AAC. The codec of a stream is found in its bytes; the content type
// only goes first.
struct EngineCodec {
  const char* name;           // as station directories spell it (upper case)
  const char* container;      // how it arrives
  const char* content_types;  // the types that name it, separated by spaces
  bool plays;                 // false: such a stream fails at once with `error`
  int error;                  // the EngineLastError of a stream that cannot play
  const char* plugin;         // a plug-in EngineLoadPlugin must enable first, or null
};
// Opus (in Ogg, chained) and FLAC (in Ogg, or native) decode through the
// libraries built in (libopus, dr_flac).
inline constexpr EngineCodec kEngineCodecs[] = {
    {"MP3", "MPEG audio frames (also in HLS segments)", "audio/mpeg audio/mp3 audio/mpeg3 audio/x-mpeg audio/x-mp3", true, kErrorOk, nullptr},
    {"AAC", "ADTS (also in HLS segments)", "audio/aac audio/x-aac", true, kErrorOk, kPluginAac},
    {"AAC+", "ADTS (also in HLS segments)", "audio/aacp audio/x-aacp", true, kErrorOk, kPluginAac},
    {"OGG", "Ogg, chained", "application/ogg audio/ogg audio/x-ogg application/x-ogg", true, kErrorOk, nullptr},
    {"VORBIS", "Ogg, chained", "audio/vorbis audio/x-vorbis audio/x-vorbis+ogg", true, kErrorOk, nullptr},
    {"OPUS", "Ogg, chained", "audio/opus audio/x-opus+ogg", true, kErrorOk, nullptr},
    {"FLAC", "Ogg (chained) or native", "audio/flac audio/x-flac audio/x-flac+ogg", true, kErrorOk, nullptr},
};

// HLS: segments encrypted with METHOD=AES-128 play (the key fetched from the
// playlist's address); other encryption (SAMPLE-AES, anything else) is not
// played, and a stream made only of such segments fails with kErrorFormat.
inline constexpr bool kEnginePlaysHls = true;

// ---- Streams ----
// Connects (http:// or https://) and returns as soon as the stream stands;
// downloading goes on in the background. 0 on failure, with EngineLastError
// telling why. A live stream whose connection drops, is refused or stalls past
// the read time-out is connected again by itself, with its audio joined so that
// nothing is heard twice; the buffered audio plays on meanwhile.
HSTREAM StreamOpenUrl(const char* url, uint32_t offset, uint32_t flags, DownloadProc* proc, void* user);
// Stops and frees the stream at once; abandons a connection in progress or a
// reconnection. No sync of the stream is called once this has returned.
bool StreamClose(HSTREAM stream);
uint64_t StreamFilePosition(HSTREAM stream, uint32_t mode);
// The returned text stays valid until the calling thread calls StreamTags again.
const char* StreamTags(HSTREAM stream, uint32_t type);
HSYNC StreamSetSync(HSTREAM stream, uint32_t type, uint64_t param, SyncProc* proc, void* user);
bool StreamPlay(HSTREAM stream, bool restart);
