#include "controls/image_bytes_win.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <vector>

bool GdiPlusReady() {
  static const bool ready = [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    // Never shut down: pictures may still be drawn while the program ends.
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return ready;
}

ImageStreamResult StreamOnBytes(const std::string& bytes, ComPtr<IStream>& stream) {
  stream.Reset();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return ImageStreamResult::kNoMemory;
  if (!bytes.empty()) {
    void* p = GlobalLock(memory);
    if (!p) {
      GlobalFree(memory);
      return ImageStreamResult::kNoMemory;
    }
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(memory);
  }
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)) || !stream) {
    stream.Reset();
    GlobalFree(memory);
    return ImageStreamResult::kNoStream;
  }
  return ImageStreamResult::kOk;
}

bool ResourceBytes(int resource_id, std::string& bytes) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes.assign(static_cast<const char*>(data), SizeofResource(module, found));
  return true;
}

bool FileBytes(const std::wstring& path, std::string& bytes) {
  bytes.clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  UniqueHandle owner(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart >= (1LL << 30)) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())) {
    bytes.clear();
    return false;
  }
  return true;
}

std::string BmpFileBytes(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObject(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0)
    return {};
  const int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = w;
  header.biHeight = h;  // bottom-up, as BMP files usually are
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD row = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  header.biSizeImage = row * h;
  std::vector<char> pixels(header.biSizeImage);
  {
    ScopedGetDC screen(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = header;
    if (GetDIBits(screen, bitmap, 0, h, pixels.data(), &bi, DIB_RGB_COLORS) != h) return {};
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(pixels.data(), pixels.size());
  return bytes;
}
