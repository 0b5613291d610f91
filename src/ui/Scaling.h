#pragma once
// Layouts are stored in pixels at 96 dpi; a window shown at another dpi
// scales them by dpi/96, rounding as the VCL's ChangeScale does: each
// value through MulDiv (to the nearest, halves away from zero), and a
// rectangle by its edges, so controls that touch at 96 dpi still touch.
// Portable: the arithmetic is tested natively.
#include <cstdint>

namespace qalo::ui {

constexpr int kDefaultDpi = 96;

// Position and size in pixels: relative to the client area of the parent,
// or of the screen for a form.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// value * numerator / denominator, rounded as Windows' MulDiv rounds;
// denominator > 0.
constexpr int MulDivRounded(int value, int numerator, int denominator) noexcept {
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  const std::int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// The factor dpi/96 of one window.
class Scale {
 public:
  constexpr explicit Scale(int dpi = kDefaultDpi) noexcept : dpi_(dpi > 0 ? dpi : kDefaultDpi) {}

  constexpr int Dpi() const noexcept { return dpi_; }
  constexpr bool IsIdentity() const noexcept { return dpi_ == kDefaultDpi; }

  // A length, a position or a font height (negative: the character height).
  constexpr int operator()(int stored) const noexcept { return MulDivRounded(stored, dpi_, kDefaultDpi); }

  constexpr Bounds operator()(const Bounds& stored) const noexcept {
    const int left = (*this)(stored.left);
    const int top = (*this)(stored.top);
    return {left, top, (*this)(stored.left + stored.width) - left, (*this)(stored.top + stored.height) - top};
  }

 private:
  int dpi_;
};

}  // namespace qalo::ui
