#include "controls/glass_button_rules.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"

GlassPath RoundedRectPath(float x, float y, float w, float h, float r) {
  const float d = 2 * r;
  return {
      {GlassSegment::kArc, {x, y, d, d}, 180, 90},
      {GlassSegment::kLine, {}, 0, 0, {x + r, y}, {x + w - r, y}},
      {GlassSegment::kArc, {x + w - d, y, d, d}, 270, 90},
      {GlassSegment::kLine, {}, 0, 0, {x + w, y + r}, {x + w, y + h - r}},
      {GlassSegment::kArc, {x + w - d, y + h - d, d, d}, 0, 90},
      {GlassSegment::kLine, {}, 0, 0, {x + w - r, y + h}, {x + r, y + h}},
      {GlassSegment::kArc, {x, y + h - d, d, d}, 90, 90},
      {GlassSegment::kLine, {}, 0, 0, {x, y + h - r}, {x, y + r}},
  };
}

GlassPath TopRoundedPath(float x, float y, float w, float h, float r) {
  GlassPath path = RoundedRectPath(x, y, w, h, r);
  path.resize(3);
  path.push_back({GlassSegment::kLine, {}, 0, 0, {x + w, y + r}, {x + w, y + h}});
  path.push_back({GlassSegment::kLine, {}, 0, 0, {x + w, y + h}, {x, y + h}});
  path.push_back({GlassSegment::kLine, {}, 0, 0, {x, y + h}, {x, y + r}});
  return path;
}

GlassRect PathBounds(const GlassPath& path) {
  float left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  auto add = [&](float px, float py) {
    if (!any) {
      left = right = px;
      top = bottom = py;
      any = true;
      return;
    }
    left = std::min(left, px);
    right = std::max(right, px);
    top = std::min(top, py);
    bottom = std::max(bottom, py);
  };
  constexpr double kPi = 3.14159265358979323846;
  for (const GlassSegment& s : path) {
    if (s.kind == GlassSegment::kLine) {
      add(s.from.x, s.from.y);
      add(s.to.x, s.to.y);
      continue;
    }
    const double cx = s.box.x + s.box.w / 2.0, cy = s.box.y + s.box.h / 2.0;
    const double rx = s.box.w / 2.0, ry = s.box.h / 2.0;
    auto at = [&](double degrees) {
      const double a = degrees * kPi / 180.0;
      add(static_cast<float>(cx + rx * std::cos(a)), static_cast<float>(cy + ry * std::sin(a)));
    };
    // The ends and every axis crossing the arc sweeps over.
    at(s.start);
    at(s.start + s.sweep);
    for (int k = -4; k <= 8; ++k) {
      const double axis = 90.0 * k;
      if (axis > s.start && axis < s.start + s.sweep) at(axis);
    }
  }
  // Rounding noise of the cosines: the corners are whole or half pixels.
  auto snap = [](float v) { return std::round(v * 1024.0f) / 1024.0f; };
  return {snap(left), snap(top), snap(right - left), snap(bottom - top)};
}

GlassBody GlassBodyGeometry(int w, int h, int r) {
  const float fr = static_cast<float>(r);
  GlassBody body;
  body.outer = RoundedRectPath(0, 0, w - 1.0f, h - 1.0f, fr);
  body.inner = RoundedRectPath(1, 1, w - 3.0f, h - 3.0f, fr);
  // The rectangle (1, 1, w-4, h-4) moved left by 0.35 of its width and up by
  // 0.15 of its height, 1.7 times as wide and 2.3 times as high: its centre
  // is at the middle of the bottom, one pixel above the inner area's edge.
  const float gw = w - 4.0f, gh = h - 4.0f;
  body.glow = {1 - 0.35f * gw, 1 - 0.15f * gh, gw * 1.7f, gh * 2.3f};
  body.has_shine = w - 3 > 0 && (h - 3) / 2 > 0;
  if (body.has_shine) {
    const int shine_h = (h - 3) / 2 + 1;
    body.shine = TopRoundedPath(1, 1, w - 3.0f, static_cast<float>(shine_h), fr);
    body.shine_gradient = {1, 1, w - 4.0f, static_cast<float>(shine_h)};
  }
  return body;
}

GlassState FixUpState(GlassState state, bool enabled, bool down, bool grouped, bool check_style) {
  if (!enabled) return GlassState::kDisabled;
  if (state == GlassState::kDisabled) state = down && grouped ? GlassState::kDown : GlassState::kNormal;
  if (check_style && down) state = GlassState::kPressed;
  return state;
}

bool DrawsGlow(bool pressed_flag, bool down, GlassState state) {
  return pressed_flag || down || state == GlassState::kPressed || state == GlassState::kDown;
}

GlassPicture ChooseGlassPicture(bool enabled, bool pressed, bool hover, bool down,
                                bool has_disabled_picture, bool has_down_picture) {
  if (!enabled && has_disabled_picture) return GlassPicture::kDisabled;
  if (((pressed && hover) || down) && has_down_picture) return GlassPicture::kDown;
  return GlassPicture::kNormal;
}

GlassSpot GlassPicturePlace(double caption_left, int glyph_w, int glyph_h, int button_h) {
  return {std::max(2, RoundHalfEven(caption_left - glyph_w / 2.0)),
          std::max(0, (button_h - glyph_h) / 2)};
}

GlassSpot GlassPictureCentred(int glyph_w, int glyph_h, int w, int h) {
  return {(w - glyph_w) / 2, (h - glyph_h) / 2};
}

GlassRect GlassCaptionRect(int glyph_w, int w, int h) {
  return {static_cast<float>(glyph_w + 2), 0, static_cast<float>(w - glyph_w - 2),
          static_cast<float>(h)};
}
