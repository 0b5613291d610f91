// The validated text field: the check against its bounds and the message it
// builds, and the display format. Input: minimum, maximum, typed text,
// format.
#include "editctl/FormatText.h"
#include "editctl/UserEdit.h"
#include "editctl/UserEditTexts.h"
#include "fuzz/FuzzInput.h"
#include "support/FakeEditWindow.h"

#include <algorithm>
#include <stdexcept>

using namespace qalo;
using namespace qalo::editctl;
using qalo::fuzz::Check;

namespace {

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

std::string WithoutZeros(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

// The message's fixed part before its first placeholder.
std::string HeadOf(const char* message) {
  const std::string text = message;
  return text.substr(0, text.find('['));
}

void CheckFormat(const std::string& format, const std::string& value) {
  std::string shown;
  try {
    shown = FormatText(format, value);
  } catch (const std::invalid_argument&) {
    return;  // a format that does not fit one text argument is refused
  }
  if (format.find('%') == std::string::npos) Check(shown == format, "a format without % is itself");
  if (format == "%s") Check(shown == value, "%s is the value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string minimum = WithoutZeros(input.Next());
  const std::string maximum = WithoutZeros(input.Next());
  const std::string typed = input.Next();
  const std::string format = input.Next();
  CheckFormat(format, typed);

  test::FakeEditWindow window;
  TEditText field{window};
  window.control = &field;
  field.Name = "eFeld";
  field.ComponentState.Add(ui::ComponentState::Loading);
  field.CreateHandle();
  field.Loaded();
  field.SetValueMin(minimum);
  field.SetValueMax(maximum);

  window.Enter();
  bool changed = false;  // an unchanged field is not checked
  std::string message;
  bool refused = false;
  try {
    window.Type(typed);  // Enter checks the field as leaving it does
    changed = window.modify;
    window.Leave();
  } catch (const EUserEditError& e) {
    refused = true;
    message = e.what();
  }

  if (refused) {
    Check(field.CheckResult() != ucrNone, "a refusal names the bound");
    Check(!message.empty() && message.size() <= kMaxText, "the message fits the field's texts");
    Check(message.find('\0') == std::string::npos, "the message is text");
    Check(StartsWith(message, HeadOf(kMinimumMessage)) || StartsWith(message, HeadOf(kMaximumMessage)) ||
              StartsWith(message, HeadOf(kRangeMessage)),
          "the message is one of the three");
    Check((field.EditState() & uesErrorColor) != 0, "a refused field shows the error colour");
  } else {
    const std::string value = field.Value();
    Check(value.size() <= kMaxText, "a stored value is cut to 255 characters");
    if (changed && !minimum.empty()) Check(window.CompareText(value, minimum.substr(0, kMaxText)) >= 0, "not below the minimum");
    if (changed && !maximum.empty()) Check(window.CompareText(value, maximum.substr(0, kMaxText)) <= 0, "not above the maximum");
  }

  field.WipeValue();
  Check(window.text.empty(), "a wiped field shows nothing");
  return 0;
}
