// Painting under Wine: non-windowed children painted by their parent at their
// place and in z-order, painting through the parent into a child's context,
// the form's canvas, pictures, and the real paint message.
#include <cstdint>

#include "ui_test_util.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kPrefill = RGB(1, 2, 3);

TLabel* AddLabel(TWinControl* parent, int l, int t, int w, int h, TColor color) {
  auto* label = new TLabel(parent);
  label->SetParent(parent);
  label->SetBounds(l, t, w, h);
  label->SetTransparent(false);
  label->SetColor(color);
  return label;
}

// A bitmap of w x h in one colour.
UniqueGdiObj<HBITMAP> SolidBitmap(int w, int h, COLORREF color) {
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> bmp = MakeDib32(w, h, &bits);
  auto* px = static_cast<uint32_t*>(bits);
  const uint32_t bgra = GetBValue(color) | (GetGValue(color) << 8) | (GetRValue(color) << 16);
  for (int i = 0; i < w * h; ++i) px[i] = bgra;
  return bmp;
}

TEST(UiPaint, LabelsArePaintedByTheirParentAtTheirPlaceInZOrder) {
  TForm* form = MakeForm(120, 80, RgbColor(0, 0, 255));
  AddLabel(form, 30, 20, 40, 16, RgbColor(255, 0, 0));
  AddLabel(form, 60, 30, 20, 20, RgbColor(0, 255, 0));  // later: above the red one
  TLabel* hidden = AddLabel(form, 0, 0, 10, 10, RgbColor(255, 255, 0));
  hidden->Hide();

  TestSurface s(120, 80, kPrefill);
  ::SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  const struct {
    int x, y;
    COLORREF c;
  } rows[] = {
      {30, 20, kRed},  {59, 35, kRed},   {29, 20, kBlue}, {30, 19, kBlue}, {70, 25, kBlue},
      {35, 36, kBlue}, {60, 30, kGreen}, {65, 35, kGreen}, {79, 49, kGreen}, {80, 49, kBlue},
      {0, 0, kBlue},   {119, 79, kBlue},
  };
  for (const auto& r : rows) EXPECT_EQ(s.At(r.x, r.y), r.c) << r.x << "," << r.y;
  form->Free();
}

TEST(UiPaint, ATransparentLabelDrawsOnlyItsTextClippedToItsBox) {
  TForm* form = MakeForm(200, 60, RgbColor(0, 0, 255));
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(20, 10, 60, 30);
  label->Font().SetHeight(-28);
  label->Font().SetStyle(fsBold);
  label->Font().SetColor(RgbColor(255, 0, 0));
  label->SetCaption("ЖЖЖЖЖЖЖЖ");  // far wider than the box

  TestSurface s(200, 60, kPrefill);
  ::SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  const RECT box{20, 10, 80, 40};
  EXPECT_GT(s.Count(kRed, box, true), 40);   // glyph pixels inside
  EXPECT_EQ(s.Count(kRed, box, false), 0);   // none outside the box
  EXPECT_EQ(s.At(21, 11), kBlue);            // no background of its own
  EXPECT_EQ(s.Count(kPrefill, RECT{0, 0, 200, 60}, true), 0);

  label->Hide();
  TestSurface s2(200, 60, kPrefill);
  ::SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s2.Dc()), PRF_CLIENT);
  EXPECT_EQ(s2.Count(kRed, box, true), 0);
  form->Free();
}

// A windowed child that paints what lies under it through its parent.
class SeeThrough : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
};

TEST(UiPaint, AParentPaintsItsBackgroundAndGraphicChildrenIntoAChildsContext) {
  TForm* form = MakeForm(200, 100, RgbColor(0, 0, 0));
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(10, 10, 150, 60);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(RgbColor(255, 255, 0));
  AddLabel(panel, 10, 5, 20, 10, RgbColor(255, 0, 0));  // panel (10,5)-(30,15)
  auto* child = new SeeThrough(form);
  child->SetParent(panel);
  child->SetBounds(5, 0, 50, 30);
  child->Handle();

  TestSurface s(80, 40, kPrefill);
  panel->PaintBackgroundInto(s.Dc(), child);
  const struct {
    int x, y;
    COLORREF c;
  } rows[] = {
      {5, 5, kRed},       {24, 14, kRed},   {4, 5, kYellow}, {25, 5, kYellow}, {5, 15, kYellow},
      {0, 0, kYellow},    {49, 29, kYellow},
      {50, 5, kPrefill},  {5, 30, kPrefill}, {79, 39, kPrefill},  // outside the child: untouched
  };
  for (const auto& r : rows) EXPECT_EQ(s.At(r.x, r.y), r.c) << r.x << "," << r.y;

  // The pieces of the protocol one by one: erase and paint with the child's
  // DC paint the panel only; the graphic children come from PaintGraphicChildren.
  TestSurface s2(150, 60, kPrefill);
  ::SendMessageW(panel->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(s2.Dc()), 0);
  ::SendMessageW(panel->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(s2.Dc()), 0);
  EXPECT_EQ(s2.At(15, 8), kYellow);
  panel->PaintGraphicChildren(s2.Dc());
  EXPECT_EQ(s2.At(15, 8), kRed);
  form->Free();
}

TEST(UiPaint, FormCanvasLinesLeaveTheirEndPointAndPixelsAreSet) {
  TForm* form = MakeForm(60, 40, RgbColor(255, 255, 255));
  form->OnPaint = [form](TObject*) {
    TCanvas& c = form->Canvas();
    c.SetPenColor(RgbColor(255, 0, 0));
    c.MoveTo(0, 13);
    c.LineTo(60, 13);
    c.SetPenColor(RgbColor(0, 0, 255));
    c.MoveTo(0, 20);
    c.LineTo(10, 20);
    c.SetPixel(30, 30, RgbColor(0, 255, 0));
  };
  auto* over = AddLabel(form, 50, 0, 10, 40, RgbColor(0, 0, 0));  // children paint over OnPaint
  (void)over;
  TestSurface s(60, 40, kPrefill);
  ::SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  EXPECT_EQ(s.At(0, 13), kRed);
  EXPECT_EQ(s.At(49, 13), kRed);
  EXPECT_EQ(s.At(50, 13), kBlack);
  EXPECT_EQ(s.At(9, 20), kBlue);
  EXPECT_EQ(s.At(10, 20), RGB(255, 255, 255));  // the end point is not painted
  EXPECT_EQ(s.At(30, 30), kGreen);
  EXPECT_EQ(s.At(30, 31), RGB(255, 255, 255));
  form->Free();
}

TEST(UiPaint, ImagesDrawTheirPictureUnstretchedOrStretchedAndCopiesAreIndependent) {
  TForm* form = MakeForm(100, 60, RgbColor(0, 0, 0));
  auto* a = new TImage(form);
  a->SetParent(form);
  a->SetBounds(5, 5, 30, 30);
  a->Picture().SetBitmap(SolidBitmap(10, 8, kGreen));
  EXPECT_EQ(a->Picture().Width(), 10);
  EXPECT_EQ(a->Picture().Height(), 8);
  auto* b = new TImage(form);
  b->SetParent(form);
  b->SetBounds(50, 5, 40, 40);
  b->SetStretch(true);
  b->Picture().Assign(a->Picture());
  a->Picture().SetBitmap(SolidBitmap(10, 8, kRed));  // the copy keeps green

  TestSurface s(100, 60, kPrefill);
  ::SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  EXPECT_EQ(s.At(5, 5), kRed);
  EXPECT_EQ(s.At(14, 12), kRed);
  EXPECT_EQ(s.At(15, 12), kBlack);  // not stretched: 10 x 8 only
  EXPECT_EQ(s.At(14, 13), kBlack);
  EXPECT_EQ(s.At(50, 5), kGreen);
  EXPECT_EQ(s.At(89, 44), kGreen);  // stretched to 40 x 40
  EXPECT_EQ(s.At(90, 44), kBlack);

  b->Picture().Clear();
  EXPECT_TRUE(b->Picture().Empty());
  form->Free();
}

TEST(UiPaint, TheRealPaintMessageComposesTheSameImageOnScreen) {
  TForm* form = MakeForm(100, 60, RgbColor(0, 0, 255));
  AddLabel(form, 10, 10, 20, 20, RgbColor(255, 0, 0));
  form->Show();
  ::UpdateWindow(form->Handle());
  PumpMessages();
  TestSurface s(100, 60, kPrefill);
  {  // what the window shows now
    ScopedGetDC dc(form->Handle());
    ::BitBlt(s.Dc(), 0, 0, 100, 60, dc, 0, 0, SRCCOPY);
  }
  EXPECT_EQ(s.At(15, 15), kRed);
  EXPECT_EQ(s.At(5, 5), kBlue);
  EXPECT_EQ(s.At(50, 50), kBlue);
  form->Free();
}

TEST(UiPaint, PanelFillsWithItsColourAndDrawsItsBevel) {
  TForm* form = MakeForm(100, 60, RgbColor(0, 0, 0));
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 50, 30);
  panel->SetColor(RgbColor(255, 255, 0));
  TestSurface s(50, 30, kPrefill);
  ::SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  EXPECT_EQ(s.At(25, 15), kYellow);
  EXPECT_NE(s.At(0, 0), kYellow);  // raised bevel by default
  panel->SetBevelOuter(bvNone);
  TestSurface s2(50, 30, kPrefill);
  ::SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s2.Dc()), PRF_CLIENT);
  EXPECT_EQ(s2.At(0, 0), kYellow);
  EXPECT_EQ(s2.At(49, 29), kYellow);
  form->Free();
}

}  // namespace
