// The volume slider under Wine as the window configures it (166 x 21 on the
// panel picture, 0..100, a 23 x 8 thumb): click-stepping with the repeat
// timer driven tick by tick, dragging, thumb states and pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/image_bytes_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "resources/resource_ids.h"
#include "ui_test_util.h"

namespace {

// A 23 x 8 BMP thumb in one colour with (248, 248, 248) corners.
std::string ThumbBmp(COLORREF color) {
  void* bits = nullptr;
  UniqueGdiObj<HBITMAP> bmp = MakeDib32(23, 8, &bits);
  auto* px = static_cast<uint32_t*>(bits);
  auto bgr = [](COLORREF c) { return GetBValue(c) | (GetGValue(c) << 8) | (GetRValue(c) << 16); };
  for (int i = 0; i < 23 * 8; ++i) px[i] = bgr(color);
  for (int i : {0, 22, 7 * 23, 7 * 23 + 22}) px[i] = bgr(RGB(248, 248, 248));
  return BmpFileBytes(bmp.Get());
}

struct Slider {
  TForm* form;
  TSkinPanel* panel;
  TSkinTrackBar* slider;
  std::vector<int> changes;

  Slider() {
    form = MakeForm(500, 100, RgbColor(0, 0, 0));
    panel = new TSkinPanel(form);
    panel->SetParent(form);
    panel->SetBounds(27, 20, 427, 39);
    EXPECT_TRUE(panel->LoadBackgroundResource(IDR_SKINPANEL));
    slider = new TSkinTrackBar(form);
    slider->SetParent(panel);
    slider->SetBounds(218, -4, 166, 21);
    slider->LoadValues(0, 100, 50);
    EXPECT_TRUE(slider->ThumbPicture().LoadFromResource(IDR_THUMB));
    EXPECT_TRUE(slider->ThumbPictureHot().LoadFromResource(IDR_THUMB));
    EXPECT_TRUE(slider->ThumbPictureDown().LoadFromResource(IDR_THUMB));
    slider->ApplyThumbSize();
    slider->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, slider);
      changes.push_back(slider->Position());
    };
  }
  ~Slider() { form->Free(); }
  HWND H() { return slider->Handle(); }
  void Render(TestSurface& s) {
    ::SendMessageW(H(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
  }
  // Ticks the repeat timer until the position stops moving (at most `limit` ticks).
  int TickUntilStill(int limit = 200) {
    int ticks = 0;
    for (int last = -1; ticks < limit && slider->Position() != last; ++ticks) {
      last = slider->Position();
      slider->RepeatTick();
    }
    return ticks;
  }
};

}  // namespace

TEST(SkinTrackBarStepping, AHeldPressStepsAtOnceThenAfter400ThenEvery100AndStopsAtThePressPoint) {
  const struct {
    int press_x, stop, left_edge;
  } cases[] = {{120, 85, 119}, {20, 12, 19}};
  for (const auto& c : cases) {
    Slider s;
    HWND h = s.H();
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(c.press_x, 15));
    ASSERT_EQ(s.changes.size(), 1u) << "one step at once";
    EXPECT_EQ(s.changes[0], c.press_x > 71 ? 51 : 49);
    const TTimer* timer = s.slider->RepeatTimer();
    ASSERT_NE(timer, nullptr) << "made at the first stepping press";
    EXPECT_TRUE(timer->Running());
    EXPECT_EQ(timer->Interval(), 400u);
    s.slider->RepeatTick();
    EXPECT_EQ(timer->Interval(), 100u) << "later repeats every 100 ms";
    EXPECT_EQ(s.changes.size(), 2u);
    s.TickUntilStill();
    EXPECT_EQ(s.slider->Position(), c.stop) << c.press_x;
    EXPECT_EQ(s.slider->Core().ThumbRect().left, c.left_edge) << c.press_x;
    EXPECT_TRUE(timer->Running()) << "runs until the release";
    ::SendMessageW(h, WM_LBUTTONUP, 0, Point(c.press_x, 15));
    EXPECT_FALSE(timer->Running());
    EXPECT_FALSE(s.slider->Stepping());
  }
}

TEST(SkinTrackBarStepping, APressPastTheEndRaisesOnChangeOnEveryTickAtTheBound) {
  Slider s;
  ::SendMessageW(s.H(), WM_LBUTTONDOWN, MK_LBUTTON, Point(160, 15));
  for (int i = 0; i < 60; ++i) s.slider->RepeatTick();
  ASSERT_EQ(s.slider->Position(), 100);
  s.changes.clear();
  for (int i = 0; i < 3; ++i) s.slider->RepeatTick();
  EXPECT_EQ(s.changes, (std::vector<int>{100, 100, 100}));
  // Without the mouse capture a tick does nothing, and the timer goes on.
  ::ReleaseCapture();
  s.changes.clear();
  s.slider->RepeatTick();
  EXPECT_TRUE(s.changes.empty());
  EXPECT_TRUE(s.slider->RepeatTimer()->Running());
  ::SendMessageW(s.H(), WM_LBUTTONUP, 0, Point(160, 15));
  EXPECT_FALSE(s.slider->RepeatTimer()->Running());
  s.slider->RepeatTick();
  EXPECT_TRUE(s.changes.empty()) << "released: stepping is over";
}

TEST(SkinTrackBarDrag, ThePointerDrivesTheValueClampedAndAReleaseOutsideEndsIt) {
  Slider s;
  HWND h = s.H();
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(80, 15));  // on the thumb at 50
  EXPECT_TRUE(s.slider->Dragging());
  EXPECT_TRUE(s.slider->ThumbDown());
  EXPECT_TRUE(s.changes.empty()) << "a press on the thumb changes nothing";
  const struct {
    int x, value;
  } moves[] = {{14, 0}, {151, 100}, {400, 100}, {-300, 0}, {83, 50}, {48, 25}};
  for (const auto& m : moves) {
    ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(m.x, 15));
    EXPECT_EQ(s.slider->Position(), m.value) << m.x;
  }
  // The pointer leaves the control while dragging: still pressed.
  s.slider->MouseLeave();
  EXPECT_TRUE(s.slider->ThumbDown());
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(300, 60));
  EXPECT_FALSE(s.slider->Dragging());
  EXPECT_FALSE(s.slider->ThumbDown());
  EXPECT_FALSE(s.slider->ThumbHot()) << "released away from the thumb";
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(14, 15));
  EXPECT_EQ(s.slider->Position(), 25) << "no drag after the release";
}

TEST(SkinTrackBarThumb, HotAndPressedStatesWithEqualPicturesLookTheSame) {
  Slider s;
  HWND h = s.H();
  TestSurface normal(166, 21, RGB(1, 2, 3));
  s.Render(normal);
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(80, 15));
  EXPECT_TRUE(s.slider->ThumbHot());
  TestSurface hot(166, 21, RGB(1, 2, 3));
  s.Render(hot);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(80, 15));
  TestSurface down(166, 21, RGB(1, 2, 3));
  s.Render(down);
  for (int y = 0; y < 21; ++y) {
    for (int x = 0; x < 166; ++x) {
      ASSERT_EQ(hot.At(x, y), normal.At(x, y)) << x << "," << y;
      ASSERT_EQ(down.At(x, y), normal.At(x, y)) << x << "," << y;
    }
  }
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(80, 15));
  EXPECT_TRUE(s.slider->ThumbHot()) << "released over the thumb";
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(30, 15));
  EXPECT_FALSE(s.slider->ThumbHot());
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(80, 15));
  s.slider->MouseLeave();
  EXPECT_FALSE(s.slider->ThumbHot()) << "leaving the control ends the hot state";
}

TEST(SkinTrackBarThumb, EachStateShowsItsPictureAndTheDisabledOneWinsWhileDisabled) {
  Slider s;
  const COLORREF normal = RGB(0, 0, 200), hot = RGB(0, 200, 0), down = RGB(200, 0, 0),
                 disabled = RGB(90, 90, 90);
  s.slider->ThumbPicture().LoadFromBytes(ThumbBmp(normal));
  s.slider->ThumbPictureHot().LoadFromBytes(ThumbBmp(hot));
  s.slider->ThumbPictureDown().LoadFromBytes(ThumbBmp(down));
  s.slider->ThumbPictureDisabled().LoadFromBytes(ThumbBmp(disabled));
  HWND h = s.H();
  auto thumb_middle = [&] {
    TestSurface t(166, 21, RGB(1, 2, 3));
    s.Render(t);
    return t.At(82, 17);
  };
  auto corner = [&] {
    TestSurface t(166, 21, RGB(1, 2, 3));
    s.Render(t);
    return t.At(71, 13);
  };
  TestSurface under(427, 39, RGB(1, 2, 3));
  s.panel->Background().Draw(under.Dc(), 0, 0);
  EXPECT_EQ(thumb_middle(), normal);
  EXPECT_EQ(corner(), under.At(71 + 218, 13 - 4)) << "the key-coloured corner is not drawn";
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(80, 15));
  EXPECT_EQ(thumb_middle(), hot);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(80, 15));
  EXPECT_EQ(thumb_middle(), down);
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(80, 15));
  s.slider->SetEnabled(false);
  EXPECT_EQ(thumb_middle(), disabled);
  s.slider->ThumbPictureDisabled().Clear();
  EXPECT_EQ(thumb_middle(), normal) << "no disabled picture: the state's own";
}

TEST(SkinTrackBarThumb, WithoutAPictureTheThumbIsDrawnFromItsColours) {
  Slider s;
  s.slider->ThumbPicture().Clear();
  s.slider->ThumbPictureHot().Clear();
  s.slider->ThumbPictureDown().Clear();
  EXPECT_EQ(s.slider->CurrentThumbPicture(), nullptr);
  s.slider->SetThumbColors(RgbColor(0, 0, 255), RgbColor(0, 0, 255), RgbColor(0, 0, 0));
  TestSurface t(166, 21, RGB(1, 2, 3));
  s.Render(t);
  // The size rule no longer holds the 23 x 8 picture's size.
  const TrackRect r = s.slider->Core().ThumbRect();
  EXPECT_EQ(r.right - r.left, 23) << "the size stays until set otherwise";
  EXPECT_EQ(t.At((r.left + r.right) / 2, (r.top + r.bottom) / 2), RGB(0, 0, 255));
  EXPECT_EQ(t.At(r.left + 4, r.top), RGB(0, 0, 0)) << "the outline";
}
