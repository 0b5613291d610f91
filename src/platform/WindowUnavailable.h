#pragma once
// A window, or a timer of one, that the system refused to create. what() is
// the log line that says which; the retrieval reports it and ends the run.
#include <stdexcept>

namespace qalo {

class WindowUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The log lines, one for each window of a retrieval.
constexpr const char* kPromptUnavailable = "Passwortabfrage konnte nicht angezeigt werden.";
constexpr const char* kProgressUnavailable = "Fortschrittsanzeige konnte nicht angezeigt werden.";
constexpr const char* kChooserUnavailable = "Dateiauswahl konnte nicht angezeigt werden.";

}  // namespace qalo
