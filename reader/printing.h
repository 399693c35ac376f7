// Printing at the printer's resolution. A printed page (or spread) is drawn afresh on a page
// display of its own at the scale that its size on paper needs, at most 300 pixels per inch of
// paper, and that picture goes to the printer stretched to the page's output size, in bands of
// rows so that no one transfer holds more than 64 MiB of pixels.
//
// The picture is drawn whole, once per page: every layer of a page display covers the whole page
// and drawing is the costly part (fonts, resampled pictures), so drawing once per band would repeat
// it for no gain on ordinary paper, where a page at 300 dpi is 8 to 70 MB. Instead the scale is
// kept so low that the picture stays within kMaxPrintImageBytes (large paper prints below 300
// dpi), and only the transfer to the printer is cut into bands.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/surfaces.h"
#include "images/xif3.h"
#include "reader/navigation.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace folivar {

class TBook;
class TPageDisplay;

// The most pixels per inch of paper that a printed picture gets.
constexpr int32_t kPrintDpi = 300;
// The largest printed picture, and the most of it that one transfer to the printer carries.
constexpr uint64_t kMaxPrintImageBytes = uint64_t{128} << 20;
constexpr uint64_t kMaxPrintBandBytes = uint64_t{64} << 20;

// The scale at which a view of viewWidth x viewHeight book pixels is drawn for an output of
// output.width x output.height printer pixels at dpiX x dpiY: output.width / viewWidth, but no
// more than kPrintDpi pixels per inch of paper in either direction (a dpi of 0 or less puts no
// bound there), the picture no larger than kMaxPrintImageBytes, and within the scales a surface
// takes (kMinScale .. kMaxSurfaceScale). 1 for a view or output of no size.
double PrintScale(TPrintSize output, int32_t dpiX, int32_t dpiY, int32_t viewWidth,
                  int32_t viewHeight);

// A band of a picture: rows top .. top + rows - 1, put on the output rows outTop .. outTop +
// outRows - 1.
struct TPrintBand {
  int32_t top = 0, rows = 0;
  int32_t outTop = 0, outRows = 0;
};
// The bands of a width x height picture stretched to outHeight rows: as few as keep each band at
// most maxBytes of 32-bit pixels (and at least one row), of nearly equal heights, covering the
// picture and the output without gaps or overlaps (output row of picture row y: round(y *
// outHeight / height), halves up). None for an empty picture or output.
std::vector<TPrintBand> PrintBands(uint32_t width, uint32_t height, int32_t outHeight,
                                   uint64_t maxBytes = kMaxPrintBandBytes);

// Draws the book's current page or spread for the printer on a page display of its own at the
// print scale, so that the reader window's layers and the current surface stay as they are.
class TPagePrinter {
 public:
  // The book is loaded and outlives the printer.
  TPagePrinter(TBook& book, double scale);
  TPagePrinter(TBook& book, double scale, TTextDeviceFactory makeDevice);
  TPagePrinter(const TPagePrinter&) = delete;
  TPagePrinter& operator=(const TPagePrinter&) = delete;
  ~TPagePrinter();

  // Composes the current page as the reader shows it (half the spread width for a page that is
  // not part of a spread), at the print scale; if the memory for that cannot be had, at scale 1.
  // The picture is empty when even that fails.
  const TXif& Draw();
  // The scale of the last picture drawn.
  double Scale() const;

 private:
  void Make(double scale, int32_t width);

  TBook& book_;
  double scale_;
  TTextDeviceFactory makeDevice_;
  std::unique_ptr<TPageDisplay> display_;
};

#ifdef _WIN32
// Draws the current page with the printer and stretches it in bands to (0, 0, width, height) of
// the printer's device context. False when the picture could not be drawn or the printer refused
// a band.
bool PrintPage(TPagePrinter& printer, HDC dc, int32_t width, int32_t height);
#endif

}  // namespace folivar
