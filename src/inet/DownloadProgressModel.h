#pragma once
// What the download progress window decides, apart from how it is drawn:
// the animation of the block, the cancel mark and the texts and colours
// shown; and the module rule of at most one such window at a time.
#include <functional>
#include <memory>
#include <string>

namespace qalo {

enum class BlockColour { Highlight, Red };

// The state of one TfrmDownloadProgress. Positions in pixels of the stored
// layout: the track Panel1 and the block Shape1 inside it.
class DownloadProgressModel {
 public:
  static constexpr int kPanelLeft = 16;
  static constexpr int kPanelWidth = 209;
  static constexpr int kShapeWidth = 33;
  static constexpr int kStep = 10;

  void FormShow() { cancelled_ = false; }
  // One tick of Timer1: the block steps right and wraps back to the start.
  void Timer1Timer();
  // The cancel button: marks the download cancelled and stops the animation.
  void Button1Click();
  void EnableTimer(bool enabled) { timerEnabled_ = enabled; }

  bool Cancelled() const { return cancelled_; }
  bool TimerEnabled() const { return timerEnabled_; }
  int BlockLeft() const { return blockLeft_; }
  BlockColour Colour() const { return colour_; }
  const std::string& Caption() const { return caption_; }

 private:
  bool cancelled_ = false;
  bool timerEnabled_ = false;
  int blockLeft_ = 0;
  BlockColour colour_ = BlockColour::Highlight;
  std::string caption_ = "Download läuft ...";
};

// One progress window as the module handles it.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void Show() = 0;  // makes it visible; showing runs FormShow
  virtual void Hide() = 0;
  virtual void EnableTimer(bool enabled) = 0;
  virtual bool Cancelled() const = 0;
};

// ShowDownloadProgress, HideDownloadProgress and DownloadCancelRequested
// over at most one window, which it creates and destroys. The owner is the
// platform's window handle, passed through to the factory (may be null).
class DownloadProgressSlot {
 public:
  using Factory = std::function<std::unique_ptr<ProgressWindow>(void* owner)>;
  explicit DownloadProgressSlot(Factory create) : create_(std::move(create)) {}

  // Without a window: create one, show it, start its timer. With one:
  // nothing. What the factory or the window throws passes on, and the slot
  // stays empty.
  void Show(void* owner);
  // With a window: stop its timer, hide it and destroy it. Without: nothing.
  void Hide();
  bool CancelRequested() const { return window_ && window_->Cancelled(); }

 private:
  Factory create_;
  std::unique_ptr<ProgressWindow> window_;
};

}  // namespace qalo
