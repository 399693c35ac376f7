// Feeds arbitrary bytes to the book loader as if they were a book image: the container walk, the
// whole loading sequence (pictures, anchors, styles, message texts, substitute page), then moves
// through the book the way the reader does, backwards as well as forwards, decoding every page it
// reaches. A damaged book must end in TBookDamaged; anything else (a crash, a sanitizer report,
// another exception, a current page outside the book) is a fault.
//
// The input is a book image followed by the moves: the last byte says how many bytes before it
// are moves (at most 64); the image is what comes before them. A seed that ends in padding has no
// moves and the fuzzer walks every page forwards, then reads the book's text as the search and
// the clipboard do.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "book/bookclass.h"
#include "book/loading.h"
#include "book/pagetext.h"
#include "book/search.h"
#include "core/codepage.h"
#include "core/errors.h"
#include "fuzz/bookmoves.h"

namespace {

// The page must be one of the book's, or 0 in a book without pages.
void CheckCurrent(const folivar::TBook& book) {
  const int32_t page = book.CurrentIndex();
  if (page < 0 || (book.PageCount() > 0 && page >= book.PageCount()) ||
      (book.PageCount() == 0 && page != 0)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  if (size > (size_t{1} << 22)) return 0;
  fuzz::TSplitInput input = fuzz::SplitInput(data, size);
  try {
    TPtrFile source(input.image.data(), static_cast<int32_t>(input.image.size()));
    WalkBookImage(source);
  } catch (const TBookDamaged&) {
  }
  try {
    TBook book;
    LoadBook(book, std::make_unique<TPtrFile>(input.image.data(), static_cast<int32_t>(input.image.size())));
    book.OnPageChange = [&book] { CheckCurrent(book); };
    if (input.moves.empty()) {
      for (int32_t i = 0; i < book.PageCount() && i < 64; ++i) {
        book.GoToPage(i);
        book.CurrentPage();
      }
      // The book's text as the search and the clipboard read it.
      TSearchIndex index;
      index.Build(book);
      for (const char16_t* query : {u"a", u"e  e", u"\u0451"}) {
        index.FindNext(query, 0);
        index.FindPrevious(query, index.TextLength());
      }
      CopyText({&book.CurrentPage()}, BookEncoding(), u"\n");
      return 0;
    }
    fuzz::TMover mover(book);
    for (uint8_t move : input.moves) {
      mover.Move(move);
      CheckCurrent(book);
      book.CurrentPage();
      book.RightPage();
      book.AtLastView();
    }
  } catch (const TBookDamaged&) {
  }
  return 0;
}
