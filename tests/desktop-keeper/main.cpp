// desktop-keeper: uses the Wine desktop of its prefix until the wineserver
// is stopped. Wine closes a virtual desktop one second after its last
// program has left it; the next program then starts a new desktop process,
// which inherits that program's output and holds it open for the second
// after the program has ended. With this program running there is never a
// last one.
#include <windows.h>

int main() {
  // A message-only window makes this thread a user of the desktop.
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!window) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  DestroyWindow(window);
  return 0;
}
