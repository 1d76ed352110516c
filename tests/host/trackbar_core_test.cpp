// The volume slider's value rules and geometry as the window configures it:
// 166 x 21, Min 0, Max 100, a 23 x 8 thumb picture, centre pointer.
#include <gtest/gtest.h>

#include <vector>

#include "controls/trackbar_core.h"

namespace {

struct Slider {
  TrackBarCore core;
  std::vector<TrackRect> invalidated;
  std::vector<int> changes;  // Position seen by each OnChange
  Slider() {
    core.SetClientSize(166, 21);
    core.LoadBounds(0, 100, 50);
    core.SetThumbPicture(23, 8);
    core.invalidate = [this](const TrackRect& r) { invalidated.push_back(r); };
    core.on_change = [this] { changes.push_back(core.Position()); };
  }
};

}  // namespace

TEST(TrackBarCore, GeometryOfTheForm) {
  Slider s;
  EXPECT_EQ(s.core.InnerRect(), (TrackRect{3, 3, 163, 18}));
  EXPECT_EQ(s.core.TrackRectangle(), (TrackRect{3, 13, 163, 18}));
  EXPECT_EQ(s.core.ThumbRect(), (TrackRect{71, 13, 94, 21}));
  EXPECT_EQ(s.core.ThumbRectFor(0).left, 3);
  EXPECT_EQ(s.core.ThumbRectFor(100).left, 140);
  EXPECT_EQ(s.core.ThumbRectFor(100).right, 163);
  EXPECT_EQ(s.core.PointerOffset(), 11);
  EXPECT_EQ(s.core.SteppingArea(), (TrackRect{-1, 9, 167, 22}));
}

TEST(TrackBarCore, PictureSizeRuleLocksThumbSize) {
  Slider s;
  s.core.SetThumbWidth(40);
  s.core.SetThumbSize(2);
  EXPECT_EQ(s.core.ThumbWidth(), 23);
  EXPECT_EQ(s.core.ThumbSize(), 8);
  s.core.ClearThumbPicture();
  s.core.SetThumbWidth(40);
  EXPECT_EQ(s.core.ThumbWidth(), 40);
}

TEST(TrackBarCore, ValueFromPointerFollowsThumbCentre) {
  Slider s;
  const struct { int x, value; } cases[] = {
      {14, 0}, {151, 100}, {-50, 0}, {400, 100}, {82, 50}, {83, 50}, {84, 51},
      // x = 14 + 1.37 v: v = 25 at 48.25; 48 gives 24.82 -> 25.
      {48, 25},
  };
  for (const auto& c : cases) EXPECT_EQ(s.core.ValueFromX(c.x), c.value) << c.x;
}

TEST(TrackBarCore, PositionSetterRules) {
  Slider s;
  s.core.SetPosition(50);  // equal: nothing at all
  EXPECT_TRUE(s.invalidated.empty());
  EXPECT_TRUE(s.changes.empty());

  s.core.SetPosition(0);
  ASSERT_EQ(s.invalidated.size(), 1u);
  // Old thumb (71,13)-(94,21) and new (3,13)-(26,21), each grown by 1.
  EXPECT_EQ(s.invalidated[0], (TrackRect{2, 12, 95, 22}));
  EXPECT_EQ(s.changes, (std::vector<int>{0}));

  s.core.SetPosition(150);  // clamped to 100, still a change
  EXPECT_EQ(s.core.Position(), 100);
  s.core.SetPosition(101);  // differs from 100, clamps back to 100: OnChange anyway
  EXPECT_EQ(s.core.Position(), 100);
  s.core.SetPosition(100);  // equal: nothing
  EXPECT_EQ(s.changes, (std::vector<int>{0, 100, 100}));
  s.core.SetPosition(-7);
  EXPECT_EQ(s.core.Position(), 0);
}

TEST(TrackBarCore, BoundSettersPushPositionThroughTheSetter) {
  Slider s;
  s.core.SetMax(40);  // position 50 outside: set to 40 with OnChange
  EXPECT_EQ(s.core.Max(), 40);
  EXPECT_EQ(s.changes, (std::vector<int>{40}));
  s.core.SetMin(10);  // 40 inside: no change
  EXPECT_EQ(s.changes.size(), 1u);
  s.core.SetMin(45);  // 40 below: the bound is stored first, then position 45
  EXPECT_EQ(s.core.Position(), 45);
  EXPECT_EQ(s.changes, (std::vector<int>{40, 45}));
}

TEST(TrackBarCore, ClickSteppingStopsWhereTheRuleSays) {
  const struct { int press_x, stop; } cases[] = {{120, 85}, {20, 12}};
  for (const auto& c : cases) {
    Slider s;
    int steps = 0;
    while (s.core.StepToward(c.press_x) && steps < 500) ++steps;
    EXPECT_EQ(s.core.Position(), c.stop) << c.press_x;
    EXPECT_LT(steps, 500);
  }
}

TEST(TrackBarCore, SteppingPastTheEndKeepsReportingChanges) {
  Slider s;
  for (int i = 0; i < 60; ++i) s.core.StepToward(160);
  EXPECT_EQ(s.core.Position(), 100);
  s.changes.clear();
  EXPECT_TRUE(s.core.StepToward(160));  // requests 101: clamped, OnChange at 100
  EXPECT_EQ(s.changes, (std::vector<int>{100}));
}

TEST(TrackBarCore, EqualBoundsPutThumbAtTrackLeft) {
  Slider s;
  s.core.LoadBounds(5, 5, 5);
  EXPECT_EQ(s.core.ThumbRect().left, 3);
  EXPECT_EQ(s.core.ValueFromX(100), 5);
}

TEST(TrackBarCore, KeysStepAsTheTableSaysAndShiftIgnoresThem) {
  const struct {
    int start;
    int key;
    bool shift;
    int position;
    std::vector<int> changes;
  } cases[] = {
      {50, kKeyPageUp, false, 51, {51}},
      {50, kKeyPageDown, false, 49, {49}},
      {50, kKeyEnd, false, 100, {100}},
      {50, kKeyHome, false, 0, {0}},
      {50, kKeyLeft, false, 49, {49}},
      {50, kKeyDown, false, 49, {49}},
      {50, kKeyUp, false, 51, {51}},
      {50, kKeyRight, false, 51, {51}},
      {100, kKeyPageUp, false, 100, {100}},  // clamped, still a change
      {0, kKeyPageDown, false, 0, {0}},
      {100, kKeyRight, false, 100, {}},       // at Max: nothing
      {100, kKeyUp, false, 100, {}},
      {0, kKeyLeft, false, 0, {}},
      {0, kKeyDown, false, 0, {}},
      {100, kKeyEnd, false, 100, {}},         // already there: equal value
      {0, kKeyHome, false, 0, {}},
      {50, kKeyRight, true, 50, {}},          // Shift+Right does nothing
      {50, kKeyPageUp, true, 50, {}},
      {50, kKeyHome, true, 50, {}},
      {50, 13, false, 50, {}},                // Enter: not the slider's
  };
  for (const auto& c : cases) {
    Slider s;
    s.core.LoadBounds(0, 100, c.start);
    s.core.KeyDown(c.key, c.shift);
    EXPECT_EQ(s.core.Position(), c.position) << "key " << c.key << " from " << c.start;
    EXPECT_EQ(s.changes, c.changes) << "key " << c.key << " from " << c.start;
  }
}

TEST(TrackBarCore, PageKeysUsePageSize) {
  Slider s;
  s.core.SetPageSize(10);
  s.core.KeyDown(kKeyPageUp, false);
  s.core.KeyDown(kKeyPageUp, false);
  s.core.KeyDown(kKeyPageDown, false);
  s.core.KeyDown(kKeyRight, false);  // arrows still step by one
  EXPECT_EQ(s.changes, (std::vector<int>{60, 70, 60, 61}));
}

TEST(TrackBarCore, WheelStepsOneWithinTheBounds) {
  const struct {
    int start, delta, position;
    size_t changes;
  } cases[] = {
      {50, -120, 49, 1}, {50, 120, 51, 1}, {50, -1, 49, 1}, {100, 120, 100, 0},
      {0, -120, 0, 0},   {100, -120, 99, 1}, {50, 0, 50, 0},
  };
  for (const auto& c : cases) {
    Slider s;
    s.core.LoadBounds(0, 100, c.start);
    s.core.Wheel(c.delta);
    EXPECT_EQ(s.core.Position(), c.position) << c.start << " " << c.delta;
    EXPECT_EQ(s.changes.size(), c.changes) << c.start << " " << c.delta;
  }
}

TEST(TrackBarCore, PressActionByPlace) {
  // Position 50: thumb (71,13)-(94,21); stepping area (-1,9)-(167,22).
  const struct {
    int x, y;
    PressAction step_mode, move_mode;
  } cases[] = {
      {71, 13, PressAction::kDrag, PressAction::kDrag},
      {93, 20, PressAction::kDrag, PressAction::kDrag},
      {94, 15, PressAction::kStep, PressAction::kMove},
      {120, 15, PressAction::kStep, PressAction::kMove},
      {120, 9, PressAction::kStep, PressAction::kMove},
      {120, 8, PressAction::kNone, PressAction::kMove},  // top rows: nothing when stepping
      {120, 5, PressAction::kNone, PressAction::kMove},
      {-1, 15, PressAction::kStep, PressAction::kMove},
      {167, 15, PressAction::kNone, PressAction::kMove},
      {80, 12, PressAction::kStep, PressAction::kMove},  // just above the thumb
  };
  for (const auto& c : cases) {
    Slider s;
    EXPECT_EQ(s.core.PressAt(c.x, c.y), c.step_mode) << c.x << "," << c.y;
    s.core.SetMoveOnClick(MoveOnClick::kMove);
    EXPECT_EQ(s.core.PressAt(c.x, c.y), c.move_mode) << c.x << "," << c.y;
  }
}
