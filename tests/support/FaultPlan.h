#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qalo::test {

// The calls a fake receives, by name, and which of them are to fail: "fail
// call n of this name", "fail every call of this name from call n on",
// "fail the n-th call whatever its name", "how many calls of this name"; n
// is always counted from 1. Every fake that can fail holds one, so tests say
// the same words to each.
class FaultPlan {
 public:
  void Fail(const std::string& name, int n = 1) { failures_[name].insert(n); }
  void FailCall(int n) { failCalls_.insert(n); }
  void FailFrom(const std::string& name, int n) { failFrom_[name] = n; }
  int Count(const std::string& name) const {
    auto it = counts_.find(name);
    return it == counts_.end() ? 0 : it->second;
  }
  // Every call in order, by name.
  const std::vector<std::string>& Calls() const { return calls_; }

  // Records a call; true when it is to fail.
  bool Call(const std::string& name) {
    calls_.push_back(name);
    const int n = ++counts_[name];
    if (failCalls_.count(static_cast<int>(calls_.size())) != 0) return true;
    auto from = failFrom_.find(name);
    if (from != failFrom_.end() && n >= from->second) return true;
    auto it = failures_.find(name);
    return it != failures_.end() && it->second.count(n) != 0;
  }

 private:
  std::map<std::string, std::set<int>> failures_;
  std::map<std::string, int> failFrom_;
  std::set<int> failCalls_;
  std::map<std::string, int> counts_;
  std::vector<std::string> calls_;
};

}  // namespace qalo::test
