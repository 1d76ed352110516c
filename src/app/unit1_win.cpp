#include "app/unit1_win.h"

#include <string>

#include "app/catalogue_cookies_win.h"
#include "app/program_win.h"
#include "app/settings_win.h"
#include "app/skin_geometry.h"
#include "app/wait_rules.h"
#include "browser/cookies_win.h"
#include "browser/hosted_browser_win.h"
#include "browser/pane_notice_win.h"
#include "catalogue/catalogue_win.h"
#include "controls/glass_button_win.h"
#include "controls/skin_panel_win.h"
#include "controls/skin_trackbar_win.h"
#include "engine/api/engine.h"
#include "playback/connection_win.h"
#include "playback/engine_error_win.h"
#include "playback/volume.h"
#include "resources/resource_ids.h"
#include "tray/tray_icon_win.h"

TForm1* Form1 = nullptr;
HWND MainWindowHandle = nullptr;
std::string LastUrl;
std::string CatalogueHost;
int ConnectAttempts = 100;
bool FirstPage = true;
bool Minimised = false;

namespace {

constexpr TColor kStatusColor = RgbColor(0x7B, 0xD7, 0xFA);  // 16439163
constexpr uint32_t kConnectionsEndMs = 3000;
// The proxy text given to the engine: lives as long as the program, always empty.
char g_proxy[100] = {};

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width,
        int height) {
  T* c = new T(owner);
  c->SetName(name);
  c->SetBounds(left, top, width, height);
  c->SetParent(parent);
  return c;
}

TLabel* MakeStatusSlot(TForm1* form, const char* name, int left, int top, int width,
                       const char* caption) {
  TLabel* label = Make<TLabel>(form, form, name, left, top, width, 13);
  label->SetVisible(false);
  label->SetTransparent(true);
  label->Font().SetColor(kStatusColor);
  label->SetCaption(caption);
  return label;
}

TMenuItem* MakeItem(TForm1* form, TPopupMenu* menu, const char* name, const char* caption,
                    bool enabled, TShortCut shortcut = 0) {
  TMenuItem* item = new TMenuItem(form);
  item->SetName(name);
  item->SetCaption(caption);
  item->SetEnabled(enabled);
  item->SetShortCut(shortcut);
  menu->Add(item);
  return item;
}

// The glass look both buttons share, and their faces.
void SetUpGlassButton(TGlassButton* button, int normal, int down, int disabled) {
  button->SetBackColor(16760205);
  button->SetInnerBorderColor(clWindow);
  button->SetCornerRadius(8);
  button->Font().SetName("Tahoma");
  button->Font().SetHeight(-11);
  (void)button->Picture().LoadFromResource(normal);
  (void)button->PictureDown().LoadFromResource(down);
  (void)button->PictureDisabled().LoadFromResource(disabled);
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  BuildLayout();
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnPaint = [this](TObject* s) { FormPaint(s); };
}

TForm1::~TForm1() {
  // The application outlives the window: its events must not call into it.
  Application.OnMinimize = nullptr;
  Application.OnRestore = nullptr;
  if (Form1 == this) Form1 = nullptr;
}

// The window as loaded: every control at its design place, in stacking order.
void TForm1::BuildLayout() {
  SetBorderStyle(bsNone);
  SetClientSize(600, 637);
  SetBounds(372, 207, Width(), Height());
  SetColor(kFormColor);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  SetCaption(kProgramTitle);
  (void)SetIconResource(IDI_VOLNAR);

  const int holder_ids[6] = {IDB_IMAGE1, IDB_IMAGE2, IDB_IMAGE3, IDB_IMAGE4, IDB_IMAGE5, IDB_IMAGE6};
  const int holder_lefts[6] = {44, 59, 74, 90, 105, 120};
  TImage** holders[6] = {&Image1, &Image2, &Image3, &Image4, &Image5, &Image6};
  for (int i = 0; i < 6; ++i) {
    const std::string name = "Image" + std::to_string(i + 1);
    TImage* image = Make<TImage>(this, this, name.c_str(), holder_lefts[i], 16, 14, 13);
    image->SetVisible(false);
    (void)image->Picture().LoadFromResource(nullptr, holder_ids[i]);
    *holders[i] = image;
  }

  Label2 = MakeStatusSlot(this, "Label2", 81, 574, 28, "status");
  Label1 = MakeStatusSlot(this, "Label1", 84, 558, 453, "Нет потока");
  StatusLabel = MakeStatusSlot(this, "StatusLabel", 86, 542, 435, "status");

  WebBrowser1 = Make<THostedBrowser>(this, this, "WebBrowser1", 8, 120, 577, 409);

  pleasewait = Make<TEdit>(this, this, "pleasewait", 208, 288, 161, 19);
  pleasewait->SetBorderStyle(bsNoBorder);
  pleasewait->SetColor(clInfoBk);
  pleasewait->Font().SetName("Tahoma");
  pleasewait->Font().SetHeight(-13);
  pleasewait->SetText(" Пожалуйста подождите...");
  pleasewait->SetEnabled(false);

  Panel1 = Make<TPanel>(this, this, "Panel1", 16, 112, 345, 73);
  Panel1->SetBevelOuter(bvNone);
  Image7 = Make<TImage>(this, Panel1, "Image7", 0, 0, 345, 73);
  (void)Image7->Picture().LoadFromResource(nullptr, IDB_IMAGE7);
  Image7->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    Image7MouseDown(s, b, sh, x, y);
  };

  Panel2 = Make<TPanel>(this, this, "Panel2", 24, 201, 345, 73);
  Panel2->SetBevelOuter(bvNone);
  Image8 = Make<TImage>(this, Panel2, "Image8", 0, 0, 345, 73);
  (void)Image8->Picture().LoadFromResource(nullptr, IDB_IMAGE8);
  Image8->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    Image8MouseDown(s, b, sh, x, y);
  };

  SkinPanel1 = Make<TSkinPanel>(this, this, "SkinPanel1", 27, 107, 427, 39);
  (void)SkinPanel1->LoadBackgroundResource(IDR_SKINPANEL);

  Label3 = Make<TLabel>(this, SkinPanel1, "Label3", 205, 19, 220, 13);
  Label3->SetTransparent(true);
  Label3->Font().SetName("MS Sans Serif");
  Label3->Font().SetHeight(-11);
  Label3->Font().SetColor(kStatusColor);
  Label3->SetCaption("");

  Image10 = Make<TImage>(this, SkinPanel1, "Image10", 180, 7, 13, 13);
  (void)Image10->Picture().LoadFromResource(nullptr, IDB_IMAGE10);

  SkinTrackBar1 = Make<TSkinTrackBar>(this, SkinPanel1, "SkinTrackBar1", 218, -4, 166, 21);
  SkinTrackBar1->LoadValues(0, 100, 50);
  (void)SkinTrackBar1->ThumbPicture().LoadFromResource(IDR_THUMB);
  (void)SkinTrackBar1->ThumbPictureHot().LoadFromResource(IDR_THUMB);
  (void)SkinTrackBar1->ThumbPictureDown().LoadFromResource(IDR_THUMB);
  SkinTrackBar1->ApplyThumbSize();
  SkinTrackBar1->OnChange = [this](TObject* s) { SkinTrackBar1Change(s); };

  PlayButton = Make<TGlassButton>(this, SkinPanel1, "PlayButton", 16, 8, 52, 22);
  PlayButton->SetCaption("PlayButton");
  SetUpGlassButton(PlayButton, IDR_PLAY, IDR_PLAY_DOWN, IDR_PLAY_DISABLED);
  PlayButton->OnClick = [this](TObject* s) { PlayButtonClick(s); };

  StopButton = Make<TGlassButton>(this, SkinPanel1, "StopButton", 96, 8, 52, 22);
  StopButton->SetCaption("GlassButton1");
  SetUpGlassButton(StopButton, IDR_STOP, IDR_STOP_DOWN, IDR_STOP_DISABLED);
  StopButton->OnClick = [this](TObject* s) { StopButtonClick(s); };

  // The tray menu and the browser's edit menu.
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  Nplay = MakeItem(this, PopupMenu1, "Nplay", "Вкл. последнее радио", false);
  Nstop = MakeItem(this, PopupMenu1, "Nstop", "Остановить", false);
  Nrecord = MakeItem(this, PopupMenu1, "Nrecord", "Запись", true);
  BuildListeningMenus();
  PopupMenu1->Add(Ncopy);
  PopupMenu1->Add(Nsleep);
  N2 = MakeItem(this, PopupMenu1, "N2", "-", true);
  N1 = MakeItem(this, PopupMenu1, "N1", "Скрыть/Показать ", true);
  N3 = MakeItem(this, PopupMenu1, "N3", "Выход", true);
  Nplay->OnClick = [this](TObject* s) { NplayClick(s); };
  Nstop->OnClick = [this](TObject* s) { NstopClick(s); };
  N1->OnClick = [this](TObject* s) { N1Click(s); };
  N3->OnClick = [this](TObject* s) { N3Click(s); };

  PopupMenu2 = new TPopupMenu(this);
  PopupMenu2->SetName("PopupMenu2");
  N5 = MakeItem(this, PopupMenu2, "N5", "Вырезать", true, MakeShortCut('X', true));
  N4 = MakeItem(this, PopupMenu2, "N4", "Копировать", true, MakeShortCut('C', true));
  N6 = MakeItem(this, PopupMenu2, "N6", "Вставить", true, MakeShortCut('V', true));
  N7 = MakeItem(this, PopupMenu2, "N7", "-", true);
  Nrecord2 = MakeItem(this, PopupMenu2, "Nrecord2", "Запись", true);
  Nrecord->OnClick = [this](TObject* s) { NrecordClick(s); };
  Nrecord2->OnClick = [this](TObject* s) { NrecordClick(s); };
  SetUpBrowser();

  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->SetName("TrayIcon1");
  TrayIcon1->SetPopupMenu(PopupMenu1);
  TrayIcon1->SetMinimizeToTray(true);
  (void)TrayIcon1->SetIconResource(IDI_VOLNAR);
  TrayIcon1->SetHint(kProgramTitle);
  TrayIcon1->OnDblClick = [this](TObject* s) { TrayIcon1DblClick(s); };
  TrayIcon1->SetIconVisible(true);

  // The application's minimise and restore events.
  Application.OnMinimize = [this](TObject* s) { ApplicationEvents1Minimize(s); };
  Application.OnRestore = [this](TObject* s) { ApplicationEvents1Restore(s); };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(4000);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  TimerL = new TTimer(this);
  TimerL->SetName("TimerL");
  TimerL->SetEnabled(false);
  TimerL->SetInterval(200);
  TimerL->OnTimer = [this](TObject* s) { TimerLTimer(s); };
}

void TForm1::FormCreate(TObject*) {
  ConnectAttempts = 100;
  // A stored value of the wrong type must not leave the window half made:
  // show the error and go on without a last station.
  try {
    LastUrl = ReadSetting("lasturl");
  } catch (const ESettingsError& error) {
    LastUrl.clear();
    Application.HandleException(error);
  }
  // The built-in catalogue's address depends on the port it got.
  CatalogueHost = StartCatalogue(!LastUrl.empty());
  SetCataloguePlayWindow(Handle());  // plays asked for by the catalogue in an external browser
  FirstPage = true;
  Minimised = false;
  StatusLabel->SetCaption("");
  MakeRegion();
  MakeTitleImages();
  MainWindowHandle = Handle();
  StartEngine();
  StartListening();
}

void TForm1::StartEngine() {
  if ((EngineVersion() >> 16) != 0x0204) {
    ShowMessageBox(nullptr, "An incorrect version of the audio engine was loaded", nullptr,
                   MB_ICONERROR);
    HaltProgram();
  }
  if (!EngineInit(kEngineDefaultDevice, 44100, 0, MainWindowHandle, nullptr)) {
    ShowEngineError(MainWindowHandle, "Can't initialize device");
    HaltProgram();
  }
  // The plug-ins sit beside the executable; a missing one is ignored.
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string folder = FromWide(std::wstring_view(path, n));
  folder.resize(folder.find_last_of("\\/") + 1);
  EngineLoadPlugin((folder + kPluginWma).c_str(), 0);
  EngineLoadPlugin((folder + kPluginAac).c_str(), 0);
  EngineSetOption(kOptionNetPlaylist, 1);
  EngineSetOption(kOptionNetPrebuffer, 0);
  EngineSetOption(kOptionWmaPrebuffer, 0);
  EngineSetOption(kOptionNetReadTimeout, 15000);
  EngineSetOption(kOptionNetTimeout, 15000);
  EngineSetOptionText(kOptionNetProxy, g_proxy);
}

void TForm1::FormShow(TObject*) {
  if (!LastUrl.empty()) {
    Nstop->SetEnabled(false);
    Nplay->SetEnabled(true);
    StopButton->SetEnabled(false);
    PlayButton->SetEnabled(true);
  }
  SkinTrackBar1->SetPosition(VolumeToPosition(EngineGetVolume()));

  const ShowLayout layout = ComputeShowLayout(ClientWidth(), ClientHeight(), pleasewait->Width());
  const SkinRect& b = layout.browser;
  WebBrowser1->SetBounds(b.left, b.top, b.width, b.height);
  pleasewait->SetLeft(layout.pleasewait_left);
  pleasewait->SetVisible(true);
  Panel1->SetBounds(layout.panel1.left, layout.panel1.top, layout.panel1.width, layout.panel1.height);
  Image7->SetBounds(0, 0, Panel1->Width(), Panel1->Height());
  Panel2->SetBounds(layout.panel2.left, layout.panel2.top, layout.panel2.width, layout.panel2.height);
  Image8->SetBounds(0, 0, Panel2->Width(), Panel2->Height());

  WebBrowser1->Navigate(kPlaceholderPage);
  pleasewait->SetVisible(true);
  // As for "lasturl": a bad stored value is shown and skipped, and the
  // catalogue still opens (its next page's cookies then replace the value).
  try {
    RestoreCookies(CatalogueHost);
  } catch (const ESettingsError& error) {
    Application.HandleException(error);
  }
  WebBrowser1->Navigate("http://" + CatalogueHost);
  // Where the pane shows no page, a notice offers the catalogue in the system's browser.
  (void)WatchPaneRendering(*WebBrowser1, Handle(), CatalogueHost);
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  // Saved once: after the session's end (or a first close) the program is
  // ending, and what it would save now is what it already saved.
  if (closed_) return;
  // A refused write is shown but does not keep the window open: the other
  // value is still written and the engine still stops.
  try {
    SaveCatalogueCookies(*WebBrowser1, CatalogueHost);
  } catch (const ESettingsError& error) {
    Application.HandleException(error);
  }
  try {
    WriteSetting("lasturl", LastUrl);
  } catch (const ESettingsError& error) {
    Application.HandleException(error);
  }
  EngineStop();
  if (Recording()) ToggleRecording();  // the files are complete before the program ends
  StopListening();
  closed_ = true;
}

void TForm1::SessionEnded() {
  // A player left in the tray is never closed by the user: the session's end
  // is its close. After a close (or an earlier end) there is nothing to save.
  if (closed_) return;
  Close();
}

void TForm1::FormDestroy(TObject*) {
  StopListening();
  // Connections still running report nothing more; once the engine has let
  // go of their streams they end quickly, and they are let finish here so
  // that none of them outlives the program's data.
  RetireConnections();
  EngineFree();
  WaitForConnections(kConnectionsEndMs);
  SetCataloguePlayWindow(nullptr);
  StopCatalogue();
}

void TForm1::N1Click(TObject*) {
  if (Minimised) {
    Application.Minimize();
    Application.Restore();
  } else {
    Application.Restore();
    Application.Minimize();
  }
}

void TForm1::TrayIcon1DblClick(TObject* sender) { N1Click(sender); }

void TForm1::N3Click(TObject*) { Close(); }

void TForm1::ApplicationEvents1Minimize(TObject*) { Minimised = true; }

void TForm1::ApplicationEvents1Restore(TObject*) { Minimised = false; }

void WaitWithMessages(uint32_t ms) {
  WaitHooks hooks;
  hooks.sleep_one_ms = [] { SleepEx(1, TRUE); };
  hooks.pump = [] { Application.ProcessMessages(); };
  hooks.tick_count = [] { return static_cast<uint32_t>(GetTickCount()); };
  RunWait(ms, hooks);
}
