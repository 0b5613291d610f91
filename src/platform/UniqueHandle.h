#pragma once
// One move-only owner for every kind of handle. Each handle type names the
// value that means "empty" and the function that closes it. Traits are
// usually stateless; a closer that needs an object (a seam that closes its
// own handles) carries it in the traits, passed at construction. Closing
// keeps the thread's last error.

#include <utility>

#include "platform/LastError.h"

namespace qalo {

template <typename Handle, typename Traits>
class UniqueHandle : private Traits {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h, Traits traits = Traits()) noexcept
      : Traits(std::move(traits)), handle_(h) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept
      : Traits(static_cast<const Traits&>(other)), handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      static_cast<Traits&>(*this) = static_cast<const Traits&>(other);
    }
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }

  // Closes the owned handle (if any) and takes ownership of h.
  void reset(Handle h = Traits::Empty()) noexcept {
    Handle old = std::exchange(handle_, h);
    if (old != Traits::Empty()) {
      const KeptLastError kept;
      Traits::Close(old);
    }
  }

  // Gives up ownership without closing.
  Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }

  // For out-parameters: closes the current handle and exposes the slot.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

// Traits for handles that are empty when null.
template <typename Handle, auto CloseFn>
struct NullHandleTraits {
  static constexpr Handle Empty() noexcept { return Handle{}; }
  static void Close(Handle h) noexcept { CloseFn(h); }
};

template <typename Handle, auto CloseFn>
using UniqueAny = UniqueHandle<Handle, NullHandleTraits<Handle, CloseFn>>;

}  // namespace qalo
