// Waits of a thread that may own windows. Windows only.
#pragma once

#include <windows.h>

// Waits until `handle` is signalled, handling the messages that other threads
// send to this thread's windows meanwhile (SendMessage waits for them: a plain
// wait here while such a sender is waited for would never end). Posted
// messages stay queued.
inline void WaitHandlingSentMessages(HANDLE handle) {
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, 0);
    if (r != WAIT_OBJECT_0 + 1) return;  // signalled, or the wait failed
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers the sent ones
  }
}
