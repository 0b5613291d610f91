#include "workflow/IncomingResponse.h"

namespace qalo {

bool IncomingResponse::Write(const std::uint8_t* data, std::size_t n) {
  buffer_.Write(data, n);
  if (!class_ && buffer_.Size() >= kResponseWindowSize) Class();
  if (!class_ || class_->kind != ResponseClass::Kind::EncryptedData) return true;
  return decryption_.Advance(buffer_) && export_.Take(buffer_, decryption_.DecryptedBlocks());
}

const ResponseClass& IncomingResponse::Class() {
  if (!class_) class_ = ClassifyResponse(ResponseWindow(buffer_.Head(kResponseWindowSize)));
  return *class_;
}

}  // namespace qalo
