// close_window WIDTH HEIGHT [SECONDS]: posts WM_CLOSE to every visible
// top-level window of that size (as the user closing it would) and waits up
// to SECONDS (default 20) for them to go. Exit code 0 when at least one such
// window was found and all of them are gone, 1 otherwise.
//
// The end-to-end checks use it to close the player under Wine, where no
// window-automation tool is at hand.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Search {
  int width;
  int height;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<Search*>(lparam);
  RECT r{};
  if (IsWindowVisible(hwnd) && GetWindowRect(hwnd, &r) && r.right - r.left == search->width &&
      r.bottom - r.top == search->height)
    search->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: close_window WIDTH HEIGHT [SECONDS]\n");
    return 2;
  }
  Search search{std::atoi(argv[1]), std::atoi(argv[2]), {}};
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 20;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  if (search.found.empty()) {
    std::fprintf(stderr, "no visible %dx%d window\n", search.width, search.height);
    return 1;
  }
  for (HWND hwnd : search.found) PostMessageW(hwnd, WM_CLOSE, 0, 0);
  for (int i = 0; i < seconds * 10; ++i) {
    bool any = false;
    for (HWND hwnd : search.found) any = any || IsWindow(hwnd);
    if (!any) {
      std::printf("closed %u window(s)\n", static_cast<unsigned>(search.found.size()));
      return 0;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "the window is still there after %d s\n", seconds);
  return 1;
}
