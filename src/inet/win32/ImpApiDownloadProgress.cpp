#include "inet/win32/ImpApiDownloadProgress.h"

#include <stdexcept>

namespace qalo {
namespace {

using Model = DownloadProgressModel;

constexpr ui::FormLayout kForm{"Info", 248, 127, ui::Frame::Single, ui::CloseAction::Hide};
const ui::ControlLayout kLabel1{{16, 8, 119, 16}, "Download läuft ...", {-13, true}};
const ui::ControlLayout kPanel1{{Model::kPanelLeft, 40, Model::kPanelWidth, 17}, "", {}};
const ui::ControlLayout kShape1{{0, -1, Model::kShapeWidth, 19}, "", {}};
const ui::ControlLayout kButton1{{56, 80, 129, 25}, "Download abbrechen", {}};
constexpr UINT kButton1Id = 101;

COLORREF ColourOf(BlockColour colour) {
  return colour == BlockColour::Red ? RGB(255, 0, 0) : GetSysColor(COLOR_HIGHLIGHT);
}

DownloadProgressSlot& CurrentWindow() {
  static DownloadProgressSlot slot([](void* owner) -> std::unique_ptr<ProgressWindow> {
    return std::make_unique<TfrmDownloadProgress>(static_cast<HWND>(owner));
  });
  return slot;
}

}  // namespace

TfrmDownloadProgress::TfrmDownloadProgress(HWND owner, ui::TimerService& timers)
    : ui::Form(timers), Timer1(AddTimer(kTimer1Id)) {
  CreateForm(kForm, owner);
  Label1.Create(*this, kLabel1);
  Panel1.Create(*this, kPanel1);
  Shape1.Create(Panel1, kShape1, ColourOf(model_.Colour()));
  Button1.Create(*this, kButton1, kButton1Id);
  Button1.OnClick = [this] { Button1Click(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Render();
}

TfrmDownloadProgress::~TfrmDownloadProgress() { DestroyHandle(); }

void TfrmDownloadProgress::Show() { ui::Form::Show(); }

void TfrmDownloadProgress::Hide() { ui::Form::Hide(); }

void TfrmDownloadProgress::EnableTimer(bool enabled) {
  model_.EnableTimer(enabled);
  Render();
}

void TfrmDownloadProgress::FormShow() {
  model_.FormShow();
  Render();
}

void TfrmDownloadProgress::Timer1Timer() {
  model_.Timer1Timer();
  Render();
}

void TfrmDownloadProgress::Button1Click() {
  model_.Button1Click();
  Render();
}

void TfrmDownloadProgress::Render() {
  if (Label1.Text() != model_.Caption()) Label1.SetCaption(model_.Caption());
  Shape1.SetLeft(Scaling()(model_.BlockLeft()));
  Shape1.SetFill(ColourOf(model_.Colour()));
  Timer1.SetEnabled(model_.TimerEnabled());
}

void ShowDownloadProgress(HWND owner) { CurrentWindow().Show(owner); }

void HideDownloadProgress() { CurrentWindow().Hide(); }

bool DownloadCancelRequested() { return CurrentWindow().CancelRequested(); }

void Win32DownloadProgress::Show() {
  try {
    ShowDownloadProgress(nullptr);
  } catch (const std::runtime_error&) {
    throw WindowUnavailable(UnavailableWindow::ProgressWindow);
  }
}

}  // namespace qalo
