// TGdiPlusPicture: the picture holder of the glass buttons and the slider
// thumb. Keeps an image file's bytes unchanged (any format GDI+ decodes) and
// decodes them with GDI+ for each use. A BMP is drawn as an ordinary device
// bitmap with automatic transparency (pixels of the bottom-left pixel's
// colour are left undrawn); any other format is drawn by GDI+ with its own
// alpha.
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

  // The bytes of an RCDATA resource of this executable, as the form's stored
  // pictures are read: no notification. False when it is missing.
  [[nodiscard]] bool LoadFromResource(int resource_id);
  // Loading from a stream's bytes: stores them and fires OnChange.
  void LoadFromBytes(std::string bytes);
  // Loading from a file: stores its bytes and fires OnChange; a file that
  // cannot be read leaves the picture empty (and returns false).
  bool LoadFromFile(const std::wstring& path);
  void Assign(const TGdiPlusPicture& other);  // copies the bytes, fires OnChange
  // Stores `bitmap` as BMP bytes (nullptr empties); fires OnChange.
  void AssignBitmap(HBITMAP bitmap);
  void Clear();                               // empties, fires OnChange

  // The image's size in pixels, read by decoding it; 0 x 0 when empty or
  // undecodable.
  int Width() const { return Size().cx; }
  int Height() const { return Size().cy; }
  SIZE Size() const;

  // Draws the picture into (x, y, width, height); nothing when empty or
  // undecodable. Throws "Could not allocate memory for image" when the bytes
  // find no memory to be decoded from.
  void Draw(HDC dc, int x, int y, int width, int height) const;
  void Draw(HDC dc, int x, int y) const {
    const SIZE s = Size();
    Draw(dc, x, y, s.cx, s.cy);
  }

  std::function<void()> OnChange;

 private:
  void Changed();
  std::string bytes_;
};

// Decodes BMP file bytes into a device-dependent bitmap; nullptr when invalid.
HBITMAP BitmapFromBmpBytes(const std::string& bytes);

// Draws `bitmap` stretched into the rectangle, leaving out every pixel of
// colour `key` (0x00BBGGRR).
void DrawBitmapTransparent(HDC dc, int x, int y, int width, int height, HBITMAP bitmap,
                           COLORREF key);
