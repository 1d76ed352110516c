// The glass button's portable rules: body outlines, glow and shine areas,
// state, picture choice and placement, for the 52 x 22 buttons of radius 8.
#include <gtest/gtest.h>

#include "controls/glass_button_rules.h"

TEST(GlassButtonRules, BodyExtentsOfThe52By22ButtonWithRadius8) {
  const GlassBody b = GlassBodyGeometry(52, 22, 8);
  EXPECT_EQ(PathBounds(b.outer), (GlassRect{0, 0, 51, 21}));
  EXPECT_EQ(PathBounds(b.inner), (GlassRect{1, 1, 49, 19}));
  ASSERT_TRUE(b.has_shine);
  EXPECT_EQ(PathBounds(b.shine), (GlassRect{1, 1, 49, 10}));
  EXPECT_EQ(b.shine_gradient, (GlassRect{1, 1, 48, 10}));
  // Glow: (1, 1, 48, 18) moved and grown; its centre is (25, 19) = (1 + 48/2, H - 3).
  EXPECT_FLOAT_EQ(b.glow.x, 1 - 0.35f * 48);
  EXPECT_FLOAT_EQ(b.glow.y, 1 - 0.15f * 18);
  EXPECT_FLOAT_EQ(b.glow.w, 48 * 1.7f);
  EXPECT_FLOAT_EQ(b.glow.h, 18 * 2.3f);
  EXPECT_NEAR(b.glow.x + b.glow.w / 2, 25.0, 1e-4);
  EXPECT_NEAR(b.glow.y + b.glow.h / 2, 19.0, 1e-4);
}

TEST(GlassButtonRules, RoundedRectangleSegmentsInOrder) {
  const GlassPath p = RoundedRectPath(1, 1, 49, 19, 8);
  ASSERT_EQ(p.size(), 8u);
  const struct {
    GlassSegment::Kind kind;
    GlassRect box;
    float start;
    GlassPoint from, to;
  } expected[] = {
      {GlassSegment::kArc, {1, 1, 16, 16}, 180, {}, {}},
      {GlassSegment::kLine, {}, 0, {9, 1}, {42, 1}},
      {GlassSegment::kArc, {34, 1, 16, 16}, 270, {}, {}},
      {GlassSegment::kLine, {}, 0, {50, 9}, {50, 12}},
      {GlassSegment::kArc, {34, 4, 16, 16}, 0, {}, {}},
      {GlassSegment::kLine, {}, 0, {42, 20}, {9, 20}},
      {GlassSegment::kArc, {1, 4, 16, 16}, 90, {}, {}},
      {GlassSegment::kLine, {}, 0, {1, 12}, {1, 9}},
  };
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_EQ(p[i].kind, expected[i].kind) << i;
    if (p[i].kind == GlassSegment::kArc) {
      EXPECT_EQ(p[i].box, expected[i].box) << i;
      EXPECT_EQ(p[i].start, expected[i].start) << i;
      EXPECT_EQ(p[i].sweep, 90) << i;
    } else {
      EXPECT_EQ(p[i].from, expected[i].from) << i;
      EXPECT_EQ(p[i].to, expected[i].to) << i;
    }
  }
  // The top-rounded outline keeps the first three and runs straight to the bottom.
  const GlassPath t = TopRoundedPath(1, 1, 49, 10, 8);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[2].box, (GlassRect{34, 1, 16, 16}));
  EXPECT_EQ(t[3].from, (GlassPoint{50, 9}));
  EXPECT_EQ(t[3].to, (GlassPoint{50, 11}));
  EXPECT_EQ(t[4].to, (GlassPoint{1, 11}));
  EXPECT_EQ(t[5].to, (GlassPoint{1, 9}));
}

TEST(GlassButtonRules, ShineNeedsRoomAndFollowsTheHeight) {
  const struct {
    int w, h;
    bool shine;
    float shine_h;
  } cases[] = {
      {52, 22, true, 10}, {100, 32, true, 15}, {52, 5, true, 2}, {52, 4, false, 0},
      {3, 22, false, 0},  {4, 22, true, 10},
  };
  for (const auto& c : cases) {
    const GlassBody b = GlassBodyGeometry(c.w, c.h, 4);
    EXPECT_EQ(b.has_shine, c.shine) << c.w << "x" << c.h;
    if (c.shine) {
      EXPECT_EQ(b.shine_gradient.h, c.shine_h) << c.w << "x" << c.h;
    }
  }
}

TEST(GlassButtonRules, StateFixUpAndGlow) {
  using S = GlassState;
  const struct {
    S state;
    bool enabled, down, grouped, check;
    S fixed;
  } cases[] = {
      {S::kNormal, false, false, false, false, S::kDisabled},
      {S::kPressed, false, false, false, false, S::kDisabled},
      {S::kDisabled, true, false, false, false, S::kNormal},
      {S::kDisabled, true, true, true, false, S::kDown},
      {S::kDisabled, true, true, false, false, S::kNormal},
      {S::kPressed, true, false, false, false, S::kPressed},
      {S::kNormal, true, true, false, true, S::kPressed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FixUpState(c.state, c.enabled, c.down, c.grouped, c.check), c.fixed)
        << static_cast<int>(c.state) << " enabled " << c.enabled;
  }
  EXPECT_FALSE(DrawsGlow(false, false, S::kNormal));
  EXPECT_FALSE(DrawsGlow(false, false, S::kDisabled));
  EXPECT_TRUE(DrawsGlow(true, false, S::kNormal));  // the flag: the pointer left, the glow stays
  EXPECT_TRUE(DrawsGlow(false, true, S::kNormal));
  EXPECT_TRUE(DrawsGlow(false, false, S::kPressed));
  EXPECT_TRUE(DrawsGlow(false, false, S::kDown));
}

TEST(GlassButtonRules, PictureChoice) {
  using P = GlassPicture;
  const struct {
    bool enabled, pressed, hover, down, has_disabled, has_down;
    P picture;
  } cases[] = {
      {true, false, false, false, true, true, P::kNormal},
      {true, true, true, false, true, true, P::kDown},
      {true, true, false, false, true, true, P::kNormal},  // pressed, pointer left
      {true, false, true, false, true, true, P::kNormal},  // hovering only
      {true, false, false, true, true, true, P::kDown},
      {true, true, true, false, true, false, P::kNormal},  // no down picture
      {false, false, false, false, true, true, P::kDisabled},
      {false, true, true, false, false, true, P::kDown},   // no disabled picture
      {false, false, false, false, false, true, P::kNormal},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseGlassPicture(c.enabled, c.pressed, c.hover, c.down, c.has_disabled, c.has_down),
              c.picture)
        << c.enabled << c.pressed << c.hover << c.down << c.has_disabled << c.has_down;
  }
}

TEST(GlassButtonRules, PicturePlaceAndCaptionRect) {
  const struct {
    double caption_left;
    int gw, gh, h;
    GlassSpot spot;
  } cases[] = {
      {1.5, 50, 22, 22, {2, 0}},    // the program's faces: at x = 2, full height
      {40.0, 16, 16, 22, {32, 3}},  // 40 - 8
      {30.5, 15, 10, 22, {23, 6}},  // 30.5 - 7.5 = 23
      {31.5, 15, 10, 21, {24, 5}},  // 24 exactly; (21 - 10) div 2 = 5
      {30.0, 5, 10, 22, {28, 6}},   // 27.5 rounds to the even 28
      {29.0, 5, 10, 22, {26, 6}},   // 26.5 rounds to the even 26
      {3.0, 0, 0, 22, {3, 11}},     // no picture
      {0.0, 20, 40, 22, {2, 0}},    // taller than the button: top edge
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GlassPicturePlace(c.caption_left, c.gw, c.gh, c.h), c.spot) << c.caption_left << " " << c.gw;
  }
  EXPECT_EQ(GlassPictureCentred(50, 22, 52, 22), (GlassSpot{1, 0}));
  EXPECT_EQ(GlassPictureCentred(16, 15, 52, 22), (GlassSpot{18, 3}));
  EXPECT_EQ(GlassCaptionRect(50, 52, 22), (GlassRect{52, 0, 0, 22}));
  EXPECT_EQ(GlassCaptionRect(0, 100, 32), (GlassRect{2, 0, 98, 32}));
}
