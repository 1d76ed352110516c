// TGdiPlusPicture: the picture holder of the glass buttons and the slider
// thumb. Keeps an image file's bytes unchanged; decodes them for each use.
// A BMP is drawn as an ordinary device bitmap with automatic transparency
// (pixels of the bottom-left pixel's colour are left undrawn); any other
// format is decoded and drawn by GDI+ with its own alpha.
//
// Threads: window thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TGdiPlusPicture {
 public:
  TGdiPlusPicture() = default;
  TGdiPlusPicture(const TGdiPlusPicture&) = delete;
  TGdiPlusPicture& operator=(const TGdiPlusPicture&) = delete;

  bool Empty() const { return bytes_.empty(); }
  const std::string& Bytes() const { return bytes_; }

  // The bytes of an RCDATA resource of this executable (no notification, as
  // the form's stored pictures are read). False when it is missing.
  [[nodiscard]] bool LoadFromResource(int resource_id);
  // Stores the bytes and fires OnChange.
  void LoadFromBytes(std::string bytes);
  void Assign(const TGdiPlusPicture& other);  // copies the bytes, fires OnChange
  void Clear();                               // empties, fires OnChange

  // The image's size in pixels, read by decoding it; 0 x 0 when empty or
  // undecodable.
  int Width() const { return Size().cx; }
  int Height() const { return Size().cy; }
  SIZE Size() const;

  // Draws the picture into (x, y, width, height); nothing when empty.
  void Draw(HDC dc, int x, int y, int width, int height) const;
  void Draw(HDC dc, int x, int y) const {
    const SIZE s = Size();
    Draw(dc, x, y, s.cx, s.cy);
  }

  std::function<void()> OnChange;

 private:
  bool IsBmp() const;
  std::string bytes_;
};

// Decodes BMP file bytes into a device-dependent bitmap; nullptr when invalid.
HBITMAP BitmapFromBmpBytes(const std::string& bytes);

// Draws `bitmap` stretched into the rectangle, leaving out every pixel of
// colour `key` (0x00BBGGRR).
void DrawBitmapTransparent(HDC dc, int x, int y, int width, int height, HBITMAP bitmap,
                           COLORREF key);
