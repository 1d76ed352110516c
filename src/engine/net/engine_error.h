// The engine's error codes, EngineLastError's values. Every stage of the engine
// reports its failures in them, down to the sockets, so they stand at the
// bottom; engine.h hands them on to the engine's callers.
#pragma once

// EngineLastError codes: the reason of the calling thread's last failed call.
enum EngineError : int {
  kErrorOk = 0,
  kErrorMemory = 1,       // out of memory
  kErrorFileOpen = 2,     // a plug-in file that is not one of the engine's
  kErrorNoDevice = 3,     // no audio output device
  kErrorNotInit = 4,      // EngineInit has not succeeded
  kErrorAlready = 5,      // EngineInit called twice
  kErrorHandle = 6,       // unknown or freed stream handle
  kErrorBadAddress = 7,   // the address cannot be parsed
  kErrorProtocol = 8,     // unsupported scheme (ftp, mms, ...)
  kErrorNoConnection = 9, // host not found, connection refused or dropped
  kErrorTimeout = 10,     // connect or read time-out
  kErrorHttp = 11,        // the server answered with a non-2xx status
  kErrorRedirects = 12,   // more than 5 redirects
  kErrorBadAnswer = 13,   // malformed or oversized answer headers
  kErrorFormat = 14,      // no decodable audio in the stream
  kErrorCodec = 15,       // the stream's codec is not available (plug-in not loaded, no system decoder,
                          // or one the engine has no decoder for: Opus, FLAC)
  kErrorPlaylist = 16,    // a playlist without a playable entry
  kErrorAborted = 17,     // the stream was closed while it connected
  kErrorIllegalParam = 18,  // an argument out of range
  kErrorCertificate = 19, // https: the server's certificate failed verification (untrusted
                          // authority, expired, not for this host name)
  kErrorTls = 20,         // https: no TLS 1.2 or later session could be negotiated
  kErrorUnknown = -1,
};
