// The book's picture list: one program-wide list of TImageItem in the order the book stores them.
// A picture's image number is its position. Image entry in the book image:
//   i32 ascent | u8 reserved | XIF record
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/checkedread.h"
#include "images/xif3.h"

namespace folivar {

class TImageItem {
 public:
  TXif picture;
  int32_t ascent = 0;   // from the picture's top down to the text baseline
  uint8_t reserved = 0;

  int32_t Width() const { return static_cast<int32_t>(picture.Width()); }
  int32_t Height() const { return static_cast<int32_t>(picture.Height()); }
};

// Reads the image entry at the reader's position into a new item at the end of the list.
void ReadImageEntry(TCheckedReader& source);
// Frees every item of the list and empties it.
void FreeImages();
int32_t ImageCount();
// The item with that image number, or an empty one (0 x 0, ascent 0, draws nothing) for a
// number outside the list.
TImageItem& ImageAt(uint32_t number);
// Whether the number names a picture of the list.
bool HasImage(uint32_t number);

}  // namespace folivar
