#pragma once
// How the window layer's timers reach the system: SetTimer and KillTimer on
// the form's window. A form is given the service it uses when it is made;
// a test gives one that refuses.
#include <windows.h>

namespace qalo::ui {

class TimerService {
 public:
  virtual ~TimerService() = default;
  // Starts or restarts timer id of window; false when the system refuses.
  virtual bool Start(HWND window, UINT id, UINT intervalMs) = 0;
  virtual void Stop(HWND window, UINT id) = 0;
};

// The system's timers.
TimerService& SystemTimers();

}  // namespace qalo::ui
