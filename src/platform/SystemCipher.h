#pragma once
#include <memory>

#include "platform/Cipher.h"

namespace qalo {

// The platform's TDEA and random generator: CNG (bcrypt) on Windows,
// OpenSSL's libcrypto natively. Error numbers in CipherErrors.h. Never
// returns null; a cipher whose platform provider could not be opened fails
// every call with kCryptoFailed or kRandomFailed.
std::unique_ptr<Cipher> MakeSystemCipher();

}  // namespace qalo
