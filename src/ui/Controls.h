#pragma once
// The controls a form is built from. Each is created once from its layout
// entry and lives as long as the form that holds it.
#include <functional>
#include <string>

#include "ui/Window.h"

namespace qalo::ui {

class Form;

using UniqueFont = UniqueAny<HFONT, &::DeleteObject>;
using UniqueBrush = UniqueAny<HBRUSH, &::DeleteObject>;

// "MS Sans Serif"; height in pixels at 96 dpi as fonts are stored (-11 is
// 8 pt).
struct FontStyle {
  int height = -11;
  bool bold = false;
};

// One entry of a form's layout table, at 96 dpi.
struct ControlLayout {
  Bounds bounds;
  const char* text = "";
  FontStyle font;
};

// The font of the layer's controls at a window's scale: at 96 dpi the
// stored one. Scaled, a bitmap face would keep to its few sizes while the
// layout grows, so the stored face is kept only where the system has it
// scalable; otherwise the dialog font "MS Shell Dlg 2" takes its place.
UniqueFont CreateUiFont(const FontStyle& style, const Scale& scale);

// A child window with its own font, placed and drawn at its parent's
// scale. Placements are in pixels as shown.
class Control : public Window {
 public:
  const Bounds& Placement() const noexcept { return bounds_; }
  void SetLeft(int left);
  void SetSize(int width, int height);
  const FontStyle& StoredFont() const noexcept { return fontStyle_; }

  // Runs Loaded once; the form calls it for each of its controls before it
  // is shown, when all of them exist.
  void NotifyLoaded();

  // The form's active control changes: the focus moved from one control of
  // the form to another (not to or from another top-level window). Called
  // by the form; exceptions reach the window procedure that moved the focus.
  virtual void EnterControl() {}
  virtual void ExitControl() {}

 protected:
  // Place, then CreatePlaced.
  void CreateChild(Kind kind, DWORD exStyle, DWORD style, const ControlLayout& layout,
                   const Window& parent, UINT id);
  // Takes the parent's scale, and the stored bounds and font at that scale.
  void Place(const Window& parent, const Bounds& stored, const FontStyle& font);
  // Creates the window where Place put it (or where it has been moved since).
  void CreatePlaced(Kind kind, DWORD exStyle, DWORD style, const std::string& text, UINT id);
  // Stores the placement, and moves the window if it exists.
  void SetPlacement(const Bounds& bounds);
  virtual void Loaded() {}
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  const Window* parent_ = nullptr;
  Bounds bounds_;
  FontStyle fontStyle_;
  UniqueFont font_;
  bool loaded_ = false;
};

// How a label's size follows its text.
enum class LabelFit {
  ToText,    // one line; takes the size of its text whenever the text is set
  Fixed,     // one line in the layout's size, grown where its text needs more
  WordWrap,  // the layout's width; the text wraps at word boundaries, and the
             // height grows where the wrapped text needs more
};

// A label. Its size follows its text whenever the text is set, so no font
// at any dpi and no later caption is ever cut off.
class Label : public Control {
 public:
  void Create(const Window& parent, const ControlLayout& layout, LabelFit fit = LabelFit::ToText);
  void SetCaption(const std::string& caption);

 private:
  void FitToText();
  LabelFit fit_ = LabelFit::ToText;
  Bounds layout_;  // the size it never goes below, unless it fits to its text
};

// A flat area in the form's colour with a one-pixel lowered outer bevel.
class Panel : public Control {
 public:
  void Create(const Window& parent, const ControlLayout& layout);

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A filled rectangle without outline.
class Shape : public Control {
 public:
  void Create(const Window& parent, const ControlLayout& layout, COLORREF fill);
  void SetFill(COLORREF fill);

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  COLORREF fill_ = 0;
  UniqueBrush brush_;
};

// A push button. A click runs OnClick and then, if the button carries a
// modal result, hands it to its form. A mouse press whose focus change was
// turned back (a field that refused to be left) is no click, as when the
// press loses the mouse capture.
class Button : public Control {
 public:
  void Create(const Window& parent, const ControlLayout& layout, UINT id, bool isDefault = false);
  void Click();
  void OnCommand(WORD notification) override;

  std::function<void()> OnClick;
  int ModalResult = 0;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  bool pressRefused_ = false;
};

struct EditOptions {
  bool masked = false;  // every character shows as "*"
};

// A single-line edit with a sunken border and no length limit.
class Edit : public Control {
 public:
  void Create(const Window& parent, const ControlLayout& layout, UINT id, EditOptions options);
  // Overwrites the text the edit window holds, then empties it: for secrets.
  void WipeText();
};

// A timer of a form, made and owned by it (Form::AddTimer); ticks arrive as
// the form's WM_TIMER messages, so they run only while the form's thread
// dispatches messages.
class Timer {
 public:
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();

  // Throws std::runtime_error when the system refuses to start it.
  void SetEnabled(bool enabled);
  UINT Id() const noexcept { return id_; }
  // Runs OnTimer: called by the form for each tick.
  void Tick();

  std::function<void()> OnTimer;

 private:
  friend class Form;
  Timer(Form& owner, UINT id, UINT intervalMs);

  Form& owner_;
  UINT id_;
  UINT interval_;
  bool enabled_ = false;
};

}  // namespace qalo::ui
