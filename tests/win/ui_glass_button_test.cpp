// The glass button under Wine, rendered into memory bitmaps: the body's
// borders, tint, shine and glow, the faces with their transparent key, the
// caption brush, and the press, hover, keyboard and click rules through real
// messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "controls/glass_button_win.h"
#include "resources/resource_ids.h"
#include "ui_test_util.h"

namespace {

constexpr COLORREF kBack = RGB(248, 248, 248);  // the panel picture's light fill

int Channel(COLORREF c, int i) { return i == 0 ? GetRValue(c) : i == 1 ? GetGValue(c) : GetBValue(c); }
int Distance(COLORREF a, COLORREF b) {
  int d = 0;
  for (int i = 0; i < 3; ++i) d += std::abs(Channel(a, i) - Channel(b, i));
  return d;
}
// `over` blended onto `under` with alpha a (0..255), as a straight-alpha fill does.
COLORREF Blend(COLORREF under, COLORREF over, int a) {
  auto one = [&](int i) { return Channel(under, i) + (Channel(over, i) - Channel(under, i)) * a / 255; };
  return RGB(one(0), one(1), one(2));
}
::testing::AssertionResult Near(COLORREF got, COLORREF want, int tolerance) {
  if (Distance(got, want) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << int(GetRValue(got)) << "," << int(GetGValue(got))
                                       << "," << int(GetBValue(got)) << "), want (" << int(GetRValue(want))
                                       << "," << int(GetGValue(want)) << "," << int(GetBValue(want)) << ")";
}

// A 52 x 22 button of radius 8 with the program's colours on a plain
// (248, 248, 248) panel; no pictures and no caption unless a test gives them.
struct Glass {
  TForm* form;
  TPanel* panel;
  TGlassButton* button;
  int clicks = 0;

  Glass() {
    form = MakeForm(200, 60, RgbColor(248, 248, 248));
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 150, 40);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(RgbColor(248, 248, 248));
    button = new TGlassButton(form);
    button->SetParent(panel);
    button->SetBounds(16, 8, 52, 22);
    button->SetBackColor(16760205);
    button->SetInnerBorderColor(clWindow);
    button->SetCornerRadius(8);
    button->Font().SetHeight(-11);
    button->OnClick = [this](TObject*) { ++clicks; };
  }
  ~Glass() { form->Free(); }

  HWND H() { return button->Handle(); }
  // The button as it paints now.
  std::vector<COLORREF> Render(const std::vector<POINT>& at) {
    TestSurface s(52, 22, RGB(1, 2, 3));
    ::SendMessageW(H(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
    std::vector<COLORREF> out;
    for (POINT p : at) out.push_back(s.At(p.x, p.y));
    return out;
  }
  COLORREF Render(int x, int y) { return Render({{x, y}})[0]; }
  void LoadFaces() {
    ASSERT_TRUE(button->Picture().LoadFromResource(IDR_PLAY));
    ASSERT_TRUE(button->PictureDown().LoadFromResource(IDR_PLAY_DOWN));
    ASSERT_TRUE(button->PictureDisabled().LoadFromResource(IDR_PLAY_DISABLED));
  }
};

// Puts the real pointer at client point (x, y) of `w`; false where it cannot be moved.
bool PointerAt(HWND w, int x, int y) {
  POINT p{x, y};
  ::ClientToScreen(w, &p);
  if (!::SetCursorPos(p.x, p.y)) return false;
  POINT now{};
  return ::GetCursorPos(&now) && now.x == p.x && now.y == p.y;
}

}  // namespace

TEST(GlassButtonPaint, BordersTintAndShineOfTheBody) {
  Glass g;
  const COLORREF window = ::GetSysColor(COLOR_WINDOW);
  const COLORREF tint = Blend(kBack, RGB(141, 190, 255), 127);
  const auto px = g.Render({{0, 11}, {51, 11}, {1, 11}, {50, 11}, {25, 0}, {25, 1}, {25, 21}, {25, 20},
                            {25, 16}, {25, 3}, {0, 0}, {51, 21}});
  EXPECT_TRUE(Near(px[0], RGB(255, 255, 255), 3)) << "outer border, left side";
  EXPECT_TRUE(Near(px[1], RGB(255, 255, 255), 3)) << "outer border, right side";
  EXPECT_TRUE(Near(px[2], window, 3)) << "inner border in the window colour, opaque";
  EXPECT_TRUE(Near(px[3], window, 3)) << "inner border, right side";
  EXPECT_TRUE(Near(px[4], RGB(255, 255, 255), 3)) << "outer border, top";
  EXPECT_TRUE(Near(px[5], window, 3)) << "inner border, top";
  EXPECT_TRUE(Near(px[6], RGB(255, 255, 255), 3)) << "outer border, bottom";
  EXPECT_TRUE(Near(px[7], window, 3)) << "inner border, bottom";
  EXPECT_TRUE(Near(px[8], tint, 6)) << "the lower half: the back colour at half strength";
  // The shine lies over the tint in the upper half: whiter than the lower half.
  EXPECT_GT(Channel(px[9], 0), Channel(px[8], 0) + 15);
  EXPECT_EQ(px[10], kBack) << "outside the rounded corner: the panel";
  EXPECT_EQ(px[11], kBack);
}

TEST(GlassButtonPaint, GlowOnlyWhilePressedAndBrighterTowardsTheBottomCentre) {
  Glass g;
  const std::vector<POINT> at = {{25, 18}, {25, 14}, {10, 16}, {4, 10}, {25, 4}};
  const auto rest = g.Render(at);
  EXPECT_FALSE(g.button->Pressed());

  ::SendMessageW(g.H(), WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 10));
  ASSERT_TRUE(g.button->Pressed());
  EXPECT_EQ(g.button->State(), GlassState::kPressed);
  const auto pressed = g.Render(at);
  std::vector<int> glow;
  for (size_t i = 0; i < at.size(); ++i) glow.push_back(Distance(pressed[i], rest[i]));
  EXPECT_GT(glow[0], 40) << "the glow at the bottom centre";
  EXPECT_GT(glow[0], glow[1]) << "stronger at the bottom than higher up";
  EXPECT_GT(glow[1], glow[2]) << "stronger in the middle than to the side";
  EXPECT_GT(glow[0], glow[3] + 30) << "faint at the left edge";
  // The glow is the glow colour: towards it, not towards white.
  EXPECT_LT(Distance(pressed[0], RGB(141, 190, 255)), Distance(rest[0], RGB(141, 190, 255)));
  ::SendMessageW(g.H(), WM_LBUTTONUP, 0, Point(20, 10));
  EXPECT_EQ(g.Render(at), rest) << "released: no glow";

  // Disabled: a press neither sets the flag nor draws a glow.
  g.button->SetEnabled(false);
  const auto disabled = g.Render(at);
  ::SendMessageW(g.H(), WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 10));
  EXPECT_FALSE(g.button->Pressed());
  EXPECT_EQ(g.button->State(), GlassState::kDisabled);
  EXPECT_EQ(g.Render(at), disabled);
  ::SendMessageW(g.H(), WM_LBUTTONUP, 0, Point(20, 10));
  // Down draws the glow without any press.
  g.button->SetEnabled(true);
  g.button->SetDown(true);
  EXPECT_GT(Distance(g.Render(25, 18), rest[0]), 40);
}

TEST(GlassButtonPaint, FacesKeepTheirKeyPixelsUndrawnAndTheDisabledFaceShowsWhileDisabled) {
  Glass g;
  // (4, 1), (3, 2) and (2, 3) are key pixels of the face's rounded top-left
  // corner over the glass's borders; (2, 0) lies outside the glass too.
  const std::vector<POINT> at = {{4, 1}, {3, 2}, {2, 3}, {27, 11}, {0, 11}, {1, 11}, {2, 0}};
  const auto glass = g.Render(at);  // no face yet
  for (int i : {0, 1, 2}) EXPECT_NE(glass[i], kBack) << "the glass is drawn at point " << i << ": " << std::hex << glass[i];
  g.LoadFaces();
  g.button->SetCaption("PlayButton");
  TGdiPlusPicture& face = g.button->Picture();
  ASSERT_EQ(face.Width(), 50);
  ASSERT_EQ(face.Height(), 22);
  const auto with_face = g.Render(at);
  // The face's corners are its key colour (248, 248, 248): the glass shows there.
  EXPECT_EQ(with_face[0], glass[0]);
  EXPECT_EQ(with_face[1], glass[1]);
  EXPECT_EQ(with_face[2], glass[2]);
  EXPECT_EQ(with_face[6], kBack);
  EXPECT_NE(with_face[3], glass[3]) << "the face covers the middle";
  EXPECT_EQ(with_face[4], glass[4]) << "the two columns left of the face: the glass";
  EXPECT_EQ(with_face[5], glass[5]);

  const COLORREF normal_middle = with_face[3];
  g.button->SetEnabled(false);
  EXPECT_EQ(&g.button->CurrentPicture(), &g.button->PictureDisabled());
  const COLORREF disabled_middle = g.Render(27, 11);
  EXPECT_NE(disabled_middle, normal_middle);
  // The disabled face's own pixel at (25, 11), drawn at x = 2.
  TestSurface own(50, 22, RGB(1, 2, 3));
  g.button->PictureDisabled().Draw(own.Dc(), 0, 0);
  EXPECT_EQ(disabled_middle, own.At(25, 11));
}

TEST(GlassButtonPaint, WithTheProgramsFacesTheCaptionLeavesNoMarkAnywhere) {
  // The faces take 50 of the 52 columns: the caption has no room, and no
  // glyph may show through the faces' transparent corners.
  Glass g;
  g.LoadFaces();
  g.button->Font().SetColor(clBlack);
  auto whole = [&] {
    std::vector<COLORREF> px;
    TestSurface s(52, 22, RGB(1, 2, 3));
    ::SendMessageW(g.H(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
    for (int y = 0; y < 22; ++y)
      for (int x = 0; x < 52; ++x) px.push_back(s.At(x, y));
    return px;
  };
  g.button->SetCaption("PlayButton");
  const auto play = whole();
  g.button->SetCaption("GlassButton1");
  EXPECT_EQ(whole(), play);
  int dark = 0;
  for (COLORREF c : play) dark += std::max({Channel(c, 0), Channel(c, 1), Channel(c, 2)}) < 150;
  EXPECT_EQ(dark, 0) << "pixels as dark as the caption's glyphs";
}

TEST(GlassButtonPaint, CaptionBrushIsTheFontColourOrGreyWhileDisabled) {
  Glass g;
  g.button->SetBounds(16, 4, 52, 30);
  g.button->Font().SetHeight(-20);
  g.button->Font().SetStyle(fsBold);
  g.button->Font().SetColor(clBlack);
  g.button->SetInnerBorderColor(clWhite);
  g.button->SetCaption("Ж");
  auto darkest = [&] {
    TestSurface s(52, 30, RGB(1, 2, 3));
    ::SendMessageW(g.H(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.Dc()), PRF_CLIENT);
    int best = 255;
    for (int y = 4; y < 26; ++y)
      for (int x = 6; x < 46; ++x) best = std::min(best, std::max({Channel(s.At(x, y), 0), Channel(s.At(x, y), 1), Channel(s.At(x, y), 2)}));
    return best;
  };
  EXPECT_LT(darkest(), 60) << "black glyph pixels";
  g.button->SetEnabled(false);
  const int grey = darkest();
  EXPECT_GE(grey, 100) << "no pixel darker than the grey brush";
  EXPECT_LE(grey, 140) << "glyph pixels in grey 0x808080";
}

TEST(GlassButtonInput, ReleaseOutsideGivesNoClickInsideExactlyOneAndQuickPairsGiveTwo) {
  Glass g;
  HWND h = g.H();
  // The class takes no double clicks: a quick second press is a press.
  EXPECT_EQ(::GetClassLongW(h, GCL_STYLE) & CS_DBLCLKS, 0u);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
  EXPECT_TRUE(g.button->Tracking());
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(80, 10));
  EXPECT_EQ(g.button->State(), GlassState::kNormal) << "outside while tracking";
  EXPECT_TRUE(g.button->Pressed()) << "the glow stays until the release";
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(51, 21));
  EXPECT_EQ(g.button->State(), GlassState::kPressed) << "back inside";
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(52, 21));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(52, 21));
  EXPECT_EQ(g.clicks, 0) << "released just outside";
  EXPECT_FALSE(g.button->Pressed());
  EXPECT_FALSE(g.button->Tracking());

  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(51, 21));
  EXPECT_EQ(g.clicks, 1);
  for (int i = 0; i < 2; ++i) {
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    ::SendMessageW(h, WM_LBUTTONUP, 0, Point(10, 10));
  }
  EXPECT_EQ(g.clicks, 3);
  // The right button and a press begun elsewhere click nothing.
  ::SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, Point(10, 10));
  ::SendMessageW(h, WM_RBUTTONUP, 0, Point(10, 10));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(10, 10));
  EXPECT_EQ(g.clicks, 3);
  EXPECT_EQ(::GetFocus(), h) << "a press gives the button the focus";
}

TEST(GlassButtonInput, PressedFaceWhileThePointerIsOverItNormalFaceAfterItLeaves) {
  Glass g;
  g.LoadFaces();
  g.form->Show();
  HWND h = g.H();
  if (!PointerAt(h, 10, 10)) GTEST_SKIP() << "the pointer cannot be moved here";
  g.button->MouseEnter();  // as the layer reports the pointer coming over it
  EXPECT_TRUE(g.button->Hover());
  EXPECT_TRUE(g.button->CursorPoll().Running()) << "the cursor poll runs while hovering";
  EXPECT_EQ(g.button->CursorPoll().Interval(), 1u);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
  EXPECT_EQ(&g.button->CurrentPicture(), &g.button->PictureDown());
  g.button->CursorPollTick();
  EXPECT_TRUE(g.button->Hover()) << "still over it";

  ASSERT_TRUE(PointerAt(h, 120, 10));
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(120, 10));
  g.button->CursorPollTick();
  EXPECT_FALSE(g.button->Hover());
  EXPECT_FALSE(g.button->CursorPoll().Running());
  EXPECT_EQ(&g.button->CurrentPicture(), &g.button->Picture()) << "the pointer left: normal face";
  EXPECT_TRUE(g.button->Pressed()) << "and the glow stays";
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(120, 10));
  EXPECT_EQ(g.clicks, 0);
  EXPECT_FALSE(g.button->Hover()) << "released away from the button";
}

TEST(GlassButtonInput, SpaceEnterAndTheAccessKeyClick) {
  Glass g;
  g.form->Show();
  HWND h = g.H();
  ::SendMessageW(h, WM_CHAR, L' ', 0);
  EXPECT_EQ(g.clicks, 1);
  ::SendMessageW(h, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(g.clicks, 2);
  EXPECT_EQ(::SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, DLGC_WANTCHARS);
  // Alt+P: the caption's access key, wherever the keyboard is.
  g.button->SetCaption("&Play");
  ::SendMessageW(g.form->Handle(), WM_SYSCHAR, L'p', 0);
  EXPECT_EQ(g.clicks, 3);
  ::SendMessageW(g.panel->Handle(), WM_SYSCHAR, L'P', 0);
  EXPECT_EQ(g.clicks, 4);
  ::SendMessageW(g.form->Handle(), WM_SYSCHAR, L'x', 0);
  EXPECT_EQ(g.clicks, 4);
  g.button->SetCaption("PlayButton");  // as in the program: no access key
  ::SendMessageW(g.form->Handle(), WM_SYSCHAR, L'p', 0);
  EXPECT_EQ(g.clicks, 4);
  g.button->SetCaption("&Play");
  g.button->SetEnabled(false);  // cannot take the focus: no click
  ::SendMessageW(g.form->Handle(), WM_SYSCHAR, L'p', 0);
  ::SendMessageW(h, WM_CHAR, L' ', 0);
  EXPECT_EQ(g.clicks, 4);
}

TEST(GlassButtonInput, SettersRepaintOnlyOnAChangeAndNegativeRadiusIsIgnored) {
  Glass g;
  g.form->Show();
  HWND h = g.H();
  auto repaint_pending = [h] {
    RECT r{};
    return ::GetUpdateRect(h, &r, FALSE) != FALSE;
  };
  const struct {
    const char* what;
    std::function<void(TGlassButton*)> same, other;
  } cases[] = {
      {"BackColor", [](TGlassButton* b) { b->SetBackColor(16760205); }, [](TGlassButton* b) { b->SetBackColor(0); }},
      {"GlowColor", [](TGlassButton* b) { b->SetGlowColor(16760205); }, [](TGlassButton* b) { b->SetGlowColor(1); }},
      {"ShineColor", [](TGlassButton* b) { b->SetShineColor(clWhite); }, [](TGlassButton* b) { b->SetShineColor(0); }},
      {"OuterBorderColor", [](TGlassButton* b) { b->SetOuterBorderColor(clWhite); }, [](TGlassButton* b) { b->SetOuterBorderColor(0); }},
      {"InnerBorderColor", [](TGlassButton* b) { b->SetInnerBorderColor(clWindow); }, [](TGlassButton* b) { b->SetInnerBorderColor(0); }},
      {"CornerRadius", [](TGlassButton* b) { b->SetCornerRadius(-3); }, [](TGlassButton* b) { b->SetCornerRadius(4); }},
      {"ShowCaption", [](TGlassButton* b) { b->SetShowCaption(true); }, [](TGlassButton* b) { b->SetShowCaption(false); }},
      {"Down", [](TGlassButton* b) { b->SetDown(false); }, [](TGlassButton* b) { b->SetDown(true); }},
  };
  for (const auto& c : cases) {
    ::ValidateRect(h, nullptr);
    c.same(g.button);
    EXPECT_FALSE(repaint_pending()) << c.what << " unchanged";
    c.other(g.button);
    EXPECT_TRUE(repaint_pending()) << c.what << " changed";
  }
  EXPECT_EQ(g.button->CornerRadius(), 4);
  g.button->SetCornerRadius(-1);
  EXPECT_EQ(g.button->CornerRadius(), 4);
  // Gaining and losing the focus repaint.
  ::ValidateRect(h, nullptr);
  ::SetFocus(h);
  EXPECT_TRUE(repaint_pending());
  ::ValidateRect(h, nullptr);
  ::SetFocus(g.form->Handle());
  EXPECT_TRUE(repaint_pending());
}
