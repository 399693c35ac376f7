// The pictures of one book: each picture file of the source read once per use (inline, block,
// cover, digit and the like), brought to the size its use has room for, and added to the book in
// the format it asks for or suits it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "tools/make/measure.h"
#include "tools/make/picturefile.h"
#include "tools/make/pictures.h"

namespace folivar::make {

struct TStoredPicture {
  uint16_t number = 0;
  int32_t width = 0, height = 0, ascent = 0;
};

// The room pictures have: the text area (the page less its margins) and the whole page.
struct TPictureRoom {
  int32_t textWidth = 0, textHeight = 0;
  int32_t pageWidth = 0, pageHeight = 0;
};

class TPictureStore {
 public:
  // On a line (kInline) or a line of its own (kBlock): made smaller to fit the text area. The cover
  // (kCover): scaled to cover the page and cropped around its centre. Anything else (kWhole: the
  // background, digits) as the file holds it.
  enum Use : uint8_t { kInline, kBlock, kWhole, kCover };

  TPictureStore(TMeasure& measure, std::string dir, TPictureRoom room)
      : measure_(measure), dir_(std::move(dir)), room_(room) {}

  // Reads SOURCE/path. `file` and `line` name where the picture is asked for, in errors (a file
  // that is missing or cannot be read, a format that cannot hold it). `width`, when given and
  // narrower than the text area, is the room of a narrower measure (a list item, a quote): an
  // inline or block picture is made smaller to fit it instead.
  TStoredPicture Load(const std::string& path, const std::string& title, Use use, const std::string& file,
                      int line, int32_t width = 0);

  // The pixels of SOURCE/path as the file holds them; errors as Load.
  TPixels Read(const std::string& path, const std::string& file, int line) const;

 private:
  TMeasure& measure_;
  std::string dir_;
  TPictureRoom room_;
  std::map<std::tuple<std::string, std::string, Use, int32_t>, TStoredPicture> loaded_;
};

}  // namespace folivar::make
