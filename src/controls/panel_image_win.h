// TPanelImage: the picture holder of the background panel. Keeps an image
// file's bytes and decodes them at once with the system's OLE picture
// service (OleLoadPicture over a stream on a movable global memory block).
// Its size is the picture's extent converted at a fixed 96 pixels per inch.
//
// Decoding failures raise std::runtime_error with one of these texts:
// "Could not allocate memory for image", "Could not create image stream",
// "Empty image stream created", "Could not load image. Invalid format",
// "Could not load image"; the picture is empty after a failure.
//
// Threads: window thread only.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>

#include "ui/gdi_handles_win.h"

class TPanelImage {
 public:
  TPanelImage() = default;
  TPanelImage(const TPanelImage&) = delete;
  TPanelImage& operator=(const TPanelImage&) = delete;

  bool Empty() const { return empty_; }
  const std::string& Bytes() const { return bytes_; }

  // An RCDATA resource of this executable, as the form's stored picture is
  // read: decoded, no notification. False when the resource is missing.
  [[nodiscard]] bool LoadFromResource(int resource_id);
  // Loading from a stream's bytes: decoded, then OnChange.
  void LoadFromStream(std::string bytes);
  // Loading from a file: decoded, then OnChange. A file that cannot be read
  // leaves the picture empty (false); one that cannot be decoded too (and
  // raises the decoding error).
  bool LoadFromFile(const std::wstring& path);
  // Copies another holder's bytes (an empty one empties this); OnChange.
  void Assign(const TPanelImage& other);
  // Stores `bitmap` saved as BMP bytes (nullptr empties); OnChange.
  void AssignBitmap(HBITMAP bitmap);
  void Clear();  // empties; OnChange

  // Pixels at 96 per inch; 0 while empty.
  int Width() const;
  int Height() const;

  // Renders the whole picture upright, scaled into `rect`; bitmaps opaque.
  void Draw(HDC dc, const RECT& rect) const;
  // At (x, y) in the picture's own size.
  void Draw(HDC dc, int x, int y) const { Draw(dc, RECT{x, y, x + Width(), y + Height()}); }

  std::function<void()> OnChange;

 private:
  // Stores and decodes; on a failure empties and rethrows.
  void Load(std::string bytes);
  void Changed();

  std::string bytes_;
  bool empty_ = true;
  ComPtr<IPicture> picture_;
};
