// The player notification: the one message by which connections and the
// engine's callbacks report to the main window, its codes, and the retry rule
// after a failed connection (portable).
#pragma once

#include <cstdint>
#include <string>

// Message number: the first user message (1024) + 101. wParam: the code;
// lParam: a number or a pointer to a zero-terminated CP1251 text that belongs
// to the sender and lives only while the message is handled.
inline constexpr unsigned kPlayerNotification = 1024 + 101;

enum PlayerCode : uint32_t {
  kCodeConnecting = 0,    // lParam 0
  kCodeFailed = 1,        // lParam: the engine's error code
  kCodeBuffering = 2,     // lParam: the buffering percentage
  kCodeStationName = 3,   // text
  kCodeBitrate = 4,       // text: "bitrate: " + value
  kCodeTitle = 7,         // text: the track title
  kCodeServerStatus = 8,  // text: the server's status line
};
inline constexpr uint32_t kLastPlayerCode = 8;  // higher codes are ignored

// True for the codes whose lParam points to a text.
inline constexpr bool CodeCarriesText(uint32_t code) {
  return code == kCodeStationName || code == kCodeBitrate || code == kCodeTitle ||
         code == kCodeServerStatus;
}

// "буфферизация... N%".
std::string BufferingText(uint32_t percent);

inline constexpr char kNoPlayText[] = "Не могу проиграть поток";
inline constexpr int kAttemptLimit = 6;  // the attempt that brings the box instead of a retry

// What the window does after a failed connection, given the attempt counter.
struct RetryStep {
  bool give_up = false;  // show kNoPlayText; the counter stays as it is
  int attempt = 0;       // otherwise: the coming attempt (the counter's new value)
  std::string text;      // and the state text "Ошибка соединения. Попытка N."
};

// Advances `counter` (6 or more: give up, unchanged; else +1).
RetryStep NextRetry(int& counter);
