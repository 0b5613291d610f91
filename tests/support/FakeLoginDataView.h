#pragma once
#include <map>
#include <string>
#include <vector>

#include "dialogs/ImpApi_QALO_Dlg.h"

namespace qalo::test {

// The login data window as a user would see it: three field values, the
// version label, the focus on ePassword, and every message box shown.
class FakeLoginDataView : public LoginDataView {
 public:
  std::string Value(LoginField field) override {
    const auto it = values.find(field);
    return it == values.end() ? std::string() : it->second;
  }
  void SetValue(LoginField field, const std::string& value) override { values[field] = value; }
  void FocusPassword() override { ++passwordFocused; }
  void SetVersionText(const std::string& text) override { versionText = text; }
  void ShowError(const std::string& title, const std::string& text) override {
    errors.push_back({title, text});
  }

  struct Message {
    std::string title, text;
  };
  std::map<LoginField, std::string> values;
  std::string versionText;
  int passwordFocused = 0;
  std::vector<Message> errors;
};

}  // namespace qalo::test
