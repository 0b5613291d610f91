#include "ui/Controls.h"

#include <algorithm>
#include <stdexcept>

#include "ui/Form.h"
#include "ui/Gdi.h"

namespace qalo::ui {

namespace {

UniqueFont FontOfFace(int height, bool bold, const char* face) {
  return UniqueFont(CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, face));
}

// Whether the system draws the font from outlines (TrueType or vector).
bool IsScalable(HFONT font) {
  const UniqueWindowDc screen = WindowDc(nullptr);
  if (!screen) return true;
  const UniqueSelection selected = Select(screen.get(), font);
  TEXTMETRICA metrics{};
  return GetTextMetricsA(screen.get(), &metrics) &&
         (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0;
}

}  // namespace

UniqueFont CreateUiFont(const FontStyle& style, const Scale& scale) {
  const int height = scale(style.height);
  UniqueFont font = FontOfFace(height, style.bold, "MS Sans Serif");
  if (font && !scale.IsIdentity() && !IsScalable(font.get()))
    font = FontOfFace(height, style.bold, "MS Shell Dlg 2");
  if (!font) throw std::runtime_error("Schrift konnte nicht erzeugt werden");
  return font;
}

void Control::CreateChild(Kind kind, DWORD exStyle, DWORD style, const ControlLayout& layout,
                          const Window& parent, UINT id) {
  Place(parent, layout.bounds, layout.font);
  CreatePlaced(kind, exStyle, style, layout.text, id);
}

void Control::Place(const Window& parent, const Bounds& stored, const FontStyle& font) {
  parent_ = &parent;
  SetScaling(parent.Scaling());
  fontStyle_ = font;
  SetPlacement(Scaling()(stored));
}

void Control::CreatePlaced(Kind kind, DWORD exStyle, DWORD style, const std::string& text, UINT id) {
  if (!parent_) throw std::logic_error("Steuerelement ohne Formular");
  font_ = CreateUiFont(fontStyle_, Scaling());
  Create(kind, exStyle, WS_CHILD | WS_VISIBLE | style, text, bounds_, parent_->Handle(), id);
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void Control::NotifyLoaded() {
  if (loaded_) return;
  loaded_ = true;
  Loaded();
}

LRESULT Control::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SETFOCUS) return Window::OnMessage(msg, wParam, lParam);
  const LRESULT result = Window::OnMessage(msg, wParam, lParam);
  if (auto* form = dynamic_cast<Form*>(Window::FromHandle(GetAncestor(Handle(), GA_ROOT))))
    form->ControlFocused(*this);
  return result;
}

void Control::SetPlacement(const Bounds& bounds) {
  bounds_ = bounds;
  if (Handle())
    SetWindowPos(Handle(), nullptr, bounds_.left, bounds_.top, bounds_.width, bounds_.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetLeft(int left) {
  if (left == bounds_.left) return;
  bounds_.left = left;
  SetWindowPos(Handle(), nullptr, bounds_.left, bounds_.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetSize(int width, int height) {
  if (width == bounds_.width && height == bounds_.height) return;
  bounds_.width = width;
  bounds_.height = height;
  SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::Create(const Window& parent, const ControlLayout& layout, LabelFit fit) {
  const DWORD wrap = fit == LabelFit::WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
  CreateChild(Kind::Label, 0, wrap | SS_NOPREFIX, layout, parent, 0);
  fit_ = fit;
  layout_ = Placement();
  FitToText();
}

void Label::SetCaption(const std::string& caption) {
  SetText(caption);
  FitToText();
}

void Label::FitToText() {
  const bool wraps = fit_ == LabelFit::WordWrap;
  RECT r{0, 0, wraps ? layout_.width : 0, 0};
  {
    const UniqueWindowDc dc = WindowDc(Handle());
    if (!dc) return;
    const UniqueSelection font = Select(dc.get(), FontOf(Handle()));
    const std::string text = Text();
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  }
  if (fit_ == LabelFit::ToText)
    SetSize(r.right, r.bottom);
  else
    SetSize(std::max<int>(layout_.width, r.right), std::max<int>(layout_.height, r.bottom));
}

void Panel::Create(const Window& parent, const ControlLayout& layout) {
  CreateChild(Kind::Panel, 0, WS_CLIPCHILDREN, layout, parent, 0);
}

LRESULT Panel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    RECT r;
    GetClientRect(Handle(), &r);
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    EndPaint(Handle(), &ps);
    return 0;
  }
  return Control::OnMessage(msg, wParam, lParam);
}

void Shape::Create(const Window& parent, const ControlLayout& layout, COLORREF fill) {
  SetFill(fill);
  CreateChild(Kind::Shape, 0, 0, layout, parent, 0);
}

void Shape::SetFill(COLORREF fill) {
  if (brush_ && fill == fill_) return;
  UniqueBrush brush(CreateSolidBrush(fill));
  if (!brush) throw std::runtime_error("Pinsel konnte nicht erzeugt werden");
  brush_ = std::move(brush);
  fill_ = fill;
  if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT Shape::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT r;
      GetClientRect(Handle(), &r);
      FillRect(dc, &r, brush_.get());
      EndPaint(Handle(), &ps);
      return 0;
    }
  }
  return Control::OnMessage(msg, wParam, lParam);
}

void Button::Create(const Window& parent, const ControlLayout& layout, UINT id, bool isDefault) {
  CreateChild(Kind::Button, 0, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), layout,
              parent, id);
}

void Button::Click() {
  if (OnClick) OnClick();
  if (ModalResult == kResultNone) return;
  if (auto* form = dynamic_cast<Form*>(Window::FromHandle(GetAncestor(Handle(), GA_ROOT))))
    form->SetModalResult(ModalResult);
}

void Button::OnCommand(WORD notification) {
  if (notification == BN_CLICKED && !pressRefused_) Click();
}

LRESULT Button::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: {
      const LRESULT result = Control::OnMessage(msg, wParam, lParam);
      pressRefused_ = GetFocus() != Handle();
      return result;
    }
    case WM_LBUTTONUP: {
      const LRESULT result = Control::OnMessage(msg, wParam, lParam);
      pressRefused_ = false;
      return result;
    }
  }
  return Control::OnMessage(msg, wParam, lParam);
}

void Edit::Create(const Window& parent, const ControlLayout& layout, UINT id, EditOptions options) {
  CreateChild(Kind::Edit, WS_EX_CLIENTEDGE, WS_TABSTOP | ES_AUTOHSCROLL | (options.masked ? ES_PASSWORD : 0),
              layout, parent, id);
  SendMessageA(Handle(), EM_LIMITTEXT, 0, 0);
  if (options.masked) SendMessageA(Handle(), EM_SETPASSWORDCHAR, '*', 0);
}

void Edit::WipeText() {
  const int length = GetWindowTextLengthA(Handle());
  if (length > 0) SetText(std::string(static_cast<size_t>(length), '*'));
  SetText("");
}

Timer::Timer(Form& owner, UINT id, UINT intervalMs) : owner_(owner), id_(id), interval_(intervalMs) {}

Timer::~Timer() { SetEnabled(false); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    if (!owner_.Timers().Start(owner_.Handle(), id_, interval_))
      throw std::runtime_error("Zeitgeber konnte nicht gestartet werden");
  } else if (owner_.Handle()) {
    owner_.Timers().Stop(owner_.Handle(), id_);
  }
  enabled_ = enabled;
}

namespace {

class SystemTimerService final : public TimerService {
 public:
  bool Start(HWND window, UINT id, UINT intervalMs) override {
    return SetTimer(window, id, intervalMs, nullptr) != 0;
  }
  void Stop(HWND window, UINT id) override { KillTimer(window, id); }
};

}  // namespace

TimerService& SystemTimers() {
  static SystemTimerService timers;
  return timers;
}

void Timer::Tick() {
  if (enabled_ && OnTimer) OnTimer();
}

}  // namespace qalo::ui
