// Feeds arbitrary bytes to the book container walk as if they were a book image: every page
// block it finds, the message texts and the anchors are read too. A damaged book must end in
// TBookDamaged; anything else (a crash, a sanitizer report, another exception) is a fault.
#include <cstdint>
#include <cstring>
#include <vector>

#include "book/loading.h"
#include "core/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  if (size > (size_t{1} << 22)) return 0;
  // A copy, so that the stream cannot reach bytes the fuzzer did not give.
  std::vector<uint8_t> image(data, data + size);
  TPtrFile source(image.data(), static_cast<int32_t>(image.size()));
  try {
    const TBookImage book = WalkBookImage(source);
    TMemFile scratch;
    size_t pages = 0;
    for (int32_t offset : book.pageOffsets) {
      if (++pages > 64) break;
      try {
        ReadPageBlock(source, offset, scratch);
      } catch (const TBookDamaged&) {
      }
    }
  } catch (const TBookDamaged&) {
  }
  return 0;
}
