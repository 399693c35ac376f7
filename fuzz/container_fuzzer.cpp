// Feeds arbitrary bytes to the book loader as if they were a book image: the container walk, the
// whole loading sequence (pictures, anchors, styles, message texts, substitute page) and the
// decoding of every page. A damaged book must end in TBookDamaged; anything else (a crash, a
// sanitizer report, another exception) is a fault.
#include <cstdint>
#include <cstring>
#include <vector>

#include "book/bookclass.h"
#include "book/loading.h"
#include "core/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  if (size > (size_t{1} << 22)) return 0;
  // A copy, so that the stream cannot reach bytes the fuzzer did not give.
  std::vector<uint8_t> image(data, data + size);
  try {
    TPtrFile source(image.data(), static_cast<int32_t>(image.size()));
    WalkBookImage(source);
  } catch (const TBookDamaged&) {
  }
  try {
    TBook book;
    LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
    for (int32_t i = 0; i < book.PageCount() && i < 64; ++i) {
      book.GoToPage(i);
      book.CurrentPage();
    }
  } catch (const TBookDamaged&) {
  }
  return 0;
}
