// Image file bytes and the platform's decoders: the bytes as a COM stream
// over a movable global memory block (as GDI+ and the OLE picture service
// read them), GDI+ started once, and a bitmap saved as BMP file bytes.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <string>

#include "ui/gdi_handles_win.h"

// Starts GDI+ for the process at the first call; false when it cannot start.
bool GdiPlusReady();

enum class ImageStreamResult {
  kOk,
  kNoMemory,  // the global memory block could not be made or locked
  kNoStream,  // the stream over it could not be made
};

// Copies `bytes` into a movable global memory block and opens it as a stream
// that frees the block when released.
[[nodiscard]] ImageStreamResult StreamOnBytes(const std::string& bytes, ComPtr<IStream>& stream);

// The bytes of an RCDATA resource of this executable; false when it is missing.
[[nodiscard]] bool ResourceBytes(int resource_id, std::string& bytes);
// The whole content of a file; false (and `bytes` empty) when it cannot be read.
[[nodiscard]] bool FileBytes(const std::wstring& path, std::string& bytes);

// The pixels of `bitmap` as the bytes of a 24-bit BMP file; empty when it
// cannot be read.
std::string BmpFileBytes(HBITMAP bitmap);
