#include "inet/DownloadProgressModel.h"

namespace qalo {

void DownloadProgressModel::Timer1Timer() {
  blockLeft_ += kStep;
  const int half = kShapeWidth / 2;
  // The panel's own left edge (16) minus half the block brings it back to 0.
  if (blockLeft_ > kPanelWidth - half) blockLeft_ = kPanelLeft - half;
}

void DownloadProgressModel::Button1Click() {
  cancelled_ = true;
  caption_ = "Download wird abgebrochen !";
  colour_ = BlockColour::Red;
  timerEnabled_ = false;
}

void DownloadProgressSlot::Show(void* owner) {
  if (window_) return;
  // Taken into the slot only once it runs: a window whose timer cannot be
  // started goes again with the exception.
  std::unique_ptr<ProgressWindow> window = create_(owner);
  window->Show();
  window->EnableTimer(true);
  window_ = std::move(window);
}

void DownloadProgressSlot::Hide() {
  if (!window_) return;
  window_->EnableTimer(false);
  window_->Hide();
  window_.reset();
}

}  // namespace qalo
