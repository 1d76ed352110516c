// The glass button's rules that need no platform (portable): the outlines of
// its body as arcs and lines, the glow and shine areas, which picture it shows
// and where, and its visual state.
#pragma once

#include <vector>

// ---- Geometry (floating-point pixels, as the drawing library takes them) ----

struct GlassRect {
  float x, y;  // top-left
  float w, h;  // width and height
  bool operator==(const GlassRect&) const = default;
};

struct GlassPoint {
  float x, y;
  bool operator==(const GlassPoint&) const = default;
};

// One piece of a closed outline, in drawing order.
struct GlassSegment {
  enum Kind { kArc, kLine } kind;
  GlassRect box;     // kArc: the ellipse's bounding box (2r x 2r)
  float start = 0;   // kArc: start angle in degrees, clockwise from the x axis
  float sweep = 0;   // kArc: degrees swept
  GlassPoint from{}, to{};  // kLine
};

using GlassPath = std::vector<GlassSegment>;  // closed after the last segment

// A rectangle at (x, y) of w x h with corners rounded by r: four arcs in
// 2r x 2r boxes joined by four lines, starting at the top-left arc.
GlassPath RoundedRectPath(float x, float y, float w, float h, float r);
// The same with only the top corners rounded: the first three segments of
// RoundedRectPath, then straight down the right side, along the bottom and up
// the left side.
GlassPath TopRoundedPath(float x, float y, float w, float h, float r);
// The box the outline covers (arcs counted by the part they sweep).
GlassRect PathBounds(const GlassPath& path);

// The parts of the body of a w x h button with corner radius r.
struct GlassBody {
  GlassPath outer;        // stroked in the outer border colour
  GlassPath inner;        // filled with the half-transparent back colour, stroked last
  GlassRect glow;         // the ellipse of the glow, clipped to `inner`
  bool has_shine = false;
  GlassPath shine;        // upper half, top corners rounded
  GlassRect shine_gradient;  // the vertical gradient's rectangle
};
GlassBody GlassBodyGeometry(int w, int h, int r);

// ---- Alphas of the body ------------------------------------------------------

inline constexpr int kGlassBackAlpha = 127;
inline constexpr int kGlassGlowCentreAlpha = 173;
inline constexpr int kGlassShineTopAlpha = 153;
inline constexpr int kGlassShineBottomAlpha = 51;

// ---- State -------------------------------------------------------------------

enum class GlassState { kNormal = 0, kDisabled = 1, kPressed = 2, kDown = 4 };

// The state a paint starts from: disabled while disabled; a disabled state
// left over after enabling becomes normal (down when `down` is set with a
// group index); a down check button is pressed.
GlassState FixUpState(GlassState state, bool enabled, bool down, bool grouped, bool check_style);
// The glow shows while pressed (flag or state) or down.
bool DrawsGlow(bool pressed_flag, bool down, GlassState state);

// ---- Content -----------------------------------------------------------------

enum class GlassPicture { kNormal, kDown, kDisabled };

// PictureDisabled while disabled (when there is one); PictureDown while the
// press goes on over the button or while down (when there is one); else Picture.
GlassPicture ChooseGlassPicture(bool enabled, bool pressed, bool hover, bool down,
                                bool has_disabled_picture, bool has_down_picture);

struct GlassSpot {
  int x, y;
  bool operator==(const GlassSpot&) const = default;
};
// Where a glyph_w x glyph_h picture goes on a button of height `button_h`
// whose caption was measured with its left edge at caption_left, with the
// picture left of the caption: x = max(2, round(caption_left - glyph_w / 2)),
// y = max(0, (button_h - glyph_h) div 2).
GlassSpot GlassPicturePlace(double caption_left, int glyph_w, int glyph_h, int button_h);
// Where the picture goes when there is no caption: centred both ways
// (halves of an odd difference dropped).
GlassSpot GlassPictureCentred(int glyph_w, int glyph_h, int w, int h);
// The caption's rectangle: right of the picture, x from glyph_w + 2 to the
// right edge, full height.
GlassRect GlassCaptionRect(int glyph_w, int w, int h);
