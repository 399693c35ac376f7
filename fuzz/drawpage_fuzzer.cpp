// Draws the pages of arbitrary bytes loaded as a book, through the reader's own page composition
// (the page display: background or cover, spine, frame, the page or spread, page numbers, the
// scroll bar) with the FreeType text device, so that drawing is fuzzed like loading: text in any
// style and size, pictures of any number, links and page references, any margins, alignment,
// indents and line measures. A damaged book must end in TBookDamaged; anything else is a fault.
//
// The input is a book image followed by moves as for the container fuzzer (at most 8); after each
// move the page shown is drawn again, at a scale chosen by the image's length. Without moves the first pages are drawn one after another.
#include <cstdint>
#include <cstdlib>

#include "book/bookclass.h"
#include "book/loading.h"
#include "core/errors.h"
#include "fuzz/bookmoves.h"
#include "reader/pagedisplay.h"

namespace {

// Larger views draw the same code over more pixels; they only slow the fuzzer down.
constexpr int32_t kMaxViewPixels = 1 << 20;
// At a scale the layers are resampled as well: smaller still, or the short runs take minutes.
constexpr int32_t kMaxScaledPixels = 1 << 17;

void Draw(folivar::TBook& book, folivar::TPageDisplay& display) {
  // As the reader does on every page change: fit the width, the scroll bar, then the page.
  if (const int32_t width = display.FitWidth()) display.Layout(width);
  display.DrawScrollBar();
  display.Show();
  const int32_t page = book.CurrentIndex();
  if (page < 0 || (book.PageCount() > 0 && page >= book.PageCount())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  if (size > (size_t{1} << 20)) return 0;
  fuzz::TSplitInput input = fuzz::SplitInput(data, size, 8);
  try {
    TBook book;
    LoadBook(book, std::make_unique<TPtrFile>(input.image.data(), static_cast<int32_t>(input.image.size())));
    // The scale comes from the image's length, so that every seed is drawn at some scale and
    // resampled pictures and scaled fonts are fuzzed too.
    constexpr double kScales[] = {1, 1.5, 0.5, 2};
    const double scale = kScales[input.image.size() % 4];
    const double pixels = double(book.header.viewWidth) * book.header.viewHeight * scale * scale;
    if (pixels > (scale == 1 ? kMaxViewPixels : kMaxScaledPixels)) return 0;
    TPageDisplay display(book, [](tview& target) { return CreateTextDevice(target); }, scale);
    Draw(book, display);
    if (input.moves.empty()) {
      for (int32_t i = 0; i < 4 && i < book.PageCount(); ++i) {
        book.NextPage();
        Draw(book, display);
      }
      return 0;
    }
    fuzz::TMover mover(book);
    for (uint8_t move : input.moves) {
      mover.Move(move);
      Draw(book, display);
    }
  } catch (const TBookDamaged&) {
  }
  return 0;
}
