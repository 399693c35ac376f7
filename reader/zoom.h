// The reader window's scale: book pixels times the monitor's DPI over 96 times the reader's zoom.
// Everything the reader computes stays in book coordinates; only its pixel layers are made at
// device size, round(book length * s). This is the arithmetic of it: the zoom steps and the keys
// that move between them, the zoom as the settings keep it, the scale for a monitor and the
// largest scale at which the window still fits the monitor's work area, the conversion of mouse
// positions into book coordinates and where a resized window goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "display/surfaces.h"  // kMinScale, kMaxScale, ScaleCoordinate

namespace folivar {

// The zoom steps in percent; Ctrl+Plus and Ctrl+Minus move one step, Ctrl+0 goes to kNormalZoom.
inline constexpr int32_t kZoomSteps[] = {50, 67, 75, 90, 100, 110, 125, 150, 175, 200};
inline constexpr int32_t kNormalZoom = 100;
// The DPI at which a book pixel is a device pixel at 100%.
inline constexpr uint32_t kBaseDpi = 96;
// The setting, in the book's section beside "LastViewedPage", that keeps the zoom in percent.
inline constexpr std::string_view kZoomSetting = "Zoom";

// The zoom steps from zoom: steps > 0 up, steps < 0 down, held at the first and last step. A
// zoom between two steps counts the nearer step in the direction of the move as the first one.
int32_t MoveZoom(int32_t zoom, int32_t steps);

// What a key does to the zoom while Ctrl is held: Plus (the main keyboard's or the keypad's) a
// step up, Minus a step down, 0 (either) back to 100%. Keys are Windows virtual-key codes.
enum class TZoomKey { kNone, kIn, kOut, kNormal };
TZoomKey ZoomKeyAction(int32_t key);
// The zoom after a zoom key.
int32_t ZoomAfterKey(TZoomKey action, int32_t zoom);

// The zoom kept in the settings: a whole number from the first to the last step, written as
// ZoomText writes it; anything else (missing, not a number, out of range) is kNormalZoom.
int32_t ZoomFromText(std::string_view text);
std::string ZoomText(int32_t zoom);

// dpi / 96 * zoom / 100, within kMinScale .. kMaxScale; a DPI of 0 (unknown) counts as 96.
double ChosenScale(uint32_t dpi, int32_t zoom);

// A length in book pixels at scale s, in device pixels: round(length * s), halves away from 0.
int32_t DeviceLength(int32_t bookLength, double s);
// A device position (a mouse position in the window) in book coordinates: floor(device / s).
int32_t BookPosition(int32_t device, double s);

// The largest scale not above chosen at which a window of bookWidth x bookHeight book pixels,
// DeviceLength on each side, fits an area of areaWidth x areaHeight device pixels; never below
// kMinScale (a window that does not fit even then is as small as the reader makes it).
double FittingScale(double chosen, int32_t bookWidth, int32_t bookHeight, int32_t areaWidth,
                    int32_t areaHeight);

struct TWindowRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};
// Where a window that was at from goes when it becomes width x height: around its centre (halves
// truncated towards the top left), then moved the least it takes to lie inside area; a window
// larger than area starts at area's left or top edge.
TWindowRect ResizedAroundCentre(const TWindowRect& from, int32_t width, int32_t height,
                                const TWindowRect& area);

}  // namespace folivar
