// The background panel under Wine: TPanelImage decoded by the OLE picture
// service (its errors, its 96-dpi size rule, its notifications) and the
// panel's painting (the form's picture over everything, fill and bevel around
// a smaller one, the positions, the children on top, the slider's thumb area).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/image_bytes_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "resources/resource_ids.h"
#include "ui_test_util.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

// The bytes of a w x h BMP in one colour.
std::string SolidBmp(int w, int h, COLORREF color) {
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> bmp = MakeDib32(w, h, &bits);
  auto* px = static_cast<uint32_t*>(bits);
  for (int i = 0; i < w * h; ++i) px[i] = GetBValue(color) | (GetGValue(color) << 8) | (GetRValue(color) << 16);
  return BmpFileBytes(bmp.Get());
}

// An enhanced metafile whose frame is w x h hundredths of a millimetre.
std::string MetafileOfExtent(int w, int h) {
  const RECT frame{0, 0, w, h};
  HDC mdc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  RECT r{0, 0, 10, 10};
  FillRect(mdc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HENHMETAFILE emf = CloseEnhMetaFile(mdc);
  std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(emf);
  return bytes;
}

std::string LoadError(TPanelImage& image, std::string bytes) {
  try {
    image.LoadFromStream(std::move(bytes));
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(none)";
}

// A panel on a form, shown; `picture` empty = the form's own picture.
struct PanelOnForm {
  TForm* form;
  TSkinPanel* panel;
  PanelOnForm(int w, int h, const std::string& picture = {}) {
    form = MakeForm(w + 40, h + 40, RgbColor(0, 0, 0));
    panel = new TSkinPanel(form);
    panel->SetParent(form);
    panel->SetBounds(20, 20, w, h);
    if (picture.empty()) {
      EXPECT_TRUE(panel->LoadBackgroundResource(IDR_SKINPANEL));
    } else {
      panel->Background().LoadFromStream(picture);
    }
  }
  ~PanelOnForm() { form->Free(); }
  void Render(TestSurface& s) {
    ::SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  }
};

}  // namespace

TEST(PanelImage, EachFailureRaisesItsTextAndLeavesThePictureEmpty) {
  const struct {
    std::string bytes;
    const char* error;
  } cases[] = {
      {"", "Empty image stream created"},
      {"this is no picture at all", "Could not load image. Invalid format"},
      {std::string("BM") + std::string(60, '\x01'), "Could not load image. Invalid format"},
  };
  for (const auto& c : cases) {
    TPanelImage image;
    image.LoadFromStream(SolidBmp(4, 4, kRed));
    ASSERT_FALSE(image.Empty());
    EXPECT_EQ(LoadError(image, c.bytes), c.error) << c.bytes.size() << " bytes";
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
  }
  // Files: a missing one leaves the picture empty; an empty one fails to decode.
  TPanelImage image;
  EXPECT_FALSE(image.LoadFromFile(L"Z:\\nonexistent\\volnar-no-picture.bmp"));
  EXPECT_TRUE(image.Empty());
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"vnp", 0, path);  // made empty
  try {
    image.LoadFromFile(path);
    ADD_FAILURE() << "an empty file decoded";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Empty image stream created");
  }
  EXPECT_TRUE(image.Empty());
  DeleteFileW(path);
}

TEST(PanelImage, SizeIsTheExtentAt96DotsPerInch) {
  const struct {
    std::string bytes;
    int w, h;
  } cases[] = {
      {SolidBmp(427, 39, kRed), 427, 39},
      {SolidBmp(1, 1, kRed), 1, 1},
      {MetafileOfExtent(2540, 1270), 96, 48},  // 1 x 0.5 inch
      {MetafileOfExtent(1000, 500), 38, 19},   // 37.8 and 18.9 pixels
  };
  for (const auto& c : cases) {
    TPanelImage image;
    image.LoadFromStream(c.bytes);
    EXPECT_EQ(image.Width(), c.w) << c.w;
    EXPECT_EQ(image.Height(), c.h) << c.h;
  }
}

TEST(PanelImage, NotificationsAndCopies) {
  TPanelImage image;
  int changes = 0;
  image.OnChange = [&] { ++changes; };
  ASSERT_TRUE(image.LoadFromResource(IDR_SKINPANEL));
  EXPECT_EQ(changes, 0) << "the form's picture is read without a notification";
  EXPECT_EQ(image.Width(), 427);
  TPanelImage copy;
  copy.Assign(image);
  EXPECT_EQ(copy.Bytes(), image.Bytes());
  image.LoadFromStream(SolidBmp(8, 8, kRed));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.Width(), 427) << "copies are independent";
  image.Clear();
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(changes, 2);
  copy.Assign(image);
  EXPECT_TRUE(copy.Empty()) << "assigning an empty holder empties";
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> bmp = MakeDib32(12, 5, &bits);
  image.AssignBitmap(bmp.Get());
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(image.Bytes().substr(0, 2), "BM");
  EXPECT_EQ(image.Width(), 12);
  EXPECT_EQ(image.Height(), 5);
}

TEST(SkinPanelPaint, TheFormsPictureCoversThePanelWithNoFillOrBevelLeft) {
  PanelOnForm p(427, 39);
  TestSurface panel(427, 39, RGB(1, 2, 3)), picture(427, 39, RGB(1, 2, 3));
  p.Render(panel);
  p.panel->Background().Draw(picture.Dc(), 0, 0);
  int differ = 0;
  for (int y = 0; y < 39; ++y)
    for (int x = 0; x < 427; ++x) differ += panel.At(x, y) != picture.At(x, y);
  EXPECT_EQ(differ, 0) << "pixels that are not the picture's";
  // The picture itself as drawn: its light fill and groove, no system colours
  // at the bevel's places.
  EXPECT_EQ(panel.At(100, 20), RGB(248, 248, 248));
  for (POINT at : {POINT{100, 0}, POINT{0, 20}, POINT{100, 38}, POINT{426, 20}}) {
    EXPECT_NE(panel.At(at.x, at.y), GetSysColor(COLOR_BTNHIGHLIGHT)) << at.x << "," << at.y;
    EXPECT_NE(panel.At(at.x, at.y), GetSysColor(COLOR_BTNSHADOW)) << at.x << "," << at.y;
    EXPECT_NE(panel.At(at.x, at.y), GetSysColor(COLOR_BTNFACE)) << at.x << "," << at.y;
  }
  // Unbuffered painting gives the same picture.
  p.panel->SetBuffered(false);
  TestSurface direct(427, 39, RGB(1, 2, 3));
  p.Render(direct);
  EXPECT_EQ(direct.Count(RGB(1, 2, 3), RECT{0, 0, 427, 39}, true), 0);
  EXPECT_EQ(direct.At(300, 12), panel.At(300, 12));
}

TEST(SkinPanelPaint, ASmallerPictureLeavesTheFillAndRaisedBevelAroundIt) {
  PanelOnForm p(200, 40, SolidBmp(100, 20, kRed));
  const COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                 dark = GetSysColor(COLOR_BTNSHADOW);
  const struct {
    TBackGroundPosition position;
    std::vector<std::pair<POINT, COLORREF>> pixels;
  } cases[] = {
      {bpTopLeft, {{{0, 0}, kRed}, {{99, 19}, kRed}, {{100, 10}, face}, {{100, 0}, light}, {{150, 20}, face},
                   {{150, 0}, light}, {{0, 30}, light}, {{150, 39}, dark}, {{199, 20}, dark}}},
      {bpBottomRight, {{{99, 19}, kRed}, {{198, 38}, kRed}, {{98, 19}, face}, {{99, 18}, face},
                       {{199, 39}, dark}, {{50, 0}, light}}},
      {bpCenter, {{{49, 9}, kRed}, {{148, 28}, kRed}, {{48, 9}, face}, {{149, 28}, face}}},
      {bpTiled, {{{0, 0}, kRed}, {{150, 30}, kRed}, {{199, 39}, kRed}}},
      {bpStretched, {{{199, 39}, kRed}, {{0, 39}, kRed}}},
  };
  for (const auto& c : cases) {
    p.panel->SetBackgroundPosition(c.position);
    TestSurface s(200, 40, RGB(1, 2, 3));
    p.Render(s);
    for (const auto& [at, colour] : c.pixels)
      EXPECT_EQ(s.At(at.x, at.y), colour) << "position " << c.position << " at " << at.x << "," << at.y;
  }
}

TEST(SkinPanelPaint, ChildrenOnTopAndALongLabelClippedToItsBoxWithoutBackground) {
  PanelOnForm p(427, 39);
  auto* label = new TLabel(p.form);
  label->SetParent(p.panel);
  label->SetBounds(205, 19, 220, 13);
  label->Font().SetColor(RgbColor(0x7B, 0xD7, 0xFA));
  label->SetCaption(std::string(20, 'W') + " - очень длинное название станции");
  TestSurface panel(427, 39, RGB(1, 2, 3)), picture(427, 39, RGB(1, 2, 3));
  p.Render(panel);
  p.panel->Background().Draw(picture.Dc(), 0, 0);
  const RECT box{205, 19, 425, 32};
  int outside = 0, inside = 0;
  for (int y = 0; y < 39; ++y) {
    for (int x = 0; x < 427; ++x) {
      const bool differs = panel.At(x, y) != picture.At(x, y);
      if (PtInRect(&box, POINT{x, y})) inside += differs;
      else outside += differs;
    }
  }
  EXPECT_EQ(outside, 0) << "nothing outside the label's box";
  EXPECT_GT(inside, 50) << "its text inside";
  EXPECT_EQ(panel.At(205, 31), picture.At(205, 31)) << "no background of its own";
}

TEST(SkinPanelPaint, AssignmentRepaintsAndAResizeRepaintsAtOnce) {
  PanelOnForm p(200, 40, SolidBmp(100, 20, kRed));
  p.form->Show();
  HWND h = p.panel->Handle();
  PumpMessages();
  ::ValidateRect(h, nullptr);
  RECT pending{};
  p.panel->Background().LoadFromStream(SolidBmp(50, 10, kRed));
  EXPECT_TRUE(::GetUpdateRect(h, &pending, FALSE)) << "a new picture repaints";
  PumpMessages();
  int paints = 0;
  p.panel->OnPaint = [&](TObject* sender, HDC, const RECT& r) {
    EXPECT_EQ(sender, p.panel);
    EXPECT_EQ(r.right, p.panel->Width());
    ++paints;
  };
  p.panel->SetBounds(20, 20, 180, 36);
  EXPECT_GE(paints, 1) << "painted during the resize, before any paint message";
}

TEST(SkinPanelPaint, TheSlidersOldThumbAreaShowsThePanelPictureAfterAMove) {
  PanelOnForm p(427, 39);
  p.form->SetBounds(40, 40, 467, 79);
  auto* slider = new TSkinTrackBar(p.form);
  slider->SetParent(p.panel);
  slider->SetBounds(218, -4, 166, 21);
  slider->LoadValues(0, 100, 50);
  ASSERT_TRUE(slider->ThumbPicture().LoadFromResource(IDR_THUMB));
  slider->ApplyThumbSize();
  p.form->Show();
  ::UpdateWindow(p.form->Handle());
  PumpMessages();
  slider->SetPosition(0);  // the thumb leaves (71, 13)-(94, 21)
  ::UpdateWindow(slider->Handle());
  TestSurface screen(166, 21, RGB(1, 2, 3)), picture(427, 39, RGB(1, 2, 3));
  {
    ScopedGetDC dc(slider->Handle());
    ::BitBlt(screen.Dc(), 0, 0, 166, 21, dc, 0, 0, SRCCOPY);
  }
  p.panel->Background().Draw(picture.Dc(), 0, 0);
  int differ = 0;
  for (int y = 13; y < 21; ++y)
    for (int x = 70; x < 95; ++x) differ += screen.At(x, y) != picture.At(x + 218, y - 4);
  EXPECT_EQ(differ, 0) << "pixels of the old thumb area that are not the panel picture's";
  EXPECT_NE(screen.At(10, 16), picture.At(228, 12)) << "the thumb is at 0 now";
}
