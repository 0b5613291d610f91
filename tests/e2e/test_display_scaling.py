"""The plug-in's windows at the display scalings users run: the DLL's
DisplayScaling tests (tests/dll/DisplayScalingTest.cpp) in a prefix made at
120, 144 and 192 dpi, one test per window and dpi. Each opens its window
through the DLL's exports, as a host does, and measures every text against
its control; the build's prefix runs them at 96 dpi."""

import unittest

import qalo_testlib as lib


class Scaling(unittest.TestCase):
    dpi = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = lib.dpi_prefix(cls.dpi)

    def window(self, test):
        run = lib.run_program("dll_tests.exe", ["--gtest_filter=DisplayScaling." + test], self.prefix,
                              env={"QALO_DPI": str(self.dpi)})
        output = (run.stdout + run.stderr).decode("cp1252", "replace")
        self.assertEqual(run.returncode, 0, output)
        self.assertIn("[  PASSED  ] 1 test.", output)

    def test_login_dialog(self):
        self.window("LoginDialogShowsEveryTextAndTheWholeKey")

    def test_password_prompt(self):
        self.window("PasswordPromptShowsEveryText")

    def test_progress_window(self):
        self.window("ProgressWindowShowsEveryTextRunningAndCancelled")


class Dpi120(Scaling):
    dpi = 120


class Dpi144(Scaling):
    dpi = 144


class Dpi192(Scaling):
    dpi = 192


if __name__ == "__main__":
    unittest.main()
