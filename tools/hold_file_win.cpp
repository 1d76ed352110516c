// hold_file PATH: opens an existing file as a backup, sync or scanning program
// may, sharing nothing with anyone (no other process can open it meanwhile),
// and holds it until its standard input ends. Prints "holding" once the file is
// open. Exit code 0 after the hold, 2 when the file could not be opened, 1 for
// bad usage.
//
// The end-to-end checks use it to hold the player's stored stations while the
// player starts.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hold_file PATH\n");
    return 1;
  }
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("failed %lu\n", GetLastError());
    return 2;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  while (std::fgetc(stdin) != EOF) {
  }
  CloseHandle(file);
  return 0;
}
