// The recording's rules that need no Windows: file and folder names, the
// station's name for them, the ID3v2 tag of MP3 files, and the marks the
// status line and the tray hint get (portable). Texts are CP1251.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The folder under the user's Music folder that recordings go to when the
// "recorddir" setting names none.
inline constexpr char kRecordFolderName[] = "Volnar Radio";
inline constexpr char kRecordDirSetting[] = "recorddir";

// Local time a file starts, to the minute.
struct RecordTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// `text` as one component of a Windows path: every character Windows forbids
// in names (< > : " / \ | ? *, control characters) becomes '_', trailing dots
// and spaces go, a reserved device name (CON, NUL, COM1 ...) gets a '_' after
// it, and the result is at most `limit` bytes (CP1251: one a character).
// `fallback` when nothing is left.
std::string CleanFileName(std::string_view text, size_t limit, std::string_view fallback);

// "YYYY-MM-DD HH-MM station - title.ext" ("... station.ext" without a title),
// cleaned as a whole; `number` > 1 adds " (N)" before the extension, for a
// name that is taken already. `extension` comes with its dot.
std::string RecordFileName(const RecordTime& time, std::string_view station, std::string_view title,
                           std::string_view extension, int number = 1);

// The station's name for the folder and the files: the state slot when it
// holds a name rather than a state of the connection, otherwise the host of
// `address`.
std::string RecordStationName(std::string_view state_slot, std::string_view address);

// An ID3v2.3 tag naming `title` (CP1251, as the status line shows it): TIT2,
// and for "Artist - Title" TPE1 with the artist and TIT2 with the rest. The
// texts are UTF-16 with a byte order mark. Empty for an empty title.
std::vector<uint8_t> Id3v2TitleTag(std::string_view title);

inline constexpr char kRecordMark[] = "[Запись] ";  // before the status line and the tray hint
// The status line or tray hint while recording, or with the note of a
// recording that stopped by itself in front.
std::string WithRecordMark(std::string_view line, bool recording, std::string_view note);

// Why a recording stopped by itself (shown in the status line).
inline constexpr char kRecordDiskFull[] = "Запись остановлена: диск заполнен.";
inline constexpr char kRecordWriteFailed[] = "Запись остановлена: не удалось записать файл.";
inline constexpr char kRecordNoFolder[] = "Запись остановлена: нет папки ";  // + the folder
inline constexpr char kRecordTooSlow[] = "Запись остановлена: диск не успевает за потоком.";
inline constexpr char kRecordCannot[] = "Этот поток нельзя записать.";
inline constexpr char kRecordNothing[] = "Запись: ничего не играет.";
