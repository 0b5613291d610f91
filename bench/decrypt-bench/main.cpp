// decrypt-bench IN OUT USERKEY: the plug-in's decryption alone, timed. Reads
// IN into a response buffer, decrypts it in place on the machine's cores as
// a retrieval does (the system cipher, CNG on Windows), writes OUT and
// prints "CORES: <cores used>", "SECONDS: <time of the decryption only>"
// and "RESULT: <code>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/SystemCipher.h"
#include "platform/SystemThreads.h"
#include "workflow/Decryption.h"
#include "workflow/ResponseBuffer.h"

namespace {

class SilentHost : public qalo::HostReporter {
 public:
  void Log(const std::string&) override {}
  void Progress() override {}
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: decrypt-bench IN OUT USERKEY\n");
    return 2;
  }
  try {
    qalo::ResponseBuffer buffer;
    {
      File in(std::fopen(argv[1], "rb"));
      if (!in) return std::fprintf(stderr, "cannot read %s\n", argv[1]), 1;
      std::vector<std::uint8_t> piece(buffer.BlockSize());
      while (const std::size_t n = std::fread(piece.data(), 1, piece.size(), in.get()))
        buffer.Write(piece.data(), n);
    }
    SilentHost host;
    const auto cipher = qalo::MakeSystemCipher();
    qalo::SystemThreads threads;
    const double start = Now();
    const std::int32_t rc = qalo::DecryptResponse(buffer, argv[3], *cipher, threads, host);
    const double seconds = Now() - start;
    File out(std::fopen(argv[2], "wb"));
    if (!out) return std::fprintf(stderr, "cannot write %s\n", argv[2]), 1;
    for (std::size_t i = 0; i < buffer.BlockCount(); ++i) {
      const auto block = buffer.BlockAt(i);
      if (std::fwrite(block.data, 1, block.size, out.get()) != block.size) return 1;
    }
    const unsigned cores =
        std::min(threads.Cores(), qalo::DecryptionWorkers::kMostWorkers + 1);
    std::printf("CORES: %u\nSECONDS: %.4f\nRESULT: %d\n", cores, seconds, static_cast<int>(rc));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "decrypt-bench: %s\n", e.what());
    return 1;
  }
}
