#pragma once
#include "platform/WindowUnavailable.h"

namespace qalo {

// The download progress window as the download sees it.
class DownloadProgress {
 public:
  virtual ~DownloadProgress() = default;
  // ShowDownloadProgress(no owner). Throws WindowUnavailable
  // (UnavailableWindow::ProgressWindow) when the window or its timer cannot be created,
  // and then no window is left.
  virtual void Show() = 0;
  virtual void Hide() = 0;                 // HideDownloadProgress()
  virtual bool CancelRequested() = 0;      // DownloadCancelRequested()
};

// The mouse cursor of the plug-in's window layer.
enum class CursorShape : int { Default = 0, HourGlass = -11, AppStart = -19 };

class MouseCursor {
 public:
  virtual ~MouseCursor() = default;
  virtual void Set(CursorShape shape) = 0;
};

}  // namespace qalo
