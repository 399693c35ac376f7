#include "reader/highlight.h"

#include <algorithm>
#include <iterator>

namespace folivar {

namespace {
constexpr double kTargets[] = {80, 80, 50, 50, 80, 50};
constexpr int32_t kFadeIn = -10;
constexpr int32_t kFull = 80;
constexpr int32_t kEnd = 120;
constexpr int32_t kHoldTicks = 21;
}  // namespace

void THighlight::TargetFor(uint16_t code) {
  if (code < std::size(kTargets)) target = kTargets[code];
}

bool THighlight::Hover(uint16_t code, uint16_t hovered) {
  if (code == 0) phase = kIdle;
  if (phase == kIdle) {
    phase = kFadeIn;
  } else if (phase > 0) {
    phase = 0;
  }
  if (code == hovered) return false;
  phase = kFadeIn;
  return true;
}

bool THighlight::Tick(bool pointerInside) {
  if (phase == kIdle) return false;
  if (!pointerInside && phase >= 1 && phase < kFull) phase = kEnd - 1;
  ++phase;
  const double previous = level;
  const double L = target;
  if (phase < 0) {
    level = L - phase / (-10.0 / L);
  } else if (phase >= 1 && phase <= kFull) {
    level = L;
  } else if (phase > kFull) {
    level = L - (phase - kFull) / (40.0 / L);
  }
  if (phase > kEnd) phase = kIdle;
  if (phase == kIdle) level = 0;
  return level != previous && phase != kIdle;
}

uint8_t THighlight::BlendWeight() const {
  const double w = (100 - level) * 2.5;
  return static_cast<uint8_t>(std::clamp(w, 0.0, 255.0));
}

bool THold::Tick(bool pointerInside, bool buttonHeld) {
  if (pointerInside && buttonHeld) {
    ++counter;
  } else {
    counter = 0;
  }
  return counter >= kHoldTicks;
}

}  // namespace folivar
