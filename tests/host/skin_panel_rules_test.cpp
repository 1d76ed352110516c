// The background panel's portable rules: the 96-dpi size rule and the
// background positions.
#include <gtest/gtest.h>

#include <vector>

#include "controls/skin_panel_rules.h"

TEST(SkinPanelRules, HimetricAt96DotsPerInch) {
  const struct {
    int himetric, pixels;
  } cases[] = {
      {11298, 427},  // the form's 427-pixel picture: 427 x 2540 / 96 = 11297.9
      {1032, 39},    // 39 pixels: 1031.9
      {2540, 96},    // one inch
      {0, 0},
      {13, 0},       // 0.49 pixel
      {14, 1},       // 0.53
      {-2540, -96},
      {-14, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(HimetricToPixels(c.himetric), c.pixels) << c.himetric;
}

TEST(SkinPanelRules, BackgroundPositions) {
  const PanelRect client{0, 0, 427, 39};
  const struct {
    TBackGroundPosition position;
    int pic_w, pic_h;
    std::vector<PanelRect> places;
  } cases[] = {
      {bpTopLeft, 427, 39, {{0, 0, 427, 39}}},
      {bpTopLeft, 100, 20, {{0, 0, 100, 20}}},
      {bpTopRight, 100, 20, {{326, 0, 426, 20}}},  // 427 - 0 - 100 - 1
      {bpBottomLeft, 100, 20, {{0, 18, 100, 38}}},  // 39 - 20 - 1
      {bpBottomRight, 100, 20, {{326, 18, 426, 38}}},
      {bpCenter, 100, 20, {{163, 9, 263, 29}}},  // 326 div 2, 18 div 2
      {bpTopRight, 500, 50, {{0, 0, 500, 50}}},   // larger than the panel: the clip's corner
      {bpBottomRight, 500, 50, {{0, 0, 500, 50}}},
      {bpStretched, 100, 20, {{0, 0, 427, 39}}},
      {bpTiled, 200, 30, {{0, 0, 200, 30}, {200, 0, 400, 30}, {400, 0, 600, 30},
                          {0, 30, 200, 60}, {200, 30, 400, 60}, {400, 30, 600, 60}}},
      {bpTopLeft, 0, 39, {}},  // no picture
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PanelPicturePlaces(c.position, client, c.pic_w, c.pic_h, 1, 427, 39), c.places)
        << c.position << " " << c.pic_w << "x" << c.pic_h;
  }
  // A working rectangle inside the bevel.
  EXPECT_EQ(PanelPicturePlaces(bpTopLeft, {1, 1, 426, 38}, 10, 10, 1, 427, 39),
            (std::vector<PanelRect>{{1, 1, 11, 11}}));
  EXPECT_EQ(PanelPicturePlaces(bpTopRight, {1, 1, 426, 38}, 10, 10, 1, 427, 39),
            (std::vector<PanelRect>{{414, 1, 424, 11}}));  // 426 - 1 - 10 - 1
}
