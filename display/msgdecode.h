// How the window shell reads the arguments of the messages it turns into calls: mouse positions,
// the wheel's direction and the modifier keys. Plain arithmetic on the message's wParam and lParam
// (64-bit in the Windows x64 build), so that it is tested natively.
#pragma once

#include <cstdint>

namespace folivar {

// A mouse position packed in lParam: x in the low word, y in the high word, each taken as an
// unsigned 16-bit value. A position left of or above the window (captured mouse) therefore comes
// out as a large number up to 65535, never negative.
constexpr int32_t MouseX(int64_t lParam) {
  return static_cast<int32_t>(static_cast<uint64_t>(lParam) & 0xFFFFu);
}
constexpr int32_t MouseY(int64_t lParam) {
  return static_cast<int32_t>((static_cast<uint64_t>(lParam) >> 16) & 0xFFFFu);
}

// The wheel's direction as MouseButton's down argument: 1 when the wheel was turned towards the
// user (negative delta), 0 when turned away. The delta is the signed high word of wParam's low
// 32 bits; its sign is bit 31, which a 64-bit wParam carries zero-extended, not in bit 63.
constexpr uint8_t WheelTowardsUser(uint64_t wParam) { return (wParam & 0x80000000u) ? 1 : 0; }

// Modifier bits of the window's modifier state.
constexpr uint8_t kModShift = 0x02;
constexpr uint8_t kModControl = 0x04;
constexpr uint8_t kModAlt = 0x10;

constexpr int32_t kKeyShift = 16;    // VK_SHIFT
constexpr int32_t kKeyControl = 17;  // VK_CONTROL
constexpr int32_t kKeyAlt = 18;      // VK_MENU

// The modifier bit of a virtual key, 0 for other keys.
constexpr uint8_t ModifierBit(uint64_t key) {
  switch (key) {
    case kKeyShift: return kModShift;
    case kKeyControl: return kModControl;
    case kKeyAlt: return kModAlt;
    default: return 0;
  }
}

// The modifier state after a key went down or up. The shell calls Key first and applies this
// afterwards, so a Key call for Shift still sees the state from before.
constexpr uint8_t ModifiersAfterKey(uint8_t state, bool down, uint64_t key) {
  const uint8_t bit = ModifierBit(key);
  return static_cast<uint8_t>(down ? (state | bit) : (state & ~bit));
}

}  // namespace folivar
