#pragma once
// A top-level window built from a layout table: client size in pixels at
// 96 dpi, scaled with its controls to the dpi the window is shown at,
// centred on the screen whenever it is shown, in the colour clBtnFace. It
// runs modally (ShowModal) or modelessly (Show).
#include <memory>
#include <vector>

#include "ui/Controls.h"
#include "ui/Timers.h"

namespace qalo::ui {

enum class Frame {
  Single,        // fixed border, title bar with system menu and close box
  DialogNoMenu,  // fixed dialog frame, title bar without system menu or close box
  DialogClose,   // fixed dialog frame, title bar with the close box only
};

// What the close box (WM_CLOSE) does.
enum class CloseAction {
  Hide,    // hide the form; a modal loop ends with result 2
  Cancel,  // modal result 2 (hide when modeless)
  None,    // nothing
};

struct FormLayout {
  const char* caption = "";
  int clientWidth = 0;
  int clientHeight = 0;
  Frame frame = Frame::Single;
  CloseAction closeAction = CloseAction::Hide;
};

constexpr int kResultNone = 0;
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

class Form : public Window {
 public:
  // timers outlives the form.
  explicit Form(TimerService& timers = SystemTimers()) : timers_(timers) {}

  // A timer of this form, disabled; it lives as long as the form.
  Timer& AddTimer(UINT id, UINT intervalMs = 1000);
  TimerService& Timers() const noexcept { return timers_; }

  // Shows the form and dispatches this thread's messages until a modal
  // result is set (by a button or SetModalResult); then hides it and
  // returns the result. The thread's other windows are disabled meanwhile.
  int ShowModal();
  // Shows the form without waiting; the caller's thread dispatches messages.
  void Show();
  void Hide();

  // Ends a running modal loop with this result (0 keeps it running).
  void SetModalResult(int result) noexcept;

  // Enter clicks the default button unless a button has the focus (then that
  // one); Esc clicks the cancel button, or does nothing without one.
  void SetDefaultButton(Button* button) noexcept { defaultButton_ = button; }
  void SetCancelButton(Button* button) noexcept { cancelButton_ = button; }

  // A control of the form got the focus (its WM_SETFOCUS). When it is not
  // the active control, the active one is left (ExitControl) and this one
  // entered (EnterControl); focus coming back from another window changes
  // nothing. A leaving that moves the focus itself ends the move.
  void ControlFocused(Control& control);

 protected:
  // Creates the hidden window at the dpi it will be shown at, which sets
  // Scaling(); the derived form then creates its controls in tab order.
  void CreateForm(const FormLayout& layout, HWND owner);
  // The client area's size in pixels (already scaled).
  void SetClientSize(int width, int height);
  // Runs each time the form is shown, before it becomes visible.
  virtual void OnShow() {}
  // Runs when a modal result has been set, before the modal loop ends;
  // false keeps the form open and running (the result is dropped).
  virtual bool OnCloseQuery(int /*modalResult*/) { return true; }
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  bool HandleDialogKey(const MSG& msg);
  void FocusFirstControl();
  void LoadControls();
  static BOOL CALLBACK CollectControl(HWND hwnd, LPARAM controls) noexcept;

  CloseAction closeAction_ = CloseAction::Hide;
  int modalResult_ = kResultNone;
  bool inModalLoop_ = false;
  HWND lastFocus_ = nullptr;
  Control* activeControl_ = nullptr;
  unsigned focusMoves_ = 0;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  TimerService& timers_;
  std::vector<std::unique_ptr<Timer>> ownTimers_;
};

}  // namespace qalo::ui
