#pragma once
// Every seam of a retrieval as a recording fake, bound together as the
// workflow takes them: the clock starts at the given time, the host always
// listens, the machine has one core unless a test gives it more.
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
  FakeInternet internet;
  FakeDownloadProgress progress;
  FakeMouseCursor cursor;
  FakeThreads threads;
  InetContext inet{internet, progress, cursor, host, [] { return true; }};
  RetrievalPlatform platform{host, clock, config, files, cipher, prompt, chooser, inet, threads};
};

}  // namespace qalo::test
