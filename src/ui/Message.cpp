#include "ui/Message.h"

#include <exception>

#include "ui/Window.h"

namespace qalo::ui {

int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void ShowException(HWND owner) noexcept {
  try {
    std::string text = "Unbekannter Fehler";
    try {
      throw;
    } catch (const std::exception& e) {
      text = e.what();
    } catch (...) {
    }
    ShowMessage(owner, text, "Fehler", MB_OK | MB_ICONERROR);
  } catch (...) {
    // Not even the message could be built (out of memory): nothing left to show.
  }
}

}  // namespace qalo::ui
