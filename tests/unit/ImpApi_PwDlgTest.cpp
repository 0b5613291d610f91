#include "dialogs/ImpApi_PwDlg.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

TEST(PwDlgTexts, CaptionIsTheServiceNameAndPasswortabfrage) {
  EXPECT_EQ(PwDlgCaption("QALO"), "QALO Passwortabfrage");
  EXPECT_EQ(PwDlgCaption(""), " Passwortabfrage");
}

TEST(PwDlgTexts, InfoTextEnclosesTheLoginNameAndNamesTheInterface) {
  EXPECT_EQ(PwDlgInfoText("QALO", "m\xFCller"),
            "<m\xFCller> f\xFCr die QALO-Depotschnittstelle ein: ");
  EXPECT_EQ(PwDlgInfoText("QALO", ""), "<> f\xFCr die QALO-Depotschnittstelle ein: ");
  EXPECT_EQ(PwDlgInfoText("X", "a b"), "<a b> f\xFCr die X-Depotschnittstelle ein: ");
}

}  // namespace
}  // namespace qalo
