// The window's own controls on a plain test form: the slider's transparency,
// thumb picture and input, the glass button's clicks and pictures, and the
// tray icon's tip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/glass_button_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "resources/resource_ids.h"
#include "tray/tray_icon_win.h"
#include "ui/ui_win.h"

namespace {

// A form holding the control strip as the main window lays it out.
struct Strip {
  TForm* form;
  TSkinPanel* panel;
  TSkinTrackBar* slider;
  TGlassButton* button;
  std::vector<int> changes;
  int clicks = 0;

  Strip() {
    Application.Initialize();
    form = new TForm(&Application);
    form->SetBorderStyle(bsNone);
    form->SetBounds(50, 50, 500, 100);
    panel = new TSkinPanel(form);
    panel->SetBounds(27, 20, 427, 39);
    panel->SetParent(form);
    EXPECT_TRUE(panel->LoadBackgroundResource(IDR_SKINPANEL));
    slider = new TSkinTrackBar(form);
    slider->SetBounds(218, -4, 166, 21);
    slider->SetParent(panel);
    slider->LoadValues(0, 100, 50);
    EXPECT_TRUE(slider->ThumbPicture().LoadFromResource(IDR_THUMB));
    slider->ApplyThumbSize();
    slider->OnChange = [this](TObject*) { changes.push_back(slider->Position()); };
    button = new TGlassButton(form);
    button->SetBounds(16, 8, 52, 22);
    button->SetParent(panel);
    (void)button->Picture().LoadFromResource(IDR_PLAY);
    (void)button->PictureDown().LoadFromResource(IDR_PLAY_DOWN);
    (void)button->PictureDisabled().LoadFromResource(IDR_PLAY_DISABLED);
    button->OnClick = [this](TObject*) { ++clicks; };
    form->Show();
  }
  ~Strip() { form->Free(); }

  // What the control shows, painted as the system would paint it.
  std::vector<COLORREF> Paint(TWinControl* c, const std::vector<POINT>& at) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, c->Width(), c->Height());
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    std::vector<COLORREF> out;
    for (POINT p : at) out.push_back(GetPixel(dc, p.x, p.y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return out;
  }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace

TEST(SkinTrackBarWin, ShowsThePanelPictureUnderItAndTheThumbOnTop) {
  Strip s;
  EXPECT_EQ(s.slider->Core().ThumbWidth(), 23);
  EXPECT_EQ(s.slider->Core().ThumbSize(), 8);
  // Slider (x, y) is panel (x + 218, y - 4). Groove top edge at panel y 10.
  const auto panel = s.Paint(s.panel, {{218 + 30, 10}, {218 + 30, 2}, {218 + 71, 9}});
  const auto slider = s.Paint(s.slider, {{30, 14}, {30, 6}, {71, 13}, {80, 16}});
  EXPECT_EQ(slider[0], panel[0]) << "the groove shows through";
  EXPECT_EQ(slider[1], panel[1]) << "the light fill shows through";
  EXPECT_EQ(slider[2], panel[2]) << "the thumb's (248,248,248) corner is not drawn";
  EXPECT_NE(slider[3], RGB(248, 248, 248));
  EXPECT_NE(slider[3], panel[2]) << "the thumb's face is drawn";
}

TEST(SkinTrackBarWin, KeysWheelAndDragMoveThePosition) {
  Strip s;
  HWND h = s.slider->Handle();
  SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(h, WM_KEYDOWN, VK_PRIOR, 0);
  SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), At(300, 300));
  SendMessageW(h, WM_KEYDOWN, VK_END, 0);
  SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);  // at Max: nothing
  SendMessageW(h, WM_KEYDOWN, VK_PRIOR, 0);  // at Max: clamped, still a change
  EXPECT_EQ(s.changes, (std::vector<int>{51, 52, 51, 100, 100}));
  EXPECT_EQ(SendMessageW(h, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

  // A press on the thumb (at 100 it spans x 140..162) and a drag to both ends and back.
  s.changes.clear();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(150, 15));
  EXPECT_TRUE(s.slider->Dragging());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(14, 15));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(-40, 15));
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(83, 15));
  SendMessageW(h, WM_LBUTTONUP, 0, At(83, 15));
  EXPECT_FALSE(s.slider->Dragging());
  EXPECT_EQ(s.changes, (std::vector<int>{0, 50}));
}

TEST(SkinTrackBarWin, PressBesideTheThumbStepsOnceAndTopRowsDoNothing) {
  Strip s;
  HWND h = s.slider->Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(120, 5));  // top rows: outside the stepping area
  SendMessageW(h, WM_LBUTTONUP, 0, At(120, 5));
  EXPECT_TRUE(s.changes.empty());
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(120, 15));
  EXPECT_TRUE(s.slider->Stepping());
  EXPECT_EQ(s.changes, (std::vector<int>{51}));
  SendMessageW(h, WM_LBUTTONUP, 0, At(120, 15));
  EXPECT_FALSE(s.slider->Stepping());
  SendMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, At(20, 15));  // right press: focus only
  SendMessageW(h, WM_RBUTTONUP, 0, At(20, 15));
  EXPECT_EQ(s.changes.size(), 1u);
}

TEST(GlassButtonWin, ClicksOnlyWhenReleasedInsideAndWhileEnabled) {
  Strip s;
  HWND h = s.button->Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
  EXPECT_TRUE(s.button->Pressed());
  EXPECT_EQ(&s.button->CurrentPicture(), &s.button->PictureDown());
  SendMessageW(h, WM_LBUTTONUP, 0, At(10, 10));
  EXPECT_EQ(s.clicks, 1);
  // The release checks the hover flag against the real pointer, which is not
  // over the button here: the next press shows the normal face.
  EXPECT_FALSE(s.button->Hover());
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
  EXPECT_EQ(&s.button->CurrentPicture(), &s.button->Picture());
  SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(80, 10));
  SendMessageW(h, WM_LBUTTONUP, 0, At(80, 10));
  EXPECT_EQ(s.clicks, 1) << "released outside";
  SendMessageW(h, WM_CHAR, L' ', 0);
  EXPECT_EQ(s.clicks, 2);
  s.button->SetEnabled(false);
  EXPECT_EQ(&s.button->CurrentPicture(), &s.button->PictureDisabled());
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
  SendMessageW(h, WM_LBUTTONUP, 0, At(10, 10));
  EXPECT_EQ(s.clicks, 2);
}

TEST(GlassButtonWin, FaceCornersShowTheGlassOverThePanel) {
  Strip s;
  // Button (x, y) is panel (x + 16, y + 8); the face starts at x = 2, and
  // its corner pixels are the key colour: the glass body over the panel
  // picture shows there, as it does where the button has no face at all.
  const std::vector<POINT> at = {{2, 0}, {2, 21}, {0, 11}, {27, 11}};
  const auto with_face = s.Paint(s.button, at);
  const std::string face = s.button->Picture().Bytes();
  s.button->Picture().Clear();
  const auto glass = s.Paint(s.button, at);
  EXPECT_EQ(with_face[0], glass[0]);
  EXPECT_EQ(with_face[1], glass[1]);
  EXPECT_EQ(with_face[2], glass[2]) << "left of the face";
  EXPECT_NE(with_face[3], glass[3]) << "the face itself";
  const auto panel = s.Paint(s.panel, {{16 + 27, 8 + 11}});
  EXPECT_NE(glass[3], panel[0]) << "the glass tints what lies under it";
  s.button->Picture().LoadFromBytes(face);
}

TEST(TrayIconWin, TipIsCutTo127CharactersAndEmptyWithoutHint) {
  Application.Initialize();
  TTrayIcon tray(nullptr);
  tray.SetHint(std::string(200, 'a'));
  EXPECT_EQ(tray.TipText(), std::wstring(127, L'a'));
  tray.SetHint("Волнар-радио");
  EXPECT_EQ(tray.TipText(), L"Волнар-радио");
  tray.SetShowHint(false);
  EXPECT_EQ(tray.TipText(), L"");
  tray.SetShowHint(true);
  tray.SetHint("");
  EXPECT_EQ(tray.TipText(), L"");
  EXPECT_TRUE(tray.AddTrayIcon());
  EXPECT_TRUE(tray.UpdateTrayIcon());
  EXPECT_TRUE(tray.RemoveTrayIcon());
}
