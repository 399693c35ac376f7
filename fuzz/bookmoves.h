// Shared by the book fuzzers: the input split into a book image and the moves that follow it, and
// the reader's ways of moving through a book (keys, corners, the scroll bar, links, Back, About,
// the remembered page), one byte each.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "book/bookclass.h"
#include "display/anchorz.h"
#include "images/embed.h"
#include "reader/hotspots.h"
#include "reader/navigation.h"

namespace folivar::fuzz {

struct TSplitInput {
  std::vector<uint8_t> image;  // a copy, so that streams cannot reach bytes the fuzzer did not give
  std::vector<uint8_t> moves;
};

// The last byte counts the move bytes before it (at most maxMoves); the image is the rest before
// them. A book ends in padding, so a book as written has no moves.
inline TSplitInput SplitInput(const uint8_t* data, size_t size, size_t maxMoves = 64) {
  TSplitInput input;
  if (size == 0) return input;
  const size_t count = std::min<size_t>({data[size - 1], maxMoves, size - 1});
  input.image.assign(data, data + (size - 1 - count));
  input.moves.assign(data + (size - 1 - count), data + (size - 1));
  return input;
}

class TMover {
 public:
  explicit TMover(TBook& book) : book_(book) {
    LoadBuiltInImages();
    bar_ = ScrollBarRect(book.header.viewWidth, book.header.viewHeight, book.header.bottomMargin);
  }

  // The low three bits choose the move, the high five its argument.
  void Move(uint8_t move) {
    const int32_t arg = move >> 3;
    const int32_t count = book_.PageCount();
    switch (move & 7) {
      case 0: book_.NextPage(); break;      // Down, Page Down, Enter, the next-page corner
      case 1: book_.PreviousPage(); break;  // Up, Page Up, the previous-page corner
      case 2: book_.FirstPage(); break;     // Home
      case 3: book_.LastPage(); break;      // End
      case 4: {
        // A click on the scroll bar at one of 32 heights, from just above it to just below it.
        const int64_t top = int64_t{bar_.top} - 2, bottom = int64_t{bar_.bottom} + 2;
        const auto y = static_cast<int32_t>(top + (bottom - top) * arg / 31);
        book_.GoToPage(ScrollBarPage(y, bar_, count));
        break;
      }
      case 5:
        // A link to an anchor, followed as the reader follows it, remembered for Back.
        if (AnchorCount() > 0) {
          history_.push_back(book_.CurrentIndex());
          book_.GoToPage(book_.AlignToSpread(AnchorPage(arg % AnchorCount())));
        }
        break;
      case 6:
        if (!history_.empty()) {  // Back
          const int32_t page = history_.back();
          history_.pop_back();
          book_.GoToPage(page);
        }
        break;
      default: {
        if (arg == 0) {  // About: page 0 while the box is open, then back
          const int32_t page = book_.CurrentIndex();
          book_.GoToPage(0);
          book_.GoToPage(page);
          break;
        }
        // A remembered page of any value, as the settings may hold one.
        const int32_t remembered[] = {INT32_MIN, -2, -1, 1, 2, 3, count - 1, count, count + 1, INT32_MAX};
        book_.GoToPage(remembered[arg % 10]);
        break;
      }
    }
  }

 private:
  TBook& book_;
  TScrollBar bar_;
  std::vector<int32_t> history_;
};

}  // namespace folivar::fuzz
