// Mouse buttons, shift states and the virtual key codes the controls act on.
#pragma once

#include <cstdint>

namespace fw {

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during an input event.
class TShiftState {
 public:
  enum Flag : uint16_t {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
  };
  constexpr TShiftState() = default;
  constexpr TShiftState(Flag f) : bits_(f) {}
  constexpr bool Contains(Flag f) const { return (bits_ & f) != 0; }
  constexpr uint16_t Bits() const { return bits_; }
  constexpr TShiftState& operator|=(TShiftState o) {
    bits_ |= o.bits_;
    return *this;
  }
  friend constexpr TShiftState operator|(TShiftState a, TShiftState b) { return a |= b; }
  friend constexpr bool operator==(TShiftState, TShiftState) = default;

 private:
  uint16_t bits_ = 0;
};

// The shift state of a mouse message from its key bits (the MK_ values) and the
// state of the Alt key, which those bits do not carry.
constexpr TShiftState ShiftFromMouseKeys(uint32_t mk_bits, bool alt_down) {
  TShiftState s;
  if (mk_bits & 0x0004) s |= TShiftState::ssShift;
  if (mk_bits & 0x0008) s |= TShiftState::ssCtrl;
  if (mk_bits & 0x0001) s |= TShiftState::ssLeft;
  if (mk_bits & 0x0002) s |= TShiftState::ssRight;
  if (mk_bits & 0x0010) s |= TShiftState::ssMiddle;
  if (alt_down) s |= TShiftState::ssAlt;
  return s;
}

}  // namespace fw
