// The page-turn animation: the book's description of the turning page (frames of points in design
// units, read from the "anime" property) and the machinery that turns it into pictures.
//
// Design space: a page is 340 x 430 units; the left page's top-left corner is at (100, 100), the
// spine runs down from (440, 100) and the right page's outer edge is at x = 780; y grows
// downwards. A frame's points trace the turning page's top edge from the spine outwards: where x
// grows the page shows its front (the old page), where x falls its back (the new page).
//
// One animated turn, in this order (the reader window drives it):
//   PrepareTurn   bounds, scales and positions; work and background pictures; the screen area
//                 under the work picture grabbed into background
//   CaptureBefore the old pages (the surface still shows the old spread)
//   ...           the reader draws the new spread into its surface without showing it
//   CaptureAfter  the new pages
//   PlayTurn      every frame composed and handed to the screen, paced over the turn's time
//   EndTurn       the pictures freed
//
// The description comes from the book and may hold anything: counts are capped by what the text
// can hold, and a turn whose pictures would be unreasonably large, or whose positions do not fit
// the screen's coordinates, is refused (then nothing plays). Composition never reads or writes
// outside a picture, and no turn is paced over more than kMaxTurnTime whatever its duration says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/ttable.h"
#include "display/Views.h"
#include "images/xif3.h"

namespace folivar {

class TBook;

// ---------------------------------------------------------------------------------------------
// The description

struct tpoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const tpoint&) const = default;
};
using tpoints = std::vector<tpoint>;

struct tframe {
  tpoints points;
};

struct TAnimation {
  std::vector<tframe> frames;  // in playing order
  int32_t duration = 0;        // milliseconds the book asks a turn to take (see TurnTime)
};

// Limits on what a description may ask for. Frames and points beyond them are not read; the
// total of points is also held to the number of rows of the description's text.
constexpr size_t kMaxTurnFrames = 1024;
constexpr size_t kMaxFramePoints = 1024;
constexpr size_t kMaxTurnPoints = 65536;

// Reads a description from its property text: "framecount", "duration", "frame.I" (points of
// frame I) and "I.J" = "x,y" (point J of frame I; without a comma y is 0). Missing names and
// texts that are not numbers count as 0; negative counts as 0.
TAnimation ParseAnimation(std::string_view text);
// The description in the "anime" property of a property table (none: no frames).
TAnimation ReadAnimation(const ttable& properties);
TAnimation ReadAnimation(const TBook& book);

// "pageturn_animation": true when, lower-cased, it begins with "t", "y" or "1".
bool PageTurnAnimated(const ttable& properties);
bool PageTurnAnimated(const TBook& book);

// The pages' place on the drawing surface, for the animation: "anix" (pixels left of the left
// page, and right of the right page), "anitop" and "anibottom". Empty properties are 0.
struct TTurnMargins {
  int32_t anix = 0;
  int32_t anitop = 0;
  int32_t anibottom = 0;
};
TTurnMargins ReadTurnMargins(const ttable& properties);
TTurnMargins ReadTurnMargins(const TBook& book);

// ---------------------------------------------------------------------------------------------
// The geometry of one turn

struct TTurnGeometry {
  int32_t minX = 0, maxX = 0, minY = 0, maxY = 0;  // bounds of all points of all frames
  double sx = 0;                                   // pixels per design unit across
  double sy = 0;                                   // pixels per design unit down
  int32_t offX = 0, offY = 0;        // where design (100, 100) lands in the work picture
  int32_t screenX = 0, screenY = 0;  // where the work picture lands on the screen
  uint32_t workWidth = 0, workHeight = 0;  // work and background pictures
  uint32_t pageWidth = 0, pageHeight = 0;  // front and back pictures: one scaled page
};

// The geometry of a turn of these frames on a surface of that size inside a window whose outer
// rectangle starts at (windowLeft, windowTop). False, with geometry left as it was, when there is
// nothing to play or the turn is refused: no point in any frame, a scale that is not positive, a
// work picture or page over kMaxPictureSide on a side or kMaxPictureBytes in size, or positions
// outside the 32-bit range.
bool ComputeTurnGeometry(const std::vector<tframe>& frames, const TTurnMargins& margins,
                         uint32_t surfaceWidth, uint32_t surfaceHeight, int32_t windowLeft,
                         int32_t windowTop, TTurnGeometry& geometry);

// ---------------------------------------------------------------------------------------------
// The machinery

// ---------------------------------------------------------------------------------------------
// Pacing

// The longest a turn is paced over: a book's duration beyond it (up to 2^31 ms) is held to it.
constexpr uint32_t kMaxTurnTime = 1500;

// The milliseconds a turn's frames are spread over: the book's duration held to 0 ..
// kMaxTurnTime. A repeating turn (a held page corner, a key the keyboard repeats) gets 0: its
// frames follow each other as fast as they are drawn, so that holding keeps turning about one page
// per timer tick instead of falling behind.
uint32_t TurnTime(int32_t duration, bool repeating);

// The screen under the reader window. The Windows reader copies from and to the desktop's device
// context and paces the frames by the system clock; a tool writes the frames to files and keeps
// the clock that never moves.
class TTurnScreen {
 public:
  virtual ~TTurnScreen() = default;
  // Fills into with the screen rectangle of into's size whose top-left corner is (x, y).
  virtual void Grab(tview& into, int32_t x, int32_t y) = 0;
  // Puts frame index (of count) on the screen with its top-left corner at (x, y).
  virtual void Show(const tview& frame, int32_t x, int32_t y, size_t index, size_t count) = 0;
  // A millisecond clock (it may wrap) and a wait on it, for pacing.
  virtual uint32_t Now() { return 0; }
  virtual void Wait(uint32_t milliseconds) { (void)milliseconds; }
};

class TPageTurn {
 public:
  TPageTurn() = default;
  TPageTurn(const TPageTurn&) = delete;
  TPageTurn& operator=(const TPageTurn&) = delete;

  // Starts a turn (dropping whatever an earlier one left): keeps a copy of the frames, computes
  // the geometry for the surface, creates work and background and grabs the screen under the
  // work picture into background (with no screen, background starts black). backward: the new
  // page number is lower than the old one; the frames are then mirrored about the spine. False
  // when the turn is refused; then nothing plays and the later steps do nothing.
  bool PrepareTurn(const TAnimation& animation, bool backward, const TTurnMargins& margins,
                   const tview& surface, int32_t windowLeft, int32_t windowTop,
                   TTurnScreen* screen);
  // The surface still shows the old spread: front gets the old turning page, background the old
  // left page.
  void CaptureBefore(const tview& surface);
  // The surface now shows the new spread: back gets the new page that lands, background the new
  // page that the turning page uncovers.
  void CaptureAfter(const tview& surface);
  // Composes frame index (background, then the turning page) into the work picture and returns
  // it; an empty picture when no turn is prepared. Frames of fewer than two points, or without
  // width, show background alone.
  const tview& ComposeFrame(size_t index);
  // Every frame in order, each composed and handed to the screen at (screenX, screenY). With a
  // turnTime (see TurnTime) frame i of n is held until i + 1 n-ths of it have passed since the
  // turn began; a frame that is late is not waited for, so the turn never takes longer than
  // drawing it or turnTime, whichever is more.
  void PlayTurn(TTurnScreen& screen, uint32_t turnTime = 0);
  // Frees the four pictures and the frames; the object is idle again.
  void EndTurn();

  bool Prepared() const { return prepared_; }
  bool Backward() const { return backward_; }
  size_t FrameCount() const { return prepared_ ? frames_.size() : 0; }
  const TTurnGeometry& Geometry() const { return geometry_; }
  const TXif& Work() const { return work_; }
  const TXif& Background() const { return background_; }
  const TXif& Front() const { return front_; }
  const TXif& Back() const { return back_; }

 private:
  // One source column to be drawn at a work column, in drawing order.
  struct TColumn {
    int32_t x;                // work column
    int64_t y0;               // work row of the column's top pixel
    const uint32_t* top;      // source pixel (c, 0); rows further down lie one width lower
  };

  void CreatePages();
  void LayOut(const tframe& frame);
  void Draw();

  bool prepared_ = false;
  bool backward_ = false;
  TTurnMargins margins_;
  TTurnGeometry geometry_;
  std::vector<tframe> frames_;
  TXif work_;
  TXif background_;
  TXif front_;
  TXif back_;
  // The frame being composed, kept from frame to frame so that composing does not allocate.
  std::vector<TColumn> columns_;
  std::vector<int64_t> spans_;
};

// Each of the four bytes of p shifted right by one bit. A turning page's column is drawn with a
// two-tap vertical smoothing: its top pixel is half what lies there plus half the source's top
// pixel, every pixel below it half the source pixel above plus half the source pixel itself.
constexpr uint32_t HalfPixel(uint32_t p) { return (p >> 1) & 0x7F7F7F7Fu; }

}  // namespace folivar
