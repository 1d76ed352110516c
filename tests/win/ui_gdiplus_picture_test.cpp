// TGdiPlusPicture under Wine: bytes kept as they are, size read by decoding,
// BMPs drawn with their bottom-left colour left out, other formats drawn with
// their own alpha, and its loading and copying rules.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/gdiplus_picture_win.h"
#include "controls/image_bytes_win.h"
#include "ui_test_util.h"

namespace {

// A w x h 32-bit ARGB picture encoded by GDI+ as `mime` ("image/png"), pixels from `at`.
template <class F>
std::string Encoded(const wchar_t* mime, int w, int h, F at) {
  if (!GdiPlusReady()) return {};
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<char> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  const CLSID* clsid = nullptr;
  for (UINT i = 0; i < count; ++i)
    if (std::wstring(codecs[i].MimeType) == mime) clsid = &codecs[i].Clsid;
  if (!clsid) return {};
  Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, at(x, y));
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return {};
  if (bitmap.Save(stream.Get(), clsid, nullptr) != Gdiplus::Ok) return {};
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  return bytes;
}

std::string BmpOf(int w, int h, COLORREF fill, COLORREF bottom_left) {
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> bmp = MakeDib32(w, h, &bits);
  auto bgr = [](COLORREF c) { return GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16); };
  auto* px = static_cast<uint32_t*>(bits);
  for (int i = 0; i < w * h; ++i) px[i] = bgr(fill);
  px[(h - 1) * w] = bgr(bottom_left);  // top-down DIB: the last row is the bottom one
  return BmpFileBytes(bmp.Get());
}

}  // namespace

TEST(GdiPlusPicture, ABmpLeavesOutItsBottomLeftColourEverywhere) {
  TGdiPlusPicture picture;
  picture.LoadFromBytes(BmpOf(6, 4, RGB(0, 0, 200), RGB(0, 200, 0)));
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(picture.Height(), 4);
  TestSurface s(10, 10, RGB(9, 9, 9));
  picture.Draw(s.Dc(), 2, 3);
  EXPECT_EQ(s.At(2, 6), RGB(9, 9, 9)) << "the bottom-left pixel: the key";
  EXPECT_EQ(s.At(2, 3), RGB(0, 0, 200));
  EXPECT_EQ(s.At(7, 6), RGB(0, 0, 200));
  EXPECT_EQ(s.At(8, 6), RGB(9, 9, 9)) << "outside";
  // Stretched into a larger rectangle.
  TestSurface big(20, 20, RGB(9, 9, 9));
  picture.Draw(big.Dc(), 0, 0, 12, 8);
  EXPECT_EQ(big.At(11, 7), RGB(0, 0, 200));
  EXPECT_EQ(big.At(0, 7), RGB(9, 9, 9));
  EXPECT_EQ(big.At(12, 7), RGB(9, 9, 9));
}

TEST(GdiPlusPicture, OtherFormatsAreDrawnWithTheirOwnAlpha) {
  // Opaque blue with a half-transparent red column and a transparent corner;
  // its bottom-left pixel is blue like the rest and stays drawn.
  const std::string png = Encoded(L"image/png", 4, 4, [](int x, int y) {
    if (x == 3) return Gdiplus::Color(128, 255, 0, 0);
    if (x == 2 && y == 0) return Gdiplus::Color(0, 0, 0, 0);
    return Gdiplus::Color(255, 0, 0, 255);
  });
  if (png.empty()) GTEST_SKIP() << "no PNG encoder here";
  TGdiPlusPicture picture;
  picture.LoadFromBytes(png);
  EXPECT_EQ(picture.Bytes(), png) << "kept as they are";
  EXPECT_EQ(picture.Width(), 4);
  TestSurface s(4, 4, RGB(255, 255, 255));
  picture.Draw(s.Dc(), 0, 0);
  EXPECT_EQ(s.At(0, 3), RGB(0, 0, 255)) << "no key colour for a PNG";
  EXPECT_EQ(s.At(2, 0), RGB(255, 255, 255)) << "transparent: not drawn";
  const COLORREF half = s.At(3, 2);
  EXPECT_EQ(GetRValue(half), 255);
  EXPECT_NEAR(GetGValue(half), 127, 3) << "half red over white";
}

TEST(GdiPlusPicture, LoadingCopyingAndTheirNotifications) {
  TGdiPlusPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  const std::string bmp = BmpOf(3, 2, RGB(1, 2, 3), RGB(4, 5, 6));
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"vgp", 0, path);
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr);
  CloseHandle(f);
  EXPECT_TRUE(picture.LoadFromFile(path));
  DeleteFileW(path);
  EXPECT_EQ(picture.Bytes(), bmp);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(picture.LoadFromFile(path)) << "gone now";
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(changes, 2);
  TGdiPlusPicture copy;
  copy.LoadFromBytes(bmp);
  picture.Assign(copy);
  EXPECT_EQ(picture.Bytes(), bmp);
  EXPECT_EQ(changes, 3);
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> plain = MakeDib32(7, 5, &bits);
  picture.AssignBitmap(plain.Get());
  EXPECT_EQ(picture.Bytes().substr(0, 2), "BM") << "a plain bitmap is stored as BMP bytes";
  EXPECT_EQ(picture.Width(), 7);
  EXPECT_EQ(picture.Height(), 5);
  picture.Clear();
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(changes, 5);
  TestSurface s(4, 4, RGB(9, 9, 9));
  picture.Draw(s.Dc(), 0, 0, 4, 4);
  EXPECT_EQ(s.At(1, 1), RGB(9, 9, 9)) << "an empty picture draws nothing";
}
