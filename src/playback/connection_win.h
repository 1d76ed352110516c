// Stream connections: each start of playback connects to a station on a
// thread of its own, waits until the engine's buffer is more than 75 % full,
// reports the station's name, bit rate and track title, and plays. Everything
// a connection learns reaches the main window as the player notification.
//
// Overlapping connections: each start supersedes every earlier connection and
// abandons any of their openings still under way (connecting, waiting for an
// answer, trying playlist entries), so their threads and sockets go at once.
// Only the newest connection keeps a stream alive, and only its reports reach
// the window: reports travel through the window's thread, which drops those of
// superseded connections, so no report can slip past a newer start.
//
// Threads: StartConnection, HandleConnectionReport and RetireConnections are
// for the window thread; the rest run on connection and engine threads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/api/engine.h"

// Starts a connection to `address` (copied) on a new thread, which is not
// waited for and ends by itself. Its reports, and those of the engine's
// callbacks, go to `window` (the main window). `known_name` (CP1251): the
// name the catalogue knows for the address, which a stream without icy-name
// shows once it plays (before its own name or the address's host).
void StartConnection(HWND window, const std::string& address, const std::string& known_name = {});

// The window's side of the reports: call from the main window's procedure
// for every message. Returns true when the message was a connection report;
// a report of the newest connection is then sent on as the player
// notification to `window`.
bool HandleConnectionReport(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

// At the window's end: no report reaches the window any more, no stream is
// kept and every opening still under way is abandoned. Then, once the engine is freed, WaitForConnections lets the remaining
// connection threads finish (up to `limit_ms`), handling the messages sent
// to this thread meanwhile so that none of them waits for us.
void RetireConnections();
void WaitForConnections(uint32_t limit_ms);

// Connection threads that have not ended yet.
int LiveConnections();

// The current stream (0 when none): the one stream a connection keeps.
HSTREAM CurrentStream();

// Reads the current stream's metadata and reports its track title (code 7).
void ReadStreamTitle();

// Engine callbacks of a connection.
void ENGINE_CALLBACK TitleChangedProc(HSYNC sync, HSTREAM stream, uint32_t data, void* user);
void ENGINE_CALLBACK DownloadStatusProc(const void* buffer, uint32_t length, void* user);
// The stream has ended for good; `user` is the connection's generation.
void ENGINE_CALLBACK StreamEndedProc(HSYNC sync, HSTREAM stream, uint32_t data, void* user);
