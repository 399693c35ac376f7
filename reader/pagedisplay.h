// The page display: the off-screen layers of the reader window and how a page is composed on
// them. The window width follows the book (a spread or a single page), and for each width there
// is a page surface (published as the current surface, with its item map), the click map with
// its highlight layer and the scroll bar, and the tiled background. Showing a page composes the
// background or the cover, the spine and the frame, the page or both pages of a spread and the
// page numbers onto the page surface. The reader window moves, animates and paints around this;
// the tools render with it alone.
//
// At a scale s the pixel layers (the page surface's bitmap, the background, the device highlight
// layer) are device size, round(book size * s); everything else, the window width and height, the
// item map, the click map and the scroll bar, stays in book coordinates.
#pragma once

#include <cstdint>
#include <memory>

#include "display/surfaces.h"
#include "images/xif3.h"
#include "reader/clicks.h"
#include "reader/hotspots.h"

namespace folivar {

class TBook;

class TPageDisplay {
 public:
  // The layers for the book's spread width; the book is loaded and outlives the display. The
  // built-in pictures are loaded on first use.
  explicit TPageDisplay(TBook& book, double scale = 1.0);
  TPageDisplay(TBook& book, TTextDeviceFactory makeDevice, double scale = 1.0);
  TPageDisplay(const TPageDisplay&) = delete;
  TPageDisplay& operator=(const TPageDisplay&) = delete;
  // Withdraws the page surface from being the current surface.
  ~TPageDisplay();

  // In book pixels.
  int32_t WindowWidth() const { return width_; }
  int32_t WindowHeight() const;
  double Scale() const { return scale_; }

  // The width the window must take for the current page: half the spread width for a page that
  // is not part of a spread, the spread width for one that is; 0 when it stays as it is (or the
  // book has no spreads).
  int32_t FitWidth() const;
  // Remakes every layer for a window of that width.
  void Layout(int32_t width);

  // The background (or the cover on page 0), the spine and the frame.
  void ComposeBackground();
  // Clears the item map, then draws the current page, the right page of a spread and the page
  // numbers.
  void DrawPages();
  // Both.
  void Show() {
    ComposeBackground();
    DrawPages();
  }
  // The scroll bar with the current page's thumb, into the highlight layer (and its device layer).
  void DrawScrollBar();

  TSurface& Surface() { return *surface_; }
  TClickMap& Clicks() { return clicks_; }
  const TScrollBar& ScrollBar() const { return bar_; }
  // The background at device size.
  const TXif& Background() const { return background_; }
  int32_t BackgroundNumber() const { return backgroundNumber_; }
  const TXif* Cover() const { return cover_; }

 private:
  void LoadBackground();
  void Tile(TXif& picture);
  void PutCover(TXif& view);
  void DrawPageNumber(int32_t number, int32_t left, int32_t width);

  TBook& book_;
  TTextDeviceFactory makeDevice_;
  double scale_ = 1.0;
  int32_t width_ = 0;
  std::unique_ptr<TSurface> surface_;
  TClickMap clicks_;
  TScrollBar bar_;
  TXif background_;
  int32_t backgroundNumber_ = -1;
  TXif* cover_ = nullptr;  // owned by the picture list
  TXif scaledCover_;       // the cover at device size, at a scale other than 1
};

}  // namespace folivar
