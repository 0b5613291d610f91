#pragma once
#include <string>
#include <vector>

#include "platform/DownloadProgress.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// A progress window that records Show, Hide and each cancel question, into
// its own list and, when given, into a journal shared with other fakes. A
// failing "Show" is a window that cannot be created.
class FakeDownloadProgress : public DownloadProgress {
 public:
  explicit FakeDownloadProgress(std::vector<std::string>* journal = nullptr) : journal_(journal) {}

  void Show() override {
    Note("Show");
    if (faults.Call("Show")) throw WindowUnavailable(UnavailableWindow::ProgressWindow);
    visible = true;
  }
  void Hide() override {
    Note("Hide");
    visible = false;
  }
  bool CancelRequested() override {
    Note("CancelRequested");
    ++questions;
    return cancelAtQuestion > 0 && questions >= cancelAtQuestion;
  }

  // The question (1-based) from which on the user has pressed cancel; 0: never.
  int cancelAtQuestion = 0;
  FaultPlan faults;
  int questions = 0;
  bool visible = false;
  std::vector<std::string> calls;

 private:
  void Note(const std::string& call) {
    calls.push_back(call);
    if (journal_) journal_->push_back(call);
  }
  std::vector<std::string>* journal_;
};

// A cursor that records every shape set.
class FakeMouseCursor : public MouseCursor {
 public:
  explicit FakeMouseCursor(std::vector<std::string>* journal = nullptr) : journal_(journal) {}
  void Set(CursorShape shape) override {
    shapes.push_back(shape);
    if (journal_) journal_->push_back("Cursor(" + std::to_string(static_cast<int>(shape)) + ")");
  }
  std::vector<CursorShape> shapes;

 private:
  std::vector<std::string>* journal_;
};

}  // namespace qalo::test
