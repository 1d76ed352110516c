// The background panel's rules that need no platform (portable): the picture
// size rule of TPanelImage and where the background picture goes.
#pragma once

#include <vector>

// A picture extent in hundredths of a millimetre as pixels at a fixed 96
// pixels per inch: extent x 96 / 2540, multiplied first, rounded to the
// nearest (halves away from zero).
int HimetricToPixels(int himetric);

enum TBackGroundPosition { bpTopLeft, bpTopRight, bpBottomLeft, bpBottomRight, bpTiled, bpStretched, bpCenter };

struct PanelRect {
  int left, top, right, bottom;  // pixels; right and bottom exclusive
  bool operator==(const PanelRect&) const = default;
};

// The rectangles the background picture (pic_w x pic_h) is drawn into, in
// drawing order: one for every position but bpTiled. `clip` is the working
// rectangle the picture is clipped to, panel_w x panel_h the panel's client
// size, bevel_width the panel's bevel width.
std::vector<PanelRect> PanelPicturePlaces(TBackGroundPosition position, const PanelRect& clip,
                                          int pic_w, int pic_h, int bevel_width, int panel_w,
                                          int panel_h);
