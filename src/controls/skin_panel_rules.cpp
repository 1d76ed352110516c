#include "controls/skin_panel_rules.h"

#include <algorithm>
#include <cstdint>

int HimetricToPixels(int himetric) {
  const int64_t product = static_cast<int64_t>(himetric) * 96;
  const int64_t half = 2540 / 2;
  return static_cast<int>(product >= 0 ? (product + half) / 2540 : -((-product + half) / 2540));
}

std::vector<PanelRect> PanelPicturePlaces(TBackGroundPosition position, const PanelRect& clip,
                                          int pic_w, int pic_h, int bevel_width, int panel_w,
                                          int panel_h) {
  if (pic_w <= 0 || pic_h <= 0) return {};
  // The right and bottom placements, as the positions' table gives them.
  const int right_x = std::max(clip.left, clip.right - clip.left - pic_w - bevel_width);
  const int bottom_y = std::max(clip.top, panel_h - pic_h - bevel_width);
  auto at = [&](int x, int y) { return PanelRect{x, y, x + pic_w, y + pic_h}; };
  switch (position) {
    case bpTopLeft: return {at(clip.left, clip.top)};
    case bpTopRight: return {at(right_x, clip.top)};
    case bpBottomLeft: return {at(clip.left, bottom_y)};
    case bpBottomRight: return {at(right_x, bottom_y)};
    case bpStretched: return {PanelRect{0, 0, panel_w, panel_h}};
    case bpCenter: return {at(right_x / 2, bottom_y / 2)};
    case bpTiled: {
      std::vector<PanelRect> tiles;
      for (int y = clip.top; y < panel_h; y += pic_h) {
        for (int x = clip.left; x < panel_w; x += pic_w) tiles.push_back(at(x, y));
      }
      return tiles;
    }
  }
  return {};
}
