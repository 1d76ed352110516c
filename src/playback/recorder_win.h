// Recording the current stream: its audio as received, one file per title,
// in a folder per station. The engine hands over the bytes on the stream's
// download thread; they wait in a queue of the recording's own and a thread of
// its own writes them, so a slow or full disk never holds up the sound. A
// recording that cannot go on (full disk, missing folder, a queue that the
// disk does not keep up with) stops by itself and tells the window with
// kMsgRecordingStopped; the window then calls StopRecording for the note.
//
// Threads: every function here is for the window thread.
#pragma once

#include <windows.h>

#include <string>

#include "engine/api/engine.h"

// Posted to the window when a recording has stopped by itself.
inline constexpr UINT kMsgRecordingStopped = WM_APP + 0x1A1;

// The folder recordings go to by default: the user's Music folder, then
// kRecordFolderName (made when missing). Empty when the system has no Music
// folder.
std::wstring DefaultRecordFolder();

// Starts recording `stream` into `folder`\`station`\ (the station's folder is
// made as needed; `folder` itself must exist). Empty on success, else the
// note to show; a recording already running is stopped first.
std::string StartRecording(HWND window, HSTREAM stream, const std::wstring& folder, const std::string& station);

// Ends the recording: what is queued is written and the file closed. The
// note of a recording that stopped by itself, empty otherwise (or when none
// ran).
std::string StopRecording();

// Whether a recording runs (one that stopped by itself counts until
// StopRecording).
bool Recording();

// The file written to last, empty before the first (tests read it).
std::wstring LastRecordFile();
