// The main window's shape, frame and fixed layout arithmetic (portable).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct SkinPoint {
  int x;  // window pixels
  int y;
  bool operator==(const SkinPoint&) const = default;
};

struct SkinRect {
  int left;  // client pixels
  int top;
  int width;
  int height;
  bool operator==(const SkinRect&) const = default;
};

// Frame colours as 0x00BBGGRR.
inline constexpr uint32_t kFrameLight = 0x00FFF3D6;  // #D6F3FF
inline constexpr uint32_t kFrameDark = 0x00EBD092;   // #92D0EB
inline constexpr uint32_t kFormColor = 0x00FFF7E5;   // #E5F7FF, the window's background

inline constexpr int kRegionVertexCount = 54;

// The window region for a w x h window: the body from y = 13 with stepped
// corners, and three tabs at the top right (x = w-42 .. w) under the title
// images, with two notches between them. Filled with the winding rule.
std::array<SkinPoint, kRegionVertexCount> WindowRegionPolygon(int w, int h);

// What FormPaint draws: 1-pixel lines (end point not painted, as LineTo) and
// single pixels, in painting order.
struct FrameLine {
  uint32_t color;  // 0x00BBGGRR
  SkinPoint from;
  SkinPoint to;    // exclusive
};
struct FramePaint {
  std::vector<FrameLine> lines;
  std::vector<SkinPoint> dark_pixels;  // set to kFrameDark after the lines
};
FramePaint FramePainting(int w, int h);

// Title images image11..image13 (14 x 13 at the top right of the client area).
inline constexpr int kTitleImageWidth = 14;
inline constexpr int kTitleImageHeight = 13;
SkinRect TitleImageRect(int client_width, int index);  // index 0..2

// The places the show handler gives the browser, the please-wait box and the
// two header panels (with their images filling them).
struct ShowLayout {
  SkinRect browser;
  int pleasewait_left;
  SkinRect panel1;  // Image7 fills it
  SkinRect panel2;  // Image8 fills it
};
ShowLayout ComputeShowLayout(int client_width, int client_height, int pleasewait_width);
