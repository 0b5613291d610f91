#pragma once
// Windows as C++ objects. Every window of the layer belongs to one kind; each
// kind has its own registered class and static procedure, which attaches the
// object at WM_NCCREATE, detaches it at WM_NCDESTROY and forwards everything
// in between to the virtual OnMessage. No exception leaves a procedure.
#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"
#include "ui/Scaling.h"

namespace qalo::ui {

using UniqueWindow = UniqueAny<HWND, &::DestroyWindow>;

// The kinds of window the layer creates. Label, Button and Edit stand on the
// system classes STATIC, BUTTON and EDIT and keep their behaviour.
enum class Kind { Form, Panel, Shape, Label, Button, Edit };

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const noexcept { return hwnd_.get(); }
  // The scale of the stored layout this window and its children are shown
  // at: its form's, taken from the dpi the form is shown at.
  const Scale& Scaling() const noexcept { return scale_; }

  std::string Text() const;
  void SetText(const std::string& text);

  // The object attached to a window of the layer; null for any other window.
  static Window* FromHandle(HWND hwnd) noexcept;

  // Detaches the object and destroys the window with its children (whose
  // objects detach as their windows go). A form calls it first thing in its
  // destructor, so no message reaches a half-destroyed object.
  void DestroyHandle() noexcept;

  // A WM_COMMAND notification that the parent passes back to its child.
  virtual void OnCommand(WORD /*notification*/) {}
  // WM_CTLCOLOREDIT or WM_CTLCOLORSTATIC passed back to the child: prepares
  // the device context and returns the background brush, or null for the
  // system's colours.
  virtual HBRUSH OnControlColor(HDC /*dc*/) { return nullptr; }

 protected:
  // Creates the window; throws std::runtime_error when the system refuses.
  void Create(Kind kind, DWORD exStyle, DWORD style, const std::string& text,
              const Bounds& bounds, HWND parent, UINT id = 0);

  // Everything the kind's procedure receives while the object is attached.
  virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // The kind's own handling (the system class, or DefWindowProc).
  LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);
  void SetScaling(const Scale& scale) noexcept { scale_ = scale; }

 private:
  template <Kind K>
  friend LRESULT CALLBACK KindProc(HWND, UINT, WPARAM, LPARAM) noexcept;

  Kind kind_ = Kind::Form;
  Scale scale_;
  UniqueWindow hwnd_;
};

// The handler for an exception that reached a window procedure or a timer
// callback: a modal error message box with the exception's text.
void ShowException(HWND owner) noexcept;

}  // namespace qalo::ui
