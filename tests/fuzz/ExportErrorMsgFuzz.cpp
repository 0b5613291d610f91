// The message of every 32-bit result code, through the export as the host
// calls it. Input: 4 bytes, the code.
#include "fuzz/FuzzInput.h"
#include "plugin/ExportErrorMsg.h"
#include "plugin/Exports.h"

#include <cstring>
#include <memory>

using namespace qalo;
using qalo::fuzz::Check;

namespace {

// Windows-1252 text as the host shows it: no control characters and none of
// the five bytes the code page leaves undefined.
bool IsShowableCp1252(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
      return false;
  return true;
}

bool HasFixedMessage(std::int32_t code) {
  for (std::int32_t fixed : {-1, -2, -3, -4, -5, -6, -7, -8, -1000, -1100, -1200, -2000})
    if (code == fixed) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::int32_t code = 0;
  std::memcpy(&code, data, std::min(size, sizeof code));

  // The host's buffer: 51 bytes, on the heap, so a byte more is an overflow.
  constexpr std::size_t kHostBuffer = 51;
  const auto buffer = std::make_unique<char[]>(kHostBuffer);
  Check(GetExportErrorMsg(code, buffer.get()) == 0, "the result is always 0");
  const std::string written(buffer.get(), strnlen(buffer.get(), kHostBuffer));
  Check(written.size() < kHostBuffer, "the text and its zero byte fit the host's buffer");
  Check(!written.empty() && IsShowableCp1252(written), "showable Windows-1252 text");
  Check(written == ExportErrorMessage(code), "the export writes the table's text");

  if (!HasFixedMessage(code)) {
    const std::string number = "[" + std::to_string(code) + "]";
    Check(written == (code < 0 ? "Unspezifizierter Fehler " : "unbekannter Fehlercode vom Host: ") + number,
          "codes without a text of their own are formatted");
  }
  return 0;
}
