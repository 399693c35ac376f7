#include "reader/printing.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "book/bookclass.h"
#include "reader/pagedisplay.h"

namespace folivar {

double PrintScale(TPrintSize output, int32_t dpiX, int32_t dpiY, int32_t viewWidth,
                  int32_t viewHeight) {
  if (output.width <= 0 || output.height <= 0 || viewWidth <= 0 || viewHeight <= 0) return 1.0;
  const double vw = viewWidth, vh = viewHeight;
  double scale = output.width / vw;
  // The picture's pixels per inch on paper: its width over the output's width in inches.
  if (dpiX > 0) scale = std::min(scale, kPrintDpi * (output.width / vw) / dpiX);
  if (dpiY > 0) scale = std::min(scale, kPrintDpi * (output.height / vh) / dpiY);
  // round(v * s) <= (v + 1) * s for s >= 1/2, so the picture keeps within the budget.
  const double pixels = static_cast<double>(kMaxPrintImageBytes / 4);
  scale = std::min(scale, std::sqrt(pixels / ((vw + 1) * (vh + 1))));
  return BoundedScale(scale);
}

std::vector<TPrintBand> PrintBands(uint32_t width, uint32_t height, int32_t outHeight,
                                   uint64_t maxBytes) {
  std::vector<TPrintBand> bands;
  if (width == 0 || height == 0 || outHeight <= 0) return bands;
  const uint64_t rowBytes = uint64_t{width} * 4;
  const uint64_t rowsPerBand = std::max<uint64_t>(maxBytes / rowBytes, 1);
  const uint64_t count = (height + rowsPerBand - 1) / rowsPerBand;
  const auto outRow = [&](uint64_t y) {
    return static_cast<int32_t>((2 * y * static_cast<uint64_t>(outHeight) + height) / (2 * uint64_t{height}));
  };
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t top = i * height / count, bottom = (i + 1) * height / count;
    TPrintBand band;
    band.top = static_cast<int32_t>(top);
    band.rows = static_cast<int32_t>(bottom - top);
    band.outTop = outRow(top);
    band.outRows = outRow(bottom) - band.outTop;
    bands.push_back(band);
  }
  return bands;
}

TPagePrinter::TPagePrinter(TBook& book, double scale)
    : TPagePrinter(book, scale, [](tview& target) { return CreateTextDevice(target); }) {}

TPagePrinter::TPagePrinter(TBook& book, double scale, TTextDeviceFactory makeDevice)
    : book_(book), scale_(BoundedScale(scale)), makeDevice_(std::move(makeDevice)) {}

TPagePrinter::~TPagePrinter() = default;

double TPagePrinter::Scale() const { return display_ ? display_->Scale() : scale_; }

void TPagePrinter::Make(double scale, int32_t width) {
  display_.reset();
  display_ = std::make_unique<TPageDisplay>(book_, makeDevice_, scale);
  if (display_->WindowWidth() != width) display_->Layout(width);
}

const TXif& TPagePrinter::Draw() {
  const int32_t view = book_.header.viewWidth;
  const int32_t width = book_.TwoPageMode() && !book_.IsSpreadPage(-1) ? view / 2 : view;
  // The page display publishes its surface as the current one; the reader's stays current.
  TSurface* const previous = CurrentSurface();
  if (!display_) {
    Make(scale_, width);
  } else if (display_->WindowWidth() != width) {
    display_->Layout(width);
  }
  const auto empty = [&] {
    return width > 0 && book_.header.viewHeight > 0 &&
           (display_->Surface().Bitmap().Width() == 0 || display_->Background().Width() == 0);
  };
  if (empty() && display_->Scale() != 1.0) Make(1.0, width);
  if (!empty()) {
    SetCurrentSurface(&display_->Surface());
    display_->Show();
  }
  SetCurrentSurface(previous);
  return display_->Surface().Bitmap();
}

#ifdef _WIN32
bool PrintPage(TPagePrinter& printer, HDC dc, int32_t width, int32_t height) {
  const TXif& image = printer.Draw();
  const std::vector<TPrintBand> bands = PrintBands(image.Width(), image.Height(), height);
  if (bands.empty()) return false;
  // The printer's own halftoning where the picture is scaled on the way.
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  // Each band goes as a 24-bit DIB: a spooled page (an EMF record, a PostScript image) keeps the
  // bits as it is given them, and the fourth byte of a pixel carries nothing.
  const size_t w = image.Width();
  const size_t stride = (w * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> rows;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(w);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  for (const TPrintBand& band : bands) {
    if (band.outRows == 0) continue;
    // Rows are stored bottom-up in both: the band's last row comes first in memory.
    const uint32_t* bits =
        image.Bits() + (size_t{image.Height()} - static_cast<size_t>(band.top + band.rows)) * w;
    try {
      rows.assign(stride * static_cast<size_t>(band.rows), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (size_t y = 0; y < static_cast<size_t>(band.rows); ++y) {
      uint8_t* out = rows.data() + y * stride;
      for (const uint32_t* in = bits + y * w; in != bits + (y + 1) * w; ++in) {
        *out++ = static_cast<uint8_t>(*in);
        *out++ = static_cast<uint8_t>(*in >> 8);
        *out++ = static_cast<uint8_t>(*in >> 16);
      }
    }
    info.bmiHeader.biHeight = band.rows;
    const int done = StretchDIBits(dc, 0, band.outTop, width, band.outRows, 0, 0, static_cast<int>(w),
                                   band.rows, rows.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    if (done <= 0) return false;  // none copied, or GDI_ERROR (-1)
  }
  return true;
}
#endif

}  // namespace folivar
