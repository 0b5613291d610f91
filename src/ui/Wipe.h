#pragma once
// Overwrites a secret's memory before it is freed.
#include <windows.h>

#include <string>

namespace qalo::ui {

// Zeroes every byte the string holds, its spare capacity included, and
// leaves it empty.
inline void WipeText(std::string& secret) noexcept {
  secret.resize(secret.capacity());
  SecureZeroMemory(secret.data(), secret.size());
  secret.clear();
}

}  // namespace qalo::ui
