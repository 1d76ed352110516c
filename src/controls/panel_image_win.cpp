#include "controls/panel_image_win.h"

#include <stdexcept>

#include "controls/image_bytes_win.h"
#include "controls/skin_panel_rules.h"

bool TPanelImage::LoadFromResource(int resource_id) {
  std::string bytes;
  if (!ResourceBytes(resource_id, bytes)) return false;
  Load(std::move(bytes));
  return true;
}

void TPanelImage::Load(std::string bytes) {
  bytes_ = std::move(bytes);
  empty_ = false;
  picture_.Reset();
  try {
    ComPtr<IStream> stream;
    switch (StreamOnBytes(bytes_, stream)) {
      case ImageStreamResult::kNoMemory: throw std::runtime_error("Could not allocate memory for image");
      case ImageStreamResult::kNoStream: throw std::runtime_error("Could not create image stream");
      case ImageStreamResult::kOk: break;
    }
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart == 0) {
      throw std::runtime_error("Empty image stream created");
    }
    ComPtr<IPicture> picture;
    const HRESULT hr = OleLoadPicture(stream.Get(), static_cast<LONG>(bytes_.size()), FALSE,
                                      IID_IPicture, reinterpret_cast<void**>(picture.GetAddressOf()));
    if (FAILED(hr)) throw std::runtime_error("Could not load image. Invalid format");
    if (!picture) throw std::runtime_error("Could not load image");
    picture_ = std::move(picture);
  } catch (...) {
    bytes_.clear();
    empty_ = true;
    throw;
  }
}

void TPanelImage::Changed() {
  if (OnChange) OnChange();
}

void TPanelImage::LoadFromStream(std::string bytes) {
  Load(std::move(bytes));
  Changed();
}

bool TPanelImage::LoadFromFile(const std::wstring& path) {
  std::string bytes;
  if (!FileBytes(path, bytes)) {
    Clear();
    return false;
  }
  try {
    Load(std::move(bytes));
  } catch (...) {
    Changed();  // it is empty now
    throw;
  }
  Changed();
  return true;
}

void TPanelImage::Assign(const TPanelImage& other) {
  if (&other == this) return;
  if (other.Empty()) {
    Clear();
    return;
  }
  LoadFromStream(other.bytes_);
}

void TPanelImage::AssignBitmap(HBITMAP bitmap) {
  const std::string bytes = BmpFileBytes(bitmap);
  if (bytes.empty()) {
    Clear();
    return;
  }
  LoadFromStream(bytes);
}

void TPanelImage::Clear() {
  bytes_.clear();
  empty_ = true;
  picture_.Reset();
  Changed();
}

int TPanelImage::Width() const {
  OLE_XSIZE_HIMETRIC w = 0;
  if (!picture_ || FAILED(picture_->get_Width(&w))) return 0;
  return HimetricToPixels(static_cast<int>(w));
}

int TPanelImage::Height() const {
  OLE_YSIZE_HIMETRIC h = 0;
  if (!picture_ || FAILED(picture_->get_Height(&h))) return 0;
  return HimetricToPixels(static_cast<int>(h));
}

void TPanelImage::Draw(HDC dc, const RECT& rect) const {
  if (!picture_) return;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  // The source starts at the bottom and runs up: the picture comes out upright.
  picture_->Render(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, h, w,
                   -h, nullptr);
}
