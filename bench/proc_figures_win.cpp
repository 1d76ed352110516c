// proc_figures NAME: prints the size, handle and thread counts of every running
// process whose image is NAME (for example volnar.exe), one line each:
//   pid N working_set_kb N private_kb N handles N threads N gdi N user N
// Exit code 1 when there is none. The soak benchmark samples the player with it.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "process_figures_win.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: proc_figures NAME.exe\n");
    return 2;
  }
  const std::wstring name(argv[1], argv[1] + std::strlen(argv[1]));  // an ASCII image name
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
    ProcessFigures figures;
    if (!ReadProcessFigures(entry.th32ProcessID, figures)) continue;
    const std::string label = "pid " + std::to_string(entry.th32ProcessID);
    PrintProcessFigures(label.c_str(), figures);
    ++found;
  }
  ::CloseHandle(snapshot);
  return found ? 0 : 1;
}
