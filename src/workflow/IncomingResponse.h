#pragma once
// The response as the download delivers it. It is classified as soon as its
// first 200 bytes are in (or, for a shorter body, when asked at the end),
// before any byte changes; depot data is then decrypted in place block by
// block while the download reads on, by the decryption's workers and
// between reads on the caller's thread, and the decrypted blocks go on to
// the temporary export file in order. A failure of either ends the
// download at once.
#include <cstdint>
#include <optional>

#include "platform/TargetStream.h"
#include "workflow/Decryption.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResponseClassification.h"
#include "workflow/StreamedExport.h"

namespace qalo {

class IncomingResponse : public TargetStream {
 public:
  // All three belong to the caller and outlive this object.
  IncomingResponse(ResponseBuffer& buffer, ResponseDecryption& decryption,
                   StreamedExport& exportFile)
      : buffer_(buffer), decryption_(decryption), export_(exportFile) {}

  // Appends to the buffer; false once the decryption or the export file has
  // failed. Throws std::bad_alloc as ResponseBuffer::Write does.
  bool Write(const std::uint8_t* data, std::size_t n) override;
  std::uint64_t Size() const override { return buffer_.Size(); }

  // What the response's first bytes say, judged on the bytes as received.
  const ResponseClass& Class();

 private:
  ResponseBuffer& buffer_;
  ResponseDecryption& decryption_;
  StreamedExport& export_;
  std::optional<ResponseClass> class_;
};

}  // namespace qalo
