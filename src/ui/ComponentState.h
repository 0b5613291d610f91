#pragma once
// The states a component passes through besides normal running. Portable:
// controls whose logic is tested natively keep their state in it too.
#include <cstdint>

namespace qalo::ui {

enum class ComponentState : std::uint8_t {
  Loading = 1 << 0,     // created by its form; the form has not yet run Loaded
  Reading = 1 << 1,     // its settings are being read
  Writing = 1 << 2,     // its settings are being written
  Destroying = 1 << 3,  // being destroyed
  Designing = 1 << 4,   // shown in a designer, not run
};

class ComponentStates {
 public:
  bool Has(ComponentState state) const noexcept { return (bits_ & Bit(state)) != 0; }
  // True in normal running: none of the states is set.
  bool Empty() const noexcept { return bits_ == 0; }
  void Add(ComponentState state) noexcept { bits_ = static_cast<std::uint8_t>(bits_ | Bit(state)); }
  void Remove(ComponentState state) noexcept { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(state)); }

 private:
  static constexpr std::uint8_t Bit(ComponentState state) noexcept { return static_cast<std::uint8_t>(state); }
  std::uint8_t bits_ = 0;
};

}  // namespace qalo::ui
