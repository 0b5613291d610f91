#include "dialogs/ImpApi_PwDlg.h"

namespace qalo {

std::string PwDlgCaption(const std::string& serviceName) { return serviceName + " Passwortabfrage"; }

std::string PwDlgInfoText(const std::string& serviceName, const std::string& userName) {
  return "<" + userName + "> für die " + serviceName + "-Depotschnittstelle ein: ";
}

}  // namespace qalo
