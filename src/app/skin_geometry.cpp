#include "app/skin_geometry.h"

#include "base/rounding.h"

std::array<SkinPoint, kRegionVertexCount> WindowRegionPolygon(int w, int h) {
  const int W = w;
  const int H = h;
  return {{
      {0, 15},      {1, 15},      {1, 14},      {2, 14},      {2, 13},      {W - 42, 13},
      {W - 42, 3},  {W - 41, 3},  {W - 41, 2},  {W - 40, 2},  {W - 40, 1},  {W - 39, 1},
      {W - 39, 0},  {W - 31, 0},  {W - 31, 1},  {W - 30, 1},  {W - 30, 2},  {W - 29, 2},
      {W - 29, 3},  {W - 27, 3},  {W - 27, 2},  {W - 26, 2},  {W - 26, 1},  {W - 25, 1},
      {W - 25, 0},  {W - 17, 0},  {W - 17, 1},  {W - 16, 1},  {W - 16, 2},  {W - 15, 2},
      {W - 15, 3},  {W - 13, 3},  {W - 13, 2},  {W - 12, 2},  {W - 12, 1},  {W - 11, 1},
      {W - 11, 0},  {W - 3, 0},   {W - 3, 1},   {W - 2, 1},   {W - 2, 2},   {W - 1, 2},
      {W - 1, 3},   {W, 3},       {W, H - 2},   {W - 1, H - 2}, {W - 1, H - 1}, {W - 2, H - 1},
      {W - 2, H},   {2, H},       {2, H - 1},   {1, H - 1},   {1, H - 2},   {0, H - 2},
  }};
}

FramePaint FramePainting(int w, int h) {
  FramePaint paint;
  // The light double line under the body's top edge, across the whole width.
  paint.lines.push_back({kFrameLight, {0, 13}, {w, 13}});
  paint.lines.push_back({kFrameLight, {0, 14}, {w, 14}});
  // The dark outline: left, bottom and right edges as one polyline.
  paint.lines.push_back({kFrameDark, {0, 13}, {0, h - 1}});
  paint.lines.push_back({kFrameDark, {0, h - 1}, {w - 1, h - 1}});
  paint.lines.push_back({kFrameDark, {w - 1, h - 1}, {w - 1, 0}});
  // The body's top edge left of the tabs.
  paint.lines.push_back({kFrameDark, {0, 13}, {w - 41, 13}});
  // These round off the region's stepped corners.
  paint.dark_pixels = {{1, h - 2}, {w - 2, h - 2}, {1, 14}};
  return paint;
}

SkinRect TitleImageRect(int client_width, int index) {
  return {client_width - 42 + 14 * index, 0, kTitleImageWidth, kTitleImageHeight};
}

ShowLayout ComputeShowLayout(int client_width, int client_height, int pleasewait_width) {
  ShowLayout layout{};
  SkinRect& b = layout.browser;
  b.top = 15;
  b.height = client_height - b.top - 2;
  b.left = 1;
  b.width = client_width - b.left - 1;
  // Centred over the browser; a half pixel goes to the even side.
  layout.pleasewait_left = RoundHalfEven((b.width - pleasewait_width) / 2.0) + b.left;
  layout.panel1 = {48, b.top - 1, 290, 62};
  layout.panel2 = {layout.panel1.left + layout.panel1.width, b.top, 175, 33};
  return layout;
}
