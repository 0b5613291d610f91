#pragma once
// Runs a function when the scope ends, however it ends: for the undo of a
// state change that no owner type fits.
#include <utility>

namespace qalo {

template <typename Fn>
class ScopeExit {
 public:
  explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
  ~ScopeExit() { fn_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Fn fn_;
};

}  // namespace qalo
