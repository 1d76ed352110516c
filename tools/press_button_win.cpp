// press_button WIDTH HEIGHT X Y W H: finds the visible top-level window of
// WIDTH x HEIGHT and, inside it, the child window at X, Y (relative to its
// parent) of W x H, and presses it with the space bar, as a keyboard user
// would. Exit code 0 when the button was found, 1 otherwise.
//
// The end-to-end checks use it to press the player's Play button under Wine,
// where no window-automation tool is at hand.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Search {
  int values[6];
  HWND top = nullptr;
  HWND button = nullptr;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lparam) {
  auto* s = reinterpret_cast<Search*>(lparam);
  RECT r{};
  if (!GetWindowRect(hwnd, &r)) return TRUE;
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  if (r.left == s->values[2] && r.top == s->values[3] && r.right - r.left == s->values[4] &&
      r.bottom - r.top == s->values[5]) {
    s->button = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lparam) {
  auto* s = reinterpret_cast<Search*>(lparam);
  RECT r{};
  if (IsWindowVisible(hwnd) && GetWindowRect(hwnd, &r) && r.right - r.left == s->values[0] &&
      r.bottom - r.top == s->values[1]) {
    s->top = hwnd;
    EnumChildWindows(hwnd, FindChild, lparam);
    if (s->button) return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: press_button WIDTH HEIGHT X Y W H\n");
    return 2;
  }
  Search s;
  for (int i = 0; i < 6; ++i) s.values[i] = std::atoi(argv[i + 1]);
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
  if (!s.button) {
    std::fprintf(stderr, s.top ? "no such button in the window\n" : "no such window\n");
    return 1;
  }
  PostMessageW(s.button, WM_CHAR, L' ', 0);
  return 0;
}
