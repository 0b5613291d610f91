#pragma once
// The download progress window (module ImpApiDownloadProgress): modeless,
// at most one at a time, owned by the module between ShowDownloadProgress
// and HideDownloadProgress. All calls on the download's thread, which must
// dispatch window messages for the animation and the button to work.
#include <windows.h>

#include "inet/DownloadProgressModel.h"
#include "platform/DownloadProgress.h"
#include "ui/Form.h"

namespace qalo {

class TfrmDownloadProgress final : public ui::Form, public ProgressWindow {
 public:
  // Creates the hidden window from its stored layout; throws when the
  // system refuses. timers outlives the window.
  explicit TfrmDownloadProgress(HWND owner, ui::TimerService& timers = ui::SystemTimers());
  ~TfrmDownloadProgress() override;

  void Show() override;
  void Hide() override;
  void EnableTimer(bool enabled) override;
  bool Cancelled() const override { return model_.Cancelled(); }

  void FormShow();
  void Timer1Timer();
  void Button1Click();

  ui::Label Label1;
  ui::Panel Panel1;
  ui::Shape Shape1;
  ui::Button Button1;
  ui::Timer& Timer1;

 protected:
  void OnShow() override { FormShow(); }

 private:
  // Brings the controls in line with the model after each handler.
  void Render();

  DownloadProgressModel model_;
};

// Id of Timer1 in its form's WM_TIMER messages.
constexpr UINT kTimer1Id = 1;

void ShowDownloadProgress(HWND owner);
void HideDownloadProgress();
bool DownloadCancelRequested();

// The download's seam over the module functions; Show passes no owner.
class Win32DownloadProgress final : public DownloadProgress {
 public:
  void Show() override;
  void Hide() override { HideDownloadProgress(); }
  bool CancelRequested() override { return DownloadCancelRequested(); }
};

}  // namespace qalo
