// The download over the recording internet: whatever status text,
// Content-Length and chunks the server sends, and whichever call fails, the
// result is one of the download's codes, the body is what arrived, and every
// handle and the progress window are gone. Input: control bytes, status,
// Content-Length, then up to 8 chunks.
#include "fuzz/FuzzInput.h"
#include "inet/ImpApiINet.h"
#include "support/FakeDownloadProgress.h"
#include "support/FakeHost.h"
#include "support/FakeInternet.h"
#include "support/FakeThreads.h"
#include "support/RecordingTarget.h"

#include <new>
#include <set>

using namespace qalo;
using qalo::fuzz::Check;

namespace {

constexpr std::size_t kMaxChunks = 8;

unsigned char ByteAt(const std::string& text, std::size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string control = input.Next();
  const std::string status = input.Next();
  const std::string contentLength = input.Next();
  std::vector<std::string> chunks;
  for (std::string chunk = input.Next(); !chunk.empty() && chunks.size() < kMaxChunks; chunk = input.Next())
    chunks.push_back(chunk);

  test::FakeHost host;
  auto internetShare = std::make_shared<test::FakeInternet>();
  test::FakeInternet& internet = *internetShare;
  // The calls on the fuzzer's own thread: what is checked here is the
  // download's logic, and a thread per input would only slow it.
  test::FakeThreads threads;
  threads.faults.FailFrom("StartDetached", 1);
  test::FakeDownloadProgress progress;
  test::FakeMouseCursor cursor;
  test::RecordingTarget target;
  const unsigned char flags = ByteAt(control, 0);
  test::FakeResponse response;
  if (!(flags & 1)) response.status = status; else response.status.reset();
  if (!(flags & 2)) response.contentLength = contentLength;
  response.chunks = chunks;
  response.readFailsAtEnd = (flags & 4) != 0;
  internet.defaultResponse = response;
  progress.cancelAtQuestion = ByteAt(control, 1) % 4;
  if (const unsigned char failAt = ByteAt(control, 2)) internet.faults.FailCall(failAt % 48);
  for (unsigned char i = 0; i < ByteAt(control, 3) % 3; ++i) internet.dialogAnswers.push_back(12032);
  target.throwAtWrite = ByteAt(control, 4) % 6;  // out of memory at that write; 0: never
  const bool withProgress = (flags & 8) == 0;
  const bool strict = (flags & 16) != 0;
  // The server's certificate: its problems (authority, name, date).
  internet.certificateProblems = std::uint32_t{ByteAt(control, 5) & 7u} << 24;

  InetContext context{internetShare, progress, cursor, host, threads, [] { return true; }};
  std::int32_t code = 0;
  bool outOfMemory = false;
  try {
    code = InetDownload(context,
                        {"https://depot.example/nolt", "nolt_portal_id: x\n", 1800, true, withProgress,
                         strict},
                        target)
               .code;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;  // passed on, after the clean-up
  }

  static const std::set<std::int32_t> kCodes = {0, -1, -2, -3, -4, -5, -6, -7, -8, -9, -1015};
  Check(outOfMemory || kCodes.count(code) == 1, "one of the download's codes");
  Check(internet.OpenHandles().empty(), "every internet handle closed");
  Check(internet.misuse.empty(), "no handle used after its close or closed twice");
  Check(!progress.visible, "the progress window is gone");
  if (!outOfMemory && code != 0) Check(!InetErrorText(code).empty(), "every failure has its text");

  std::string sent;
  for (const auto& chunk : chunks) sent += chunk;
  Check(sent.compare(0, target.bytes.size(), target.bytes) == 0, "the body is what arrived, in order");
  if (code == 0 && !outOfMemory) Check(!target.bytes.empty(), "success has a body");
  if (response.readFailsAtEnd && !outOfMemory) Check(code != 0, "a failed read is never success");
  if (code == inet::kCancelledByUser) Check(withProgress, "only the window cancels");
  for (const auto& line : host.Lines()) Check(!line.empty() && line.find('\0') == std::string::npos, "log lines are text");
  if (!internet.sentHeaders.empty() && internet.certificateProblems != 0) {
    Check(!(internet.certificateProblems & wininet::kSecurityCertInvalidCa), "no untrusted server gets the headers");
    Check(!strict, "strict lets no certificate problem pass");
    bool warned = false;
    for (const auto& line : host.Lines()) warned = warned || line.rfind("Warnung: Zertifikat des Servers ", 0) == 0;
    Check(warned, "a certificate problem let pass is warned of");
  }
  return 0;
}
