#pragma once
// The mouse cursor over the plug-in's windows, like a screen-wide cursor
// setting: once set, every window of the layer shows it until it is set
// back to the default.
#include <windows.h>

#include "platform/DownloadProgress.h"

namespace qalo::ui {

class ScreenCursor final : public MouseCursor {
 public:
  void Set(CursorShape shape) override;
};

// The cursor the layer's windows show, or null while the default is set.
HCURSOR ScreenCursorHandle() noexcept;

}  // namespace qalo::ui
