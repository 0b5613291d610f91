#pragma once
// The texts of the password prompt TImpApiPwDlg, built afresh at each
// Execute from the interface's name and the user's login name.
#include <string>

namespace qalo {

// serviceName + " Passwortabfrage"
std::string PwDlgCaption(const std::string& serviceName);

// "<" userName "> für die " serviceName "-Depotschnittstelle ein: "; it
// completes the sentence of the prompt's first line.
std::string PwDlgInfoText(const std::string& serviceName, const std::string& userName);

}  // namespace qalo
