#pragma once
// Every seam of a retrieval as a recording fake, bound together as the
// workflow takes them: the clock starts at the given time, the host always
// listens, the machine has one core unless a test gives it more.
#include <chrono>

#include "inet/ImpApiINet.h"
#include "support/FakeCipher.h"
#include "support/FakeClock.h"
#include "support/FakeConfigStore.h"
#include "support/FakeDownloadProgress.h"
#include "support/FakeFileChooser.h"
#include "support/FakeHost.h"
#include "support/FakeInternet.h"
#include "support/FakeMemoryFileSystem.h"
#include "support/FakePasswordPrompt.h"
#include "support/FakeThreads.h"
#include "workflow/Retrieval.h"

namespace qalo::test {

// The scene the retrieval tests share: 7 December 2026, 10:00:00, the host's
// XML directory, the test override file below it, the export file of that
// second and a key of 48 digits.
constexpr double kDec7At10 = 46363.0 + 10.0 / 24;
inline const std::string kXmlDir = "C:\\nolt\\xml";
inline const std::string kIni = "C:\\nolt\\xml\\..\\QALO\\Qalo_test.Ini";
inline const std::string kExport = "C:\\nolt\\xml\\qalo_export_261207_100000.xml";
inline const std::string kUserKey = "0123456789abcdef0123456789abcdef0123456789abcdef";

struct FakeRetrievalPlatform {
  explicit FakeRetrievalPlatform(double now) : clock({now}) {}
  FakeRetrievalPlatform(const FakeRetrievalPlatform&) = delete;
  FakeRetrievalPlatform& operator=(const FakeRetrievalPlatform&) = delete;

  FakeHost host;
  FakeClock clock;
  FakeConfigStore config;
  FakeMemoryFileSystem files;
  FakeCipher cipher;
  FakePasswordPrompt prompt;
  FakeFileChooser chooser;
  FakeThreads threads;
  std::shared_ptr<FakeInternet> internetShare = std::make_shared<FakeInternet>();
  FakeInternet& internet = *internetShare;
  FakeDownloadProgress progress;
  FakeMouseCursor cursor;
  // The fakes answer at once: a wait long enough for a notification comes
  // only from a busy machine, and the tests that cancel at the n-th
  // question count one per chunk. A test of a silent service sets its own.
  InetContext inet{internetShare, progress, cursor, host, threads, [] { return true; },
                   {std::chrono::seconds(30), std::chrono::seconds(30), std::chrono::milliseconds(200)}};
  RetrievalPlatform platform{host, clock, config, files, cipher, prompt, chooser, inet, threads};
};

}  // namespace qalo::test
