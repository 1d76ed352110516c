// The skinned frame of the main window: its region, frame lines, title
// images with their hover pictures, and moving the window by mouse.
#include <vector>

#include "app/skin_geometry.h"
#include "app/unit1_win.h"

void TImageMouse::MouseEnter() {
  TImage::MouseEnter();
  ShowHover(true);
}

void TImageMouse::MouseLeave() {
  TImage::MouseLeave();
  ShowHover(false);
}

// Each title image shows its hover picture while the pointer is over it; the
// move handle also turns its own and the window's cursor into the move arrow.
void TImageMouse::ShowHover(bool hover) {
  if (!Form1) return;
  struct Look {
    const char* name;
    TImage* TForm1::*normal;
    TImage* TForm1::*hot;
    bool move_handle;  // also shows the move arrow
  };
  static constexpr Look kLooks[] = {{"image11", &TForm1::Image1, &TForm1::Image2, true},
                                    {"image12", &TForm1::Image3, &TForm1::Image4, false},
                                    {"image13", &TForm1::Image5, &TForm1::Image6, false}};
  for (const Look& look : kLooks) {
    if (Name() != look.name) continue;
    if (look.move_handle) {
      SetCursor(hover ? crSizeAll : crDefault);
      Form1->SetCursor(hover ? crSizeAll : crDefault);
    }
    Picture().Assign((Form1->*(hover ? look.hot : look.normal))->Picture());
    return;
  }
}

void TForm1::MakeRegion() {
  const auto polygon = WindowRegionPolygon(Form1->Width(), Form1->Height());
  std::vector<POINT> points;
  for (const SkinPoint& p : polygon) points.push_back({p.x, p.y});
  UniqueGdiObj<HRGN> region(CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING));
  (void)SetRegion(std::move(region), true);
}

void TForm1::MakeTitleImages() {
  struct TitleImage {
    TImageMouse** field;
    const char* name;
    TImage* picture;
  };
  const TitleImage titles[3] = {
      {&image11, "image11", Image1}, {&image12, "image12", Image3}, {&image13, "image13", Image5}};
  for (int i = 0; i < 3; ++i) {
    TImageMouse* image = new TImageMouse(this);
    image->SetParent(this);
    const SkinRect r = TitleImageRect(ClientWidth(), i);
    image->SetBounds(r.left, r.top, r.width, r.height);
    image->Picture().Assign(titles[i].picture->Picture());
    image->SetStretch(false);
    image->SetName(titles[i].name);
    *titles[i].field = image;
  }
  image11->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TitleImageMouseDown(s, b, sh, x, y);
  };
  image12->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    MinimizeImageMouseUp(s, b, sh, x, y);
  };
  image13->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    CloseImageMouseUp(s, b, sh, x, y);
  };
}

void TForm1::FormPaint(TObject*) {
  TCanvas& canvas = Canvas();
  const FramePaint frame = FramePainting(Width(), Height());
  canvas.SetPenWidth(1);
  SkinPoint pen_at{-1, -1};
  for (const FrameLine& line : frame.lines) {
    canvas.SetPenColor(line.color);
    if (!(pen_at == line.from)) canvas.MoveTo(line.from.x, line.from.y);
    canvas.LineTo(line.to.x, line.to.y);
    pen_at = line.to;
  }
  for (const SkinPoint& p : frame.dark_pixels) canvas.SetPixel(p.x, p.y, kFrameDark);
}

void TForm1::MoveWindowByMouse() {
  ReleaseCapture();
  // SC_MOVE + 2 (HTCAPTION): the system moves the window with the mouse until
  // the button goes up, as from a caption bar.
  SendMessageW(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

void TForm1::TitleImageMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  MoveWindowByMouse();
}
void TForm1::Image7MouseDown(TObject*, TMouseButton, TShiftState, int, int) { MoveWindowByMouse(); }
void TForm1::Image8MouseDown(TObject*, TMouseButton, TShiftState, int, int) { MoveWindowByMouse(); }

void TForm1::MinimizeImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Application.Minimize();
}

void TForm1::CloseImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) { Close(); }
