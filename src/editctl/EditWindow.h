#pragma once
// What the edit controls need of the platform: the single-line edit window
// and the little of the system around it. Each operation is one call of the
// window system. Operations marked "window" are called only while Exists().
#include <cstdint>
#include <string>

namespace qalo::editctl {

// A colour as the controls store it: 0x00BBGGRR, or a system colour as
// kSystemColor | the system's colour index (resolved when painting).
using TColor = std::uint32_t;
constexpr TColor kSystemColor = 0x80000000u;
constexpr TColor clRed = 0x000000FFu;
constexpr TColor clWindow = kSystemColor | 5;       // COLOR_WINDOW
constexpr TColor clWindowText = kSystemColor | 8;   // COLOR_WINDOWTEXT
constexpr int kColorBtnFace = 15;                   // COLOR_BTNFACE
constexpr int kColorGrayText = 17;                  // COLOR_GRAYTEXT

// Window style bits of the edit window.
namespace style {
constexpr std::uint32_t kUpperCase = 0x0008;   // ES_UPPERCASE
constexpr std::uint32_t kLowerCase = 0x0010;   // ES_LOWERCASE
constexpr std::uint32_t kPassword = 0x0020;    // ES_PASSWORD
constexpr std::uint32_t kAutoVScroll = 0x0040; // ES_AUTOVSCROLL
constexpr std::uint32_t kAutoHScroll = 0x0080; // ES_AUTOHSCROLL
constexpr std::uint32_t kNoHideSel = 0x0100;   // ES_NOHIDESEL
constexpr std::uint32_t kOemConvert = 0x0400;  // ES_OEMCONVERT
constexpr std::uint32_t kReadOnly = 0x0800;    // ES_READONLY
constexpr std::uint32_t kMultiLine = 0x0004;   // ES_MULTILINE
constexpr std::uint32_t kTabStop = 0x00010000;   // WS_TABSTOP
constexpr std::uint32_t kBorder = 0x00800000;    // WS_BORDER
constexpr std::uint32_t kDisabled = 0x08000000;  // WS_DISABLED
}  // namespace style

constexpr int kPlatformWin9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr int kPlatformNT = 2;     // VER_PLATFORM_WIN32_NT

struct Selection {
  int start = 0;
  int end = 0;
};

class EditWindow {
 public:
  virtual ~EditWindow() = default;

  // Lifetime. Create makes the window with these edit style bits (the
  // binding adds child and visibility bits) and this text, at the placement
  // and font the binding holds; it throws when the system refuses.
  virtual bool Exists() const = 0;
  virtual void Create(std::uint32_t editStyle, const std::string& text) = 0;
  virtual void Destroy() = 0;

  // The edit window (window).
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;  // WM_SETTEXT
  virtual void LimitText(int limit) = 0;              // EM_LIMITTEXT
  virtual Selection GetSel() const = 0;               // EM_GETSEL
  virtual void SetSel(int start, int end) = 0;        // EM_SETSEL
  virtual void ScrollCaret() = 0;                     // EM_SCROLLCARET
  virtual bool GetModify() const = 0;                 // EM_GETMODIFY
  virtual void SetModify(bool modified) = 0;          // EM_SETMODIFY
  virtual void SetPasswordChar(char c) = 0;           // EM_SETPASSWORDCHAR
  virtual void SetReadOnly(bool readOnly) = 0;        // EM_SETREADONLY
  virtual void SetMargins(int left, int right) = 0;   // EM_SETMARGINS, both margins
  virtual void Copy() = 0;                            // WM_COPY
  virtual void Paste() = 0;                           // WM_PASTE
  virtual bool Focused() const = 0;                   // the window has the input focus
  virtual void SetFocus() = 0;
  virtual void Invalidate() = 0;                      // repaint with the control's colours

  // The control, with or without a window.
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetHeight(int height) = 0;

  // The system.
  virtual int ScreenFontHeight() const = 0;   // tmHeight of the screen's default font
  virtual int ControlFontHeight() const = 0;  // tmHeight of the control's font
  virtual int SystemBorderHeight() const = 0; // SM_CYBORDER
  virtual bool LeftButtonDown() const = 0;
  virtual int PlatformId() const = 0;
  virtual bool FarEastLocale() const = 0;
  virtual TColor SystemColor(int index) const = 0;  // as 0x00BBGGRR
  virtual void Beep() = 0;                          // the default sound
  // The user locale's collation without regard to case: <0, 0 or >0.
  virtual int CompareText(const std::string& a, const std::string& b) const = 0;
};

}  // namespace qalo::editctl
