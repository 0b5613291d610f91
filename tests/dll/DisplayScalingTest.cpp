// The plug-in's windows at the display's dpi, through the real DLL as a
// host opens them: the login data dialog (ApiDataDialog), the password
// prompt and the progress window (ExportXML). Each window's client area is
// its stored size scaled by dpi/96, its fonts grow with it, and every text
// it shows fits its control, the key's 48 digits included. The build's
// prefix runs at 96 dpi; tests/e2e/test_display_scaling.py runs these again
// in prefixes at 120, 144 and 192 dpi and names the dpi in QALO_DPI.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ImpApiQALO.h"
#include "support/LoopbackService.h"
#include "support/TestData.h"
#include "support/TextFit.h"

namespace qalo::test {
namespace {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

LONG FontHeightOf(HWND control) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::function<void()> gOnFirstProgress;
void __stdcall OnProgress(std::int32_t kind, std::int32_t, const char*) {
  if (kind == 2 && gOnFirstProgress) std::exchange(gOnFirstProgress, nullptr)();
}

class DisplayScaling : public ::testing::Test {
 protected:
  void SetUp() override {
    dpi_ = ScreenDpi();
    if (const char* expected = std::getenv("QALO_DPI")) {
      ASSERT_EQ(dpi_, std::atoi(expected)) << "the prefix's dpi";
    }
    library_ = LoadLibraryA("ImpApiQALO.dll");
    ASSERT_NE(library_, nullptr);
    root_ = UniqueTempPath("dpi");
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\xml").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\QALO").c_str(), nullptr));
  }
  void TearDown() override {
    gOnFirstProgress = nullptr;
    Export<ImpApiQALO_RegProgrCallback>("RegProgrCallback")(nullptr);
    FreeLibrary(library_);
    DeleteFileA(Ini().c_str());
    RemoveDirectoryA((root_ + "\\QALO").c_str());
    RemoveDirectoryA((root_ + "\\xml").c_str());
    RemoveDirectoryA(root_.c_str());
  }

  template <typename Fn>
  Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }
  std::string Ini() const { return root_ + "\\QALO\\Qalo_test.Ini"; }

  std::int32_t Retrieve(const std::string& settings) {
    const double datum = 45000.0;
    return Export<ImpApiQALO_ExportXML>("ExportXML")((root_ + "\\xml").c_str(), "B-17", 0, &datum,
                                                     settings.c_str());
  }

  // The stored size at this dpi, as the system's MulDiv scales it.
  int Scaled(int stored) const { return MulDiv(stored, dpi_, 96); }

  void ExpectWhole(HWND form) {
    const std::vector<std::string> clipped = ClippedTexts(form);
    EXPECT_TRUE(clipped.empty()) << "at " << dpi_ << " dpi:\n" << Joined(clipped);
  }

  int dpi_ = 96;
  HMODULE library_ = nullptr;
  std::string root_;
};

TEST_F(DisplayScaling, LoginDialogShowsEveryTextAndTheWholeKey) {
  const std::string key(48, 'D');  // a wide digit, in the case a host may store
  char user[128] = "hans.m\xFCller", password[128] = "Demo#2026", settings[4096] = {};
  std::snprintf(settings, sizeof settings, "UserLogin=hans\r\nUserKey=%s\r\n", key.c_str());
  User person([&] {
    HWND form = WaitForOwnWindow("QALO Zugangsdaten");
    ASSERT_NE(form, nullptr);
    HWND keyField = GetDlgItem(form, 203);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(keyField) == key; }));
    const SIZE client = ClientSize(form);
    EXPECT_EQ(client.cy, Scaled(236));
    EXPECT_GE(client.cx, Scaled(260));
    EXPECT_EQ(FontHeightOf(GetDlgItem(form, 201)), Scaled(-11));
    EXPECT_EQ(FontHeightOf(Child(form, "Anleitung")), Scaled(-11));
    EXPECT_FALSE(IsWindowEnabled(keyField));
    ExpectWhole(form);
    PostMessageA(Child(form, "Abbrechen"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Export<ImpApiQALO_ApiDataDialog>("ApiDataDialog")(user, password, settings), 2);
  person.Join();
}

TEST_F(DisplayScaling, PasswordPromptShowsEveryText) {
  User person([&] {
    HWND form = WaitForOwnWindow("QALO Passwortabfrage");
    ASSERT_NE(form, nullptr);
    const SIZE client = ClientSize(form);
    EXPECT_EQ(client.cx, Scaled(319));
    EXPECT_EQ(client.cy, Scaled(146));
    HWND field = Child(form, nullptr, "QaloEdit");
    Type(field, "Geheim#2026");
    ASSERT_TRUE(WaitUntil([&] { return TextOf(field).size() == 11; }));
    EXPECT_EQ(FontHeightOf(field), Scaled(-11));
    ExpectWhole(form);
    PostMessageA(Child(form, "Abbrechen"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Retrieve("UserLogin=hans.m\xFCller\r\n"), -4);
  person.Join();
}

TEST_F(DisplayScaling, ProgressWindowShowsEveryTextRunningAndCancelled) {
  LoopbackService service(ReadWholeFile(TestDataPath("tdea-sample.enc")));
  ASSERT_NE(service.Port(), 0);
  std::ofstream(Ini(), std::ios::binary) << "[Global]\r\nURL=http://127.0.0.1:" << service.Port() << "/nolt\r\n";
  bool seen = false;
  gOnFirstProgress = [&] {
    HWND form = FindOwnWindow("Info");
    ASSERT_NE(form, nullptr);
    seen = true;
    const SIZE client = ClientSize(form);
    EXPECT_EQ(client.cx, Scaled(248));
    EXPECT_EQ(client.cy, Scaled(127));
    HWND label = GetWindow(form, GW_CHILD);
    EXPECT_EQ(FontHeightOf(label), Scaled(-13));
    ExpectWhole(form);
    SendMessageA(Child(form, "Download abbrechen"), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(label), "Download wird abgebrochen !");
    ExpectWhole(form);
  };
  Export<ImpApiQALO_RegProgrCallback>("RegProgrCallback")(&OnProgress);
  const std::string settings = "UserLogin=demo\r\nPassword=Geheim#123\r\nUserKey=" +
                               ReadWholeFile(TestDataPath("tdea-sample.key")) + "\r\n";
  EXPECT_NE(Retrieve(settings), 0) << "cancelled";
  EXPECT_TRUE(seen) << "no progress window during the download";
}

}  // namespace
}  // namespace qalo::test
