#include "reader/pagedisplay.h"

#include <algorithm>

#include "book/bookclass.h"
#include "book/paraclasses.h"
#include "core/strutil.h"
#include "display/drawing.h"
#include "images/embed.h"
#include "images/imageclass.h"
#include "images/resample.h"

namespace folivar {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kFrame = 0;
constexpr uint16_t kDigitStyle = 2;  // the built-in glyph-picture style: drawn blended

bool IsPicture(int32_t number) { return number >= 0 && HasImage(static_cast<uint32_t>(number)); }

}  // namespace

TPageDisplay::TPageDisplay(TBook& book, double scale)
    : TPageDisplay(book, [](tview& target) { return CreateTextDevice(target); }, scale) {}

TPageDisplay::TPageDisplay(TBook& book, TTextDeviceFactory makeDevice, double scale)
    : book_(book), makeDevice_(std::move(makeDevice)), scale_(BoundedScale(scale)) {
  LoadBuiltInImages();
  Layout(book_.header.viewWidth);
}

TPageDisplay::~TPageDisplay() {
  if (CurrentSurface() == surface_.get()) SetCurrentSurface(nullptr);
}

int32_t TPageDisplay::WindowHeight() const { return book_.header.viewHeight; }

int32_t TPageDisplay::FitWidth() const {
  if (!book_.TwoPageMode()) return 0;
  const int32_t view = book_.header.viewWidth;
  if (!book_.IsSpreadPage(-1)) return width_ == view / 2 ? 0 : view / 2;
  return width_ != view ? view : 0;
}

void TPageDisplay::Layout(int32_t width) {
  const TBookHeader& h = book_.header;
  width_ = width;
  const auto w = static_cast<uint32_t>(std::max(width, 0));
  const auto height = static_cast<uint32_t>(std::max(h.viewHeight, 0));

  if (CurrentSurface() == surface_.get()) SetCurrentSurface(nullptr);
  surface_ = std::make_unique<TSurface>(w, height, scale_, makeDevice_);
  SetCurrentSurface(surface_.get());
  surface_->pictureBlend = h.glyphBlend;
  surface_->keyColour = h.glyphColour & 0xFFFFFF;
  surface_->SetItemMap(std::make_unique<T2D>(w, height));
  surface_->ItemMap()->Clear();

  // The bar's rectangle comes first: the next-page corner's highlight ends above it.
  bar_ = ScrollBarRect(width, h.viewHeight, h.bottomMargin);
  clicks_.SetScale(scale_);
  LayOutControls(clicks_, width, h.viewHeight, h.printEnabled != 0, bar_, book_.CurrentIndex(),
                 book_.PageCount());
  clicks_.UpdateDeviceHighlight();
  LoadBackground();
}

void TPageDisplay::DrawScrollBar() {
  folivar::DrawScrollBar(clicks_.Highlight(), bar_, book_.CurrentIndex(), book_.PageCount());
  clicks_.UpdateDeviceHighlight({kHotScrollBar, bar_.left, bar_.top, bar_.right, bar_.bottom});
}

void TPageDisplay::LoadBackground() {
  const TBookHeader& h = book_.header;
  TXif& bitmap = surface_->Bitmap();
  background_.Allocate(bitmap.Width(), bitmap.Height(), false);
  background_.Fill(kWhite);
  backgroundNumber_ = -1;
  if (IsPicture(h.backgroundImage)) {
    TXif& picture = ImageAt(static_cast<uint32_t>(h.backgroundImage)).picture;
    Tile(picture);
    backgroundNumber_ = h.backgroundImage;
  }
  cover_ = nullptr;
  scaledCover_.Release();
  if (IsPicture(h.coverImage)) {
    cover_ = &ImageAt(static_cast<uint32_t>(h.coverImage)).picture;
    cover_->Unpack();
    if (surface_->Scaled()) {
      scaledCover_.Allocate(static_cast<uint32_t>(surface_->ToDevice(static_cast<int32_t>(cover_->Width()))),
                            static_cast<uint32_t>(surface_->ToDevice(static_cast<int32_t>(cover_->Height()))),
                            false);
      ResamplePicture(*cover_, scaledCover_);
    }
  }
}

void TPageDisplay::Tile(TXif& picture) {
  picture.Unpack();
  const uint32_t pw = picture.Width(), ph = picture.Height();
  if (pw == 0 || ph == 0) return;
  // Tiled in book pixels; at a scale the whole of it is then resampled, so that no seams show
  // between the tiles.
  TXif book;
  TXif& tiled = surface_->Scaled() ? book : background_;
  if (surface_->Scaled()) book.Allocate(surface_->Width(), surface_->Height(), false);
  for (uint32_t y = 0; y < tiled.Height(); y += ph)
    for (uint32_t x = 0; x < tiled.Width(); x += pw)
      picture.Put(tiled, static_cast<int32_t>(x), static_cast<int32_t>(y));
  // The right page's background is the mirror image of the left page's.
  const int32_t view = book_.header.viewWidth;
  if (book_.TwoPageMode() && width_ == view && view / 2 > 0) {
    TXif half(static_cast<uint32_t>(view / 2), tiled.Height());
    half.CopyFrom(tiled, 0, 0);
    half.Mirror();
    half.Put(tiled, view / 2, 0);
  }
  if (surface_->Scaled()) ResamplePicture(book, background_);
}

void TPageDisplay::ComposeBackground() {
  TPage& page = book_.CurrentPage();
  TXif& view = surface_->Bitmap();
  const int32_t wanted = page.background == -1 ? book_.header.backgroundImage : page.background;
  if (wanted != backgroundNumber_) {
    backgroundNumber_ = wanted;
    if (IsPicture(wanted)) Tile(ImageAt(static_cast<uint32_t>(wanted)).picture);
  }

  const auto W = static_cast<int32_t>(view.Width());
  const auto H = static_cast<int32_t>(view.Height());
  if (book_.CurrentIndex() != 0 || !cover_) {
    background_.Put(view, 0, 0);
  } else {
    PutCover(view);
  }
  // The spine's two columns and the frame's one, in book pixels.
  if (book_.TwoPageMode() && book_.header.spineLine != 0 && book_.IsSpreadPage(-1)) {
    const int32_t x = (static_cast<int32_t>(surface_->Width()) - 1) / 2;
    if (surface_->Scaled()) {
      surface_->FillRect(x, 0, x + 1, static_cast<int32_t>(surface_->Height()) - 1,
                         static_cast<uint32_t>(book_.header.spineColour));
    } else {
      view.FrameRect(x, 0, x + 1, H - 1, static_cast<uint32_t>(book_.header.spineColour));
    }
  }
  const int32_t frame = std::max(surface_->ToDevice(1), 1);
  for (int32_t i = 0; i < frame; ++i) view.FrameRect(i, i, W - 1 - i, H - 1 - i, kFrame);
}

void TPageDisplay::PutCover(TXif& view) {
  // The cover centred, cropped around its centre when it is larger (in device pixels).
  const TXif& cover = surface_->Scaled() ? scaledCover_ : *cover_;
  const auto W = static_cast<int32_t>(view.Width());
  const auto H = static_cast<int32_t>(view.Height());
  const auto cw = static_cast<int32_t>(cover.Width());
  const auto ch = static_cast<int32_t>(cover.Height());
  const int32_t dx = W / 2 - cw / 2;
  const int32_t dy = H / 2 - ch / 2;
  cover.PutRect(view, std::max(dx, 0), std::max(dy, 0), std::min(W, cw), std::min(H, ch),
                std::max(-dx, 0), std::max(-dy, 0));
}

void TPageDisplay::DrawPages() {
  const TBookHeader& h = book_.header;
  TPage* page = &book_.CurrentPage();
  surface_->ItemMap()->Clear();
  const int32_t tw = book_.ColumnWidth();
  DrawPage(h.leftMargin, h.topMargin, page, tw, h.bottomMargin);
  if (book_.TwoPageMode() && book_.IsSpreadPage(-1)) {
    if (TPage* right = book_.RightPage()) {
      DrawPage(h.viewWidth - tw - h.leftMargin, h.topMargin, right, tw, h.bottomMargin);
    }
  }

  // A book without digit pictures (a base of -1) shows no page numbers.
  const int32_t index = book_.CurrentIndex();
  if (index < 2 || book_.header.digitImageBase < 0) return;
  if (book_.TwoPageMode()) {
    DrawPageNumber(index, 0, h.viewWidth / 2);
    DrawPageNumber(index + 1, h.viewWidth / 2, h.viewWidth / 2);
  } else {
    DrawPageNumber(index, 0, width_);
  }
}

void TPageDisplay::DrawPageNumber(int32_t number, int32_t left, int32_t width) {
  TLine line(kAlignCentre);
  for (char digit : IntToText(number)) {
    line.AddItem(TViewItem(static_cast<uint16_t>(book_.header.digitImageBase + (digit - '0')),
                           kDigitStyle));
  }
  int32_t y = book_.header.viewHeight - book_.header.bottomMargin / 2;
  DrawLine(left, line, y, width);
}

}  // namespace folivar
