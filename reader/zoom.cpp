#include "reader/zoom.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/strutil.h"

namespace folivar {

namespace {

// Windows virtual-key codes of the zoom keys.
constexpr int32_t kKeyZero = 0x30;
constexpr int32_t kKeyNumpadZero = 0x60;
constexpr int32_t kKeyAdd = 0x6B;
constexpr int32_t kKeySubtract = 0x6D;
constexpr int32_t kKeyOemPlus = 0xBB;
constexpr int32_t kKeyOemMinus = 0xBD;

constexpr int32_t kStepCount = static_cast<int32_t>(std::size(kZoomSteps));

}  // namespace

int32_t MoveZoom(int32_t zoom, int32_t steps) {
  if (steps == 0) return zoom;
  // Up from the first step above zoom, down from the last step below it.
  const int32_t firstAbove = static_cast<int32_t>(
      std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom) - std::begin(kZoomSteps));
  const int32_t firstAtOrAbove = static_cast<int32_t>(
      std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom) - std::begin(kZoomSteps));
  const int64_t index = steps > 0 ? int64_t{firstAbove} + steps - 1 : int64_t{firstAtOrAbove} + steps;
  return kZoomSteps[std::clamp<int64_t>(index, 0, kStepCount - 1)];
}

TZoomKey ZoomKeyAction(int32_t key) {
  switch (key) {
    case kKeyOemPlus:
    case kKeyAdd: return TZoomKey::kIn;
    case kKeyOemMinus:
    case kKeySubtract: return TZoomKey::kOut;
    case kKeyZero:
    case kKeyNumpadZero: return TZoomKey::kNormal;
    default: return TZoomKey::kNone;
  }
}

int32_t ZoomAfterKey(TZoomKey action, int32_t zoom) {
  switch (action) {
    case TZoomKey::kIn: return MoveZoom(zoom, 1);
    case TZoomKey::kOut: return MoveZoom(zoom, -1);
    case TZoomKey::kNormal: return kNormalZoom;
    case TZoomKey::kNone: break;
  }
  return zoom;
}

int32_t ZoomFromText(std::string_view text) {
  const std::string digits = Trim(text);
  if (digits.empty() || digits.size() > 3) return kNormalZoom;
  for (char c : digits)
    if (c < '0' || c > '9') return kNormalZoom;
  const int32_t zoom = TextToInt(digits);
  if (zoom < kZoomSteps[0] || zoom > kZoomSteps[kStepCount - 1]) return kNormalZoom;
  return zoom;
}

std::string ZoomText(int32_t zoom) { return IntToText(zoom); }

double ChosenScale(uint32_t dpi, int32_t zoom) {
  const double monitor = (dpi == 0 ? kBaseDpi : dpi) / double{kBaseDpi};
  return std::clamp(monitor * zoom / 100.0, kMinScale, kMaxScale);
}

int32_t DeviceLength(int32_t bookLength, double s) {
  return ScaleCoordinate(bookLength, s);
}

int32_t BookPosition(int32_t device, double s) {
  if (s == 1) return device;
  // The book position whose device pixels hold the device one, exact where the division is not.
  auto book = static_cast<int32_t>(std::floor(device / s));
  while (DeviceLength(book + 1, s) <= device) ++book;
  while (DeviceLength(book, s) > device) --book;
  return book;
}

double FittingScale(double chosen, int32_t bookWidth, int32_t bookHeight, int32_t areaWidth,
                    int32_t areaHeight) {
  double s = chosen;
  // At areaWidth / bookWidth the window is areaWidth wide, to within rounding: never more.
  if (bookWidth > 0) s = std::min(s, double(std::max(areaWidth, 0)) / bookWidth);
  if (bookHeight > 0) s = std::min(s, double(std::max(areaHeight, 0)) / bookHeight);
  return std::max(s, kMinScale);
}

TWindowRect ResizedAroundCentre(const TWindowRect& from, int32_t width, int32_t height,
                                const TWindowRect& area) {
  // The centre in doubled coordinates, so that odd sizes lose nothing before the halving.
  const int64_t centreX2 = int64_t{from.left} + from.right;
  const int64_t centreY2 = int64_t{from.top} + from.bottom;
  auto place = [](int64_t centre2, int32_t size, int32_t low, int32_t high) {
    int64_t start = (centre2 - size) / 2;
    if ((centre2 - size) < 0 && (centre2 - size) % 2 != 0) --start;  // towards the top left
    if (start + size > high) start = int64_t{high} - size;
    if (start < low) start = low;
    return static_cast<int32_t>(start);
  };
  TWindowRect r;
  r.left = place(centreX2, width, area.left, area.right);
  r.top = place(centreY2, height, area.top, area.bottom);
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

}  // namespace folivar
