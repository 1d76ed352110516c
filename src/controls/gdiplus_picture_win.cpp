#include "controls/gdiplus_picture_win.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <stdexcept>

#include "controls/image_bytes_win.h"
#include "ui/gdi_handles_win.h"

namespace {

struct BmpView {
  const BITMAPINFOHEADER* info = nullptr;
  const void* bits = nullptr;
};

bool ViewBmp(const std::string& bytes, BmpView& view) {
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes.data(), sizeof(file));
  if (file.bfType != 0x4D42 || file.bfOffBits >= bytes.size()) return false;
  view.info = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + sizeof(BITMAPFILEHEADER));
  if (view.info->biSize < sizeof(BITMAPINFOHEADER)) return false;
  view.bits = bytes.data() + file.bfOffBits;
  return true;
}

}  // namespace

HBITMAP BitmapFromBmpBytes(const std::string& bytes) {
  BmpView view;
  if (!ViewBmp(bytes, view)) return nullptr;
  ScopedGetDC screen(nullptr);
  return CreateDIBitmap(screen, view.info, CBM_INIT, view.bits,
                        reinterpret_cast<const BITMAPINFO*>(view.info), DIB_RGB_COLORS);
}

void DrawBitmapTransparent(HDC dc, int x, int y, int width, int height, HBITMAP bitmap,
                           COLORREF key) {
  BITMAP info{};
  if (!GetObject(bitmap, sizeof(info), &info)) return;
  const int w = info.bmWidth;
  const int h = info.bmHeight;
  UniqueHdc image_dc(CreateCompatibleDC(dc));
  UniqueHdc mask_dc(CreateCompatibleDC(dc));
  UniqueGdiObj<HBITMAP> mask(CreateBitmap(w, h, 1, 1, nullptr));
  // A copy of the picture whose key pixels become black, for the OR step.
  UniqueGdiObj<HBITMAP> masked(CreateCompatibleBitmap(dc, w, h));
  UniqueHdc masked_dc(CreateCompatibleDC(dc));
  if (!image_dc || !mask_dc || !mask || !masked || !masked_dc) return;
  ScopedSelectObject select_image(image_dc.Get(), bitmap);
  ScopedSelectObject select_mask(mask_dc.Get(), mask.Get());
  ScopedSelectObject select_masked(masked_dc.Get(), masked.Get());

  // Mask: 1 (white) where the picture has the key colour, 0 elsewhere.
  SetBkColor(image_dc.Get(), key);
  BitBlt(mask_dc.Get(), 0, 0, w, h, image_dc.Get(), 0, 0, SRCCOPY);
  // Picture with key pixels black: picture AND NOT mask.
  BitBlt(masked_dc.Get(), 0, 0, w, h, image_dc.Get(), 0, 0, SRCCOPY);
  // Mono to colour: 1 bits become the background colour, 0 bits the text colour.
  SetBkColor(masked_dc.Get(), RGB(255, 255, 255));
  SetTextColor(masked_dc.Get(), RGB(0, 0, 0));
  BitBlt(masked_dc.Get(), 0, 0, w, h, mask_dc.Get(), 0, 0, 0x00220326);  // DSna

  // Target: keep it where the mask is 1, black elsewhere; then OR the picture in.
  const COLORREF old_bk = SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF old_text = SetTextColor(dc, RGB(0, 0, 0));
  const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, x, y, width, height, mask_dc.Get(), 0, 0, w, h, SRCAND);
  StretchBlt(dc, x, y, width, height, masked_dc.Get(), 0, 0, w, h, SRCPAINT);
  SetStretchBltMode(dc, old_mode);
  SetBkColor(dc, old_bk);
  SetTextColor(dc, old_text);
}

bool TGdiPlusPicture::LoadFromResource(int resource_id) { return ResourceBytes(resource_id, bytes_); }

void TGdiPlusPicture::Changed() {
  if (OnChange) OnChange();
}

void TGdiPlusPicture::LoadFromBytes(std::string bytes) {
  bytes_ = std::move(bytes);
  Changed();
}

bool TGdiPlusPicture::LoadFromFile(const std::wstring& path) {
  std::string bytes;
  const bool ok = FileBytes(path, bytes) && !bytes.empty();
  LoadFromBytes(ok ? std::move(bytes) : std::string());
  return ok;
}

void TGdiPlusPicture::Assign(const TGdiPlusPicture& other) {
  if (&other == this) return;
  LoadFromBytes(other.bytes_);
}

void TGdiPlusPicture::AssignBitmap(HBITMAP bitmap) { LoadFromBytes(BmpFileBytes(bitmap)); }

void TGdiPlusPicture::Clear() { LoadFromBytes({}); }

SIZE TGdiPlusPicture::Size() const {
  if (Empty() || !GdiPlusReady()) return {0, 0};
  ComPtr<IStream> stream;
  if (StreamOnBytes(bytes_, stream) != ImageStreamResult::kOk) return {0, 0};
  Gdiplus::Bitmap image(stream.Get());
  if (image.GetLastStatus() != Gdiplus::Ok) return {0, 0};
  return {static_cast<LONG>(image.GetWidth()), static_cast<LONG>(image.GetHeight())};
}

void TGdiPlusPicture::Draw(HDC dc, int x, int y, int width, int height) const {
  if (Empty()) return;
  ComPtr<IStream> stream;
  if (StreamOnBytes(bytes_, stream) == ImageStreamResult::kNoMemory) {
    throw std::runtime_error("Could not allocate memory for image");
  }
  if (!stream || !GdiPlusReady()) return;
  Gdiplus::Bitmap image(stream.Get());
  if (image.GetLastStatus() != Gdiplus::Ok) return;
  GUID format{};
  image.GetRawFormat(&format);
  if (format == Gdiplus::ImageFormatBMP) {
    UniqueGdiObj<HBITMAP> bitmap(BitmapFromBmpBytes(bytes_));
    if (!bitmap) return;
    // The key is the bottom-left pixel's colour.
    UniqueHdc probe(CreateCompatibleDC(dc));
    BITMAP info{};
    GetObject(bitmap.Get(), sizeof(info), &info);
    COLORREF key;
    {
      ScopedSelectObject select(probe.Get(), bitmap.Get());
      key = GetPixel(probe.Get(), 0, info.bmHeight - 1);
    }
    DrawBitmapTransparent(dc, x, y, width, height, bitmap.Get(), key);
    return;
  }
  Gdiplus::Graphics graphics(dc);
  graphics.DrawImage(&image, x, y, width, height);
}
