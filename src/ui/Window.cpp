#include "ui/Window.h"

#include <stdexcept>

#include "ui/Cursor.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace qalo::ui {
namespace {

constexpr const char* kObjectProperty = "QaloWindowObject";

HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

struct KindClass {
  const char* name;
  const char* systemClass;  // superclassed system class, or null for our own
  int background;           // system colour index + 1 of the class brush, or 0
};

constexpr KindClass kKindClasses[] = {
    {"QaloForm", nullptr, COLOR_BTNFACE + 1},
    {"QaloPanel", nullptr, COLOR_BTNFACE + 1},
    {"QaloShape", nullptr, 0},
    {"QaloLabel", "STATIC", 0},
    {"QaloButton", "BUTTON", 0},
    {"QaloEdit", "EDIT", 0},
};

const KindClass& ClassOf(Kind kind) { return kKindClasses[static_cast<int>(kind)]; }

// Registered once per loaded module. A class of the same name that exists
// already was left behind by an earlier load of this library (Windows keeps
// a DLL's classes after it unloads) and points at code that is gone.
struct Registration {
  WNDPROC baseProc = &DefWindowProcA;
  bool ok = false;

  Registration(Kind kind, WNDPROC proc) {
    const KindClass& cls = ClassOf(kind);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (cls.systemClass) {
      if (!GetClassInfoExA(nullptr, cls.systemClass, &wc)) return;
      baseProc = wc.lpfnWndProc;
      wc.style &= ~CS_GLOBALCLASS;
    } else {
      wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
      wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(cls.background));
    }
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = cls.name;
    ok = RegisterClassExA(&wc) != 0;
    if (!ok && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
      UnregisterClassA(cls.name, ThisModule());
      ok = RegisterClassExA(&wc) != 0;
    }
  }
};

}  // namespace

template <Kind K>
LRESULT CALLBACK KindProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

namespace {

template <Kind K>
const Registration& RegistrationOf() {
  static const Registration registration(K, &KindProc<K>);
  return registration;
}

const Registration& RegistrationOf(Kind kind) {
  switch (kind) {
    case Kind::Form: return RegistrationOf<Kind::Form>();
    case Kind::Panel: return RegistrationOf<Kind::Panel>();
    case Kind::Shape: return RegistrationOf<Kind::Shape>();
    case Kind::Label: return RegistrationOf<Kind::Label>();
    case Kind::Button: return RegistrationOf<Kind::Button>();
    case Kind::Edit: return RegistrationOf<Kind::Edit>();
  }
  throw std::logic_error("unknown window kind");
}

}  // namespace

template <Kind K>
LRESULT CALLBACK KindProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  const WNDPROC base = RegistrationOf<K>().baseProc;
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    // A window of the class made by someone else (no object passed) is
    // left to the base procedure.
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    self = create ? static_cast<Window*>(create->lpCreateParams) : nullptr;
    if (self) {
      SetPropA(hwnd, kObjectProperty, self);
      self->hwnd_.reset(hwnd);
    }
  } else {
    self = Window::FromHandle(hwnd);
  }
  if (!self) return CallWindowProcA(base, hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    RemovePropA(hwnd, kObjectProperty);
    self->hwnd_.release();
    return CallWindowProcA(base, hwnd, msg, wParam, lParam);
  }
  try {
    return self->OnMessage(msg, wParam, lParam);
  } catch (...) {
    ShowException(GetAncestor(hwnd, GA_ROOT));
    return 0;
  }
}

Window::~Window() { DestroyHandle(); }

void Window::DestroyHandle() noexcept {
  if (HWND hwnd = hwnd_.get()) {
    // From here on the window gets only its kind's own handling.
    RemovePropA(hwnd, kObjectProperty);
    hwnd_.reset();
  }
}

Window* Window::FromHandle(HWND hwnd) noexcept {
  return hwnd ? static_cast<Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

void Window::Create(Kind kind, DWORD exStyle, DWORD style, const std::string& text,
                    const Bounds& bounds, HWND parent, UINT id) {
  const Registration& registration = RegistrationOf(kind);
  if (!registration.ok) throw std::runtime_error("Fensterklasse nicht registriert");
  kind_ = kind;
  HWND hwnd = CreateWindowExA(exStyle, ClassOf(kind).name, text.c_str(), style, bounds.left,
                              bounds.top, bounds.width, bounds.height, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ThisModule(), this);
  if (!hwnd)
    throw std::runtime_error("Fenster konnte nicht erzeugt werden (" + std::string(ClassOf(kind).name) +
                             ", Fehler " + std::to_string(GetLastError()) + ")");
}

std::string Window::Text() const {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(Handle())) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(Handle(), text.data(), static_cast<int>(text.size()))));
  return text;
}

void Window::SetText(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }

LRESULT Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      // Controls handle their own notifications, wherever they sit.
      if (Window* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        child->OnCommand(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (Window* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = child->OnControlColor(reinterpret_cast<HDC>(wParam)))
          return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_SETCURSOR:
      if (HCURSOR cursor = ScreenCursorHandle(); cursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(cursor);
        return TRUE;
      }
      break;
  }
  return Default(msg, wParam, lParam);
}

LRESULT Window::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(RegistrationOf(kind_).baseProc, Handle(), msg, wParam, lParam);
}

}  // namespace qalo::ui
