// TForm1's recording: Record from the menus (and the media key), the folder
// the "recorddir" setting names, and the mark in the status line and the tray
// hint. Thin calls into playback/recorder_win.h.
#include <string>

#include "app/app_state_win.h"
#include "app/settings_win.h"
#include "app/unit1_win.h"
#include "base/cp1251_win.h"
#include "playback/connection_win.h"
#include "playback/record_rules.h"
#include "playback/recorder_win.h"
#include "playback/status_rules.h"
#include "tray/tray_icon_win.h"

namespace {

// The "recorddir" setting (environment variables expanded), or the Music
// folder's own when it names none.
std::wstring RecordFolder() {
  std::string setting;
  try {
    setting = ReadSetting(kRecordDirSetting);
  } catch (const ESettingsError&) {
    // Not a text: as if it named none.
  }
  if (setting.empty()) return DefaultRecordFolder();
  const std::wstring named = ToWide(setting);
  std::wstring folder(32768, L'\0');
  const DWORD n = ::ExpandEnvironmentStringsW(named.c_str(), folder.data(), static_cast<DWORD>(folder.size()));
  folder = n > 0 && n <= folder.size() ? folder.substr(0, n - 1) : named;
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder;
}

}  // namespace

void TForm1::ToggleRecording() {
  if (Recording()) {
    record_note_ = StopRecording();
  } else if (!Nstop->Enabled() || !CurrentStream()) {
    record_note_ = kRecordNothing;  // stopped, or still connecting
  } else {
    record_note_ = StartRecording(Handle(), CurrentStream(), RecordFolder(),
                                  RecordStationName(Label1->Caption(), LastUrl));
  }
  ShowRecordState();
}

void TForm1::NrecordClick(TObject*) { ToggleRecording(); }

void TForm1::RecordingStopped() {
  if (!Recording()) return;
  record_note_ = StopRecording();
  ShowRecordState();
}

void TForm1::ShowRecordState() {
  const bool recording = Recording();
  const StatusSlots slots{StatusLabel->Caption(), Label1->Caption(), Label2->Caption()};
  Label3->SetCaption(WithRecordMark(StatusLine(slots), recording, record_note_));
  TrayIcon1->SetHint(WithRecordMark(Application.Title(), recording, {}));
  Nrecord->SetChecked(recording);
  Nrecord2->SetChecked(recording);
  Wrecord->SetChecked(recording);
}
